// `flashsaver projector` and `flashsaver extract` through the tool's command table: usage, the
// player a native build has to be given, the projectors written and the movie taken back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builders/projector_layout.h"
#include "cli/cli.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code;
    cli::Output io;
};

CliRun run(std::vector<std::string> args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    CliRun r;
    r.code = cli::run(views, r.io);
    return r;
}

void writeBytes(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliProjector : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(::testing::TempDir()) / ("cli_projector_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "out");
        m_image.assign(builders::kProjectorImageSize, '\0');
        for (std::size_t i = 0; i < m_image.size(); i += 4093) m_image[i] = static_cast<char>(i / 4093 + 1);
        writeBytes(m_dir / "player.bin", m_image);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
    std::string m_image;
};

TEST_F(CliProjector, ListedAndHelped) {
    const CliRun all = run({"--help"});
    EXPECT_NE(all.io.out.find("projector"), std::string::npos);
    EXPECT_NE(all.io.out.find("extract"), std::string::npos);
    EXPECT_EQ(run({"projector", "--help"}).io.out.rfind("usage: flashsaver projector", 0), 0u);
    EXPECT_EQ(run({"extract", "-h"}).io.out.rfind("usage: flashsaver extract", 0), 0u);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;  // "@" is replaced by the test folder
    int code;
    const char* inErr;
};

class CliProjectorUsage : public CliProjector, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliProjectorUsage, RefusesWithAReason) {
    std::vector<std::string> args;
    for (std::string a : GetParam().args) {
        if (a.front() == '@') a = path(a.substr(1));
        args.push_back(a);
    }
    writeBytes(m_dir / "short.bin", "MZ");
    writeBytes(m_dir / "m.swf", "FWS");
    writeBytes(m_dir / "plain.exe", std::string(200000, 'x'));
    const CliRun r = run(args);
    EXPECT_EQ(r.code, GetParam().code);
    EXPECT_NE(r.io.err.find(GetParam().inErr), std::string::npos) << r.io.err;
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliProjectorUsage,
    ::testing::Values(
        UsageCase{"NoPlayer", {"projector", "@m.swf", "-o", "@out"}, cli::kExitUsage, "--player"},
        UsageCase{"NoOutput", {"projector", "@m.swf", "--player", "@player.bin"}, cli::kExitUsage, "-o DIR"},
        UsageCase{"PlayerTooShort", {"projector", "@m.swf", "-o", "@out", "--player", "@short.bin"},
                  cli::kExitBadInput, "2 bytes long instead of 376832"},
        UsageCase{"PlayerMissing", {"projector", "@m.swf", "-o", "@out", "--player", "@none.bin"},
                  cli::kExitBadInput, "cannot load the player"},
        UsageCase{"NameWithoutDot", {"projector", "@noext", "-o", "@out", "--player", "@player.bin"},
                  cli::kExitBadInput, "Invalid input file name: "},
        UsageCase{"ExtractOneArgument", {"extract", "@plain.exe"}, cli::kExitUsage, "one executable and one target"},
        UsageCase{"ExtractUnknownOption", {"extract", "--x", "@plain.exe", "@out/m.swf"}, cli::kExitUsage,
                  "unknown option --x"},
        UsageCase{"ExtractNothingFound", {"extract", "@plain.exe", "@out/m.swf"}, cli::kExitBadInput,
                  "no Flash movie found"},
        UsageCase{"ExtractMissingInput", {"extract", "@none.exe", "@out/m.swf"}, cli::kExitBadInput,
                  "none.exe"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliProjector, BuildsProjectorsAndTakesTheMoviesBackExactly) {
    const std::string intro = std::string("FWS\x06\0\xff", 6) + "intro";
    const std::string packed = std::string("CWS\x08\x10\0\0\0", 8) + "zzzz";
    writeBytes(m_dir / "intro.final.swf", intro);
    writeBytes(m_dir / "packed.swf", packed);
    const CliRun r = run({"projector", path("intro.final.swf"), path("packed.swf"), "-o", path("out"),
                          "--player", path("player.bin")});
    ASSERT_EQ(r.code, cli::kExitOk) << r.io.err;
    EXPECT_EQ(r.io.out, path("intro.final.swf") + " -> " + (m_dir / "out" / "intro.exe").string() + "\n" +
                            path("packed.swf") + " -> " + (m_dir / "out" / "packed.exe").string() + "\n");
    const std::string exe = readBytes(m_dir / "out" / "intro.exe");
    EXPECT_EQ(exe, m_image + intro + std::string("\x56\x34\x12\xFA\x0B\0\0\0", 8));

    for (const auto& [name, movie] : {std::pair{"intro", intro}, std::pair{"packed", packed}}) {
        // An existing longer target is replaced by exactly the movie.
        writeBytes(m_dir / "out" / (std::string(name) + ".swf"), std::string(1000, 'o'));
        const CliRun x = run({"extract", path("out/" + std::string(name) + ".exe"),
                              path("out/" + std::string(name) + ".swf")});
        ASSERT_EQ(x.code, cli::kExitOk) << x.io.err;
        EXPECT_NE(x.io.out.find("by the trailer"), std::string::npos);
        EXPECT_EQ(readBytes(m_dir / "out" / (std::string(name) + ".swf")), movie);
    }
}

}  // namespace

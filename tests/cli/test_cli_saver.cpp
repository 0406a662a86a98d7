// `flashsaver saver` through the tool's command table: usage, the runtime image a native build
// has to be given, and the saver files it writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builders/saver_layout.h"
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

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliSaver : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(::testing::TempDir()) / ("cli_saver_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "out");
        // A recognisable image: its last byte must be overwritten by the movie.
        m_image.assign(builders::kSaverHeaderSize, '\0');
        for (std::size_t i = 0; i < m_image.size(); i += 4093) m_image[i] = static_cast<char>(i / 4093 + 1);
        m_image.back() = '\x7f';
        writeBytes(m_dir / "image.bin", m_image);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const char* name) const { return (m_dir / name).string(); }

    fs::path m_dir;
    std::string m_image;
};

TEST_F(CliSaver, ListedAndHelped) {
    CliRun all = run({"--help"});
    EXPECT_NE(all.io.out.find("saver"), std::string::npos);
    CliRun one = run({"saver", "--help"});
    EXPECT_EQ(one.code, cli::kExitOk);
    EXPECT_EQ(one.io.out.rfind("usage: flashsaver saver", 0), 0u);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;  // "@" is replaced by the test folder
    int code;
    const char* inErr;
};

class CliSaverUsage : public CliSaver, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliSaverUsage, RefusesWithAReason) {
    std::vector<std::string> args{"saver"};
    for (std::string a : GetParam().args) {
        if (a.front() == '@') a = (m_dir / a.substr(1)).string();
        args.push_back(a);
    }
    writeBytes(m_dir / "short.bin", "MZ");
    writeBytes(m_dir / "m.swf", "FWS");
    CliRun r = run(args);
    EXPECT_EQ(r.code, GetParam().code);
    EXPECT_NE(r.io.err.find(GetParam().inErr), std::string::npos) << r.io.err;
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliSaverUsage,
    ::testing::Values(
        // A native build carries no runtime: --runtime is required, and said so.
        UsageCase{"no_runtime", {"@m.swf", "-o", "@out"}, cli::kExitUsage, "--runtime"},
        UsageCase{"no_output", {"@m.swf", "--runtime", "@image.bin"}, cli::kExitUsage, "-o DIR"},
        UsageCase{"no_movie", {"-o", "@out", "--runtime", "@image.bin"}, cli::kExitUsage, "no movie"},
        UsageCase{"runtime_too_short", {"@m.swf", "-o", "@out", "--runtime", "@short.bin"}, cli::kExitBadInput,
                  "2 bytes long"},
        UsageCase{"runtime_missing", {"@m.swf", "-o", "@out", "--runtime", "@none.bin"}, cli::kExitBadInput,
                  "cannot load the screensaver runtime"},
        UsageCase{"name_without_dot", {"@noext", "-o", "@out", "--runtime", "@image.bin"}, cli::kExitBadInput,
                  "Invalid input file name: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliSaver, WritesOneSaverPerMovieInTheLayout) {
    const std::string intro = std::string("FWS\x06\0\xff", 6) + "intro";
    writeBytes(m_dir / "intro.final.swf", intro);
    writeBytes(m_dir / "empty.swf", "");
    CliRun r = run({"saver", path("intro.final.swf"), path("empty.swf"), "-o", path("out"), "--runtime",
                    path("image.bin")});
    ASSERT_EQ(r.code, cli::kExitOk) << r.io.err;
    EXPECT_EQ(r.io.out, path("intro.final.swf") + " -> " + (m_dir / "out" / "intro.Scr").string() + "\n" +
                            path("empty.swf") + " -> " + (m_dir / "out" / "empty.Scr").string() + "\n");
    const std::string head = m_image.substr(0, builders::kSaverHeaderSize - 1);
    EXPECT_EQ(readBytes(m_dir / "out" / "intro.Scr"), head + intro + std::string(1, '\0'));
    EXPECT_EQ(readBytes(m_dir / "out" / "empty.Scr"), head + std::string(1, '\0'));
}

}  // namespace

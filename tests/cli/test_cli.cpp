#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/file_io.h"
#include "swf/test_writer.h"

namespace {

struct CliRun {
    int code;
    cli::Output io;
};

CliRun run(std::vector<std::string_view> args) {
    CliRun r;
    r.code = cli::run(args, r.io);
    return r;
}

std::string tempMovie(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string path = ::testing::TempDir() + "/" + name;
    EXPECT_TRUE(core::writeFile(path, bytes).ok());
    return path;
}

std::vector<std::uint8_t> goodMovie() {
    swf::DefineShape s;
    s.id = 1;
    swf::MovieWriter w(7, 400, 300, 20);
    w.add(swf::SetBackgroundColor{{0, 0, 0, 255}}).add(s);
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    w.add(p).showFrame().showFrame().showFrame();
    return w.finish(swf::Compression::Zlib);
}

struct UsageCase {
    const char* name;
    std::vector<std::string_view> args;
    int code;
    const char* inOut;  // expected in stdout (or nullptr)
    const char* inErr;  // expected in stderr (or nullptr)
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitCodeAndMessages) {
    const UsageCase& c = GetParam();
    CliRun r = run(c.args);
    EXPECT_EQ(r.code, c.code);
    if (c.inOut) {
        EXPECT_NE(r.io.out.find(c.inOut), std::string::npos) << r.io.out;
    }
    if (c.inErr) {
        EXPECT_NE(r.io.err.find(c.inErr), std::string::npos) << r.io.err;
        EXPECT_EQ(r.io.err.find('\n'), r.io.err.size() - 1) << "one line: " << r.io.err;
    } else {
        EXPECT_TRUE(r.io.err.empty()) << r.io.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CliUsage,
    ::testing::Values(
        UsageCase{"no_command", {}, cli::kExitUsage, nullptr, "no command"},
        UsageCase{"help", {"--help"}, cli::kExitOk, "info", nullptr},
        UsageCase{"unknown", {"frobnicate"}, cli::kExitUsage, nullptr, "unknown command 'frobnicate'"},
        UsageCase{"info_help", {"info", "--help"}, cli::kExitOk, "usage: flashsaver info", nullptr},
        UsageCase{"info_no_file", {"info"}, cli::kExitUsage, nullptr, "expected one movie"},
        UsageCase{"info_two_files", {"info", "a.swf", "b.swf"}, cli::kExitUsage, nullptr, "expected one movie"},
        UsageCase{"info_missing", {"info", "/nonexistent/x.swf"}, cli::kExitBadInput, nullptr, "/nonexistent/x.swf: "}),
    [](const auto& info) { return info.param.name; });

TEST(CliInfo, DescribesAValidMovie) {
    std::string path = tempMovie("good.swf", goodMovie());
    CliRun r = run({"info", path});
    EXPECT_EQ(r.code, cli::kExitOk) << r.io.err;
    EXPECT_TRUE(r.io.err.empty());
    const std::string& o = r.io.out;
    EXPECT_NE(o.find("version: 7\n"), std::string::npos) << o;
    EXPECT_NE(o.find("compression: zlib (CWS)\n"), std::string::npos);
    EXPECT_NE(o.find("stage: 400x300 pixels\n"), std::string::npos);
    EXPECT_NE(o.find("frame rate: 20 fps\n"), std::string::npos);
    EXPECT_NE(o.find("frames: 3\n"), std::string::npos);
    EXPECT_NE(o.find("  ShowFrame                   3\n"), std::string::npos);
    EXPECT_NE(o.find("characters: 1 (shapes 1,"), std::string::npos);
    EXPECT_NE(o.find("problems: none\n"), std::string::npos);
}

TEST(CliInfo, BrokenMovieFailsWithOneLine) {
    auto bytes = goodMovie();
    // Cut the compressed stream in the middle: tags past the cut are lost.
    bytes.resize(bytes.size() - 6);
    std::string path = tempMovie("cut.swf", bytes);
    CliRun r = run({"info", path});
    EXPECT_EQ(r.code, cli::kExitBadInput);
    EXPECT_EQ(r.io.err.rfind(path + ": ", 0), 0u) << r.io.err;
    EXPECT_NE(r.io.out.find("error: "), std::string::npos);  // the report still lists it

    std::string notSwf = tempMovie("text.swf", {'h', 'e', 'l', 'l', 'o', '!', '!', '!', '!'});
    CliRun t = run({"info", notSwf});
    EXPECT_EQ(t.code, cli::kExitBadInput);
    EXPECT_NE(t.io.err.find("not a SWF file"), std::string::npos);
    EXPECT_TRUE(t.io.out.empty());
}

TEST(CliInfo, WarningsDoNotFail) {
    auto bytes = swf::MovieWriter().showFrame().finish(swf::Compression::None, false);
    std::string path = tempMovie("noend.swf", bytes);
    CliRun r = run({"info", path});
    EXPECT_EQ(r.code, cli::kExitOk);
    EXPECT_NE(r.io.out.find("warning: "), std::string::npos);
}

// The built program: exit status and streams as a shell sees them.
TEST(CliProgram, ExitStatusReachesTheShell) {
    std::string good = tempMovie("prog_good.swf", goodMovie());
    auto status = [](const std::string& cmd) {
        int rc = std::system(cmd.c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    std::string exe = FLASHSAVER_EXE;
    EXPECT_EQ(status(exe + " info " + good + " >/dev/null"), 0);
    EXPECT_EQ(status(exe + " info /nonexistent.swf 2>/dev/null"), 1);
    EXPECT_EQ(status(exe + " bogus 2>/dev/null"), 2);
    EXPECT_EQ(status(exe + " --help >/dev/null"), 0);
}

}  // namespace

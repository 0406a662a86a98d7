#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/file_io.h"
#include "sound/wav.h"
#include "swf/test_writer.h"
#include "tests/sound/sound_movies.h"

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

// --- flashsaver sound ----------------------------------------------------------------------------

TEST(CliSound, WritesTheMixOfEventAndStreamSound) {
    // 10 frames at 10 fps: one second; the event sound (8000) covers the first 0.1 s, and each
    // frame's stream block sounds for exactly its own tenth of a second.
    std::string movie = tempMovie("sound.swf", sound_movies::soundMovie(10, 10.0, true));
    std::string out = ::testing::TempDir() + "/sound.wav";
    auto r = run({"sound", movie, "-o", out});
    ASSERT_EQ(r.code, 0) << r.io.err;
    auto bytes = core::readFile(out);
    ASSERT_TRUE(bytes);
    auto wav = sound::readWav(*bytes);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->rate, 44100);
    EXPECT_EQ(wav->channels, 2);
    ASSERT_EQ(wav->frames(), 44100u);
    EXPECT_EQ(wav->samples[0], 8000 + 100);
    EXPECT_EQ(wav->samples[2 * 4409 + 1], 8000 + 100);
    EXPECT_EQ(wav->samples[2 * 4410], 200);
    for (int f = 2; f <= 10; ++f) EXPECT_EQ(wav->samples[2 * (4410 * f - 1)], 100 * f) << "frame " << f;

    // --seconds sets the length; the stream ends with the movie's frames (it loops: frame 1
    // starts the stream again).
    r = run({"sound", movie, "-o", out, "--seconds", "2"});
    ASSERT_EQ(r.code, 0) << r.io.err;
    wav = sound::readWav(*core::readFile(out));
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->frames(), 88200u);
}

TEST(CliSound, RefusesBadArgumentsAndReportsSilentSounds) {
    std::string movie = tempMovie("nelly.swf", sound_movies::soundMovie(3, 10.0, true, 6));
    std::string out = ::testing::TempDir() + "/nelly.wav";
    EXPECT_EQ(run({"sound", movie}).code, 2);
    EXPECT_EQ(run({"sound", movie, "-o", out, "--seconds", "0"}).code, 2);
    EXPECT_EQ(run({"sound", "/nonexistent/x.swf", "-o", out}).code, 1);
    EXPECT_EQ(run({"sound", movie, "-o", "/nonexistent/dir/x.wav"}).code, 1);
    auto r = run({"sound", movie, "-o", out});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.io.err.find("could not be decoded"), std::string::npos) << r.io.err;
}

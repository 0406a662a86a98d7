// `flashsaver trace`: frames run, output lines, the quit command, and wrong usage.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bytecode_builder.h"
#include "cli/cli.h"
#include "core/file_io.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

std::string writeMovie(const std::string& name, const swf::MovieWriter& w) {
    std::string path = ::testing::TempDir() + "/" + name;
    EXPECT_TRUE(core::writeFile(path, w.finish()).ok());
    return path;
}

// Three frames tracing "frame N"; frame 2 also says "quit" when `quit` is set.
std::string threeFrames(bool quit) {
    swf::MovieWriter w(7);
    for (int f = 1; f <= 3; ++f) {
        Asm a;
        a.traceStr("frame " + std::to_string(f));
        if (quit && f == 2) a.action(Op::GetUrl, {'F', 'S', 'C', 'o', 'm', 'm', 'a', 'n', 'd', ':', 'q', 'u', 'i', 't', 0, 0});
        w.add(swf::DoAction{a.bytes});
        w.showFrame();
    }
    return writeMovie(quit ? "quit.swf" : "frames.swf", w);
}

struct Case {
    const char* name;
    std::vector<std::string> args;  // after "trace"; "@" stands for the movie
    bool quit;
    int code;
    const char* out;
};

TEST(TraceCommand, RunsFramesAndReportsUsage) {
    const Case cases[] = {
        {"the movie's own frames", {"@"}, false, cli::kExitOk, "frame 1\nframe 2\nframe 3\n"},
        {"fewer frames", {"@", "--frames", "2"}, false, cli::kExitOk, "frame 1\nframe 2\n"},
        {"the timeline loops", {"@", "--frames", "5"}, false, cli::kExitOk, "frame 1\nframe 2\nframe 3\nframe 1\nframe 2\n"},
        {"quit ends the run", {"@", "--frames", "3"}, true, cli::kExitOk, "frame 1\nframe 2\n"},
        {"no movie", {}, false, cli::kExitUsage, ""},
        {"bad frame count", {"@", "--frames", "0"}, false, cli::kExitUsage, ""},
        {"frames without a number", {"@", "--frames"}, false, cli::kExitUsage, ""},
        {"unknown option", {"@", "--fast"}, false, cli::kExitUsage, ""},
        {"missing file", {"/nonexistent/movie.swf"}, false, cli::kExitBadInput, ""},
    };
    for (const Case& c : cases) {
        std::string movie = threeFrames(c.quit);
        std::vector<std::string> args{"trace"};
        for (const std::string& a : c.args) args.push_back(a == "@" ? movie : a);
        std::vector<std::string_view> views(args.begin(), args.end());
        cli::Output io;
        EXPECT_EQ(cli::run(views, io), c.code) << c.name;
        EXPECT_EQ(io.out, c.out) << c.name;
        if (c.code != cli::kExitOk) {
            EXPECT_FALSE(io.err.empty()) << c.name;
        }
    }
}

TEST(TraceCommand, ReportsStoppedScripts) {
    swf::MovieWriter w(7);
    Asm loop;
    std::size_t top = loop.here();
    loop.patch(loop.branch(Op::Jump), top);
    w.add(swf::DoAction{loop.bytes});
    w.showFrame();
    std::string movie = writeMovie("spin.swf", w);
    std::vector<std::string_view> args{"trace", movie};
    cli::Output io;
    EXPECT_EQ(cli::run(args, io), cli::kExitOk);
    EXPECT_NE(io.err.find("stopped"), std::string::npos);
}

}  // namespace

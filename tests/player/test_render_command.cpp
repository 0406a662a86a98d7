// `flashsaver render` and the demo movie: usage errors, bad movies, the written picture, and
// the demo kept in the tree matching what the generator writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "cli/cli.h"
#include "cli/demo/demo_movie.h"
#include "player/frame_renderer.h"
#include "player/player.h"
#include "render/png_reader.h"

namespace {

int runCli(std::vector<std::string> args, cli::Output& io) {
    std::vector<std::string_view> views(args.begin(), args.end());
    return cli::run(views, io);
}

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "/vfs_render_" + name;
}

std::string writeDemo() {
    const std::string path = tempPath("demo.swf");
    const swf::Bytes bytes = demo::buildDemoMovie();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(RenderCommand, RejectsWrongUsage) {
    const std::string movie = writeDemo();
    const std::vector<std::vector<std::string>> rows = {
        {"render"},
        {"render", movie},
        {"render", "-o", "x.png"},
        {"render", movie, "-o", "x.png", "--frame", "0"},
        {"render", movie, "-o", "x.png", "--frame", "two"},
        {"render", movie, "-o", "x.png", "--size", "100"},
        {"render", movie, "-o", "x.png", "--size", "0x10"},
        {"render", movie, "-o", "x.png", "--size", "99999x10"},
        {"render", movie, "-o", "x.png", "--quality", "best"},
        {"render", movie, "-o", "x.png", "--bogus"},
        {"render", movie, movie, "-o", "x.png"},
        {"render", movie, "-o"},
    };
    for (const auto& args : rows) {
        cli::Output io;
        EXPECT_EQ(runCli(args, io), cli::kExitUsage) << args.back();
        EXPECT_FALSE(io.err.empty());
    }
}

TEST(RenderCommand, ReportsBadInputsAndFailedWrites) {
    const std::string broken = tempPath("broken.swf");
    std::ofstream(broken) << "not a movie";
    struct Row {
        std::string movie, out;
    };
    const Row rows[] = {
        {tempPath("missing.swf"), tempPath("a.png")},
        {broken, tempPath("b.png")},
        {writeDemo(), tempPath("no/such/dir/c.png")},
    };
    for (const Row& r : rows) {
        cli::Output io;
        EXPECT_EQ(runCli({"render", r.movie, "-o", r.out}, io), cli::kExitBadInput) << r.movie;
        EXPECT_NE(io.err.find(':'), std::string::npos);
    }
}

TEST(RenderCommand, WritesThePictureAtTheAskedSize) {
    const std::string movie = writeDemo();
    struct Row {
        std::vector<std::string> extra;
        int w, h;
    };
    const Row rows[] = {
        {{}, 550, 400},
        {{"--size", "275x300", "--quality", "low"}, 275, 300},
        {{"--frame", "30", "--size", "64X64"}, 64, 64},
    };
    for (const Row& r : rows) {
        const std::string out = tempPath("out.png");
        std::remove(out.c_str());
        std::vector<std::string> args = {"render", movie, "-o", out};
        args.insert(args.end(), r.extra.begin(), r.extra.end());
        cli::Output io;
        ASSERT_EQ(runCli(args, io), cli::kExitOk) << io.err;
        auto png = render::readPng(out);
        ASSERT_TRUE(png.ok());
        EXPECT_EQ(png->width, r.w);
        EXPECT_EQ(png->height, r.h);
    }
}

TEST(DemoMovie, TheCopyInTheTreeMatchesTheGenerator) {
    std::ifstream f(std::string(VFS_SOURCE_DIR) + "/cli/demo/demo.swf", std::ios::binary);
    ASSERT_TRUE(f.good());
    const std::vector<std::uint8_t> kept((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, demo::buildDemoMovie()) << "regenerate cli/demo/demo.swf with make_demo_movie";
}

TEST(DemoMovie, PlaysWithoutProblemsAndChangesEveryFrame) {
    auto loaded = player::Player::loadBytes(demo::buildDemoMovie());
    ASSERT_TRUE(loaded.ok());
    player::Player& p = **loaded;
    EXPECT_TRUE(p.problems().empty());
    EXPECT_EQ(p.frameCount(), 72);
    player::FrameRenderer r(p.library());
    std::vector<render::Pixel> previous;
    for (int f = 1; f <= 80; ++f) {
        p.advance();
        const render::Pixmap pic = player::renderPlayerFrame(p, r, 110, 80);
        EXPECT_NE(pic.pixels(), previous) << "frame " << f;
        EXPECT_GE(r.report().itemsDrawn, 8u);
        EXPECT_TRUE(r.report().missingCharacters.empty());
        previous = pic.pixels();
    }
}

}  // namespace

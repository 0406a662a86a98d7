// Loading files into clips: MovieClipLoader's events and their frames, refusal of paths that
// leave the movie's folder (the embedding's loader is never asked for them), loadMovie and
// unloadMovie through the GetURL2 load flag.
#include <gtest/gtest.h>

#include <map>

#include "../player/movie_builder.h"
#include "bytecode_builder.h"
#include "load_run.h"
#include "player/player.h"
#include "player/script_host.h"
#include "render/image.h"
#include "render/png_writer.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

std::vector<std::uint8_t> tinyPng() {
    render::RgbaImage img;
    img.width = 3;
    img.height = 2;
    img.rgba.assign(3 * 2 * 4, 0xFF);
    auto png = render::encodePng(img);
    EXPECT_TRUE(png.ok());
    return png ? png.value() : std::vector<std::uint8_t>{};
}

using avm1test::LoadRun;

// l[event] = function (t, a) { trace(event + " " + t._name [+ " " + a]) }
Asm listenerFor(const std::string& event, bool withArg) {
    Asm body;
    body.str(event + " ").getVar("t").str("_name").op(Op::GetMember).op(Op::Add2);
    if (withArg) body.str(" ").op(Op::Add2).getVar("a").op(Op::Add2);
    body.trace();
    Asm a;
    a.getVar("l").str(event).defineFunction("", {"t", "a"}, body).op(Op::SetMember);
    return a;
}

// Frame 1: a clip "c", a loader with a listener for every event, loadClip(url, c). `box`
// places shape 1 (dark red) on the stage as well.
swf::MovieWriter loaderMovie(const std::string& url, bool box = false) {
    Asm a;
    a.num(1).str("c").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.str("mcl").num(0).str("MovieClipLoader").op(Op::NewObject).op(Op::SetVariable);
    a.str("l").num(0).str("Object").op(Op::NewObject).op(Op::SetVariable);
    a.append(listenerFor("onLoadStart", false));
    a.append(listenerFor("onLoadProgress", true));
    a.append(listenerFor("onLoadComplete", false));
    a.append(listenerFor("onLoadError", true));
    Asm init;  // onLoadInit traces the picture's size as the clip's
    init.str("onLoadInit ").getVar("t").str("_width").op(Op::GetMember).op(Op::Add2).str("x").op(Op::Add2)
        .getVar("t").str("_height").op(Op::GetMember).op(Op::Add2).trace();
    a.getVar("l").str("onLoadInit").defineFunction("", {"t"}, init).op(Op::SetMember);
    a.getVar("l").num(1).getVar("mcl").str("addListener").op(Op::CallMethod).op(Op::Pop);
    a.getVar("c").str(url).num(2).getVar("mcl").str("loadClip").op(Op::CallMethod).trace();
    swf::MovieWriter w(8);
    if (box) w.add(testmovie::box(1)).add(testmovie::place(1, 1));
    w.add(swf::DoAction{a.bytes});
    w.showFrame().showFrame().showFrame();
    return w;
}

TEST(MovieClipLoader, EventsComeOnTheFramesAfterTheRequest) {
    LoadRun r;
    r.files["pics/p.png"] = tinyPng();
    const std::string size = std::to_string(r.files["pics/p.png"].size());
    r.load(loaderMovie("pics/p.png"));
    r.frames(3);
    EXPECT_EQ(r.out, "true\n|\nonLoadStart c\nonLoadProgress c " + size + "\nonLoadComplete c\n|\n"
                     "onLoadInit 3x2\n|\n");
    EXPECT_EQ(r.asked, std::vector<std::string>{"pics/p.png"});
}

TEST(MovieClipLoader, ALoadedMoviePlaysInTheTargetWithItsOwnCharacters) {
    // The loaded movie defines its own shape 1 (green), places it and names the clip it runs in.
    swf::DefineShape green = testmovie::box(1);
    green.shape.styles.fills[0].color = {0, 200, 0, 255};
    Asm script;
    script.str("loaded in ").getVar("this").str("_name").op(Op::GetMember).op(Op::Add2).trace();
    swf::MovieWriter b(8, 100, 100, 60);
    b.add(green).add(testmovie::place(1, 1)).add(swf::DoAction{script.bytes}).showFrame();
    LoadRun r;
    r.files["b.swf"] = b.finish();
    const std::string size = std::to_string(r.files["b.swf"].size());
    r.load(loaderMovie("b.swf", true));
    r.frames(3);
    // Its first frame's actions run on the frame after onLoadComplete, then onLoadInit.
    EXPECT_EQ(r.out, "true\n|\nonLoadStart c\nonLoadProgress c " + size + "\nonLoadComplete c\n|\n"
                     "loaded in c\nonLoadInit 10x10\n|\n");
    // Both shapes 1 are drawn, each from its own movie.
    std::vector<std::uint8_t> greens;
    for (const player::DrawItem& item : r.player->drawList().items) {
        const player::Character* c = r.player->library().find(item.characterId);
        ASSERT_NE(c, nullptr);
        if (c->kind == player::CharacterKind::Shape)
            greens.push_back(std::get<const swf::DefineShape*>(c->def)->shape.styles.fills[0].color.g);
    }
    EXPECT_EQ(greens, (std::vector<std::uint8_t>{0, 200}));
}

TEST(MovieClipLoader, FailedLoadsFireOnlyOnLoadError) {
    struct Case {
        const char* url;
        bool asked;  // whether the embedding's loader may see it
    };
    const Case cases[] = {
        {"missing.png", true}, {"not_a_picture.txt", true},
        {"../p.png", false}, {"pics/../../p.png", false}, {"/etc/p.png", false}, {"C:/p.png", false},
        {"C:p.png", false}, {"\\\\server\\share\\p.png", false}, {"http://example.com/p.png", false},
        {"file:///p.png", false}, {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        LoadRun r;
        r.files["not_a_picture.txt"] = {'h', 'e', 'l', 'l', 'o'};
        r.load(loaderMovie(c.url));
        r.frames(3);
        EXPECT_EQ(r.out, "true\n|\nonLoadError c URLNotFound\n|\n|\n");
        EXPECT_EQ(r.asked.size(), c.asked ? 1u : 0u);
    }
}

TEST(MovieClipLoader, NothingLoadsWithoutALoader) {
    LoadRun r;
    r.load(loaderMovie("p.png"), false);
    r.frames(2);
    EXPECT_EQ(r.out, "true\n|\nonLoadError c URLNotFound\n|\n");
}

TEST(LoadMovie, GetUrl2LoadFlagLoadsIntoTheTargetAndAnEmptyUrlUnloads) {
    // Frame 1 makes "c" and loads into it; the picture arrives after frame 2's scripts. Frame 3
    // reports and unloads; frame 4 reports.
    Asm f1;
    f1.num(1).str("c").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    f1.str("p.png").str("c").action(Op::GetUrl2, {0x40});
    Asm report;
    report.getVar("c").str("_width").op(Op::GetMember).trace();
    Asm f3 = report;
    f3.str("").str("c").action(Op::GetUrl2, {0x40});
    swf::MovieWriter w(8);
    w.add(swf::DoAction{f1.bytes}).add(swf::DoAction{report.bytes}).showFrame();
    w.add(swf::DoAction{report.bytes}).showFrame();
    w.add(swf::DoAction{f3.bytes}).showFrame();
    w.add(swf::DoAction{report.bytes}).showFrame();
    LoadRun r;
    r.files["p.png"] = tinyPng();
    r.load(w);
    r.frames(4);
    EXPECT_EQ(r.out, "0\n|\n0\n|\n3\n|\n0\n|\n");
}

TEST(LoadMovie, LoadingTheSameFileAgainAddsNothingToTheLibrary) {
    // Frames 1-4 load b.swf, p.png, b.swf, p.png into "c" (each arrives a frame later).
    auto loadInto = [](const std::string& url) {
        Asm a;
        a.str(url).str("c").action(Op::GetUrl2, {0x40});
        return swf::DoAction{a.bytes};
    };
    Asm f1;
    f1.num(1).str("c").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    swf::MovieWriter b(8);
    b.add(testmovie::box(1)).add(testmovie::place(1, 1)).showFrame();
    swf::MovieWriter w(8);
    w.add(swf::DoAction{f1.bytes}).add(loadInto("b.swf")).showFrame();
    w.add(loadInto("p.png")).showFrame();
    w.add(loadInto("b.swf")).showFrame();
    w.add(loadInto("p.png")).showFrame().showFrame();
    LoadRun r;
    r.files["p.png"] = tinyPng();
    r.files["b.swf"] = b.finish();
    r.load(w);
    r.frames(3);
    EXPECT_EQ(r.player->library().size(), 2u);  // the loaded movie's shape and the picture
    r.frames(2);
    EXPECT_EQ(r.player->library().size(), 2u);
    EXPECT_EQ(r.asked.size(), 4u);
}

TEST(LocalPaths, OnlyPlainRelativePathsAreSafe) {
    const std::pair<const char*, bool> cases[] = {
        {"a.png", true}, {"sub/a.png", true}, {"sub\\a.png", true}, {"./a.png", true}, {"a..b.png", true},
        {"", false}, {"..", false}, {"a/../b.png", false}, {"a\\..\\b.png", false}, {"/a.png", false},
        {"\\a.png", false}, {"C:a.png", false}, {"http://h/a.png", false}, {"a/", false},
        {"a.png.", false}, {"a.png ", false}, {"a\nb.png", false}, {"a?.png", false},
    };
    for (const auto& [path, safe] : cases) EXPECT_EQ(player::ScriptHost::isSafeLocalPath(path), safe) << path;
}

}  // namespace

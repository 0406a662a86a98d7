// Levels: movies loaded above the main one (loadMovieNum, "_levelN" targets), their own
// timelines, _root and paths, drawing order, unloading, and the settings a loaded movie keeps
// (its SWF version, its JPEG tables).
#include <gtest/gtest.h>

#include <map>

#include "../player/movie_builder.h"
#include "bytecode_builder.h"
#include "load_run.h"
#include "player/library.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

// A loading player that also reports the boxes it draws.
struct LevelRun : avm1test::LoadRun {
    // The green component of every shape drawn, in drawing order (each test movie colours its
    // box differently).
    std::vector<int> greens() const {
        std::vector<int> g;
        for (const player::DrawItem& item : player->drawList().items) {
            const player::Character* c = player->library().find(item.characterId);
            if (c && c->kind == player::CharacterKind::Shape)
                g.push_back(std::get<const swf::DefineShape*>(c->def)->shape.styles.fills[0].color.g);
        }
        return g;
    }
};

Asm loadMovieNum(const std::string& url, int level) {
    Asm a;
    a.str(url).str("_level" + std::to_string(level)).action(Op::GetUrl2, {0});
    return a;
}

// A one-frame movie of `version` showing a box whose fill has green `g`, with `script`.
swf::MovieWriter boxMovie(unsigned version, std::uint8_t g, const Asm& script, int widthPx = 550) {
    swf::DefineShape shape = testmovie::box(1);
    shape.shape.styles.fills[0].color = {0, g, 0, 255};
    swf::MovieWriter w(version, widthPx, 400);
    w.add(shape).add(testmovie::place(1, 1));
    if (!script.bytes.empty()) w.add(swf::DoAction{script.bytes});
    w.showFrame();
    return w;
}

TEST(Levels, ALevelPlaysAboveTheMainMovieWithItsOwnRootUntilUnloaded) {
    // Level 1: sets x, makes a clip k with k.v = 5 and reports its paths.
    Asm child;
    child.str("x").str("child").op(Op::SetVariable);
    child.num(1).str("k").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    child.getVar("k").str("v").num(5).op(Op::SetMember);
    child.getVar("_root").str("_target").op(Op::GetMember).trace();
    child.getVar("k").str("_target").op(Op::GetMember).trace();
    child.getVar("k").trace();
    child.getVar("_root").getVar("this").op(Op::StrictEquals).trace();
    child.getVar("_level0").str("_target").op(Op::GetMember).trace();
    // The main movie asks for level 1 on frame 1; it arrives at the end of frame 2 and plays
    // its first frame on frame 3, before the main movie's (the newer timeline goes first).
    // Frame 4 reads it and unloads it.
    Asm report;
    report.getVar("_level1").str("x").op(Op::GetMember).trace();
    report.getVar("_level1/k:v").trace();
    report.getVar("_level1.k.v").trace();
    Asm f4 = report;
    f4.str("").str("_level1").action(Op::GetUrl2, {0});
    f4.getVar("_level1").op(Op::TypeOf).trace();
    swf::MovieWriter w = boxMovie(7, 0, loadMovieNum("child.swf", 1));
    w.add(swf::DoAction{report.bytes}).showFrame();
    w.add(swf::DoAction{report.bytes}).showFrame();
    w.add(swf::DoAction{f4.bytes}).showFrame().showFrame().showFrame();
    LevelRun r;
    r.files["child.swf"] = boxMovie(7, 200, child).finish();
    r.load(w);
    r.frames(2);
    EXPECT_EQ(r.greens(), std::vector<int>{0});
    r.frames(1);
    EXPECT_EQ(r.greens(), (std::vector<int>{0, 200}));  // level 1 over level 0
    r.frames(2);
    EXPECT_EQ(r.greens(), std::vector<int>{0});
    EXPECT_EQ(r.out,
              "|\n"
              "undefined\nundefined\nundefined\n|\n"
              "_level1\n_level1/k\n_level1.k\ntrue\n/\nchild\n5\n5\n|\n"
              "child\n5\n5\nundefined\n|\n|\n");
    EXPECT_EQ(r.asked, std::vector<std::string>{"child.swf"});
}

TEST(Levels, ALevelCanUnloadItselfOrEverythingFromItsOwnScript) {
    // Level 1's first frame unloads (itself, or level 0 and so every level), then goes on using
    // its timeline: the clip it runs on stays usable until the frame ends.
    for (int target : {1, 0}) {
        SCOPED_TRACE(target);
        Asm child;
        child.str("").str("_level" + std::to_string(target)).action(Op::GetUrl2, {0});
        child.getVar("_level1").op(Op::TypeOf).trace();
        child.num(1).str("z").num(2).getVar("this").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
        child.getVar("z").op(Op::TypeOf).trace();
        swf::MovieWriter w = boxMovie(7, 0, loadMovieNum("c.swf", 1));
        w.showFrame().showFrame().showFrame();
        LevelRun r;
        r.files["c.swf"] = boxMovie(7, 200, child).finish();
        r.load(w);
        r.frames(4);
        EXPECT_EQ(r.out, "|\n|\nundefined\nmovieclip\n|\n|\n");
        EXPECT_EQ(r.greens(), target == 0 ? std::vector<int>{} : std::vector<int>{0});
    }
}

TEST(Levels, EveryWayOfNamingALevelLoadsThere) {
    struct Case {
        const char* name;
        Asm request;
        const char* url;
        int level;
        bool asked;
    };
    Asm getUrl, load40, unsafe, notALevel;
    getUrl.action(Op::GetUrl, {'c', '.', 's', 'w', 'f', 0, '_', 'l', 'e', 'v', 'e', 'l', '2', 0});
    load40.str("c.swf").str("_LEVEL3").action(Op::GetUrl2, {0x40});
    unsafe.append(loadMovieNum("../c.swf", 1));
    notALevel.str("c.swf").str("_level1x").action(Op::GetUrl2, {0});  // a window name: nothing
    const Case cases[] = {
        {"loadMovieNum", loadMovieNum("c.swf", 7), "c.swf", 7, true},
        {"getURL", getUrl, "c.swf", 2, true},
        {"loadMovie into _LEVEL3", load40, "c.swf", 3, true},
        {"outside the folder", unsafe, "../c.swf", -1, false},
        {"not a level", notALevel, "c.swf", -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Asm probe;  // frame 3: which levels exist
        for (int n : {1, 2, 3, 7}) probe.getVar("_level" + std::to_string(n)).op(Op::TypeOf).trace();
        swf::MovieWriter w(7);
        w.add(swf::DoAction{c.request.bytes}).showFrame().showFrame();
        w.add(swf::DoAction{probe.bytes}).showFrame().showFrame();
        LevelRun r;
        r.files[c.url] = boxMovie(7, 200, Asm{}).finish();
        r.load(w);
        r.frames(3);
        std::string expected = "|\n|\n";
        for (int n : {1, 2, 3, 7}) expected += n == c.level ? "movieclip\n" : "undefined\n";
        EXPECT_EQ(r.out, expected + "|\n");
        EXPECT_EQ(r.asked.size(), c.asked ? 1u : 0u);
    }
}

TEST(Levels, MovieClipLoaderLoadsIntoLevels) {
    struct Case {
        const char* name;
        Asm where;
        const char* url;
        std::string out;
    };
    Asm two, four, missing, unloadTwo;
    two.num(2);
    four.str("_level4");
    missing.num(3);
    const Case cases[] = {
        {"number", two, "c.swf", "true\n|\nstart _level2\ncomplete _level2\n|\ninit _level2\n|\n"},
        {"name", four, "c.swf", "true\n|\nstart _level4\ncomplete _level4\n|\ninit _level4\n|\n"},
        {"missing file", missing, "none.swf", "true\n|\nerror undefined\n|\n|\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // l.onLoadX = function (t) { trace("x " + t); } for start, complete, init and error.
        Asm a;
        a.str("mcl").num(0).str("MovieClipLoader").op(Op::NewObject).op(Op::SetVariable);
        a.str("l").num(0).str("Object").op(Op::NewObject).op(Op::SetVariable);
        for (const char* e : {"Start", "Complete", "Init", "Error"}) {
            std::string word = e;
            word[0] = static_cast<char>(word[0] - 'A' + 'a');
            a.getVar("l").str(std::string("onLoad") + e)
                .defineFunction("", {"t"}, Asm().str(word + " ").getVar("t").op(Op::Add2).trace())
                .op(Op::SetMember);
        }
        a.getVar("l").num(1).getVar("mcl").str("addListener").op(Op::CallMethod).op(Op::Pop);
        a.append(c.where).str(c.url).num(2).getVar("mcl").str("loadClip").op(Op::CallMethod).trace();
        Asm unload;  // frame 4: unloadClip(2) takes level 2 away
        unload.num(2).num(1).getVar("mcl").str("unloadClip").op(Op::CallMethod).op(Op::Pop);
        swf::MovieWriter w = boxMovie(7, 0, a);
        w.showFrame().showFrame();
        w.add(swf::DoAction{unload.bytes}).showFrame().showFrame();
        LevelRun r;
        r.files["c.swf"] = boxMovie(7, 200, Asm{}).finish();
        r.load(w);
        r.frames(3);
        EXPECT_EQ(r.out, c.out);
        r.frames(1);
        EXPECT_EQ(r.greens(), std::string(c.name) == "name" ? (std::vector<int>{0, 200}) : std::vector<int>{0});
    }
}

TEST(Levels, ALoadedMovieKeepsItsOwnVersionRules) {
    // The same script in a version 5 and a version 7 movie, both loaded into a version 7 one:
    // names ignore case up to version 6, and undefined reads as "" there.
    Asm script;
    script.str("myVar").str("set").op(Op::SetVariable);
    script.getVar("MYVAR").trace();
    script.undef().str("+").op(Op::Add2).trace();
    Asm probe;  // the main movie's own code stays case-sensitive
    probe.getVar("_level1").str("MYVAR").op(Op::GetMember).trace();
    probe.getVar("_level1").str("myVar").op(Op::GetMember).trace();
    swf::MovieWriter w = boxMovie(7, 0, loadMovieNum("v5.swf", 1).append(loadMovieNum("v7.swf", 2)));
    w.showFrame().showFrame();  // the levels play their first frame on frame 3, newest first
    w.add(swf::DoAction{probe.bytes}).showFrame().showFrame();
    LevelRun r;
    r.files["v5.swf"] = boxMovie(5, 100, script).finish();
    r.files["v7.swf"] = boxMovie(7, 200, script).finish();
    r.load(w);
    r.frames(4);
    EXPECT_EQ(r.out, "|\n|\nundefined\nundefined+\nset\n+\n|\nundefined\nset\n|\n");
}

TEST(Levels, LevelZeroReplacesTheMainMovieAndTakesEveryLevel) {
    struct Case {
        const char* name;
        Asm request;  // frame 4
        std::vector<int> drawn;
        std::string out;
    };
    Asm unload0;
    unload0.str("").str("_level0").action(Op::GetUrl2, {0});
    Asm report;  // the new main movie's first frame (on frame 6)
    report.getVar("_root").str("_target").op(Op::GetMember).trace();
    report.getVar("_level1").op(Op::TypeOf).trace();
    const Case cases[] = {
        {"load", loadMovieNum("b.swf", 0), {150}, "|\n|\n|\n|\n|\n/\nundefined\n|\n"},
        {"unload", unload0, {}, "|\n|\n|\n|\n|\n|\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        swf::MovieWriter w = boxMovie(7, 0, loadMovieNum("a.swf", 1));
        w.showFrame().showFrame();
        w.add(swf::DoAction{c.request.bytes}).showFrame().showFrame().showFrame().showFrame();
        LevelRun r;
        r.files["a.swf"] = boxMovie(7, 200, Asm{}).finish();
        r.files["b.swf"] = boxMovie(7, 150, report, 100).finish();
        r.load(w);
        r.frames(3);
        EXPECT_EQ(r.greens(), (std::vector<int>{0, 200}));
        r.frames(3);
        EXPECT_EQ(r.greens(), c.drawn);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.player->stageWidth(), 550);  // the stage stays as the first movie set it
        EXPECT_EQ(r.player->scripts()->level(1), 0u);
    }
}

// A movie with sprite 1 exported as `symbol`, whose init action registers a class for it that
// traces "<symbol> made <name>"; the main timeline's frame 2 places the sprite as "k".
swf::MovieWriter classMovie(const std::string& symbol) {
    swf::DefineSprite sprite;
    sprite.id = 1;
    sprite.frameCount = 1;
    sprite.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    sprite.tags.push_back(swf::makeTag(swf::End{}));
    Asm init;
    init.defineFunction("K", {}, Asm().str(symbol + " made ").getVar("this").str("_name").op(Op::GetMember)
                                     .op(Op::Add2).trace());
    init.getVar("K").str(symbol).num(2).getVar("Object").str("registerClass").op(Op::CallMethod).op(Op::Pop);
    swf::MovieWriter w(7);
    w.add(sprite).add(swf::ExportAssets{{swf::AssetRef{1, symbol}}}).add(swf::DoInitAction{1, init.bytes});
    return w;
}

TEST(Levels, ALoadedMovieRegistersClassesForItsOwnSymbols) {
    // Both movies number their sprite 1 and run init actions for it: each one's run, and each
    // placed clip gets its own movie's class.
    swf::PlaceObject k = testmovie::place(1, 1);
    k.name = "k";
    swf::MovieWriter w = classMovie("mainThing");
    w.add(swf::DoAction{loadMovieNum("b.swf", 1).bytes}).showFrame();
    w.add(k).showFrame().showFrame().showFrame().showFrame();
    swf::MovieWriter b = classMovie("loadedThing");
    b.showFrame().add(k).showFrame();
    LevelRun r;
    r.files["b.swf"] = b.finish();
    r.load(w);
    r.frames(4);
    EXPECT_EQ(r.out, "|\nmainThing made k\n|\n|\nloadedThing made k\n|\n");
}

TEST(Levels, ALevelAttachesItsOwnSymbolOfAName) {
    // Both movies export a sprite "thing" that traces which movie it is from; the level
    // attaches "thing".
    auto movie = [](const std::string& from, const Asm& script) {
        swf::DefineSprite sprite;
        sprite.id = 1;
        sprite.frameCount = 1;
        sprite.tags.push_back(swf::makeTag(swf::DoAction{Asm().traceStr(from).bytes}));
        sprite.tags.push_back(swf::makeTag(swf::ShowFrame{}));
        sprite.tags.push_back(swf::makeTag(swf::End{}));
        swf::MovieWriter w(7);
        w.add(sprite).add(swf::ExportAssets{{swf::AssetRef{1, "thing"}}}).add(swf::DoAction{script.bytes});
        return w;
    };
    Asm attach;
    attach.str("a").num(1).str("a").str("thing").num(3).getVar("this").str("attachMovie").op(Op::CallMethod)
        .op(Op::SetVariable);
    attach.getVar("a").trace();
    swf::MovieWriter w = movie("main", loadMovieNum("b.swf", 1));
    w.showFrame().showFrame().showFrame().showFrame();
    swf::MovieWriter b = movie("loaded", attach);
    b.showFrame();
    LevelRun r;
    r.files["b.swf"] = b.finish();
    r.load(w);
    r.frames(3);
    EXPECT_EQ(r.out, "|\n|\n_level1.a\nloaded\n|\n");
}

TEST(Levels, LoadedMoviesKeepTheirOwnJpegTables) {
    // The main movie and two loaded ones, each with bitmap 1; the first loaded one has its own
    // tables, the second none.
    auto movie = [](std::uint8_t tableByte, bool tables) {
        auto m = std::make_unique<swf::Movie>();
        swf::Tag t;
        if (tables) {
            t.code = 8;
            t.body = swf::JpegTables{{tableByte}};
            m->tags.push_back(t);
        }
        swf::DefineBitsJpeg bits;
        bits.id = 1;
        bits.version = 1;
        t.code = 6;
        t.body = bits;
        m->tags.push_back(t);
        return m;
    };
    auto main = movie(0xA0, true);
    player::Library lib;
    lib.build(*main);
    std::uint16_t next = 100;
    auto renumbered = [&](std::unique_ptr<swf::Movie> m) {
        for (swf::Tag& t : m->tags)
            if (auto* b = std::get_if<swf::DefineBitsJpeg>(&t.body)) b->id = next++;
        return m;
    };
    lib.addLoadedMovie(renumbered(movie(0xB0, true)));
    lib.addLoadedMovie(renumbered(movie(0, false)));
    auto tableByte = [&](std::uint16_t id) -> int {
        const swf::JpegTables* t = lib.jpegTablesFor(id);
        return t && !t->data.empty() ? t->data[0] : -1;
    };
    EXPECT_EQ(tableByte(1), 0xA0);
    EXPECT_EQ(tableByte(100), 0xB0);
    EXPECT_EQ(tableByte(101), -1);
    EXPECT_EQ(tableByte(1), 0xA0);  // still the main movie's after the loads
}

}  // namespace

// Scripts in the player: unload events of removed clips, enterFrame after the timelines move,
// text fields made by scripts (on stage, drawn from their own definition) and fields bound to
// variables.
#include <gtest/gtest.h>

#include "bytecode_builder.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

struct Movie {
    std::unique_ptr<player::Player> player;
    std::string out;
};

std::unique_ptr<Movie> load(const swf::MovieWriter& w) {
    auto m = std::make_unique<Movie>();
    auto loaded = player::Player::loadBytes(w.finish());
    EXPECT_TRUE(loaded.ok());
    if (!loaded) return m;
    m->player = std::move(loaded.value());
    Movie* raw = m.get();
    m->player->scripts()->setTraceSink([raw](std::string_view s) {
        raw->out.append(s);
        raw->out += '\n';
    });
    return m;
}

swf::DoAction code(const Asm& a) { return swf::DoAction{a.bytes}; }

Asm traced(const std::string& s) {
    Asm a;
    a.traceStr(s);
    return a;
}

// Sprite 1 holds sprite 2 ("child", with unload and enterFrame events) on its one frame.
void addNestedSprites(swf::MovieWriter& w) {
    swf::DefineSprite inner;
    inner.id = 2;
    inner.frameCount = 1;
    inner.tags = {swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(inner);
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 2;
    p.name = "child";
    p.clipActions = {swf::ClipAction{0x04, 0, traced("child unload").bytes},
                     swf::ClipAction{0x02, 0, traced("child enterFrame").bytes}};
    p.allEventFlags = 0x06;
    swf::DefineSprite outer;
    outer.id = 1;
    outer.frameCount = 1;
    outer.tags = {swf::makeTag(p), swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(outer);
}

TEST(Unload, RemovedClipsUnloadChildrenFirstAndGetNoEnterFrame) {
    swf::MovieWriter w(7);
    addNestedSprites(w);
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "clip";
    p.clipActions = {swf::ClipAction{0x04, 0, traced("clip unload").bytes}};
    p.allEventFlags = 0x04;
    w.add(p);
    Asm handler;  // clip.onUnload = function () { trace(this._name + " onUnload"); }
    Asm body;
    body.getVar("this").str("_name").op(Op::GetMember).str(" onUnload").op(Op::Add2).trace();
    handler.getVar("clip").str("onUnload").defineFunction("", {}, body).op(Op::SetMember);
    w.add(code(handler));
    w.showFrame();
    w.add(code(traced("frame 2")));
    w.showFrame();
    swf::RemoveObject r;
    r.version = 2;
    r.depth = 1;
    w.add(r);
    w.add(code(traced("frame 3")));
    w.showFrame();
    auto m = load(w);
    ASSERT_TRUE(m->player);
    m->player->advance();
    m->player->advance();
    EXPECT_EQ(m->out, "child enterFrame\nframe 2\n");
    m->out.clear();
    m->player->advance();
    // `this` is the object the clip leaves behind: its name is gone with it.
    EXPECT_EQ(m->out, "child unload\nclip unload\n onUnload\nframe 3\n");
}

TEST(TextFields, ScriptFieldsAreOnStageAndFollowTheirVariable) {
    swf::MovieWriter w(7);
    Asm a;
    // createTextField("tf", 1, 5, 6, 80, 20); tf.variable = "score"; score = 42; tf.border = true
    a.num(20).num(80).num(6).num(5).num(1).str("tf").num(6).getVar("_root").str("createTextField");
    a.op(Op::CallMethod).op(Op::Pop);
    a.getVar("tf").str("variable").str("score").op(Op::SetMember);
    a.setVar("score", 42);
    a.getVar("tf").str("border").boolean(true).op(Op::SetMember);
    a.getVar("tf").str("_width").op(Op::GetMember).trace();
    a.getVar("tf").str("_y").op(Op::GetMember).trace();
    w.add(code(a));
    w.showFrame();
    Asm b;
    b.getVar("tf").str("text").op(Op::GetMember).trace();
    b.setVar("score", 7);
    // A field found by depth is the same field.
    b.num(1).num(1).getVar("_root").str("getInstanceAtDepth").op(Op::CallMethod).str("text").op(Op::GetMember).trace();
    w.add(code(b));
    w.showFrame();
    Asm c;
    c.getVar("tf").str("text").op(Op::GetMember).trace();
    c.num(0).getVar("tf").str("removeTextField").op(Op::CallMethod).op(Op::Pop);
    c.getVar("tf").op(Op::TypeOf).trace();
    w.add(code(c));
    w.showFrame();
    auto m = load(w);
    ASSERT_TRUE(m->player);
    m->player->advance();
    const player::DisplayObject& field = m->player->root().displayList().at(avm1::kDepthBias + 1);
    ASSERT_TRUE(field.editText);
    EXPECT_EQ(field.kind, player::CharacterKind::EditText);
    EXPECT_EQ(field.editText->text(), "42");
    EXPECT_TRUE(field.editText->decor().border);
    EXPECT_EQ(field.editText->definition().bounds.xMax, 1600);
    bool drawn = false;
    for (const player::DrawItem& item : m->player->drawList().items) drawn = drawn || item.editText == field.editText.get();
    EXPECT_TRUE(drawn);
    m->player->advance();
    m->player->advance();
    EXPECT_EQ(m->out, "80\n6\n42\n42\n7\nundefined\n");
    EXPECT_FALSE(m->player->root().displayList().count(avm1::kDepthBias + 1));
}

Asm& getUrl(Asm& a, const std::string& url, const std::string& target) {
    std::vector<std::uint8_t> d(url.begin(), url.end());
    d.push_back(0);
    d.insert(d.end(), target.begin(), target.end());
    d.push_back(0);
    return a.action(Op::GetUrl, d);
}

TEST(GetUrl, OnlyWebAddressesReachTheOpenerAtMostOneASecond) {
    swf::MovieWriter w(7);
    Asm a;
    for (const char* bad : {"javascript:alert(1)", "file:///c:/windows/win.ini", "C:\\movie.swf", "http://",
                            "http://a b.example/", "http://x.example/\"q", "mailto:a@b.example"})
        getUrl(a, bad, "_blank");
    getUrl(a, "http://level.example/movie.swf", "_level1");  // loads into a level
    a.str("http://load.example/movie.swf").str("target").action(Op::GetUrl2, {0x40});  // loads into a clip
    getUrl(a, "HTTP://first.example/page", "_blank");
    getUrl(a, "https://second.example/", "_self");  // within a second of the first
    a.op(Op::Stop);
    w.add(code(a));
    w.showFrame();
    std::vector<std::string> opened;
    auto loadWith = [&](bool opener) {
        player::PlayerOptions options;
        if (opener) options.openUrl = [&opened](const std::string& u) { opened.push_back(u); };
        auto loaded = player::Player::loadBytes(w.finish(), options);
        EXPECT_TRUE(loaded.ok());
        if (loaded) (*loaded)->advance();
    };
    loadWith(true);
    EXPECT_EQ(opened, std::vector<std::string>{"HTTP://first.example/page"});
    opened.clear();
    loadWith(false);  // the saver and the preview: nothing opens
    EXPECT_TRUE(opened.empty());
}

}  // namespace

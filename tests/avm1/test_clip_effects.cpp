// Display effects from scripts: the flash.filters classes (defaults, arguments, clone), filters
// that pass through a clip as copies in the host's units, blendMode by name and number,
// cacheAsBitmap, opaqueBackground, scrollRect with flash.geom.Rectangle, and setMask.
#include <gtest/gtest.h>

#include <functional>
#include <numbers>

#include "bytecode_builder.h"
#include "fake_host.h"

namespace {

using avm1::Op;
using avm1test::Asm;
using Push = std::function<void(Asm&)>;

class EffectsHost : public avm1test::FakeHost {
public:
    std::map<avm1::ClipId, avm1::ClipEffects> fx;
    bool effects(avm1::ClipId c, avm1::ClipEffects& out) override {
        if (!clips.count(c)) return false;
        out = fx[c];
        return true;
    }
    void setEffects(avm1::ClipId c, const avm1::ClipEffects& e) override { fx[c] = e; }
};

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t dot; (dot = path.find('.', start)) != std::string::npos; start = dot + 1)
        parts.push_back(path.substr(start, dot - start));
    parts.push_back(path.substr(start));
    return parts;
}

// Pushes the value at a dotted path ("mc.filters.0.blurX").
void get(Asm& a, const std::string& path) {
    std::vector<std::string> parts = split(path);
    a.getVar(parts[0]);
    for (std::size_t i = 1; i < parts.size(); ++i) a.str(parts[i]).op(Op::GetMember);
}

void set(Asm& a, const std::string& path, const Push& value) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        a.str(path);
        value(a);
        a.op(Op::SetVariable);
        return;
    }
    get(a, path.substr(0, dot));
    a.str(path.substr(dot + 1));
    value(a);
    a.op(Op::SetMember);
}

void show(Asm& a, const std::string& path) {
    get(a, path);
    a.trace();
}

// new flash.<package>.<cls>(args...)
Push make(const std::string& package, const std::string& cls, std::vector<double> args = {}) {
    return [=](Asm& a) {
        for (auto it = args.rbegin(); it != args.rend(); ++it) a.num(*it);
        a.num(static_cast<double>(args.size()));
        get(a, "flash." + package);
        a.str(cls).op(Op::NewMethod);
    };
}

Push array(std::vector<Push> elements) {
    return [=](Asm& a) {
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) (*it)(a);
        a.num(static_cast<double>(elements.size())).op(Op::InitArray);
    };
}

Push number(double v) { return [=](Asm& a) { a.num(v); }; }
Push text(const std::string& s) { return [=](Asm& a) { a.str(s); }; }
Push path(const std::string& p) { return [=](Asm& a) { get(a, p); }; }

void showEqual(Asm& a, const std::string& x, const std::string& y) {
    get(a, x);
    get(a, y);
    a.op(Op::Equals2).trace();
}

struct Case {
    const char* name;
    std::function<void(Asm&)> build;
    const char* expected;
};

struct Movie {
    EffectsHost host;
    avm1::ClipId mc = 0, other = 0;
    std::string out;
};

void run(Movie& r, const Asm& code) {
    r.mc = r.host.add(1, "mc", 1);
    r.other = r.host.add(1, "other", 2);
    avm1::Vm vm(r.host, 8);
    EXPECT_EQ(vm.runActions(code.bytes, r.host.root()), avm1::RunStatus::Ok);
    r.out = r.host.output();
}

TEST(ClipEffects, FilterObjectsAndTheClipsFilters) {
    const std::vector<Case> cases = {
        {"glow defaults",
         [](Asm& a) {
             set(a, "f", make("filters", "GlowFilter"));
             for (const char* p : {"f.color", "f.alpha", "f.blurX", "f.strength", "f.quality", "f.inner"}) show(a, p);
         },
         "16711680\n1\n6\n2\n1\nfalse\n"},
        {"bevel and convolution defaults",
         [](Asm& a) {
             set(a, "b", make("filters", "BevelFilter"));
             set(a, "c", make("filters", "ConvolutionFilter"));
             set(a, "m", make("filters", "ColorMatrixFilter"));
             for (const char* p : {"b.highlightColor", "b.type", "c.divisor", "c.preserveAlpha", "c.alpha",
                                   "m.matrix.length", "m.matrix.18"})
                 show(a, p);
         },
         "16777215\ninner\n1\ntrue\n0\n20\n1\n"},
        {"the clip gives copies and keeps its own",
         [](Asm& a) {
             set(a, "f", make("filters", "DropShadowFilter", {10, 90, 0x00FF00, 1, 8, 8}));
             set(a, "mc.filters", array({path("f")}));
             set(a, "f.blurX", number(30));  // after the assignment: the clip keeps 8
             set(a, "mc.filters.0.blurY", number(50));  // a copy: the clip keeps 8
             for (const char* p : {"mc.filters.length", "mc.filters.0.distance", "mc.filters.0.angle",
                                   "mc.filters.0.color", "mc.filters.0.blurX", "mc.filters.0.blurY"})
                 show(a, p);
             showEqual(a, "mc.filters.0", "mc.filters.0");
         },
         "1\n10\n90\n65280\n8\n8\nfalse\n"},
        {"clone copies every property into a new object",
         [](Asm& a) {
             set(a, "f", make("filters", "GradientGlowFilter", {2, 30}));
             set(a, "f.colors", array({number(0xFF), number(0xFF00)}));
             set(a, "c", [](Asm& b) { b.num(0); get(b, "f"); b.str("clone").op(Op::CallMethod); });
             set(a, "f.distance", number(7));
             for (const char* p : {"c.distance", "c.angle", "c.colors.1", "c.type"}) show(a, p);
             showEqual(a, "c.colors", "f.colors");
         },
         "2\n30\n65280\ninner\nfalse\n"},
        {"entries that are no filter are left out",
         [](Asm& a) {
             set(a, "mc.filters", array({make("filters", "BlurFilter", {5, 7, 3}), number(5),
                                         make("geom", "Rectangle"), make("filters", "ColorMatrixFilter")}));
             for (const char* p : {"mc.filters.length", "mc.filters.0.blurY", "mc.filters.0.quality",
                                   "mc.filters.1.matrix.12"})
                 show(a, p);
             set(a, "mc.filters", number(3));
             show(a, "mc.filters.length");
         },
         "2\n7\n3\n1\n0\n"},
    };
    for (const Case& c : cases) {
        Asm a;
        c.build(a);
        Movie r;
        run(r, a);
        EXPECT_EQ(r.out, c.expected) << c.name;
    }
}

TEST(ClipEffects, FiltersReachTheHostInItsUnits) {
    Asm a;
    set(a, "c", make("filters", "ConvolutionFilter", {3, 2}));
    set(a, "c.matrix", array({number(1)}));
    set(a, "mc.filters", array({make("filters", "DropShadowFilter", {10, 90, 0x00FF00, 0.5, 300, 8, 2, 3}),
                                make("filters", "BevelFilter", {4, 45, 0xFFFFFF, 1, 0x0000FF, 1, 4, 4, 1, 1}),
                                path("c")}));
    set(a, "mc.filters.1.type", text("full"));  // a copy: changes nothing
    set(a, "d", make("filters", "DropShadowFilter", {1e300}));
    set(a, "d.angle", [](Asm& b) { b.num(0).num(0).op(Op::Divide); });  // NaN
    set(a, "other.filters", array({path("d")}));
    Movie r;
    run(r, a);
    const auto& f = r.host.fx[r.mc].filters;
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].kind, swf::Filter::Kind::DropShadow);
    EXPECT_NEAR(f[0].angle, std::numbers::pi / 2, 1e-12);
    EXPECT_EQ(f[0].color, (swf::Rgba{0, 255, 0, 128}));
    EXPECT_EQ(f[0].blurX, 255);  // clamped
    EXPECT_EQ(f[0].passes, 3u);
    EXPECT_TRUE(f[0].compositeSource);
    EXPECT_TRUE(f[1].inner);
    EXPECT_FALSE(f[1].onTop);
    EXPECT_EQ(f[1].color, (swf::Rgba{0, 0, 255, 255}));  // the shadow
    EXPECT_EQ(f[1].highlightColor, (swf::Rgba{255, 255, 255, 255}));
    // A 3 x 2 matrix given one weight is padded with zeros, so the renderer never reads past it.
    EXPECT_EQ(f[2].matrix, (std::vector<float>{1, 0, 0, 0, 0, 0}));
    // Values no file can hold are bounded before they reach the renderer.
    const auto& d = r.host.fx[r.other].filters;
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].distance, 32767);
    EXPECT_EQ(d[0].angle, 0);
}

TEST(ClipEffects, BlendModeBackgroundCacheScrollRectAndMask) {
    const std::vector<Case> cases = {
        {"blend mode by name and number",
         [](Asm& a) {
             show(a, "mc.blendMode");
             set(a, "mc.blendMode", text("multiply"));
             show(a, "mc.blendMode");
             set(a, "mc.blendMode", number(8));
             show(a, "mc.blendMode");
             set(a, "mc.blendMode", text("bogus"));
             set(a, "mc.blendMode", number(15));
             show(a, "mc.blendMode");
             set(a, "mc.blendMode", number(1));
             show(a, "mc.blendMode");
         },
         "normal\nmultiply\nadd\nadd\nnormal\n"},
        {"opaque background and cacheAsBitmap",
         [](Asm& a) {
             show(a, "mc.opaqueBackground");
             set(a, "mc.opaqueBackground", number(0x1123456));  // only the colour's 24 bits
             show(a, "mc.opaqueBackground");
             set(a, "mc.cacheAsBitmap", number(1));
             show(a, "mc.cacheAsBitmap");
             set(a, "mc.opaqueBackground", [](Asm& b) { b.null(); });
             show(a, "mc.opaqueBackground");
         },
         "undefined\n1193046\ntrue\nundefined\n"},
        {"scroll rectangle",
         [](Asm& a) {
             show(a, "mc.scrollRect");
             set(a, "r", make("geom", "Rectangle", {5, 6, 70, 80}));
             set(a, "mc.scrollRect", path("r"));
             set(a, "r.x", number(50));  // kept as a copy
             show(a, "mc.scrollRect");
             show(a, "mc.scrollRect.width");
             set(a, "mc.scrollRect", [](Asm& b) { b.undef(); });
             show(a, "mc.scrollRect");
         },
         "undefined\n(x=5, y=6, w=70, h=80)\n70\nundefined\n"},
    };
    for (const Case& c : cases) {
        Asm a;
        c.build(a);
        Movie r;
        run(r, a);
        EXPECT_EQ(r.out, c.expected) << c.name;
    }
}

TEST(ClipEffects, SetMaskNamesTheMaskingClip) {
    Asm a;
    a.getVar("other").num(1).getVar("mc").str("setMask").op(Op::CallMethod).trace();
    Movie r;
    run(r, a);
    EXPECT_EQ(r.out, "true\n");
    EXPECT_EQ(r.host.fx[r.mc].mask, r.other);
    Asm clear;
    clear.null().num(1).getVar("mc").str("setMask").op(Op::CallMethod).op(Op::Pop);
    avm1::Vm vm(r.host, 8);
    vm.runActions(clear.bytes, r.host.root());
    EXPECT_EQ(r.host.fx[r.mc].mask, 0u);
}

}  // namespace

// Gradient fills and gradient strokes drawn by script, through the renderer: the matrix forms
// (box object, flash.geom.Matrix built or made by createGradientBox), spread methods, and the
// calls that are ignored for bad arguments.
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../player/shape_builder.h"
#include "bytecode_builder.h"

namespace {

using avm1::Op;
using avm1test::Asm;

constexpr double kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0;

Asm& array(Asm& a, const std::vector<double>& v) {
    for (auto it = v.rbegin(); it != v.rend(); ++it) a.num(*it);
    return a.num(static_cast<double>(v.size())).op(Op::InitArray);
}

// {matrixType: "box", x: 0, y: 0, w: w, h: 100, r: 0}
Asm& box(Asm& a, double w) {
    a.str("matrixType").str("box").str("x").num(0).str("y").num(0).str("w").num(w).str("h").num(100);
    return a.str("r").num(0).num(6).op(Op::InitObject);
}

// new flash.geom.Matrix(args...) left on the stack.
Asm& geomMatrix(Asm& a, const std::vector<double>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) a.num(*it);
    a.num(static_cast<double>(args.size())).getVar("flash").str("geom").op(Op::GetMember);
    return a.str("Matrix").op(Op::NewMethod);
}

// d.<method>(type, [red, blue], [100, 100], ratios, <matrix>, extra...): `matrix` pushes the
// fifth argument (nothing for a four-argument call), `extra` the ones after it, last first.
void gradientCall(Asm& a, const char* method, const char* type, const std::vector<double>& ratios,
                  const std::function<void(Asm&)>& matrix, const std::vector<std::string>& extra = {}) {
    for (auto it = extra.rbegin(); it != extra.rend(); ++it) a.str(*it);
    const std::size_t before = a.bytes.size();
    matrix(a);
    const int argc = 4 + (a.bytes.size() > before ? 1 : 0) + static_cast<int>(extra.size());
    array(a, ratios);
    array(a, {100, 100});
    array(a, {kRed, kBlue});
    a.str(type).num(argc).getVar("d").str(method).op(Op::CallMethod).op(Op::Pop);
}

void callD(Asm& a, const char* method, const std::vector<double>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) a.num(*it);
    a.num(static_cast<double>(args.size())).getVar("d").str(method).op(Op::CallMethod).op(Op::Pop);
}

// The square 0..100 on clip d, drawn after `setup` (which calls beginGradientFill or styles).
render::Pixmap drawSquare(const std::function<void(Asm&)>& setup) {
    Asm a;
    a.num(1).str("d").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    setup(a);
    callD(a, "moveTo", {10, 10});
    callD(a, "lineTo", {10, 90});
    callD(a, "lineTo", {90, 90});
    callD(a, "lineTo", {90, 10});
    callD(a, "lineTo", {10, 10});
    callD(a, "endFill", {});
    swf::MovieWriter w(8, 100, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(swf::DoAction{a.bytes});
    return shapes::draw(w, 0, 0, player::Quality::Low);
}

// 'r' red, 'b' blue, 'w' white, 'k' black, each within a margin that gradient steps stay in.
bool looksLike(const render::Color& c, char want) {
    auto near = [](int v, int target) { return std::abs(v - target) <= 48; };
    switch (want) {
    case 'r': return near(c.r, 255) && near(c.g, 0) && near(c.b, 0);
    case 'b': return near(c.r, 0) && near(c.g, 0) && near(c.b, 255);
    case 'w': return near(c.r, 255) && near(c.g, 255) && near(c.b, 255);
    default: return near(c.r, 0) && near(c.g, 0) && near(c.b, 0);
    }
}

struct FillCase {
    const char* name;
    std::function<void(Asm&)> setup;
    int x;  // sampled at (x, 50)
    char want;
};

TEST(DrawingApi, GradientFillsTakeEveryMatrixFormAndSpread) {
    auto linear = [](std::function<void(Asm&)> m, std::vector<std::string> extra = {}) {
        return [m, extra](Asm& a) { gradientCall(a, "beginGradientFill", "linear", {0, 255}, m, extra); };
    };
    auto boxOf = [](double w) { return [w](Asm& a) { box(a, w); }; };
    // new Matrix(); m.createGradientBox(w, 100, 0, 0, 0), left on the stack.
    auto createdBox = [](double w) {
        return [w](Asm& a) {
            geomMatrix(a, {}).store(1).op(Op::Pop);
            a.num(0).num(0).num(0).num(100).num(w).num(5).reg(1).str("createGradientBox").op(Op::CallMethod).op(Op::Pop);
            a.reg(1);
        };
    };
    const std::vector<FillCase> cases = {
        {"box, left end", linear(boxOf(100)), 12, 'r'},
        {"box, right end", linear(boxOf(100)), 88, 'b'},
        {"createGradientBox, left end", linear(createdBox(100)), 12, 'r'},
        {"createGradientBox, right end", linear(createdBox(100)), 88, 'b'},
        {"Matrix built from a b c d tx ty", linear([](Asm& a) { geomMatrix(a, {100 / 1638.4, 0, 0, 100 / 1638.4, 50, 50}); }), 88, 'b'},
        {"pad past the box", linear(boxOf(50), {"pad"}), 60, 'b'},
        {"repeat past the box", linear(boxOf(50), {"repeat"}), 53, 'r'},
        {"reflect past the box", linear(boxOf(50), {"reflect"}), 53, 'b'},
        {"unknown spread pads", linear(boxOf(50), {"???", "???"}), 60, 'b'},
        // Ignored calls leave no fill.
        {"type is case-sensitive", [](Asm& a) { gradientCall(a, "beginGradientFill", "LINEAR", {0, 255}, [](Asm& m) { box(m, 100); }); }, 50, 'w'},
        {"no matrix", [](Asm& a) { gradientCall(a, "beginGradientFill", "linear", {0, 255}, [](Asm&) {}); }, 50, 'w'},
        {"ratio past 255", [](Asm& a) { gradientCall(a, "beginGradientFill", "linear", {0, 256}, [](Asm& m) { box(m, 100); }); }, 50, 'w'},
        {"ratio at -1", [](Asm& a) { gradientCall(a, "beginGradientFill", "linear", {-1, 255}, [](Asm& m) { box(m, 100); }); }, 50, 'w'},
        {"fewer ratios than colours", [](Asm& a) { gradientCall(a, "beginGradientFill", "linear", {255}, [](Asm& m) { box(m, 100); }); }, 50, 'w'},
        {"too many arguments", linear(boxOf(100), {"pad", "RGB", "0", "extra"}), 50, 'w'},
    };
    for (const FillCase& c : cases) {
        const render::Pixmap pix = drawSquare(c.setup);
        ASSERT_EQ(pix.width(), 100) << c.name;
        const render::Color got = shapes::at(pix, c.x, 50);
        EXPECT_TRUE(looksLike(got, c.want)) << c.name << ": got " << int(got.r) << "," << int(got.g) << "," << int(got.b);
    }
}

TEST(DrawingApi, LineGradientStylePaintsTheStrokeUntilTheNextLineStyle) {
    auto stroke = [](std::function<void(Asm&)> after) {
        return [after](Asm& a) {
            callD(a, "lineStyle", {8, kBlack});
            after(a);
        };
    };
    auto gradient = [](Asm& a) { gradientCall(a, "lineGradientStyle", "linear", {0, 255}, [](Asm& m) { box(m, 100); }); };
    const std::vector<FillCase> cases = {
        {"left stroke", stroke(gradient), 10, 'r'},
        {"right stroke", stroke(gradient), 90, 'b'},
        {"inside stays empty", stroke(gradient), 50, 'w'},
        {"an empty call keeps the gradient", stroke([&](Asm& a) { gradient(a); callD(a, "lineGradientStyle", {}); }), 90, 'b'},
        {"a bad call keeps the plain line", stroke([](Asm& a) { gradientCall(a, "lineGradientStyle", "radial", {0, 256}, [](Asm& m) { box(m, 100); }); }), 90, 'k'},
        {"lineStyle replaces the gradient", stroke([&](Asm& a) { gradient(a); callD(a, "lineStyle", {8, kBlack}); }), 10, 'k'},
        {"without a line there is no stroke", gradient, 10, 'w'},
    };
    for (const FillCase& c : cases) {
        const render::Pixmap pix = drawSquare(c.setup);
        ASSERT_EQ(pix.width(), 100) << c.name;
        const render::Color got = shapes::at(pix, c.x, 50);
        EXPECT_TRUE(looksLike(got, c.want)) << c.name << ": got " << int(got.r) << "," << int(got.g) << "," << int(got.b);
    }
}

}  // namespace

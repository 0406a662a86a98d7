// MovieClip methods (timeline control, clips made by script, depths, the drawing API) and the
// small stage classes: Key, Mouse, Stage, Date.

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <ctime>

#include <sys/time.h>

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;


ClipId self(Vm& vm, const CallArgs& c) { return vm.clipOf(c.thisValue); }

// Script depths wrap like 32-bit integers; the display list depth is biased by 16384.
int scriptDepth(Vm& vm, const Value& v) {
    std::int64_t d = static_cast<std::int64_t>(toInt32(toNumber(vm, v))) + kDepthBias;
    return static_cast<int>(std::clamp<std::int64_t>(d, INT32_MIN, INT32_MAX));
}

void copyProps(Vm& vm, const Value& from, ClipId to) {
    Object* src = from.obj();
    if (!src || !to) return;
    Value dst = vm.clipValue(to);
    for (auto& p : src->properties())
        if (!(p.flags & kDontEnum)) vm.setMember(dst, p.name, p.value);
}

void gotoFrame(Vm& vm, const CallArgs& c, bool play) {
    ClipId clip = self(vm, c);
    if (!clip) return;
    // Objects go as their string (a label or a number); the frame number wraps like the
    // player's 32-bit zero-based index, so that -2^31 lands past the end.
    Value f = c.arg(0).isObject() ? Value(toString(vm, c.arg(0))) : c.arg(0);
    double n = f.isString() ? stringToNumber(f.str(), 7) : toNumber(vm, f);
    if (f.isString() && std::isnan(n)) {
        vm.host().gotoLabel(clip, f.str(), play);
        return;
    }
    std::int32_t frame = toInt32(n);
    vm.host().gotoFrame(clip, frame == INT32_MIN ? INT32_MAX : frame, play);
}

// localToGlobal / globalToLocal: converts the x and y of the point object in place.
void convertPointArg(Vm& vm, const CallArgs& c, Host::Direction dir) {
    ClipId clip = self(vm, c);
    if (!clip || !c.arg(0).obj()) return;
    double x = toNumber(vm, vm.getMember(c.arg(0), "x")), y = toNumber(vm, vm.getMember(c.arg(0), "y"));
    vm.host().convertPoint(clip, x, y, dir);
    vm.setMember(c.arg(0), "x", Value(x));
    vm.setMember(c.arg(0), "y", Value(y));
}

std::uint32_t rgbOf(Vm& vm, const Value& v) { return toUint32(toNumber(vm, v)) & 0xFFFFFF; }

void draw(Vm& vm, const CallArgs& c, DrawOp op) {
    if (ClipId clip = self(vm, c)) vm.host().draw(clip, op);
}

double twips(Vm& vm, const Value& v) { return toNumber(vm, v) * 20; }

std::vector<double> numbers(Vm& vm, const Value& v) {
    std::vector<double> out;
    if (Object* a = v.obj(); a && a->kind == ObjectKind::Array)
        for (const Value& e : a->elements) out.push_back(toNumber(vm, e));
    return out;
}

// The arguments of beginGradientFill and lineGradientStyle: type, colors, alphas, ratios, matrix,
// then the optional spread method, interpolation and focal point. Calls with fewer than five or
// more than eight arguments, an unknown type, arrays of different lengths or a ratio outside
// (-1, 256) are ignored.
bool gradientArgs(Vm& vm, const CallArgs& c, DrawOp& op) {
    if (c.args.size() < 5 || c.args.size() > 8 || !c.arg(4).obj()) return false;
    std::string type = toString(vm, c.arg(0));
    if (type != "linear" && type != "radial") return false;
    op.radial = type == "radial";
    std::vector<double> colors = numbers(vm, c.arg(1));
    op.alphas = numbers(vm, c.arg(2));
    op.ratios = numbers(vm, c.arg(3));
    if (colors.empty() || colors.size() != op.alphas.size() || colors.size() != op.ratios.size()) return false;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        double& r = op.ratios[i];
        if (r <= -1 || r >= 256) return false;
        r = std::isnan(r) ? 0 : std::trunc(r);
        op.alphas[i] = std::isnan(op.alphas[i]) ? 0 : std::clamp(op.alphas[i], 0.0, 100.0);
        op.colors.push_back(toUint32(colors[i]) & 0xFFFFFF);
    }
    const Value& m = c.arg(4);
    auto get = [&](const char* k) { return toNumber(vm, vm.getMember(m, k)); };
    double mm[6];
    if (toString(vm, vm.getMember(m, "matrixType")) == "box") {
        // The gradient square spans 1638.4 pixels (32768 twips) in SWF gradient space.
        double w = get("w"), h = get("h"), r = get("r"), x = get("x"), y = get("y");
        double cs = std::cos(r), sn = std::sin(r), sx = w / 1638.4, sy = h / 1638.4;
        double box[6] = {cs * sx, sn * sx, -sn * sy, cs * sy, (x + w / 2) * 20, (y + h / 2) * 20};
        std::copy(box, box + 6, mm);
    } else if (vm.hasProperty(*m.obj(), "tx")) {
        // A flash.geom.Matrix already maps the 1638.4-pixel gradient square; tx, ty in pixels.
        double geom[6] = {get("a"), get("b"), get("c"), get("d"), get("tx") * 20, get("ty") * 20};
        std::copy(geom, geom + 6, mm);
    } else {
        // The 3x3 form a b 0 / d e 0 / g h 1 maps the unit square -0.5..0.5.
        double unit[6] = {get("a") / 1638.4, get("b") / 1638.4, get("d") / 1638.4, get("e") / 1638.4,
                          get("g") * 20, get("h") * 20};
        std::copy(unit, unit + 6, mm);
    }
    for (int i = 0; i < 6; ++i) op.matrix[i] = std::isfinite(mm[i]) ? mm[i] : 0;
    std::string spread = c.args.size() > 5 ? toString(vm, c.arg(5)) : std::string();
    op.spread = spread == "reflect" ? 1 : spread == "repeat" ? 2 : 0;
    op.linearRgb = c.args.size() > 6 && toString(vm, c.arg(6)) == "linearRGB";
    double focal = c.args.size() > 7 ? toNumber(vm, c.arg(7)) : 0;
    op.focal = std::isnan(focal) ? 0 : std::clamp(focal, -1.0, 1.0);
    return true;
}

// flash.geom.Matrix as far as gradient fills need it: a b c d tx ty and createGradientBox.
void installMatrix(Vm& vm) {
    auto package = [&](Object& parent, const char* name) {
        if (Property* p = parent.findOwn(name, NameCase::Sensitive); p && p->value.isObject()) return p->value.objRef();
        ObjectRef o = vm.newObject();
        parent.define(name, o, kDontEnum);
        return o;
    };
    ObjectRef geom = package(*package(*vm.global(), "flash"), "geom");
    ObjectRef proto = vm.alloc(vm.protos.object);
    ObjectRef ctor = vm.defineClass("Matrix", [](Vm&, Args) -> Value { return Value(); }, proto,
        [](Vm& vm, Args c) -> Value {
            const char* keys[6] = {"a", "b", "c", "d", "tx", "ty"};
            const double identity[6] = {1, 0, 0, 1, 0, 0};
            bool given = !c.args.empty();
            if (Object* o = c.thisValue.obj())
                for (std::size_t i = 0; i < 6; ++i)
                    o->define(keys[i], given ? Value(toNumber(vm, c.arg(i))) : Value(identity[i]));
            return c.thisValue;
        });
    vm.global()->remove("Matrix", NameCase::Sensitive);
    geom->define("Matrix", ctor, kDontEnum);
    vm.method(*proto, "createGradientBox", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        if (!o) return Value();
        auto num = [&](std::size_t i) { return c.arg(i).isUndefined() ? 0.0 : toNumber(vm, c.arg(i)); };
        double w = num(0), h = num(1), r = num(2), x = num(3), y = num(4);
        double cs = std::cos(r), sn = std::sin(r);
        o->define("a", Value(cs * w / 1638.4));
        o->define("b", Value(sn * w / 1638.4));
        o->define("c", Value(-sn * h / 1638.4));
        o->define("d", Value(cs * h / 1638.4));
        o->define("tx", Value(x + w / 2));
        o->define("ty", Value(y + h / 2));
        return Value();
    });
}

// gettimeofday rather than std::chrono: the C++ library's clock is built with exception tables
// that pull the whole exception runtime into the player programs.
double dateNow() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<double>(tv.tv_sec) * 1000 + static_cast<double>(tv.tv_usec / 1000);
}

double dateField(Vm& vm, const CallArgs& c, int which) {
    Object* o = c.thisValue.obj();
    if (!o || !o->primitive.isNumber() || std::isnan(o->primitive.num())) return std::nan("");
    (void)vm;
    auto t = static_cast<std::time_t>(std::floor(o->primitive.num() / 1000));
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    switch (which) {
    case 0: return tm.tm_year + 1900;
    case 1: return tm.tm_mon;
    case 2: return tm.tm_mday;
    case 3: return tm.tm_hour;
    case 4: return tm.tm_min;
    case 5: return tm.tm_sec;
    case 6: return tm.tm_wday;
    }
    return 0;
}

// The clip a Color object acts on: a clip reference or a target path, kept from construction.
ClipId colorTarget(Vm& vm, const CallArgs& c) {
    Object* o = c.thisValue.obj();
    if (!o) return 0;
    if (ClipId clip = vm.clipOf(o->primitive)) return clip;
    if (o->primitive.isNullish()) return 0;
    std::string path = toString(vm, o->primitive);
    return path.empty() ? 0 : vm.resolveTarget(vm.ctx.target, path);
}

constexpr const char* kTransformKeys[8] = {"ra", "ga", "ba", "aa", "rb", "gb", "bb", "ab"};

void installColor(Vm& vm) {
    vm.protos.color = vm.alloc(vm.protos.object);
    vm.defineClass("Color", [](Vm&, Args) -> Value { return Value(); }, vm.protos.color,
        [](Vm&, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) {
                o->primitive = c.arg(0);
                o->define("target", c.arg(0), kDontEnum);
            }
            return c.thisValue;
        });
    Object& p = *vm.protos.color;
    vm.method(p, "getRGB", [](Vm& vm, Args c) -> Value {
        ClipId clip = colorTarget(vm, c);
        if (!clip) return Value();
        double cx[8];
        vm.host().colorTransform(clip, cx);
        // Signed, as the reference player computes it: negative additions give odd numbers.
        auto ch = [&](int i) { return static_cast<std::int32_t>(cx[i]); };
        return Value(static_cast<double>(static_cast<std::int32_t>(
            static_cast<std::uint32_t>(ch(4)) << 16 | static_cast<std::uint32_t>(ch(5)) << 8 |
            static_cast<std::uint32_t>(ch(6)))));
    });
    vm.method(p, "setRGB", [](Vm& vm, Args c) -> Value {
        ClipId clip = colorTarget(vm, c);
        if (!clip || c.args.empty()) return Value();
        double cx[8];
        vm.host().colorTransform(clip, cx);
        std::uint32_t rgb = toUint32(toNumber(vm, c.arg(0)));
        cx[0] = cx[1] = cx[2] = 0;
        cx[4] = (rgb >> 16) & 0xFF;
        cx[5] = (rgb >> 8) & 0xFF;
        cx[6] = rgb & 0xFF;
        vm.host().setColorTransform(clip, cx);
        return Value();
    });
    vm.method(p, "getTransform", [](Vm& vm, Args c) -> Value {
        ClipId clip = colorTarget(vm, c);
        if (!clip) return Value();
        double cx[8];
        vm.host().colorTransform(clip, cx);
        ObjectRef o = vm.newObject();
        for (int i = 0; i < 8; ++i) o->define(kTransformKeys[i], Value(i < 4 ? cx[i] * 100 : cx[i]));
        return Value(o);
    });
    vm.method(p, "setTransform", [](Vm& vm, Args c) -> Value {
        ClipId clip = colorTarget(vm, c);
        if (!clip || !c.arg(0).isObject()) return Value();
        double cx[8];
        vm.host().colorTransform(clip, cx);
        for (int i = 0; i < 8; ++i) {
            // Only the object's own fields count: inherited ones leave the channel alone.
            if (!c.arg(0).obj()->findOwn(kTransformKeys[i], vm.nameCase())) continue;
            double d = toNumber(vm, vm.getMember(c.arg(0), kTransformKeys[i]));
            cx[i] = i < 4 ? d / 100 : d;
        }
        vm.host().setColorTransform(clip, cx);
        return Value();
    });
}

}  // namespace

void installClipBuiltins(Vm& vm) {
    installColor(vm);
    installMatrix(vm);
    vm.protos.clip = vm.alloc(vm.protos.object);
    vm.defineClass("MovieClip", [](Vm&, Args) -> Value { return Value(); }, vm.protos.clip);
    Object& p = *vm.protos.clip;
    vm.method(p, "play", [](Vm& vm, Args c) -> Value {
        if (ClipId clip = self(vm, c)) vm.host().play(clip);
        return Value();
    });
    vm.method(p, "stop", [](Vm& vm, Args c) -> Value {
        if (ClipId clip = self(vm, c)) vm.host().stop(clip);
        return Value();
    });
    vm.method(p, "gotoAndPlay", [](Vm& vm, Args c) -> Value {
        gotoFrame(vm, c, true);
        return Value();
    });
    vm.method(p, "gotoAndStop", [](Vm& vm, Args c) -> Value {
        gotoFrame(vm, c, false);
        return Value();
    });
    vm.method(p, "nextFrame", [](Vm& vm, Args c) -> Value {
        if (ClipId clip = self(vm, c))
            vm.host().gotoFrame(clip, static_cast<int>(vm.host().property(clip, ClipProp::CurrentFrame)) + 1, false);
        return Value();
    });
    vm.method(p, "prevFrame", [](Vm& vm, Args c) -> Value {
        if (ClipId clip = self(vm, c))
            vm.host().gotoFrame(clip, static_cast<int>(vm.host().property(clip, ClipProp::CurrentFrame)) - 1, false);
        return Value();
    });
    vm.method(p, "createEmptyMovieClip", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip || c.args.size() < 2) return Value();
        return vm.clipValue(vm.host().createEmpty(clip, toString(vm, c.arg(0)), scriptDepth(vm, c.arg(1))));
    });
    vm.method(p, "attachMovie", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip || c.args.size() < 3) return Value();
        std::string symbol = toString(vm, c.arg(0));
        std::string name = toString(vm, c.arg(1));
        int depth = scriptDepth(vm, c.arg(2));
        if (!placeableDepth(depth)) return Value();
        ClipId made = vm.host().attach(clip, symbol, name, depth);
        if (made && vm.host().isButton(made)) return vm.clipValue(made);  // no init object, no class
        copyProps(vm, c.arg(3), made);
        if (made) vm.constructClip(made, symbol);  // the registered class, before attachMovie returns
        return vm.clipValue(made);
    });
    vm.method(p, "duplicateMovieClip", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip || c.args.size() < 2) return Value();
        std::string name = toString(vm, c.arg(0));
        int depth = scriptDepth(vm, c.arg(1));
        if (!placeableDepth(depth)) return Value();
        ClipId made = vm.host().duplicate(clip, name, depth);
        copyProps(vm, c.arg(2), made);
        return vm.clipValue(made);
    });
    vm.method(p, "removeMovieClip", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        // Only clips at script depths (0 and up) can be removed by script.
        if (clip && removableDepth(vm.host().depth(clip))) vm.host().remove(clip);
        return Value();
    });
    vm.method(p, "getDepth", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        return clip ? Value(static_cast<double>(vm.host().depth(clip) - kDepthBias)) : Value();
    });
    vm.method(p, "getNextHighestDepth", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip) return Value();
        return Value(static_cast<double>(std::max(0, vm.host().nextHighestDepth(clip) - kDepthBias)));
    });
    vm.method(p, "getInstanceAtDepth", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip || c.args.empty()) return Value();
        return vm.clipValue(vm.host().atDepth(clip, scriptDepth(vm, c.arg(0))));
    });
    vm.method(p, "swapDepths", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip || c.args.empty()) return Value();
        if (ClipId other = vm.clipOf(c.arg(0))) {
            if (vm.host().parent(other) == vm.host().parent(clip)) vm.host().swapDepths(clip, vm.host().depth(other));
        } else {
            vm.host().swapDepths(clip, scriptDepth(vm, c.arg(0)));
        }
        return Value();
    });
    vm.method(p, "getBytesLoaded", [](Vm&, Args) -> Value { return Value(1.0); });
    vm.method(p, "getBytesTotal", [](Vm&, Args) -> Value { return Value(1.0); });
    vm.method(p, "startDrag", [](Vm&, Args) -> Value { return Value(); });
    vm.method(p, "stopDrag", [](Vm&, Args) -> Value { return Value(); });
    vm.method(p, "getBounds", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        if (!clip) return Value();
        ClipId space = c.args.empty() ? clip : vm.clipOf(c.arg(0));
        if (!space && !c.args.empty()) return Value();
        double b[4];
        if (!vm.host().bounds(clip, space, b)) b[0] = b[1] = b[2] = b[3] = 6710886.35;  // nothing drawn
        ObjectRef o = vm.newObject();
        o->define("xMin", Value(b[0]));
        o->define("xMax", Value(b[1]));
        o->define("yMin", Value(b[2]));
        o->define("yMax", Value(b[3]));
        return Value(o);
    });
    vm.method(p, "localToGlobal", [](Vm& vm, Args c) -> Value {
        convertPointArg(vm, c, Host::Direction::ToGlobal);
        return Value();
    });
    vm.method(p, "globalToLocal", [](Vm& vm, Args c) -> Value {
        convertPointArg(vm, c, Host::Direction::ToLocal);
        return Value();
    });
    // hitTest(x, y[, shapeFlag]) against the bounds on stage; hitTest(clip): bounds overlap.
    vm.method(p, "hitTest", [](Vm& vm, Args c) -> Value {
        ClipId clip = self(vm, c);
        double b[4];
        if (!clip || !vm.host().bounds(clip, vm.host().root(), b)) return Value(false);
        if (ClipId other = vm.clipOf(c.arg(0))) {
            double o[4];
            if (!vm.host().bounds(other, vm.host().root(), o)) return Value(false);
            return Value(b[0] <= o[1] && o[0] <= b[1] && b[2] <= o[3] && o[2] <= b[3]);
        }
        if (c.args.size() < 2) return Value(false);
        double x = toNumber(vm, c.arg(0)), y = toNumber(vm, c.arg(1));
        return Value(x >= b[0] && x <= b[1] && y >= b[2] && y <= b[3]);
    });

    // The drawing API.
    vm.method(p, "clear", [](Vm& vm, Args c) -> Value {
        draw(vm, c, DrawOp{});
        return Value();
    });
    vm.method(p, "lineStyle", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::LineStyle;
        op.width = c.arg(0).isUndefined() ? -1 : std::max(0.0, twips(vm, c.arg(0)));
        op.rgb = rgbOf(vm, c.arg(1));
        op.alpha = c.arg(2).isUndefined() ? 100 : toNumber(vm, c.arg(2));
        draw(vm, c, op);
        return Value();
    });
    vm.method(p, "beginFill", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::BeginFill;
        if (c.arg(0).isUndefined()) op.kind = DrawOp::Kind::EndFill;
        op.rgb = rgbOf(vm, c.arg(0));
        op.alpha = c.arg(1).isUndefined() ? 100 : toNumber(vm, c.arg(1));
        draw(vm, c, op);
        return Value();
    });
    vm.method(p, "beginGradientFill", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::BeginGradientFill;
        if (gradientArgs(vm, c, op)) draw(vm, c, op);
        return Value();
    });
    vm.method(p, "lineGradientStyle", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::LineGradientStyle;
        if (gradientArgs(vm, c, op)) draw(vm, c, op);
        return Value();
    });
    vm.method(p, "endFill", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::EndFill;
        draw(vm, c, op);
        return Value();
    });
    vm.method(p, "moveTo", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::MoveTo;
        op.x = twips(vm, c.arg(0));
        op.y = twips(vm, c.arg(1));
        draw(vm, c, op);
        return Value();
    });
    vm.method(p, "lineTo", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::LineTo;
        op.x = twips(vm, c.arg(0));
        op.y = twips(vm, c.arg(1));
        draw(vm, c, op);
        return Value();
    });
    vm.method(p, "curveTo", [](Vm& vm, Args c) -> Value {
        DrawOp op;
        op.kind = DrawOp::Kind::CurveTo;
        op.cx = twips(vm, c.arg(0));
        op.cy = twips(vm, c.arg(1));
        op.x = twips(vm, c.arg(2));
        op.y = twips(vm, c.arg(3));
        draw(vm, c, op);
        return Value();
    });

    // Key and Mouse: the input the embedding hands the player (their listener methods come with
    // AsBroadcaster); a screensaver hands none.
    ObjectRef key = vm.newObject();
    vm.global()->define("Key", key, kDontEnum);
    vm.method(*key, "isDown", [](Vm& vm, Args c) -> Value { return Value(vm.keys.isDown(toInt32(toNumber(vm, c.arg(0))))); });
    vm.method(*key, "getCode", [](Vm& vm, Args) -> Value { return Value(vm.keys.lastCode); });
    vm.method(*key, "getAscii", [](Vm& vm, Args) -> Value { return Value(vm.keys.lastAscii); });
    vm.method(*key, "isToggled", [](Vm&, Args) -> Value { return Value(false); });
    static const std::pair<const char*, int> kKeys[] = {
        {"BACKSPACE", 8}, {"TAB", 9}, {"ENTER", 13}, {"SHIFT", 16}, {"CONTROL", 17}, {"CAPSLOCK", 20},
        {"ESCAPE", 27}, {"SPACE", 32}, {"PGUP", 33}, {"PGDN", 34}, {"END", 35}, {"HOME", 36},
        {"LEFT", 37}, {"UP", 38}, {"RIGHT", 39}, {"DOWN", 40}, {"INSERT", 45}, {"DELETEKEY", 46}};
    for (const auto& [name, code] : kKeys) key->define(name, Value(code), kDontEnum | kDontDelete | kReadOnly);
    ObjectRef mouse = vm.newObject();
    vm.global()->define("Mouse", mouse, kDontEnum);
    vm.method(*mouse, "show", [](Vm&, Args) -> Value { return Value(); });
    vm.method(*mouse, "hide", [](Vm&, Args) -> Value { return Value(); });
    ObjectRef stage = vm.newObject();
    vm.global()->define("Stage", stage, kDontEnum);
    vm.method(*stage, "addListener", [](Vm&, Args) -> Value { return Value(true); });
    stage->define("width", Value(), kDontEnum).getter =
        vm.newFunction([](Vm& vm, Args) -> Value { return Value(vm.host().stageSize(false)); });
    stage->define("height", Value(), kDontEnum).getter =
        vm.newFunction([](Vm& vm, Args) -> Value { return Value(vm.host().stageSize(true)); });
    stage->define("scaleMode", Value("showAll"), kDontEnum);
    stage->define("align", Value(""), kDontEnum);
    vm.method(*stage, "removeListener", [](Vm&, Args) -> Value { return Value(true); });

    // Date: the time value in milliseconds since 1970 (UTC); fields in local time.
    vm.protos.date = vm.alloc(vm.protos.object);
    vm.defineClass("Date", [](Vm&, Args) -> Value { return Value(numberToString(dateNow())); }, vm.protos.date,
        [](Vm& vm, Args c) -> Value {
            Object* o = c.thisValue.obj();
            if (!o) return Value();
            o->kind = ObjectKind::Date;
            if (c.args.size() == 1) {
                o->primitive = Value(toNumber(vm, c.arg(0)));
            } else if (c.args.size() >= 2) {
                std::tm tm{};
                tm.tm_year = static_cast<int>(toNumber(vm, c.arg(0))) - 1900;
                tm.tm_mon = static_cast<int>(toNumber(vm, c.arg(1)));
                tm.tm_mday = c.args.size() > 2 ? static_cast<int>(toNumber(vm, c.arg(2))) : 1;
                tm.tm_hour = c.args.size() > 3 ? static_cast<int>(toNumber(vm, c.arg(3))) : 0;
                tm.tm_min = c.args.size() > 4 ? static_cast<int>(toNumber(vm, c.arg(4))) : 0;
                tm.tm_sec = c.args.size() > 5 ? static_cast<int>(toNumber(vm, c.arg(5))) : 0;
                tm.tm_isdst = -1;
                double ms = c.args.size() > 6 ? toNumber(vm, c.arg(6)) : 0;
                o->primitive = Value(static_cast<double>(std::mktime(&tm)) * 1000 + ms);
            } else {
                o->primitive = Value(dateNow());
            }
            return c.thisValue;
        });
    Object& d = *vm.protos.date;
    vm.method(d, "getTime", [](Vm&, Args c) -> Value {
        Object* o = c.thisValue.obj();
        return o ? o->primitive : Value();
    });
    vm.method(d, "valueOf", [](Vm&, Args c) -> Value {
        Object* o = c.thisValue.obj();
        return o ? o->primitive : Value();
    });
    vm.method(d, "getFullYear", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 0)); });
    vm.method(d, "getMonth", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 1)); });
    vm.method(d, "getDate", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 2)); });
    vm.method(d, "getHours", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 3)); });
    vm.method(d, "getMinutes", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 4)); });
    vm.method(d, "getSeconds", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 5)); });
    vm.method(d, "getDay", [](Vm& vm, Args c) -> Value { return Value(dateField(vm, c, 6)); });
    vm.method(d, "getMilliseconds", [](Vm&, Args c) -> Value {
        Object* o = c.thisValue.obj();
        if (!o || !o->primitive.isNumber()) return Value();
        double ms = std::fmod(o->primitive.num(), 1000.0);
        return Value(ms < 0 ? ms + 1000 : ms);
    });
}

}  // namespace avm1

// The flash.filters classes, flash.geom.Rectangle and the clip properties that carry display
// effects: filters, blendMode, cacheAsBitmap, opaqueBackground and scrollRect.
//
// Filter objects are plain script objects whose className names their class; a clip keeps its
// filters in the host's form, so reading `filters` makes new objects and setting it converts a
// copy: changing a filter object afterwards changes nothing until it is assigned again.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;
using Kind = swf::Filter::Kind;

enum class PropType : std::uint8_t { Num, Bool, Str, Array };

struct PropSpec {
    const char* name;
    PropType type;
    double number = 0;          // Num and Bool defaults
    const char* text = nullptr;  // Str default
};

struct FilterClass {
    const char* name;
    Kind kind;
    std::vector<PropSpec> props;  // in constructor argument order
};

const std::vector<FilterClass>& filterClasses() {
    using T = PropType;
    static const std::vector<PropSpec> kGradient = {
        {"distance", T::Num, 4}, {"angle", T::Num, 45}, {"colors", T::Array}, {"alphas", T::Array},
        {"ratios", T::Array}, {"blurX", T::Num, 4}, {"blurY", T::Num, 4}, {"strength", T::Num, 1},
        {"quality", T::Num, 1}, {"type", T::Str, 0, "inner"}, {"knockout", T::Bool, 0}};
    static const std::vector<FilterClass> kClasses = {
        {"BlurFilter", Kind::Blur, {{"blurX", T::Num, 4}, {"blurY", T::Num, 4}, {"quality", T::Num, 1}}},
        {"DropShadowFilter", Kind::DropShadow,
         {{"distance", T::Num, 4}, {"angle", T::Num, 45}, {"color", T::Num, 0}, {"alpha", T::Num, 1},
          {"blurX", T::Num, 4}, {"blurY", T::Num, 4}, {"strength", T::Num, 1}, {"quality", T::Num, 1},
          {"inner", T::Bool, 0}, {"knockout", T::Bool, 0}, {"hideObject", T::Bool, 0}}},
        {"GlowFilter", Kind::Glow,
         {{"color", T::Num, 0xFF0000}, {"alpha", T::Num, 1}, {"blurX", T::Num, 6}, {"blurY", T::Num, 6},
          {"strength", T::Num, 2}, {"quality", T::Num, 1}, {"inner", T::Bool, 0}, {"knockout", T::Bool, 0}}},
        {"BevelFilter", Kind::Bevel,
         {{"distance", T::Num, 4}, {"angle", T::Num, 45}, {"highlightColor", T::Num, 0xFFFFFF},
          {"highlightAlpha", T::Num, 1}, {"shadowColor", T::Num, 0}, {"shadowAlpha", T::Num, 1},
          {"blurX", T::Num, 4}, {"blurY", T::Num, 4}, {"strength", T::Num, 1}, {"quality", T::Num, 1},
          {"type", T::Str, 0, "inner"}, {"knockout", T::Bool, 0}}},
        {"GradientGlowFilter", Kind::GradientGlow, kGradient},
        {"GradientBevelFilter", Kind::GradientBevel, kGradient},
        {"ColorMatrixFilter", Kind::ColorMatrix, {{"matrix", T::Array}}},
        {"ConvolutionFilter", Kind::Convolution,
         {{"matrixX", T::Num, 0}, {"matrixY", T::Num, 0}, {"matrix", T::Array}, {"divisor", T::Num, 1},
          {"bias", T::Num, 0}, {"preserveAlpha", T::Bool, 1}, {"clamp", T::Bool, 1}, {"color", T::Num, 0},
          {"alpha", T::Num, 0}}},
    };
    return kClasses;
}

const FilterClass* classOf(const Object* o) {
    if (!o) return nullptr;
    for (const FilterClass& fc : filterClasses())
        if (o->className == fc.name) return &fc;
    return nullptr;
}

std::vector<double> numberList(Vm& vm, const Value& v) {
    std::vector<double> out;
    if (Object* a = v.obj(); a && a->kind == ObjectKind::Array)
        for (const Value& e : a->elements) out.push_back(toNumber(vm, e));
    return out;
}

ObjectRef numberArray(Vm& vm, const std::vector<double>& values) {
    std::vector<Value> elements(values.begin(), values.end());
    return vm.newArray(std::move(elements));
}

Value coerce(Vm& vm, const PropSpec& p, const Value& v) {
    switch (p.type) {
    case PropType::Num: return Value(toNumber(vm, v));
    case PropType::Bool: return Value(toBoolean(v, vm.version()));
    case PropType::Str: return Value(toString(vm, v));
    case PropType::Array: return Value(numberArray(vm, numberList(vm, v)));
    }
    return Value();
}

Value defaultOf(Vm& vm, const FilterClass& fc, const PropSpec& p) {
    switch (p.type) {
    case PropType::Num: return Value(p.number);
    case PropType::Bool: return Value(p.number != 0);
    case PropType::Str: return Value(p.text);
    case PropType::Array:
        if (fc.kind == Kind::ColorMatrix)  // the identity
            return Value(numberArray(vm, {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0}));
        return Value(vm.newArray());
    }
    return Value();
}

// Fills a new filter object from constructor arguments (undefined ones take the default).
// The `flash` package: a global from SWF 8 on; older movies do not see it, but the clip
// effects still build their objects from it.
constexpr const char* kHiddenFlash = "\x01flash";

Value flashPackage(Vm& vm) {
    const Property* p = vm.global()->findOwn(kHiddenFlash, NameCase::Sensitive);
    return p ? p->value : vm.getMember(Value(vm.global()), "flash");
}

void initFilter(Vm& vm, Object& o, const FilterClass& fc, std::span<const Value> args) {
    o.className = fc.name;
    for (std::size_t i = 0; i < fc.props.size(); ++i) {
        const PropSpec& p = fc.props[i];
        const bool given = i < args.size() && !args[i].isUndefined();
        o.define(p.name, given ? coerce(vm, p, args[i]) : defaultOf(vm, fc, p));
    }
}

ObjectRef newFilter(Vm& vm, const FilterClass& fc) {
    Value ctor = vm.getMember(vm.getMember(flashPackage(vm), "filters"), fc.name);
    ObjectRef o = vm.alloc(vm.getMember(ctor, "prototype").objRef());
    return o;
}

double clampNum(double v, double lo, double hi) { return std::isnan(v) ? lo : std::clamp(v, lo, hi); }

swf::Rgba rgba(Vm& vm, const Value& color, const Value& alpha) {
    std::uint32_t rgb = toUint32(toNumber(vm, color));
    return swf::Rgba{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb),
                     static_cast<std::uint8_t>(std::lround(clampNum(toNumber(vm, alpha), 0, 1) * 255))};
}

double rgbNumber(const swf::Rgba& c) { return static_cast<double>(c.r << 16 | c.g << 8 | c.b); }
double alphaNumber(const swf::Rgba& c) { return c.a / 255.0; }

// Degrees to the file's radians and back (the way back rounds off the conversion's noise).
double toRadians(double deg) { return deg * std::numbers::pi / 180; }
double toDegrees(double rad) { return std::round(rad * 180 / std::numbers::pi * 1e9) / 1e9; }

// A filter object as the host keeps it; false for objects that are no filter.
bool toSwf(Vm& vm, const Value& v, swf::Filter& f) {
    const FilterClass* fc = classOf(v.obj());
    if (!fc) return false;
    auto num = [&](const char* k) { return toNumber(vm, vm.getMember(v, k)); };
    auto flag = [&](const char* k) { return toBoolean(vm.getMember(v, k), vm.version()); };
    f = swf::Filter{};
    f.kind = fc->kind;
    if (fc->kind == Kind::ColorMatrix) {
        std::vector<double> m = numberList(vm, vm.getMember(v, "matrix"));
        m.resize(20, 0);
        f.matrix.assign(m.begin(), m.end());
        return true;
    }
    if (fc->kind == Kind::Convolution) {
        f.matrixX = static_cast<unsigned>(clampNum(num("matrixX"), 0, 15));
        f.matrixY = static_cast<unsigned>(clampNum(num("matrixY"), 0, 15));
        std::vector<double> m = numberList(vm, vm.getMember(v, "matrix"));
        m.resize(static_cast<std::size_t>(f.matrixX) * f.matrixY, 0);
        f.matrix.assign(m.begin(), m.end());
        f.divisor = static_cast<float>(num("divisor"));
        f.bias = static_cast<float>(num("bias"));
        f.preserveAlpha = flag("preserveAlpha");
        f.clamp = flag("clamp");
        f.defaultColor = rgba(vm, vm.getMember(v, "color"), vm.getMember(v, "alpha"));
        return true;
    }
    f.blurX = clampNum(num("blurX"), 0, 255);
    f.blurY = clampNum(num("blurY"), 0, 255);
    f.passes = static_cast<unsigned>(clampNum(num("quality"), 0, 15));
    if (fc->kind == Kind::Blur) return true;
    f.strength = clampNum(num("strength"), 0, 255);
    f.knockout = flag("knockout");
    if (fc->kind == Kind::Glow) {
        f.color = rgba(vm, vm.getMember(v, "color"), vm.getMember(v, "alpha"));
        f.inner = flag("inner");
        return true;
    }
    // Bounded like the file's 16.16 fields, so that no script value overflows the layer sizes.
    const double angle = num("angle"), distance = num("distance");
    f.angle = std::isfinite(angle) ? toRadians(std::fmod(angle, 360)) : 0;
    f.distance = std::isnan(distance) ? 0 : std::clamp(distance, -32768.0, 32767.0);
    if (fc->kind == Kind::DropShadow) {
        f.color = rgba(vm, vm.getMember(v, "color"), vm.getMember(v, "alpha"));
        f.inner = flag("inner");
        f.compositeSource = !flag("hideObject");
        return true;
    }
    const std::string type = toString(vm, vm.getMember(v, "type"));
    f.inner = type == "inner";
    f.onTop = type == "full";
    if (fc->kind == Kind::Bevel) {
        f.color = rgba(vm, vm.getMember(v, "shadowColor"), vm.getMember(v, "shadowAlpha"));
        f.highlightColor = rgba(vm, vm.getMember(v, "highlightColor"), vm.getMember(v, "highlightAlpha"));
        return true;
    }
    std::vector<double> colors = numberList(vm, vm.getMember(v, "colors"));
    std::vector<double> alphas = numberList(vm, vm.getMember(v, "alphas"));
    std::vector<double> ratios = numberList(vm, vm.getMember(v, "ratios"));
    const std::size_t n = std::min({colors.size(), alphas.size(), ratios.size(), std::size_t{16}});
    for (std::size_t i = 0; i < n; ++i) {
        f.gradientColors.push_back(rgba(vm, Value(colors[i]), Value(alphas[i])));
        f.gradientRatios.push_back(static_cast<std::uint8_t>(clampNum(ratios[i], 0, 255)));
    }
    return true;
}

// A new filter object for a filter the host keeps.
ObjectRef fromSwf(Vm& vm, const swf::Filter& f) {
    const FilterClass* fc = nullptr;
    for (const FilterClass& c : filterClasses())
        if (c.kind == f.kind) fc = &c;
    if (!fc) return nullptr;
    ObjectRef o = newFilter(vm, *fc);
    initFilter(vm, *o, *fc, {});
    auto set = [&](const char* k, Value v) { o->define(k, std::move(v)); };
    if (f.kind == Kind::ColorMatrix || f.kind == Kind::Convolution) {
        set("matrix", Value(numberArray(vm, std::vector<double>(f.matrix.begin(), f.matrix.end()))));
        if (f.kind == Kind::ColorMatrix) return o;
        set("matrixX", Value(static_cast<double>(f.matrixX)));
        set("matrixY", Value(static_cast<double>(f.matrixY)));
        set("divisor", Value(static_cast<double>(f.divisor)));
        set("bias", Value(static_cast<double>(f.bias)));
        set("preserveAlpha", Value(f.preserveAlpha));
        set("clamp", Value(f.clamp));
        set("color", Value(rgbNumber(f.defaultColor)));
        set("alpha", Value(alphaNumber(f.defaultColor)));
        return o;
    }
    set("blurX", Value(f.blurX));
    set("blurY", Value(f.blurY));
    set("quality", Value(static_cast<double>(f.passes)));
    if (f.kind == Kind::Blur) return o;
    set("strength", Value(f.strength));
    set("knockout", Value(f.knockout));
    if (f.kind != Kind::Glow) {
        set("angle", Value(toDegrees(f.angle)));
        set("distance", Value(f.distance));
    }
    if (f.kind == Kind::Glow || f.kind == Kind::DropShadow) {
        set("color", Value(rgbNumber(f.color)));
        set("alpha", Value(alphaNumber(f.color)));
        set("inner", Value(f.inner));
        if (f.kind == Kind::DropShadow) set("hideObject", Value(!f.compositeSource));
        return o;
    }
    set("type", Value(f.onTop ? "full" : f.inner ? "inner" : "outer"));
    if (f.kind == Kind::Bevel) {
        set("shadowColor", Value(rgbNumber(f.color)));
        set("shadowAlpha", Value(alphaNumber(f.color)));
        set("highlightColor", Value(rgbNumber(f.highlightColor)));
        set("highlightAlpha", Value(alphaNumber(f.highlightColor)));
        return o;
    }
    std::vector<double> colors, alphas, ratios;
    for (std::size_t i = 0; i < f.gradientColors.size() && i < f.gradientRatios.size(); ++i) {
        colors.push_back(rgbNumber(f.gradientColors[i]));
        alphas.push_back(alphaNumber(f.gradientColors[i]));
        ratios.push_back(f.gradientRatios[i]);
    }
    set("colors", Value(numberArray(vm, colors)));
    set("alphas", Value(numberArray(vm, alphas)));
    set("ratios", Value(numberArray(vm, ratios)));
    return o;
}

template <std::size_t I>
Value constructFilter(Vm& vm, Args c) {
    if (Object* o = c.thisValue.obj()) initFilter(vm, *o, filterClasses()[I], c.args);
    return c.thisValue;
}

template <std::size_t... I>
void defineFilterClasses(Vm& vm, Object& package, std::index_sequence<I...>) {
    constexpr NativeFn kConstructors[] = {&constructFilter<I>...};
    for (std::size_t i = 0; i < sizeof...(I); ++i) {
        const char* name = filterClasses()[i].name;
        ObjectRef proto = vm.alloc(vm.protos.object);
        ObjectRef ctor = vm.defineClass(name, [](Vm&, Args) -> Value { return Value(); }, proto, kConstructors[i]);
        vm.global()->remove(name, NameCase::Sensitive);  // reached as flash.filters.<name> only
        package.define(name, ctor, kDontEnum);
        vm.method(*proto, "clone", [](Vm& vm, Args c) -> Value {
            const FilterClass* fc = classOf(c.thisValue.obj());
            if (!fc) return Value();
            ObjectRef o = vm.alloc(c.thisValue.obj()->proto);
            std::vector<Value> args;
            for (const PropSpec& p : fc->props) args.push_back(vm.getMember(c.thisValue, p.name));
            initFilter(vm, *o, *fc, args);
            return Value(o);
        });
    }
}

ObjectRef package(Vm& vm, Object& parent, const char* name) {
    if (Property* p = parent.findOwn(name, NameCase::Sensitive); p && p->value.isObject()) return p->value.objRef();
    ObjectRef o = vm.newObject();
    parent.define(name, o, kDontEnum);
    return o;
}

// The clip a property accessor runs on, with its current effects.
ClipId effectsOf(Vm& vm, Args c, ClipEffects& e) {
    ClipId clip = vm.clipOf(c.thisValue);
    return clip && vm.host().effects(clip, e) ? clip : 0;
}

constexpr const char* kBlendNames[] = {"normal", "normal", "layer", "multiply", "screen", "lighten",
                                       "darken", "difference", "add", "subtract", "invert", "alpha",
                                       "erase", "overlay", "hardlight"};

void accessor(Vm& vm, Object& proto, const char* name, NativeFn get, NativeFn set) {
    Property& p = proto.define(name, Value(), kDontEnum);
    p.getter = vm.newFunction(get);
    p.setter = vm.newFunction(set);
}

void installClipEffects(Vm& vm, Object& clip) {
    accessor(vm, clip, "filters",
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            if (!effectsOf(vm, c, e)) return Value();
            std::vector<Value> out;
            for (const swf::Filter& f : e.filters)
                if (ObjectRef o = fromSwf(vm, f)) out.emplace_back(o);
            return Value(vm.newArray(std::move(out)));
        },
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            ClipId clip = effectsOf(vm, c, e);
            if (!clip) return Value();
            e.filters.clear();
            if (Object* a = c.arg(0).obj(); a && a->kind == ObjectKind::Array) {
                for (const Value& v : a->elements) {
                    swf::Filter f;
                    if (toSwf(vm, v, f)) e.filters.push_back(std::move(f));
                }
            }
            vm.host().setEffects(clip, e);
            return Value();
        });
    accessor(vm, clip, "blendMode",
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            if (!effectsOf(vm, c, e)) return Value();
            const auto v = static_cast<std::size_t>(e.blendMode);
            return Value(v < std::size(kBlendNames) ? kBlendNames[v] : "normal");
        },
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            ClipId clip = effectsOf(vm, c, e);
            if (!clip) return Value();
            int mode = -1;
            if (c.arg(0).isNumber()) {
                double d = c.arg(0).num();
                if (d >= 1 && d <= 14) mode = static_cast<int>(d);
            } else {
                const std::string name = toString(vm, c.arg(0));
                for (int i = 1; i < static_cast<int>(std::size(kBlendNames)); ++i)
                    if (name == kBlendNames[i]) mode = i;
            }
            if (mode < 0) return Value();  // an unknown mode leaves the clip as it is
            e.blendMode = mode <= 1 ? swf::BlendMode::Normal : static_cast<swf::BlendMode>(mode);
            vm.host().setEffects(clip, e);
            return Value();
        });
    accessor(vm, clip, "cacheAsBitmap",
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            return effectsOf(vm, c, e) ? Value(e.cacheAsBitmap) : Value();
        },
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            if (ClipId clip = effectsOf(vm, c, e)) {
                e.cacheAsBitmap = toBoolean(c.arg(0), vm.version());
                vm.host().setEffects(clip, e);
            }
            return Value();
        });
    accessor(vm, clip, "opaqueBackground",
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            if (!effectsOf(vm, c, e) || !e.opaqueBackground) return Value();
            return Value(static_cast<double>(*e.opaqueBackground));
        },
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            if (ClipId clip = effectsOf(vm, c, e)) {
                if (c.arg(0).isNullish()) e.opaqueBackground.reset();
                else e.opaqueBackground = toUint32(toNumber(vm, c.arg(0))) & 0xFFFFFF;
                vm.host().setEffects(clip, e);
            }
            return Value();
        });
    accessor(vm, clip, "scrollRect",
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            if (!effectsOf(vm, c, e) || !e.scrollRect) return Value();
            const auto& r = *e.scrollRect;
            const Value args[4] = {Value(r[0]), Value(r[1]), Value(r[2]), Value(r[3])};
            Value ctor = vm.getMember(vm.getMember(flashPackage(vm), "geom"), "Rectangle");
            return vm.construct(ctor, args);
        },
        [](Vm& vm, Args c) -> Value {
            ClipEffects e;
            ClipId clip = effectsOf(vm, c, e);
            if (!clip) return Value();
            if (!c.arg(0).isObject()) {
                e.scrollRect.reset();
            } else {
                std::array<double, 4> r{};
                const char* keys[4] = {"x", "y", "width", "height"};
                for (int i = 0; i < 4; ++i) r[static_cast<std::size_t>(i)] = toNumber(vm, vm.getMember(c.arg(0), keys[i]));
                // A rectangle that is not a number throughout shows nothing rather than everything.
                for (double& d : r)
                    if (!std::isfinite(d)) d = 0;
                e.scrollRect = r;
            }
            vm.host().setEffects(clip, e);
            return Value();
        });
}

// setMask(clip) masks this clip by another (which then shows only as the mask); setMask(null)
// ends it. A clip masks one clip at a time.
Value setMask(Vm& vm, Args c) {
    ClipEffects e;
    ClipId clip = effectsOf(vm, c, e);
    if (!clip) return Value(false);
    ClipId mask = vm.clipOf(c.arg(0));
    if (mask == clip) mask = 0;
    e.mask = mask;
    vm.host().setEffects(clip, e);
    return Value(true);
}

void installRectangle(Vm& vm, Object& geom) {
    ObjectRef proto = vm.alloc(vm.protos.object);
    ObjectRef ctor = vm.defineClass("Rectangle", [](Vm&, Args) -> Value { return Value(); }, proto,
        [](Vm&, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) {
                const char* keys[4] = {"x", "y", "width", "height"};
                for (std::size_t i = 0; i < 4; ++i) o->define(keys[i], c.arg(i).isUndefined() ? Value(0.0) : c.arg(i));
            }
            return c.thisValue;
        });
    vm.global()->remove("Rectangle", NameCase::Sensitive);
    geom.define("Rectangle", ctor, kDontEnum);
    vm.method(*proto, "clone", [](Vm& vm, Args c) -> Value {
        const Value args[4] = {vm.getMember(c.thisValue, "x"), vm.getMember(c.thisValue, "y"),
                               vm.getMember(c.thisValue, "width"), vm.getMember(c.thisValue, "height")};
        return vm.construct(vm.getMember(c.thisValue, "constructor"), args);
    });
    vm.method(*proto, "toString", [](Vm& vm, Args c) -> Value {
        auto s = [&](const char* k) { return toString(vm, vm.getMember(c.thisValue, k)); };
        return Value("(x=" + s("x") + ", y=" + s("y") + ", w=" + s("width") + ", h=" + s("height") + ")");
    });
}

}  // namespace

void installFilterBuiltins(Vm& vm) {
    ObjectRef flash = package(vm, *vm.global(), "flash");
    ObjectRef filters = package(vm, *flash, "filters");
    ObjectRef geom = package(vm, *flash, "geom");
    defineFilterClasses(vm, *filters, std::make_index_sequence<8>{});
    installRectangle(vm, *geom);
    installClipEffects(vm, *vm.protos.clip);
    vm.method(*vm.protos.clip, "setMask", setMask);
    if (vm.version() < 8) {
        vm.global()->remove("flash", NameCase::Sensitive);
        vm.global()->define(kHiddenFlash, Value(flash), kDontEnum);
    }
}

}  // namespace avm1

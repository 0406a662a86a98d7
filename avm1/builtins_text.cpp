// TextField, TextFormat and MovieClip.createTextField. A text field's script object is a clip
// object (its display properties work the same way) whose prototype holds the text properties
// as getter/setter pairs that go to the host.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

constexpr std::array<const char*, static_cast<std::size_t>(TextProp::Count)> kTextProps = {
    "text", "htmlText", "html", "border", "background", "borderColor", "backgroundColor", "textColor",
    "multiline", "wordWrap", "autoSize", "selectable", "password", "maxChars", "variable", "type",
    "embedFonts", "length", "textWidth", "textHeight"};

enum class Kind : std::uint8_t { String, Flag, Number, ReadOnly };

Kind kindOf(TextProp p) {
    switch (p) {
    case TextProp::Text:
    case TextProp::HtmlText:
    case TextProp::Variable:
    case TextProp::AutoSize:
    case TextProp::Type: return Kind::String;
    case TextProp::BorderColor:
    case TextProp::BackgroundColor:
    case TextProp::TextColor:
    case TextProp::MaxChars: return Kind::Number;
    case TextProp::Length:
    case TextProp::TextWidth:
    case TextProp::TextHeight: return Kind::ReadOnly;
    default: return Kind::Flag;
    }
}

ClipId field(Vm& vm, Args c) {
    ClipId id = vm.clipOf(c.thisValue);
    return id && vm.host().isTextField(id) ? id : 0;
}

TextProp propOf(Args c) { return static_cast<TextProp>(static_cast<int>(c.callee->primitive.num())); }

Value getText(Vm& vm, Args c) {
    ClipId id = field(vm, c);
    return id ? vm.host().textProperty(id, propOf(c)) : Value();
}

Value setText(Vm& vm, Args c) {
    ClipId id = field(vm, c);
    TextProp p = propOf(c);
    if (!id || c.args.empty()) return Value();
    const Value& v = c.arg(0);
    switch (kindOf(p)) {
    case Kind::String:
        // autoSize takes true and false for "left" and "none".
        if (p == TextProp::AutoSize && v.isBool()) {
            vm.host().setTextProperty(id, p, Value(v.boolean() ? "left" : "none"));
            break;
        }
        vm.host().setTextProperty(id, p, Value(p == TextProp::Variable && v.isNullish() ? std::string() : toString(vm, v)));
        break;
    case Kind::Flag: vm.host().setTextProperty(id, p, Value(toBoolean(v, vm.ctx.version))); break;
    case Kind::Number: {
        double d = toNumber(vm, v);
        if (!std::isnan(d)) vm.host().setTextProperty(id, p, Value(d));
        break;
    }
    case Kind::ReadOnly: break;
    }
    return Value();
}

// TextFormat members, in the order of the constructor's arguments.
constexpr std::array<const char*, 13> kFormatMembers = {
    "font", "size", "color", "bold", "italic", "underline", "url", "target", "align",
    "leftMargin", "rightMargin", "indent", "leading"};

TextStyle styleOf(Vm& vm, const Value& format) {
    TextStyle s;
    if (!format.obj()) return s;
    auto member = [&](const char* name) { return vm.getMember(format, name); };
    auto number = [&](const char* name, double& out) {
        Value v = member(name);
        if (v.isNullish()) return false;
        double d = toNumber(vm, v);
        if (std::isnan(d)) return false;
        out = d;
        return true;
    };
    auto flag = [&](const char* name, int& out) {
        Value v = member(name);
        if (!v.isNullish()) out = toBoolean(v, vm.ctx.version) ? 1 : 0;
    };
    if (Value f = member("font"); !f.isNullish()) s.font = toString(vm, f);
    number("size", s.size);
    number("color", s.color);
    flag("bold", s.bold);
    flag("italic", s.italic);
    flag("underline", s.underline);
    if (Value a = member("align"); a.isString()) {
        static const char* const kAligns[] = {"left", "right", "center", "justify"};
        for (int i = 0; i < 4; ++i)
            if (a.str() == kAligns[i]) s.align = i;
    }
    s.hasLeading = number("leading", s.leading);
    bool margins = number("leftMargin", s.leftMargin);
    margins = number("rightMargin", s.rightMargin) || margins;
    margins = number("indent", s.indent) || margins;
    s.hasMargins = margins;
    return s;
}

Value formatObject(Vm& vm, const TextStyle& s) {
    ObjectRef proto = vm.getMember(vm.getMember(Value(vm.global()), "TextFormat"), "prototype").objRef();
    ObjectRef o = vm.alloc(proto ? proto : vm.protos.object);
    for (const char* m : kFormatMembers) o->define(m, Value::null());
    o->define("font", Value(s.font));
    if (s.size >= 0) o->define("size", Value(s.size));
    if (s.color >= 0) o->define("color", Value(s.color));
    if (s.bold >= 0) o->define("bold", Value(s.bold == 1));
    if (s.italic >= 0) o->define("italic", Value(s.italic == 1));
    if (s.underline >= 0) o->define("underline", Value(s.underline == 1));
    static const char* const kAligns[] = {"left", "right", "center", "justify"};
    if (s.align >= 0 && s.align < 4) o->define("align", Value(kAligns[s.align]));
    o->define("leading", Value(s.leading));
    o->define("leftMargin", Value(s.leftMargin));
    o->define("rightMargin", Value(s.rightMargin));
    o->define("indent", Value(s.indent));
    return Value(o);
}

double pixels(Vm& vm, const Value& v) {
    double d = toNumber(vm, v);
    return std::isfinite(d) ? d : 0;
}

}  // namespace

void installTextBuiltins(Vm& vm) {
    vm.protos.textField = vm.alloc(vm.protos.object);
    vm.defineClass("TextField", [](Vm&, Args) -> Value { return Value(); }, vm.protos.textField);
    Object& p = *vm.protos.textField;
    for (std::size_t i = 0; i < kTextProps.size(); ++i) {
        ObjectRef get = vm.newFunction(getText, kTextProps[i]);
        get->primitive = Value(static_cast<double>(i));
        ObjectRef set = vm.newFunction(setText, kTextProps[i]);
        set->primitive = Value(static_cast<double>(i));
        Property& pr = p.define(kTextProps[i], Value(), kDontEnum | kDontDelete);
        pr.getter = get;
        pr.setter = set;
    }
    vm.method(p, "removeTextField", [](Vm& vm, Args c) -> Value {
        ClipId id = field(vm, c);
        if (id && removableDepth(vm.host().depth(id))) vm.host().remove(id);
        return Value();
    });
    vm.method(p, "getDepth", [](Vm& vm, Args c) -> Value {
        ClipId id = field(vm, c);
        return id ? Value(vm.host().depth(id) - kDepthBias) : Value();
    });
    vm.method(p, "setTextFormat", [](Vm& vm, Args c) -> Value {
        // setTextFormat(format) or setTextFormat(begin, [end,] format): the format applies to the
        // whole field.
        ClipId id = field(vm, c);
        if (id && !c.args.empty()) vm.host().setTextStyle(id, styleOf(vm, c.args.back()), false);
        return Value();
    });
    vm.method(p, "setNewTextFormat", [](Vm& vm, Args c) -> Value {
        ClipId id = field(vm, c);
        if (id) vm.host().setTextStyle(id, styleOf(vm, c.arg(0)), true);
        return Value();
    });
    auto getFormat = [](Vm& vm, Args c) -> Value {
        ClipId id = field(vm, c);
        return id ? formatObject(vm, vm.host().textStyle(id)) : Value();
    };
    vm.method(p, "getTextFormat", getFormat);
    vm.method(p, "getNewTextFormat", getFormat);

    ObjectRef formatProto = vm.alloc(vm.protos.object);
    vm.defineClass("TextFormat", [](Vm&, Args) -> Value { return Value(); }, formatProto,
        [](Vm&, Args c) -> Value {
            if (Object* o = c.thisValue.obj())
                for (std::size_t i = 0; i < kFormatMembers.size(); ++i)
                    o->define(kFormatMembers[i], i < c.args.size() ? c.args[i] : Value::null());
            return c.thisValue;
        });

    // createTextField(name, depth, x, y, width, height): the new field (Flash 8 returns it).
    vm.method(*vm.protos.clip, "createTextField", [](Vm& vm, Args c) -> Value {
        ClipId clip = vm.clipOf(c.thisValue);
        if (!clip || vm.host().isTextField(clip) || c.args.size() < 6) return Value();
        std::int64_t depth = static_cast<std::int64_t>(toInt32(toNumber(vm, c.arg(1)))) + kDepthBias;
        double box[4];
        for (int i = 0; i < 4; ++i) box[i] = pixels(vm, c.arg(2 + static_cast<std::size_t>(i)));
        ClipId made = vm.host().createTextField(clip, toString(vm, c.arg(0)),
                                                static_cast<int>(std::clamp<std::int64_t>(depth, INT32_MIN, INT32_MAX)), box);
        return vm.clipValue(made);
    });
}

}  // namespace avm1

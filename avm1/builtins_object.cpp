// Object, Function, Boolean, Number and the global functions (isNaN, parseInt, setInterval,
// ASSetPropFlags, ...).

#include <cmath>
#include <limits>

#include "avm1/number_text.h"
#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

Value objectCtor(Vm& vm, Args c) {
    if (c.args.empty() || c.arg(0).isNullish()) return vm.newObject();
    return Value(vm.toObject(c.arg(0)));
}

Value objectConstruct(Vm& vm, Args c) {
    if (c.args.empty() || c.arg(0).isNullish()) return c.thisValue;
    return Value(vm.toObject(c.arg(0)));
}

// The property names ASSetPropFlags acts on: a comma list, an array, or null for all.
std::vector<std::string> propNames(Vm& vm, Object& o, const Value& which) {
    std::vector<std::string> names;
    if (which.isNull()) {
        for (auto& p : o.properties()) names.push_back(p.name);
    } else if (Object* a = which.obj(); a && a->kind == ObjectKind::Array) {
        for (const Value& v : a->elements) names.push_back(toString(vm, v));
    } else {
        std::string s = toString(vm, which);
        std::size_t start = 0;
        while (start <= s.size()) {
            std::size_t comma = s.find(',', start);
            if (comma == std::string::npos) comma = s.size();
            names.push_back(s.substr(start, comma - start));
            start = comma + 1;
        }
    }
    return names;
}

Value boxedPrimitive(const CallArgs& c) {
    if (Object* o = c.thisValue.obj(); o && o->kind == ObjectKind::Boxed) return o->primitive;
    return c.thisValue;
}

}  // namespace

void installObjectBuiltins(Vm& vm) {
    Object& op = *vm.protos.object;
    ObjectRef objectCtorFn = vm.defineClass("Object", objectCtor, vm.protos.object, objectConstruct);
    vm.method(op, "toString", [](Vm&, Args c) -> Value {
        Object* o = c.thisValue.obj();
        if (o && o->kind == ObjectKind::Function) return Value("[type Function]");
        return Value("[object Object]");
    });
    vm.method(op, "valueOf", [](Vm&, Args c) -> Value { return c.thisValue; });
    vm.method(op, "hasOwnProperty", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        if (!o || c.args.empty()) return Value(false);
        std::string name = toString(vm, c.arg(0));
        if (name.empty()) return Value(false);
        if (name == "__proto__") return Value(o->proto != nullptr || o->findOwn(name, NameCase::Sensitive));
        std::size_t idx;
        if ((o->kind == ObjectKind::Array) && parseIndex(name, idx) && idx < o->elements.size())
            return Value(!o->elements[idx].isHole());
        return Value(o->findOwn(name, vm.nameCase()) != nullptr);
    });
    vm.method(op, "isPrototypeOf", [](Vm&, Args c) -> Value {
        Object* self = c.thisValue.obj();
        Object* o = c.arg(0).obj();
        int guard = 0;
        for (Object* p = o ? o->proto.get() : nullptr; p && guard < 256; p = p->proto.get(), ++guard)
            if (p == self) return Value(true);
        return Value(false);
    });
    vm.method(op, "isPropertyEnumerable", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        const Property* p = o ? o->findOwn(toString(vm, c.arg(0)), vm.nameCase()) : nullptr;
        return Value(p && !(p->flags & kDontEnum));
    });
    vm.method(op, "addProperty", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        std::string name = toString(vm, c.arg(0));
        Object* getter = c.arg(1).obj();
        if (!o || name.empty() || !getter || getter->kind != ObjectKind::Function) return Value(false);
        Property& p = o->define(name, Value(), 0, vm.nameCase());
        p.getter = c.arg(1).objRef();
        Object* setter = c.arg(2).obj();
        if (setter && setter->kind == ObjectKind::Function) p.setter = c.arg(2).objRef();
        return Value(true);
    });
    vm.method(op, "watch", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        Object* fn = c.arg(1).obj();
        if (!o || c.args.size() < 2 || !fn || fn->kind != ObjectKind::Function) return Value(false);
        o->define(watchKey(toString(vm, c.arg(0))), Value(vm.newArray({c.arg(1), c.arg(2)})), kDontEnum, vm.nameCase());
        o->watched = true;
        return Value(true);
    });
    vm.method(op, "unwatch", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        return Value(o && o->remove(watchKey(toString(vm, c.arg(0))), vm.nameCase()));
    });
    vm.method(*objectCtorFn, "registerClass", [](Vm& vm, Args c) -> Value {
        Value reg = vm.getMember(Value(vm.global()), "__registeredClasses");
        if (!reg.obj()) {
            reg = Value(vm.newObject());
            vm.global()->define("__registeredClasses", reg, kDontEnum);
        }
        reg.obj()->define(toString(vm, c.arg(0)), c.arg(1));
        return Value(true);
    });

    // Function
    Object& fp = *vm.protos.function;
    ObjectRef functionCtor = vm.defineClass("Function", [](Vm&, Args) -> Value { return Value(); }, vm.protos.function);
    objectCtorFn->define("constructor", Value(functionCtor), kDontEnum);
    functionCtor->define("constructor", Value(functionCtor), kDontEnum);
    vm.method(fp, "call", [](Vm& vm, Args c) -> Value {
        std::span<const Value> rest = c.args.empty() ? c.args : c.args.subspan(1);
        return vm.call(c.thisValue, c.arg(0), rest);
    });
    vm.method(fp, "apply", [](Vm& vm, Args c) -> Value {
        std::vector<Value> args;
        if (Object* a = c.arg(1).obj(); a && (a->kind == ObjectKind::Array || a->kind == ObjectKind::Arguments))
            args = a->elements;
        return vm.call(c.thisValue, c.arg(0), args);
    });

    // Error: a message (the prototype's "Error" unless given) that toString gives back.
    vm.protos.error = vm.alloc(vm.protos.object);
    // Called without `new` it makes a new error too (its `this` is left alone).
    vm.defineClass("Error",
        [](Vm& vm, Args c) -> Value {
            Value self(vm.alloc(vm.protos.error));
            if (!c.arg(0).isUndefined()) vm.setMember(self, "message", c.arg(0));
            return self;
        },
        vm.protos.error,
        [](Vm& vm, Args c) -> Value {
            if (!c.arg(0).isUndefined()) vm.setMember(c.thisValue, "message", c.arg(0));
            return c.thisValue;
        });
    vm.protos.error->define("message", Value("Error"), kDontEnum);
    vm.protos.error->define("name", Value("Error"), kDontEnum);
    vm.method(*vm.protos.error, "toString", [](Vm& vm, Args c) -> Value {
        return Value(toString(vm, vm.getMember(c.thisValue, "message")));
    });

    // Boolean
    vm.protos.boolean = vm.alloc(vm.protos.object);
    vm.defineClass("Boolean",
        // Called without an argument, Boolean() gives undefined (not false).
        [](Vm& vm, Args c) -> Value { return c.args.empty() ? Value() : Value(toBoolean(c.arg(0), vm.ctx.version)); },
        vm.protos.boolean,
        [](Vm& vm, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) {
                o->kind = ObjectKind::Boxed;
                o->primitive = Value(toBoolean(c.arg(0), vm.ctx.version));
            }
            return c.thisValue;
        });
    vm.method(*vm.protos.boolean, "toString", [](Vm&, Args c) -> Value {
        Value p = boxedPrimitive(c);
        return Value(p.isBool() ? (p.boolean() ? "true" : "false") : "[object Object]");
    });
    vm.method(*vm.protos.boolean, "valueOf", [](Vm&, Args c) -> Value { return boxedPrimitive(c); });

    // Number
    vm.protos.number = vm.alloc(vm.protos.object);
    ObjectRef numberFn = vm.defineClass("Number",
        [](Vm& vm, Args c) -> Value { return c.args.empty() ? Value(0.0) : Value(toNumber(vm, c.arg(0))); },
        vm.protos.number,
        [](Vm& vm, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) {
                o->kind = ObjectKind::Boxed;
                o->primitive = c.args.empty() ? Value(0.0) : Value(toNumber(vm, c.arg(0)));
            }
            return c.thisValue;
        });
    vm.method(*vm.protos.number, "toString", [](Vm& vm, Args c) -> Value {
        Value p = boxedPrimitive(c);
        if (!p.isNumber()) return Value("[object Object]");
        int radix = c.arg(0).isUndefined() ? 10 : static_cast<int>(toNumber(vm, c.arg(0)));
        return Value(numberToRadix(p.num(), radix));
    });
    vm.method(*vm.protos.number, "valueOf", [](Vm&, Args c) -> Value { return boxedPrimitive(c); });
    constexpr std::uint8_t kConst = kDontEnum | kDontDelete | kReadOnly;
    numberFn->define("MAX_VALUE", Value(std::numeric_limits<double>::max()), kConst);
    numberFn->define("MIN_VALUE", Value(std::numeric_limits<double>::denorm_min()), kConst);
    numberFn->define("NaN", Value(std::numeric_limits<double>::quiet_NaN()), kConst);
    numberFn->define("POSITIVE_INFINITY", Value(INFINITY), kConst);
    numberFn->define("NEGATIVE_INFINITY", Value(-INFINITY), kConst);
}

void installGlobalFunctions(Vm& vm) {
    Object& g = *vm.global();
    g.define("NaN", Value(std::numeric_limits<double>::quiet_NaN()), kDontEnum);
    g.define("Infinity", Value(INFINITY), kDontEnum);
    vm.method(g, "isNaN", [](Vm& vm, Args c) -> Value { return Value(c.args.empty() || std::isnan(toNumber(vm, c.arg(0)))); });
    vm.method(g, "isFinite", [](Vm& vm, Args c) -> Value { return Value(!c.args.empty() && std::isfinite(toNumber(vm, c.arg(0)))); });
    vm.method(g, "parseFloat", [](Vm& vm, Args c) -> Value {
        std::string s = toString(vm, c.arg(0));
        std::size_t i = 0;
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
        std::size_t k = i;
        if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
        std::size_t digits = 0;
        while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k, ++digits;
        if (k < s.size() && s[k] == '.') {
            ++k;
            while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k, ++digits;
        }
        if (!digits) return Value(std::numeric_limits<double>::quiet_NaN());
        if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
            std::size_t e = k + 1;
            if (e < s.size() && (s[e] == '-' || s[e] == '+')) ++e;
            if (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) {
                k = e;
                while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
            }
        }
        return Value(parseDecimal(std::string_view(s).substr(i, k - i)));
    });
    vm.method(g, "parseInt", [](Vm& vm, Args c) -> Value {
        std::string s = toString(vm, c.arg(0));
        int radix = c.arg(1).isUndefined() ? 0 : toInt32(toNumber(vm, c.arg(1)));
        std::size_t i = 0;
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
        bool neg = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
        if ((radix == 0 || radix == 16) && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
            radix = 16;
            i += 2;
        } else if (radix == 0 && i + 1 < s.size() && s[i] == '0') {
            radix = 8;  // a leading zero reads as octal, as in the reference players
        }
        if (radix == 0) radix = 10;
        if (radix < 2 || radix > 36) return Value(std::numeric_limits<double>::quiet_NaN());
        double v = 0;
        std::size_t digits = 0;
        for (; i < s.size(); ++i, ++digits) {
            char ch = s[i];
            int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
                    : std::isalpha(static_cast<unsigned char>(ch)) ? std::tolower(ch) - 'a' + 10 : 99;
            if (d >= radix) break;
            v = v * radix + d;
        }
        if (!digits) return Value(std::numeric_limits<double>::quiet_NaN());
        return Value(neg ? -v : v);
    });
    vm.method(g, "escape", [](Vm& vm, Args c) -> Value {
        std::string s = toString(vm, c.arg(0)), out;
        for (unsigned char ch : s) {
            if (std::isalnum(ch)) out += static_cast<char>(ch);
            else {
                out += '%';
                out += "0123456789ABCDEF"[ch >> 4];
                out += "0123456789ABCDEF"[ch & 15];
            }
        }
        return Value(out);
    });
    vm.method(g, "unescape", [](Vm& vm, Args c) -> Value {
        std::string s = toString(vm, c.arg(0)), out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
                out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += s[i];
            }
        }
        return Value(out);
    });
    vm.method(g, "getTimer", [](Vm& vm, Args) -> Value { return Value(std::floor(vm.host().timerMs())); });
    auto setInterval = [](Vm& vm, Args c) -> Value {
        // setInterval(fn, ms, args...) or setInterval(object, "method", ms, args...)
        if (Object* f = c.arg(0).obj(); f && f->kind == ObjectKind::Function) {
            std::vector<Value> rest(c.args.begin() + std::min<std::size_t>(2, c.args.size()), c.args.end());
            return Value(vm.addInterval(c.arg(0), Value(), {}, toNumber(vm, c.arg(1)), std::move(rest)));
        }
        if (!c.arg(0).isObject()) return Value();
        std::vector<Value> rest(c.args.begin() + std::min<std::size_t>(3, c.args.size()), c.args.end());
        return Value(vm.addInterval(Value(), c.arg(0), toString(vm, c.arg(1)), toNumber(vm, c.arg(2)), std::move(rest)));
    };
    vm.method(g, "setInterval", setInterval);
    vm.method(g, "clearInterval", [](Vm& vm, Args c) -> Value {
        vm.removeInterval(toInt32(toNumber(vm, c.arg(0))));
        return Value();
    });
    vm.method(g, "ASSetPropFlags", [](Vm& vm, Args c) -> Value {
        Object* o = c.arg(0).obj();
        if (!o) return Value();
        auto set = static_cast<std::uint8_t>(toInt32(toNumber(vm, c.arg(2))) & 7);
        auto clear = static_cast<std::uint8_t>(toInt32(toNumber(vm, c.arg(3))) & 7);
        for (const std::string& n : propNames(vm, *o, c.arg(1))) {
            Property* p = o->findOwn(n, vm.nameCase());
            // The prototype link starts out as a hidden, undeletable property of every object.
            if (!p && sameName(n, "__proto__", vm.nameCase()) && o->proto) {
                p = &o->define("__proto__", Value(o->proto), 0, NameCase::Sensitive);
                p->flags = kDontEnum | kDontDelete;
            }
            if (p) p->flags = static_cast<std::uint8_t>((p->flags & ~clear) | set);
        }
        return Value();
    });
    // AsBroadcaster: the listener methods MovieClipLoader has (they keep `_listeners`), as
    // functions of its own that initialize() gives to any object.
    ObjectRef broadcaster = vm.newFunction([](Vm&, Args) -> Value { return Value(); }, "AsBroadcaster");
    g.define("AsBroadcaster", Value(broadcaster), kDontEnum);
    broadcaster->define("prototype", Value(vm.newObject()), kDontEnum | kDontDelete);
    Value loaderProto = vm.getMember(vm.getMember(Value(vm.global()), "MovieClipLoader"), "prototype");
    for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
        broadcaster->define(name, vm.getMember(loaderProto, name), kDontEnum);
    static constexpr auto makeBroadcaster = [](Vm& vm, Object& o, Object& from) {
        for (const char* name : {"addListener", "removeListener", "broadcastMessage"})
            if (const Property* p = from.findOwn(name, NameCase::Sensitive)) o.define(name, p->value, kDontEnum);
        o.define("_listeners", Value(vm.newArray()), kDontEnum);
    };
    vm.method(*broadcaster, "initialize", [](Vm& vm, Args c) -> Value {
        Object* o = c.arg(0).obj();
        Object* b = vm.getMember(Value(vm.global()), "AsBroadcaster").obj();
        if (o && b) makeBroadcaster(vm, *o, *b);
        return Value();
    });
    for (const char* name : {"Key", "Mouse"})
        if (Object* o = vm.getMember(Value(vm.global()), name).obj()) makeBroadcaster(vm, *o, *broadcaster);
    vm.method(g, "fscommand", [](Vm& vm, Args c) -> Value {
        vm.host().getUrl("FSCommand:" + toString(vm, c.arg(0)), toString(vm, c.arg(1)));
        return Value();
    });
}

}  // namespace avm1

// String (positions count bytes of the UTF-8 text) and Math.

#include <cmath>
#include <string_view>
#include <cstdint>

#include "avm1/case_map.h"
#include "core/text_encoding.h"
#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

std::string selfString(Vm& vm, const CallArgs& c) {
    if (Object* o = c.thisValue.obj(); o && o->kind == ObjectKind::Boxed && o->primitive.isString())
        return o->primitive.str();
    return toString(vm, c.thisValue);
}

// Strings as the methods count them: UTF-16 code units from SWF 6 on (the text is UTF-8), one
// unit per byte before.
std::u16string units(Vm& vm, const std::string& s) {
    std::u16string u;
    u.reserve(s.size());
    if (vm.ctx.version < 6) {
        for (unsigned char ch : s) u.push_back(ch);
        return u;
    }
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = b;
        std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (n > 1 && i + n <= s.size()) {
            cp = b & (0xFF >> (n + 1));
            for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        } else {
            n = 1;
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            u.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            u.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            u.push_back(static_cast<char16_t>(cp));
        }
    }
    return u;
}

std::string text(Vm& vm, std::u16string_view u) {
    std::string out;
    if (vm.ctx.version < 6) {
        for (char16_t ch : u) out += static_cast<char>(ch);
        return out;
    }
    for (std::size_t i = 0; i < u.size(); ++i) {
        std::uint32_t cp = u[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (u[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp < 0xE000)
            cp = 0xFFFD;  // half of a pair cannot be written as UTF-8
        core::appendUtf8(out, cp);
    }
    return out;
}

// A position argument made an integer in 0..len (negative counts from the end when `fromEnd`).
std::size_t position(Vm& vm, const Value& v, std::size_t len, std::size_t fallback, bool fromEnd) {
    if (v.isUndefined()) return fallback;
    double d = toInt32(toNumber(vm, v));  // positions wrap like 32-bit integers
    if (d < 0) d = fromEnd ? std::max(0.0, static_cast<double>(len) + d) : 0;
    return static_cast<std::size_t>(std::min(d, static_cast<double>(len)));
}

std::string caseCopy(Vm& vm, std::string s, bool upper) {
    if (vm.ctx.version >= 6) return caseMapped(s, upper);
    for (char& ch : s) ch = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(ch)) : std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// The first two arguments are converted (valueOf runs) even when the function uses one.
double firstNumber(Vm& vm, const CallArgs& c, double* second = nullptr) {
    double first = std::nan(""), next = std::nan("");
    for (std::size_t i = 0; i < c.args.size() && i < 2; ++i) {
        double d = toNumber(vm, c.args[i]);
        if (i == 0) first = d;
        if (i == 1) next = d;
    }
    if (second) *second = next;
    return first;
}

Value mathUnary(Vm& vm, const CallArgs& c, double (*fn)(double)) {
    if (c.args.empty()) return Value(std::nan(""));
    return Value(fn(firstNumber(vm, c)));
}

// Math.min and Math.max take two numbers (a missing one is undefined); more are ignored.
Value minMax(Vm& vm, const CallArgs& c, bool max) {
    if (c.args.empty()) return Value(max ? -INFINITY : INFINITY);
    double a = toNumber(vm, c.arg(0));
    if (c.args.size() < 2) return Value(std::nan(""));  // one number has no minimum
    double b = toNumber(vm, c.arg(1));
    if (std::isnan(a) || std::isnan(b)) return Value(std::nan(""));
    return Value(max ? std::max(a, b) : std::min(a, b));
}

}  // namespace

void installStringBuiltins(Vm& vm) {
    vm.protos.string = vm.alloc(vm.protos.object);
    ObjectRef ctor = vm.defineClass("String",
        [](Vm& vm, Args c) -> Value { return Value(c.args.empty() ? std::string() : toString(vm, c.arg(0))); },
        vm.protos.string,
        [](Vm& vm, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) {
                o->kind = ObjectKind::Boxed;
                o->primitive = Value(c.args.empty() ? std::string() : toString(vm, c.arg(0)));
                // A String object keeps its length as a property of its own, which scripts can
                // overwrite but not delete or enumerate.
                o->define("length", Value(static_cast<double>(textLength(o->primitive.str(), vm.ctx.version))),
                          kDontEnum | kDontDelete);
            }
            return c.thisValue;
        });
    vm.method(*ctor, "fromCharCode", [](Vm& vm, Args c) -> Value {
        std::u16string u;
        for (const Value& v : c.args) {
            auto ch = static_cast<std::uint32_t>(toInt32(toNumber(vm, v))) & 0xFFFF;
            if (ch == 0) break;  // strings end at a zero character
            u.push_back(static_cast<char16_t>(ch));
        }
        return Value(text(vm, u));
    });
    Object& p = *vm.protos.string;
    vm.method(p, "toString", [](Vm& vm, Args c) -> Value { return Value(selfString(vm, c)); });
    vm.method(p, "valueOf", [](Vm& vm, Args c) -> Value { return Value(selfString(vm, c)); });
    vm.method(p, "charAt", [](Vm& vm, Args c) -> Value {
        std::u16string s = units(vm, selfString(vm, c));
        double i = toInt32(toNumber(vm, c.arg(0)));
        if (i < 0 || i >= static_cast<double>(s.size())) return Value(std::string());
        return Value(text(vm, std::u16string_view(s).substr(static_cast<std::size_t>(i), 1)));
    });
    vm.method(p, "charCodeAt", [](Vm& vm, Args c) -> Value {
        std::u16string s = units(vm, selfString(vm, c));
        double i = toInt32(toNumber(vm, c.arg(0)));
        if (i < 0) return Value(std::nan(""));
        if (i >= static_cast<double>(s.size())) return Value(vm.ctx.version >= 6 ? std::nan("") : 0.0);
        return Value(static_cast<double>(s[static_cast<std::size_t>(i)]));
    });
    vm.method(p, "indexOf", [](Vm& vm, Args c) -> Value {
        if (c.args.empty()) return Value();
        std::u16string s = units(vm, selfString(vm, c)), what = units(vm, toString(vm, c.arg(0)));
        double start = c.arg(1).isUndefined() ? 0 : toInt32(toNumber(vm, c.arg(1)));
        if (start > static_cast<double>(s.size())) return Value(-1.0);
        std::size_t at = s.find(what, start < 0 ? 0 : static_cast<std::size_t>(start));
        return Value(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
    });
    vm.method(p, "lastIndexOf", [](Vm& vm, Args c) -> Value {
        if (c.args.empty()) return Value();
        std::u16string s = units(vm, selfString(vm, c)), what = units(vm, toString(vm, c.arg(0)));
        std::size_t from = c.arg(1).isUndefined() ? std::u16string::npos : position(vm, c.arg(1), s.size(), 0, false);
        std::size_t at = s.rfind(what, from);
        return Value(at == std::u16string::npos ? -1.0 : static_cast<double>(at));
    });
    vm.method(p, "substr", [](Vm& vm, Args c) -> Value {
        if (c.args.empty()) return Value();
        std::u16string s = units(vm, selfString(vm, c));
        std::size_t from = position(vm, c.arg(0), s.size(), 0, true);
        double n = c.arg(1).isUndefined() ? static_cast<double>(s.size()) : toInt32(toNumber(vm, c.arg(1)));
        if (n <= 0) return Value(std::string());
        return Value(text(vm, std::u16string_view(s).substr(from, static_cast<std::size_t>(std::min(n, static_cast<double>(s.size()))))));
    });
    vm.method(p, "substring", [](Vm& vm, Args c) -> Value {
        if (c.args.empty()) return Value();
        std::u16string s = units(vm, selfString(vm, c));
        std::size_t a = position(vm, c.arg(0), s.size(), 0, false);
        std::size_t b = position(vm, c.arg(1), s.size(), s.size(), false);
        if (a > b) std::swap(a, b);
        return Value(text(vm, std::u16string_view(s).substr(a, b - a)));
    });
    vm.method(p, "slice", [](Vm& vm, Args c) -> Value {
        if (c.args.empty()) return Value();
        std::u16string s = units(vm, selfString(vm, c));
        std::size_t a = position(vm, c.arg(0), s.size(), 0, true);
        std::size_t b = position(vm, c.arg(1), s.size(), s.size(), true);
        return Value(a < b ? text(vm, std::u16string_view(s).substr(a, b - a)) : std::string());
    });
    vm.method(p, "toUpperCase", [](Vm& vm, Args c) -> Value { return Value(caseCopy(vm, selfString(vm, c), true)); });
    vm.method(p, "toLowerCase", [](Vm& vm, Args c) -> Value { return Value(caseCopy(vm, selfString(vm, c), false)); });
    vm.method(p, "concat", [](Vm& vm, Args c) -> Value {
        std::string s = selfString(vm, c);
        for (const Value& v : c.args) s += toString(vm, v);
        return Value(s);
    });
    vm.method(p, "split", [](Vm& vm, Args c) -> Value {
        std::string s = selfString(vm, c);
        std::vector<Value> parts;
        bool old = vm.ctx.version < 6;  // SWF 5: "," by default, and "" does not split
        if (c.arg(0).isUndefined() && !old) {
            parts.emplace_back(s);
            return Value(vm.newArray(std::move(parts)));
        }
        std::string sep = c.arg(0).isUndefined() ? std::string(",") : toString(vm, c.arg(0));
        std::size_t limit = SIZE_MAX;
        if (c.args.size() > 1 && !c.arg(1).isUndefined()) {
            std::int32_t l = toInt32(toNumber(vm, c.arg(1)));
            limit = l > 0 ? static_cast<std::size_t>(l) : 0;
        }
        if (limit == 0) return Value(vm.newArray());
        if (sep.empty() && old) {
            parts.emplace_back(s);
        } else if (sep.empty()) {
            std::u16string u = units(vm, s);
            for (std::size_t i = 0; i < u.size() && parts.size() < limit; ++i)
                parts.emplace_back(text(vm, std::u16string_view(u).substr(i, 1)));
        } else {
            std::size_t start = 0;
            while (parts.size() < limit) {
                std::size_t at = s.find(sep, start);
                if (at == std::string::npos) {
                    parts.emplace_back(s.substr(start));
                    break;
                }
                parts.emplace_back(s.substr(start, at - start));
                start = at + sep.size();
            }
        }
        return Value(vm.newArray(std::move(parts)));
    });
}

void installMathBuiltins(Vm& vm) {
    ObjectRef m = vm.newObject();
    vm.global()->define("Math", m, kDontEnum);
    constexpr std::uint8_t kConst = kDontEnum | kDontDelete | kReadOnly;
    m->define("E", Value(2.718281828459045), kConst);
    m->define("LN10", Value(2.302585092994046), kConst);
    m->define("LN2", Value(0.6931471805599453), kConst);
    m->define("LOG10E", Value(0.4342944819032518), kConst);
    m->define("LOG2E", Value(1.4426950408889634), kConst);
    m->define("PI", Value(3.141592653589793), kConst);
    m->define("SQRT1_2", Value(0.7071067811865476), kConst);
    m->define("SQRT2", Value(1.4142135623730951), kConst);
    vm.method(*m, "abs", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::fabs); });
    vm.method(*m, "acos", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::acos); });
    vm.method(*m, "asin", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::asin); });
    vm.method(*m, "atan", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::atan); });
    vm.method(*m, "ceil", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::ceil); });
    vm.method(*m, "cos", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::cos); });
    vm.method(*m, "exp", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::exp); });
    vm.method(*m, "floor", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::floor); });
    vm.method(*m, "log", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::log); });
    vm.method(*m, "sin", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::sin); });
    vm.method(*m, "sqrt", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::sqrt); });
    vm.method(*m, "tan", [](Vm& vm, Args c) -> Value { return mathUnary(vm, c, std::tan); });
    vm.method(*m, "round", [](Vm& vm, Args c) -> Value {
        return mathUnary(vm, c, [](double d) { return std::floor(d + 0.5); });
    });
    vm.method(*m, "atan2", [](Vm& vm, Args c) -> Value {
        double y2 = 0, y1 = firstNumber(vm, c, &y2);
        return Value(std::atan2(y1, y2));
    });
    vm.method(*m, "pow", [](Vm& vm, Args c) -> Value {
        double e = 0, b = firstNumber(vm, c, &e);
        return Value(std::pow(b, e));
    });
    vm.method(*m, "random", [](Vm& vm, Args c) -> Value {
        firstNumber(vm, c);  // converted and ignored, as in the reference player
        return Value(vm.random01());
    });
    vm.method(*m, "max", [](Vm& vm, Args c) -> Value { return minMax(vm, c, true); });
    vm.method(*m, "min", [](Vm& vm, Args c) -> Value { return minMax(vm, c, false); });
}

}  // namespace avm1

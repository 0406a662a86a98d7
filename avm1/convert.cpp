// Conversions between value kinds, equality and ordering. Every rule that depends on the SWF
// version of the running code is here.

#include <cmath>
#include <cstring>
#include <limits>

#include "avm1/number_text.h"
#include "avm1/object.h"
#include "avm1/value.h"
#include "avm1/vm.h"

namespace avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

double stringToNumber(std::string_view s, unsigned version) {
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    s = s.substr(i);
    if (s.empty()) return version >= 5 ? kNaN : 0.0;
    // Hexadecimal "0x1F" (SWF 6 and later), signed only after the mark ("0x-10"; "-0x10" is
    // no number); octal "0777" with an optional sign. Text with leading spaces is decimal only.
    if (version >= 6 && s.size() > 2 && i == 0) {
        std::size_t p = (s[0] == '-' || s[0] == '+') ? 1 : 0;
        if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            double v = 0;
            std::size_t k = 2;
            bool negative = false;
            if (s[k] == '-' || s[k] == '+') negative = s[k++] == '-';
            if (k == s.size()) return kNaN;
            for (; k < s.size(); ++k) {
                char c = s[k];
                int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
                if (d < 0) return kNaN;
                v = v * 16 + d;
            }
            // Integer literals in text are 32-bit: "0xFF000000" is negative.
            return toInt32(negative ? -v : v);
        }
        // Octal "0777": a leading zero and octal digits only (else it is decimal, "019").
        if (s.size() > p + 1 && s[p] == '0') {
            double v = 0;
            std::size_t k = p + 1;
            for (; k < s.size() && s[k] >= '0' && s[k] <= '7'; ++k) v = v * 8 + (s[k] - '0');
            if (k == s.size()) return toInt32(s[0] == '-' ? -v : v);
        }
    }
    // Decimal: sign, digits, fraction, exponent; nothing else may follow but spaces.
    std::size_t k = 0;
    if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
    std::size_t digits = 0;
    while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k, ++digits;
    if (k < s.size() && s[k] == '.') {
        ++k;
        while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k, ++digits;
    }
    if (digits == 0) return version >= 5 ? kNaN : 0.0;
    if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
        std::size_t e = k + 1;
        if (e < s.size() && (s[e] == '-' || s[e] == '+')) ++e;
        if (e < s.size() && s[e] >= '0' && s[e] <= '9') {
            k = e;
            while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k;
        } else if (e == s.size() && version >= 5) {
            // An exponent mark with no digits at the end is an exponent of zero: "2e" is 2.
            return parseDecimal(s.substr(0, k));
        }
    }
    std::size_t end = k;
    if (k != s.size() && version >= 5) return kNaN;  // anything after the number, spaces too
    return parseDecimal(s.substr(0, end));
}

std::string numberToString(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    if (d == 0) return "0";
    // 15 significant digits, then the shortest form of them.
    bool negative = d < 0;
    char buf[15];
    int exp = decimalDigits(negative ? -d : d, 15, buf);
    std::string digits(buf, sizeof buf);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exp < -5 || exp >= 15) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += exp < 0 ? "e-" : "e+";
        out += std::to_string(exp < 0 ? -exp : exp);
    } else if (exp < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exp - 1), '0');
        out += digits;
    } else {
        auto intLen = static_cast<std::size_t>(exp + 1);
        if (digits.size() <= intLen) {
            out += digits;
            out.append(intLen - digits.size(), '0');
        } else {
            out += digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    }
    return out;
}

std::string numberToRadix(double d, int radix) {
    if (radix == 10 || radix < 2 || radix > 36 || !std::isfinite(d)) return numberToString(d);
    std::int64_t n = static_cast<std::int64_t>(d);
    bool neg = n < 0;
    std::uint64_t u = neg ? static_cast<std::uint64_t>(-n) : static_cast<std::uint64_t>(n);
    std::string s;
    do {
        s.insert(s.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[u % static_cast<unsigned>(radix)]);
        u /= static_cast<unsigned>(radix);
    } while (u);
    return neg ? "-" + s : s;
}

std::int32_t toInt32(double d) {
    if (!std::isfinite(d)) return 0;
    double m = std::fmod(std::trunc(d), 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(m));
}

std::uint32_t toUint32(double d) { return static_cast<std::uint32_t>(toInt32(d)); }

double toInteger(double d) {
    if (std::isnan(d)) return 0;
    return std::trunc(d);
}

double primitiveToNumber(const Value& v, unsigned version) {
    switch (v.type()) {
    case Type::Undefined: return version >= 7 ? kNaN : 0.0;
    case Type::Null: return version >= 7 ? kNaN : 0.0;
    case Type::Boolean:
    case Type::Number: return v.num();
    case Type::String: return stringToNumber(v.str(), version);
    case Type::Object: return kNaN;
    }
    return kNaN;
}

std::string primitiveToString(const Value& v, unsigned version) {
    switch (v.type()) {
    case Type::Undefined: return version >= 7 ? "undefined" : "";
    case Type::Null: return "null";
    case Type::Boolean:
        if (version < 5) return v.boolean() ? "1" : "0";
        return v.boolean() ? "true" : "false";
    case Type::Number: return numberToString(v.num());
    case Type::String: return v.str();
    case Type::Object: return "[object Object]";
    }
    return "";
}

bool toBoolean(const Value& v, unsigned version) {
    switch (v.type()) {
    case Type::Undefined:
    case Type::Null: return false;
    case Type::Boolean: return v.boolean();
    case Type::Number: return v.num() != 0 && !std::isnan(v.num());
    case Type::String:
        if (version >= 7) return !v.str().empty();
        {
            double d = stringToNumber(v.str(), version);
            return d != 0 && !std::isnan(d);
        }
    case Type::Object: return true;
    }
    return false;
}

Value toPrimitive(Vm& vm, const Value& v, Hint hint) {
    Object* o = v.obj();
    if (!o) return v;
    if (hint == Hint::String) {
        if (o->kind == ObjectKind::Clip) {
            // A removed clip with nothing at its path any more reads as an empty string.
            ClipId live = vm.liveClip(*o);
            return Value(live ? vm.targetPath(live) : std::string());
        }
        Value fn = vm.getMember(v, "toString");
        if (fn.obj() && fn.obj()->kind == ObjectKind::Function) {
            Value r = vm.call(fn, v, {});
            if (r.isString()) return r;  // other results read as the object itself
        }
        return Value(o->kind == ObjectKind::Function ? "[type Function]" : "[type Object]");
    }
    // Numbers: valueOf alone; an object that stays an object converts to NaN. A clip stays
    // itself: a valueOf given to it is not consulted.
    if (o->kind == ObjectKind::Clip) return v;
    Value fn = vm.getMember(v, "valueOf");
    if (fn.obj() && fn.obj()->kind == ObjectKind::Function) return vm.call(fn, v, {});
    return Value();  // an object without valueOf has no primitive value
}

double toNumber(Vm& vm, const Value& v) {
    if (v.isNumber()) return v.num();
    if (v.isObject()) {
        Value p = toPrimitive(vm, v, Hint::Number);
        if (p.isObject()) return kNaN;
        return primitiveToNumber(p, vm.ctx.version);
    }
    return primitiveToNumber(v, vm.ctx.version);
}

std::string toString(Vm& vm, const Value& v) {
    if (v.isString()) return v.str();
    if (v.isObject()) {
        Value p = toPrimitive(vm, v, Hint::String);
        if (p.isObject()) return "[type Object]";
        return primitiveToString(p, vm.ctx.version);
    }
    return primitiveToString(v, vm.ctx.version);
}

std::size_t textLength(std::string_view s, unsigned version) {
    if (version < 6) return s.size();
    std::size_t n = 0;
    for (unsigned char b : s) {
        if ((b & 0xC0) == 0x80) continue;  // continuation byte
        n += b >= 0xF0 ? 2 : 1;             // four-byte sequences are surrogate pairs
    }
    return n;
}

const char* typeOfName(const Value& v) {
    switch (v.type()) {
    case Type::Undefined: return "undefined";
    case Type::Null: return "null";
    case Type::Boolean: return "boolean";
    case Type::Number: return "number";
    case Type::String: return "string";
    case Type::Object:
        if (v.obj()->kind == ObjectKind::Clip) return v.obj()->className.empty() ? "movieclip" : "object";
        if (v.obj()->kind == ObjectKind::Function) return "function";
        return "object";
    }
    return "undefined";
}

bool strictEquals(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case Type::Undefined:
    case Type::Null: return true;
    case Type::Boolean:
    case Type::Number: return a.num() == b.num() || (std::isnan(a.num()) && std::isnan(b.num()));
    case Type::String: return a.str() == b.str();
    case Type::Object: return a.obj() == b.obj();
    }
    return false;
}

bool looseEquals(Vm& vm, const Value& a, const Value& b) {
    unsigned ver = vm.ctx.version;
    // NaN equals NaN from SWF 7 on.
    if (a.isNumber() && b.isNumber()) return a.num() == b.num() || (ver >= 7 && std::isnan(a.num()) && std::isnan(b.num()));
    if (a.type() == b.type()) return strictEquals(a, b);
    if (a.isNullish() && b.isNullish()) return true;
    // An object whose valueOf gives nothing (no prototype) equals undefined and null.
    if (a.isNullish() != b.isNullish() && (a.isObject() || b.isObject())) {
        Value p = toPrimitive(vm, a.isObject() ? a : b, Hint::Number);
        return p.isNullish();
    }
    if (a.isNullish() || b.isNullish()) return false;
    if (a.isNumber() && b.isString()) return a.num() == stringToNumber(b.str(), ver);
    if (a.isString() && b.isNumber()) return stringToNumber(a.str(), ver) == b.num();
    if (a.isBool()) return looseEquals(vm, Value(a.num()), b);
    if (b.isBool()) return looseEquals(vm, a, Value(b.num()));
    if (b.isObject() && (a.isNumber() || a.isString())) {
        Value p = toPrimitive(vm, b, Hint::Number);
        return !p.isObject() && looseEquals(vm, a, p);
    }
    if (a.isObject() && (b.isNumber() || b.isString())) {
        Value p = toPrimitive(vm, a, Hint::Number);
        return !p.isObject() && looseEquals(vm, p, b);
    }
    return false;
}

Value lessThan(Vm& vm, const Value& a, const Value& b) {
    // A plain object that stays an object after valueOf makes the comparison false (the second
    // operand is then not converted at all); a clip counts as NaN.
    auto staysObject = [](const Value& p) { return p.isObject() && p.obj()->kind != ObjectKind::Clip; };
    Value pa = toPrimitive(vm, a, Hint::Number);
    if (staysObject(pa)) return Value(false);
    Value pb = toPrimitive(vm, b, Hint::Number);
    if (staysObject(pb)) return Value(false);
    if (pa.isString() && pb.isString()) return Value(pa.str() < pb.str());
    double x = primitiveToNumber(pa, vm.ctx.version), y = primitiveToNumber(pb, vm.ctx.version);
    if (std::isnan(x) || std::isnan(y)) return Value();
    return Value(x < y);
}

}  // namespace avm1

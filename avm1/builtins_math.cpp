// Math, and ASnative, which hands out the built-in functions by table and index (table 101 is
// Object's methods, 200 is Math). Every Math function converts its first two arguments
// (valueOf runs) whatever it uses.

#include <cmath>
#include <iterator>

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

// The first two arguments as numbers; NaN for missing ones.
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

Value unary(Vm& vm, const CallArgs& c, double (*fn)(double)) {
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

struct MathFn {
    const char* name;
    NativeFn fn;
};

// In ASnative order: ASnative(200, i) is kMathFns[i].
constexpr MathFn kMathFns[] = {
    {"abs", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::fabs); }},
    {"min", [](Vm& vm, Args c) -> Value { return minMax(vm, c, false); }},
    {"max", [](Vm& vm, Args c) -> Value { return minMax(vm, c, true); }},
    {"sin", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::sin); }},
    {"cos", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::cos); }},
    {"atan2", [](Vm& vm, Args c) -> Value {
        double x = 0, y = firstNumber(vm, c, &x);
        return Value(std::atan2(y, x));
    }},
    {"tan", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::tan); }},
    {"exp", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::exp); }},
    {"log", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::log); }},
    {"sqrt", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::sqrt); }},
    {"round", [](Vm& vm, Args c) -> Value {
        return unary(vm, c, [](double d) { return std::floor(d + 0.5); });
    }},
    {"random", [](Vm& vm, Args c) -> Value {
        firstNumber(vm, c);  // converted and ignored, as in the reference player
        return Value(vm.random01());
    }},
    {"floor", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::floor); }},
    {"ceil", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::ceil); }},
    {"atan", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::atan); }},
    {"asin", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::asin); }},
    {"acos", [](Vm& vm, Args c) -> Value { return unary(vm, c, std::acos); }},
    {"pow", [](Vm& vm, Args c) -> Value {
        double e = 0, b = firstNumber(vm, c, &e);
        return Value(std::pow(b, e));
    }},
};

constexpr int kObjectTable = 101, kMathTable = 200;

// Table 101 in its order; the functions are those installed on Object.prototype and Object.
constexpr const char* kObjectNatives[] = {"watch", "unwatch", "addProperty", "valueOf", "toString",
                                          "hasOwnProperty", "isPrototypeOf", "isPropertyEnumerable",
                                          "registerClass"};

// A Math index past the end: it converts its arguments like the others and gives NaN.
Value unknownMathFn(Vm& vm, Args c) {
    firstNumber(vm, c);
    return Value(std::nan(""));
}

}  // namespace

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
    for (const MathFn& f : kMathFns) vm.method(*m, f.name, f.fn);

    vm.method(*vm.global(), "ASnative", [](Vm& vm, Args c) -> Value {
        double table = toNumber(vm, c.arg(0)), index = toNumber(vm, c.arg(1));
        if (!(index >= 0) || index > 0xFFFF) return Value();
        if (table == kObjectTable) {
            if (index >= static_cast<double>(std::size(kObjectNatives))) return Value();
            const char* name = kObjectNatives[static_cast<std::size_t>(index)];
            Object* holder = index == 8 ? vm.getMember(Value(vm.global()), "Object").obj() : vm.protos.object.get();
            const Property* p = holder ? holder->findOwn(name, NameCase::Sensitive) : nullptr;
            Object* f = p ? p->value.obj() : nullptr;
            // A fresh function with the built-in behaviour, even where a script replaced the method.
            if (!f || !f->code || !f->code->native) return Value();
            return Value(vm.newFunction(f->code->native, name));
        }
        if (table != kMathTable) return Value();
        if (index < static_cast<double>(std::size(kMathFns))) {
            const MathFn& f = kMathFns[static_cast<std::size_t>(index)];
            return Value(vm.newFunction(f.fn, f.name));
        }
        return Value(vm.newFunction(unknownMathFn));
    });
}

}  // namespace avm1

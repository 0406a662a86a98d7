// Array: construction, the mutators, join/concat/slice/splice and sort with its flags.

#include <algorithm>
#include <cmath>

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

enum SortFlag : int { kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kReturnIndexedArray = 8, kNumeric = 16 };

// False (and the scripts stop) when an array would grow past the limit.
bool checkGrowth(Vm& vm, std::size_t size, std::size_t more) {
    if (size + more <= vm.limits().maxArrayLength) return true;
    vm.abort("script array too long");
    return false;
}

Object* arrayOf(const CallArgs& c) {
    Object* o = c.thisValue.obj();
    return o && (o->kind == ObjectKind::Array || o->kind == ObjectKind::Arguments) ? o : nullptr;
}

std::size_t clampIndex(Vm& vm, const Value& v, std::size_t len, std::size_t fallback) {
    if (v.isUndefined()) return fallback;
    double d = toInteger(toNumber(vm, v));
    if (d < 0) d = std::max(0.0, static_cast<double>(len) + d);
    return static_cast<std::size_t>(std::min(d, static_cast<double>(len)));
}

std::string join(Vm& vm, const std::vector<Value>& elements, const std::string& sep) {
    std::string out;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i) out += sep;
        const Value& v = elements[i];
        if (!v.isNullish() || vm.ctx.version >= 7) out += v.isUndefined() ? (vm.ctx.version >= 7 ? "undefined" : "") : toString(vm, v);
        if (out.size() > vm.limits().maxStringBytes) {
            vm.abort("script string too long");
            return {};
        }
    }
    return out;
}

// join and toString on an object that is no array (one that inherits the methods): it has
// `length` slots and no elements of its own.
std::string joinOther(Vm& vm, const CallArgs& c, const std::string& sep) {
    double n = c.thisValue.obj() ? toInteger(toNumber(vm, vm.getMember(c.thisValue, "length"))) : 0;
    if (!(n > 0)) return {};
    if (n > static_cast<double>(vm.limits().maxArrayLength)) {
        vm.abort("script array too long");
        return {};
    }
    return join(vm, std::vector<Value>(static_cast<std::size_t>(n)), sep);
}

std::string lowerCopy(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// Merge sort that stays in bounds whatever the comparison answers.
template <typename Less>
void mergeSort(std::vector<std::size_t>& idx, Less less) {
    std::vector<std::size_t> tmp(idx.size());
    for (std::size_t width = 1; width < idx.size(); width *= 2) {
        for (std::size_t lo = 0; lo < idx.size(); lo += 2 * width) {
            std::size_t mid = std::min(lo + width, idx.size()), hi = std::min(lo + 2 * width, idx.size());
            std::size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) tmp[k++] = less(idx[j], idx[i]) ? idx[j++] : idx[i++];
            while (i < mid) tmp[k++] = idx[i++];
            while (j < hi) tmp[k++] = idx[j++];
        }
        idx.swap(tmp);
    }
}

// Compares two elements: < 0, 0, > 0.
int compareValues(Vm& vm, const Value& a, const Value& b, int flags, const Value& fn) {
    if (fn.obj()) {
        Value args[2] = {a, b};
        double r = toNumber(vm, vm.call(fn, Value(), args));
        return r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    if (flags & kNumeric) {
        double x = toNumber(vm, a), y = toNumber(vm, b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    std::string x = toString(vm, a), y = toString(vm, b);
    if (a.isUndefined()) x = "undefined";
    if (b.isUndefined()) y = "undefined";
    if (flags & kCaseInsensitive) {
        x = lowerCopy(x);
        y = lowerCopy(y);
    }
    return x < y ? -1 : x > y ? 1 : 0;
}

Value sortElements(Vm& vm, Object& a, const std::vector<Value>& keys, const Value& fn, int flags) {
    std::vector<std::size_t> idx(keys.size());
    for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = i;
    bool unique = true;
    mergeSort(idx, [&](std::size_t x, std::size_t y) {
        int r = compareValues(vm, keys[x], keys[y], flags, fn);
        if (r == 0) unique = false;
        return (flags & kDescending) ? r > 0 : r < 0;
    });
    if ((flags & kUniqueSort) && !unique) return Value(0.0);
    if (flags & kReturnIndexedArray) {
        std::vector<Value> out;
        for (std::size_t i : idx) out.emplace_back(static_cast<double>(i));
        return Value(vm.newArray(std::move(out)));
    }
    std::vector<Value> sorted;
    for (std::size_t i : idx) sorted.push_back(a.elements[i]);
    a.elements = std::move(sorted);
    return Value(a.shared_from_this());
}

Value arrayCtor(Vm& vm, Args c) {
    std::vector<Value> elements;
    if (c.args.size() == 1 && c.arg(0).isNumber()) {
        double n = c.arg(0).num();
        if (n >= 0 && n <= static_cast<double>(vm.limits().maxArrayLength))
            elements.resize(static_cast<std::size_t>(n), Value::hole());
    } else {
        elements.assign(c.args.begin(), c.args.end());
    }
    return Value(vm.newArray(std::move(elements)));
}

}  // namespace

void installArrayBuiltins(Vm& vm) {
    vm.protos.array = vm.alloc(vm.protos.object);
    ObjectRef ctor = vm.defineClass("Array", arrayCtor, vm.protos.array, arrayCtor);
    constexpr std::uint8_t kConst = kDontEnum | kDontDelete | kReadOnly;
    ctor->define("CASEINSENSITIVE", Value(1), kConst);
    ctor->define("DESCENDING", Value(2), kConst);
    ctor->define("UNIQUESORT", Value(4), kConst);
    ctor->define("RETURNINDEXEDARRAY", Value(8), kConst);
    ctor->define("NUMERIC", Value(16), kConst);
    Object& p = *vm.protos.array;
    vm.method(p, "push", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a) return Value();
        if (!checkGrowth(vm, a->elements.size(), c.args.size())) return Value();
        for (const Value& v : c.args) a->elements.push_back(v);
        return Value(static_cast<double>(a->elements.size()));
    });
    vm.method(p, "pop", [](Vm&, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a || a->elements.empty()) return Value();
        Value v = a->elements.back();
        a->elements.pop_back();
        return v;
    });
    vm.method(p, "shift", [](Vm&, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a || a->elements.empty()) return Value();
        Value v = a->elements.front();
        a->elements.erase(a->elements.begin());
        return v;
    });
    vm.method(p, "unshift", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a) return Value();
        if (!checkGrowth(vm, a->elements.size(), c.args.size())) return Value();
        a->elements.insert(a->elements.begin(), c.args.begin(), c.args.end());
        return Value(static_cast<double>(a->elements.size()));
    });
    vm.method(p, "join", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        std::string sep = c.arg(0).isUndefined() ? "," : toString(vm, c.arg(0));
        return Value(a ? join(vm, a->elements, sep) : joinOther(vm, c, sep));
    });
    vm.method(p, "toString", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        return Value(a ? join(vm, a->elements, ",") : joinOther(vm, c, ","));
    });
    vm.method(p, "reverse", [](Vm&, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a) return Value();
        std::reverse(a->elements.begin(), a->elements.end());
        return c.thisValue;
    });
    vm.method(p, "concat", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        std::vector<Value> out = a ? a->elements : std::vector<Value>{};
        for (const Value& v : c.args) {
            Object* o = v.obj();
            if (!checkGrowth(vm, out.size(), o && o->kind == ObjectKind::Array ? o->elements.size() : 1))
                return Value();
            if (o && o->kind == ObjectKind::Array) out.insert(out.end(), o->elements.begin(), o->elements.end());
            else out.push_back(v);
        }
        return Value(vm.newArray(std::move(out)));
    });
    vm.method(p, "slice", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a) return Value();
        std::size_t len = a->elements.size();
        std::size_t from = clampIndex(vm, c.arg(0), len, 0), to = clampIndex(vm, c.arg(1), len, len);
        std::vector<Value> out;
        if (from < to) out.assign(a->elements.begin() + static_cast<std::ptrdiff_t>(from), a->elements.begin() + static_cast<std::ptrdiff_t>(to));
        return Value(vm.newArray(std::move(out)));
    });
    vm.method(p, "splice", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a || c.args.empty() || c.arg(0).isUndefined()) return Value();  // no start: no change
        std::size_t len = a->elements.size();
        std::size_t from = clampIndex(vm, c.arg(0), len, 0);
        std::size_t count = len - from;
        if (c.args.size() > 1) {
            // An undefined or negative count changes nothing and gives nothing back.
            double d = toInteger(toNumber(vm, c.arg(1)));
            if (c.arg(1).isUndefined() || d < 0) return Value();
            count = static_cast<std::size_t>(std::min(d, static_cast<double>(len - from)));
        }
        auto first = a->elements.begin() + static_cast<std::ptrdiff_t>(from);
        std::vector<Value> removed(first, first + static_cast<std::ptrdiff_t>(count));
        a->elements.erase(first, first + static_cast<std::ptrdiff_t>(count));
        if (c.args.size() > 2 && !checkGrowth(vm, a->elements.size(), c.args.size() - 2)) return Value();
        if (c.args.size() > 2)
            a->elements.insert(a->elements.begin() + static_cast<std::ptrdiff_t>(from), c.args.begin() + 2, c.args.end());
        return Value(vm.newArray(std::move(removed)));
    });
    vm.method(p, "sort", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a) return Value();
        Value fn;
        int flags = 0;
        if (c.arg(0).obj()) {
            fn = c.arg(0);
            flags = toInt32(toNumber(vm, c.arg(1)));
        } else if (!c.arg(0).isUndefined()) {
            flags = toInt32(toNumber(vm, c.arg(0)));
        }
        return sortElements(vm, *a, a->elements, fn, flags);
    });
    vm.method(p, "sortOn", [](Vm& vm, Args c) -> Value {
        Object* a = arrayOf(c);
        if (!a) return Value();
        std::string field = toString(vm, c.arg(0));
        std::vector<Value> keys;
        for (const Value& v : a->elements) keys.push_back(vm.getMember(v, field));
        return sortElements(vm, *a, keys, Value(), toInt32(toNumber(vm, c.arg(1))));
    });
}

}  // namespace avm1

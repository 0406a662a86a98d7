#pragma once
// Script objects: a property list in creation order, a prototype (__proto__), and per kind a
// little extra state: the elements of arrays, the code of functions, the primitive inside a
// boxed Boolean/Number/String or a Date, the clip an object stands for.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "avm1/value.h"

namespace avm1 {

class Vm;
struct Scope;

// Property attributes, as ASSetPropFlags numbers them.
enum PropFlag : std::uint8_t { kDontEnum = 1, kDontDelete = 2, kReadOnly = 4 };

// SWF 7 and later compare names exactly; earlier movies ignore ASCII case.
enum class NameCase : std::uint8_t { Insensitive, Sensitive };

bool sameName(std::string_view a, std::string_view b, NameCase mode);

struct Property {
    std::string name;
    Value value;
    std::shared_ptr<Object> getter, setter;  // addProperty; value unused then
    std::uint8_t flags = 0;
};

enum class ObjectKind : std::uint8_t { Plain, Array, Function, Boxed, Date, Clip, Arguments };

// What a call gives a native function.
struct CallArgs {
    Value thisValue;
    std::span<const Value> args;
    Object* callee = nullptr;
    const Value& arg(std::size_t i) const {
        static const Value kUndefined;
        return i < args.size() ? args[i] : kUndefined;
    }
};
using NativeFn = Value (*)(Vm& vm, const CallArgs& call);

struct FunctionParam {
    std::string name;
    std::uint8_t reg = 0;  // DefineFunction2: register that receives it (0: a named local)
};

// DefineFunction2 flags.
enum FunctionFlag : std::uint16_t {
    kPreloadThis = 0x01, kSuppressThis = 0x02, kPreloadArguments = 0x04,
    kSuppressArguments = 0x08, kPreloadSuper = 0x10, kSuppressSuper = 0x20,
    kPreloadRoot = 0x40, kPreloadParent = 0x80, kPreloadGlobal = 0x100,
};

struct FunctionCode {
    NativeFn native = nullptr;
    NativeFn construct = nullptr;      // natives called with `new`, when that differs
    std::span<const std::uint8_t> body;  // bytecode (the movie owns it)
    std::string name;
    std::vector<FunctionParam> params;
    std::uint16_t flags = 0;
    std::uint8_t registerCount = 0;
    bool isFunction2 = false;
    unsigned version = 7;
    std::shared_ptr<Scope> scope;  // where it was defined
    std::shared_ptr<const std::vector<std::string>> constants;
    std::shared_ptr<Object> target;  // the clip whose timeline defined it
};

class Object : public std::enable_shared_from_this<Object> {
public:
    explicit Object(std::shared_ptr<Object> proto = nullptr, ObjectKind kind = ObjectKind::Plain)
        : proto(std::move(proto)), kind(kind) {}
    virtual ~Object() = default;

    Property* findOwn(std::string_view name, NameCase mode);
    const Property* findOwn(std::string_view name, NameCase mode) const {
        return const_cast<Object*>(this)->findOwn(name, mode);
    }
    // Adds or overwrites an own property (flags kept on overwrite unless given).
    Property& define(std::string_view name, Value v, std::uint8_t flags = 0, NameCase mode = NameCase::Sensitive);
    bool remove(std::string_view name, NameCase mode);
    std::vector<Property>& properties() { return m_props; }

    std::shared_ptr<Object> proto;
    ObjectKind kind;
    std::vector<Value> elements;           // Array
    // An array length that the elements cannot stand for (negative, or past the size limit,
    // from lengths that wrap at 32 bits): used while `oddLength` is set.
    std::int32_t lengthValue = 0;
    bool oddLength = false;
    std::unique_ptr<FunctionCode> code;    // Function
    Value primitive;                       // Boxed, Date (time value)
    std::uint32_t clipId = 0;              // Clip
    std::string className;                 // for the built-in classes: "Array", "Color", ...
    std::uint32_t gcMark = 0;              // the VM's collection epoch that last reached it
    bool watched = false;                  // Object.watch was called on it (see watchKey)

private:
    std::vector<Property> m_props;
};

using ObjectRef = std::shared_ptr<Object>;

// The hidden property that holds the watcher of `name` (Object.watch): [callback, userData].
inline std::string watchKey(std::string_view name) { return "\x01" + std::string(name); }

// Parses an array index ("0", "12"); false for anything else.
bool parseIndex(std::string_view s, std::size_t& index);

}  // namespace avm1

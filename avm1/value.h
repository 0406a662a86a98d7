#pragma once
// A script value: undefined, null, boolean, number, string or object. Strings and objects are
// shared and immutable-by-reference (strings) or mutable (objects). The conversions between
// kinds depend on the SWF version of the running code and live in convert.cpp.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace avm1 {

class Object;

enum class Type : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

class Value {
public:
    Value() = default;
    Value(double n) : m_type(Type::Number), m_num(n) {}
    Value(int n) : m_type(Type::Number), m_num(n) {}
    Value(bool b) : m_type(Type::Boolean), m_num(b ? 1 : 0) {}
    Value(std::string s)
        : m_type(Type::String), m_ref(std::make_shared<std::string>(std::move(s))) {}
    Value(const char* s) : Value(std::string(s)) {}
    Value(std::shared_ptr<Object> o) : m_type(o ? Type::Object : Type::Null), m_ref(std::move(o)) {}
    static Value null() {
        Value v;
        v.m_type = Type::Null;
        return v;
    }
    // An array slot never set (or deleted): undefined to scripts, but no element for for-in
    // and hasOwnProperty.
    static Value hole() {
        Value v;
        v.m_num = 1;
        return v;
    }
    bool isHole() const { return m_type == Type::Undefined && m_num != 0; }

    Type type() const { return m_type; }
    bool isUndefined() const { return m_type == Type::Undefined; }
    bool isNull() const { return m_type == Type::Null; }
    bool isNullish() const { return m_type == Type::Undefined || m_type == Type::Null; }
    bool isNumber() const { return m_type == Type::Number; }
    bool isString() const { return m_type == Type::String; }
    bool isObject() const { return m_type == Type::Object; }
    bool isBool() const { return m_type == Type::Boolean; }

    double num() const { return m_num; }  // numbers and booleans (1/0)
    bool boolean() const { return m_num != 0; }
    const std::string& str() const { return *static_cast<const std::string*>(m_ref.get()); }
    Object* obj() const { return m_type == Type::Object ? static_cast<Object*>(m_ref.get()) : nullptr; }
    std::shared_ptr<Object> objRef() const {
        return m_type == Type::Object ? std::static_pointer_cast<Object>(m_ref) : nullptr;
    }

private:
    Type m_type = Type::Undefined;
    double m_num = 0;
    std::shared_ptr<void> m_ref;  // std::string for strings, Object for objects
};

static_assert(sizeof(Value) <= 32, "values are copied on every stack operation");

class Vm;

// Conversions. `version` is the SWF version of the running code.
double toNumber(Vm& vm, const Value& v);
double primitiveToNumber(const Value& v, unsigned version);
std::string toString(Vm& vm, const Value& v);
std::string primitiveToString(const Value& v, unsigned version);
bool toBoolean(const Value& v, unsigned version);
// Calls valueOf (or toString for `hint` String) on objects; other values come back unchanged.
enum class Hint : std::uint8_t { Number, String };
Value toPrimitive(Vm& vm, const Value& v, Hint hint);
double stringToNumber(std::string_view s, unsigned version);
std::string numberToString(double d);
std::string numberToRadix(double d, int radix);
std::int32_t toInt32(double d);
std::uint32_t toUint32(double d);
double toInteger(double d);
const char* typeOfName(const Value& v);
// A string's length as scripts count it: UTF-16 code units from SWF 6 on, bytes before.
std::size_t textLength(std::string_view s, unsigned version);

// Equality and ordering as the SWF 5+ operators define them.
bool looseEquals(Vm& vm, const Value& a, const Value& b);
bool strictEquals(const Value& a, const Value& b);
// a < b: true, false, or undefined (a NaN was involved).
Value lessThan(Vm& vm, const Value& a, const Value& b);

}  // namespace avm1

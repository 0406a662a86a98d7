// Conversions by SWF version, number formatting, equality and ordering.
#include <gtest/gtest.h>

#include <cmath>

#include "avm1/vm.h"
#include "fake_host.h"

namespace {

using avm1::Value;

const double kNaN = std::nan("");

TEST(Convert, ToStringByVersion) {
    struct Case {
        Value v;
        unsigned version;
        const char* expected;
    };
    const Case cases[] = {
        {Value(), 6, ""},           {Value(), 7, "undefined"},   {Value::null(), 5, "null"},
        {Value(true), 4, "1"},      {Value(true), 5, "true"},    {Value(false), 4, "0"},
        {Value(1.5), 5, "1.5"},     {Value(-0.0), 7, "0"},       {Value(kNaN), 7, "NaN"},
        {Value(1e15), 7, "1e+15"},  {Value(123456789012345.0), 7, "123456789012345"},
        {Value(0.00001), 7, "0.00001"}, {Value(1e-7), 7, "1e-7"}, {Value(0.1 + 0.2), 7, "0.3"},
        {Value(-INFINITY), 7, "-Infinity"}, {Value(1.0 / 3), 7, "0.333333333333333"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(avm1::primitiveToString(c.v, c.version), c.expected) << "version " << c.version;
}

TEST(Convert, ToNumberByVersion) {
    struct Case {
        Value v;
        unsigned version;
        double expected;  // NaN compares by isnan
    };
    const Case cases[] = {
        {Value(), 6, 0},        {Value(), 7, kNaN},          {Value::null(), 6, 0},
        {Value::null(), 7, kNaN}, {Value(""), 4, 0},          {Value(""), 5, kNaN},
        {Value(" 12"), 7, 12},  {Value("12abc"), 5, kNaN},   {Value("12abc"), 4, 12},
        {Value("0x1F"), 6, 31}, {Value("0x1F"), 5, kNaN},    {Value("-0x10"), 7, kNaN},
        {Value("1e3"), 7, 1000}, {Value("Infinity"), 7, kNaN}, {Value(true), 5, 1},
        {Value(".5"), 7, 0.5},  {Value("5."), 7, 5},         {Value("-"), 7, kNaN},
    };
    for (const Case& c : cases) {
        double d = avm1::primitiveToNumber(c.v, c.version);
        if (std::isnan(c.expected)) EXPECT_TRUE(std::isnan(d)) << avm1::primitiveToString(c.v, 7) << " v" << c.version;
        else EXPECT_EQ(d, c.expected) << avm1::primitiveToString(c.v, 7) << " v" << c.version;
    }
}

TEST(Convert, ToBooleanByVersion) {
    struct Case {
        Value v;
        unsigned version;
        bool expected;
    };
    const Case cases[] = {
        {Value("abc"), 6, false}, {Value("abc"), 7, true}, {Value("1"), 6, true}, {Value("0"), 7, true},
        {Value(""), 7, false},    {Value(kNaN), 7, false}, {Value(-1), 5, true},  {Value(), 7, false},
    };
    for (const Case& c : cases) EXPECT_EQ(avm1::toBoolean(c.v, c.version), c.expected);
}

TEST(Convert, Int32Wraps) {
    EXPECT_EQ(avm1::toInt32(4294967298.0), 2);
    EXPECT_EQ(avm1::toInt32(2147483648.0), -2147483647 - 1);
    EXPECT_EQ(avm1::toInt32(-1.9), -1);
    EXPECT_EQ(avm1::toInt32(kNaN), 0);
    EXPECT_EQ(avm1::toInt32(INFINITY), 0);
}

TEST(Convert, EqualityAndOrdering) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, 7);
    EXPECT_TRUE(avm1::looseEquals(vm, Value(), Value::null()));
    EXPECT_TRUE(avm1::looseEquals(vm, Value(1), Value("1")));
    EXPECT_TRUE(avm1::looseEquals(vm, Value(true), Value(1)));
    EXPECT_FALSE(avm1::looseEquals(vm, Value(), Value(0)));
    EXPECT_FALSE(avm1::strictEquals(Value(1), Value("1")));
    EXPECT_TRUE(avm1::lessThan(vm, Value("a"), Value("b")).boolean());
    EXPECT_TRUE(avm1::lessThan(vm, Value("10"), Value("9")).boolean());  // both strings: text order
    EXPECT_TRUE(avm1::lessThan(vm, Value(9), Value("10")).boolean());
    EXPECT_TRUE(avm1::lessThan(vm, Value(kNaN), Value(1)).isUndefined());
}

}  // namespace

// The player's case table and name folding, equality and comparison quirks, values that timeline
// blocks leave for each other, clip references by path, and text fields as scripts see them.
#include <gtest/gtest.h>

#include <cmath>

#include "avm1/case_map.h"
#include "avm1/vm.h"
#include "bytecode_builder.h"
#include "fake_host.h"

namespace {

using avm1::Op;
using avm1test::Asm;

TEST(CaseMap, PlayerTable) {
    struct Case {
        std::uint32_t in;
        bool upper;
        std::uint32_t out;
    };
    const Case cases[] = {
        {'A', false, 'a'},        {'z', true, 'Z'},         {0x00C0, false, 0x00E0},  // À
        {0x0130, false, 'i'},     {0x0131, true, 'I'},      {0x017F, true, 'S'},      // İ ı ſ
        {0x00FF, true, 0x0178},   {0x0178, false, 0x00FF},  {0x10A0, false, 0x10D0},  // ÿ Ÿ Georgian
        {0x01C5, false, 0x01C6},  {0x01C4, false, 0x01C6},  {0x2126, false, 0x03C9},  // ǅ Ǆ Ω
        {0xFF21, false, 0xFF41},  {0x0101, false, 0x0101},  {0x0100, true, 0x0100},   // Ａ ā Ā
        {'1', true, '1'},         {0x1F60B, true, 0x1F60B}, {0xD7FF, false, 0xD7FF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(avm1::mapCase(c.in, c.upper), c.out) << std::hex << c.in << (c.upper ? " upper" : " lower");
}

TEST(CaseMap, StringsKeepWhatIsNotText) {
    EXPECT_EQ(avm1::caseMapped("teST\xF0\x9F\x98\x8B", true), "TEST\xF0\x9F\x98\x8B");
    EXPECT_EQ(avm1::caseMapped("\xC3\x84x", false), "\xC3\xA4x");  // Äx
    // Broken UTF-8 (a lone continuation byte, a cut sequence) is copied unchanged.
    EXPECT_EQ(avm1::caseMapped("A\x80" "B\xE2\x82", false), "a\x80" "b\xE2\x82");
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case names[] = {
        {"Foo", "fOO", true},        {"foo", "foob", false},      {"@", "`", false},
        {"\xC3\x84" "b", "\xC3\xA4" "B", true},  // Äb / äB
        {"\xE2\x84\xAA", "k", true},             // the Kelvin sign folds to k: lengths differ
        {"\xC3\x84", "\xC3\xA5", false},         // Ä / å
        {"", "", true},
    };
    for (const Case& c : names) EXPECT_EQ(avm1::equalFolded(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

struct ProgramCase {
    const char* name;
    void (*build)(Asm&);
    unsigned version;
    const char* expected;
};

void runTable(std::initializer_list<ProgramCase> cases) {
    for (const ProgramCase& c : cases) {
        Asm a;
        c.build(a);
        avm1test::FakeHost host;
        avm1::Vm vm(host, c.version);
        EXPECT_EQ(vm.runActions(a.bytes, host.root()), avm1::RunStatus::Ok) << c.name;
        EXPECT_EQ(host.output(), c.expected) << c.name;
    }
}

TEST(Quirks, EqualityComparisonAndNumbers) {
    runTable({
        {"NaN == NaN from SWF 7", [](Asm& a) { a.num(NAN).num(NAN).op(Op::Equals2).trace(); }, 7, "true\n"},
        {"NaN == NaN before", [](Asm& a) { a.num(NAN).num(NAN).op(Op::Equals2).trace(); }, 6, "false\n"},
        {"NaN === NaN", [](Asm& a) { a.num(NAN).num(NAN).op(Op::StrictEquals).trace(); }, 6, "true\n"},
        {"bare object == undefined", [](Asm& a) {
             a.str("o").num(0).op(Op::InitObject).op(Op::SetVariable);
             a.getVar("o").str("__proto__").undef().op(Op::SetMember);
             a.getVar("o").undef().op(Op::Equals2).trace();
             a.num(0).op(Op::InitObject).undef().op(Op::Equals2).trace();
         }, 7, "true\nfalse\n"},
        {"plain object compares false", [](Asm& a) {
             a.num(0).op(Op::InitObject).num(0).op(Op::Less2).trace();
             a.num(0).getVar("_root").op(Op::Less2).trace();
         }, 7, "false\nundefined\n"},
        {"sign after 0x", [](Asm& a) { a.str("0x-10").op(Op::ToNumber).trace(); }, 6, "-16\n"},
        {"bare 0x", [](Asm& a) { a.str("0x").op(Op::ToNumber).trace(); }, 6, "NaN\n"},
        {"isFinite()", [](Asm& a) { a.call("isFinite", 0).trace().call("isNaN", 0).trace(); }, 6, "false\ntrue\n"},
        {"upper case string", [](Asm& a) {
             a.num(0).str("stra\xC3\x9F" "e \xC3\xA9").str("toUpperCase").op(Op::CallMethod).trace();
         }, 6, "STRAßE É\n"},
        {"SWF 5 strings map bytes", [](Asm& a) {
             a.num(0).str("a\xC3\xA9").str("toUpperCase").op(Op::CallMethod).trace();
         }, 5, "A\xC3\xA9\n"},
        {"String objects own their length", [](Asm& a) {
             a.str("blah").num(1).str("String").op(Op::NewObject).store(1).op(Op::Pop);
             a.str("length").num(1).reg(1).str("hasOwnProperty").op(Op::CallMethod).trace();
             a.reg(1).str("length").num(9).op(Op::SetMember);
             a.reg(1).str("length").op(Op::Delete).op(Op::Pop);
             a.reg(1).str("length").op(Op::GetMember).trace();
         }, 7, "true\n9\n"},
        {"_level0 is case-sensitive from SWF 7", [](Asm& a) { a.traceVar("_LEVEL0"); }, 7, "undefined\n"},
        {"_level0 ignores case before", [](Asm& a) { a.traceVar("_LEVEL0"); }, 6, "_level0\n"},
    });
}

TEST(Quirks, TargetsPropertiesAndBuiltins) {
    runTable({
        {"tellTarget to nothing is the main timeline", [](Asm& a) {
             a.setVar("n", 1);
             a.str("nowhere").op(Op::SetTarget2).traceVar("n").action(Op::SetTarget, {0});
         }, 7, "1\n"},
        {"GetProperty with an index that is no number", [](Asm& a) {
             a.str("").str("0x1").op(Op::GetProperty).trace();
             a.str("").str("-0.5").op(Op::GetProperty).trace();
         }, 5, "undefined\n0\n"},
        {"Math.min of one number", [](Asm& a) {
             a.num(3).num(1).getVar("Math").str("min").op(Op::CallMethod).trace();
             a.num(0).getVar("Math").str("max").op(Op::CallMethod).trace();
         }, 7, "NaN\n-Infinity\n"},
        {"splice with a bad count changes nothing", [](Asm& a) {
             a.num(3).num(2).num(1).num(3).op(Op::InitArray).store(1).op(Op::Pop);
             a.num(-2).num(1).num(2).reg(1).str("splice").op(Op::CallMethod).trace();
             a.undef().num(1).reg(1).str("splice").op(Op::CallMethod).trace();
             a.num(1).num(0).num(2).reg(1).str("splice").op(Op::CallMethod).trace();
             a.reg(1).trace();
         }, 7, "undefined\nundefined\n1\n2,3\n"},
        {"a primitive __proto__ stays as given", [](Asm& a) {
             a.num(0).op(Op::InitObject).store(1).op(Op::Pop);
             a.reg(1).str("__proto__").num(123).op(Op::SetMember);
             a.reg(1).str("__proto__").op(Op::GetMember).trace();
             a.reg(1).str("toString").op(Op::GetMember).trace();  // links to nothing
         }, 7, "123\nundefined\n"},
        {"toString giving no string", [](Asm& a) {
             Asm four;
             four.num(4).op(Op::Return);
             a.num(0).op(Op::InitObject).store(1).op(Op::Pop);
             a.reg(1).str("toString").defineFunction("", {}, four).op(Op::SetMember);
             a.str("").reg(1).op(Op::Add2).trace();
         }, 7, "[type Object]\n"},
        {"this ignores case before SWF 7", [](Asm& a) { a.traceVar("THIS"); }, 6, "_level0\n"},
        {"this is exact from SWF 7", [](Asm& a) { a.traceVar("THIS"); }, 7, "undefined\n"},
        {"a preloaded this answers only to its exact name", [](Asm& a) {
             Asm body;
             body.traceVar("THIS").traceVar("this");
             a.defineFunction2("f", 2, avm1::kPreloadThis, {}, body);
             a.call("f", 0).op(Op::Pop);
         }, 6, "undefined\n_level0\n"},
        {"SWF 5 functions run on the clip they are called on", [](Asm& a) {
             Asm body;
             body.traceVar("v");
             a.setVar("v", 1);
             a.defineFunction("f", {}, body);
             a.num(5).str("mc").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
             a.getVar("mc").str("v").num(2).op(Op::SetMember);
             a.getVar("mc").str("f").getVar("f").op(Op::SetMember);
             a.num(0).getVar("mc").str("f").op(Op::CallMethod).op(Op::Pop);
             a.call("f", 0).op(Op::Pop);
         }, 5, "2\n1\n"},
        {"placing at depths out of range", [](Asm& a) {
             a.num(5).str("mc").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
             a.num(-16385).str("d1").num(2).getVar("mc").str("duplicateMovieClip").op(Op::CallMethod).trace();
             a.num(2130690045).str("d2").num(2).getVar("mc").str("duplicateMovieClip").op(Op::CallMethod).trace();
             a.num(2130690044).str("d3").num(2).getVar("mc").str("duplicateMovieClip").op(Op::CallMethod).trace();
             a.getVar("mc").str("d4").num(16383).op(Op::CloneSprite);  // the action's depth comes biased
             a.num(0).getVar("d4").str("getDepth").op(Op::CallMethod).trace();
         }, 7, "undefined\nundefined\n_level0.d3\n-1\n"},
    });
}

TEST(Quirks, InterfacesOfInterfaces) {
    runTable({
        {"instanceof through two implements", [](Asm& a) {
             Asm empty;
             a.defineFunction("A", {}, empty).defineFunction("B", {}, empty).defineFunction("C", {}, empty);
             a.getVar("A").num(1).getVar("B").op(Op::ImplementsOp);  // B implements A
             a.getVar("B").num(1).getVar("C").op(Op::ImplementsOp);  // C implements B
             a.num(0).str("C").op(Op::NewObject).store(1).op(Op::Pop);
             a.reg(1).getVar("A").op(Op::InstanceOf).trace();
             a.reg(1).getVar("Object").op(Op::InstanceOf).trace();
             a.reg(1).getVar("Array").op(Op::InstanceOf).trace();
         }, 7, "true\ntrue\nfalse\n"},
    });
}

TEST(Timeline, LeftoverValuesCarryToTheNextBlockOfTheSameClip) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, 6);
    avm1::ClipId other = host.add(1, "other", 1);
    Asm first, second, elsewhere;
    first.str("v").str("carried");  // left on the stack
    second.op(Op::SetVariable).traceVar("v");
    elsewhere.op(Op::SetVariable).traceVar("v");
    EXPECT_EQ(vm.runActions(first.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(vm.runActions(elsewhere.bytes, other), avm1::RunStatus::Ok);  // another clip: nothing
    EXPECT_EQ(vm.runActions(second.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(host.output(), "undefined\ncarried\n");
}

TEST(ClipReferences, FollowTheirPathAfterRemoval) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, 7);
    host.vm = &vm;
    Asm a;
    a.num(1).str("a").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).store(1).op(Op::Pop);
    a.reg(1).str("tag").str("first").op(Op::SetMember);
    a.num(0).reg(1).str("removeMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.reg(1).str("tag").op(Op::GetMember).trace();  // gone: nothing at the path
    a.reg(1).trace();
    a.num(2).str("a").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.getVar("a").str("tag").str("second").op(Op::SetMember);
    a.reg(1).str("tag").op(Op::GetMember).trace();  // the new clip under the same path answers
    a.reg(1).op(Op::TypeOf).trace();
    a.reg(1).trace();
    EXPECT_EQ(vm.runActions(a.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(host.output(), "undefined\n\nsecond\nmovieclip\n_level0.a\n");
}

TEST(TextFields, PropertiesGoToTheHostConverted) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, 7);
    Asm a;
    // tf = createTextField("tf", 3, 10, 20, 100, 50)
    a.num(50).num(100).num(20).num(10).num(3).str("tf").num(6).getVar("_root").str("createTextField");
    a.op(Op::CallMethod).store(1).op(Op::Pop);
    a.reg(1).op(Op::TypeOf).trace();
    a.reg(1).trace();
    a.reg(1).str("text").num(5).op(Op::SetMember);
    a.reg(1).str("autoSize").boolean(true).op(Op::SetMember);
    a.reg(1).str("border").num(1).op(Op::SetMember);
    a.reg(1).str("textColor").str("0xFF0000").op(Op::SetMember);
    a.reg(1).str("length").num(99).op(Op::SetMember);  // read-only
    a.reg(1).str("_x").op(Op::GetMember).trace();
    a.num(0).reg(1).str("getDepth").op(Op::CallMethod).trace();
    // new TextFormat("Arial", 14) with bold set, as the default format
    a.num(14).str("Arial").num(2).str("TextFormat").op(Op::NewObject).store(2).op(Op::Pop);
    a.reg(2).str("bold").boolean(true).op(Op::SetMember);
    a.reg(2).str("url").op(Op::GetMember).trace();  // members not given are null
    a.reg(2).num(1).reg(1).str("setNewTextFormat").op(Op::CallMethod).op(Op::Pop);
    EXPECT_EQ(vm.runActions(a.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(host.output(), "object\n_level0.tf\n10\n3\nnull\n");
    ASSERT_EQ(host.texts.size(), 1u);
    auto& t = host.texts.begin()->second;
    using avm1::TextProp;
    ASSERT_TRUE(t[TextProp::Text].isString());
    EXPECT_EQ(t[TextProp::Text].str(), "5");
    EXPECT_EQ(t[TextProp::AutoSize].str(), "left");
    EXPECT_TRUE(t[TextProp::Border].isBool() && t[TextProp::Border].boolean());
    EXPECT_EQ(t[TextProp::TextColor].num(), 0xFF0000);
    EXPECT_TRUE(t[TextProp::Length].isUndefined());
    EXPECT_EQ(host.newStyle.font, "Arial");
    EXPECT_EQ(host.newStyle.size, 14);
    EXPECT_EQ(host.newStyle.bold, 1);
    EXPECT_EQ(host.newStyle.italic, -1);  // null: left as it is
}

}  // namespace

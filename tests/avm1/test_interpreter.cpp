// The interpreter per action family, functions, prototype chains and super, the scope chain
// and with, try/catch/finally, the step budget and the recursion limit, clip access.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "avm1/vm.h"
#include "bytecode_builder.h"
#include "fake_host.h"

namespace {

using avm1::Op;
using avm1test::Asm;

struct RunResult {
    std::string out;
    avm1::RunStatus status;
};

RunResult run(const Asm& code, unsigned version = 7, avm1::VmLimits limits = {}) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, version, limits);
    avm1::RunStatus s = vm.runActions(code.bytes, host.root());
    return {host.output(), s};
}

struct ProgramCase {
    const char* name;
    std::function<void(Asm&)> build;
    unsigned version;
    const char* expected;
};

void runTable(const std::vector<ProgramCase>& cases) {
    for (const ProgramCase& c : cases) {
        Asm a;
        c.build(a);
        RunResult r = run(a, c.version);
        EXPECT_EQ(r.out, c.expected) << c.name;
        EXPECT_EQ(r.status, avm1::RunStatus::Ok) << c.name;
    }
}

TEST(Interpreter, ArithmeticAndComparison) {
    runTable({
        {"add2 concatenates", [](Asm& a) { a.str("a").num(1).op(Op::Add2).trace(); }, 7, "a1\n"},
        {"add2 adds", [](Asm& a) { a.num(1).num(2).op(Op::Add2).trace(); }, 7, "3\n"},
        {"swf4 add converts", [](Asm& a) { a.str("3").str("4").op(Op::Add).trace(); }, 4, "7\n"},
        {"swf4 divide by zero", [](Asm& a) { a.num(1).num(0).op(Op::Divide).trace(); }, 4, "#ERROR#\n"},
        {"divide by zero", [](Asm& a) { a.num(1).num(0).op(Op::Divide).trace(); }, 7, "Infinity\n"},
        {"operand order", [](Asm& a) { a.num(10).num(3).op(Op::Subtract).trace(); }, 7, "7\n"},
        {"modulo", [](Asm& a) { a.num(-7).num(3).op(Op::Modulo).trace(); }, 7, "-1\n"},
        {"swf4 equals pushes 1", [](Asm& a) { a.num(1).num(1).op(Op::Equals).trace(); }, 4, "1\n"},
        {"swf5 equals pushes true", [](Asm& a) { a.num(1).num(2).op(Op::Equals).trace(); }, 5, "false\n"},
        {"less2 with NaN", [](Asm& a) { a.num(std::nan("")).num(1).op(Op::Less2).trace(); }, 7, "undefined\n"},
        {"greater", [](Asm& a) { a.num(2).num(1).op(Op::Greater).trace(); }, 7, "true\n"},
        {"strict equals", [](Asm& a) { a.num(1).str("1").op(Op::StrictEquals).trace(); }, 7, "false\n"},
        {"loose equals", [](Asm& a) { a.num(1).str("1").op(Op::Equals2).trace(); }, 7, "true\n"},
        {"urshift", [](Asm& a) { a.integer(-16).integer(28).op(Op::BitURShift).trace(); }, 7, "15\n"},
        {"lshift wraps", [](Asm& a) { a.integer(1).integer(31).op(Op::BitLShift).trace(); }, 7, "-2147483648\n"},
        {"bit and", [](Asm& a) { a.integer(12).integer(10).op(Op::BitAnd).trace(); }, 7, "8\n"},
        {"increment", [](Asm& a) { a.str("4").op(Op::Increment).trace(); }, 7, "5\n"},
        {"to integer", [](Asm& a) { a.num(-2.7).op(Op::ToInteger).trace(); }, 7, "-2\n"},
        {"not swf4", [](Asm& a) { a.num(0).op(Op::Not).trace(); }, 4, "1\n"},
        {"logical and", [](Asm& a) { a.boolean(true).num(0).op(Op::And).trace(); }, 7, "false\n"},
    });
}

TEST(Interpreter, StringsAndTypes) {
    runTable({
        {"extract", [](Asm& a) { a.str("hello").num(2).num(3).op(Op::StringExtract).trace(); }, 7, "ell\n"},
        {"extract past end", [](Asm& a) { a.str("hi").num(5).num(3).op(Op::StringExtract).trace(); }, 7, "\n"},
        {"length", [](Asm& a) { a.str("hello").op(Op::StringLength).trace(); }, 7, "5\n"},
        {"string add", [](Asm& a) { a.str("a").str("b").op(Op::StringAdd).trace(); }, 7, "ab\n"},
        {"string less", [](Asm& a) { a.str("a").str("b").op(Op::StringLess).trace(); }, 7, "true\n"},
        {"char code", [](Asm& a) { a.str("A").op(Op::CharToAscii).trace(); }, 7, "65\n"},
        {"from code", [](Asm& a) { a.num(66).op(Op::AsciiToChar).trace(); }, 7, "B\n"},
        {"typeof number", [](Asm& a) { a.num(1).op(Op::TypeOf).trace(); }, 7, "number\n"},
        {"typeof clip", [](Asm& a) { a.getVar("_root").op(Op::TypeOf).trace(); }, 7, "movieclip\n"},
        {"typeof null", [](Asm& a) { a.null().op(Op::TypeOf).trace(); }, 7, "null\n"},
        {"length counts UTF-16 units", [](Asm& a) {
             a.str("h\xC3\xA9\xF0\x9F\x98\x8B").str("length").op(Op::GetMember).trace();
         }, 7, "4\n"},
        {"length counts bytes before 6", [](Asm& a) { a.str("h\xC3\xA9").str("length").op(Op::GetMember).trace(); }, 5, "3\n"},
        {"charAt and substr by units", [](Asm& a) {
             a.num(1).num(1).str("h\xC3\xA9llo").str("charAt").op(Op::CallMethod).trace();
             a.num(2).num(1).num(2).str("h\xC3\xA9llo").str("substr").op(Op::CallMethod).trace();
             a.num(1).num(1).str("h\xC3\xA9llo").str("charCodeAt").op(Op::CallMethod).trace();
         }, 7, "\xC3\xA9\n\xC3\xA9l\n233\n"},
        {"undefined traces as undefined", [](Asm& a) { a.undef().trace(); }, 6, "undefined\n"},
        {"undefined concatenates empty before 7", [](Asm& a) { a.str("x").undef().op(Op::Add2).trace(); }, 6, "x\n"},
        {"undefined concatenates by name from 7", [](Asm& a) { a.str("x").undef().op(Op::Add2).trace(); }, 7, "xundefined\n"},
    });
}

TEST(Interpreter, VariablesRegistersAndConstants) {
    runTable({
        {"set and get", [](Asm& a) { a.setVar("x", 5).traceVar("x"); }, 7, "5\n"},
        {"names ignore case before 7", [](Asm& a) { a.setVar("Abc", 1).traceVar("aBC"); }, 6, "1\n"},
        {"names keep case from 7", [](Asm& a) { a.setVar("Abc", 1).traceVar("aBC"); }, 7, "undefined\n"},
        {"slash path", [](Asm& a) { a.str("/:y").num(3).op(Op::SetVariable).traceVar("y"); }, 7, "3\n"},
        {"dotted path", [](Asm& a) { a.str("_root.z").num(4).op(Op::SetVariable).traceVar("_root.z"); }, 7, "4\n"},
        {"register", [](Asm& a) { a.num(4).store(0).op(Op::Pop).reg(0).trace(); }, 7, "4\n"},
        {"register out of range", [](Asm& a) { a.reg(200).trace(); }, 7, "undefined\n"},
        {"constant pool", [](Asm& a) { a.pool({"hi", "there"}).constant(1).trace(); }, 7, "there\n"},
        {"constant out of range", [](Asm& a) { a.pool({"hi"}).constant(9).trace(); }, 7, "undefined\n"},
        {"global", [](Asm& a) {
             a.getVar("_global").str("g").num(8).op(Op::SetMember).traceVar("g");
         }, 7, "8\n"},
    });
}

TEST(Interpreter, ObjectsAndArrays) {
    runTable({
        {"init object", [](Asm& a) {
             a.str("a").num(1).num(1).op(Op::InitObject).str("a").op(Op::GetMember).trace();
         }, 7, "1\n"},
        {"init array keeps order", [](Asm& a) { a.num(3).num(2).num(1).num(3).op(Op::InitArray).trace(); }, 7, "1,2,3\n"},
        {"array length grows", [](Asm& a) {
             a.str("arr").num(0).op(Op::InitArray).op(Op::SetVariable);
             a.getVar("arr").num(4).str("x").op(Op::SetMember);
             a.getVar("arr").str("length").op(Op::GetMember).trace();
         }, 7, "5\n"},
        {"delete", [](Asm& a) {
             a.str("o").str("a").num(1).num(1).op(Op::InitObject).op(Op::SetVariable);
             a.getVar("o").str("a").op(Op::Delete).trace();
             a.getVar("o").str("a").op(Op::GetMember).trace();
         }, 7, "true\nundefined\n"},
        {"new Array", [](Asm& a) { a.num(2).num(1).num(2).str("Array").op(Op::NewObject).trace(); }, 7, "1,2\n"},
        {"array sort numeric descending", [](Asm& a) {
             a.num(10).num(9).num(100).num(3).op(Op::InitArray).store(1).op(Op::Pop);
             a.num(18).num(1).reg(1).str("sort").op(Op::CallMethod).trace();
         }, 7, "100,10,9\n"},
        {"string method on primitive", [](Asm& a) {
             a.num(2).num(1).num(2).str("hello").str("substr").op(Op::CallMethod).trace();
         }, 7, "el\n"},
        {"Math", [](Asm& a) { a.num(-3).num(1).getVar("Math").str("abs").op(Op::CallMethod).trace(); }, 7, "3\n"},
        {"instanceof Array", [](Asm& a) {
             a.num(0).op(Op::InitArray).getVar("Array").op(Op::InstanceOf).trace();
         }, 7, "true\n"},
    });
}

// for (i = 1; i <= 10; i++) sum += i;
TEST(Interpreter, BranchesLoop) {
    Asm a;
    a.setVar("sum", 0).setVar("i", 1);
    std::size_t top = a.here();
    a.getVar("i").num(10).op(Op::Greater);
    std::size_t exit = a.branch(Op::If);
    a.str("sum").getVar("sum").getVar("i").op(Op::Add2).op(Op::SetVariable);
    a.str("i").getVar("i").op(Op::Increment).op(Op::SetVariable);
    std::size_t back = a.branch(Op::Jump);
    a.patch(back, top);
    a.patch(exit, a.here());
    a.traceVar("sum");
    EXPECT_EQ(run(a).out, "55\n");
}

TEST(Interpreter, Functions) {
    runTable({
        {"parameters in order", [](Asm& a) {
             a.defineFunction("f", {"a", "b"}, Asm().getVar("a").getVar("b").op(Op::Subtract).op(Op::Return));
             a.num(3).num(10).call("f", 2).trace();
         }, 7, "7\n"},
        {"arguments", [](Asm& a) {
             a.defineFunction("f", {}, Asm().getVar("arguments").str("length").op(Op::GetMember).op(Op::Return));
             a.num(1).num(1).num(1).call("f", 3).trace();
         }, 7, "3\n"},
        {"function2 registers", [](Asm& a) {
             a.defineFunction2("f", 3, avm1::kSuppressThis | avm1::kSuppressArguments, {{1, "x"}, {2, "y"}},
                               Asm().reg(1).reg(2).op(Op::Add2).op(Op::Return));
             a.str("b").str("a").call("f", 2).trace();
         }, 7, "ab\n"},
        {"function2 preload this", [](Asm& a) {
             a.defineFunction2("f", 2, avm1::kPreloadThis, {}, Asm().reg(1).op(Op::Return));
             a.num(0).getVar("_root").str("f").op(Op::CallMethod).trace();
         }, 7, "_level0\n"},
        {"locals do not leak", [](Asm& a) {
             a.str("x").str("t").op(Op::SetVariable);
             a.defineFunction("f", {}, Asm().str("x").str("l").op(Op::DefineLocal).traceVar("x"));
             a.call("f", 0).op(Op::Pop).traceVar("x");
         }, 7, "l\nt\n"},
        {"assignment without var reaches the timeline", [](Asm& a) {
             a.defineFunction("g", {}, Asm().setVar("y", 1));
             a.call("g", 0).op(Op::Pop).traceVar("y");
         }, 7, "1\n"},
        {"closure keeps its scope", [](Asm& a) {
             Asm inner;
             inner.getVar("x").op(Op::Return);
             Asm outer;
             outer.str("x").num(5).op(Op::DefineLocal).defineFunction("", {}, inner).op(Op::Return);
             a.defineFunction("outer", {}, outer);
             a.str("h").num(0).str("outer").op(Op::CallFunction).op(Op::SetVariable);
             a.num(0).str("h").op(Op::CallFunction).trace();
         }, 7, "5\n"},
        {"call and apply", [](Asm& a) {
             a.defineFunction("f", {"p"}, Asm().getVar("this").str("v").op(Op::GetMember).getVar("p").op(Op::Add2).op(Op::Return));
             a.str("o").str("v").str("V").num(1).op(Op::InitObject).op(Op::SetVariable);
             a.str("!").getVar("o").num(2).getVar("f").str("call").op(Op::CallMethod).trace();
         }, 7, "V!\n"},
    });
}

// A() { this.made = "A"; } A.prototype.hi = function () { return "A"; }
// B() { super(); }  B extends A;  B.prototype.hi = function () { return "B+" + super.hi(); }
void defineClasses(Asm& a) {
    a.defineFunction("A", {}, Asm().getVar("this").str("made").str("A").op(Op::SetMember));
    a.defineFunction("B", {}, Asm().num(0).getVar("super").undef().op(Op::CallMethod).op(Op::Pop));
    a.getVar("B").getVar("A").op(Op::Extends);
    a.getVar("A").str("prototype").op(Op::GetMember).str("hi")
        .defineFunction("", {}, Asm().str("A").op(Op::Return)).op(Op::SetMember);
    a.getVar("B").str("prototype").op(Op::GetMember).str("hi")
        .defineFunction("", {}, Asm().str("B+").num(0).getVar("super").str("hi").op(Op::CallMethod)
                                    .op(Op::Add2).op(Op::Return))
        .op(Op::SetMember);
    a.str("o").num(0).str("B").op(Op::NewObject).op(Op::SetVariable);
}

TEST(Interpreter, PrototypesAndSuper) {
    runTable({
        {"inherited method through super", [](Asm& a) {
             defineClasses(a);
             a.num(0).getVar("o").str("hi").op(Op::CallMethod).trace();
         }, 7, "B+A\n"},
        {"super constructor", [](Asm& a) {
             defineClasses(a);
             a.getVar("o").str("made").op(Op::GetMember).trace();
         }, 7, "A\n"},
        {"instanceof along the chain", [](Asm& a) {
             defineClasses(a);
             a.getVar("o").getVar("A").op(Op::InstanceOf).trace();
             a.getVar("o").getVar("Array").op(Op::InstanceOf).trace();
         }, 7, "true\nfalse\n"},
        {"__proto__", [](Asm& a) {
             defineClasses(a);
             a.getVar("o").str("__proto__").op(Op::GetMember).getVar("B").str("prototype").op(Op::GetMember)
                 .op(Op::StrictEquals).trace();
         }, 7, "true\n"},
        {"addProperty getter", [](Asm& a) {
             a.str("o").num(0).op(Op::InitObject).op(Op::SetVariable);
             a.null().defineFunction("", {}, Asm().str("got").op(Op::Return)).str("p").num(3)
                 .getVar("o").str("addProperty").op(Op::CallMethod).op(Op::Pop);
             a.getVar("o").str("p").op(Op::GetMember).trace();
         }, 7, "got\n"},
    });
}

TEST(Interpreter, ScopeChainAndWith) {
    runTable({
        {"with finds the object first", [](Asm& a) {
             a.str("v").str("out").op(Op::SetVariable);
             a.str("o").str("v").str("in").num(1).op(Op::InitObject).op(Op::SetVariable);
             a.getVar("o").with(Asm().traceVar("v"));
             a.traceVar("v");
         }, 7, "in\nout\n"},
        {"with assigns existing members", [](Asm& a) {
             a.str("o").str("v").num(1).num(1).op(Op::InitObject).op(Op::SetVariable);
             a.getVar("o").with(Asm().setVar("v", 2).setVar("w", 3));
             a.getVar("o").str("v").op(Op::GetMember).trace();
             a.traceVar("w");
         }, 7, "2\n3\n"},
        {"with on a non-object is skipped", [](Asm& a) {
             a.num(1).with(Asm().traceStr("body"));
         }, 7, "body\n"},
    });
}

TEST(Interpreter, TryCatchFinally) {
    runTable({
        {"catch and finally", [](Asm& a) {
             Asm t, c, f;
             t.str("e1").op(Op::Throw).traceStr("not reached");
             c.traceVar("err");
             f.traceStr("finally");
             a.tryBlock(t, "err", &c, &f).traceStr("after");
         }, 7, "e1\nfinally\nafter\n"},
        {"throw across a call", [](Asm& a) {
             a.defineFunction("thrower", {}, Asm().str("x").op(Op::Throw));
             Asm t, c;
             t.call("thrower", 0).op(Op::Pop);
             c.str("caught ").getVar("e").op(Op::Add2).trace();
             a.tryBlock(t, "e", &c, nullptr);
         }, 7, "caught x\n"},
        {"finally after return-free try", [](Asm& a) {
             Asm t, f;
             t.traceStr("try");
             f.traceStr("fin");
             a.tryBlock(t, "", nullptr, &f);
         }, 7, "try\nfin\n"},
    });
    Asm uncaught;
    uncaught.traceStr("before").str("boom").op(Op::Throw).traceStr("after");
    RunResult r = run(uncaught);
    EXPECT_EQ(r.out, "before\n");
    EXPECT_EQ(r.status, avm1::RunStatus::Thrown);
}

TEST(Interpreter, StepBudgetStopsRunawayLoops) {
    avm1test::FakeHost host;
    avm1::VmLimits limits;
    limits.stepBudget = 10000;
    avm1::Vm vm(host, 7, limits);
    Asm loop;
    loop.traceStr("start");
    std::size_t top = loop.here();
    std::size_t j = loop.branch(Op::Jump);
    loop.patch(j, top);
    EXPECT_EQ(vm.runActions(loop.bytes, 1), avm1::RunStatus::Aborted);
    EXPECT_LE(vm.stepsExecuted(), 10001u);
    // The budget covers the frame: later scripts of the same frame stop at once ...
    Asm next;
    next.traceStr("next");
    EXPECT_EQ(vm.runActions(next.bytes, 1), avm1::RunStatus::Aborted);
    // ... and the next frame starts afresh.
    vm.beginFrame();
    EXPECT_EQ(vm.runActions(next.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(host.output(), "start\nnext\n");
}

TEST(Interpreter, RecursionLimitStopsTheScript) {
    Asm a;
    a.defineFunction("f", {}, Asm().call("f", 0));
    a.call("f", 0).traceStr("not reached");
    RunResult r = run(a);
    EXPECT_EQ(r.status, avm1::RunStatus::Aborted);
    EXPECT_EQ(r.out, "");
}

TEST(Interpreter, TruncatedAndUnknownActionsAreSkipped) {
    Asm a;
    a.traceStr("one");
    a.bytes.push_back(0x7F);  // unknown one-byte action
    a.action(static_cast<Op>(0xC0), {1, 2, 3});  // unknown action with operands
    a.traceStr("two");
    a.bytes.push_back(0x96);  // a push whose length runs past the end
    a.bytes.push_back(0x40);
    a.bytes.push_back(0x00);
    EXPECT_EQ(run(a).out, "one\ntwo\n");
}

TEST(Interpreter, ClipPropertiesAndMethods) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, 7);
    Asm a;
    a.str("").num(0).num(12).op(Op::SetProperty);  // _x = 12
    a.traceVar("_x");
    a.num(5).str("mc").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.getVar("mc").trace();
    a.num(0).getVar("mc").str("getDepth").op(Op::CallMethod).trace();
    a.num(30).num(20).num(2).getVar("mc").str("lineTo").op(Op::CallMethod).op(Op::Pop);
    a.str("mc").op(Op::SetTarget2).op(Op::Stop).action(Op::SetTarget, {0});
    EXPECT_EQ(vm.runActions(a.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(host.output(), "12\n_level0.mc\n5\n");
    ASSERT_EQ(host.drawn.size(), 1u);
    EXPECT_EQ(host.drawn[0].x, 400);  // twips
    EXPECT_EQ(host.drawn[0].y, 600);
    EXPECT_FALSE(host.clips[2].playing);
    EXPECT_TRUE(host.clips[1].playing);
}

}  // namespace

namespace {

// Each call of `make` builds a closure cycle (function -> scope -> activation -> function).
TEST(Collector, FreesUnreachableCyclesAndKeepsReachableObjects) {
    avm1test::FakeHost host;
    avm1::Vm vm(host, 7);
    Asm make;
    make.defineFunction("make", {}, Asm().str("inner").defineFunction("", {}, Asm()).op(Op::DefineLocal));
    Asm calls;
    for (int i = 0; i < 50; ++i) calls.call("make", 0).op(Op::Pop);
    calls.str("kept").str("v").str("alive").num(1).op(Op::InitObject).op(Op::SetVariable);
    ASSERT_EQ(vm.runActions(make.bytes, 1), avm1::RunStatus::Ok);
    vm.collectGarbage();
    std::size_t baseline = vm.heapObjects();
    ASSERT_EQ(vm.runActions(calls.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_GE(vm.heapObjects(), baseline + 150);  // activation, arguments, inner and its prototype
    EXPECT_GE(vm.collectGarbage(), 150u);
    EXPECT_LE(vm.heapObjects(), baseline + 5);
    Asm check;
    check.getVar("kept").str("v").op(Op::GetMember).trace();
    check.call("make", 0).op(Op::TypeOf).trace();
    ASSERT_EQ(vm.runActions(check.bytes, 1), avm1::RunStatus::Ok);
    EXPECT_EQ(host.output(), "alive\nundefined\n");
}

}  // namespace

namespace {

TEST(Builtins, ColorAndStage) {
    runTable({
        {"setRGB then getRGB", [](Asm& a) {
             a.str("c").getVar("_root").num(1).str("Color").op(Op::NewObject).op(Op::SetVariable);
             a.num(0x123456).num(1).getVar("c").str("setRGB").op(Op::CallMethod).op(Op::Pop);
             a.num(0).getVar("c").str("getRGB").op(Op::CallMethod).trace();
             a.num(0).getVar("c").str("getTransform").op(Op::CallMethod).str("ra").op(Op::GetMember).trace();
         }, 7, "1193046\n0\n"},
        {"setTransform keeps what it is not given", [](Asm& a) {
             a.str("c").getVar("_root").num(1).str("Color").op(Op::NewObject).op(Op::SetVariable);
             a.str("aa").num(50).num(1).op(Op::InitObject).num(1).getVar("c").str("setTransform").op(Op::CallMethod).op(Op::Pop);
             a.num(0).getVar("c").str("getTransform").op(Op::CallMethod).store(1).str("aa").op(Op::GetMember).trace();
             a.reg(1).str("ra").op(Op::GetMember).trace();
         }, 7, "50\n100\n"},
        {"setTransform reads only the object's own fields", [](Asm& a) {
             a.str("c").getVar("_root").num(1).str("Color").op(Op::NewObject).op(Op::SetVariable);
             a.getVar("Object").str("prototype").op(Op::GetMember).str("ab").num(-66).op(Op::SetMember);
             a.str("aa").num(50).num(1).op(Op::InitObject).num(1).getVar("c").str("setTransform").op(Op::CallMethod).op(Op::Pop);
             a.num(0).getVar("c").str("getTransform").op(Op::CallMethod).store(1).str("ab").op(Op::GetMember).trace();
             a.reg(1).str("aa").op(Op::GetMember).trace();
         }, 7, "0\n50\n"},
        {"Color on no clip", [](Asm& a) {
             a.str("c").num(0).str("Color").op(Op::NewObject).op(Op::SetVariable);
             a.num(0).getVar("c").str("getRGB").op(Op::CallMethod).trace();
         }, 7, "undefined\n"},
        {"points, bounds and hit tests", [](Asm& a) {
             a.num(5).str("mc").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
             a.getVar("mc").str("_x").num(100).op(Op::SetMember);
             a.str("pt").str("x").num(5).str("y").num(5).num(2).op(Op::InitObject).op(Op::SetVariable);
             a.getVar("pt").num(1).getVar("mc").str("localToGlobal").op(Op::CallMethod).op(Op::Pop);
             a.getVar("pt").str("x").op(Op::GetMember).trace();
             a.getVar("pt").num(1).getVar("mc").str("globalToLocal").op(Op::CallMethod).op(Op::Pop);
             a.getVar("pt").str("x").op(Op::GetMember).trace();
             a.getVar("_root").num(1).getVar("mc").str("getBounds").op(Op::CallMethod).str("xMin").op(Op::GetMember).trace();
             a.num(3).num(102).num(2).getVar("mc").str("hitTest").op(Op::CallMethod).trace();
             a.num(3).num(20).num(2).getVar("mc").str("hitTest").op(Op::CallMethod).trace();
         }, 7, "105\n5\n100\ntrue\nfalse\n"},
        {"Stage size", [](Asm& a) {
             a.getVar("Stage").str("width").op(Op::GetMember).trace();
             a.getVar("Stage").str("height").op(Op::GetMember).trace();
         }, 7, "550\n400\n"},
        {"Array sort with a comparison function", [](Asm& a) {
             a.defineFunction("cmp", {"x", "y"}, Asm().getVar("y").getVar("x").op(Op::Subtract).op(Op::Return));
             a.num(2).num(3).num(1).num(3).op(Op::InitArray).store(1).op(Op::Pop);
             a.getVar("cmp").num(1).reg(1).str("sort").op(Op::CallMethod).trace();
         }, 7, "3,2,1\n"},
        {"String split and join", [](Asm& a) {
             a.str(",").num(1).str("a,b,,c").str("split").op(Op::CallMethod).store(1).op(Op::Pop);
             a.reg(1).str("length").op(Op::GetMember).trace();
             a.str("-").num(1).reg(1).str("join").op(Op::CallMethod).trace();
         }, 7, "4\na-b--c\n"},
        {"parseInt", [](Asm& a) {
             a.str("0x1A").num(1).str("parseInt").op(Op::CallFunction).trace();
             a.num(2).str("101").num(2).str("parseInt").op(Op::CallFunction).trace();
             a.str("z").num(1).str("parseInt").op(Op::CallFunction).trace();
         }, 7, "26\n5\nNaN\n"},
    });
}

}  // namespace

namespace {

// Scripts that would exhaust memory or the native stack are stopped; the VM stays usable.
TEST(Safety, ResourceLimitsStopTheScript) {
    struct Case {
        const char* name;
        std::function<void(Asm&)> build;
    };
    const Case cases[] = {
        {"doubling string", [](Asm& a) {
             a.str("s").str("ab").op(Op::SetVariable);
             std::size_t top = a.here();
             a.str("s").getVar("s").getVar("s").op(Op::Add2).op(Op::SetVariable);
             a.patch(a.branch(Op::Jump), top);
         }},
        {"growing array", [](Asm& a) {
             a.str("arr").num(0).op(Op::InitArray).op(Op::SetVariable);
             std::size_t top = a.here();
             a.num(1).num(1).getVar("arr").str("push").op(Op::CallMethod).op(Op::Pop);
             a.patch(a.branch(Op::Jump), top);
         }},
        {"nested with blocks", [](Asm& a) {
             Asm body;
             body.traceStr("deep");
             for (int i = 0; i < 300; ++i) {  // deeper than the limit of 256
                 Asm outer;
                 outer.getVar("_root").with(body);
                 body = outer;
             }
             a.append(body);
         }},
    };
    for (const Case& c : cases) {
        avm1test::FakeHost host;
        avm1::VmLimits limits;
        limits.maxStringBytes = 1 << 20;
        limits.maxArrayLength = 10000;
        avm1::Vm vm(host, 7, limits);
        Asm a;
        c.build(a);
        EXPECT_EQ(vm.runActions(a.bytes, 1), avm1::RunStatus::Aborted) << c.name;
        vm.beginFrame();
        Asm after;
        after.traceStr("ok");
        EXPECT_EQ(vm.runActions(after.bytes, 1), avm1::RunStatus::Ok) << c.name;
        EXPECT_EQ(host.lines.back(), "ok") << c.name;
    }
}

}  // namespace

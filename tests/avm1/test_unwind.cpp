// Throws and aborts unwinding through nested blocks, calls and built-ins: what runs, what is
// skipped, and where each one stops.
#include <gtest/gtest.h>

#include <functional>

#include "avm1/vm.h"
#include "bytecode_builder.h"
#include "fake_host.h"

namespace {

using avm1::Op;
using avm1::RunStatus;
using avm1test::Asm;

struct UnwindCase {
    const char* name;
    std::function<void(Asm&)> build;
    avm1::VmLimits limits;
    const char* expected;
    RunStatus status;
};

Asm throwing(const char* value) {
    Asm a;
    a.str(value).op(Op::Throw);
    return a;
}

Asm traceCaught(const char* name) {
    Asm a;
    a.traceVar(name);
    return a;
}

// n = n + 1
Asm countCall() {
    Asm a;
    a.str("n").getVar("n").num(1).op(Op::Add2).op(Op::SetVariable);
    return a;
}

avm1::VmLimits small(void (*set)(avm1::VmLimits&)) {
    avm1::VmLimits l;
    set(l);
    return l;
}

void runCases(const std::vector<UnwindCase>& cases) {
    for (const UnwindCase& c : cases) {
        avm1test::FakeHost host;
        avm1::Vm vm(host, 7, c.limits);
        Asm a;
        c.build(a);
        RunStatus s = vm.runActions(a.bytes, host.root());
        EXPECT_EQ(host.output(), c.expected) << c.name;
        EXPECT_EQ(s, c.status) << c.name;
        // Whatever happened, the VM is usable afterwards.
        Asm after;
        after.traceStr("next");
        vm.beginFrame();
        EXPECT_EQ(vm.runActions(after.bytes, host.root()), RunStatus::Ok) << c.name;
    }
}

TEST(Unwind, ThrowsReachTheNearestTry) {
    runCases({
        {"rethrow from an inner catch to the outer one", [](Asm& a) {
             Asm innerCatch;
             innerCatch.str("inner ").getVar("e").op(Op::Add2).trace().str("b").op(Op::Throw);
             Asm inner;
             inner.tryBlock(throwing("a"), "e", &innerCatch, nullptr);
             Asm outerCatch = traceCaught("e2");
             a.tryBlock(inner, "e2", &outerCatch, nullptr).traceStr("after");
         }, {}, "inner a\nb\nafter\n", RunStatus::Ok},
        {"a throw from catch runs finally, then the outer catch", [](Asm& a) {
             Asm c = throwing("b"), f;
             f.traceStr("fin");
             Asm inner;
             inner.tryBlock(throwing("a"), "e", &c, &f).traceStr("not reached");
             Asm outerCatch = traceCaught("x");
             a.tryBlock(inner, "x", &outerCatch, nullptr);
         }, {}, "fin\nb\n", RunStatus::Ok},
        {"try-finally without catch passes the throw on", [](Asm& a) {
             Asm f;
             f.traceStr("fin");
             Asm inner;
             inner.tryBlock(throwing("a"), "", nullptr, &f).traceStr("not reached");
             Asm outerCatch = traceCaught("x");
             a.tryBlock(inner, "x", &outerCatch, nullptr);
         }, {}, "fin\na\n", RunStatus::Ok},
        {"a throw in finally replaces the pending one", [](Asm& a) {
             Asm f = throwing("f");
             Asm inner;
             inner.tryBlock(throwing("a"), "", nullptr, &f);
             Asm outerCatch = traceCaught("x");
             a.tryBlock(inner, "x", &outerCatch, nullptr);
         }, {}, "f\n", RunStatus::Ok},
        {"across two calls, skipping the rest of each", [](Asm& a) {
             a.defineFunction("g", {}, throwing("g"));
             a.defineFunction("h", {}, Asm().call("g", 0).op(Op::Pop).traceStr("not in h"));
             Asm t;
             t.call("h", 0).op(Op::Pop).traceStr("not in try");
             Asm c = traceCaught("e");
             a.tryBlock(t, "e", &c, nullptr).traceStr("after");
         }, {}, "g\nafter\n", RunStatus::Ok},
        {"out of a with block restores the scope", [](Asm& a) {
             a.setVar("x", 2);
             Asm t;
             t.str("x").num(1).num(1).op(Op::InitObject).with(throwing("w"));
             Asm c = traceCaught("x");
             a.tryBlock(t, "e", &c, nullptr);
         }, {}, "2\n", RunStatus::Ok},
        {"a comparator throwing out of Array.sort runs once", [](Asm& a) {
             a.setVar("n", 0);
             Asm body = countCall();
             body.append(throwing("cmp"));
             Asm t;
             t.defineFunction("", {}, body).num(1);
             t.num(2).num(1).num(3).num(3).op(Op::InitArray).str("sort").op(Op::CallMethod).op(Op::Pop);
             t.traceStr("not reached");
             Asm c = traceCaught("e");
             c.traceVar("n");
             a.tryBlock(t, "e", &c, nullptr);
         }, {}, "cmp\n1\n", RunStatus::Ok},
        {"a valueOf throwing in an addition runs once", [](Asm& a) {
             a.setVar("n", 0);
             Asm body = countCall();
             body.append(throwing("v"));
             a.str("o").str("valueOf").defineFunction("", {}, body).num(1).op(Op::InitObject).op(Op::SetVariable);
             Asm t;
             t.getVar("o").getVar("o").op(Op::Add2).trace();
             Asm c = traceCaught("e");
             c.traceVar("n");
             a.tryBlock(t, "e", &c, nullptr);
         }, {}, "v\n1\n", RunStatus::Ok},
        {"uncaught inside a function ends the block", [](Asm& a) {
             a.defineFunction("g", {}, throwing("g"));
             a.traceStr("before").call("g", 0).traceStr("not reached");
         }, {}, "before\n", RunStatus::Thrown},
    });
}

TEST(Unwind, AbortsRunNoCatchNorFinally) {
    auto guarded = [](Asm& a, const Asm& body) {
        Asm c, f;
        c.traceStr("caught");
        f.traceStr("fin");
        a.traceStr("before").tryBlock(body, "e", &c, &f).traceStr("after");
    };
    runCases({
        {"step budget", [&](Asm& a) {
             Asm loop;
             std::size_t top = loop.here();
             loop.patch(loop.branch(Op::Jump), top);
             guarded(a, loop);
         }, small([](avm1::VmLimits& l) { l.stepBudget = 1000; }), "before\n", RunStatus::Aborted},
        {"recursion", [&](Asm& a) {
             a.defineFunction("f", {}, Asm().call("f", 0));
             guarded(a, Asm().call("f", 0));
         }, small([](avm1::VmLimits& l) { l.maxCallDepth = 32; }), "before\n", RunStatus::Aborted},
        {"nested try blocks", [&](Asm& a) {
             Asm body;
             body.traceStr("deep");
             for (int i = 0; i < 40; ++i) {
                 Asm outer;
                 outer.tryBlock(body, "", nullptr, nullptr);
                 body = outer;
             }
             a.append(body).traceStr("not reached");
         }, small([](avm1::VmLimits& l) { l.maxCallDepth = 8; }), "", RunStatus::Aborted},
        {"array growth", [&](Asm& a) {
             Asm t;
             t.num(5).num(1).num(4).num(3).num(2).num(1).num(4).op(Op::InitArray);
             t.str("push").op(Op::CallMethod).trace();
             guarded(a, t);
         }, small([](avm1::VmLimits& l) { l.maxArrayLength = 4; }), "before\n", RunStatus::Aborted},
        {"string length", [&](Asm& a) {
             guarded(a, Asm().str("abc").str("de").op(Op::Add2).trace());
         }, small([](avm1::VmLimits& l) { l.maxStringBytes = 4; }), "before\n", RunStatus::Aborted},
        {"stack depth", [&](Asm& a) {
             Asm t;
             for (int i = 0; i < 10; ++i) t.num(i);
             t.traceStr("not reached");
             guarded(a, t);
         }, small([](avm1::VmLimits& l) { l.maxStack = 8; }), "before\n", RunStatus::Aborted},
        {"abort wins over a pending throw", [&](Asm& a) {
             Asm loop;
             std::size_t top = loop.here();
             loop.patch(loop.branch(Op::Jump), top);
             Asm inner;
             inner.tryBlock(throwing("t"), "", nullptr, &loop);
             guarded(a, inner);
         }, small([](avm1::VmLimits& l) { l.stepBudget = 1000; }), "before\n", RunStatus::Aborted},
    });
}

TEST(Unwind, HandlersContainWhatTheyThrow) {
    avm1test::FakeHost host;
    avm1::VmLimits limits;
    limits.stepBudget = 2000;
    avm1::Vm vm(host, 7, limits);
    Asm define;
    Asm body;
    body.traceStr("handler").str("x").op(Op::Throw);
    define.str("this").op(Op::GetVariable).str("onEnterFrame").defineFunction("", {}, body).op(Op::SetMember);
    Asm loop;
    std::size_t top = loop.here();
    loop.patch(loop.branch(Op::Jump), top);
    define.str("this").op(Op::GetVariable).str("onLoop").defineFunction("", {}, loop).op(Op::SetMember);
    ASSERT_EQ(vm.runActions(define.bytes, host.root()), RunStatus::Ok);

    EXPECT_EQ(vm.callHandler(host.root(), "onEnterFrame"), RunStatus::Thrown);
    EXPECT_EQ(vm.callHandler(host.root(), "onLoop"), RunStatus::Aborted);
    EXPECT_EQ(vm.lastAbort(), "script step budget exhausted");
    vm.beginFrame();
    EXPECT_EQ(vm.callHandler(host.root(), "onEnterFrame"), RunStatus::Thrown);
    Asm after;
    after.traceStr("after");
    EXPECT_EQ(vm.runActions(after.bytes, host.root()), RunStatus::Ok);
    EXPECT_EQ(host.output(), "handler\nhandler\nafter\n");
}

}  // namespace

// Rules of the built-ins and of `super` that the reference player's traces pin down: ASnative,
// super lookups and super(), arrays (holes, 32-bit lengths, arrays as prototypes), Boolean and
// text-to-number conversions, Object.watch, the __proto__ property, globals by version.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "avm1/vm.h"
#include "bytecode_builder.h"
#include "fake_host.h"

namespace {

using avm1::Op;
using avm1test::Asm;
using Build = std::function<void(Asm&)>;

struct Case {
    const char* name;
    Build build;
    unsigned version;
    const char* expected;
};

void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Asm a;
        c.build(a);
        avm1test::FakeHost host;
        avm1::Vm vm(host, c.version);
        EXPECT_EQ(vm.runActions(a.bytes, host.root()), avm1::RunStatus::Ok) << c.name;
        EXPECT_EQ(host.output(), c.expected) << c.name;
    }
}

Build var(const std::string& n) {
    return [n](Asm& a) { a.getVar(n); };
}
Build text(const std::string& s) {
    return [s](Asm& a) { a.str(s); };
}
Build number(double d) {
    return [d](Asm& a) { a.num(d); };
}
Build member(Build obj, const std::string& name) {
    return [obj, name](Asm& a) {
        obj(a);
        a.str(name).op(Op::GetMember);
    };
}
// A function value: function (params) { body }.
Build function(const std::vector<std::string>& params, Asm body) {
    return [params, body](Asm& a) { a.defineFunction("", params, body); };
}

// Pushes args (last first) and their count.
void pushArgs(Asm& a, const std::vector<Build>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) (*it)(a);
    a.num(static_cast<double>(args.size()));
}
Build callMethod(Build obj, const std::string& name, const std::vector<Build>& args = {}) {
    return [obj, name, args](Asm& a) {
        pushArgs(a, args);
        obj(a);
        a.str(name).op(Op::CallMethod);
    };
}
Build callFunction(const std::string& name, const std::vector<Build>& args = {}) {
    return [name, args](Asm& a) {
        pushArgs(a, args);
        a.str(name).op(Op::CallFunction);
    };
}
// Calls a function value: pushes args, the function, then an empty method name.
Build callValue(Build fn, const std::vector<Build>& args = {}) {
    return [fn, args](Asm& a) {
        pushArgs(a, args);
        fn(a);
        a.undef().op(Op::CallMethod);
    };
}
void set(Asm& a, const std::string& name, const Build& v) {
    a.str(name);
    v(a);
    a.op(Op::SetVariable);
}
void setMember(Asm& a, const Build& obj, const std::string& name, const Build& v) {
    obj(a);
    a.str(name);
    v(a);
    a.op(Op::SetMember);
}
void trace(Asm& a, const Build& v) {
    v(a);
    a.trace();
}
Build emptyObject() {
    return [](Asm& a) { a.num(0).op(Op::InitObject); };
}
// An object whose valueOf traces "v" and gives `n`.
Build noisy(double n) {
    return [n](Asm& a) {
        a.str("valueOf").defineFunction("", {}, Asm().str("v").trace().num(n).op(Op::Return)).num(1).op(Op::InitObject);
    };
}
// for (k in obj) keys += k + ",";
void traceKeys(Asm& a, const std::string& obj) {
    a.setVar("keys", 0);
    a.str("keys").str("").op(Op::SetVariable);
    a.getVar(obj).op(Op::Enumerate2);
    std::size_t loop = a.here();
    a.store(0).null().op(Op::Equals2);
    std::size_t exit = a.branch(Op::If);
    a.str("keys").getVar("keys").reg(0).op(Op::Add2).str(",").op(Op::Add2).op(Op::SetVariable);
    std::size_t back = a.branch(Op::Jump);
    a.patch(back, loop);
    a.patch(exit, a.here());
    a.traceVar("keys");
}

TEST(BuiltinRules, ASnativeGivesTableFunctions) {
    runCases({
        {"Math abs is 200,0", [](Asm& a) { trace(a, callValue(callFunction("ASnative", {number(200), number(0)}), {number(-3)})); }, 7, "3\n"},
        {"Math pow is 200,17", [](Asm& a) {
             trace(a, callValue(callFunction("ASnative", {number(200), number(17)}), {number(2), number(10)}));
         }, 7, "1024\n"},
        {"an unknown Math index converts two arguments and gives NaN", [](Asm& a) {
             trace(a, callValue(callFunction("ASnative", {number(200), number(50)}), {noisy(3), noisy(2), noisy(1)}));
         }, 7, "v\nv\nNaN\n"},
        {"Object's hasOwnProperty is 101,5", [](Asm& a) {
             setMember(a, var("Number"), "own", callFunction("ASnative", {number(101), number(5)}));
             trace(a, callMethod(var("Number"), "own", {text("MAX_VALUE")}));
         }, 7, "true\n"},
        {"unknown tables give undefined", [](Asm& a) { trace(a, callFunction("ASnative", {number(9999), number(0)})); }, 7, "undefined\n"},
    });
}

// obj.f = function () { trace(super.m()); trace(super()); }; obj.f(): the parent's m and
// __constructor__ as `super` finds them.
void superProbe(Asm& a) {
    Asm body;
    trace(body, callMethod(var("super"), "m"));
    trace(body, callFunction("super"));
    setMember(a, var("obj"), "f", function({}, body));
}
Build returns(const std::string& s) {
    return function({}, Asm().str(s).op(Op::Return));
}

TEST(BuiltinRules, SuperLooksUpFromTheParent) {
    runCases({
        {"the holder's own constructor is not super's", [](Asm& a) {
             set(a, "obj", emptyObject());
             setMember(a, var("obj"), "__constructor__", returns("own"));
             superProbe(a);
             trace(a, callMethod(var("obj"), "f"));
         }, 7, "undefined\nundefined\nundefined\n"},
        {"parent members and constructor, getters included", [](Asm& a) {
             set(a, "p", emptyObject());
             setMember(a, var("p"), "m", returns("pm"));
             set(a, "obj", emptyObject());
             setMember(a, var("obj"), "__proto__", var("p"));
             callMethod(var("p"), "addProperty", {text("__constructor__"), function({}, Asm().getVar("ctor").op(Op::Return)),
                                                  [](Asm& x) { x.null(); }})(a);
             a.op(Op::Pop);
             set(a, "ctor", returns("made"));
             superProbe(a);
             trace(a, callMethod(var("obj"), "f"));
         }, 7, "pm\nmade\nundefined\n"},
        {"a clip on the chain ends the search", [](Asm& a) {
             set(a, "p", emptyObject());
             setMember(a, var("p"), "m", returns("pm"));
             setMember(a, var("this"), "__proto__", var("p"));
             set(a, "obj", emptyObject());
             setMember(a, var("obj"), "__proto__", var("this"));
             superProbe(a);
             trace(a, callMethod(var("obj"), "f"));
         }, 7, "undefined\nundefined\nundefined\n"},
        {"a primitive prototype is not boxed", [](Asm& a) {
             setMember(a, member(var("String"), "prototype"), "m", returns("sm"));
             set(a, "obj", emptyObject());
             setMember(a, var("obj"), "__proto__", text("hello"));
             superProbe(a);
             trace(a, callMethod(var("obj"), "f"));
         }, 7, "undefined\nundefined\nundefined\n"},
    });
}

TEST(BuiltinRules, Arrays) {
    runCases({
        {"an array prototype lends its elements", [](Asm& a) {
             set(a, "o", emptyObject());
             setMember(a, var("o"), "__proto__", [](Asm& x) { x.str("b").str("a").num(2).op(Op::InitArray); });
             trace(a, member(var("o"), "1"));
         }, 8, "b\n"},
        {"join on a non-array counts its length", [](Asm& a) {
             set(a, "o", emptyObject());
             setMember(a, var("o"), "length", number(3));
             setMember(a, var("o"), "__proto__", member(var("Array"), "prototype"));
             trace(a, callMethod(var("o"), "join", {text("-")}));
         }, 8, "undefined-undefined-undefined\n"},
        {"holes are no elements", [](Asm& a) {
             set(a, "arr", [](Asm& x) { x.num(0).op(Op::InitArray); });
             setMember(a, var("arr"), "3", text("x"));
             setMember(a, var("arr"), "1", text("y"));
             traceKeys(a, "arr");
             trace(a, callMethod(var("arr"), "hasOwnProperty", {text("0")}));
             trace(a, member(var("arr"), "length"));
         }, 7, "3,1,\nfalse\n4\n"},
        {"delete leaves a hole and the length", [](Asm& a) {
             set(a, "arr", [](Asm& x) { x.num(3).num(2).num(1).num(3).op(Op::InitArray); });
             a.getVar("arr").str("1").op(Op::Delete).trace();
             traceKeys(a, "arr");
             trace(a, member(var("arr"), "length"));
         }, 7, "true\n2,0,\n3\n"},
        {"named properties enumerate before elements", [](Asm& a) {
             set(a, "arr", [](Asm& x) { x.num(0).op(Op::InitArray); });
             setMember(a, var("arr"), "1", text("x"));
             setMember(a, var("arr"), "-5", text("x"));
             traceKeys(a, "arr");
             trace(a, member(var("arr"), "length"));
         }, 7, "-5,1,\n2\n"},
        {"the length is 32-bit and wraps", [](Asm& a) {
             set(a, "arr", [](Asm& x) { x.num(1).num(1).op(Op::InitArray); });
             setMember(a, var("arr"), "2147483647", text("x"));
             trace(a, member(var("arr"), "length"));
             traceKeys(a, "arr");  // the old element went with the wrapped length
             setMember(a, var("arr"), "4294967296", text("x"));  // 2^32: slot 0, past -2^31
             trace(a, member(var("arr"), "length"));
             setMember(a, var("arr"), "302231454903659441160191", text("x"));  // 2^78 + 2^31 - 1
             trace(a, member(var("arr"), "length"));
         }, 7, "-2147483648\n2147483647,\n1\n-2147483648\n"},
        {"shortening drops elements, lengthening adds holes", [](Asm& a) {
             set(a, "arr", [](Asm& x) { x.num(2).num(1).num(2).op(Op::InitArray); });
             setMember(a, var("arr"), "length", number(0));
             setMember(a, var("arr"), "length", number(1));
             trace(a, member(var("arr"), "0"));
             traceKeys(a, "arr");
         }, 7, "undefined\n\n"},
    });
}

TEST(BuiltinRules, BooleanAndNumbers) {
    runCases({
        {"Boolean() is undefined", [](Asm& a) { a.num(0).str("Boolean").op(Op::CallFunction).op(Op::TypeOf).trace(); }, 7, "undefined\n"},
        {"a clip's own valueOf is not used for numbers", [](Asm& a) {
             setMember(a, var("this"), "valueOf", function({}, Asm().num(5).op(Op::Return)));
             trace(a, callFunction("isNaN", {var("this")}));
             a.getVar("this").str("18").op(Op::Less2).op(Op::TypeOf).trace();
         }, 7, "true\nundefined\n"},
        {"a primitive's __proto__ is its class prototype", [](Asm& a) {
             a.num(1).str("__proto__").op(Op::GetMember).getVar("Number").str("prototype").op(Op::GetMember)
                 .op(Op::StrictEquals).trace();
         }, 7, "true\n"},
        {"built-in classes own their constructor", [](Asm& a) {
             trace(a, callMethod(var("Number"), "hasOwnProperty", {text("constructor")}));
             trace(a, callMethod(var("Object"), "hasOwnProperty", {text("constructor")}));
             a.getVar("Array").str("constructor").op(Op::GetMember).getVar("Function").op(Op::StrictEquals).trace();
         }, 7, "true\ntrue\ntrue\n"},
        {"Boolean(0) is false", [](Asm& a) { trace(a, callFunction("Boolean", {number(0)})); }, 7, "false\n"},
    });
    struct Text {
        const char* in;
        double expected;
    };
    const Text texts[] = {
        {"0xFF000000", -16777216}, {"0x10", 16}, {"-0x10", std::nan("")}, {"0x-10", -16}, {"0777", 511}, {"-077", -63},
        {"077000000000", static_cast<double>(static_cast<std::int32_t>(077000000000LL & 0xFFFFFFFF))},
        {"019", 19}, {" 077", 77}, {"2e", 2}, {"-56e", -56}, {" 0x2", std::nan("")},
    };
    for (const Text& t : texts) {
        double got = avm1::stringToNumber(t.in, 7);
        if (std::isnan(t.expected)) EXPECT_TRUE(std::isnan(got)) << t.in;
        else EXPECT_EQ(got, t.expected) << t.in;
    }
    EXPECT_EQ(avm1::stringToNumber("0777", 5), 777) << "octal text is SWF 6 and later";
}

TEST(BuiltinRules, WatchAndProto) {
    runCases({
        {"a watcher's result is stored", [](Asm& a) {
             set(a, "o", emptyObject());
             Asm body;
             body.getVar("name").getVar("old").op(Op::Add2).getVar("now").op(Op::Add2).getVar("data").op(Op::Add2).trace();
             body.getVar("now").num(1).op(Op::Add2).op(Op::Return);
             callMethod(var("o"), "watch", {text("p"), function({"name", "old", "now", "data"}, body), text("!")})(a);
             a.trace();
             setMember(a, var("o"), "p", number(1));
             trace(a, member(var("o"), "p"));
             callMethod(var("o"), "unwatch", {text("p")})(a);
             a.trace();
             setMember(a, var("o"), "p", number(5));
             trace(a, member(var("o"), "p"));
         }, 7, "true\npundefined1!\n2\ntrue\n5\n"},
        {"a watcher may assign its own property and unwatch it", [](Asm& a) {
             set(a, "o", emptyObject());
             Asm body;
             body.str("in").trace();
             setMember(body, var("this"), "p", number(7));
             callMethod(var("this"), "unwatch", {text("p")})(body);
             body.op(Op::Pop).getVar("now").op(Op::Return);
             callMethod(var("o"), "watch", {text("p"), function({"name", "old", "now"}, body)})(a);
             a.op(Op::Pop);
             setMember(a, var("o"), "p", number(1));
             setMember(a, var("o"), "p", number(2));
             trace(a, member(var("o"), "p"));
         }, 7, "in\n2\n"},
        {"__proto__ is not deleted until its flag is cleared", [](Asm& a) {
             set(a, "o", emptyObject());
             a.getVar("o").str("__proto__").op(Op::Delete).trace();
             callFunction("ASSetPropFlags", {var("o"), text("__proto__"), number(0), number(7)})(a);
             a.op(Op::Pop);
             a.getVar("o").str("__proto__").op(Op::Delete).trace();
             trace(a, member(var("o"), "__proto__"));
             trace(a, member(var("o"), "toString"));
         }, 7, "false\ntrue\nundefined\nundefined\n"},
        {"__PROTO__ is __proto__ before SWF 7", [](Asm& a) {
             set(a, "o", emptyObject());
             trace(a, member(var("o"), "__PROTO__"));
         }, 6, "[object Object]\n"},
        {"__PROTO__ is another name in SWF 7", [](Asm& a) {
             set(a, "o", emptyObject());
             trace(a, member(var("o"), "__PROTO__"));
         }, 7, "undefined\n"},
    });
}

TEST(BuiltinRules, Error) {
    runCases({
        {"a message given or the prototype's", [](Asm& a) {
             a.str("boom").num(1).str("Error").op(Op::NewObject).trace();
             a.num(0).str("Error").op(Op::NewObject).trace();
             trace(a, member([](Asm& x) { x.num(0).str("Error").op(Op::NewObject); }, "name"));
         }, 7, "boom\nError\nError\n"},
        {"thrown and caught", [](Asm& a) {
             Asm t;
             t.str("bad").num(1).str("Error").op(Op::NewObject).op(Op::Throw);
             Asm c;
             c.getVar("e").str("message").op(Op::GetMember).trace();
             c.getVar("e").getVar("Error").op(Op::InstanceOf).trace();
             a.tryBlock(t, "e", &c, nullptr);
         }, 7, "bad\ntrue\n"},
    });
}

TEST(BuiltinRules, AsBroadcaster) {
    runCases({
        {"initialize, add, broadcast, remove", [](Asm& a) {
             set(a, "src", emptyObject());
             callMethod(var("AsBroadcaster"), "initialize", {var("src")})(a);
             a.op(Op::Pop);
             set(a, "l", emptyObject());
             setMember(a, var("l"), "onPing", function({"x"}, Asm().str("ping ").getVar("x").op(Op::Add2).trace()));
             callMethod(var("src"), "addListener", {var("l")})(a);
             callMethod(var("src"), "addListener", {var("l")})(a);  // once only
             a.op(Op::Pop).op(Op::Pop);
             callMethod(var("src"), "broadcastMessage", {text("onPing"), number(1)})(a);
             a.op(Op::Pop);
             trace(a, callMethod(var("src"), "removeListener", {var("l")}));
             callMethod(var("src"), "broadcastMessage", {text("onPing"), number(2)})(a);
             a.op(Op::Pop);
             trace(a, member(member(var("src"), "_listeners"), "length"));
         }, 7, "ping 1\ntrue\n0\n"},
    });
}

TEST(BuiltinRules, FlashPackageFromSwf8) {
    runCases({
        {"hidden in SWF 7", [](Asm& a) { a.getVar("flash").op(Op::TypeOf).trace(); }, 7, "undefined\n"},
        {"there in SWF 8", [](Asm& a) { trace(a, member(member(member(var("flash"), "filters"), "BlurFilter"), "prototype")); }, 8,
         "[object Object]\n"},
    });
}

}  // namespace

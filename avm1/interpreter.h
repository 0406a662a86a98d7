#pragma once
// The dispatch loop (internal to avm1/): one activation of an action block or function body.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "avm1/vm.h"

namespace avm1 {

struct Frame {
    std::span<const std::uint8_t> code;
    std::shared_ptr<Scope> scope;
    Value thisValue;
    std::vector<Value> registers;
    std::shared_ptr<const std::vector<std::string>> constants;
    ObjectRef activation;  // functions: their locals; null for timeline code
    ClipId target = 0;
    unsigned version = 7;
    Object* superHolder = nullptr;  // the prototype object where the running method was found
    ObjectRef callee;
    ObjectRef arguments;
    // Timeline code: the values earlier blocks of the clip left on the stack; they start this
    // block's stack and receive what it leaves.
    std::vector<Value>* carry = nullptr;
};

// `super` inside a method found on `holder`: it looks members up from holder's prototype and
// calls them with `thisValue`. super() calls the __constructor__ found from holder's prototype
// on; in a constructor run (holder: the class's prototype) from holder itself, where `extends`
// put the parent class.
ObjectRef makeSuper(Vm& vm, Object& holder, const Value& thisValue, bool constructorRun);

class Interpreter {
public:
    // Runs until the end of the code or a Return; the result is the returned value.
    static Value run(Vm& vm, Frame& frame);
    // Calls a bytecode function.
    static Value callFunction(Vm& vm, Object& fn, const Value& thisValue, std::span<const Value> args,
                              Object* superHolder, bool constructorRun);
};

}  // namespace avm1

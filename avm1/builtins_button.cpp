// The Button class. A button's script object is a clip object (its display properties, _name,
// _target and _parent work as for clips) whose prototype is Button.prototype. The mouse state
// flags are plain members that the host reads when the pointer moves: enabled (false: the button
// takes no mouse events), useHandCursor and trackAsMenu.

#include "avm1/vm.h"

namespace avm1 {

void installButtonBuiltins(Vm& vm) {
    vm.protos.button = vm.alloc(vm.protos.object);
    vm.defineClass("Button", [](Vm&, const CallArgs&) -> Value { return Value(); }, vm.protos.button);
    Object& p = *vm.protos.button;
    p.define("enabled", Value(true), kDontEnum);
    p.define("useHandCursor", Value(true), kDontEnum);
    p.define("trackAsMenu", Value(false), kDontEnum);
    vm.method(p, "getDepth", [](Vm& vm, const CallArgs& c) -> Value {
        ClipId id = vm.clipOf(c.thisValue);
        return id && vm.host().isButton(id) ? Value(vm.host().depth(id) - kDepthBias) : Value();
    });
}

}  // namespace avm1

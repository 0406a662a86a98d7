// The Button class. A button's script object is a clip object (its display properties, _name,
// _target and _parent work as for clips) whose prototype is Button.prototype. The mouse state
// flags are plain members that the host reads when the pointer moves: enabled (false: the button
// takes no mouse events), useHandCursor and trackAsMenu. Also the Selection object's focus, which
// buttons hear through onSetFocus and onKillFocus.

#include "avm1/vm.h"

namespace avm1 {

namespace {

// Selection keeps the focused object (a button, text field or clip) in a hidden member.
constexpr std::string_view kFocus = "__focus";

ClipId focused(Vm& vm, const Value& selection) {
    Object* o = selection.obj();
    const Property* p = o ? o->findOwn(kFocus, NameCase::Sensitive) : nullptr;
    return p ? vm.clipOf(p->value) : 0;
}

// Selection.setFocus(target): target is an object, a path or null. The object losing focus
// hears onKillFocus(new focus), the one gaining it onSetFocus(old focus).
Value setFocus(Vm& vm, const CallArgs& c) {
    Object* sel = c.thisValue.obj();
    if (!sel) return Value(false);
    const Value& t = c.arg(0);
    ClipId next = t.isString() ? vm.resolveTarget(vm.host().root(), t.str()) : vm.clipOf(t);
    if (!t.isNullish() && !next) return Value(false);
    const ClipId old = focused(vm, c.thisValue);
    if (old == next) return Value(next != 0);
    const Value oldValue = old ? vm.clipValue(old) : Value::null();
    const Value nextValue = next ? vm.clipValue(next) : Value::null();
    sel->define(kFocus, nextValue, kDontEnum);
    if (old) vm.call(vm.getMember(oldValue, "onKillFocus"), oldValue, std::span(&nextValue, 1));
    if (next) vm.call(vm.getMember(nextValue, "onSetFocus"), nextValue, std::span(&oldValue, 1));
    return Value(next != 0);
}

}  // namespace

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
    ObjectRef selection = vm.newObject();
    vm.global()->define("Selection", selection, kDontEnum);
    vm.method(*selection, "setFocus", setFocus);
    vm.method(*selection, "getFocus", [](Vm& vm, const CallArgs& c) -> Value {
        ClipId id = focused(vm, c.thisValue);
        return id ? Value(vm.targetPath(id)) : Value::null();
    });
}

}  // namespace avm1

// Calls of bytecode functions: the activation, `this`, `arguments` and `super`, and the
// registers of DefineFunction2 with its preload and suppress flags.

#include <algorithm>

#include "avm1/interpreter.h"

namespace avm1 {

ObjectRef makeSuper(Vm& vm, Object& holder, const Value& thisValue) {
    auto s = vm.alloc(holder.proto, ObjectKind::Boxed);
    s->className = "super";
    s->primitive = thisValue;
    if (const Property* c = holder.findOwn("__constructor__", NameCase::Sensitive))
        s->define("__constructor__", c->value, kDontEnum);
    return s;
}

Value Interpreter::callFunction(Vm& vm, Object& fn, const Value& thisValue, std::span<const Value> args,
                                Object* superHolder) {
    const FunctionCode& code = *fn.code;
    Frame f;
    f.code = code.body;
    f.version = code.version;
    f.constants = code.constants;
    f.thisValue = thisValue;
    f.superHolder = superHolder;
    f.target = code.target && code.target->clipId ? code.target->clipId : vm.ctx.target;
    f.activation = vm.alloc(nullptr);
    std::shared_ptr<Scope> outer = code.scope;
    if (code.version < 6) {
        // SWF 5 functions close over nothing: they run on the clip they are called on (else on
        // the caller's timeline), below the globals.
        if (ClipId self = vm.clipOf(thisValue)) f.target = self;
        else if (vm.ctx.target) f.target = vm.ctx.target;
        if (ObjectRef timeline = vm.clipObject(f.target)) {
            auto global = std::make_shared<Scope>(Scope{ScopeKind::Global, vm.global(), nullptr});
            outer = std::make_shared<Scope>(Scope{ScopeKind::Target, timeline, global});
        }
    }
    f.scope = std::make_shared<Scope>(Scope{ScopeKind::Local, f.activation, outer});
    f.callee = fn.shared_from_this();
    auto arguments = vm.alloc(vm.protos.array, ObjectKind::Arguments);
    arguments->elements.assign(args.begin(), args.end());
    arguments->define("callee", Value(f.callee), kDontEnum);
    ObjectRef super = superHolder ? makeSuper(vm, *superHolder, thisValue) : nullptr;
    if (code.isFunction2) {
        f.registers.resize(std::max<std::size_t>(code.registerCount, 1));
        std::size_t r = 1;
        auto preload = [&](const Value& v) {
            if (r < f.registers.size()) f.registers[r] = v;
            ++r;
        };
        std::uint16_t fl = code.flags;
        // A preload flag always takes its register; a suppressed `this` or `super` leaves it
        // undefined (`arguments` is loaded even when suppressed, as the reference player does).
        if (fl & kPreloadThis) preload((fl & kSuppressThis) ? Value() : thisValue);
        if (fl & kPreloadArguments) preload(Value(arguments));
        else if (!(fl & kSuppressArguments)) f.activation->define("arguments", Value(arguments), kDontEnum);
        if (fl & kPreloadSuper) preload((fl & kSuppressSuper) || !super ? Value() : Value(super));
        else if (!(fl & kSuppressSuper) && super) f.activation->define("super", Value(super), kDontEnum);
        if (fl & kPreloadRoot) preload(vm.clipValue(vm.rootOf(f.target)));
        // The main timeline has no parent: then the slot is not taken and later preloads move up.
        if (fl & kPreloadParent)
            if (ClipId parent = vm.host().parent(f.target)) preload(vm.clipValue(parent));
        if (fl & kPreloadGlobal) preload(Value(vm.global()));
        // A preloaded or suppressed `this` is no local: the name finds the timeline instead.
        if (fl & (kSuppressThis | kPreloadThis)) f.thisValue = vm.clipValue(f.target);
    } else {
        f.registers.resize(4);
        f.activation->define("arguments", Value(arguments), kDontEnum);
        if (super) f.activation->define("super", Value(super), kDontEnum);
    }
    for (std::size_t i = 0; i < code.params.size(); ++i) {
        Value a = i < args.size() ? args[i] : Value();
        const FunctionParam& p = code.params[i];
        if (code.isFunction2 && p.reg != 0) {
            if (p.reg < f.registers.size()) f.registers[p.reg] = a;
        } else {
            f.activation->define(p.name, a, 0, vm.nameCase());
        }
    }
    return run(vm, f);
}

}  // namespace avm1

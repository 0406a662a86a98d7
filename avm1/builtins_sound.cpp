// The Sound class: new Sound([target]), attachSound(name), start([secondOffset[, loops]]),
// stop([name]), setVolume(percent), getVolume(). What plays is the host's business; a Sound
// object keeps its target clip, the name of the sound attached to it and its volume.

#include <cmath>

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

// Hidden members of a Sound object (not enumerable, so scripts listing it do not see them).
constexpr const char* kAttached = "__sound";
constexpr const char* kVolume = "__volume";

// The clip a Sound object was made for: a clip reference or a target path; 0 for the movie.
ClipId soundTarget(Vm& vm, Args c) {
    Object* o = c.thisValue.obj();
    if (!o) return 0;
    if (ClipId clip = vm.clipOf(o->primitive)) return clip;
    if (o->primitive.isNullish()) return 0;
    std::string path = toString(vm, o->primitive);
    return path.empty() ? 0 : vm.resolveTarget(vm.ctx.target, path);
}

std::string attached(Vm& vm, Args c) {
    Object* o = c.thisValue.obj();
    const Property* p = o ? o->findOwn(kAttached, NameCase::Sensitive) : nullptr;
    return p ? toString(vm, p->value) : std::string();
}

}  // namespace

void installSoundBuiltins(Vm& vm) {
    ObjectRef proto = vm.alloc(vm.protos.object);
    vm.defineClass("Sound", [](Vm&, Args) -> Value { return Value(); }, proto,
        [](Vm&, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) o->primitive = c.arg(0);
            return c.thisValue;
        });
    Object& p = *proto;
    vm.method(p, "attachSound", [](Vm& vm, Args c) -> Value {
        if (Object* o = c.thisValue.obj()) o->define(kAttached, Value(toString(vm, c.arg(0))), kDontEnum);
        return Value();
    });
    vm.method(p, "start", [](Vm& vm, Args c) -> Value {
        std::string name = attached(vm, c);
        if (name.empty()) return Value();
        double offset = c.arg(0).isUndefined() ? 0 : toNumber(vm, c.arg(0));
        double loops = c.arg(1).isUndefined() ? 1 : toNumber(vm, c.arg(1));
        if (!(offset >= 0) || std::isinf(offset)) offset = 0;
        if (!(loops >= 1)) loops = 1;
        vm.host().soundStart(soundTarget(vm, c), name, offset, static_cast<int>(std::min(loops, 65535.0)));
        return Value();
    });
    vm.method(p, "stop", [](Vm& vm, Args c) -> Value {
        std::string name = c.arg(0).isUndefined() ? std::string() : toString(vm, c.arg(0));
        vm.host().soundStop(soundTarget(vm, c), name);
        return Value();
    });
    vm.method(p, "setVolume", [](Vm& vm, Args c) -> Value {
        double v = toNumber(vm, c.arg(0));
        if (std::isnan(v)) return Value();
        if (Object* o = c.thisValue.obj()) o->define(kVolume, Value(v), kDontEnum);
        vm.host().soundVolume(soundTarget(vm, c), v);
        return Value();
    });
    vm.method(p, "getVolume", [](Vm& vm, Args c) -> Value {
        Object* o = c.thisValue.obj();
        const Property* v = o ? o->findOwn(kVolume, NameCase::Sensitive) : nullptr;
        return v ? Value(toNumber(vm, v->value)) : Value(100.0);
    });
}

}  // namespace avm1

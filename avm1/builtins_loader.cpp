// Loading files into clips: loadMovie / unloadMovie on clips, and the MovieClipLoader class
// (loadClip, unloadClip, getProgress, addListener, removeListener, broadcastMessage).
//
// A load runs as a hidden interval that fires on the frames after the request: the first pass
// asks the host to load the file and broadcasts onLoadStart, onLoadProgress and onLoadComplete
// (or onLoadError), the next pass onLoadInit, once the new content has had a frame. Events go
// through the loader's own broadcastMessage, so a script that replaces it sees every event.

#include "avm1/vm.h"

namespace avm1 {

namespace {

using Args = const CallArgs&;

constexpr const char* kListeners = "_listeners";
constexpr const char* kStage = "__stage";      // state of a load: 0 requested, 1 loaded
constexpr const char* kInterval = "__id";
constexpr const char* kBytes = "__loadedBytes";  // on the target clip's object
constexpr const char* kLevel = "__level";        // a load into a level: its number

ObjectRef listeners(Vm& vm, const Value& loader) {
    Object* o = loader.obj();
    if (!o) return nullptr;
    Value v = vm.getMember(loader, kListeners);
    if (Object* a = v.obj(); a && a->kind == ObjectKind::Array)
        return v.objRef();
    ObjectRef fresh = vm.newArray();
    o->define(kListeners, Value(fresh), kDontEnum);
    return fresh;
}

void broadcast(Vm& vm, const Value& loader, std::vector<Value> args) {
    if (!loader.obj() || vm.unwinding()) return;
    vm.call(vm.getMember(loader, "broadcastMessage"), loader, args);
}

// A clip reference, or a target path from the running code's timeline.
ClipId targetOf(Vm& vm, const Value& v) {
    if (ClipId clip = vm.clipOf(v)) return clip;
    if (!v.isString()) return 0;
    return vm.resolveTarget(vm.ctx.target, v.str());
}

// The interval body: args are the loader, the target clip's object, the url and the state.
// Hidden members of the state keep the stage reached and the interval's id.
Value loadStep(Vm& vm, Args c) {
    const Value& loader = c.arg(0);
    Object* state = c.arg(3).obj();
    if (!state) return Value();
    Value targetValue = c.arg(1);
    const Property* stage = state->findOwn(kStage, NameCase::Sensitive);
    const Property* id = state->findOwn(kInterval, NameCase::Sensitive);
    const int stageNo = stage ? static_cast<int>(toNumber(vm, stage->value)) : 0;
    auto finish = [&] { vm.removeInterval(id ? static_cast<int>(toNumber(vm, id->value)) : 0); };
    // A level is made by its load: the events name its main timeline once it is there.
    if (const Property* level = state->findOwn(kLevel, NameCase::Sensitive)) {
        const int n = static_cast<int>(toNumber(vm, level->value));
        long long size = stageNo == 0 ? vm.host().loadLevel(n, toString(vm, c.arg(2))) : 0;
        targetValue = size < 0 ? Value() : vm.clipValue(vm.host().level(n));
        if (size > 0) state->define(kBytes, Value(static_cast<double>(size)), kDontEnum);
    }
    ClipId target = vm.clipOf(targetValue);
    if (!target) {  // the clip went before its content came
        finish();
        broadcast(vm, loader, {Value("onLoadError"), targetValue, Value("URLNotFound")});
        return Value();
    }
    if (stageNo == 0) {
        const Property* levelBytes = state->findOwn(kBytes, NameCase::Sensitive);
        long long size = levelBytes ? static_cast<long long>(toNumber(vm, levelBytes->value))
                                    : vm.host().loadInto(target, toString(vm, c.arg(2)));
        if (size < 0) {
            finish();
            broadcast(vm, loader, {Value("onLoadError"), targetValue, Value("URLNotFound")});
            return Value();
        }
        state->define(kStage, Value(1), kDontEnum);
        if (Object* t = targetValue.obj()) t->define(kBytes, Value(static_cast<double>(size)), kDontEnum);
        const Value bytes(static_cast<double>(size));
        broadcast(vm, loader, {Value("onLoadStart"), targetValue});
        broadcast(vm, loader, {Value("onLoadProgress"), targetValue, bytes, bytes});
        broadcast(vm, loader, {Value("onLoadComplete"), targetValue, Value(0)});
        return Value();
    }
    finish();
    broadcast(vm, loader, {Value("onLoadInit"), targetValue});
    return Value();
}

// A load into a level: one pass on the next frame (args: level, url, a state object with the
// interval's id).
Value levelStep(Vm& vm, Args c) {
    if (Object* state = c.arg(2).obj())
        if (const Property* id = state->findOwn(kInterval, NameCase::Sensitive))
            vm.removeInterval(static_cast<int>(toNumber(vm, id->value)));
    vm.host().loadLevel(static_cast<int>(toNumber(vm, c.arg(0))), toString(vm, c.arg(1)));
    return Value();
}

// Starts the interval of a load; gives its state.
ObjectRef beginLoad(Vm& vm, const Value& loader, const Value& target, const std::string& url) {
    ObjectRef state = vm.newObject();
    state->define(kStage, Value(0), kDontEnum);
    const int id = vm.addInterval(vm.newFunction(loadStep), Value(), std::string(), 0,
                                  {loader, target, Value(url), Value(state)});
    state->define(kInterval, Value(id), kDontEnum);
    return state;
}

ObjectRef loaderProto(Vm& vm) {
    ObjectRef proto = vm.alloc(vm.protos.object);
    Object& p = *proto;
    vm.method(p, "addListener", [](Vm& vm, Args c) -> Value {
        ObjectRef list = listeners(vm, c.thisValue);
        if (!list || c.arg(0).isNullish()) return Value(false);
        for (const Value& v : list->elements)
            if (v.obj() == c.arg(0).obj() && v.obj()) return Value(true);
        list->elements.push_back(c.arg(0));
        return Value(true);
    });
    vm.method(p, "removeListener", [](Vm& vm, Args c) -> Value {
        ObjectRef list = listeners(vm, c.thisValue);
        if (!list || !c.arg(0).obj()) return Value(false);
        for (auto it = list->elements.begin(); it != list->elements.end(); ++it)
            if (it->obj() == c.arg(0).obj()) {
                list->elements.erase(it);
                return Value(true);
            }
        return Value(false);
    });
    vm.method(p, "broadcastMessage", [](Vm& vm, Args c) -> Value {
        ObjectRef list = listeners(vm, c.thisValue);
        if (!list || c.args.empty()) return Value();
        const std::string event = toString(vm, c.arg(0));
        std::vector<Value> targets = list->elements;  // listeners may change the list
        for (const Value& l : targets) {
            if (vm.unwinding()) break;
            Value fn = vm.getMember(l, event);
            if (fn.obj() && fn.obj()->kind == ObjectKind::Function) vm.call(fn, l, c.args.subspan(1));
        }
        return Value();
    });
    vm.method(p, "loadClip", [](Vm& vm, Args c) -> Value {
        // A level, by its number, its name or its main timeline: the load makes it afresh.
        const Value& where = c.arg(1);
        int level = -1;
        if (const double d = where.isNumber() ? toNumber(vm, where) : -1; d >= 0 && d < 2147483647.0)
            level = static_cast<int>(d);
        else if (where.isString())
            level = levelFromName(where.str());
        else if (ClipId t = vm.clipOf(where); t && !vm.host().parent(t))
            level = vm.host().levelNumber(t);
        if (level >= 0 && !c.arg(0).isNullish()) {
            beginLoad(vm, c.thisValue, Value(), toString(vm, c.arg(0)))->define(kLevel, Value(level), kDontEnum);
            return Value(true);
        }
        ClipId target = targetOf(vm, c.arg(1));
        if (!target || c.arg(0).isNullish()) return Value(false);
        startLoad(vm, c.thisValue, target, toString(vm, c.arg(0)));
        return Value(true);
    });
    vm.method(p, "unloadClip", [](Vm& vm, Args c) -> Value {
        if (c.arg(0).isNumber()) {  // a level
            const double n = toNumber(vm, c.arg(0));
            if (!(n >= 0 && n < 2147483647.0)) return Value(false);
            vm.host().unloadLevel(static_cast<int>(n));
            return Value(true);
        }
        ClipId target = targetOf(vm, c.arg(0));
        if (!target) return Value(false);
        vm.host().unloadFrom(target);
        return Value(true);
    });
    vm.method(p, "getProgress", [](Vm& vm, Args c) -> Value {
        ClipId target = targetOf(vm, c.arg(0));
        ObjectRef out = vm.newObject();
        double bytes = 0;
        if (ObjectRef t = target ? vm.clipObject(target) : nullptr)
            if (const Property* b = t->findOwn(kBytes, NameCase::Sensitive)) bytes = toNumber(vm, b->value);
        out->define("bytesLoaded", Value(bytes));
        out->define("bytesTotal", Value(bytes));
        return Value(out);
    });
    return proto;
}

}  // namespace

void startLoad(Vm& vm, const Value& loader, ClipId target, const std::string& url) {
    beginLoad(vm, loader, vm.clipValue(target), url);
}

void startLevelLoad(Vm& vm, int level, const std::string& url) {
    ObjectRef state = vm.newObject();
    const int id = vm.addInterval(vm.newFunction(levelStep), Value(), std::string(), 0,
                                  {Value(level), Value(url), Value(state)});
    state->define(kInterval, Value(id), kDontEnum);
}

void installLoaderBuiltins(Vm& vm) {
    ObjectRef proto = loaderProto(vm);
    vm.defineClass("MovieClipLoader", [](Vm&, Args) -> Value { return Value(); }, proto,
        [](Vm& vm, Args c) -> Value {
            if (Object* o = c.thisValue.obj()) o->define(kListeners, Value(vm.newArray({c.thisValue})), kDontEnum);
            return c.thisValue;
        });
    // loadMovie(url[, method]) and unloadMovie() on clips.
    Object& clip = *vm.protos.clip;
    vm.method(clip, "loadMovie", [](Vm& vm, Args c) -> Value {
        if (ClipId target = vm.clipOf(c.thisValue); target && !c.arg(0).isNullish())
            startLoad(vm, Value(), target, toString(vm, c.arg(0)));
        return Value();
    });
    vm.method(clip, "unloadMovie", [](Vm& vm, Args c) -> Value {
        if (ClipId target = vm.clipOf(c.thisValue)) vm.host().unloadFrom(target);
        return Value();
    });
}

}  // namespace avm1

#pragma once
// The ActionScript 1/2 virtual machine: globals and built-in classes, the scope chain, action
// blocks and function calls, the step budget and the recursion limit.
//
// Runtime errors unwind through return values, not C++ exceptions (the player image is built
// without them): the Vm holds what is unwinding. A script `throw` sets Unwind::Throw, which the
// nearest try block takes; a block that runs out of steps or nests too deep sets Unwind::Abort,
// which ends every script of the current run and leaves the movie to play on. While either is
// set, calls return undefined at once and the dispatch loop returns, so no further script code
// runs until the unwinding is taken.

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "avm1/host.h"
#include "avm1/object.h"
#include "avm1/value.h"

namespace avm1 {

enum class ScopeKind : std::uint8_t { Global, Target, Local, With };

struct Scope {
    ScopeKind kind = ScopeKind::Global;
    ObjectRef obj;
    std::shared_ptr<Scope> parent;
};

struct VmLimits {
    std::uint64_t stepBudget = 20'000'000;  // actions per frame (all its scripts together)
    unsigned maxCallDepth = 256;
    std::size_t maxStack = 1 << 16;
    std::size_t maxStringBytes = 16u << 20;  // a longer concatenation stops the script
    std::size_t maxArrayLength = 1u << 20;   // growing an array further stops the script
};

enum class Unwind : std::uint8_t { None, Throw, Abort };

enum class RunStatus : std::uint8_t { Ok, Thrown, Aborted };

class Vm {
public:
    Vm(Host& host, unsigned swfVersion, VmLimits limits = {});
    ~Vm();
    Vm(const Vm&) = delete;
    Vm& operator=(const Vm&) = delete;

    unsigned version() const { return m_version; }
    // Names follow the version of the running code (a loaded movie may have another).
    NameCase nameCase() const { return ctx.version >= 7 ? NameCase::Sensitive : NameCase::Insensitive; }
    Host& host() { return m_host; }
    const VmLimits& limits() const { return m_limits; }

    // Starts a new step budget. The budget covers every script of one frame together, so that
    // scripts that keep queueing each other (a frame that goes to itself) end too.
    void beginFrame() { m_steps = 0; }
    // Runs an action block (frame script, init action, clip event, button action) on a clip.
    // `self` runs the code as that object instead of the clip's own (the object of a clip that
    // was removed, for its unload event: `clip` is then a live clip that hosts the run).
    RunStatus runActions(std::span<const std::uint8_t> code, ClipId clip, ObjectRef self = nullptr);
    // Calls a handler like onEnterFrame on a clip if it has one; aborts and throws are contained.
    // `removed`: the object of a removed clip whose handler runs (hosted by `clip`).
    // Calls `object.broadcastMessage(event)` on a global object (Key, Mouse): its listeners hear it.
    RunStatus broadcast(std::string_view object, std::string_view event);
    RunStatus callHandler(ClipId clip, std::string_view name, std::span<const Value> args = {},
                          ObjectRef removed = nullptr);
    // Gives a clip made from an exported symbol the class registered for it with
    // Object.registerClass: the clip takes the class's prototype and its constructor runs.
    RunStatus constructClip(ClipId clip, const std::string& symbol);
    // Runs the intervals that are due.
    void runIntervals();
    // The number of actions executed since the VM started (for benchmarks and tests).
    std::uint64_t stepsExecuted() const { return m_totalSteps; }
    const std::string& lastAbort() const { return m_lastAbort; }

    // Used by the interpreter and the built-ins.
    // `superHolder`: the object the method was found on (`super` starts above it); a
    // constructor run is given its class's prototype, where super() starts its search.
    Value call(const Value& fn, const Value& thisValue, std::span<const Value> args,
               Object* superHolder = nullptr, bool constructorRun = false);
    Value construct(const Value& ctor, std::span<const Value> args);
    Value getMember(const Value& target, std::string_view name);
    void setMember(const Value& target, std::string_view name, const Value& v);
    // The delete operator on a member; false when there is none or it may not be deleted.
    bool deleteMember(Object& o, std::string_view name);
    Value getOwnOrProto(Object& o, std::string_view name, const Value& thisValue);
    bool hasProperty(Object& o, std::string_view name);
    // A member seen through `super`: looked up from `from` along the chain, stopping at a clip;
    // getters run with `thisValue`; `holder` (if given) receives the object that holds it.
    Value superLookup(Object* from, std::string_view name, const Value& thisValue, Object** holder = nullptr);
    ObjectRef toObject(const Value& v);
    ObjectRef clipObject(ClipId clip);
    ObjectRef existingClipObject(ClipId clip) {
        auto it = m_clips.find(clip);
        return it == m_clips.end() ? nullptr : it->second;
    }
    void clipRemoved(ClipId clip);
    // A clip reference: the object of a live clip, or undefined.
    Value clipValue(ClipId clip);
    ClipId clipOf(const Value& v);
    // The clip a clip object stands for: its own while it lives, else the one now at its path.
    ClipId liveClip(const Object& o);
    // The main timeline of the level a clip is on (_root there); the main movie's for 0.
    ClipId rootOf(ClipId clip);
    std::string targetPath(ClipId clip);  // "_level0.a.b"
    std::string slashPath(ClipId clip);   // "/a/b"
    // Resolves a target path ("/a/b", "_root.a", "../b", "a:b" without the variable).
    ClipId resolveTarget(ClipId base, std::string_view path);

    // Every script object is made here, so that the collector knows it.
    ObjectRef alloc(ObjectRef proto, ObjectKind kind = ObjectKind::Plain);
    // Objects are shared and freed when the last reference goes; reference cycles (a function
    // and its prototype, closures) are broken by this collector: what the globals, the built-in
    // prototypes, the clips and the intervals no longer reach is cleared. Only between scripts.
    std::size_t collectGarbage();
    // Collects when the heap has grown enough since the last collection.
    void maybeCollect();
    std::size_t heapObjects() const { return m_heap.size(); }

    ObjectRef newObject();
    ObjectRef newArray(std::vector<Value> elements = {});
    ObjectRef newFunction(NativeFn fn, std::string_view name = {}, NativeFn construct = nullptr);
    ObjectRef makeFunction(std::unique_ptr<FunctionCode> code);
    // Adds a native method to an object (not enumerable).
    void method(Object& o, std::string_view name, NativeFn fn);
    // Starts unwinding with a thrown value (an abort already under way wins).
    void throwValue(Value v);
    // Stops every script of the current run; the first reason is kept.
    void abort(const char* reason);
    bool unwinding() const { return m_unwind != Unwind::None; }
    Unwind unwindKind() const { return m_unwind; }
    // Ends a throw and gives the thrown value (try blocks).
    Value takeThrown();
    // Nested blocks (with, try) count against the same depth limit as calls, so that nested
    // bytecode cannot exhaust the native stack. False (and aborting) when the limit is reached.
    bool enterNested();
    void leaveNested() { --m_depth; }
    // Counts one action against the step budget; false when the running code must unwind.
    bool countStep() {
        ++m_totalSteps;
        if (++m_steps > m_limits.stepBudget) abort("script step budget exhausted");
        return m_unwind == Unwind::None;
    }

    ObjectRef global() { return m_global; }
    struct Protos {
        ObjectRef object, function, array, string, number, boolean, date, clip, error, color, textField, button;
    } protos;
    // Registers a constructor under `name` in _global, linking prototype.constructor.
    ObjectRef defineClass(std::string_view name, NativeFn ctor, const ObjectRef& proto, NativeFn construct = nullptr);

    // Intervals (setInterval).
    int addInterval(Value fn, Value thisValue, std::string method, double ms, std::vector<Value> args);
    void removeInterval(int id);

    double random01();

private:
    friend class Interpreter;
    void installBuiltins();
    // Starts an entry point; false when code that is unwinding reaches it (it must not run).
    bool beginEntry(bool outer);
    // Ends an entry point (a block run or a handler called from outside the scripts): a throw
    // stops here; an abort stops at the outermost entry and is recorded.
    RunStatus finishEntry(bool outer);

    Host& m_host;
    unsigned m_version;
    VmLimits m_limits;
    ObjectRef m_global;
    std::unordered_map<ClipId, ObjectRef> m_clips;
    std::unordered_map<ClipId, std::vector<Value>> m_carried;  // stack values left by timeline code
    std::uint64_t m_steps = 0;      // steps since beginFrame()
    std::uint64_t m_totalSteps = 0;
    unsigned m_depth = 0;           // nested calls and runs
    std::string m_lastAbort;
    Unwind m_unwind = Unwind::None;
    Value m_thrown;
    const char* m_abortReason = "";
    std::uint64_t m_rng = 0x2545F4914F6CDD1DULL;

    struct Interval {
        Value fn, thisValue;
        std::string method;
        std::vector<Value> args;
        double periodMs = 0, nextMs = 0;
    };
    std::map<int, Interval> m_intervals;
    int m_nextInterval = 1;

    std::vector<std::weak_ptr<Object>> m_heap;
    std::uint32_t m_gcEpoch = 0;
    std::size_t m_heapAfterGc = 0;

public:
    // State of the running code that built-ins need.
    struct Context {
        ClipId target = 0;     // the clip whose timeline the code belongs to (after setTarget)
        unsigned version = 7;
    };
    Context ctx;
    // The keyboard as Key reports it: keys held down by virtual-key code, the last key pressed.
    struct KeyState {
        std::uint8_t down[32] = {};  // one bit per code 0..255
        int lastCode = 0, lastAscii = 0;
        bool isDown(int code) const { return code >= 0 && code < 256 && (down[code >> 3] >> (code & 7)) & 1; }
    } keys;
};

// Built-in installers (one file per family).
void installObjectBuiltins(Vm& vm);
void installArrayBuiltins(Vm& vm);
void installStringBuiltins(Vm& vm);
void installMathBuiltins(Vm& vm);
void installClipBuiltins(Vm& vm);
void installFilterBuiltins(Vm& vm);  // flash.filters, flash.geom.Rectangle, clip effects
void installSoundBuiltins(Vm& vm);
void installTextBuiltins(Vm& vm);
void installButtonBuiltins(Vm& vm);
void installLoaderBuiltins(Vm& vm);
// Starts loading `url` into `target` (loadMovie, getURL into a clip); `loader` (a
// MovieClipLoader, or undefined) hears the events. The load completes on the next frame.
void startLoad(Vm& vm, const Value& loader, ClipId target, const std::string& url);
// Starts loading `url` as level `level` (loadMovieNum); it completes on the next frame.
void startLevelLoad(Vm& vm, int level, const std::string& url);
void installGlobalFunctions(Vm& vm);

}  // namespace avm1

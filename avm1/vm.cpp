// The VM's object model: member access (clip properties, arrays, getters and setters, the
// prototype chain), calls and construction, clip objects, target paths and intervals.

#include "avm1/vm.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "avm1/interpreter.h"

namespace avm1 {

namespace {

struct ClipPropName {
    const char* name;
    ClipProp prop;
};

constexpr ClipPropName kClipProps[] = {
    {"_x", ClipProp::X}, {"_y", ClipProp::Y}, {"_xscale", ClipProp::XScale},
    {"_yscale", ClipProp::YScale}, {"_currentframe", ClipProp::CurrentFrame},
    {"_totalframes", ClipProp::TotalFrames}, {"_alpha", ClipProp::Alpha},
    {"_visible", ClipProp::Visible}, {"_width", ClipProp::Width}, {"_height", ClipProp::Height},
    {"_rotation", ClipProp::Rotation}, {"_target", ClipProp::Target},
    {"_framesloaded", ClipProp::FramesLoaded}, {"_name", ClipProp::Name},
    {"_droptarget", ClipProp::DropTarget}, {"_url", ClipProp::Url},
    {"_highquality", ClipProp::HighQuality}, {"_focusrect", ClipProp::FocusRect},
    {"_soundbuftime", ClipProp::SoundBufTime}, {"_quality", ClipProp::Quality},
    {"_xmouse", ClipProp::XMouse}, {"_ymouse", ClipProp::YMouse},
};


// The 32-bit value of a name made of digits with an optional minus ("12", "-5",
// "4294967296"), exactly modulo 2^32 as array lengths count; false for other names.
bool wrappedIndex(std::string_view s, std::int32_t& out) {
    std::size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    std::uint32_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10u + static_cast<std::uint32_t>(s[i] - '0');
    }
    if (s[0] == '-') v = 0u - v;
    out = static_cast<std::int32_t>(v);
    return true;
}

std::int32_t arrayLength(const Object& a) {
    return a.oddLength ? a.lengthValue : static_cast<std::int32_t>(a.elements.size());
}

// Sets an array's length: elements from the new length on go; new slots are holes.
void setArrayLength(Object& a, std::int32_t length, std::size_t limit) {
    std::size_t keep = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (length >= 0 && keep <= limit) {
        a.elements.resize(keep, Value::hole());
        a.oddLength = false;
        return;
    }
    if (length < 0) a.elements.clear();
    a.oddLength = true;
    a.lengthValue = length;
}

}  // namespace

ClipProp clipPropFromName(std::string_view name) {
    if (name.size() < 2 || name[0] != '_') return ClipProp::Count;
    for (const auto& p : kClipProps)
        if (sameName(p.name, name, NameCase::Insensitive)) return p.prop;
    return ClipProp::Count;
}

int levelFromName(std::string_view name) {
    if (name.size() < 7 || !sameName(name.substr(0, 6), "_level", NameCase::Insensitive)) return -1;
    long long n = 0;
    for (char c : name.substr(6)) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
        if (n > 0x7FFFFFFF) return -1;
    }
    return static_cast<int>(n);
}

Vm::Vm(Host& host, unsigned swfVersion, VmLimits limits)
    : m_host(host), m_version(swfVersion), m_limits(limits) {
    ctx.version = swfVersion;
    installBuiltins();
}

Vm::~Vm() {
    // Nothing is reachable any more: clear every object, which breaks all cycles.
    m_intervals.clear();
    m_clips.clear();
    m_global.reset();
    protos = Protos{};
    collectGarbage();
}

ObjectRef Vm::alloc(ObjectRef proto, ObjectKind kind) {
    auto o = std::make_shared<Object>(std::move(proto), kind);
    m_heap.push_back(o);
    return o;
}

namespace {

void markValue(const Value& v, std::vector<Object*>& todo) {
    if (Object* o = v.obj()) todo.push_back(o);
}

}  // namespace

std::size_t Vm::collectGarbage() {
    const std::uint32_t epoch = ++m_gcEpoch;
    std::vector<Object*> todo;
    if (m_global) todo.push_back(m_global.get());
    for (ObjectRef* p : {&protos.object, &protos.function, &protos.array, &protos.string,
                         &protos.number, &protos.boolean, &protos.date, &protos.clip,
                         &protos.error, &protos.color, &protos.textField, &protos.button})
        if (*p) todo.push_back(p->get());
    for (auto& [id, obj] : m_clips) todo.push_back(obj.get());
    for (auto& [id, values] : m_carried)
        for (const Value& v : values) markValue(v, todo);
    for (auto& [id, iv] : m_intervals) {
        markValue(iv.fn, todo);
        markValue(iv.thisValue, todo);
        for (const Value& a : iv.args) markValue(a, todo);
    }
    while (!todo.empty()) {
        Object* o = todo.back();
        todo.pop_back();
        if (o->gcMark == epoch) continue;
        o->gcMark = epoch;
        if (o->proto) todo.push_back(o->proto.get());
        for (const Property& p : o->properties()) {
            markValue(p.value, todo);
            if (p.getter) todo.push_back(p.getter.get());
            if (p.setter) todo.push_back(p.setter.get());
        }
        for (const Value& v : o->elements) markValue(v, todo);
        markValue(o->primitive, todo);
        if (o->code) {
            for (Scope* s = o->code->scope.get(); s; s = s->parent.get())
                if (s->obj) todo.push_back(s->obj.get());
            if (o->code->target) todo.push_back(o->code->target.get());
        }
    }
    // Clear what was not reached; the shared references between those objects go with it.
    std::size_t freed = 0;
    std::vector<ObjectRef> dead;
    for (const auto& w : m_heap) {
        ObjectRef o = w.lock();
        if (!o || o->gcMark == epoch) continue;
        dead.push_back(std::move(o));
    }
    for (const ObjectRef& o : dead) {
        o->properties().clear();
        o->elements.clear();
        o->code.reset();
        o->proto.reset();
        o->primitive = Value();
        ++freed;
    }
    dead.clear();
    std::erase_if(m_heap, [](const std::weak_ptr<Object>& w) { return w.expired(); });
    m_heapAfterGc = m_heap.size();
    return freed;
}

void Vm::maybeCollect() {
    if (m_depth == 0 && m_heap.size() > std::max<std::size_t>(m_heapAfterGc * 2, 20000)) collectGarbage();
}

void Vm::installBuiltins() {
    protos.object = alloc(nullptr);
    protos.function = alloc(protos.object);
    m_global = alloc(nullptr);  // no prototype: it converts to "[type Object]"
    installObjectBuiltins(*this);
    installArrayBuiltins(*this);
    installStringBuiltins(*this);
    installMathBuiltins(*this);
    installClipBuiltins(*this);
    installFilterBuiltins(*this);
    installSoundBuiltins(*this);
    installTextBuiltins(*this);
    installButtonBuiltins(*this);
    installLoaderBuiltins(*this);
    installGlobalFunctions(*this);
}

bool Vm::enterNested() {
    if (m_depth >= m_limits.maxCallDepth) {
        abort("script nesting limit reached");
        return false;
    }
    ++m_depth;
    return true;
}

void Vm::throwValue(Value v) {
    if (m_unwind != Unwind::None) return;
    m_unwind = Unwind::Throw;
    m_thrown = std::move(v);
}

void Vm::abort(const char* reason) {
    if (m_unwind == Unwind::Abort) return;
    m_unwind = Unwind::Abort;
    m_abortReason = reason;
    m_thrown = Value();
}

Value Vm::takeThrown() {
    m_unwind = Unwind::None;
    return std::exchange(m_thrown, Value());
}

bool Vm::beginEntry(bool outer) {
    if (outer) {
        // Nothing is running: whatever a call from outside the scripts left is over.
        m_unwind = Unwind::None;
        m_thrown = Value();
        return true;
    }
    return !unwinding();
}

RunStatus Vm::finishEntry(bool outer) {
    switch (m_unwind) {
    case Unwind::None: return RunStatus::Ok;
    case Unwind::Throw: takeThrown(); return RunStatus::Thrown;
    case Unwind::Abort:
        if (outer) {
            m_lastAbort = m_abortReason;
            m_unwind = Unwind::None;
        }
        return RunStatus::Aborted;
    }
    return RunStatus::Ok;
}

double Vm::random01() {
    m_rng ^= m_rng << 13;
    m_rng ^= m_rng >> 7;
    m_rng ^= m_rng << 17;
    return static_cast<double>(m_rng >> 11) * (1.0 / 9007199254740992.0);
}

ObjectRef Vm::newObject() { return alloc(protos.object); }

ObjectRef Vm::newArray(std::vector<Value> elements) {
    auto a = alloc(protos.array, ObjectKind::Array);
    a->elements = std::move(elements);
    return a;
}

ObjectRef Vm::makeFunction(std::unique_ptr<FunctionCode> code) {
    auto f = alloc(protos.function, ObjectKind::Function);
    f->code = std::move(code);
    return f;
}

ObjectRef Vm::newFunction(NativeFn fn, std::string_view name, NativeFn construct) {
    auto code = std::make_unique<FunctionCode>();
    code->native = fn;
    code->construct = construct;
    code->name = std::string(name);
    return makeFunction(std::move(code));
}

void Vm::method(Object& o, std::string_view name, NativeFn fn) {
    o.define(name, newFunction(fn, name), kDontEnum);
}

ObjectRef Vm::defineClass(std::string_view name, NativeFn ctor, const ObjectRef& proto, NativeFn construct) {
    ObjectRef f = newFunction(ctor, name, construct);
    f->define("prototype", proto, kDontEnum | kDontDelete);
    proto->define("constructor", f, kDontEnum);
    // Built-in classes own their `constructor` (Function), like the constructors they are.
    if (const Property* fn = m_global->findOwn("Function", NameCase::Sensitive)) f->define("constructor", fn->value, kDontEnum);
    m_global->define(name, f, kDontEnum);
    return f;
}

// ---- clips ----

ObjectRef Vm::clipObject(ClipId clip) {
    if (!clip) return nullptr;
    auto it = m_clips.find(clip);
    if (it != m_clips.end()) return it->second;
    const bool text = protos.textField && m_host.isTextField(clip);
    const bool button = !text && protos.button && m_host.isButton(clip);
    auto o = alloc(text ? protos.textField : button ? protos.button : protos.clip, ObjectKind::Clip);
    if (text) o->className = "TextField";
    if (button) o->className = "Button";
    o->clipId = clip;
    m_clips.emplace(clip, o);
    return o;
}

void Vm::clipRemoved(ClipId clip) {
    m_carried.erase(clip);
    auto it = m_clips.find(clip);
    if (it == m_clips.end()) return;
    // References to a removed clip follow its path: a clip made later under the same path
    // answers them.
    it->second->primitive = Value(targetPath(clip));
    it->second->clipId = 0;
    m_clips.erase(it);
}

Value Vm::clipValue(ClipId clip) {
    if (!clip || !m_host.alive(clip)) return Value();
    return Value(clipObject(clip));
}

ClipId Vm::clipOf(const Value& v) {
    Object* o = v.obj();
    return o && o->kind == ObjectKind::Clip ? liveClip(*o) : 0;
}

ClipId Vm::liveClip(const Object& o) {
    if (o.clipId && m_host.alive(o.clipId)) return o.clipId;
    if (o.clipId || !o.primitive.isString()) return 0;
    return resolveTarget(m_host.root(), o.primitive.str());
}

ClipId Vm::rootOf(ClipId clip) {
    if (!clip) return m_host.root();
    int guard = 0;
    for (ClipId p = m_host.parent(clip); p && guard < 100000; p = m_host.parent(clip), ++guard) clip = p;
    return clip;
}

std::string Vm::targetPath(ClipId clip) {
    std::string path;
    for (ClipId c = clip; c; c = m_host.parent(c)) {
        ClipId p = m_host.parent(c);
        if (!p) return "_level" + std::to_string(std::max(0, m_host.levelNumber(c))) + path;
        path = "." + m_host.name(c) + path;
    }
    return path.empty() ? "_level0" : path;
}

std::string Vm::slashPath(ClipId clip) {
    std::string path;
    ClipId c = clip;
    for (; c && m_host.parent(c); c = m_host.parent(c)) path = "/" + m_host.name(c) + path;
    // Clips of higher levels name their level first ("_level1/a").
    const int level = c ? m_host.levelNumber(c) : 0;
    if (level > 0) return "_level" + std::to_string(level) + path;
    return path.empty() ? "/" : path;
}

ClipId Vm::resolveTarget(ClipId base, std::string_view path) {
    if (path.empty()) return base;
    ClipId cur = base;
    std::size_t i = 0;
    if (path[0] == '/') {
        cur = rootOf(base);
        i = 1;
    }
    while (i < path.size() && cur) {
        std::size_t j = i;
        while (j < path.size() && path[j] != '/' && path[j] != '.' && path[j] != ':') ++j;
        std::string_view part = path.substr(i, j - i);
        if (part == ".." ) {
            cur = m_host.parent(cur);
        } else if (!part.empty()) {
            if (sameName(part, "_root", NameCase::Insensitive)) cur = rootOf(cur);
            else if (sameName(part, "_parent", NameCase::Insensitive)) cur = m_host.parent(cur);
            else if (int level = levelFromName(part); level >= 0) cur = m_host.level(level);
            else if (part == "this") {
            } else {
                ClipId c = m_host.child(cur, part, nameCase());
                if (!c) {
                    // A variable holding a clip also names it ("a.b" where b = some clip).
                    ObjectRef o = clipObject(cur);
                    const Property* p = o ? o->findOwn(part, nameCase()) : nullptr;
                    c = p ? clipOf(p->value) : 0;
                }
                cur = c;
            }
        }
        // ".." in slash syntax consumes both dots.
        if (j + 1 < path.size() && path[j] == '.' && path[j + 1] == '.' && part.empty()) {
            cur = m_host.parent(cur);
            j += 1;
        }
        i = j + 1;
    }
    return cur;
}

// ---- member access ----

ObjectRef Vm::toObject(const Value& v) {
    switch (v.type()) {
    case Type::Object: return v.objRef();
    case Type::String:
    case Type::Number:
    case Type::Boolean: {
        ObjectRef proto = v.isString() ? protos.string : v.isNumber() ? protos.number : protos.boolean;
        auto o = alloc(proto, ObjectKind::Boxed);
        o->primitive = v;
        return o;
    }
    default: return nullptr;
    }
}

bool Vm::hasProperty(Object& o, std::string_view name) {
    int guard = 0;
    std::size_t idx;
    const bool index = parseIndex(name, idx);
    for (Object* p = &o; p && guard < 256; p = p->proto.get(), ++guard) {
        if (p->findOwn(name, nameCase())) return true;
        if (index && (p->kind == ObjectKind::Array || p->kind == ObjectKind::Arguments) && idx < p->elements.size() &&
            !p->elements[idx].isHole())
            return true;
    }
    return false;
}

Value Vm::getOwnOrProto(Object& o, std::string_view name, const Value& thisValue) {
    int guard = 0;
    for (Object* p = &o; p && guard < 256; p = p->proto.get(), ++guard) {
        // An array on the chain lends its elements (an object whose prototype is an array).
        std::size_t idx;
        if ((p->kind == ObjectKind::Array || p->kind == ObjectKind::Arguments) && parseIndex(name, idx) &&
            idx < p->elements.size() && p != &o && !p->elements[idx].isHole())
            return p->elements[idx];
        if (Property* prop = p->findOwn(name, nameCase())) {
            if (prop->getter) return call(Value(prop->getter), thisValue, {}, p);
            if (prop->setter) return Value();
            return prop->value;
        }
    }
    return Value();
}

Value Vm::superLookup(Object* from, std::string_view name, const Value& thisValue, Object** holder) {
    int guard = 0;
    // A clip on the chain ends the search: `super` never reaches clip members or what lies behind.
    for (Object* p = from; p && p->kind != ObjectKind::Clip && guard < 256;
         p = p->proto.get(), ++guard) {
        if (Property* prop = p->findOwn(name, nameCase())) {
            if (holder) *holder = p;
            if (prop->getter) return call(Value(prop->getter), thisValue, {}, p);
            return prop->setter ? Value() : prop->value;
        }
    }
    return Value();
}

static bool specialClipMember(Vm& vm, ClipId clip, std::string_view name, Value& out) {
    Host& h = vm.host();
    NameCase nc = NameCase::Insensitive;
    if (sameName(name, "_parent", nc)) {
        out = vm.clipValue(h.parent(clip));
        return true;
    }
    if (sameName(name, "_root", nc)) {
        out = vm.clipValue(vm.rootOf(clip));
        return true;
    }
    if (sameName(name, "_global", nc)) {
        out = Value(vm.global());
        return true;
    }
    if (int level = levelFromName(name); level >= 0 && (vm.nameCase() == nc || name.substr(0, 6) == "_level")) {
        out = vm.clipValue(h.level(level));
        return true;
    }
    ClipProp prop = clipPropFromName(name);
    if (prop == ClipProp::Count) return false;
    if (prop == ClipProp::Name) out = Value(h.name(clip));
    else if (prop == ClipProp::Target) out = Value(vm.slashPath(clip));
    else if (prop == ClipProp::Url || prop == ClipProp::DropTarget) out = Value(std::string());
    else if (prop == ClipProp::Quality) out = Value("HIGH");
    else if (prop == ClipProp::Visible) out = Value(h.property(clip, prop) != 0);
    else out = Value(h.property(clip, prop));
    return true;
}

Value Vm::getMember(const Value& target, std::string_view name) {
    // A primitive's __proto__ is its class's prototype, as if it were boxed.
    auto primitive = [&](const ObjectRef& proto) {
        return sameName(name, "__proto__", nameCase()) ? Value(proto) : getOwnOrProto(*proto, name, target);
    };
    switch (target.type()) {
    case Type::Undefined:
    case Type::Null: return Value();
    case Type::String:
        if (name == "length") return Value(static_cast<double>(textLength(target.str(), ctx.version)));
        return primitive(protos.string);
    case Type::Number: return primitive(protos.number);
    case Type::Boolean: return primitive(protos.boolean);
    case Type::Object: break;
    }
    Object& o = *target.obj();
    if (sameName(name, "__proto__", nameCase())) {
        // `super` stands for the parent prototype itself, so its __proto__ is one step further.
        Object* p = o.kind == ObjectKind::Boxed && o.className == "super" && o.proto ? o.proto.get() : &o;
        if (p->proto) return Value(p->proto);
        // A primitive given as __proto__ is kept as it is (and links to nothing).
        const Property* kept = p->findOwn("__proto__", NameCase::Sensitive);
        return kept ? kept->value : Value();
    }
    switch (o.kind) {
    case ObjectKind::Array:
    case ObjectKind::Arguments: {
        std::size_t idx;
        if (name == "length") return Value(static_cast<double>(arrayLength(o)));
        if (parseIndex(name, idx) && idx < o.elements.size())
            return o.elements[idx].isHole() ? Value() : o.elements[idx];
        break;
    }
    case ObjectKind::Boxed:
        if (o.className == "super") return superLookup(o.proto.get(), name, o.primitive);
        if (o.primitive.isString() && name == "length" && !o.findOwn(name, nameCase()))
            return Value(static_cast<double>(textLength(o.primitive.str(), ctx.version)));
        break;
    case ObjectKind::Clip: {
        ClipId live = liveClip(o);
        if (live != o.clipId) return live ? getMember(clipValue(live), name) : Value();
        if (!live) return Value();
        Value out;
        if (specialClipMember(*this, o.clipId, name, out)) return out;
        if (Property* p = o.findOwn(name, nameCase())) {
            if (p->getter) return call(Value(p->getter), target, {}, &o);
            return p->value;
        }
        if (ClipId c = m_host.child(o.clipId, name, nameCase())) return clipValue(c);
        if (!o.proto) return Value();
        return getOwnOrProto(*o.proto, name, target);
    }
    default: break;
    }
    return getOwnOrProto(o, name, target);
}

void Vm::setMember(const Value& target, std::string_view name, const Value& value) {
    Object* o = target.obj();
    if (!o) return;  // primitives and undefined take no properties
    Value v = value;
    if (o->watched) {
        // A watcher sees the name, the old and the new value and its data; what it returns is
        // stored. While it runs its own assignments to the name do not call it again (the pair
        // [callback, data] is marked busy).
        const Property* w = o->findOwn(watchKey(name), nameCase());
        Object* pair = w ? w->value.obj() : nullptr;
        if (pair && pair->elements.size() == 2 && pair->className.empty()) {
            ObjectRef keep = pair->shared_from_this();
            pair->className = "busy";
            Value args[4] = {Value(std::string(name)), getMember(target, name), v, pair->elements[1]};
            v = call(pair->elements[0], target, args);
            pair->className.clear();
            if (unwinding()) return;
        }
    }
    if (sameName(name, "__proto__", nameCase())) {
        o->proto = v.objRef();
        if (Property* kept = o->findOwn("__proto__", NameCase::Sensitive)) kept->value = v;  // its flags stay
        else if (!v.isObject()) o->define("__proto__", v, kDontEnum);
        return;
    }
    switch (o->kind) {
    case ObjectKind::Array:
    case ObjectKind::Arguments: {
        if (name == "length") {
            setArrayLength(*o, toInt32(toNumber(*this, v)), m_limits.maxArrayLength);
            return;
        }
        // A numeric name at or past the length moves the length (32-bit, so it can wrap);
        // names that are no plain index are stored as properties.
        std::int32_t wrapped;
        if (!wrappedIndex(name, wrapped)) break;
        if (wrapped >= arrayLength(*o))
            setArrayLength(*o, static_cast<std::int32_t>(static_cast<std::uint32_t>(wrapped) + 1u), m_limits.maxArrayLength);
        std::size_t idx;
        if (parseIndex(name, idx) && idx < o->elements.size()) {
            o->elements[idx] = v.isHole() ? Value() : v;
            return;
        }
        break;
    }
    case ObjectKind::Clip: {
        ClipId live = liveClip(*o);
        if (live != o->clipId) {
            if (live) setMember(clipValue(live), name, v);
            return;
        }
        if (!live) return;
        ClipProp prop = clipPropFromName(name);
        if (prop == ClipProp::Name) {
            m_host.setName(o->clipId, toString(*this, v));
            return;
        }
        if (prop != ClipProp::Count) {
            double d = prop == ClipProp::Visible ? (toBoolean(v, ctx.version) ? 1 : 0) : toNumber(*this, v);
            m_host.setProperty(o->clipId, prop, d);
            return;
        }
        break;
    }
    default: break;
    }
    // A setter along the prototype chain takes the assignment.
    int guard = 0;
    for (Object* p = o; p && guard < 256; p = p->proto.get(), ++guard) {
        if (Property* prop = p->findOwn(name, nameCase())) {
            if (prop->setter || prop->getter) {
                if (prop->setter) {
                    Value arg = v;
                    call(Value(prop->setter), target, std::span<const Value>(&arg, 1), p);
                }
                return;
            }
            if (p == o) {
                if (!(prop->flags & kReadOnly)) prop->value = v;
                return;
            }
            break;
        }
    }
    o->define(name, v, 0, nameCase());
}

bool Vm::deleteMember(Object& o, std::string_view name) {
    if (sameName(name, "__proto__", nameCase())) {
        // The prototype link is a property that cannot be deleted until ASSetPropFlags clears
        // its flag; the record made then holds the flags.
        const Property* p = o.findOwn("__proto__", NameCase::Sensitive);
        if (!p || (p->flags & kDontDelete)) return false;
        o.remove("__proto__", NameCase::Sensitive);
        o.proto.reset();
        return true;
    }
    std::size_t idx;
    if ((o.kind == ObjectKind::Array || o.kind == ObjectKind::Arguments) && parseIndex(name, idx) &&
        idx < o.elements.size()) {
        // The slot becomes a hole; the length stays.
        bool had = !o.elements[idx].isHole();
        o.elements[idx] = Value::hole();
        return had;
    }
    return o.remove(name, nameCase());
}

// ---- calls ----

Value Vm::call(const Value& fn, const Value& thisValue, std::span<const Value> args, Object* superHolder,
               bool constructorRun) {
    Object* f = fn.obj();
    if (!f || f->kind != ObjectKind::Function || !f->code || unwinding()) return Value();
    if (m_depth >= m_limits.maxCallDepth) {
        abort("script recursion limit reached");
        return Value();
    }
    ++m_depth;
    struct DepthGuard {
        unsigned& d;
        ~DepthGuard() { --d; }
    } guard{m_depth};
    if (f->code->native) return f->code->native(*this, CallArgs{thisValue, args, f});
    return Interpreter::callFunction(*this, *f, thisValue, args, superHolder, constructorRun);
}

Value Vm::construct(const Value& ctor, std::span<const Value> args) {
    Object* f = ctor.obj();
    if (!f || f->kind != ObjectKind::Function || !f->code || unwinding()) return Value();
    Value protoVal = getMember(ctor, "prototype");
    auto obj = alloc(protoVal.objRef());
    obj->define("__constructor__", ctor, kDontEnum);
    if (ctx.version < 7) obj->define("constructor", ctor, kDontEnum);
    Value self(obj);
    if (f->code->native) {
        if (m_depth >= m_limits.maxCallDepth) {
            abort("script recursion limit reached");
            return Value();
        }
        ++m_depth;
        struct DepthGuard {
            unsigned& d;
            ~DepthGuard() { --d; }
        } guard{m_depth};
        NativeFn fn = f->code->construct ? f->code->construct : f->code->native;
        Value r = fn(*this, CallArgs{self, args, f});
        return r.isObject() ? r : self;
    }
    call(ctor, self, args, protoVal.obj(), true);
    return self;
}

RunStatus Vm::runActions(std::span<const std::uint8_t> code, ClipId clip, ObjectRef self) {
    if (!m_host.alive(clip)) return RunStatus::Ok;
    Frame frame;
    frame.code = code;
    frame.target = clip;
    const unsigned own = m_host.movieVersion(clip);  // a loaded movie's scripts keep its version
    frame.version = own ? own : m_version;
    ObjectRef clipObj = self ? self : clipObject(clip);
    auto globalScope = std::make_shared<Scope>(Scope{ScopeKind::Global, m_global, nullptr});
    frame.scope = std::make_shared<Scope>(Scope{ScopeKind::Target, clipObj, globalScope});
    frame.thisValue = Value(clipObj);
    frame.registers.resize(4);
    // The values this clip's last block left are taken out for the run: the script may remove
    // the clip (and its entry) or run other clips' blocks, so no reference into the map is held.
    std::vector<Value> carried;
    if (!self) {
        if (auto it = m_carried.find(clip); it != m_carried.end()) {
            carried = std::move(it->second);
            m_carried.erase(it);
        }
        frame.carry = &carried;
    }
    bool outer = m_depth == 0;
    if (!beginEntry(outer)) return RunStatus::Aborted;
    Context saved = ctx;
    Interpreter::run(*this, frame);
    ctx = saved;
    if (!self && !carried.empty() && m_host.alive(clip)) m_carried[clip] = std::move(carried);
    return finishEntry(outer);
}

RunStatus Vm::broadcast(std::string_view object, std::string_view event) {
    Value target = getMember(Value(m_global), object);
    Value fn = getMember(target, "broadcastMessage");
    if (!fn.obj() || fn.obj()->kind != ObjectKind::Function) return RunStatus::Ok;
    bool outer = m_depth == 0;
    if (!beginEntry(outer)) return RunStatus::Aborted;
    Context saved = ctx;
    ctx.target = m_host.root();
    const Value name{std::string(event)};
    call(fn, target, std::span<const Value>(&name, 1));
    ctx = saved;
    return finishEntry(outer);
}

RunStatus Vm::callHandler(ClipId clip, std::string_view name, std::span<const Value> args, ObjectRef removed) {
    ObjectRef o = removed ? removed : clipObject(clip);
    if (!o || !m_host.alive(clip)) return RunStatus::Ok;
    Value self(o);
    Value fn = removed ? getOwnOrProto(*o, name, self) : getMember(self, name);
    if (!fn.obj() || fn.obj()->kind != ObjectKind::Function) return RunStatus::Ok;
    bool outer = m_depth == 0;
    if (!beginEntry(outer)) return RunStatus::Aborted;
    Context saved = ctx;
    ctx.target = clip;
    call(fn, self, args);
    ctx = saved;
    return finishEntry(outer);
}

RunStatus Vm::constructClip(ClipId clip, const std::string& symbol) {
    const Property* reg = m_global ? m_global->findOwn("__registeredClasses", NameCase::Sensitive) : nullptr;
    const Property* cls = reg && reg->value.obj() ? reg->value.obj()->findOwn(symbol, nameCase()) : nullptr;
    if (!cls || !cls->value.obj() || cls->value.obj()->kind != ObjectKind::Function) return RunStatus::Ok;
    ObjectRef o = clipObject(clip);
    if (!o || !m_host.alive(clip)) return RunStatus::Ok;
    Value ctor = cls->value;
    Value proto = getMember(ctor, "prototype");
    if (proto.obj()) o->proto = proto.objRef();
    o->define("__constructor__", ctor, kDontEnum);
    bool outer = m_depth == 0;
    if (!beginEntry(outer)) return RunStatus::Aborted;
    Context saved = ctx;
    ctx.target = clip;
    call(ctor, Value(o), {}, proto.obj(), true);
    ctx = saved;
    return finishEntry(outer);
}

// ---- intervals ----

int Vm::addInterval(Value fn, Value thisValue, std::string method, double ms, std::vector<Value> args) {
    if (m_intervals.size() >= 1000) return 0;
    double period = std::isfinite(ms) && ms > 1 ? ms : 1;
    int id = m_nextInterval++;
    m_intervals[id] = Interval{std::move(fn), std::move(thisValue), std::move(method), std::move(args),
                               period, m_host.timerMs() + period};
    return id;
}

void Vm::removeInterval(int id) { m_intervals.erase(id); }

void Vm::runIntervals() {
    double now = m_host.timerMs();
    std::vector<int> due;
    for (auto& [id, iv] : m_intervals)
        if (iv.nextMs <= now) due.push_back(id);
    for (int id : due) {
        auto it = m_intervals.find(id);
        if (it == m_intervals.end()) continue;
        Interval iv = it->second;
        it->second.nextMs = std::max(it->second.nextMs + iv.periodMs, now);
        Value fn = iv.method.empty() ? iv.fn : getMember(iv.thisValue, iv.method);
        bool outer = m_depth == 0;
        if (!beginEntry(outer)) return;
        Context saved = ctx;
        call(fn, iv.method.empty() ? Value() : iv.thisValue, iv.args);
        ctx = saved;
        if (finishEntry(outer) == RunStatus::Aborted && !outer) return;
    }
}

}  // namespace avm1

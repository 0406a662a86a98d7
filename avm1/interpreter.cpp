// The AVM1 dispatch loop. Code runs straight from the bytecode; branches are byte offsets.
// Nested blocks (with, try, catch, finally) run as sub-ranges of the same code: a branch out
// of a sub-range ends it and the enclosing range continues at the branch target.

#include "avm1/interpreter.h"

#include <cmath>
#include <cstring>

#include "avm1/opcodes.h"

namespace avm1 {

namespace {


// Operands of one action; reads past the end yield 0 or "".
struct Operands {
    const std::uint8_t* p;
    std::size_t n, pos = 0;
    std::uint8_t u8() { return pos < n ? p[pos++] : 0; }
    std::uint16_t u16() {
        std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() {
        std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::string str() {
        std::size_t start = pos;
        while (pos < n && p[pos] != 0) ++pos;
        std::string s(reinterpret_cast<const char*>(p + start), pos - start);
        if (pos < n) ++pos;
        return s;
    }
    bool atEnd() const { return pos >= n; }
};

// Unwind: a throw or an abort is under way (held by the Vm); the range ends at once.
enum class Flow : std::uint8_t { Normal, Return, Jump, Unwind };

struct Completion {
    Flow flow = Flow::Normal;
    std::size_t target = 0;
    Value value;
};

struct Runner {
    Vm& vm;
    Frame& f;
    std::vector<Value> stack;

    Value pop() {
        if (stack.empty()) return Value();
        Value v = std::move(stack.back());
        stack.pop_back();
        return v;
    }
    void push(Value v) {
        if (stack.size() >= vm.limits().maxStack) {
            vm.abort("script stack overflow");
            return;
        }
        stack.push_back(std::move(v));
    }
    void pushBool(bool b) { push(f.version >= 5 ? Value(b) : Value(b ? 1.0 : 0.0)); }
    double num(const Value& v) { return toNumber(vm, v); }
    std::string str(const Value& v) { return toString(vm, v); }
    std::size_t popCount() {
        double d = num(pop());
        if (!(d > 0)) return 0;
        return static_cast<std::size_t>(std::min(d, static_cast<double>(stack.size())));
    }
    std::vector<Value> popArgs() {
        std::size_t n = popCount();
        std::vector<Value> args(n);
        for (std::size_t i = 0; i < n; ++i) args[i] = pop();
        return args;
    }

    // ---- variables ----

    bool lookupIn(Object& o, std::string_view name, Value& out) {
        if (o.kind == ObjectKind::Clip) {
            if (!o.clipId || !vm.host().alive(o.clipId)) return false;
            Value self(o.shared_from_this());
            if (name.size() > 1 && name[0] == '_') {
                Value v = vm.getMember(self, name);
                if (!v.isUndefined()) {
                    out = v;
                    return true;
                }
            }
            if (vm.hasProperty(o, name) || vm.host().child(o.clipId, name, vm.nameCase())) {
                out = vm.getMember(self, name);
                return true;
            }
            return false;
        }
        if (!vm.hasProperty(o, name)) return false;
        out = vm.getMember(Value(o.shared_from_this()), name);
        return true;
    }

    // "a.b.c" and "/a/b:c" name a variable of another object or clip.
    static bool isPath(std::string_view name) {
        return name.find_first_of(":/.") != std::string_view::npos;
    }

    bool splitPath(std::string_view name, Value& holder, std::string& var) {
        std::size_t colon = name.rfind(':');
        if (colon != std::string_view::npos) {
            ClipId c = vm.resolveTarget(f.target, name.substr(0, colon));
            holder = vm.clipValue(c);
            var = std::string(name.substr(colon + 1));
            return c != 0;
        }
        std::size_t dot = name.rfind('.');
        if (dot != std::string_view::npos && name.find('/') == std::string_view::npos) {
            holder = getPathValue(name.substr(0, dot));
            var = std::string(name.substr(dot + 1));
            return holder.isObject();
        }
        return false;
    }

    Value getPathValue(std::string_view path) {
        // Dotted: the first part is a variable, the rest members. Slashes: a clip path.
        if (path.find('/') != std::string_view::npos || path.find("..") != std::string_view::npos)
            return vm.clipValue(vm.resolveTarget(f.target, path));
        std::size_t start = 0;
        std::size_t dot = path.find('.');
        Value v = getVariable(path.substr(0, dot));
        while (dot != std::string_view::npos) {
            start = dot + 1;
            dot = path.find('.', start);
            v = vm.getMember(v, path.substr(start, dot == std::string_view::npos ? dot : dot - start));
        }
        return v;
    }

    Value getVariable(std::string_view name) {
        // `this` ignores case like other names, but a function that preloads or suppresses it
        // answers only to the exact name (other spellings are plain variables there).
        const FunctionCode* fc = f.callee ? f.callee->code.get() : nullptr;
        const bool thisHidden = fc && fc->isFunction2 && (fc->flags & (kSuppressThis | kPreloadThis));
        if (thisHidden ? name == "this" : sameName(name, "this", vm.nameCase())) return f.thisValue;
        if (isPath(name) && name.size() > 1) {
            if (name.find(':') != std::string_view::npos || name.find('.') != std::string_view::npos) {
                Value holder;
                std::string var;
                if (name.find('/') != std::string_view::npos && name.find(':') == std::string_view::npos)
                    return vm.clipValue(vm.resolveTarget(f.target, name));
                if (!splitPath(name, holder, var)) return Value();
                return vm.getMember(holder, var);
            }
            return vm.clipValue(vm.resolveTarget(f.target, name));
        }
        Value out;
        for (Scope* s = f.scope.get(); s; s = s->parent.get())
            if (s->obj && lookupIn(*s->obj, name, out)) return out;
        if (sameName(name, "_global", NameCase::Insensitive)) return Value(vm.global());
        return Value();
    }

    void setVariable(std::string_view name, const Value& v) {
        if (isPath(name) && name.size() > 1) {
            Value holder;
            std::string var;
            if (splitPath(name, holder, var)) vm.setMember(holder, var, v);
            return;
        }
        for (Scope* s = f.scope.get(); s; s = s->parent.get()) {
            if (!s->obj) continue;
            if (s->kind == ScopeKind::Target || s->kind == ScopeKind::Global ||
                vm.hasProperty(*s->obj, name)) {
                vm.setMember(Value(s->obj), name, v);
                return;
            }
        }
    }

    void defineLocal(std::string_view name, const Value& v) {
        if (f.activation) f.activation->define(name, v, 0, vm.nameCase());
        else setVariable(name, v);
    }

    // ---- clips ----

    ClipId targetOf(const Value& v) {
        if (ClipId c = vm.clipOf(v)) return c;
        std::string path = str(v);
        if (path.empty()) return f.target;
        return vm.resolveTarget(f.target, path);
    }

    // A "_levelN" target (loadMovieNum, unloadMovieNum, loadMovie into a level): loads the
    // movie there on the next frame, or removes the level when the address is empty.
    bool loadLevel(const std::string& url, const std::string& target) {
        const int level = levelFromName(target);
        if (level < 0) return false;
        if (url.empty()) vm.host().unloadLevel(level);
        else startLevelLoad(vm, level, url);
        return true;
    }

    void setTarget(ClipId c) {
        if (!c) c = vm.host().root();  // a target that is not found: the main timeline
        f.target = c;
        vm.ctx.target = c;
        if (f.scope && f.scope->kind == ScopeKind::Target)
            f.scope = std::make_shared<Scope>(Scope{ScopeKind::Target, vm.clipObject(c), f.scope->parent});
    }

    void gotoFrameValue(ClipId clip, const Value& frame, bool play, int bias) {
        if (!clip) return;
        if (frame.isNumber() || frame.isBool()) {
            vm.host().gotoFrame(clip, static_cast<int>(num(frame)) + bias, play);
            return;
        }
        std::string s = str(frame);
        std::size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            clip = vm.resolveTarget(clip, s.substr(0, colon));
            s = s.substr(colon + 1);
            if (!clip) return;
        }
        double n = stringToNumber(s, 7);
        if (std::isfinite(n)) vm.host().gotoFrame(clip, static_cast<int>(n) + bias, play);
        else vm.host().gotoLabel(clip, s, play);
    }

    // ---- objects ----

    ObjectRef makeFunction(Operands& op, bool v2, std::size_t bodyStart, std::uint16_t& size) {
        auto code = std::make_unique<FunctionCode>();
        code->name = op.str();
        std::uint16_t count = op.u16();
        code->isFunction2 = v2;
        if (v2) {
            code->registerCount = op.u8();
            code->flags = op.u16();
        }
        for (std::uint16_t i = 0; i < count && !op.atEnd(); ++i) {
            FunctionParam p;
            if (v2) p.reg = op.u8();
            p.name = op.str();
            code->params.push_back(std::move(p));
        }
        size = op.u16();
        std::size_t end = std::min(bodyStart + size, f.code.size());
        code->body = f.code.subspan(bodyStart, end - bodyStart);
        code->version = std::max(5u, f.version);  // functions exist from SWF 5 on and run as such
        code->scope = f.scope;
        code->constants = f.constants;
        code->target = vm.clipObject(f.target);
        ObjectRef fn = vm.makeFunction(std::move(code));
        ObjectRef proto = vm.newObject();
        proto->define("constructor", fn, kDontEnum);
        fn->define("prototype", proto, kDontEnum);
        return fn;
    }

    bool instanceOf(const Value& v, const Value& ctor) {
        Object* o = v.obj();
        if (!o || !ctor.obj()) return false;
        Value proto = vm.getMember(ctor, "prototype");
        return proto.obj() && inherits(o->proto.get(), proto.obj(), 0);
    }

    // Whether `proto` is on the chain starting at `p` or among the interfaces its objects
    // implement (and the interfaces those implement).
    bool inherits(Object* p, Object* proto, int nesting) {
        if (nesting > 8) return false;
        int guard = 0;
        for (; p && guard < 256; p = p->proto.get(), ++guard) {
            if (p == proto) return true;
            if (const Property* ifs = p->findOwn("__implements__", NameCase::Sensitive))
                if (Object* list = ifs->value.obj())
                    for (const Value& i : list->elements)
                        if (inherits(vm.getMember(i, "prototype").obj(), proto, nesting + 1)) return true;
        }
        return false;
    }

    void enumerate(const Value& target) {
        push(Value());
        Object* o = target.obj();
        if (!o) return;
        std::vector<std::string> names;
        auto seen = [&](const std::string& n) {
            for (const auto& s : names)
                if (sameName(s, n, vm.nameCase())) return true;
            return false;
        };
        if (o->kind == ObjectKind::Clip && o->clipId)
            for (ClipId c : vm.host().children(o->clipId)) names.push_back(vm.host().name(c));
        int guard = 0;
        for (Object* p = o; p && guard < 256; p = p->proto.get(), ++guard) {
            if (p->kind == ObjectKind::Array || p->kind == ObjectKind::Arguments)
                for (std::size_t i = 0; i < p->elements.size(); ++i) names.push_back(std::to_string(i));
            auto& props = p->properties();
            for (auto it = props.rbegin(); it != props.rend(); ++it)
                if (!(it->flags & kDontEnum) && !seen(it->name)) names.push_back(it->name);
        }
        for (auto it = names.rbegin(); it != names.rend(); ++it) push(Value(*it));
    }

    Value callMethod(const Value& obj, const Value& nameVal, std::vector<Value>& args, bool construct) {
        bool unnamed = nameVal.isUndefined() || (nameVal.isString() && nameVal.str().empty());
        Object* o = obj.obj();
        bool isSuper = o && o->kind == ObjectKind::Boxed && o->className == "super";
        Value thisValue = isSuper ? o->primitive : obj;
        if (unnamed) {
            if (construct) return vm.construct(obj, args);
            if (isSuper) {
                const Property* c = o->findOwn("__constructor__", NameCase::Sensitive);
                Object* holder = c && c->value.obj() ? vm.getMember(c->value, "prototype").obj() : nullptr;
                return c ? vm.call(c->value, thisValue, args, holder) : Value();
            }
            return vm.call(obj, Value(), args);
        }
        std::string name = str(nameVal);
        Value fn = vm.getMember(obj, name);
        if (construct) return vm.construct(fn, args);
        // The prototype holding the method becomes `super`'s base inside it.
        Object* holder = nullptr;
        if (o) {
            int guard = 0;
            for (Object* p = o; p && guard < 256; p = p->proto.get(), ++guard)
                if (p->findOwn(name, vm.nameCase())) {
                    holder = p;
                    break;
                }
        }
        return vm.call(fn, thisValue, args, holder);
    }

    std::string concat(const std::string& a, const std::string& b) {
        if (a.size() + b.size() > vm.limits().maxStringBytes) {
            vm.abort("script string too long");
            return {};
        }
        return a + b;
    }

    struct Nested {
        Vm& vm;
        bool entered;
        explicit Nested(Vm& v) : vm(v), entered(v.enterNested()) {}
        ~Nested() {
            if (entered) vm.leaveNested();
        }
    };

    // ---- the loop ----

    Completion runRange(std::size_t start, std::size_t end);
    Completion runActions(std::size_t start, std::size_t end);
    Completion runTry(Operands& op, std::size_t next, std::size_t end, std::size_t& after);
};

Completion Runner::runTry(Operands& op, std::size_t next, std::size_t end, std::size_t& after) {
    std::uint8_t flags = op.u8();
    std::size_t trySize = op.u16(), catchSize = op.u16(), finallySize = op.u16();
    bool catchInRegister = flags & 4;
    std::string catchName;
    std::uint8_t catchReg = 0;
    if (catchInRegister) catchReg = op.u8();
    else catchName = op.str();
    std::size_t tryEnd = std::min(next + trySize, end);
    std::size_t catchEnd = std::min(tryEnd + ((flags & 1) ? catchSize : 0), end);
    std::size_t finallyEnd = std::min(catchEnd + ((flags & 2) ? finallySize : 0), end);
    after = finallyEnd;
    std::size_t depth = stack.size();
    bool pending = false;
    Value thrown;
    Completion c = runRange(next, tryEnd);
    if (c.flow == Flow::Unwind) {
        if (vm.unwindKind() != Unwind::Throw) return c;  // an abort runs no catch nor finally
        stack.resize(std::min(stack.size(), depth));
        Value t = vm.takeThrown();
        if (flags & 1) {
            if (catchInRegister) {
                if (catchReg < f.registers.size()) f.registers[catchReg] = t;
            } else {
                defineLocal(catchName, t);
            }
            c = runRange(tryEnd, catchEnd);
            if (c.flow == Flow::Unwind) {
                if (vm.unwindKind() != Unwind::Throw || !(flags & 2)) return c;
                pending = true;
                thrown = vm.takeThrown();
                c = Completion{};
            }
        } else {
            pending = true;
            thrown = std::move(t);
            c = Completion{};
        }
    }
    // Compilers end the try body with a jump over the catch block to the finally block (or
    // past it): that is the normal way out, not a branch to follow.
    if (c.flow == Flow::Jump && c.target >= tryEnd && c.target <= finallyEnd) c = Completion{};
    if (flags & 2) {
        Completion fin = runRange(catchEnd, finallyEnd);
        if (fin.flow != Flow::Normal) return fin;
    }
    if (pending) {
        vm.throwValue(std::move(thrown));
        return Completion{Flow::Unwind, 0, Value()};
    }
    return c;
}

// A range ends early when a throw or an abort is under way, whichever way its last action left.
Completion Runner::runRange(std::size_t start, std::size_t end) {
    Completion c = runActions(start, end);
    if (vm.unwinding()) return Completion{Flow::Unwind, 0, Value()};
    return c;
}

Completion Runner::runActions(std::size_t start, std::size_t end) {
    const std::uint8_t* code = f.code.data();
    std::size_t pc = start;
    Host& host = vm.host();
    while (pc < end) {
        if (!vm.countStep()) return Completion{Flow::Unwind, 0, Value()};
        std::uint8_t opcode = code[pc];
        if (opcode == 0) break;
        std::size_t len = 0, next = pc + 1;
        if (opcode >= 0x80) {
            if (pc + 3 > end) break;
            len = code[pc + 1] | (code[pc + 2] << 8);
            next = pc + 3 + len;
            if (next > end) break;  // a truncated action ends the block
        }
        Operands op{code + pc + (opcode >= 0x80 ? 3 : 1), len};
        switch (static_cast<Op>(opcode)) {
        case Op::NextFrame:
            if (f.target) host.gotoFrame(f.target, static_cast<int>(host.property(f.target, ClipProp::CurrentFrame)) + 1, false);
            break;
        case Op::PrevFrame:
            if (f.target) host.gotoFrame(f.target, static_cast<int>(host.property(f.target, ClipProp::CurrentFrame)) - 1, false);
            break;
        case Op::Play:
            if (f.target) host.play(f.target);
            break;
        case Op::Stop:
            if (f.target) host.stop(f.target);
            break;
        case Op::ToggleQuality:
        case Op::StopSounds:
        case Op::EndDrag: break;
        case Op::Add: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            push(a + b);
            break;
        }
        case Op::Subtract: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            push(a - b);
            break;
        }
        case Op::Multiply: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            push(a * b);
            break;
        }
        case Op::Divide: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            if (b == 0 && f.version < 5) push(Value("#ERROR#"));
            else push(a / b);
            break;
        }
        case Op::Equals: {
            Value vb = pop(), va = pop();
            double b = num(vb), a = num(va);  // this one converts its right operand first
            pushBool(a == b);
            break;
        }
        case Op::Less: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            pushBool(a < b);
            break;
        }
        case Op::And: {
            Value b = pop(), a = pop();
            pushBool(toBoolean(a, f.version) && toBoolean(b, f.version));
            break;
        }
        case Op::Or: {
            Value b = pop(), a = pop();
            pushBool(toBoolean(a, f.version) || toBoolean(b, f.version));
            break;
        }
        case Op::Not: pushBool(!toBoolean(pop(), f.version)); break;
        case Op::StringEquals: {
            Value vb = pop(), va = pop();
            std::string a = str(va), b = str(vb);
            pushBool(a == b);
            break;
        }
        case Op::StringLess: {
            Value vb = pop(), va = pop();
            std::string a = str(va), b = str(vb);
            pushBool(a < b);
            break;
        }
        case Op::StringGreater: {
            Value vb = pop(), va = pop();
            std::string a = str(va), b = str(vb);
            pushBool(a > b);
            break;
        }
        case Op::StringLength:
        case Op::MBStringLength: push(static_cast<double>(str(pop()).size())); break;
        case Op::StringExtract:
        case Op::MBStringExtract: {
            double count = num(pop()), index = num(pop());
            std::string s = str(pop());
            double from = std::max(0.0, toInteger(index) - 1);
            if (from >= static_cast<double>(s.size()) || !(count > 0 || count < 0)) {
                push(Value(std::string()));
                break;
            }
            std::size_t n = count < 0 ? std::string::npos : static_cast<std::size_t>(std::min(count, 1e9));
            push(Value(s.substr(static_cast<std::size_t>(from), n)));
            break;
        }
        case Op::StringAdd: {
            Value vb = pop(), va = pop();
            std::string a = str(va), b = str(vb);
            push(Value(concat(a, b)));
            break;
        }
        case Op::Pop: pop(); break;
        case Op::ToInteger: push(toInteger(num(pop()))); break;
        case Op::GetVariable: {
            std::string name = str(pop());
            push(getVariable(name));
            break;
        }
        case Op::SetVariable: {
            Value v = pop();
            std::string name = str(pop());
            setVariable(name, v);
            break;
        }
        case Op::SetTarget2: {
            // A clip is taken by its path: the first clip under that name answers.
            Value v = pop();
            if (v.isUndefined() || (v.isString() && v.str().empty())) {  // back to the code's own timeline
                setTarget(vm.clipOf(f.thisValue) ? vm.clipOf(f.thisValue) : f.target);
                break;
            }
            setTarget(vm.clipOf(v) ? targetOf(Value(vm.targetPath(vm.clipOf(v)))) : targetOf(v));
            break;
        }
        case Op::SetTarget: {
            std::string path = op.str();
            ClipId base = vm.clipOf(f.thisValue) ? vm.clipOf(f.thisValue) : f.target;
            setTarget(path.empty() ? base : vm.resolveTarget(base, path));
            break;
        }
        case Op::GetProperty: {
            double n = num(pop());
            double index = std::isnan(n) ? -1 : toInt32(n);  // no number: no property
            ClipId c = targetOf(pop());
            if (!c || !(index >= 0 && index < static_cast<double>(ClipProp::Count))) {
                push(Value());
                break;
            }
            static const char* const kNames[] = {"_x", "_y", "_xscale", "_yscale", "_currentframe",
                "_totalframes", "_alpha", "_visible", "_width", "_height", "_rotation", "_target",
                "_framesloaded", "_name", "_droptarget", "_url", "_highquality", "_focusrect",
                "_soundbuftime", "_quality", "_xmouse", "_ymouse"};
            push(vm.getMember(vm.clipValue(c), kNames[static_cast<int>(index)]));
            break;
        }
        case Op::SetProperty: {
            Value v = pop();
            double n = num(pop());
            double index = std::isnan(n) ? -1 : toInt32(n);
            ClipId c = targetOf(pop());
            if (!c || !(index >= 0 && index < static_cast<double>(ClipProp::Count))) break;
            auto prop = static_cast<ClipProp>(static_cast<int>(index));
            if (prop == ClipProp::Name) host.setName(c, str(v));
            else host.setProperty(c, prop, prop == ClipProp::Visible ? (toBoolean(v, f.version) ? 1 : 0) : num(v));
            break;
        }
        case Op::CloneSprite: {
            double depth = num(pop());
            std::string name = str(pop());
            ClipId src = targetOf(pop());
            // The depth comes biased already (compilers add 16384 to the script depth).
            if (src && placeableDepth(toInt32(depth))) host.duplicate(src, name, toInt32(depth));
            break;
        }
        case Op::RemoveSprite: {
            ClipId c = targetOf(pop());
            if (c && removableDepth(host.depth(c))) host.remove(c);
            break;
        }
        case Op::Trace: {
            Value v = pop();
            host.trace(v.isUndefined() ? std::string("undefined") : str(v));
            break;
        }
        case Op::StartDrag: {
            pop();
            pop();
            if (toBoolean(pop(), f.version))
                for (int i = 0; i < 4; ++i) pop();
            break;
        }
        case Op::Throw: vm.throwValue(pop()); return Completion{Flow::Unwind, 0, Value()};
        case Op::CastOp: {
            Value obj = pop(), ctor = pop();
            push(instanceOf(obj, ctor) ? obj : Value::null());
            break;
        }
        case Op::ImplementsOp: {
            Value ctor = pop();
            std::vector<Value> ifs = popArgs();
            Value proto = vm.getMember(ctor, "prototype");
            if (proto.obj()) proto.obj()->define("__implements__", vm.newArray(std::move(ifs)), kDontEnum);
            break;
        }
        case Op::RandomNumber: {
            double max = toInteger(num(pop()));
            push(max > 0 ? std::floor(vm.random01() * max) : 0.0);
            break;
        }
        case Op::CharToAscii:
        case Op::MBCharToAscii: {
            std::string s = str(pop());
            push(s.empty() ? 0.0 : static_cast<double>(static_cast<unsigned char>(s[0])));
            break;
        }
        case Op::AsciiToChar:
        case Op::MBAsciiToChar: {
            auto c = static_cast<std::uint32_t>(toInt32(num(pop())));
            std::string s;
            if (c == 0) {
            } else if (c < 0x80) s += static_cast<char>(c);
            else if (c < 0x800) s += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            else {
                c &= 0xFFFF;
                s += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                      static_cast<char>(0x80 | (c & 0x3F))};
            }
            push(Value(s));
            break;
        }
        case Op::GetTime: push(std::floor(host.timerMs())); break;
        case Op::Delete: {
            std::string name = str(pop());
            Value obj = pop();
            pushBool(obj.obj() && obj.obj()->remove(name, vm.nameCase()));
            break;
        }
        case Op::Delete2: {
            std::string name = str(pop());
            bool done = false;
            for (Scope* s = f.scope.get(); s && !done; s = s->parent.get())
                if (s->obj && s->obj->findOwn(name, vm.nameCase())) {
                    done = s->obj->remove(name, vm.nameCase());
                    break;
                }
            pushBool(done);
            break;
        }
        case Op::DefineLocal: {
            Value v = pop();
            std::string name = str(pop());
            defineLocal(name, v);
            break;
        }
        case Op::DefineLocal2: {
            std::string name = str(pop());
            if (f.activation) {
                if (!f.activation->findOwn(name, vm.nameCase())) f.activation->define(name, Value(), 0);
            } else if (ObjectRef t = vm.clipObject(f.target); t && !t->findOwn(name, vm.nameCase())) {
                t->define(name, Value());
            }
            break;
        }
        case Op::CallFunction: {
            std::string name = str(pop());
            std::vector<Value> args = popArgs();
            Value fn = getVariable(name);
            if (Object* o = fn.obj(); o && o->kind == ObjectKind::Boxed && o->className == "super") {
                push(callMethod(fn, Value(), args, false));  // super(): the parent constructor
                break;
            }
            push(vm.call(fn, Value(vm.clipObject(f.target)), args));
            break;
        }
        case Op::Return: return Completion{Flow::Return, 0, pop()};
        case Op::Modulo: {
            Value vb = pop(), va = pop();
            double a = num(va), b = num(vb);
            push(std::fmod(a, b));
            break;
        }
        case Op::NewObject: {
            std::string name = str(pop());
            std::vector<Value> args = popArgs();
            push(vm.construct(getVariable(name), args));
            break;
        }
        case Op::InitArray: push(vm.newArray(popArgs())); break;
        case Op::InitObject: {
            std::size_t n = popCount();
            ObjectRef o = vm.newObject();
            for (std::size_t i = 0; i < n; ++i) {
                Value v = pop();
                std::string name = str(pop());
                vm.setMember(Value(o), name, v);
            }
            push(o);
            break;
        }
        case Op::TypeOf: push(Value(typeOfName(pop()))); break;
        case Op::TargetPath: {
            ClipId c = vm.clipOf(pop());
            push(c ? Value(vm.targetPath(c)) : Value());
            break;
        }
        case Op::Enumerate: enumerate(getVariable(str(pop()))); break;
        case Op::Enumerate2: enumerate(pop()); break;
        case Op::Add2: {
            // The right operand converts first; an operand whose valueOf gave an object is
            // converted again from the original (its toString or valueOf runs once more).
            Value ob = pop(), oa = pop();
            Value b = toPrimitive(vm, ob, Hint::Number), a = toPrimitive(vm, oa, Hint::Number);
            const Value& ua = a.isObject() ? oa : a;
            const Value& ub = b.isObject() ? ob : b;
            if (a.isString() || b.isString()) {
                std::string sa = str(ua);
                push(Value(concat(sa, str(ub))));
            } else {
                double na = num(ua);
                push(na + num(ub));
            }
            break;
        }
        case Op::Less2: {
            Value b = pop(), a = pop();
            push(lessThan(vm, a, b));
            break;
        }
        case Op::Greater: {
            Value b = pop(), a = pop();
            push(lessThan(vm, b, a));
            break;
        }
        case Op::Equals2: {
            Value b = pop(), a = pop();
            push(Value(looseEquals(vm, a, b)));
            break;
        }
        case Op::StrictEquals: {
            Value b = pop(), a = pop();
            push(Value(strictEquals(a, b)));
            break;
        }
        case Op::ToNumber: push(num(pop())); break;
        case Op::ToString: push(Value(str(pop()))); break;
        case Op::PushDuplicate: {
            Value v = stack.empty() ? Value() : stack.back();
            push(v);
            break;
        }
        case Op::StackSwap: {
            Value b = pop(), a = pop();
            push(b);
            push(a);
            break;
        }
        case Op::GetMember: {
            Value name = pop(), obj = pop();
            push(vm.getMember(obj, str(name)));
            break;
        }
        case Op::SetMember: {
            Value v = pop(), name = pop(), obj = pop();
            vm.setMember(obj, str(name), v);
            break;
        }
        case Op::Increment: push(num(pop()) + 1); break;
        case Op::Decrement: push(num(pop()) - 1); break;
        case Op::CallMethod:
        case Op::NewMethod: {
            Value name = pop(), obj = pop();
            std::vector<Value> args = popArgs();
            push(callMethod(obj, name, args, opcode == static_cast<std::uint8_t>(Op::NewMethod)));
            break;
        }
        case Op::InstanceOf: {
            Value ctor = pop(), obj = pop();
            push(Value(instanceOf(obj, ctor)));
            break;
        }
        case Op::BitAnd: {
            std::int32_t b = toInt32(num(pop())), a = toInt32(num(pop()));
            push(static_cast<double>(a & b));
            break;
        }
        case Op::BitOr: {
            std::int32_t b = toInt32(num(pop())), a = toInt32(num(pop()));
            push(static_cast<double>(a | b));
            break;
        }
        case Op::BitXor: {
            std::int32_t b = toInt32(num(pop())), a = toInt32(num(pop()));
            push(static_cast<double>(a ^ b));
            break;
        }
        case Op::BitLShift: {
            std::uint32_t b = toUint32(num(pop())) & 31;
            std::uint32_t a = toUint32(num(pop()));
            push(static_cast<double>(static_cast<std::int32_t>(a << b)));
            break;
        }
        case Op::BitRShift: {
            std::uint32_t b = toUint32(num(pop())) & 31;
            std::int32_t a = toInt32(num(pop()));
            push(static_cast<double>(a >> b));
            break;
        }
        case Op::BitURShift: {
            std::uint32_t b = toUint32(num(pop())) & 31;
            std::uint32_t a = toUint32(num(pop()));
            push(static_cast<double>(static_cast<std::int32_t>(a >> b)));
            break;
        }
        case Op::Extends: {
            Value super = pop(), sub = pop();
            if (!sub.obj() || !super.obj()) break;
            auto proto = vm.alloc(vm.getMember(super, "prototype").objRef());
            proto->define("__constructor__", super, kDontEnum);
            if (f.version < 7) proto->define("constructor", super, kDontEnum);
            vm.setMember(sub, "prototype", Value(proto));
            break;
        }
        case Op::GotoFrame: {
            int frame = op.u16();
            if (f.target) host.gotoFrame(f.target, frame + 1, false);
            break;
        }
        case Op::GetUrl: {
            std::string url = op.str(), target = op.str();
            if (!loadLevel(url, target)) host.getUrl(url, target);
            break;
        }
        case Op::GetUrl2: {
            // Loading a movie or variables into a target (flags 0x40, 0x80) is no navigation.
            const std::uint8_t flags = op.u8();
            std::string target = str(pop()), url = str(pop());
            if (!(flags & 0x80) && loadLevel(url, target)) {
            } else if (!(flags & 0xC0)) {
                host.getUrl(url, target);
            } else if (!(flags & 0x80)) {  // loadMovie / unloadMovie into a clip
                if (ClipId clip = vm.resolveTarget(f.target, target); clip && url.empty()) host.unloadFrom(clip);
                else if (clip) startLoad(vm, Value(), clip, url);
            }
            break;
        }
        case Op::StoreRegister: {
            std::uint8_t r = op.u8();
            if (r < f.registers.size()) f.registers[r] = stack.empty() ? Value() : stack.back();
            break;
        }
        case Op::ConstantPool: {
            auto pool = std::make_shared<std::vector<std::string>>();
            std::uint16_t n = op.u16();
            for (std::uint16_t i = 0; i < n && !op.atEnd(); ++i) pool->push_back(op.str());
            f.constants = std::move(pool);
            break;
        }
        case Op::WaitForFrame:
        case Op::WaitForFrame2: {
            int frame;
            std::uint8_t skip;
            if (opcode == static_cast<std::uint8_t>(Op::WaitForFrame)) {
                frame = op.u16() + 1;
                skip = op.u8();
            } else {
                skip = op.u8();
                frame = toInt32(num(pop()));
            }
            if (f.target && !host.frameLoaded(f.target, frame)) {
                // Skip the next `skip` actions.
                for (unsigned i = 0; i < skip && next < end; ++i)
                    next += code[next] >= 0x80 && next + 2 < end ? 3 + (code[next + 1] | (code[next + 2] << 8)) : 1;
                next = std::min(next, end);
            }
            break;
        }
        case Op::GotoLabel: {
            std::string label = op.str();
            if (f.target) host.gotoLabel(f.target, label, false);
            break;
        }
        case Op::GotoFrame2: {
            std::uint8_t flags = op.u8();
            int bias = (flags & 2) ? op.u16() : 0;
            gotoFrameValue(f.target, pop(), flags & 1, bias);
            break;
        }
        case Op::DefineFunction:
        case Op::DefineFunction2: {
            std::uint16_t size = 0;
            ObjectRef fn = makeFunction(op, opcode == static_cast<std::uint8_t>(Op::DefineFunction2), next, size);
            const std::string& name = fn->code->name;
            if (name.empty()) push(Value(fn));
            else defineLocal(name, Value(fn));
            next = std::min(next + size, end);
            break;
        }
        case Op::Try: {
            Nested nested(vm);
            if (!nested.entered) return Completion{Flow::Unwind, 0, Value()};
            std::size_t after = next;
            Completion c = runTry(op, next, end, after);
            if (c.flow == Flow::Return || c.flow == Flow::Unwind) return c;
            if (c.flow == Flow::Jump) {
                if (c.target < start || c.target > end) return c;
                pc = c.target;
                continue;
            }
            next = after;
            break;
        }
        case Op::With: {
            Nested nested(vm);
            if (!nested.entered) return Completion{Flow::Unwind, 0, Value()};
            std::size_t size = op.u16();
            Value obj = pop();
            std::size_t bodyEnd = std::min(next + size, end);
            auto saved = f.scope;
            if (obj.obj()) f.scope = std::make_shared<Scope>(Scope{ScopeKind::With, obj.objRef(), saved});
            Completion c = runRange(next, bodyEnd);
            f.scope = saved;
            if (c.flow == Flow::Return || c.flow == Flow::Unwind) return c;
            if (c.flow == Flow::Jump) {
                if (c.target < start || c.target > end) return c;
                pc = c.target;
                continue;
            }
            next = bodyEnd;
            break;
        }
        case Op::Push: {
            while (!op.atEnd()) {
                switch (op.u8()) {
                case 0: push(Value(op.str())); break;
                case 1: {
                    std::uint32_t bits = op.u32();
                    float fl;
                    std::memcpy(&fl, &bits, 4);
                    push(static_cast<double>(fl));
                    break;
                }
                case 2: push(Value::null()); break;
                case 3: push(Value()); break;
                case 4: {
                    std::uint8_t r = op.u8();
                    push(r < f.registers.size() ? f.registers[r] : Value());
                    break;
                }
                case 5: push(Value(op.u8() != 0)); break;
                case 6: {
                    std::uint64_t hi = op.u32(), lo = op.u32();
                    std::uint64_t bits = (hi << 32) | lo;
                    double d;
                    std::memcpy(&d, &bits, 8);
                    push(d);
                    break;
                }
                case 7: push(static_cast<double>(static_cast<std::int32_t>(op.u32()))); break;
                case 8:
                case 9: {
                    std::size_t i = op.p[op.pos - 1] == 8 ? op.u8() : op.u16();
                    if (f.constants && i < f.constants->size()) push(Value((*f.constants)[i]));
                    else push(Value());
                    break;
                }
                default: op.pos = op.n; break;  // unknown type: the rest cannot be read
                }
            }
            break;
        }
        case Op::Jump:
        case Op::If: {
            std::int16_t offset = op.s16();
            if (opcode == static_cast<std::uint8_t>(Op::If) && !toBoolean(pop(), f.version)) break;
            auto target = static_cast<std::ptrdiff_t>(next) + offset;
            if (target < 0 || static_cast<std::size_t>(target) > f.code.size()) return Completion{};
            auto t = static_cast<std::size_t>(target);
            if (t < start || t > end) return Completion{Flow::Jump, t, Value()};
            pc = t;
            continue;
        }
        case Op::Call: {
            Value frame = pop();
            ClipId clip = f.target;
            std::string s = str(frame);
            std::size_t colon = s.rfind(':');
            if (colon != std::string::npos) {
                clip = vm.resolveTarget(clip, s.substr(0, colon));
                s = s.substr(colon + 1);
            }
            if (clip)
                for (auto block : host.frameActions(clip, s)) vm.runActions(block, clip);
            break;
        }
        case Op::End: break;
        default: break;  // unknown actions are skipped by their length
        }
        pc = next;
    }
    return Completion{};
}

}  // namespace

Value Interpreter::run(Vm& vm, Frame& frame) {
    Vm::Context saved = vm.ctx;
    vm.ctx.target = frame.target;
    vm.ctx.version = frame.version;
    struct Restore {
        Vm& vm;
        Vm::Context ctx;
        ~Restore() { vm.ctx = ctx; }
    } restore{vm, saved};
    Runner r{vm, frame, frame.carry ? std::move(*frame.carry) : std::vector<Value>{}};
    Completion c = r.runRange(0, frame.code.size());
    if (frame.carry) {
        // A block that ended by a throw or an abort leaves nothing for the next one.
        if (c.flow == Flow::Unwind) r.stack.clear();
        constexpr std::size_t kMaxCarried = 64;
        if (r.stack.size() > kMaxCarried) r.stack.erase(r.stack.begin(), r.stack.end() - kMaxCarried);
        *frame.carry = std::move(r.stack);
    }
    return c.flow == Flow::Return ? c.value : Value();
}

}  // namespace avm1

// Buttons as scripts see them, and the mouse events of buttons and of clips that act as
// buttons: which handler a transition calls, and the flags (enabled, trackAsMenu) that scripts
// set on them (see avm1/builtins_button.cpp for the script side).
#include "player/button.h"
#include "player/script_host.h"

namespace player {

namespace {

namespace bc = button_condition;

// What a transition calls: the handler method, and the clip event (on(press) and so on) of
// clips. The transitions of buttons that track as menus count as dragging over and out.
struct MouseEvent {
    std::uint16_t conditions;
    std::uint32_t clipEvent;
    const char* handler;
};
constexpr MouseEvent kMouseEvents[] = {
    {bc::kOverUpToOverDown, 0x400, "onPress"},
    {bc::kOverDownToOverUp, 0x800, "onRelease"},
    {bc::kOutDownToIdle, 0x1000, "onReleaseOutside"},
    {bc::kIdleToOverUp, 0x2000, "onRollOver"},
    {bc::kOverUpToIdle, 0x4000, "onRollOut"},
    {bc::kOutDownToOverDown | bc::kIdleToOverDown, 0x8000, "onDragOver"},
    {bc::kOverDownToOutDown | bc::kOverDownToIdle, 0x10000, "onDragOut"},
};
constexpr std::uint32_t kClipMouseEvents = 0x1FC00;

}  // namespace

bool ScriptHost::isButton(avm1::ClipId id) {
    const DisplayObject* e = find(id) ? nullptr : textEntry(id);
    return e && e->kind == CharacterKind::Button;
}

avm1::ClipId ScriptHost::attachButton(MovieClip& parent, std::uint16_t characterId, const std::string& name, int depth) {
    const Character* c = m_library.find(characterId);
    unsigned nesting = 0;
    for (const MovieClip* p = &parent; p; p = p->parent()) ++nesting;
    if (!c || c->kind != CharacterKind::Button || m_ctx.liveInstances >= m_ctx.maxInstances ||
        nesting + 1 > m_ctx.maxNesting) {
        ++m_ctx.refusedInstances;
        return 0;
    }
    const auto& def = *std::get<const swf::DefineButton*>(c->def);
    DisplayObject obj;
    obj.kind = CharacterKind::Button;
    obj.placement.characterId = characterId;
    obj.placement.name = name;
    obj.placement.placedFrame = kScriptPlaced;
    obj.instanceId = m_ctx.nextInstanceId++;
    ++m_ctx.liveInstances;
    // The sprites the button shows get clips of their own, as for buttons that timelines place.
    obj.buttonClips.resize(def.records.size());
    for (std::size_t i = 0; i < def.records.size(); ++i) {
        const Character* rc = m_library.find(def.records[i].characterId);
        if (!rc || rc->kind != CharacterKind::Sprite || !rc->timeline) continue;
        if (m_ctx.liveInstances >= m_ctx.maxInstances) {
            ++m_ctx.refusedInstances;
            continue;
        }
        ++m_ctx.liveInstances;
        obj.buttonClips[i] = std::make_unique<MovieClip>(m_ctx, *rc->timeline, nesting + 1);
        obj.buttonClips[i]->tick();
    }
    parent.removeDepth(depth);
    DisplayObject& placed = parent.mutableDisplayList()[depth] = std::move(obj);
    return registerText(parent, placed);
}

avm1::ClipId ScriptHost::registerButton(MovieClip& parent, const DisplayObject& obj) {
    const bool known = m_texts.count(obj.instanceId) != 0;
    const avm1::ClipId id = registerText(parent, obj);
    const Character* c = m_library.find(obj.placement.characterId);
    if (!known && !m_vm->existingClipObject(id) && c && c->kind == CharacterKind::Button &&
        std::get<const swf::DefineButton*>(c->def)->trackAsMenu)
        m_vm->clipObject(id)->define("trackAsMenu", avm1::Value(true));
    return id;
}

avm1::ClipId ScriptHost::duplicateButton(avm1::ClipId button, const std::string& name, int depth) {
    MovieClip* holder = nullptr;
    const DisplayObject* e = textEntry(button, &holder);
    if (!e || !holder) return 0;
    Placement pl = e->placement;  // the copy may take the original's depth
    const avm1::ClipId made = attachButton(*holder, pl.characterId, name, depth);
    if (DisplayObject* copy = made ? textEntry(made) : nullptr) {
        pl.name = name;
        pl.placedFrame = kScriptPlaced;
        copy->placement = pl;
    }
    return made;
}

const avm1::Value* ScriptHost::mouseFlag(std::uint32_t id, std::string_view name, bool ownOnly) {
    avm1::ObjectRef o = m_vm->existingClipObject(id);
    int guard = 0;
    for (avm1::Object* p = o.get(); p && guard < 256; p = ownOnly ? nullptr : p->proto.get(), ++guard)
        if (const avm1::Property* prop = p->findOwn(name, m_vm->nameCase()))
            return prop->getter || prop->setter ? nullptr : &prop->value;
    return nullptr;
}

bool ScriptHost::mouseEnabled(std::uint32_t id) {
    const avm1::Value* v = mouseFlag(id, "enabled");
    return !v || avm1::toBoolean(*v, m_vm->version());
}

bool ScriptHost::tracksAsMenu(std::uint32_t id, bool byDefinition) {
    const avm1::Value* v = mouseFlag(id, "trackAsMenu", true);
    return v ? avm1::toBoolean(*v, m_vm->version()) : byDefinition;
}

bool ScriptHost::actsAsButton(std::uint32_t clipId) {
    if (auto it = m_clipActions.find(clipId); it != m_clipActions.end())
        for (const swf::ClipAction* a : it->second)
            if (a->events & kClipMouseEvents) return true;
    avm1::ObjectRef o = m_vm->existingClipObject(clipId);
    if (!o) return false;
    for (const MouseEvent& e : kMouseEvents) {
        int guard = 0;
        for (avm1::Object* p = o.get(); p && guard < 256; p = p->proto.get(), ++guard) {
            const avm1::Property* prop = p->findOwn(e.handler, m_vm->nameCase());
            if (!prop) continue;
            if (prop->getter || (prop->value.obj() && prop->value.obj()->kind == avm1::ObjectKind::Function))
                return true;
            break;
        }
    }
    return false;
}

void ScriptHost::queueMouseEvent(std::uint32_t id, std::uint16_t condition) {
    if (!mouseEnabled(id)) return;
    for (const MouseEvent& e : kMouseEvents) {
        if (!(e.conditions & condition)) continue;
        // A clip's own clip events first, then the handler scripts gave it.
        if (auto it = m_clipActions.find(id); it != m_clipActions.end())
            for (const swf::ClipAction* a : it->second)
                if (a->events & e.clipEvent) m_queue.push_back(Pending{id, a->actions, nullptr});
        if (m_vm->existingClipObject(id)) m_queue.push_back(Pending{id, {}, e.handler});
        return;
    }
}

// Mouse and key input: every clip's clip event of that kind and its mouse handler, newest clip
// first, then the listeners of Mouse or Key.
void ScriptHost::input(Input event, int code, int ascii) {
    struct Kind {
        std::uint32_t clipEvent;
        const char* handler;  // clips' own handler (key handlers need focus, which clips lack)
        const char* broadcaster;
        const char* message;
    };
    static constexpr Kind kKinds[] = {{0x08, "onMouseMove", "Mouse", "onMouseMove"},
                                      {0x10, "onMouseDown", "Mouse", "onMouseDown"},
                                      {0x20, "onMouseUp", "Mouse", "onMouseUp"},
                                      {0x40, nullptr, "Key", "onKeyDown"},
                                      {0x80, nullptr, "Key", "onKeyUp"}};
    const Kind& k = kKinds[static_cast<int>(event)];
    avm1::Vm::KeyState& keys = m_vm->keys;
    if (event == Input::KeyDown || event == Input::KeyUp) {
        if (code < 0 || code > 255) return;
        const auto bit = static_cast<std::uint8_t>(1u << (code & 7));
        if (event == Input::KeyDown) {
            keys.down[code >> 3] |= bit;
            keys.lastCode = code;
            keys.lastAscii = ascii;
        } else {
            keys.down[code >> 3] &= static_cast<std::uint8_t>(~bit);
        }
    }
    for (auto it = m_ctx.live.rbegin(); it != m_ctx.live.rend(); ++it) {
        MovieClip& clip = *it->second;
        if (!clip.parent() && levelNumber(clip.id()) < 0) continue;  // the clips buttons show
        if (auto found = m_clipActions.find(clip.id()); found != m_clipActions.end())
            for (const swf::ClipAction* a : found->second)
                if (a->events & k.clipEvent) m_queue.push_back(Pending{clip.id(), a->actions, nullptr});
        if (k.handler) m_queue.push_back(Pending{clip.id(), {}, k.handler});
    }
    m_vm->beginFrame();
    runQueued();
    if (m_vm->broadcast(k.broadcaster, k.message) == avm1::RunStatus::Aborted) ++m_aborted;
}

}  // namespace player

// Buttons as scripts see them, and the mouse events of buttons and of clips that act as
// buttons: which handler a transition calls, and the flags (enabled, trackAsMenu) that scripts
// set on them (see avm1/builtins_button.cpp for the script side).
#include "player/button.h"
#include "player/script_host.h"

namespace player {

namespace {

namespace bc = button_condition;

// The handler a transition calls. The transitions of buttons that track as menus count as
// dragging over and out.
const char* handlerFor(std::uint16_t condition) {
    switch (condition) {
    case bc::kIdleToOverUp: return "onRollOver";
    case bc::kOverUpToIdle: return "onRollOut";
    case bc::kOverUpToOverDown: return "onPress";
    case bc::kOverDownToOverUp: return "onRelease";
    case bc::kOutDownToIdle: return "onReleaseOutside";
    case bc::kOverDownToOutDown:
    case bc::kOverDownToIdle: return "onDragOut";
    case bc::kOutDownToOverDown:
    case bc::kIdleToOverDown: return "onDragOver";
    default: return nullptr;
    }
}

constexpr const char* kClipMouseHandlers[] = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                              "onRollOut", "onDragOver", "onDragOut"};

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
    if (!m_vm->existingClipObject(clipId)) return false;
    for (const char* name : kClipMouseHandlers) {
        avm1::ObjectRef o = m_vm->existingClipObject(clipId);
        int guard = 0;
        for (avm1::Object* p = o.get(); p && guard < 256; p = p->proto.get(), ++guard) {
            const avm1::Property* prop = p->findOwn(name, m_vm->nameCase());
            if (!prop) continue;
            if (prop->getter || (prop->value.obj() && prop->value.obj()->kind == avm1::ObjectKind::Function))
                return true;
            break;
        }
    }
    return false;
}

void ScriptHost::queueMouseEvent(std::uint32_t id, std::uint16_t condition) {
    const char* handler = handlerFor(condition);
    if (handler && m_vm->existingClipObject(id) && mouseEnabled(id)) m_queue.push_back(Pending{id, {}, handler});
}

}  // namespace player

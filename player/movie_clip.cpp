#include "player/movie_clip.h"

#include <algorithm>

#include "swf/tag_codes.h"

namespace player {

namespace {

// Runs a timeline change of an object's placement; a transform that a script set survives it.
template <typename Change>
void keepScriptTransform(DisplayObject& obj, Change change) {
    if (!obj.scriptTransformed) {
        change();
        return;
    }
    swf::Matrix m = obj.placement.matrix;
    swf::ColorTransform cx = obj.placement.colorTransform;
    change();
    obj.placement.matrix = m;
    obj.placement.colorTransform = cx;
}

}  // namespace

MovieClip::MovieClip(ClipContext& ctx, const Timeline& timeline, unsigned nesting, MovieClip* parent,
                     std::uint16_t characterId)
    : m_ctx(ctx), m_timeline(&timeline), m_nesting(nesting), m_parent(parent), m_characterId(characterId),
      m_id(ctx.nextInstanceId++), m_looping(nesting == 0 || timeline.complete()) {
    const swf::PlaceObject* tag = m_ctx.placing;
    m_ctx.placing = nullptr;  // only this clip was placed by it, not its children
    m_ctx.live.emplace(m_id, this);
    if (m_ctx.events) m_ctx.events->clipCreated(*this, tag);
}

MovieClip::~MovieClip() {
    m_ctx.live.erase(m_id);
    if (m_ctx.events) m_ctx.events->clipDestroyed(*this);
    for (auto& [depth, obj] : m_list) release(obj);
}

void MovieClip::release(DisplayObject& obj) {
    if (m_ctx.liveInstances > 0) --m_ctx.liveInstances;
    for (const auto& c : obj.buttonClips)
        if (c && m_ctx.liveInstances > 0) --m_ctx.liveInstances;
    obj.buttonClips.clear();
    obj.clip.reset();
    // Text fields and buttons are script objects without a clip: their removal is reported.
    if ((obj.editText || obj.kind == CharacterKind::Button) && m_ctx.events) m_ctx.events->textDestroyed(obj.instanceId);
    obj.editText.reset();
}

void MovieClip::instantiateButtonClips(DisplayObject& obj, const swf::DefineButton& button) {
    obj.buttonClips.resize(button.records.size());
    for (std::size_t i = 0; i < button.records.size(); ++i) {
        const Character* rc = m_ctx.library->find(button.records[i].characterId);
        if (!rc || rc->kind != CharacterKind::Sprite || !rc->timeline) continue;
        if (m_nesting + 1 > m_ctx.maxNesting || m_ctx.liveInstances >= m_ctx.maxInstances) {
            ++m_ctx.refusedInstances;
            continue;
        }
        ++m_ctx.liveInstances;
        obj.buttonClips[i] = std::make_unique<MovieClip>(m_ctx, *rc->timeline, m_nesting + 1);
        obj.buttonClips[i]->tick();
    }
}

bool MovieClip::instantiate(DisplayObject& obj) {
    const Character* c = m_ctx.library->find(obj.placement.characterId);
    if (!c) return false;  // unknown characters are not placed
    if (m_ctx.liveInstances >= m_ctx.maxInstances) {
        ++m_ctx.refusedInstances;
        return false;
    }
    obj.kind = c->kind;
    obj.instanceId = m_ctx.nextInstanceId++;
    ++m_ctx.liveInstances;
    obj.clip.reset();
    obj.editText.reset();
    obj.buttonClips.clear();
    obj.buttonState = ButtonState::Up;
    if (c->kind == CharacterKind::Button)
        instantiateButtonClips(obj, *std::get<const swf::DefineButton*>(c->def));
    if (c->kind == CharacterKind::EditText && m_ctx.fonts) {
        obj.editText = std::make_unique<EditText>(*std::get<const swf::DefineEditText*>(c->def), *m_ctx.fonts);
        if (m_ctx.events) m_ctx.events->textCreated(*this, obj);
    }
    if (c->kind == CharacterKind::Sprite && c->timeline) {
        if (m_nesting + 1 > m_ctx.maxNesting) {
            ++m_ctx.refusedInstances;
            --m_ctx.liveInstances;
            return false;
        }
        obj.clip = std::make_unique<MovieClip>(m_ctx, *c->timeline, m_nesting + 1, this,
                                               obj.placement.characterId);
        obj.clip->tick();  // a new clip shows its first frame at once
    }
    return true;
}

void MovieClip::replaceTimeline(const Timeline& timeline) {
    for (auto& [depth, obj] : m_list) release(obj);
    m_list.clear();
    m_drawing.reset();
    m_timeline = &timeline;
    m_looping = m_nesting == 0 || timeline.complete();
    m_currentFrame = 0;
    m_playing = true;
}

void MovieClip::remove(Depth depth) {
    auto it = m_list.find(depth);
    if (it == m_list.end()) return;
    release(it->second);
    m_list.erase(it);
}

void MovieClip::place(const swf::PlaceObject& p, std::uint16_t frame) {
    Depth depth = p.depth;
    auto it = m_list.find(depth);
    switch (placeAction(p, it != m_list.end())) {
    case PlaceAction::None:
        return;
    case PlaceAction::Create: {
        remove(depth);
        DisplayObject obj;
        applyPlacement(obj.placement, p);
        obj.placement.placedFrame = frame;
        m_ctx.placing = &p;
        if (instantiate(obj)) m_list.emplace(depth, std::move(obj));
        m_ctx.placing = nullptr;
        return;
    }
    case PlaceAction::Modify:
        keepScriptTransform(it->second, [&] { applyPlacement(it->second.placement, p); });
        return;
    case PlaceAction::Replace: {
        DisplayObject& obj = it->second;
        std::uint16_t before = obj.placement.characterId;
        Placement saved = obj.placement;
        applyPlacement(obj.placement, p);
        if (obj.placement.characterId == before) return;
        // A new character: shapes and texts just swap their picture; a sprite needs a fresh
        // clip. Unknown characters leave the object as it was.
        const Character* c = m_ctx.library->find(obj.placement.characterId);
        if (!c) {
            obj.placement = saved;
            return;
        }
        if (c->kind == CharacterKind::Sprite || c->kind == CharacterKind::EditText ||
            c->kind == CharacterKind::Button || obj.clip || obj.editText) {
            release(obj);
            if (!instantiate(obj)) m_list.erase(it);
        } else {
            obj.kind = c->kind;
        }
        return;
    }
    }
}

void MovieClip::runFrame(std::uint16_t frame) {
    m_currentFrame = frame;
    // The frame's scripts are queued before the clips it places queue theirs.
    if (m_ctx.events) m_ctx.events->frameEntered(*this, frame);
    for (const swf::Tag* t : m_timeline->frame(frame).tags) {
        if (auto* p = std::get_if<swf::PlaceObject>(&t->body)) place(*p, frame);
        else if (auto* r = std::get_if<swf::RemoveObject>(&t->body)) remove(r->depth);
    }
    queueSounds(frame);  // frames that a goto passes over (skipTo()) make no sound
}

void MovieClip::queueSounds(std::uint16_t frame) {
    if (!m_ctx.sounds) return;
    for (const swf::Tag* t : m_timeline->frame(frame).tags) {
        auto* s = std::get_if<swf::SoundTag>(&t->body);
        // Definitions (DefineSound, DefineButtonSound) sit among the frame's tags too.
        if (s && t->code != static_cast<std::uint16_t>(swf::TagCode::DefineSound) &&
            t->code != static_cast<std::uint16_t>(swf::TagCode::DefineButtonSound))
            m_ctx.sounds->push_back({t->code, s, m_id, frame});
    }
}

MovieClip* MovieClip::addClip(Depth depth, const Timeline& timeline, std::uint16_t characterId,
                              const Placement& placement) {
    if (m_ctx.liveInstances >= m_ctx.maxInstances || m_nesting + 1 > m_ctx.maxNesting) {
        ++m_ctx.refusedInstances;
        return nullptr;
    }
    remove(depth);
    DisplayObject obj;
    obj.placement = placement;
    obj.placement.characterId = characterId;
    obj.placement.placedFrame = kScriptPlaced;
    obj.kind = CharacterKind::Sprite;
    obj.instanceId = m_ctx.nextInstanceId++;
    ++m_ctx.liveInstances;
    obj.clip = std::make_unique<MovieClip>(m_ctx, timeline, m_nesting + 1, this, characterId);
    MovieClip* clip = obj.clip.get();
    m_list.emplace(depth, std::move(obj));
    clip->tick();
    return clip;
}

void MovieClip::swapDepth(Depth from, Depth to) {
    if (from == to) return;
    auto a = m_list.extract(from);
    if (a.empty()) return;
    auto b = m_list.extract(to);
    // Swapped objects leave the timeline's control: rewinds keep them where they are.
    a.mapped().placement.placedFrame = kScriptPlaced;
    if (!b.empty()) b.mapped().placement.placedFrame = kScriptPlaced;
    a.key() = to;
    m_list.insert(std::move(a));
    if (!b.empty()) {
        b.key() = from;
        m_list.insert(std::move(b));
    }
}

void MovieClip::rewindTo(std::uint16_t target) {
    // Replay the placement rules alone from frame 1 to the target.
    std::map<Depth, Placement> wanted;
    std::map<Depth, const swf::PlaceObject*> creators;  // their clip events go to new clips
    for (std::uint16_t f = 1; f <= target; ++f) {
        for (const swf::Tag* t : m_timeline->frame(f).tags) {
            if (auto* p = std::get_if<swf::PlaceObject>(&t->body)) {
                auto it = wanted.find(p->depth);
                switch (placeAction(*p, it != wanted.end())) {
                case PlaceAction::None: break;
                case PlaceAction::Create: {
                    Placement pl;
                    applyPlacement(pl, *p);
                    pl.placedFrame = f;
                    wanted[p->depth] = pl;
                    creators[p->depth] = p;
                    break;
                }
                case PlaceAction::Modify:
                    applyPlacement(it->second, *p);
                    break;
                case PlaceAction::Replace: {
                    // As in place(): a replacement by an unknown character changes nothing.
                    if (m_ctx.library->find(*p->characterId)) applyPlacement(it->second, *p);
                    break;
                }
                }
            } else if (auto* r = std::get_if<swf::RemoveObject>(&t->body)) {
                wanted.erase(r->depth);
            }
        }
    }
    // Keep the objects the target frame still has (the same character with the same ratio,
    // wherever it was placed) and what scripts placed or moved; drop the rest. A kept object
    // keeps its name.
    for (auto it = m_list.begin(); it != m_list.end();) {
        auto w = wanted.find(it->first);
        Placement& now = it->second.placement;
        if (now.placedFrame == kScriptPlaced) {
            ++it;
            continue;
        }
        if (w != wanted.end() && w->second.characterId == now.characterId && w->second.ratio == now.ratio) {
            keepScriptTransform(it->second, [&] {
                std::string name = std::move(now.name);
                now = w->second;
                now.name = std::move(name);
            });
            ++it;
        } else {
            release(it->second);
            it = m_list.erase(it);
        }
    }
    m_currentFrame = target;
    if (m_ctx.events) m_ctx.events->frameEntered(*this, target);
    queueSounds(target);
    for (auto& [depth, pl] : wanted) {
        if (m_list.count(depth)) continue;
        DisplayObject obj;
        obj.placement = pl;
        m_ctx.placing = creators[depth];
        if (instantiate(obj)) m_list.emplace(depth, std::move(obj));
        m_ctx.placing = nullptr;
    }
}

void MovieClip::gotoFrame(std::uint16_t frame) {
    frame = std::clamp<std::uint16_t>(frame, 1, frameCount());
    if (frame == m_currentFrame) return;
    if (frame < m_currentFrame) {
        rewindTo(frame);
        return;
    }
    if (frame == m_currentFrame + 1) runFrame(frame);
    else skipTo(frame);
}

void MovieClip::skipTo(std::uint16_t target) {
    // Removals act at once; the placements of the frames passed over merge per depth, so that
    // a clip placed and removed again on the way is never made (nor named, nor unloaded).
    struct Made {
        const swf::PlaceObject* tag;
        Placement placement;
    };
    std::map<Depth, Made> made;
    std::vector<Depth> order;  // in the order of creation
    for (std::uint16_t f = static_cast<std::uint16_t>(m_currentFrame + 1); f <= target; ++f) {
        for (const swf::Tag* t : m_timeline->frame(f).tags) {
            if (auto* r = std::get_if<swf::RemoveObject>(&t->body)) {
                made.erase(r->depth);
                remove(r->depth);
                continue;
            }
            auto* p = std::get_if<swf::PlaceObject>(&t->body);
            if (!p) continue;
            auto m = made.find(p->depth);
            PlaceAction action = placeAction(*p, m != made.end() || m_list.count(p->depth));
            if (m == made.end() && action != PlaceAction::Create) {
                place(*p, f);  // changes an object already on stage
            } else if (action == PlaceAction::Create) {
                remove(p->depth);
                made.erase(p->depth);
                if (!p->characterId || !m_ctx.library->find(*p->characterId)) continue;  // as in place()
                Made entry{p, Placement{}};
                applyPlacement(entry.placement, *p);
                entry.placement.placedFrame = f;
                made.insert_or_assign(p->depth, std::move(entry));
                order.push_back(p->depth);
            } else if (action == PlaceAction::Modify ||
                       (action == PlaceAction::Replace && m_ctx.library->find(*p->characterId))) {
                applyPlacement(m->second.placement, *p);
            }
        }
    }
    m_currentFrame = target;
    // Clips of the frames passed over come first, then the target frame's scripts, then the
    // clips the target frame places, as when playing.
    auto makeAll = [&](bool targetFrame) {
        for (Depth d : order) {
            auto m = made.find(d);
            if (m == made.end() || m_list.count(d) || (m->second.placement.placedFrame == target) != targetFrame)
                continue;
            DisplayObject obj;
            obj.placement = m->second.placement;
            m_ctx.placing = m->second.tag;
            if (instantiate(obj)) m_list.emplace(d, std::move(obj));
            m_ctx.placing = nullptr;
        }
    };
    makeAll(false);
    if (m_ctx.events) m_ctx.events->frameEntered(*this, target);
    queueSounds(target);
    makeAll(true);
}

bool MovieClip::gotoLabel(const std::string& label) {
    auto f = m_timeline->labelFrame(label);
    if (!f) return false;
    gotoFrame(*f);
    return true;
}

void MovieClip::tick() {
    if (m_currentFrame == 0) {
        runFrame(1);
    } else if (m_playing) {
        if (m_currentFrame < frameCount()) {
            runFrame(static_cast<std::uint16_t>(m_currentFrame + 1));
        } else if (!m_looping) {
            m_playing = false;
        } else if (frameCount() > 1) {
            rewindTo(1);
        }
    }
}

void advanceClips(ClipContext& ctx) {
    // The clips that exist now, newest first; clips made during the pass showed their first
    // frame when they were made, and clips removed during it are skipped.
    std::vector<std::uint32_t> order;
    order.reserve(ctx.live.size());
    for (auto it = ctx.live.rbegin(); it != ctx.live.rend(); ++it) order.push_back(it->first);
    for (std::uint32_t id : order) {
        auto it = ctx.live.find(id);
        if (it == ctx.live.end()) continue;
        MovieClip& clip = *it->second;
        if (ctx.events) ctx.events->frameStarting(clip);
        clip.tick();
    }
}

}  // namespace player

#include "player/script_host.h"

#include <algorithm>
#include <cmath>

#include "player/button.h"
#include "player/script_drawing.h"
#include "player/shape_convert.h"
#include "player/timeline.h"
#include "swf/tags.h"

namespace player {

namespace {

constexpr std::uint32_t kEventLoad = 0x01;
constexpr std::uint32_t kEventEnterFrame = 0x02;
constexpr std::uint32_t kEventUnload = 0x04;
constexpr std::uint32_t kEventInitialize = 0x200;
constexpr std::uint32_t kEventConstruct = 0x40000;
constexpr std::size_t kMaxQueuedRuns = 100000;  // per drain: goto loops cannot spin for ever
constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kMaxDrawOps = 1u << 20;  // per clip

double scaleOf(double a, double b) { return std::sqrt(a * a + b * b); }

// parent ∘ child for SWF matrices (translations in twips).
swf::Matrix concat(const swf::Matrix& p, const swf::Matrix& c) {
    swf::Matrix m;
    m.a = p.a * c.a + p.c * c.b;
    m.b = p.b * c.a + p.d * c.b;
    m.c = p.a * c.c + p.c * c.d;
    m.d = p.b * c.c + p.d * c.d;
    m.tx = static_cast<std::int32_t>(std::clamp(p.a * c.tx + p.c * c.ty + p.tx, -2.0e9, 2.0e9));
    m.ty = static_cast<std::int32_t>(std::clamp(p.b * c.tx + p.d * c.ty + p.ty, -2.0e9, 2.0e9));
    return m;
}

swf::Matrix invert(const swf::Matrix& m) {
    double det = m.a * m.d - m.b * m.c;
    if (det == 0 || !std::isfinite(det)) return swf::Matrix{};
    swf::Matrix r;
    r.a = m.d / det;
    r.b = -m.b / det;
    r.c = -m.c / det;
    r.d = m.a / det;
    r.tx = static_cast<std::int32_t>(std::clamp(-(r.a * m.tx + r.c * m.ty), -2.0e9, 2.0e9));
    r.ty = static_cast<std::int32_t>(std::clamp(-(r.b * m.tx + r.d * m.ty), -2.0e9, 2.0e9));
    return r;
}

// A bounding box in twips that grows by transformed rectangles.
struct Box {
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    bool empty() const { return x0 > x1; }
    void add(const swf::Matrix& m, double rx0, double ry0, double rx1, double ry1) {
        if (rx0 > rx1 || ry0 > ry1) return;
        for (double x : {rx0, rx1})
            for (double y : {ry0, ry1}) {
                double tx = m.a * x + m.c * y + m.tx, ty = m.b * x + m.d * y + m.ty;
                x0 = std::min(x0, tx);
                y0 = std::min(y0, ty);
                x1 = std::max(x1, tx);
                y1 = std::max(y1, ty);
            }
    }
};

// The bounds of a shape, morph shape or text; null for other characters.
const swf::Rect* characterBounds(const Character& c) {
    if (auto* s = std::get_if<const swf::DefineShape*>(&c.def)) return &(*s)->bounds;
    if (auto* mo = std::get_if<const swf::DefineMorphShape*>(&c.def)) return &(*mo)->startBounds;
    if (auto* t = std::get_if<const swf::DefineText*>(&c.def)) return &(*t)->bounds;
    if (auto* e = std::get_if<const swf::DefineEditText*>(&c.def)) return &(*e)->bounds;
    return nullptr;
}

void boundsOf(const MovieClip& clip, const swf::Matrix& m, const Library& lib, Box& box, unsigned depth);

// A button's bounds: the records of the state it shows.
void buttonBounds(const DisplayObject& obj, const swf::Matrix& m, const Library& lib, Box& box, unsigned depth) {
    const Character* c = lib.find(obj.placement.characterId);
    if (!c || c->kind != CharacterKind::Button || depth > 64) return;
    const auto& records = std::get<const swf::DefineButton*>(c->def)->records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!recordShows(records[i], obj.buttonState)) continue;
        const swf::Matrix rm = concat(m, records[i].matrix);
        const Character* rc = lib.find(records[i].characterId);
        if (i < obj.buttonClips.size() && obj.buttonClips[i]) boundsOf(*obj.buttonClips[i], rm, lib, box, depth + 1);
        else if (const swf::Rect* r = rc ? characterBounds(*rc) : nullptr) box.add(rm, r->xMin, r->yMin, r->xMax, r->yMax);
    }
}

void boundsOf(const MovieClip& clip, const swf::Matrix& m, const Library& lib, Box& box, unsigned depth) {
    if (depth > 64) return;
    if (const auto& d = clip.drawing(); d && !d->bounds.isEmpty())
        box.add(m, d->bounds.x0, d->bounds.y0, d->bounds.x1, d->bounds.y1);
    for (const auto& [dep, obj] : clip.displayList()) {
        swf::Matrix om = concat(m, obj.placement.matrix);
        if (obj.clip) {
            boundsOf(*obj.clip, om, lib, box, depth + 1);
        } else if (obj.kind == CharacterKind::Button) {
            buttonBounds(obj, om, lib, box, depth + 1);
        } else if (const Character* c = lib.find(obj.placement.characterId)) {
            if (const swf::Rect* r = characterBounds(*c)) box.add(om, r->xMin, r->yMin, r->xMax, r->yMax);
        }
    }
}

}  // namespace

ScriptHost::ScriptHost(const swf::Movie& movie, const Library& library, ClipContext& ctx, avm1::VmLimits limits)
    : m_movie(movie), m_library(library), m_ctx(ctx) {
    m_vm = std::make_unique<avm1::Vm>(*this, std::max<unsigned>(movie.header.version, 1), limits);
    static const std::vector<swf::Tag> kNoTags;
    m_emptyTimeline = std::make_unique<Timeline>(kNoTags);
    for (const swf::Tag& t : movie.tags)
        if (auto* ex = std::get_if<swf::ExportAssets>(&t.body))
            for (const swf::AssetRef& a : ex->assets) m_symbols.emplace(a.id, a.name);
}

ScriptHost::~ScriptHost() {
    m_root = nullptr;  // gone already: the levels' unload events have nowhere to run
    m_levels.clear();
    m_retiredLevels.clear();
}

MovieClip* ScriptHost::find(avm1::ClipId clip) const {
    auto it = m_clips.find(clip);
    return it == m_clips.end() ? nullptr : it->second;
}

DisplayObject* ScriptHost::entryOf(const MovieClip& clip) const {
    MovieClip* parent = clip.parent();
    if (!parent) return nullptr;
    for (auto& [depth, obj] : parent->mutableDisplayList())
        if (obj.clip.get() == &clip) return &obj;
    return nullptr;
}

// ---- the frame ----

void ScriptHost::beforeTick() {
    m_retiredLevels.clear();  // no script of theirs runs now
    m_vm->beginFrame();
    runQueued();
}

// Each clip's enterFrame events queue just before its own frame does, so they run in the
// order in which the clips advance (a clip that an older clip's frame removes gets none).
void ScriptHost::frameStarting(MovieClip& clip) {
    // The clips that buttons show have no events; the roots of loaded levels do.
    if (!clip.parent() && levelNumber(clip.id()) < 0) return;
    avm1::ClipId id = clip.id();
    if (auto it = m_clipActions.find(id); it != m_clipActions.end())
        for (const swf::ClipAction* a : it->second)
            if (a->events & kEventEnterFrame) m_queue.push_back(Pending{id, a->actions, nullptr});
    m_queue.push_back(Pending{id, {}, "onEnterFrame"});
}

void ScriptHost::afterTick() {
    runQueued();
    m_vm->runIntervals();
    runQueued();
    updateBoundFields();
    updateDrawings();
    m_vm->maybeCollect();
}

void ScriptHost::queueActions(MovieClip& clip, std::span<const std::uint8_t> code) {
    m_queue.push_back(Pending{clip.id(), code, nullptr});
}

void ScriptHost::run(const Pending& p) {
    avm1::RunStatus s = p.symbol    ? m_vm->constructClip(p.clip, *p.symbol)
                         : p.handler ? m_vm->callHandler(p.clip, p.handler, {}, p.removed)
                                     : m_vm->runActions(p.code, p.clip, p.removed);
    if (s == avm1::RunStatus::Aborted) ++m_aborted;
}

void ScriptHost::runQueued() {
    std::size_t runs = 0;
    while ((!m_queue.empty() || !m_initQueue.empty() || !m_constructQueue.empty() || !m_unload.empty()) &&
           runs++ < kMaxQueuedRuns) {
        std::deque<Pending>& q = !m_initQueue.empty()        ? m_initQueue
                                 : !m_constructQueue.empty() ? m_constructQueue
                                 : !m_unload.empty()         ? m_unload
                                                             : m_queue;
        Pending p = q.front();
        q.pop_front();
        if (alive(p.clip)) run(p);
    }
    m_queue.clear();
    m_initQueue.clear();
    m_constructQueue.clear();
    m_unload.clear();
}

std::unique_ptr<Scripts> createScripts(const swf::Movie& movie, const Library& library, ClipContext& ctx,
                                       std::uint64_t stepBudget) {
    avm1::VmLimits limits;
    limits.stepBudget = stepBudget;
    return std::make_unique<ScriptHost>(movie, library, ctx, limits);
}

void ScriptHost::runEventActions() {
    if (m_queue.empty()) return;
    m_vm->beginFrame();
    runQueued();
}

// ---- ClipEvents ----

void ScriptHost::clipCreated(MovieClip& clip, const swf::PlaceObject* tag) {
    m_clips[clip.id()] = &clip;
    // Clips placed without a name are called "instanceN", counting from 1 in the movie.
    if (clip.parent() && (!tag || !tag->name || tag->name->empty()) && !m_scriptPlacing)
        m_autoNames[clip.id()] = "instance" + std::to_string(m_nextAutoName++);
    if (tag && !tag->clipActions.empty()) {
        auto& list = m_clipActions[clip.id()];
        for (const swf::ClipAction& a : tag->clipActions) {
            list.push_back(&a);
            if (a.events & kEventInitialize) m_initQueue.push_back(Pending{clip.id(), a.actions, nullptr});
        }
        for (const swf::ClipAction& a : tag->clipActions)
            if (a.events & kEventConstruct) m_constructQueue.push_back(Pending{clip.id(), a.actions, nullptr});
        for (const swf::ClipAction& a : tag->clipActions)
            if (a.events & kEventLoad) m_queue.push_back(Pending{clip.id(), a.actions, nullptr});
    }
    if (auto it = m_symbols.find(clip.characterId()); it != m_symbols.end() && clip.parent() && !m_scriptPlacing)
        m_constructQueue.push_back(Pending{clip.id(), {}, nullptr, &it->second});
    if (clip.parent()) m_queue.push_back(Pending{clip.id(), {}, "onLoad"});
}

void ScriptHost::clipDestroyed(MovieClip& clip) {
    queueUnload(clip);
    // Its text fields and buttons go too: their references keep the paths known only now.
    for (const auto& [depth, obj] : clip.displayList())
        if (!obj.clip && obj.instanceId && m_vm->existingClipObject(obj.instanceId)) m_vm->clipRemoved(obj.instanceId);
    m_vm->clipRemoved(clip.id());
    m_clips.erase(clip.id());
    m_autoNames.erase(clip.id());
    m_clipActions.erase(clip.id());
    m_drawing.erase(clip.id());
    m_drawingChanged.erase(clip.id());
}

// A removed clip's unload clip events and onUnload handler run after the removal, as the
// object the clip leaves behind, hosted by the main timeline. A clip's children unload before it.
void ScriptHost::queueUnload(MovieClip& clip) {
    if (!m_root || &clip == m_root) return;
    auto actions = m_clipActions.find(clip.id());
    avm1::ObjectRef self = m_vm->existingClipObject(clip.id());
    if (!self && actions == m_clipActions.end()) return;
    if (!self) self = m_vm->clipObject(clip.id());
    std::vector<Pending> group;
    if (actions != m_clipActions.end())
        for (const swf::ClipAction* a : actions->second)
            if (a->events & kEventUnload) group.push_back(Pending{m_root->id(), a->actions, nullptr, nullptr, self});
    // Only a look: a getter would run a script while the display list is being changed (the
    // call itself runs later and looks the handler up again).
    const avm1::Property* handler = nullptr;
    int guard = 0;
    for (avm1::Object* o = self.get(); o && !handler && guard < 256; o = o->proto.get(), ++guard)
        handler = o->findOwn("onUnload", m_vm->nameCase());
    if (handler && (handler->getter || (handler->value.obj() && handler->value.obj()->kind == avm1::ObjectKind::Function)))
        group.push_back(Pending{m_root->id(), {}, "onUnload", nullptr, self});
    m_unload.insert(m_unload.begin(), group.begin(), group.end());
}

void ScriptHost::frameEntered(MovieClip& clip, std::uint16_t frame) {
    if (frame < 1 || frame > clip.frameCount()) return;
    const Frame& f = clip.timeline().frame(frame);
    for (const swf::Tag* t : f.tags)
        if (auto* init = std::get_if<swf::DoInitAction>(&t->body))
            // Ahead of the constructors of the frame's new clips, so that a class the init
            // actions register is the one their instances are made with.
            if (m_initDone.insert(init->spriteId).second) m_initQueue.push_back(Pending{clip.id(), init->actions, nullptr});
    for (const swf::Tag* t : f.tags)
        if (auto* a = std::get_if<swf::DoAction>(&t->body)) m_queue.push_back(Pending{clip.id(), a->actions, nullptr});
}

// ---- avm1::Host: structure ----

avm1::ClipId ScriptHost::root() { return m_root ? m_root->id() : 0; }

avm1::ClipId ScriptHost::parent(avm1::ClipId clip) {
    MovieClip* c = find(clip);
    if (!c) {
        MovieClip* holder = nullptr;
        return textEntry(clip, &holder) ? holder->id() : 0;
    }
    return c->parent() ? c->parent()->id() : 0;
}

avm1::ClipId ScriptHost::child(avm1::ClipId clip, std::string_view name, avm1::NameCase mode) {
    MovieClip* c = find(clip);
    if (!c || name.empty()) return 0;
    for (const auto& [depth, obj] : c->displayList())
        if (obj.clip && avm1::sameName(this->name(obj.clip->id()), name, mode)) return obj.clip->id();
    for (const auto& [depth, obj] : c->displayList())
        if (obj.editText && avm1::sameName(obj.placement.name, name, mode)) return registerText(*c, obj);
    for (const auto& [depth, obj] : c->displayList())
        if (obj.kind == CharacterKind::Button && !obj.placement.name.empty() && avm1::sameName(obj.placement.name, name, mode))
            return registerButton(*c, obj);
    // A named shape or static text has no object of its own: its name gives the clip that
    // holds it.
    for (const auto& [depth, obj] : c->displayList())
        if ((obj.kind == CharacterKind::Shape || obj.kind == CharacterKind::MorphShape || obj.kind == CharacterKind::Text) &&
            !obj.placement.name.empty() && avm1::sameName(obj.placement.name, name, mode))
            return clip;
    return 0;
}

bool ScriptHost::alive(avm1::ClipId clip) { return find(clip) != nullptr || textEntry(clip) != nullptr; }

std::string ScriptHost::name(avm1::ClipId clip) {
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    if (e && !e->placement.name.empty()) return e->placement.name;
    auto it = m_autoNames.find(clip);
    return it != m_autoNames.end() ? it->second : std::string();
}

std::vector<avm1::ClipId> ScriptHost::children(avm1::ClipId clip) {
    std::vector<avm1::ClipId> out;
    if (MovieClip* c = find(clip))
        for (const auto& [depth, obj] : c->displayList())
            if (obj.clip) out.push_back(obj.clip->id());
    return out;
}

void ScriptHost::setName(avm1::ClipId clip, const std::string& name) {
    MovieClip* c = find(clip);
    if (DisplayObject* e = c ? entryOf(*c) : textEntry(clip)) e->placement.name = name;
}

// ---- properties ----

double ScriptHost::property(avm1::ClipId clip, avm1::ClipProp prop) {
    using avm1::ClipProp;
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    if (!c && !e) return 0;
    swf::Matrix m = e ? e->placement.matrix : swf::Matrix{};
    if (!c && e->editText && (prop == ClipProp::Width || prop == ClipProp::Height)) return textSize(*e, prop == ClipProp::Width);
    if (!c && (prop == ClipProp::CurrentFrame || prop == ClipProp::TotalFrames || prop == ClipProp::FramesLoaded))
        return 0;
    switch (prop) {
    case ClipProp::X: return m.tx / 20.0;
    case ClipProp::Y: return m.ty / 20.0;
    case ClipProp::XScale: return scaleOf(m.a, m.b) * 100;
    case ClipProp::YScale: return scaleOf(m.c, m.d) * 100;
    case ClipProp::Rotation: return std::atan2(m.b, m.a) * 180 / kPi;
    case ClipProp::Width:
    case ClipProp::Height: {
        updateDrawings();  // drawings made by the running script count at once
        Box box;
        if (c) boundsOf(*c, m, m_library, box, 0);
        else buttonBounds(*e, m, m_library, box, 0);
        if (box.empty()) return 0;
        return (prop == ClipProp::Width ? box.x1 - box.x0 : box.y1 - box.y0) / 20.0;
    }
    case ClipProp::CurrentFrame: return c->currentFrame();
    case ClipProp::TotalFrames:
    case ClipProp::FramesLoaded: return c->frameCount();
    case ClipProp::Alpha: return e ? e->placement.colorTransform.aMul / 2.56 : 100;
    case ClipProp::Visible: return e ? (e->placement.visible ? 1 : 0) : 1;
    case ClipProp::HighQuality: return 1;
    case ClipProp::FocusRect: return 1;
    case ClipProp::SoundBufTime: return 5;
    default: return 0;
    }
}

void ScriptHost::setProperty(avm1::ClipId clip, avm1::ClipProp prop, double v) {
    using avm1::ClipProp;
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    if (!e || std::isnan(v)) return;
    if (!c && e->editText && (prop == ClipProp::Width || prop == ClipProp::Height)) {
        setTextSize(*e, prop == ClipProp::Width, v);  // a field's box takes the size
        return;
    }
    if (prop != ClipProp::Visible) e->scriptTransformed = true;
    swf::Matrix& m = e->placement.matrix;
    auto twips = [](double px) { return static_cast<std::int32_t>(std::clamp(px * 20, -2.0e9, 2.0e9)); };
    switch (prop) {
    case ClipProp::X: m.tx = twips(v); break;
    case ClipProp::Y: m.ty = twips(v); break;
    case ClipProp::XScale: {
        double s = scaleOf(m.a, m.b), k = v / 100;
        if (s == 0) {
            m.a = k;
            m.b = 0;
        } else {
            m.a = m.a / s * k;
            m.b = m.b / s * k;
        }
        break;
    }
    case ClipProp::YScale: {
        double s = scaleOf(m.c, m.d), k = v / 100;
        if (s == 0) {
            m.c = 0;
            m.d = k;
        } else {
            m.c = m.c / s * k;
            m.d = m.d / s * k;
        }
        break;
    }
    case ClipProp::Rotation: {
        double sx = scaleOf(m.a, m.b), sy = scaleOf(m.c, m.d);
        double r = std::fmod(v, 360.0) * kPi / 180;
        m.a = std::cos(r) * sx;
        m.b = std::sin(r) * sx;
        m.c = -std::sin(r) * sy;
        m.d = std::cos(r) * sy;
        break;
    }
    case ClipProp::Width:
    case ClipProp::Height: {
        // Scales the clip so that its bounds in the parent get the new size.
        double now = property(clip, prop);
        bool w = prop == ClipProp::Width;
        if (now <= 0 || v < 0) break;
        double scale = property(clip, w ? ClipProp::XScale : ClipProp::YScale);
        setProperty(clip, w ? ClipProp::XScale : ClipProp::YScale, scale * v / now);
        break;
    }
    case ClipProp::Alpha:
        e->placement.colorTransform.aMul = static_cast<std::int16_t>(std::clamp(v * 2.56, -32768.0, 32767.0));
        break;
    case ClipProp::Visible: e->placement.visible = v != 0; break;
    default: break;
    }
}

void ScriptHost::colorTransform(avm1::ClipId clip, double out[8]) {
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    swf::ColorTransform cx = e ? e->placement.colorTransform : swf::ColorTransform{};
    const std::int16_t v[8] = {cx.rMul, cx.gMul, cx.bMul, cx.aMul, cx.rAdd, cx.gAdd, cx.bAdd, cx.aAdd};
    for (int i = 0; i < 8; ++i) out[i] = i < 4 ? v[i] / 256.0 : v[i];
}

void ScriptHost::setColorTransform(avm1::ClipId clip, const double in[8]) {
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    if (!e) return;
    e->scriptTransformed = true;
    std::int16_t v[8];
    for (int i = 0; i < 8; ++i) {
        // Values wrap into 16 bits, as in the reference player.
        double d = i < 4 ? in[i] * 256 : in[i];
        v[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(avm1::toInt32(d)));
    }
    e->placement.colorTransform = swf::ColorTransform{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

bool ScriptHost::effects(avm1::ClipId clip, avm1::ClipEffects& out) {
    MovieClip* c = find(clip);
    const DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    if (!e) return false;
    const Placement& p = e->placement;
    out.filters = p.filters;
    out.blendMode = p.blendMode;
    out.cacheAsBitmap = p.cacheAsBitmap;
    out.opaqueBackground.reset();
    if (p.background) out.opaqueBackground = std::uint32_t{p.background->r} << 16 | p.background->g << 8 | p.background->b;
    out.scrollRect = p.scrollRect;
    out.mask = find(e->maskClip) || textEntry(e->maskClip) ? e->maskClip : 0;
    return true;
}

void ScriptHost::setEffects(avm1::ClipId clip, const avm1::ClipEffects& in) {
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : textEntry(clip);
    if (!e) return;
    Placement& p = e->placement;
    p.filters = in.filters;
    p.blendMode = in.blendMode;
    p.cacheAsBitmap = in.cacheAsBitmap;
    p.background.reset();
    if (in.opaqueBackground) {
        const std::uint32_t rgb = *in.opaqueBackground;
        p.background = swf::Rgba{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                                 static_cast<std::uint8_t>(rgb), 255};
    }
    p.scrollRect = in.scrollRect;
    if (in.mask == e->maskClip) return;
    // A clip or a text field can mask.
    auto entry = [&](avm1::ClipId id) {
        MovieClip* mc = find(id);
        return mc ? entryOf(*mc) : textEntry(id);
    };
    if (DisplayObject* m = entry(e->maskClip)) m->scriptMask = false;
    DisplayObject* m = entry(in.mask);
    e->maskClip = m ? in.mask : 0;
    if (!m) return;
    // Both leave the masking of the timeline.
    m->scriptMask = true;
    m->placement.clipDepth = 0;
    e->placement.clipDepth = 0;
}

swf::Matrix ScriptHost::globalMatrix(const MovieClip& clip) const {
    swf::Matrix m;
    unsigned guard = 0;
    for (const MovieClip* c = &clip; c && guard < 256; c = c->parent(), ++guard)
        if (const DisplayObject* e = entryOf(*c)) m = concat(e->placement.matrix, m);
    return m;
}

void ScriptHost::convertPoint(avm1::ClipId clip, double& x, double& y, Direction dir) {
    MovieClip* c = find(clip);
    if (!c) return;
    swf::Matrix g = globalMatrix(*c);
    if (dir == Direction::ToLocal) g = invert(g);
    double tx = (g.a * x * 20 + g.c * y * 20 + g.tx) / 20, ty = (g.b * x * 20 + g.d * y * 20 + g.ty) / 20;
    x = tx;
    y = ty;
}

bool ScriptHost::bounds(avm1::ClipId clip, avm1::ClipId space, double out[4]) {
    MovieClip* c = find(clip);
    MovieClip* s = find(space);
    if (!c) return false;
    updateDrawings();
    swf::Matrix m = globalMatrix(*c);
    if (s) m = concat(invert(globalMatrix(*s)), m);
    Box box;
    boundsOf(*c, m, m_library, box, 0);
    if (box.empty()) return false;
    out[0] = box.x0 / 20;
    out[1] = box.x1 / 20;
    out[2] = box.y0 / 20;
    out[3] = box.y1 / 20;
    return true;
}

double ScriptHost::stageSize(bool height) {
    const swf::Rect& r = m_movie.header.frameSize;
    return (height ? r.yMax - r.yMin : r.xMax - r.xMin) / 20.0;
}

// ---- timeline control ----

void ScriptHost::gotoFrame(avm1::ClipId clip, int frame, bool play) {
    MovieClip* c = find(clip);
    if (!c || frame < 1) return;  // frames before the first are ignored
    c->gotoFrame(static_cast<std::uint16_t>(std::min(frame, static_cast<int>(c->frameCount()))));
    if (play) c->play();
    else c->stop();
}

bool ScriptHost::gotoLabel(avm1::ClipId clip, const std::string& label, bool play) {
    MovieClip* c = find(clip);
    if (!c || !c->gotoLabel(label)) return false;
    if (play) c->play();
    else c->stop();
    return true;
}

void ScriptHost::play(avm1::ClipId clip) {
    if (MovieClip* c = find(clip)) c->play();
}

void ScriptHost::stop(avm1::ClipId clip) {
    if (MovieClip* c = find(clip)) c->stop();
}

bool ScriptHost::frameLoaded(avm1::ClipId clip, int frame) {
    // The whole movie is loaded: every frame a timeline can have counts as loaded, even past
    // the clip's own last frame (16,000 frames is the format's limit).
    constexpr int kMaxFrames = 16001;
    return find(clip) && frame <= kMaxFrames;
}

std::vector<std::span<const std::uint8_t>> ScriptHost::frameActions(avm1::ClipId clip, const std::string& frame) {
    std::vector<std::span<const std::uint8_t>> out;
    MovieClip* c = find(clip);
    if (!c) return out;
    double n = avm1::stringToNumber(frame, 7);
    std::optional<std::uint16_t> f;
    if (std::isfinite(n)) {
        if (n >= 1 && n <= c->frameCount()) f = static_cast<std::uint16_t>(n);
    } else {
        f = c->timeline().labelFrame(frame);
    }
    if (!f) return out;
    for (const swf::Tag* t : c->timeline().frame(*f).tags)
        if (auto* a = std::get_if<swf::DoAction>(&t->body)) out.emplace_back(a->actions);
    return out;
}

// ---- clips made by scripts ----

void ScriptHost::placeChild(MovieClip& parent, int depth, const Timeline& timeline, std::uint16_t characterId,
                            const Placement& placement) {
    m_scriptPlacing = true;
    m_lastPlaced = parent.addClip(depth, timeline, characterId, placement);
    m_scriptPlacing = false;
}

avm1::ClipId ScriptHost::createEmpty(avm1::ClipId parentId, const std::string& name, int depth) {
    MovieClip* p = find(parentId);
    if (!p) return 0;
    Placement pl;
    pl.name = name;
    placeChild(*p, depth, *m_emptyTimeline, 0, pl);
    return m_lastPlaced ? m_lastPlaced->id() : 0;
}

avm1::ClipId ScriptHost::attach(avm1::ClipId parentId, const std::string& exportName, const std::string& name, int depth) {
    MovieClip* p = find(parentId);
    std::optional<std::uint16_t> id;
    if (const LoadedMovie* m = movieOf(parentId))
        if (auto it = m->exports.find(exportName); it != m->exports.end()) id = it->second;
    if (!id) id = m_library.exported(exportName);
    const Character* ch = id ? m_library.find(*id) : nullptr;
    if (p && ch && ch->kind == CharacterKind::Button) return attachButton(*p, *id, name, depth);
    if (!p || !ch || ch->kind != CharacterKind::Sprite || !ch->timeline) return 0;
    Placement pl;
    pl.name = name;
    placeChild(*p, depth, *ch->timeline, *id, pl);
    return m_lastPlaced ? m_lastPlaced->id() : 0;
}

avm1::ClipId ScriptHost::duplicate(avm1::ClipId clip, const std::string& name, int depth) {
    if (isButton(clip)) return duplicateButton(clip, name, depth);
    MovieClip* c = find(clip);
    DisplayObject* e = c ? entryOf(*c) : nullptr;
    if (!e || !c->parent()) return 0;
    Placement pl = e->placement;
    pl.name = name;
    const Timeline& timeline = c->timeline();
    placeChild(*c->parent(), depth, timeline, c->characterId(), pl);
    if (!m_lastPlaced) return 0;
    // The copy keeps the clip events of its original.
    if (auto it = m_clipActions.find(clip); it != m_clipActions.end()) {
        auto copy = it->second;
        m_clipActions[m_lastPlaced->id()] = copy;
        for (const swf::ClipAction* a : copy)
            if (a->events & kEventLoad) m_queue.push_back(Pending{m_lastPlaced->id(), a->actions, nullptr});
    }
    return m_lastPlaced->id();
}

// The clip that holds a clip or text field in its display list.
MovieClip* ScriptHost::holderOf(avm1::ClipId clip) {
    if (MovieClip* c = find(clip)) return c->parent();
    MovieClip* holder = nullptr;
    return textEntry(clip, &holder) ? holder : nullptr;
}

void ScriptHost::remove(avm1::ClipId clip) {
    if (MovieClip* holder = holderOf(clip)) holder->removeDepth(depth(clip));
}

int ScriptHost::depth(avm1::ClipId clip) {
    MovieClip* holder = holderOf(clip);
    if (!holder) return 0;
    for (const auto& [d, obj] : holder->displayList())
        if (obj.clip ? obj.clip->id() == clip : obj.instanceId == clip) return d;
    return 0;
}

void ScriptHost::swapDepths(avm1::ClipId clip, int to) {
    if (MovieClip* holder = holderOf(clip)) holder->swapDepth(depth(clip), to);
}

avm1::ClipId ScriptHost::atDepth(avm1::ClipId parentId, int d) {
    MovieClip* p = find(parentId);
    if (!p) return 0;
    auto it = p->displayList().find(d);
    if (it == p->displayList().end()) return 0;
    // Objects without a script object of their own (shapes, static texts) answer with their parent.
    if (it->second.editText) return registerText(*p, it->second);
    if (it->second.kind == CharacterKind::Button) return registerButton(*p, it->second);
    return it->second.clip ? it->second.clip->id() : parentId;
}

int ScriptHost::nextHighestDepth(avm1::ClipId parentId) {
    MovieClip* p = find(parentId);
    int next = 16384;
    if (p && !p->displayList().empty()) next = std::max(next, p->displayList().rbegin()->first + 1);
    return next;
}

void ScriptHost::draw(avm1::ClipId clip, const avm1::DrawOp& op) {
    auto& ops = m_drawing[clip];
    if (op.kind == avm1::DrawOp::Kind::Clear) ops.clear();
    else if (ops.size() < kMaxDrawOps) ops.push_back(op);
    m_drawingChanged.insert(clip);
}

void ScriptHost::updateDrawings() {
    for (avm1::ClipId id : m_drawingChanged) {
        MovieClip* c = find(id);
        auto it = m_drawing.find(id);
        if (!c || it == m_drawing.end()) continue;
        if (it->second.empty()) {
            c->setDrawing(nullptr);
            continue;
        }
        swf::DefineShape def = buildDrawingShape(it->second);
        c->setDrawing(std::make_shared<const ConvertedShape>(convertDefineShape(def)));
    }
    m_drawingChanged.clear();
}

const std::vector<avm1::DrawOp>* ScriptHost::drawing(const MovieClip& clip) const {
    auto it = m_drawing.find(clip.id());
    return it == m_drawing.end() ? nullptr : &it->second;
}

// ---- output ----

void ScriptHost::trace(std::string_view message) {
    if (m_traceSink) m_traceSink(message);
}

bool ScriptHost::isWebAddress(std::string_view url) {
    auto startsWith = [&url](std::string_view p) {
        return url.size() > p.size() && avm1::sameName(url.substr(0, p.size()), p, avm1::NameCase::Insensitive);
    };
    if (!startsWith("http://") && !startsWith("https://")) return false;
    // Nothing a shell could take for more than one address or an option.
    for (char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == '"' || c == 0x7F) return false;
    return true;
}

void ScriptHost::getUrl(const std::string& url, const std::string& target) {
    // Scripts reach no files and no network from here; fscommand("quit") ends a headless run,
    // and web addresses go to the embedding's opener when it has one.
    constexpr std::string_view kFs = "FSCommand:";
    if (url.size() >= kFs.size() && avm1::sameName(std::string_view(url).substr(0, kFs.size()), kFs, avm1::NameCase::Insensitive)) {
        if (avm1::sameName(std::string_view(url).substr(kFs.size()), "quit", avm1::NameCase::Insensitive)) m_quit = true;
        return;
    }
    // A "_levelN" target loads a movie there: no navigation.
    const bool level = target.size() > 6 && avm1::sameName(std::string_view(target).substr(0, 6), "_level", avm1::NameCase::Insensitive);
    if (!m_openUrl || level || !isWebAddress(url) || m_timeMs - m_lastUrlMs < 1000) return;
    m_lastUrlMs = m_timeMs;
    m_openUrl(url);
}

// Sound objects queue their requests with the frames' sound tags; a movie played without
// sound collects none.
void ScriptHost::soundStart(avm1::ClipId target, const std::string& sound, double offsetSeconds, int loops) {
    (void)target;
    auto id = m_library.exported(sound);
    if (!m_ctx.sounds || !id) return;
    SoundEvent e;
    e.action = SoundAction::Start;
    e.soundId = *id;
    e.loops = static_cast<std::uint16_t>(std::clamp(loops, 1, 65535));
    e.value = offsetSeconds;
    m_ctx.sounds->push_back(e);
}

void ScriptHost::soundStop(avm1::ClipId target, const std::string& sound) {
    (void)target;
    if (!m_ctx.sounds) return;
    SoundEvent e;
    e.action = SoundAction::Stop;
    if (!sound.empty()) {
        auto id = m_library.exported(sound);
        if (!id) return;
        e.soundId = *id;
    }
    m_ctx.sounds->push_back(e);
}

void ScriptHost::soundVolume(avm1::ClipId target, double percent) {
    (void)target;
    if (!m_ctx.sounds) return;
    SoundEvent e;
    e.action = SoundAction::Volume;
    e.value = percent;
    m_ctx.sounds->push_back(e);
}

}  // namespace player

#include "player/player.h"

#include <algorithm>
#include <cmath>

#include "core/file_io.h"
#include "player/script_host.h"
#include "swf/tag_codes.h"

namespace player {

Player::Player(std::unique_ptr<swf::Movie> movie, const PlayerOptions& options)
    : m_movie(std::move(movie)), m_options(options), m_hits(m_library) {
    m_library.build(*m_movie);
    m_fonts = std::make_unique<FontCache>(m_library);
    m_ctx.fonts = m_fonts.get();
    m_mainTimeline = std::make_unique<Timeline>(m_movie->tags);
    m_ctx.library = &m_library;
    m_ctx.maxInstances = options.maxInstances;
    m_ctx.maxNesting = options.maxNesting;
    if (options.runScripts) {
        m_scripts = createScripts(*m_movie, m_library, m_ctx, options.scriptStepBudget);
        m_ctx.events = m_scripts.get();
    }
    m_root = std::make_unique<MovieClip>(m_ctx, *m_mainTimeline, 0);
    if (m_scripts) m_scripts->setRoot(m_root.get());
    if (ScriptHost* host = scripts(); host && options.openUrl) host->setUrlOpener(options.openUrl);
    if (ScriptHost* host = scripts(); host && options.loadFile) host->setFileLoader(options.loadFile, m_library);
    m_root->setLooping(options.loop);
    for (const swf::Tag& t : m_movie->tags)
        if (auto* snd = std::get_if<swf::SoundTag>(&t.body); snd && t.code == static_cast<std::uint16_t>(swf::TagCode::DefineButtonSound))
            m_buttonSounds.emplace_back(snd->id, snd);
    for (const swf::Tag& t : m_movie->tags) {
        if (auto* bg = std::get_if<swf::SetBackgroundColor>(&t.body)) {
            m_background = bg->color;
            m_background.a = 255;
            break;
        }
    }
}

Player::~Player() {
    m_root.reset();  // before the script host that follows the clips
}

std::unique_ptr<Player> Player::fromMovie(swf::Movie movie, const PlayerOptions& options) {
    return std::unique_ptr<Player>(new Player(std::make_unique<swf::Movie>(std::move(movie)), options));
}

core::Result<std::unique_ptr<Player>> Player::loadBytes(std::span<const std::uint8_t> bytes,
                                                        const PlayerOptions& options) {
    auto movie = swf::parseMovie(bytes, options.parse);
    if (!movie) return movie.error();
    return fromMovie(std::move(movie).value(), options);
}

core::Result<std::unique_ptr<Player>> Player::loadFile(const std::string& path,
                                                       const PlayerOptions& options) {
    auto bytes = core::readFile(path, options.parse.maxDecompressedBytes);
    if (!bytes) return bytes.error();
    return loadBytes(*bytes, options);
}

namespace {

int clampedPixels(std::int32_t minTwips, std::int32_t maxTwips, unsigned limit) {
    std::int64_t px = (static_cast<std::int64_t>(maxTwips) - minTwips) / 20;
    return static_cast<int>(std::clamp<std::int64_t>(px, 1, limit));
}

}  // namespace

int Player::stageWidth() const {
    const swf::Rect& r = m_movie->header.frameSize;
    return clampedPixels(r.xMin, r.xMax, m_options.parse.maxStagePixels);
}

int Player::stageHeight() const {
    const swf::Rect& r = m_movie->header.frameSize;
    return clampedPixels(r.yMin, r.yMax, m_options.parse.maxStagePixels);
}

void Player::advance() {
    if (!m_scripts) {
        advanceClips(m_ctx);
    } else {
        double fps = frameRate() > 0 ? frameRate() : 12;
        m_scripts->setTime(m_ticks * 1000.0 / fps);
        ++m_ticks;
        m_scripts->beforeTick();
        advanceClips(m_ctx);
        m_scripts->afterTick();
    }
    if (m_pointerKnown) apply(m_buttons.pointerAt(buttonUnderPointer()));
}

DrawList Player::drawList() const {
    std::vector<const MovieClip*> levels{m_root.get()};
    if (m_scripts)
        for (MovieClip* level : m_scripts->levels()) levels.push_back(level);
    return buildDrawList(levels, m_library);
}

void Player::collectButtons(MovieClip& clip, const DrawMatrix& m, bool under, unsigned nesting) {
    for (auto& [depth, obj] : clip.displayList()) {
        if (!obj.placement.visible || obj.placement.clipDepth > 0) continue;
        const DrawMatrix wm = concat(m, toDrawMatrix(obj.placement.matrix));
        if (obj.clip && nesting < m_options.maxNesting) {
            // A clip with mouse handlers takes the mouse for everything in it.
            const std::uint32_t id = obj.clip->id();
            if (!m_scripts || !m_scripts->actsAsButton(id)) {
                collectButtons(*obj.clip, wm, under, nesting + 1);
                continue;
            }
            m_onStage.emplace_back(id, ButtonOnStage{&obj, obj.clip.get(), nullptr});
            if (under && m_scripts->mouseEnabled(id) && clipContains(*obj.clip, wm, nesting + 1))
                m_topButton = ButtonTarget{id, m_scripts->tracksAsMenu(id, false)};
        } else if (obj.kind == CharacterKind::Button) {
            const Character* c = m_library.find(obj.placement.characterId);
            if (!c) continue;
            const auto* def = std::get<const swf::DefineButton*>(c->def);
            m_onStage.emplace_back(obj.instanceId, ButtonOnStage{&obj, &clip, def});
            // Later objects are drawn on top: the last button hit is the topmost.
            if (under && (!m_scripts || m_scripts->mouseEnabled(obj.instanceId)) &&
                m_hits.buttonContains(*def, wm, m_pointerX, m_pointerY))
                m_topButton = ButtonTarget{obj.instanceId, m_scripts ? m_scripts->tracksAsMenu(obj.instanceId, def->trackAsMenu)
                                                                     : def->trackAsMenu};
        }
    }
}

bool Player::clipContains(const MovieClip& clip, const DrawMatrix& m, unsigned nesting) {
    if (nesting > m_options.maxNesting) return false;
    if (const auto& d = clip.drawing(); d && shapeContains(*d, m, m_pointerX, m_pointerY)) return true;
    for (const auto& [depth, obj] : clip.displayList()) {
        if (!obj.placement.visible || obj.placement.clipDepth > 0) continue;
        const DrawMatrix wm = concat(m, toDrawMatrix(obj.placement.matrix));
        if (obj.clip ? clipContains(*obj.clip, wm, nesting + 1)
                     : m_hits.characterContains(obj.placement.characterId, wm, m_pointerX, m_pointerY))
            return true;
    }
    return false;
}

const Player::ButtonOnStage* Player::onStage(std::uint32_t id) const {
    for (const auto& [instance, b] : m_onStage)
        if (instance == id) return &b;
    return nullptr;
}

ButtonTarget Player::buttonUnderPointer() {
    m_onStage.clear();
    m_topButton = {};
    collectButtons(*m_root, DrawMatrix{}, m_pointerKnown, 0);
    if (m_scripts)  // higher levels lie on top
        for (MovieClip* level : m_scripts->levels()) collectButtons(*level, DrawMatrix{}, m_pointerKnown, 0);
    // Buttons that left the stage are neither hovered nor pressed any more.
    for (std::uint32_t id : {m_buttons.hovered(), m_buttons.pressed()})
        if (id && !onStage(id)) m_buttons.forget(id);
    return m_topButton;
}

void Player::apply(const std::vector<ButtonEvent>& events) {
    for (const ButtonEvent& e : events) {
        const ButtonOnStage* found = onStage(e.id);
        if (!found) continue;
        const ButtonOnStage& b = *found;
        if (b.def) b.object->buttonState = e.state;
        // A disabled button or clip fires nothing (it is out of the hit test; this is one that
        // a script disabled while the pointer was on it).
        if (m_scripts && !m_scripts->mouseEnabled(e.id)) continue;
        // The handlers scripts gave the button run after its own actions.
        if (!b.def) {
            m_scripts->queueMouseEvent(e.id, e.condition);
            continue;
        }
        if (m_ctx.sounds) queueButtonSound(b.def->id, e.condition, b.clip->id());
        for (const swf::ButtonCondAction& a : b.def->actions) {
            // The low nine bits are the transitions; the key code above them is for keys.
            if ((a.conditions & 0x01FF & e.condition) == 0) continue;
            if (m_scripts)
                m_scripts->queueActions(*b.clip, a.actions);
            else
                m_pending.push_back(PendingAction{e.id, b.def->id, e.condition, &a.actions, b.clip});
        }
        if (m_scripts) m_scripts->queueMouseEvent(e.id, e.condition);
    }
    if (m_scripts) m_scripts->runEventActions();
}

void Player::queueButtonSound(std::uint16_t buttonId, std::uint16_t condition, std::uint32_t clipId) {
    // DefineButtonSound has a sound for four transitions, in this order.
    namespace bc = button_condition;
    static constexpr std::uint16_t kTransitions[4] = {bc::kOverUpToIdle, bc::kIdleToOverUp, bc::kOverUpToOverDown,
                                                      bc::kOverDownToOverUp};
    for (std::uint16_t i = 0; i < 4; ++i) {
        if (!(condition & kTransitions[i])) continue;
        for (const auto& [id, tag] : m_buttonSounds)
            if (id == buttonId) {
                SoundEvent e{static_cast<std::uint16_t>(swf::TagCode::DefineButtonSound), tag, clipId, i};
                m_ctx.sounds->push_back(e);
                return;
            }
    }
}

void Player::mouseMove(double x, double y) {
    const swf::Rect& r = m_movie->header.frameSize;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    m_pointerX = static_cast<float>(std::clamp(x, -1e6, 1e6) * 20.0 + r.xMin);
    m_pointerY = static_cast<float>(std::clamp(y, -1e6, 1e6) * 20.0 + r.yMin);
    m_pointerKnown = true;
    apply(m_buttons.pointerAt(buttonUnderPointer()));
    if (m_scripts) m_scripts->input(Input::MouseMove);
}

void Player::mouseDown() {
    // The stage may have changed under the pointer since it last moved; the scripts of those
    // transitions may change it again, so the buttons are found anew before the press.
    apply(m_buttons.pointerAt(buttonUnderPointer()));
    buttonUnderPointer();
    apply(m_buttons.press());
    if (m_scripts) m_scripts->input(Input::MouseDown);
}

void Player::mouseUp() {
    apply(m_buttons.pointerAt(buttonUnderPointer()));
    buttonUnderPointer();
    apply(m_buttons.release());
    if (m_scripts) m_scripts->input(Input::MouseUp);
}

void Player::keyDown(int code, int ascii) {
    if (m_scripts) m_scripts->input(Input::KeyDown, code, ascii);
}

void Player::keyUp(int code) {
    if (m_scripts) m_scripts->input(Input::KeyUp, code);
}

EditText* Player::editTextAt(MovieClip& clip, Depth depth) {
    auto it = clip.displayList().find(depth);
    return it == clip.displayList().end() ? nullptr : it->second.editText.get();
}

ScriptHost* Player::scripts() {
    // Only ScriptHost implements Scripts; the cast needs nothing of the interpreter at link time.
    return static_cast<ScriptHost*>(m_scripts.get());
}

void Player::rewind() {
    m_root->gotoFrame(1);
    m_root->stop();
}

}  // namespace player

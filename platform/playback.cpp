#include "platform/playback.h"

#include <algorithm>
#include <cmath>

namespace platform {

double effectiveFrameRate(double headerRate) {
    if (!(headerRate > 0.0)) return kMaxFrameRate;  // 0, negative or not a number
    return std::clamp(headerRate, kMinFrameRate, kMaxFrameRate);
}

// --- FrameClock ------------------------------------------------------------------------------

FrameClock::FrameClock(double framesPerSecond, unsigned maxCatchUp)
    : m_periodUs(1e6 / effectiveFrameRate(framesPerSecond)), m_maxCatchUp(std::max(1u, maxCatchUp)) {}

void FrameClock::setRate(double framesPerSecond) { m_periodUs = 1e6 / effectiveFrameRate(framesPerSecond); }

void FrameClock::start(std::int64_t now) {
    m_running = true;
    m_base = now;
    m_index = 0;
}

std::int64_t FrameClock::dueTime(std::uint64_t index) const {
    // From the base each time, so rounding never accumulates over a long run.
    return m_base + static_cast<std::int64_t>(std::llround(static_cast<double>(index) * m_periodUs));
}

unsigned FrameClock::take(std::int64_t now) {
    if (!m_running) return 0;
    const std::int64_t next = dueTime(m_index + 1);
    if (now < next) return 0;
    // Frames whose due time has come: index + 1 .. index + n.
    const double late = static_cast<double>(now - m_base) / m_periodUs;
    std::uint64_t reached = static_cast<std::uint64_t>(std::floor(late));
    // Rounding of dueTime() may put `now` exactly on a frame that floor() just misses.
    while (dueTime(reached + 1) <= now) ++reached;
    while (reached > m_index && dueTime(reached) > now) --reached;
    const std::uint64_t due = std::max<std::uint64_t>(1, reached - m_index);
    if (due > m_maxCatchUp) {
        m_dropped += due - m_maxCatchUp;
        start(now);  // the last frame shown is the one shown now
        return m_maxCatchUp;
    }
    m_index += due;
    return static_cast<unsigned>(due);
}

std::int64_t FrameClock::untilNext(std::int64_t now) const {
    if (!m_running) return -1;
    return std::max<std::int64_t>(0, dueTime(m_index + 1) - now);
}

// --- Pictures --------------------------------------------------------------------------------

namespace {

bool sameItem(const player::DrawItem& a, const player::DrawItem& b) {
    return a.characterId == b.characterId && a.kind == b.kind && a.depth == b.depth &&
           a.matrix == b.matrix && a.colorTransform == b.colorTransform && a.ratio == b.ratio &&
           a.blendMode == b.blendMode && a.clipLayers == b.clipLayers && a.maskOf == b.maskOf &&
           a.editText == b.editText && a.textRevision == b.textRevision && a.drawing == b.drawing;
}

// Sprites loop: only a halted one or one of a single frame stays as it is.
bool clipHalted(const player::MovieClip& clip) {
    return clip.currentFrame() != 0 && (!clip.isPlaying() || clip.frameCount() <= 1);
}

bool clipStill(const player::MovieClip& clip, unsigned nesting) {
    if (nesting > 256) return false;  // deeper than the player allows: assume it moves
    for (const auto& entry : clip.displayList()) {
        const player::DisplayObject& obj = entry.second;
        if (obj.clip && (!clipHalted(*obj.clip) || !clipStill(*obj.clip, nesting + 1))) return false;
        // Sprites shown by a button's records run their own timelines too.
        for (const auto& shown : obj.buttonClips)
            if (shown && (!clipHalted(*shown) || !clipStill(*shown, nesting + 1))) return false;
    }
    return true;
}

}  // namespace

bool sameDrawList(const player::DrawList& a, const player::DrawList& b) {
    if (a.items.size() != b.items.size() || a.clipLayers.size() != b.clipLayers.size()) return false;
    for (std::size_t i = 0; i < a.items.size(); ++i)
        if (!sameItem(a.items[i], b.items[i])) return false;
    for (std::size_t i = 0; i < a.clipLayers.size(); ++i)
        if (a.clipLayers[i].items != b.clipLayers[i].items) return false;
    return true;
}

bool isStill(const player::Player& player, bool rootLoops) {
    const player::MovieClip& root = player.root();
    if (root.currentFrame() == 0) return false;  // frame 1 not entered yet
    const bool atEnd = root.currentFrame() >= root.frameCount();
    const bool halted = !root.isPlaying() || root.frameCount() <= 1 || (atEnd && !rootLoops);
    return halted && clipStill(root, 0);
}

void toDibWords(const render::Pixmap& src, std::uint32_t* dst, std::size_t dstStride) {
    const int w = src.width();
    for (int y = 0; y < src.height(); ++y) {
        const render::Pixel* in = src.row(y);
        std::uint32_t* out = dst + static_cast<std::size_t>(y) * dstStride;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = in[x];  // r | g << 8 | b << 16 | a << 24
            out[x] = ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
        }
    }
}

// --- Playback --------------------------------------------------------------------------------

Playback::Playback(const PlaybackSettings& settings)
    : m_settings(settings), m_clock(12.0, settings.maxCatchUp) {}

Playback::~Playback() = default;

core::Status Playback::load(std::span<const std::uint8_t> bytes, std::int64_t now) {
    unload();
    // The engine's timeline always loops; a playback without Loop halts it on its last frame
    // itself (tick() below), so that the setting can change while a movie plays.
    player::PlayerOptions options;
    options.loop = true;
    options.openUrl = m_settings.openUrl;
    options.loadFile = m_settings.loadFile;
    auto loadedPlayer = player::Player::loadBytes(bytes, options);
    if (!loadedPlayer) return loadedPlayer.error();
    m_player = std::move(loadedPlayer).value();
    m_renderer = std::make_unique<player::FrameRenderer>(m_player->library());
    m_renderer->setQuality(m_settings.quality);
    m_clock.setRate(m_player->frameRate());
    if (m_sound) {
        m_player->collectSounds(true);
        m_sound->movieLoaded(*m_player);
    }
    advance();  // frame 1
    if (!m_settings.playOnLoad) m_player->stop();
    restartClock(now);
    return core::okStatus();
}

void Playback::advance() {
    m_player->advance();
    if (m_sound) m_sound->frameRan(m_player->takeSoundEvents());
}

void Playback::unload() {
    if (m_sound && m_player) m_sound->movieUnloaded();
    m_clock.halt();
    m_renderer.reset();  // refers to the player's library
    m_player.reset();
    m_haveLast = false;
}

void Playback::restartClock(std::int64_t now) {
    if (m_player) m_clock.start(now);
}

unsigned Playback::tick(std::int64_t now) {
    if (!m_player) return 0;
    if (!m_clock.running()) restartClock(now);
    unsigned due = m_clock.take(now);
    // A playing stream sound leads: the frames follow the samples it has played.
    if (m_sound && m_player->isPlaying())
        if (std::optional<unsigned> stream = m_sound->streamFramesDue()) due = std::min(*stream, m_settings.maxCatchUp);
    unsigned ran = 0;
    for (; ran < due; ++ran) {
        // Without Loop the iteration after the last frame halts the main timeline there, as the
        // engine's own non-looping timeline does; clips on stage still move on.
        if (!m_settings.loop && m_player->isPlaying() && m_player->currentFrame() >= m_player->frameCount())
            m_player->stop();
        if (isStill(*m_player, m_settings.loop)) break;
        advance();
    }
    return ran;
}

std::optional<std::int64_t> Playback::nextWake(std::int64_t now) {
    if (!m_player || isStill(*m_player, m_settings.loop)) {
        // Nothing moves until a command: when one comes, frames count from then. A timeline
        // that does not loop halts on its last frame, as its next iteration would.
        if (m_player && !m_settings.loop && m_player->isPlaying() &&
            m_player->currentFrame() >= m_player->frameCount()) {
            m_player->stop();
        }
        m_clock.halt();
        return std::nullopt;
    }
    if (!m_clock.running()) restartClock(now);
    return m_clock.untilNext(now);
}

void Playback::play(std::int64_t now) {
    if (!m_player) return;
    m_player->play();
    restartClock(now);
}

void Playback::stop(std::int64_t now) {
    if (!m_player) return;
    m_player->stop();
    if (m_sound) m_sound->silence();
    restartClock(now);
}

void Playback::rewind(std::int64_t now) {
    if (!m_player) return;
    m_player->rewind();
    if (m_sound) {
        m_player->takeSoundEvents();  // frame 1 sounds again when the movie plays on from it
        m_sound->silence();
    }
    restartClock(now);
}

void Playback::gotoFrame(std::uint16_t frame, std::int64_t now) {
    if (!m_player) return;
    m_player->gotoFrame(frame);
    restartClock(now);
}

std::int32_t Playback::frameNum() const {
    const std::uint16_t frame = currentFrame();
    return frame > 0 ? frame - 1 : 0;
}

void Playback::putFrameNum(std::int32_t frame, std::int64_t now) {
    if (!m_player || m_player->frameCount() == 0) return;
    const std::int32_t last = static_cast<std::int32_t>(m_player->frameCount()) - 1;
    const std::int32_t index = std::clamp<std::int32_t>(frame, 0, last);
    gotoFrame(static_cast<std::uint16_t>(index + 1), now);
}

std::uint16_t Playback::currentFrame() const { return m_player ? m_player->currentFrame() : 0; }
std::uint16_t Playback::frameCount() const { return m_player ? m_player->frameCount() : 0; }
bool Playback::isPlaying() const { return m_player && m_player->isPlaying(); }

void Playback::setQuality(player::Quality q) {
    m_settings.quality = q;
    if (m_renderer) m_renderer->setQuality(q);
}

bool Playback::render(render::Pixmap& target, render::Color blank, bool force) {
    if (target.isEmpty()) return false;
    const bool sameTarget = m_haveLast && m_lastTarget == &target && m_lastWidth == target.width() &&
                            m_lastHeight == target.height();
    if (!m_player) {
        if (!force && sameTarget && !m_lastHadMovie && m_lastBlank == blank) return false;
        target.fill(blank);
        m_lastHadMovie = false;
        m_lastBlank = blank;
    } else {
        player::DrawList list = m_player->drawList();
        const swf::Rgba background = m_player->backgroundColor();
        if (!force && sameTarget && m_lastHadMovie && m_lastBackground == background &&
            m_lastQuality == m_settings.quality && sameDrawList(list, m_lastList)) {
            return false;
        }
        m_renderer->render(list, m_player->movie().header.frameSize, background, target);
        m_lastHadMovie = true;
        m_lastBackground = background;
        m_lastQuality = m_settings.quality;
        m_lastList = std::move(list);
    }
    m_haveLast = true;
    m_lastTarget = &target;
    m_lastWidth = target.width();
    m_lastHeight = target.height();
    ++m_picturesDrawn;
    return true;
}

}  // namespace platform

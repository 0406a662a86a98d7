#include "player/player.h"

#include <algorithm>

#include "core/file_io.h"
#include "player/script_host.h"

namespace player {

Player::Player(std::unique_ptr<swf::Movie> movie, const PlayerOptions& options)
    : m_movie(std::move(movie)), m_options(options) {
    m_library.build(*m_movie);
    m_mainTimeline = std::make_unique<Timeline>(m_movie->tags);
    m_ctx.library = &m_library;
    m_ctx.maxInstances = options.maxInstances;
    m_ctx.maxNesting = options.maxNesting;
    if (options.runScripts) {
        avm1::VmLimits limits;
        limits.stepBudget = options.scriptStepBudget;
        m_scripts = std::make_unique<ScriptHost>(*m_movie, m_library, m_ctx, limits);
        m_ctx.events = m_scripts.get();
    }
    m_root = std::make_unique<MovieClip>(m_ctx, *m_mainTimeline, 0);
    if (m_scripts) m_scripts->setRoot(m_root.get());
    m_root->setLooping(options.loop);
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
        m_root->tick();
        return;
    }
    double fps = frameRate() > 0 ? frameRate() : 12;
    m_scripts->setTime(m_ticks * 1000.0 / fps);
    ++m_ticks;
    m_scripts->beforeTick();
    m_root->tick();
    m_scripts->afterTick();
}

void Player::rewind() {
    m_root->gotoFrame(1);
    m_root->stop();
}

}  // namespace player

// Loading files beside the movie into clips (loadMovie, MovieClipLoader) and levels
// (loadMovieNum): the embedding's loader reads them, only by plain relative paths. A picture
// (JPEG, PNG, GIF) replaces what the clip showed and sits at its top-left corner. A movie's
// main timeline replaces the clip's own (the clip keeps its name, placement and script
// object); its characters join the player's library under fresh ids, and its frame rate,
// stage size and background are ignored. Its scripts keep its SWF version, its clips its
// exported symbols.
//
// Levels are movies stacked above the main one, each a main timeline of its own that the
// player ticks and draws after the lower ones. Level 0 is the main movie: loading it replaces
// the main timeline and unloading it clears the stage; either takes every other level along.

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include "player/bitmap_decode.h"
#include "player/script_host.h"
#include "player/movie_merge.h"
#include "player/shape_convert.h"
#include "player/timeline.h"

namespace player {

namespace {

// Different files (or contents) loaded in one run; more are refused, so that memory stays
// bounded however long a movie plays.
constexpr std::size_t kMaxLoadedFiles = 256;
// Levels above 0 at once.
constexpr std::size_t kMaxLevels = 256;

bool startsWith(const std::vector<std::uint8_t>& b, std::string_view magic) {
    if (b.size() < magic.size()) return false;
    for (std::size_t i = 0; i < magic.size(); ++i)
        if (b[i] != static_cast<std::uint8_t>(magic[i])) return false;
    return true;
}

bool isMovie(const std::vector<std::uint8_t>& b) {
    return startsWith(b, "FWS") || startsWith(b, "CWS") || startsWith(b, "ZWS");
}

bool isPicture(const std::vector<std::uint8_t>& b) {
    return startsWith(b, "\xFF\xD8") || startsWith(b, "\x89PNG") || startsWith(b, "GIF8");
}

}  // namespace

bool ScriptHost::isSafeLocalPath(std::string_view path) {
    if (path.empty() || path.size() > 1024) return false;
    if (path.front() == '/' || path.front() == '\\') return false;  // root, UNC
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == ':' || c == '?' || c == '*' || c == '"' || c == '<' || c == '>' || c == '|')
            return false;  // drives, schemes, wildcards and names Windows refuses
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part == "..") return false;
        // "a/./b" and "a//b" are harmless, but trailing dots and spaces change what Windows opens.
        if (!part.empty() && part != "." && (part.back() == '.' || part.back() == ' ')) return false;
        start = end + 1;
    }
    const char last = path.back();
    return last != '/' && last != '\\';
}

long long ScriptHost::fetch(const std::string& url, const LoadedFile*& out) {
    if (!m_loadFile || !m_loadLibrary || !isSafeLocalPath(url)) return -1;
    std::optional<std::vector<std::uint8_t>> bytes = m_loadFile(url);
    if (!bytes) return -1;
    const auto size = static_cast<long long>(bytes->size());
    const std::string key = url + '\n' + std::to_string(std::hash<std::string_view>{}(std::string_view(
                                              reinterpret_cast<const char*>(bytes->data()), bytes->size())));
    auto it = m_loadedFiles.find(key);
    if (it == m_loadedFiles.end()) {
        if (m_loadedFiles.size() >= kMaxLoadedFiles) return -1;
        LoadedFile f;
        if (isMovie(*bytes)) {
            auto parsed = swf::parseMovie(*bytes);
            if (!parsed) return -1;
            auto movie = std::make_unique<swf::Movie>(std::move(parsed).value());
            if (!renumberCharacters(*movie, [this] { return m_loadLibrary->reserveId(); })) return -1;
            f.version = std::max<unsigned>(movie->header.version, 1);
            const swf::Movie& added = m_loadLibrary->addLoadedMovie(std::move(movie));
            f.timeline = std::make_unique<Timeline>(added.tags);
            LoadedMovie& info = m_loadedMovies[f.timeline.get()];
            info.version = f.version;
            // Its exported symbols take the classes scripts register for them, and its clips
            // attach them before the main movie's of the same name.
            for (const swf::Tag& t : added.tags)
                if (auto* ex = std::get_if<swf::ExportAssets>(&t.body))
                    for (const swf::AssetRef& a : ex->assets)
                        if (a.id) m_symbols.emplace(a.id, a.name), info.exports.emplace(a.name, a.id);
        } else if (isPicture(*bytes)) {
            auto bits = std::make_unique<swf::DefineBitsJpeg>();
            bits->version = 2;
            bits->imageData = std::move(*bytes);
            auto decoded = decodeJpegBits(*bits, nullptr);
            if (!decoded) return -1;
            f.width = decoded.value().width();
            f.height = decoded.value().height();
            f.bitmapId = m_loadLibrary->addLoadedBitmap(std::move(bits));
            if (!f.bitmapId) return -1;
        } else {
            return -1;
        }
        it = m_loadedFiles.emplace(key, std::move(f)).first;
    }
    out = &it->second;
    return size;
}

void ScriptHost::show(MovieClip& clip, const LoadedFile& f) {
    clearClip(clip);
    if (f.timeline) {
        clip.replaceTimeline(*f.timeline);
        return;
    }
    const float w = static_cast<float>(f.width) * 20, h = static_cast<float>(f.height) * 20;
    ShapeFill fill;
    fill.style.kind = swf::FillKind::NonSmoothedClippedBitmap;
    fill.style.bitmapId = f.bitmapId;
    fill.style.matrix.a = fill.style.matrix.d = 20;  // a picture pixel is 20 twips
    fill.path.addRect(0, 0, w, h);
    auto shape = std::make_shared<ConvertedShape>();
    shape->layers.push_back(ShapeLayer{{std::move(fill)}, {}});
    shape->bounds = render::Rect{0, 0, w, h};
    clip.setDrawing(std::move(shape));
}

long long ScriptHost::loadInto(avm1::ClipId target, const std::string& url) {
    MovieClip* clip = find(target);
    if (!clip) return -1;
    // A level's main timeline: the movie becomes that level.
    if (!clip->parent()) return loadLevel(levelNumber(target), url);
    const LoadedFile* f = nullptr;
    const long long size = fetch(url, f);
    if (size >= 0) show(*clip, *f);
    return size;
}

void ScriptHost::unloadFrom(avm1::ClipId target) {
    MovieClip* clip = find(target);
    if (!clip) return;
    if (clip->parent()) {
        clearClip(*clip);
    } else if (const int n = levelNumber(target); n >= 0) {
        unloadLevel(n);  // unloading level 0 takes every level
    }
}

void ScriptHost::clearClip(MovieClip& clip) {
    std::vector<Depth> depths;
    for (const auto& [depth, obj] : clip.displayList()) depths.push_back(depth);
    for (Depth d : depths) clip.removeDepth(d);
    clip.stop();
    m_drawing.erase(clip.id());
    m_drawingChanged.erase(clip.id());
    clip.setDrawing(nullptr);
}

// ---- levels ----

long long ScriptHost::loadLevel(int n, const std::string& url) {
    if (n < 0 || !m_root || (n > 0 && !m_levels.count(n) && m_levels.size() >= kMaxLevels)) return -1;
    const LoadedFile* f = nullptr;
    const long long size = fetch(url, f);
    if (size < 0) return -1;
    MovieClip* clip = m_root;
    if (n == 0) {
        // The main movie is replaced: every level goes (the stage size and frame rate stay).
        while (!m_levels.empty()) retireLevel(m_levels.rbegin()->first);
    } else {
        // A level loaded again starts afresh, with a new script object.
        retireLevel(n);
        auto level = std::make_unique<MovieClip>(m_ctx, *m_emptyTimeline, 0);
        clip = level.get();
        m_levels.emplace(n, std::move(level));
    }
    show(*clip, *f);
    return size;
}

void ScriptHost::unloadLevel(int n) {
    if (n > 0) {
        retireLevel(n);
    } else if (n == 0 && m_root) {
        while (!m_levels.empty()) retireLevel(m_levels.rbegin()->first);
        clearClip(*m_root);
    }
}

void ScriptHost::retireLevel(int n) {
    auto it = m_levels.find(n);
    if (it == m_levels.end()) return;
    std::unique_ptr<MovieClip> level = std::move(it->second);
    m_levels.erase(it);
    clearClip(*level);  // its clips go now, with their unload events
    m_retiredLevels.push_back(std::move(level));
}

int ScriptHost::levelNumber(avm1::ClipId clip) {
    if (m_root && clip == m_root->id()) return 0;
    for (const auto& [n, level] : m_levels)
        if (level->id() == clip) return n;
    return -1;
}

avm1::ClipId ScriptHost::level(int n) {
    if (n == 0) return root();
    auto it = m_levels.find(n);
    return it == m_levels.end() ? 0 : it->second->id();
}

std::vector<MovieClip*> ScriptHost::levels() {
    std::vector<MovieClip*> out;
    for (const auto& [n, level] : m_levels) out.push_back(level.get());
    return out;
}

const ScriptHost::LoadedMovie* ScriptHost::movieOf(avm1::ClipId clip) const {
    if (m_loadedMovies.empty()) return nullptr;
    // The nearest clip up the chain that plays a loaded movie's main timeline tells.
    for (const MovieClip* c = find(clip); c; c = c->parent())
        if (auto it = m_loadedMovies.find(&c->timeline()); it != m_loadedMovies.end()) return &it->second;
    return nullptr;
}

unsigned ScriptHost::movieVersion(avm1::ClipId clip) {
    const LoadedMovie* m = movieOf(clip);
    return m ? m->version : 0;
}

}  // namespace player

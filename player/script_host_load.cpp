// Loading files beside the movie into clips (loadMovie, MovieClipLoader): the embedding's
// loader reads them, only by plain relative paths. A picture (JPEG, PNG, GIF) replaces what
// the clip showed and sits at its top-left corner. A movie's main timeline replaces the clip's
// own (the clip keeps its name, placement and script object); its characters join the
// player's library under fresh ids, and its frame rate, stage size and background are ignored.

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

long long ScriptHost::loadInto(avm1::ClipId target, const std::string& url) {
    MovieClip* clip = find(target);
    // Levels (the main timeline) are not loaded into.
    if (!clip || !clip->parent() || !m_loadFile || !m_loadLibrary || !isSafeLocalPath(url)) return -1;
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
            f.timeline = std::make_unique<Timeline>(m_loadLibrary->addLoadedMovie(std::move(movie)).tags);
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
    const LoadedFile& f = it->second;
    unloadFrom(target);
    if (f.timeline) {
        clip->replaceTimeline(*f.timeline);
        return size;
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
    clip->setDrawing(std::move(shape));
    return size;
}

void ScriptHost::unloadFrom(avm1::ClipId target) {
    MovieClip* clip = find(target);
    if (!clip) return;
    std::vector<Depth> depths;
    for (const auto& [depth, obj] : clip->displayList()) depths.push_back(depth);
    for (Depth d : depths) clip->removeDepth(d);
    clip->stop();
    m_drawing.erase(target);
    m_drawingChanged.erase(target);
    clip->setDrawing(nullptr);
}

}  // namespace player

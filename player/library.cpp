#include "player/library.h"

#include "player/timeline.h"
#include "swf/tag_codes.h"

namespace player {

const char* characterKindName(CharacterKind k) {
    switch (k) {
    case CharacterKind::Shape: return "shape";
    case CharacterKind::MorphShape: return "morph shape";
    case CharacterKind::Sprite: return "sprite";
    case CharacterKind::Bitmap: return "bitmap";
    case CharacterKind::Font: return "font";
    case CharacterKind::Text: return "text";
    case CharacterKind::EditText: return "edit text";
    case CharacterKind::Button: return "button";
    case CharacterKind::Sound: return "sound";
    }
    return "?";
}

Library::Library() = default;
Library::~Library() = default;

void Library::add(std::uint16_t id, CharacterKind kind, CharacterDef def) {
    if (m_characters.count(id)) {
        ++m_duplicates;
        return;
    }
    Character c{kind, def, nullptr};
    if (kind == CharacterKind::Sprite) {
        m_timelines.push_back(std::make_unique<Timeline>(std::get<const swf::DefineSprite*>(def)->tags));
        c.timeline = m_timelines.back().get();
    }
    m_characters.emplace(id, c);
    if (kind == CharacterKind::Font) m_fontIds.push_back(id);
}

void Library::build(const swf::Movie& movie) {
    for (const swf::Tag& t : movie.tags) {
        const swf::TagBody& b = t.body;
        if (auto* s = std::get_if<swf::DefineShape>(&b)) add(s->id, CharacterKind::Shape, s);
        else if (auto* m = std::get_if<swf::DefineMorphShape>(&b)) add(m->id, CharacterKind::MorphShape, m);
        else if (auto* sp = std::get_if<swf::DefineSprite>(&b)) add(sp->id, CharacterKind::Sprite, sp);
        else if (auto* j = std::get_if<swf::DefineBitsJpeg>(&b)) add(j->id, CharacterKind::Bitmap, j);
        else if (auto* l = std::get_if<swf::DefineBitsLossless>(&b)) add(l->id, CharacterKind::Bitmap, l);
        else if (auto* f = std::get_if<swf::DefineFont>(&b)) add(f->id, CharacterKind::Font, f);
        else if (auto* tx = std::get_if<swf::DefineText>(&b)) add(tx->id, CharacterKind::Text, tx);
        else if (auto* e = std::get_if<swf::DefineEditText>(&b)) add(e->id, CharacterKind::EditText, e);
        else if (auto* bt = std::get_if<swf::DefineButton>(&b)) add(bt->id, CharacterKind::Button, bt);
        else if (auto* snd = std::get_if<swf::SoundTag>(&b)) {
            if (t.code == static_cast<std::uint16_t>(swf::TagCode::DefineSound))
                add(snd->id, CharacterKind::Sound, snd);
        } else if (auto* fi = std::get_if<swf::DefineFontInfo>(&b)) {
            m_fontInfos.emplace(fi->fontId, fi);
        } else if (auto* bc = std::get_if<swf::DefineButtonCxform>(&b)) {
            m_buttonCxforms.emplace(bc->buttonId, &bc->colorTransform);
        } else if (auto* jt = std::get_if<swf::JpegTables>(&b)) {
            if (!m_jpegTables) m_jpegTables = jt;
        } else if (auto* ex = std::get_if<swf::ExportAssets>(&b)) {
            for (const swf::AssetRef& a : ex->assets) m_exports.emplace(a.name, a.id);
        }
    }
}

const Character* Library::find(std::uint16_t id) const {
    auto it = m_characters.find(id);
    return it == m_characters.end() ? nullptr : &it->second;
}

const swf::DefineFontInfo* Library::fontInfo(std::uint16_t fontId) const {
    auto it = m_fontInfos.find(fontId);
    return it == m_fontInfos.end() ? nullptr : it->second;
}

const swf::ColorTransform* Library::buttonCxform(std::uint16_t buttonId) const {
    auto it = m_buttonCxforms.find(buttonId);
    return it == m_buttonCxforms.end() ? nullptr : it->second;
}

std::optional<std::uint16_t> Library::exported(const std::string& name) const {
    auto it = m_exports.find(name);
    if (it == m_exports.end()) return std::nullopt;
    return it->second;
}

std::uint16_t Library::reserveId() {
    while (m_nextLoadedId > 0 && m_characters.count(static_cast<std::uint16_t>(m_nextLoadedId))) --m_nextLoadedId;
    if (m_nextLoadedId == 0) return 0;
    return static_cast<std::uint16_t>(m_nextLoadedId--);
}

std::uint16_t Library::addLoadedBitmap(std::unique_ptr<swf::DefineBitsJpeg> bits) {
    const std::uint16_t id = bits ? reserveId() : 0;
    if (!id) return 0;
    bits->id = id;
    m_characters[id] = Character{CharacterKind::Bitmap, CharacterDef(bits.get()), nullptr};
    m_loaded.push_back(std::move(bits));
    return id;
}

const swf::JpegTables* Library::jpegTablesFor(std::uint16_t id) const {
    auto it = m_loadedJpegTables.find(id);
    return it == m_loadedJpegTables.end() ? m_jpegTables : it->second;
}

const swf::Movie& Library::addLoadedMovie(std::unique_ptr<swf::Movie> movie) {
    const swf::JpegTables* own = nullptr;
    for (const swf::Tag& t : movie->tags)
        if (auto* jt = std::get_if<swf::JpegTables>(&t.body); jt && !own) own = jt;
    for (const swf::Tag& t : movie->tags)
        if (auto* j = std::get_if<swf::DefineBitsJpeg>(&t.body); j && !m_characters.count(j->id))
            m_loadedJpegTables.emplace(j->id, own);
    const swf::JpegTables* mainTables = m_jpegTables;
    build(*movie);
    m_jpegTables = mainTables;  // the main movie's bitmaps keep the main movie's tables
    m_loadedMovies.push_back(std::move(movie));
    return *m_loadedMovies.back();
}

}  // namespace player

#pragma once
// The character dictionary of a movie: every character id mapped to its definition (plain swf
// data owned by the parsed movie), the timelines of sprites, font infos, exported names and
// the JPEG tables shared by DefineBits images.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>

#include "swf/movie.h"

namespace player {

class Timeline;

enum class CharacterKind : std::uint8_t {
    Shape,
    MorphShape,
    Sprite,
    Bitmap,
    Font,
    Text,
    EditText,
    Button,
    Sound,
};

const char* characterKindName(CharacterKind k);

using CharacterDef =
    std::variant<const swf::DefineShape*, const swf::DefineMorphShape*, const swf::DefineSprite*,
                 const swf::DefineBitsJpeg*, const swf::DefineBitsLossless*, const swf::DefineFont*,
                 const swf::DefineText*, const swf::DefineEditText*, const swf::DefineButton*,
                 const swf::SoundTag*>;

struct Character {
    CharacterKind kind = CharacterKind::Shape;
    CharacterDef def;
    const Timeline* timeline = nullptr;  // sprites only
};

class Library {
public:
    Library();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Builds the dictionary from a movie's top-level tags. The movie must outlive the library.
    // A second definition of an id is ignored, as players do; it is counted in duplicates().
    void build(const swf::Movie& movie);

    const Character* find(std::uint16_t id) const;
    std::size_t size() const { return m_characters.size(); }
    unsigned duplicates() const { return m_duplicates; }

    const swf::DefineFontInfo* fontInfo(std::uint16_t fontId) const;
    // The colour transform DefineButtonCxform gives a version 1 button, if any.
    const swf::ColorTransform* buttonCxform(std::uint16_t buttonId) const;
    // Ids of the fonts in definition order.
    const std::vector<std::uint16_t>& fontIds() const { return m_fontIds; }
    const swf::JpegTables* jpegTables() const { return m_jpegTables; }
    // The JPEG tables of the movie that defines the bitmap `id` (loaded movies have their own).
    const swf::JpegTables* jpegTablesFor(std::uint16_t id) const;
    // The character exported under `name` (ExportAssets), if any.
    std::optional<std::uint16_t> exported(const std::string& name) const;
    // Adds a picture a script loaded from a file under an id the movie does not use (counting
    // down from 65535); 0 when every id is taken. The library keeps the tag.
    std::uint16_t addLoadedBitmap(std::unique_ptr<swf::DefineBitsJpeg> bits);
    // An id no character has and none was given before (counting down from 65535); 0 when
    // none is left.
    std::uint16_t reserveId();
    // Adds the characters of a movie a script loaded, already renumbered with reserveId()
    // (see renumberCharacters). The library keeps the movie.
    const swf::Movie& addLoadedMovie(std::unique_ptr<swf::Movie> movie);

private:
    void add(std::uint16_t id, CharacterKind kind, CharacterDef def);

    std::unordered_map<std::uint16_t, Character> m_characters;
    std::unordered_map<std::uint16_t, const swf::DefineFontInfo*> m_fontInfos;
    std::map<std::string, std::uint16_t> m_exports;
    std::vector<std::uint16_t> m_fontIds;
    std::unordered_map<std::uint16_t, const swf::ColorTransform*> m_buttonCxforms;
    std::vector<std::unique_ptr<Timeline>> m_timelines;
    const swf::JpegTables* m_jpegTables = nullptr;
    unsigned m_duplicates = 0;
    std::vector<std::unique_ptr<swf::DefineBitsJpeg>> m_loaded;
    std::vector<std::unique_ptr<swf::Movie>> m_loadedMovies;
    std::unordered_map<std::uint16_t, const swf::JpegTables*> m_loadedJpegTables;  // by bitmap id
    std::uint32_t m_nextLoadedId = 65535;
};

}  // namespace player

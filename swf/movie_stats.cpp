#include "swf/movie_stats.h"

#include "swf/tag_codes.h"

namespace swf {

namespace {

struct Counter {
    MovieStats& s;
    void operator()(const DefineShape&) { ++s.characters.shapes; }
    void operator()(const DefineMorphShape&) { ++s.characters.morphShapes; }
    void operator()(const DefineSprite& sp) {
        ++s.characters.sprites;
        for (const Tag& t : sp.tags) count(t);
    }
    void operator()(const DefineBitsJpeg&) { ++s.characters.bitmaps; }
    void operator()(const DefineBitsLossless&) { ++s.characters.bitmaps; }
    void operator()(const DefineFont&) { ++s.characters.fonts; }
    void operator()(const DefineText&) { ++s.characters.texts; }
    void operator()(const DefineEditText&) { ++s.characters.editTexts; }
    void operator()(const DefineButton&) { ++s.characters.buttons; }
    void operator()(const Avm2Tag&) { ++s.avm2Tags; }
    template <typename T>
    void operator()(const T&) {}

    void count(const Tag& t) {
        ++s.tagHistogram[t.code];
        if (!isKnownTag(t.code)) ++s.unknownTags;
        if (t.code == static_cast<std::uint16_t>(TagCode::DefineSound)) ++s.characters.sounds;
        std::visit(*this, t.body);
    }
};

}  // namespace

MovieStats computeStats(const Movie& movie) {
    MovieStats s;
    Counter c{s};
    for (const Tag& t : movie.tags) c.count(t);
    return s;
}

}  // namespace swf

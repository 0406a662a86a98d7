#pragma once
// Counts over a parsed movie: how often each tag occurs (sprites included) and how many
// characters of each kind the movie defines.

#include <cstdint>
#include <map>

#include "swf/movie.h"

namespace swf {

struct CharacterCounts {
    unsigned shapes = 0, morphShapes = 0, sprites = 0, bitmaps = 0, fonts = 0, texts = 0,
             editTexts = 0, buttons = 0, sounds = 0;
    unsigned total() const {
        return shapes + morphShapes + sprites + bitmaps + fonts + texts + editTexts + buttons + sounds;
    }
};

struct MovieStats {
    std::map<std::uint16_t, unsigned> tagHistogram;  // tag code -> occurrences
    CharacterCounts characters;
    unsigned avm2Tags = 0;
    unsigned unknownTags = 0;
};

MovieStats computeStats(const Movie& movie);

}  // namespace swf

#pragma once
// Movies loaded into a running player share its library: their characters get ids the
// player's movie does not use.

#include <cstdint>
#include <functional>

#include "swf/movie.h"

namespace player {

// Gives every character `movie` defines a new id from `freeId` and rewrites every reference
// (placements, sprites, buttons, bitmap fills, text fonts, sounds, exports, init actions) to
// match; a reference to a character the movie does not define becomes 0, which finds nothing.
// False when `freeId` runs out (gives 0); the movie is then partly renumbered and unusable.
bool renumberCharacters(swf::Movie& movie, const std::function<std::uint16_t()>& freeId);

}  // namespace player

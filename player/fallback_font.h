#pragma once
// The outline font the engine carries for text whose font has no outlines of its own (device
// fonts): the printable ASCII characters of a sans-serif face, generated into
// fallback_font_data.cpp by scripts/make_fallback_font.py. Coordinates are on an EM square of
// 1024 units with y growing downwards, as SWF glyphs are.

#include <cstdint>

#include "render/path.h"

namespace player::fallback {

constexpr char32_t kFirstCode = 32;
constexpr char32_t kLastCode = 126;

extern const int kAscent;
extern const int kDescent;
extern const int kGridUnits;
extern const std::uint8_t kAdvances[kLastCode - kFirstCode + 1];   // in units of 4
extern const std::uint16_t kOffsets[kLastCode - kFirstCode + 1];   // into kOutlines
extern const std::uint8_t kOutlines[];

// Whether the font has an outline for `code`.
inline bool covers(char32_t code) { return code >= kFirstCode && code <= kLastCode; }
// The advance of `code` in EM units (0 for codes it does not cover).
float advance(char32_t code);
// The outline of `code` in EM units (empty for codes it does not cover).
render::Path outline(char32_t code);

}  // namespace player::fallback

#pragma once
// A small LZMA decoder (the "LZMA1" raw stream used by ZWS movies and .lzma files): a range
// decoder driving the literal, match and repeat-match models. It decodes into one buffer that
// doubles as the dictionary, so the whole output must fit under the caller's cap.

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/inflate.h"
#include "core/result.h"

namespace core {

// Decodes `data` (the range-coded stream, without properties or size fields) with the five
// property bytes `props` (lc/lp/pb byte, then the dictionary size). Stops after `outSize`
// bytes or at an end marker, whichever comes first. `outSize` above `maxOutput` is an
// ErrorCode::TooLarge error. Input that ends early gives the bytes decoded so far with
// complete == false; an impossible stream (a distance before the start, bad properties) is an
// ErrorCode::Corrupt error.
Result<InflateResult> decodeLzma(std::span<const std::uint8_t> props,
                                 std::span<const std::uint8_t> data, std::size_t outSize,
                                 std::size_t maxOutput);

}  // namespace core

#pragma once
// zlib stream decompression with a hard cap on the output size, so that a small input that
// claims (or expands to) a huge size cannot exhaust memory.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/result.h"

namespace core {

struct InflateResult {
    std::vector<std::uint8_t> data;
    // True when the zlib stream ended properly; false when the input ran out first (the bytes
    // produced so far are still in `data`).
    bool complete = false;
};

// What happens when the output would grow past its cap.
enum class InflateOverflow { Fail, Truncate };

// Inflates a zlib stream. Output beyond `maxOutput` bytes is an ErrorCode::TooLarge error
// (or, with InflateOverflow::Truncate, the first `maxOutput` bytes with complete == false);
// corrupt data is ErrorCode::Corrupt with the input offset where zlib gave up. `sizeHint`
// (clamped to maxOutput and to a multiple of the input size) is what is reserved up front.
Result<InflateResult> inflateZlib(std::span<const std::uint8_t> input, std::size_t maxOutput,
                                  std::size_t sizeHint = 0,
                                  InflateOverflow overflow = InflateOverflow::Fail);

// Compresses with zlib (used by writers and tests).
std::vector<std::uint8_t> deflateZlib(std::span<const std::uint8_t> input, int level = 6);

}  // namespace core

#pragma once
// RIFF WAVE files of 16-bit PCM: written by `flashsaver sound`, read back by tests.

#include <cstdint>
#include <span>
#include <vector>

#include "core/result.h"
#include "sound/clip.h"

namespace sound {

std::vector<std::uint8_t> wavBytes(const Clip& clip);
// Reads 16-bit PCM (1 or 2 channels); other chunks are skipped.
core::Result<Clip> readWav(std::span<const std::uint8_t> bytes);

}  // namespace sound

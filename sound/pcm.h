#pragma once
// Decoders of SWF's simple sound codings: uncompressed samples (8-bit unsigned or 16-bit
// signed, either byte order) and SWF ADPCM (2 to 5 bits a sample).

#include <cstdint>
#include <span>

#include "sound/clip.h"

namespace sound {

enum class ByteOrder { Little, Big };

// Uncompressed samples; a trailing partial sample is dropped.
Clip decodePcm(std::span<const std::uint8_t> data, int rate, bool sixteenBit, bool stereo,
               ByteOrder order = ByteOrder::Little);

// SWF ADPCM: a 2-bit code size, then packets of 4096 samples a channel, each starting with a
// 16-bit sample and a 6-bit step index per channel. Decoding stops at the end of the data or
// after `maxFrames` samples a channel.
Clip decodeAdpcm(std::span<const std::uint8_t> data, int rate, bool stereo,
                 std::size_t maxFrames = SIZE_MAX);

// The IMA step sizes and, per code size, the step index changes that SWF ADPCM uses.
extern const std::uint16_t kAdpcmSteps[89];
int adpcmIndexChange(unsigned bits, unsigned magnitude);

}  // namespace sound

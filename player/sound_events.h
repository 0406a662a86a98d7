#pragma once
// What the timelines ask of the sound system as they run: sound tags met in the frames they
// enter. The player only collects them; a mixer (sound/) consumes them after each iteration.

#include <cstdint>
#include <vector>

#include "swf/tags.h"

namespace player {

struct SoundEvent {
    // StartSound, StartSound2, SoundStreamHead(2) or SoundStreamBlock, as the tag code says.
    std::uint16_t code = 0;
    const swf::SoundTag* tag = nullptr;
    // The timeline that met the tag (streams belong to one timeline each).
    std::uint32_t clipId = 0;
    // The frame entered on that timeline.
    std::uint16_t frame = 0;
};

using SoundEvents = std::vector<SoundEvent>;

}  // namespace player

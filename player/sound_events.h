#pragma once
// What the timelines ask of the sound system as they run: sound tags met in the frames they
// enter. The player only collects them; a mixer (sound/) consumes them after each iteration.

#include <cstdint>
#include <vector>

#include "swf/tags.h"

namespace player {

// What a script's Sound object asks for; Tag for the sound tags of frames.
enum class SoundAction : std::uint8_t { Tag, Start, Stop, Volume };

struct SoundEvent {
    // StartSound, StartSound2, SoundStreamHead(2) or SoundStreamBlock, as the tag code says.
    std::uint16_t code = 0;
    const swf::SoundTag* tag = nullptr;
    // The timeline that met the tag (streams belong to one timeline each).
    std::uint32_t clipId = 0;
    // The frame entered on that timeline; for DefineButtonSound the transition (0 over to
    // idle, 1 idle to over, 2 over to down, 3 down to over).
    std::uint16_t frame = 0;
    // Script requests: the sound (0 with Stop: every sound), loops of Start, and `value`: the
    // offset in seconds of Start or the percentage of Volume.
    SoundAction action = SoundAction::Tag;
    std::uint16_t soundId = 0;
    std::uint16_t loops = 1;
    double value = 0;
};

using SoundEvents = std::vector<SoundEvent>;

}  // namespace player

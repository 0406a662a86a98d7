#pragma once
// The frames of one timeline (the movie's or a sprite's): for each frame, the control tags
// between its ShowFrame and the previous one, plus the frame labels.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "swf/tags.h"

namespace player {

struct Frame {
    std::vector<const swf::Tag*> tags;  // control tags in file order (no ShowFrame, no End)
};

class Timeline {
public:
    // Frames are delimited by ShowFrame. Control tags after the last ShowFrame form one more
    // frame, so that nothing a movie places is lost. A timeline always has at least one frame.
    explicit Timeline(const std::vector<swf::Tag>& tags);

    std::uint16_t frameCount() const { return static_cast<std::uint16_t>(m_frames.size()); }
    // Frame `n` (1-based); n must be in 1..frameCount().
    const Frame& frame(std::uint16_t n) const { return m_frames[n - 1]; }

    // The frame a label names: an exact match first, then one that differs only in case.
    std::optional<std::uint16_t> labelFrame(const std::string& label) const;
    const std::map<std::string, std::uint16_t>& labels() const { return m_labels; }
    // Whether the tags end as a finished timeline: a ShowFrame, then End. Sprites whose last
    // frame is unfinished (control tags after the last ShowFrame, or no End) play it once
    // and stay there instead of looping.
    bool complete() const { return m_complete; }

private:
    bool m_complete = false;
    std::vector<Frame> m_frames;
    std::map<std::string, std::uint16_t> m_labels;
};

// Timelines hold at most this many frames (SWF counts frames in 16 bits).
inline constexpr std::size_t kMaxFrames = 65535;

}  // namespace player

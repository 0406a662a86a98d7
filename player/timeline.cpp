#include "player/timeline.h"

#include <algorithm>
#include <cctype>

#include "swf/tag_codes.h"

namespace player {

namespace {

bool isControlTag(const swf::Tag& t) {
    // Definitions belong to the dictionary; everything else acts when its frame is reached.
    return std::visit(
        [](const auto& b) {
            using T = std::decay_t<decltype(b)>;
            return std::is_same_v<T, swf::PlaceObject> || std::is_same_v<T, swf::RemoveObject> ||
                   std::is_same_v<T, swf::DoAction> || std::is_same_v<T, swf::DoInitAction> ||
                   std::is_same_v<T, swf::SoundTag> ||
                   std::is_same_v<T, swf::SetBackgroundColor>;
        },
        t.body);
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

Timeline::Timeline(const std::vector<swf::Tag>& tags) {
    Frame current;
    for (const swf::Tag& t : tags) {
        if (m_frames.size() >= kMaxFrames) break;
        if (std::holds_alternative<swf::End>(t.body)) {
            m_complete = current.tags.empty() && !m_frames.empty();
        } else if (std::holds_alternative<swf::ShowFrame>(t.body)) {
            m_frames.push_back(std::move(current));
            current = Frame{};
        } else if (const auto* label = std::get_if<swf::FrameLabel>(&t.body)) {
            auto frameNo = static_cast<std::uint16_t>(m_frames.size() + 1);
            m_labels.emplace(label->name, frameNo);  // the first frame with a label keeps it
        } else if (isControlTag(t)) {
            current.tags.push_back(&t);
        }
    }
    if ((!current.tags.empty() || m_frames.empty()) && m_frames.size() < kMaxFrames)
        m_frames.push_back(std::move(current));
}

std::optional<std::uint16_t> Timeline::labelFrame(const std::string& label) const {
    // Labels ignore case; of labels that differ only in case, the earliest frame's wins.
    std::string want = lower(label);
    std::optional<std::uint16_t> found;
    for (const auto& [name, frame] : m_labels)
        if ((!found || frame < *found) && lower(name) == want) found = frame;
    return found;
}

}  // namespace player

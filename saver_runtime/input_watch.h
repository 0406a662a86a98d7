#pragma once
// The input watch of Timer2: every 300 ms the saver ends when a key was seen by the keyboard
// hook or the cursor stands anywhere but where it stood at the end of start-up. Clicks and the
// wheel are not watched.

namespace saver_runtime {

inline constexpr unsigned kTimer2IntervalMs = 300;

struct CursorPos {
    int x = 0, y = 0;
    bool operator==(const CursorPos&) const = default;
};

// now is nullptr when the position could not be read; the saver then goes on.
inline bool inputSeen(bool keyHit, CursorPos start, const CursorPos* now) {
    if (keyHit) return true;
    return now != nullptr && !(*now == start);
}

}  // namespace saver_runtime

#pragma once
// Whether the system's sound is muted: the mute switch of the default output device (the
// speaker button of the taskbar). The screensaver stays silent then.

namespace saver_runtime {

// False when the state cannot be read (no device, no endpoint API): the saver then plays its
// sound, and the device it opens decides what is heard.
bool systemMuted();

}  // namespace saver_runtime

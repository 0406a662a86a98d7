#pragma once
// Window classes of the main window's own child windows: the captionless frame that groups and
// borders its children, and the host window of the preview player.

#include <windows.h>

namespace app {

// Registers the frame and player host classes once per process; false if that fails.
bool registerChildWindowClasses(HINSTANCE instance);

// Frames pass these messages from their children on to their own parent, so that the main
// window sees every button click, list notification and owner-draw request.
bool isForwardedToParent(UINT msg);

}  // namespace app

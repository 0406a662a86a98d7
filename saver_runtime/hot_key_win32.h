#pragma once
// Module HotKey: the runtime's keyboard hook. KeyboardHookProc is installed as a WH_KEYBOARD
// hook of the runtime's own thread; any key event that reaches the thread sets KeyHit, which
// Timer2 reads. Everything runs on that one thread.

#include <windows.h>

namespace saver_runtime::HotKey {

// The installed hook; nullptr while none is installed.
extern HHOOK HookHandle;
// 0 at start, 1 once any key event was seen; never reset.
extern LONG KeyHit;

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam);

// Installs KeyboardHookProc for the current thread; false when the system refused.
bool installHook();
// Removes the hook when one is installed.
void removeHook();

}  // namespace saver_runtime::HotKey

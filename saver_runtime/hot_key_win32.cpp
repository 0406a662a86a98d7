#include "saver_runtime/hot_key_win32.h"

namespace saver_runtime::HotKey {

HHOOK HookHandle = nullptr;
LONG KeyHit = 0;

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // Every call counts, whatever the code and the key: modifier keys alone end the saver too.
    KeyHit = 1;
    return CallNextHookEx(HookHandle, code, wParam, lParam);
}

bool installHook() {
    HookHandle = SetWindowsHookExW(WH_KEYBOARD, KeyboardHookProc, GetModuleHandleW(nullptr),
                                   GetCurrentThreadId());
    return HookHandle != nullptr;
}

void removeHook() {
    if (HookHandle) {
        UnhookWindowsHookEx(HookHandle);
        HookHandle = nullptr;
    }
}

}  // namespace saver_runtime::HotKey

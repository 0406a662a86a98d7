// Entry point of VelloryFlashScreensaver.exe: creates the main window and runs its message loop.
// No command line is read.

#include <windows.h>

#include "app/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    app::Form1 form(instance);
    app::Form1Options options;
    options.showCommand = show;
    if (!form.create(options)) return 1;
    return form.runMessageLoop();
}

// VellorySaver.exe: the screensaver runtime. Every saver file is this program, padded to
// builders::kSaverHeaderSize bytes, with a movie joined to it.
#include <windows.h>

#include "saver_runtime/form1_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    static saver_runtime::Form1 form;
    return form.run(instance);
}

// The runtime never shows a message, so the library's verbose terminate handler (which pulls in
// the C++ name demangler, a sixth of the program) is replaced by a silent one.
namespace __gnu_cxx {
void __verbose_terminate_handler() { ExitProcess(3); }
}  // namespace __gnu_cxx

// The standalone player program. It ships compressed inside VelloryPlayer.exe, whose loader
// runs it (packed_loader_win32.cpp); every projector executable is that loader, padded to
// builders::kProjectorImageSize bytes, followed by a movie and the trailer that locates it.
#include <windows.h>

#include <cstdint>
#include <span>

#include "projector/own_movie_win32.h"
#include "projector/player_window_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    SetProcessDPIAware();
    const std::wstring path = projector::ownModulePath();
    const std::wstring name = projector::fileNameOf(path);
    const std::optional<projector::OwnMovie> own = projector::readOwnMovie(path);
    if (!own) {
        MessageBoxW(nullptr, L"This player carries no movie: its file does not end with a valid movie trailer.",
                    name.empty() ? L"Player" : name.c_str(), MB_OK | MB_ICONHAND);
        return 1;
    }
    projector::PlayerWindow window;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(own->file.data() + own->offset);
    if (!window.create(instance, name, std::span<const std::uint8_t>(bytes, own->length))) return 2;
    window.show(showCommand);
    return projector::PlayerWindow::runMessageLoop();
}

// The player shows no message for a programming fault, so the library's verbose terminate
// handler (which pulls in the C++ name demangler) is replaced by a silent one.
namespace __gnu_cxx {
void __verbose_terminate_handler() { ExitProcess(3); }
}  // namespace __gnu_cxx

// `flashsaver projector` and `flashsaver extract`: the files of "SWF To EXE" and "EXE To SWF",
// written by the same code. The Windows flashsaver.exe carries the padded player as resource
// "CUSTOM" 101, as the main program does; elsewhere --player names it.
#include <string>

#include "builders/output_name.h"
#include "builders/projector_cli.h"
#include "cli/cli.h"
#include "ui/file_system.h"

namespace cli {

#ifdef _WIN32
std::string carriedPlayerImage();  // saver_image_win32.cpp
#else
std::string carriedPlayerImage() { return {}; }
#endif

int runProjector(std::span<const std::string_view> args, Output& io) {
    const std::string carried = carriedPlayerImage();
    if (carried.empty()) {
        core::Result<builders::ProjectorCommandArgs> parsed = builders::parseProjectorArgs(args);
        if (parsed && parsed->playerPath.empty()) {
            io.err += "flashsaver projector: this build carries no player; give --player IMAGE "
                      "(player_image.bin of the Windows build)\n";
            return kExitUsage;
        }
    }
    return builders::runProjectorCommand(args, carried, ui::nativeFileSystem(), builders::nativeFileLookup(),
                                         io.out, io.err);
}

int runExtract(std::span<const std::string_view> args, Output& io) {
    return builders::runExtractCommand(args, ui::nativeFileSystem(), io.out, io.err);
}

}  // namespace cli

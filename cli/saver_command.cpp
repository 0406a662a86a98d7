// `flashsaver saver MOVIE.swf... -o DIR [--runtime IMAGE]`: the screensaver files of "Make Saver
// Now!", written by the same code. The Windows flashsaver.exe carries the padded runtime as
// resource "CUSTOM" 102, as the main program does; elsewhere --runtime names it.
#include <string>

#include "builders/output_name.h"
#include "builders/saver_cli.h"
#include "cli/cli.h"
#include "ui/file_system.h"

namespace cli {

#ifdef _WIN32
std::string carriedSaverImage();  // saver_image_win32.cpp
#else
std::string carriedSaverImage() { return {}; }
#endif

int runSaver(std::span<const std::string_view> args, Output& io) {
    const std::string carried = carriedSaverImage();
    if (carried.empty()) {
        core::Result<builders::SaverCommandArgs> parsed = builders::parseSaverArgs(args);
        if (parsed && parsed->runtimePath.empty()) {
            io.err += "flashsaver saver: this build carries no screensaver runtime; give --runtime IMAGE "
                      "(saver_image.bin of the Windows build)\n";
            return kExitUsage;
        }
    }
    return builders::runSaverCommand(args, carried, ui::nativeFileSystem(), builders::nativeFileLookup(),
                                     io.out, io.err);
}

}  // namespace cli

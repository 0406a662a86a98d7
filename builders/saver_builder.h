#pragma once
// "Make Saver Now!" (cmdWriteDisc_Click, and BurnNow_Click from the Action menu and Ctrl+B):
// one screensaver file per row of the movie list, written into the output folder, with the
// row's status, the progress bar and a closing message on the user interface.

#include <string>
#include <string_view>

#include "builders/batch_build.h"

namespace builders {

inline constexpr const char* kSaverSuccess = "Create ScreenSaver Successful!";

// What "Make Saver Now!" writes: the padded runtime image, the movie and a zero byte, as ".Scr".
extern const OutputKind kSaverOutput;

using SaverWrite = OutputWrite;
using SaverBuildContext = BuildContext;

// Writes the saver for one movie (see writeOutputFor). image must be kSaverHeaderSize bytes
// long. Shared by the window's build run and by `flashsaver saver`.
inline SaverWrite writeSaverFor(std::string_view moviePath, std::string_view outputFolder,
                                std::string_view image, ui::FileSystem& files, FileLookup& lookup,
                                std::string& scratch) {
    return writeOutputFor(kSaverOutput, moviePath, outputFolder, image, files, lookup, scratch);
}

class SaverBuilder {
public:
    explicit SaverBuilder(SaverBuildContext context) : m_c(context) {}

    // The build run (see runBuild): the runtime image is fetched before the hourglass shows,
    // and "Create ScreenSaver Successful!" comes before the bar goes to 100.
    BuildOutcome cmdWriteDisc_Click() { return runBuild(kSaverOutput, m_c); }
    BuildOutcome BurnNow_Click() { return cmdWriteDisc_Click(); }

private:
    SaverBuildContext m_c;
};

}  // namespace builders

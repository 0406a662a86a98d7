#pragma once
// "SWF To EXE" (Command3_Click, and EXEtoSWF_Click from the Action menu): one projector
// executable per row of the movie list, written into the output folder, with the row's status,
// the progress bar and a closing message on the user interface.

#include <string>
#include <string_view>

#include "builders/batch_build.h"

namespace builders {

inline constexpr std::string_view kProjectorExtension = ".exe";
inline constexpr const char* kProjectorSuccess = "Create EXE Files Successful!";

// What "SWF To EXE" writes: the padded player image, the movie and its trailer, as ".exe".
extern const OutputKind kProjectorOutput;

using ProjectorWrite = OutputWrite;
using ProjectorBuildContext = BuildContext;

// Writes the projector for one movie (see writeOutputFor). image must be kProjectorImageSize
// bytes long. Shared by the window's build run and by `flashsaver projector`.
inline ProjectorWrite writeProjectorFor(std::string_view moviePath, std::string_view outputFolder,
                                        std::string_view image, ui::FileSystem& files,
                                        FileLookup& lookup, std::string& scratch) {
    return writeOutputFor(kProjectorOutput, moviePath, outputFolder, image, files, lookup, scratch);
}

class ProjectorBuilder {
public:
    explicit ProjectorBuilder(ProjectorBuildContext context) : m_c(context) {}

    // The build run (see runBuild): the hourglass and the bar at 0 come before the player image
    // is fetched, and the bar goes to 100 before "Create EXE Files Successful!".
    BuildOutcome Command3_Click() { return runBuild(kProjectorOutput, m_c); }
    BuildOutcome EXEtoSWF_Click() { return Command3_Click(); }

private:
    ProjectorBuildContext m_c;
};

}  // namespace builders

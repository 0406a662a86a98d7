#pragma once
// "SWF To EXE" (Command3_Click, and EXEtoSWF_Click from the Action menu): one projector
// executable per row of the movie list, written into the output folder, with the row's status,
// the progress bar and a closing message on the user interface.

#include <string>
#include <string_view>

#include "builders/build_guard.h"
#include "builders/output_folder.h"
#include "builders/output_name.h"
#include "builders/runtime_image.h"
#include "builders/saver_builder.h"
#include "filelist/movie_list.h"
#include "ui/file_system.h"
#include "ui/ui.h"

namespace builders {

inline constexpr std::string_view kProjectorExtension = ".exe";
inline constexpr const char* kProjectorSuccess = "Create EXE Files Successful!";

// One projector: the outcome of writeProjectorFor.
struct ProjectorWrite {
    enum class Failure { None, InvalidName, ReadMovie, WriteProjector };
    Failure failure = Failure::None;
    std::string target;   // the output name, once it is known
    std::string message;  // the text to show when failure is not None
};

// Writes the projector for one movie: looks up its listed name, forms the output name in
// outputFolder, reads the movie whole and replaces the target with image + movie + trailer
// (through a temporary file, so a failed write leaves an older file of that name as it was).
// image must be kProjectorImageSize bytes long. scratch is reused between calls. Shared by the
// window's build run and by `flashsaver projector`.
ProjectorWrite writeProjectorFor(std::string_view moviePath, std::string_view outputFolder,
                                 std::string_view image, ui::FileSystem& files, FileLookup& lookup,
                                 std::string& scratch);

// Everything a build run touches, owned by the main window; the player image comes from
// resource "CUSTOM" 101 in the program.
struct ProjectorBuildContext {
    filelist::MovieList& list;
    ui::Ui& ui;
    ui::FileSystem& files;
    FileLookup& lookup;
    FolderBrowser& browser;
    RuntimeImageSource& image;
    OutputFolder& outputFolder;
    BuildGuard& guard;
};

class ProjectorBuilder {
public:
    explicit ProjectorBuilder(ProjectorBuildContext context) : m_c(context) {}

    // The build run. An empty list returns at once. Otherwise: the folder chooser, the player
    // image fetched once, the hourglass and the bar at 0, then for each row "Processing", the
    // name check, the movie read whole, the projector written atomically, "OK" and the progress
    // bar; at the end the default pointer, the bar at 100 and "Create EXE Files Successful!".
    // A missing movie or a name without "." shows "Invalid input file name: " and the path and
    // stops; a file that cannot be read or written stops the run with a message naming it and
    // the reason. The row being worked on then keeps "Processing".
    BuildOutcome Command3_Click();
    BuildOutcome EXEtoSWF_Click() { return Command3_Click(); }

private:
    BuildOutcome run();
    BuildOutcome fail(const std::string& text);

    ProjectorBuildContext m_c;
};

}  // namespace builders

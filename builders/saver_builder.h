#pragma once
// "Make Saver Now!" (cmdWriteDisc_Click, and BurnNow_Click from the Action menu and Ctrl+B):
// one screensaver file per row of the movie list, written into the output folder, with the
// row's status, the progress bar and a closing message on the user interface.

#include <string>

#include "builders/build_guard.h"
#include "builders/output_folder.h"
#include "builders/output_name.h"
#include "builders/runtime_image.h"
#include "filelist/movie_list.h"
#include "ui/file_system.h"
#include "ui/ui.h"

namespace builders {

inline constexpr const char* kInvalidInputFileName = "Invalid input file name: ";
inline constexpr const char* kSaverSuccess = "Create ScreenSaver Successful!";

enum class BuildOutcome {
    EmptyList,    // nothing to do: no chooser, no message
    Busy,         // another build is going; this one was refused
    Completed,    // every row written, success message shown
    InvalidName,  // a movie is missing or its name has no "."; the run stopped there
    Failed,       // the image, a movie or an output could not be read or written
};

// One saver file: the outcome of writeSaverFor.
struct SaverWrite {
    enum class Failure { None, InvalidName, ReadMovie, WriteSaver };
    Failure failure = Failure::None;
    std::string target;   // the output name, once it is known
    std::string message;  // the text to show when failure is not None
};

// Writes the saver for one movie: looks up its listed name, forms the output name in
// outputFolder, reads the movie whole and replaces the target with image + movie + zero byte
// (through a temporary file). image must be kSaverHeaderSize bytes long. scratch is reused
// between calls so that a run allocates its largest saver once. Shared by the window's build
// run and by `flashsaver saver`.
SaverWrite writeSaverFor(std::string_view moviePath, std::string_view outputFolder,
                         std::string_view image, ui::FileSystem& files, FileLookup& lookup,
                         std::string& scratch);

// Everything a build run touches, owned by the main window.
struct SaverBuildContext {
    filelist::MovieList& list;
    ui::Ui& ui;
    ui::FileSystem& files;
    FileLookup& lookup;
    FolderBrowser& browser;
    RuntimeImageSource& image;
    OutputFolder& outputFolder;
    BuildGuard& guard;
};

class SaverBuilder {
public:
    explicit SaverBuilder(SaverBuildContext context) : m_c(context) {}

    // The build run. An empty list returns at once. Otherwise: the folder chooser, the runtime
    // image fetched once, the hourglass, then for each row "Processing", the name check, the
    // movie read whole, the saver written through a temporary file that replaces the target
    // only when complete, "OK" and the progress bar; at the end "Create ScreenSaver
    // Successful!" and the bar at 100. A missing movie or a name without "." shows "Invalid
    // input file name: " and the path and stops; any other failure stops too and names the
    // file and the reason. The row being worked on then keeps "Processing".
    BuildOutcome cmdWriteDisc_Click();
    BuildOutcome BurnNow_Click() { return cmdWriteDisc_Click(); }

private:
    BuildOutcome run();
    BuildOutcome fail(const std::string& text);

    SaverBuildContext m_c;
};

}  // namespace builders

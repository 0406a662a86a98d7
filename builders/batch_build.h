#pragma once
// A build run that writes one file per row of the movie list: an output program image followed
// by the row's movie, named after the movie in the output folder. "Make Saver Now!" and "SWF To
// EXE" are two kinds of it; they differ only in what OutputKind holds.

#include <cstddef>
#include <string>
#include <string_view>

#include "builders/build_guard.h"
#include "builders/output_folder.h"
#include "builders/output_name.h"
#include "builders/runtime_image.h"
#include "filelist/movie_list.h"
#include "ui/file_system.h"
#include "ui/ui.h"

namespace builders {

inline constexpr const char* kInvalidInputFileName = "Invalid input file name: ";

enum class BuildOutcome {
    EmptyList,    // nothing to do: no chooser, no message
    Busy,         // another build is going; this one was refused
    Completed,    // every row written, success message shown
    InvalidName,  // a movie is missing or its name has no "."; the run stopped there
    Failed,       // the image, a movie or an output could not be read or written
};

// What one kind of build writes and says.
struct OutputKind {
    std::string_view extension;  // of the output names
    std::string_view noun;       // in failure messages: "Cannot write the <noun> ..."
    std::size_t imageSize;       // the program image's exact length
    // Joins image and movie into out; false when the image has the wrong length.
    bool (*compose)(std::string_view image, std::string_view movie, std::string& out);
    const char* successText;
    // The hourglass and the bar at 0 come before the image is fetched (else after it).
    bool busyBeforeImage;
    // At the end the bar goes to 100 before the success message (else after it).
    bool barBeforeSuccess;
};

// One output file: the outcome of writeOutputFor.
struct OutputWrite {
    enum class Failure { None, InvalidName, ReadMovie, WriteOutput };
    Failure failure = Failure::None;
    std::string target;   // the output name, once it is known
    std::string message;  // the text to show when failure is not None
};

// Writes the output for one movie: looks up its listed name, forms the output name in
// outputFolder, reads the movie whole and replaces the target with what kind.compose makes
// (through a temporary file, so a failed write leaves an older file of that name as it was).
// scratch is reused between calls so that a run allocates its largest output once.
OutputWrite writeOutputFor(const OutputKind& kind, std::string_view moviePath,
                           std::string_view outputFolder, std::string_view image,
                           ui::FileSystem& files, FileLookup& lookup, std::string& scratch);

// Everything a build run touches, owned by the main window.
struct BuildContext {
    filelist::MovieList& list;
    ui::Ui& ui;
    ui::FileSystem& files;
    FileLookup& lookup;
    FolderBrowser& browser;
    RuntimeImageSource& image;
    OutputFolder& outputFolder;
    BuildGuard& guard;
};

// The build run. An empty list, or a run already going, returns at once. Otherwise: the folder
// chooser, the image fetched once, the hourglass and the bar at 0, then for each row
// "Processing", the name check, the movie read whole, the output written atomically, "OK" and
// the progress bar; at the end the default pointer, the success message and the bar at 100.
// A missing movie or a name without "." shows "Invalid input file name: " and the path and
// stops; any other failure stops too and names the file and the reason. The row being worked
// on then keeps "Processing".
BuildOutcome runBuild(const OutputKind& kind, BuildContext& c);

}  // namespace builders

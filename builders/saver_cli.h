#pragma once
// `flashsaver saver MOVIE.swf... -o DIR [--runtime IMAGE]`: writes the same saver files as
// "Make Saver Now!", through the same code, one line per file on out and one line naming the
// file and the reason on err when it fails. Hooked into the command table of cli/.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "builders/output_name.h"
#include "core/result.h"
#include "ui/file_system.h"

namespace builders {

inline constexpr std::string_view kSaverCommandHelp =
    "usage: flashsaver saver MOVIE.swf... -o DIR [--runtime IMAGE]\n"
    "Writes one screensaver (.Scr) per movie into DIR, named after the movie up to its first\n"
    "\".\". IMAGE is the padded screensaver runtime (saver_image.bin of the Windows build);\n"
    "without it the one the tool carries is used. Stops at the first movie that fails.\n";

struct SaverCommandArgs {
    std::vector<std::string> movies;
    std::string outputDir;     // as given; empty means the current directory
    std::string runtimePath;   // --runtime, empty when not given
};

// Parses the arguments after "saver"; an InvalidArgument error says what is wrong.
core::Result<SaverCommandArgs> parseSaverArgs(std::span<const std::string_view> args);

// The output folder prefix for a directory given on the command line: the directory followed
// by the system's separator, unless it already ends in one; empty for an empty directory.
std::string outputFolderFor(std::string_view dir);

// Exit codes as the command-line tool uses them.
inline constexpr int kSaverExitOk = 0;
inline constexpr int kSaverExitFailed = 1;
inline constexpr int kSaverExitUsage = 2;

// Writes a saver for every movie in order into outputDir, with runtimeImage (exactly
// kSaverHeaderSize bytes). Prints "MOVIE -> OUTPUT" per file written to out; on the first
// failure prints one line to err and returns kSaverExitFailed.
int writeSavers(std::span<const std::string> movies, std::string_view outputDir,
                std::string_view runtimeImage, ui::FileSystem& files, FileLookup& lookup,
                std::string& out, std::string& err);

// The whole command: parses args, loads the runtime image from --runtime or, without it, takes
// defaultImage (empty when the tool carries none), and writes the savers.
int runSaverCommand(std::span<const std::string_view> args, std::string_view defaultImage,
                    ui::FileSystem& files, FileLookup& lookup, std::string& out,
                    std::string& err);

}  // namespace builders

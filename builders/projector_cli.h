#pragma once
// `flashsaver projector MOVIE.swf... -o DIR [--player IMAGE]` and `flashsaver extract IN.exe
// OUT.swf`: the projectors of "SWF To EXE" and the movie of "EXE To SWF", through the same code,
// one line per file on out and one line naming the file and the reason on err when it fails.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "builders/output_name.h"
#include "core/result.h"
#include "ui/file_system.h"

namespace builders {

inline constexpr std::string_view kProjectorCommandHelp =
    "usage: flashsaver projector MOVIE.swf... -o DIR [--player IMAGE]\n"
    "Writes one standalone player (.exe) per movie into DIR, named after the movie up to its\n"
    "first \".\": the player program, the movie and an 8-byte trailer. IMAGE is the padded player\n"
    "(player_image.bin of the Windows build); without it the one the tool carries is used.\n"
    "Stops at the first movie that fails.\n"
    "\n"
    "Exit status: 0 when every file was written, 1 when a movie or the player cannot be read or\n"
    "a file cannot be written, 2 on wrong usage.\n";

inline constexpr std::string_view kExtractCommandHelp =
    "usage: flashsaver extract IN.exe OUT.swf\n"
    "Takes the movie out of a standalone player executable and writes it to OUT.swf: exactly\n"
    "the movie when the file ends with a projector trailer, otherwise everything from the first\n"
    "SWF signature (FWS or CWS) found in the fixed search windows to the end of the file.\n"
    "\n"
    "Exit status: 0 when the movie was written, 1 when none was found or a file cannot be read\n"
    "or written, 2 on wrong usage.\n";

struct ProjectorCommandArgs {
    std::vector<std::string> movies;
    std::string outputDir;
    std::string playerPath;  // --player, empty when not given
};

core::Result<ProjectorCommandArgs> parseProjectorArgs(std::span<const std::string_view> args);

// Writes a projector for every movie in order into outputDir with playerImage (exactly
// kProjectorImageSize bytes). Returns 0, or 1 after one line on err at the first failure.
int writeProjectors(std::span<const std::string> movies, std::string_view outputDir,
                    std::string_view playerImage, ui::FileSystem& files, FileLookup& lookup,
                    std::string& out, std::string& err);

// The whole command: the player from --player or, without it, defaultImage.
int runProjectorCommand(std::span<const std::string_view> args, std::string_view defaultImage,
                        ui::FileSystem& files, FileLookup& lookup, std::string& out, std::string& err);

// `flashsaver extract`: 0 written, 1 nothing found or a file failed, 2 wrong usage.
int runExtractCommand(std::span<const std::string_view> args, ui::FileSystem& files, std::string& out,
                      std::string& err);

}  // namespace builders

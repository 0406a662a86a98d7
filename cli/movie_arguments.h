#pragma once
// What the commands that play a movie headless (render, trace, sound) share: usage errors in one
// form, range-checked numbers, the one movie argument, and opening the movie.

#include <memory>
#include <string>
#include <string_view>

#include "cli/cli.h"

namespace player {
class Player;
}

namespace cli {

// Writes "flashsaver COMMAND: WHY (try 'flashsaver COMMAND --help')" and returns kExitUsage.
int usageError(Output& io, std::string_view command, std::string_view why);

// A whole decimal number from lo to hi; false for anything else.
bool parseNumber(std::string_view s, long lo, long hi, long& out);

// Takes an argument that no option of the command claimed: the movie file, once. Returns the
// reason when it is an unknown option or a second file, or empty when it was taken.
std::string takeMovieArgument(std::string_view arg, std::string& movie);

// Opens a movie to play headless; loadMovie reads files beside it. On failure writes
// "PATH: reason" and returns null.
std::unique_ptr<player::Player> openMovie(const std::string& path, Output& io);

}  // namespace cli

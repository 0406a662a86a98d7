#include "cli/movie_arguments.h"

#include <charconv>

#include "player/local_files.h"
#include "player/player.h"

namespace cli {

int usageError(Output& io, std::string_view command, std::string_view why) {
    io.err += "flashsaver ";
    io.err += command;
    io.err += ": ";
    io.err += why;
    io.err += " (try 'flashsaver ";
    io.err += command;
    io.err += " --help')\n";
    return kExitUsage;
}

bool parseNumber(std::string_view s, long lo, long hi, long& out) {
    long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

std::string takeMovieArgument(std::string_view arg, std::string& movie) {
    if (!arg.empty() && arg[0] == '-') return "unknown option '" + std::string(arg) + "'";
    if (!movie.empty()) return "expected one movie file";
    movie = arg;
    return {};
}

std::unique_ptr<player::Player> openMovie(const std::string& path, Output& io) {
    player::PlayerOptions options;
    options.loadFile = player::filesBeside(path);
    auto loaded = player::Player::loadFile(path, options);
    if (!loaded) {
        io.err += path + ": " + loaded.error().message + "\n";
        return nullptr;
    }
    return std::move(*loaded);
}

}  // namespace cli

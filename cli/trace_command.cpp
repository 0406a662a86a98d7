// `flashsaver trace MOVIE.swf [--frames N]`: runs the movie headless and prints what its
// scripts trace, one message per line.
#include <string>

#include "cli/movie_arguments.h"
#include "player/player.h"
#include "player/script_host.h"

namespace cli {

namespace {

constexpr long kMaxTraceFrames = 1000000;
constexpr long kDefaultFrameCap = 1000;  // when the movie's own frame count is used

}  // namespace

int runTrace(std::span<const std::string_view> args, Output& io) {
    std::string movie;
    long frames = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--frames") {
            if (i + 1 >= args.size() || !parseNumber(args[++i], 1, kMaxTraceFrames, frames))
                return usageError(io, "trace", "--frames needs a number from 1 to " + std::to_string(kMaxTraceFrames));
        } else if (auto why = takeMovieArgument(args[i], movie); !why.empty()) {
            return usageError(io, "trace", why);
        }
    }
    if (movie.empty()) return usageError(io, "trace", "expected one movie file");

    // The main timeline loops, as in a player: frames past the end start it over.
    auto loaded = openMovie(movie, io);
    if (!loaded) return kExitBadInput;
    player::Player& p = *loaded;
    if (frames == 0) frames = std::min<long>(std::max<long>(p.frameCount(), 1), kDefaultFrameCap);
    player::ScriptHost* scripts = p.scripts();
    scripts->setTraceSink([&io](std::string_view m) {
        io.out.append(m);
        io.out += '\n';
    });
    for (long f = 0; f < frames && !scripts->quitRequested(); ++f) p.advance();
    if (scripts->abortedRuns() > 0)
        io.err += movie + ": " + std::to_string(scripts->abortedRuns()) +
                  " script run(s) stopped: " + scripts->vm().lastAbort() + "\n";
    return kExitOk;
}

}  // namespace cli

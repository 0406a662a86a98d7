// `flashsaver trace MOVIE.swf [--frames N]`: runs the movie headless and prints what its
// scripts trace, one message per line.
#include <charconv>
#include <string>

#include "cli/cli.h"
#include "player/local_files.h"
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
    auto usage = [&](const std::string& why) {
        io.err += "flashsaver trace: " + why + " (try 'flashsaver trace --help')\n";
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        if (a == "--frames") {
            if (i + 1 >= args.size()) return usage("--frames needs a number");
            std::string_view v = args[++i];
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), frames);
            if (ec != std::errc() || p != v.data() + v.size() || frames < 1 || frames > kMaxTraceFrames)
                return usage("--frames needs a number from 1 to " + std::to_string(kMaxTraceFrames));
        } else if (!a.empty() && a[0] == '-') {
            return usage("unknown option '" + std::string(a) + "'");
        } else if (movie.empty()) {
            movie = a;
        } else {
            return usage("expected one movie file");
        }
    }
    if (movie.empty()) return usage("expected one movie file");

    // The main timeline loops, as in a player: frames past the end start it over.
    player::PlayerOptions options;
    options.loadFile = player::filesBeside(movie);  // loadMovie reads files beside the movie
    auto loaded = player::Player::loadFile(movie, options);
    if (!loaded) {
        io.err += movie + ": " + loaded.error().message + "\n";
        return kExitBadInput;
    }
    player::Player& p = **loaded;
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

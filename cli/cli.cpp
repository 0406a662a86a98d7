#include "cli/cli.h"

#include <array>

#include "builders/projector_cli.h"
#include "builders/saver_cli.h"

namespace cli {

namespace {

constexpr std::string_view kInfoHelp =
    "usage: flashsaver info MOVIE.swf\n"
    "\n"
    "Prints the movie's header (SWF version, compression, stage size in pixels, frame rate,\n"
    "frame count), how often each tag occurs, how many characters of each kind it defines and\n"
    "every problem found while reading it.\n"
    "\n"
    "Exit status: 0 when the movie reads without errors, 1 when it is missing or broken (one\n"
    "line on stderr names the file and the fault), 2 on wrong usage.\n";

constexpr std::string_view kRenderHelp =
    "usage: flashsaver render MOVIE.swf -o OUT.png [--frame N] [--size WxH] [--quality low|high]\n"
    "\n"
    "Runs the movie N iterations from the start (the first one executes frame 1; default 1) and\n"
    "writes the picture as PNG, at the stage size or at WxH with the stage scaled to fit and\n"
    "centred (the bars in the background colour). Quality high (default) is anti-aliased, low\n"
    "is not.\n"
    "\n"
    "Exit status: 0 when the picture was written, 1 when the movie is missing or broken or the\n"
    "file cannot be written, 2 on wrong usage.\n";

constexpr std::string_view kTraceHelp =
    "usage: flashsaver trace MOVIE.swf [--frames N]\n"
    "\n"
    "Runs the movie's scripts headless for N iterations (default: the movie's frame count, at\n"
    "most 1000; the main timeline loops as in a player, and a call of fscommand(\"quit\") ends\n"
    "the run early) and prints each trace() message on its own line. Scripts stopped by the\n"
    "step budget are reported on stderr.\n"
    "\n"
    "Exit status: 0 when the movie ran, 1 when it is missing or broken, 2 on wrong usage.\n";

constexpr std::string_view kSoundHelp =
    "usage: flashsaver sound MOVIE.swf -o OUT.wav [--seconds N]\n"
    "\n"
    "Runs the movie headless at its frame rate for N seconds (default: one pass through its\n"
    "frames, at most 60 seconds) and writes the mixed sound of its event and stream sounds as a\n"
    "44.1 kHz 16-bit stereo WAV file. The file is replaced only once it is complete. Sounds that\n"
    "cannot be decoded stay silent and are reported on stderr.\n"
    "\n"
    "Exit status: 0 when the file was written, 1 when the movie is missing or broken or the file\n"
    "cannot be written, 2 on wrong usage.\n";

const std::array kCommands = {
    Command{"info", "show a movie's header, tags, characters and problems", kInfoHelp, runInfo},
    Command{"render", "draw a frame of a movie into a PNG file", kRenderHelp, runRender},
    Command{"trace", "run a movie's scripts and print their trace output", kTraceHelp, runTrace},
    Command{"sound", "write a movie's mixed sound into a WAV file", kSoundHelp, runSound},
    Command{"saver", "write one screensaver (.Scr) per movie", builders::kSaverCommandHelp, runSaver},
    Command{"projector", "write one standalone player (.exe) per movie", builders::kProjectorCommandHelp,
            runProjector},
    Command{"extract", "take the movie out of a standalone player", builders::kExtractCommandHelp, runExtract},
};

std::string globalHelp() {
    std::string s =
        "usage: flashsaver COMMAND [ARGS...]\n"
        "\n"
        "Works with Flash movies (SWF) from the command line.\n"
        "\n"
        "commands:\n";
    for (const Command& c : kCommands) {
        std::string name(c.name);
        name.resize(12, ' ');
        s += "  " + name + std::string(c.summary) + "\n";
    }
    s += "\n'flashsaver COMMAND --help' describes one command.\n";
    return s;
}

}  // namespace

std::span<const Command> commands() { return kCommands; }

bool wantsHelp(std::span<const std::string_view> args) {
    for (std::string_view a : args)
        if (a == "-h" || a == "--help") return true;
    return false;
}

int run(std::span<const std::string_view> args, Output& io) {
    if (args.empty()) {
        io.err += "flashsaver: no command given (try 'flashsaver --help')\n";
        return kExitUsage;
    }
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        io.out += globalHelp();
        return kExitOk;
    }
    for (const Command& c : kCommands) {
        if (c.name != args[0]) continue;
        auto rest = args.subspan(1);
        if (wantsHelp(rest)) {
            io.out += c.help;
            return kExitOk;
        }
        return c.run(rest, io);
    }
    io.err += "flashsaver: unknown command '" + std::string(args[0]) + "' (try 'flashsaver --help')\n";
    return kExitUsage;
}

}  // namespace cli

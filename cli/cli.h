#pragma once
// The `flashsaver` command-line tool: a table of commands, each with its own help. Output is
// collected into strings so that the commands can be tested without a process.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Exit codes shared by every command.
enum ExitCode : int { kExitOk = 0, kExitBadInput = 1, kExitUsage = 2 };

struct Output {
    std::string out;  // results
    std::string err;  // problems, one line each
};

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the command list
    std::string_view help;     // full help text, usage line first
    int (*run)(std::span<const std::string_view> args, Output& io);
};

// All commands, in the order `flashsaver --help` lists them.
std::span<const Command> commands();

// Runs the tool with its arguments (argv[1..]).
int run(std::span<const std::string_view> args, Output& io);

// Individual commands.
int runInfo(std::span<const std::string_view> args, Output& io);
int runRender(std::span<const std::string_view> args, Output& io);
int runSaver(std::span<const std::string_view> args, Output& io);
int runProjector(std::span<const std::string_view> args, Output& io);
int runExtract(std::span<const std::string_view> args, Output& io);
int runTrace(std::span<const std::string_view> args, Output& io);
int runSound(std::span<const std::string_view> args, Output& io);

// The program's arguments (without its name) as UTF-8. On Windows they come from the wide
// command line, so file names outside the ANSI code page arrive intact.
std::vector<std::string> programArguments(int argc, char** argv);

// True when `args` asks for help (-h or --help anywhere).
bool wantsHelp(std::span<const std::string_view> args);

}  // namespace cli

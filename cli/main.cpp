// Entry point of the `flashsaver` program.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> owned = cli::programArguments(argc, argv);
    const std::vector<std::string_view> args(owned.begin(), owned.end());
    cli::Output io;
    int rc = cli::run(args, io);
    std::fputs(io.out.c_str(), stdout);
    std::fflush(stdout);
    std::fputs(io.err.c_str(), stderr);
    return rc;
}

// The program's arguments on systems whose command line is already UTF-8 bytes.
#include "cli/cli.h"

#ifndef _WIN32
namespace cli {

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace cli
#endif

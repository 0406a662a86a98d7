// Writes the demo movie to the path given as the only argument (run by the build).
#include <cstdio>

#include "cli/demo/demo_movie.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_movie OUT.swf\n");
        return 2;
    }
    const swf::Bytes bytes = demo::buildDemoMovie();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot open for writing\n", argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "%s: write failed\n", argv[1]);
        return 1;
    }
    return 0;
}

// vfs_view_movie OUT.swf [FRAMES [RATE]]: writes the player view's test movie (a red square on
// a blue 100x100 stage, moved in each further frame) for the end-to-end scripts.
// vfs_view_movie OUT.swf big: the 10 MB movie of the start-up figures (the square stays centred).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/platform/view_movies.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vfs_view_movie OUT.swf [FRAMES [RATE]]\n");
        return 2;
    }
    const bool big = argc > 2 && std::strcmp(argv[2], "big") == 0;
    const unsigned frames = argc > 2 && !big ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    const double rate = argc > 3 ? std::atof(argv[3]) : 24.0;
    const std::vector<std::uint8_t> movie =
        big ? view_movies::bigMovie() : view_movies::squareMovie(frames < 1 ? 1 : frames, rate);
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(movie.data(), 1, movie.size(), f) == movie.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}

#pragma once
// Finding the movies of the shared conformance corpus for tests and benchmarks. The corpus
// lives beside the repository (../shared/corpus); when it is absent the lists are empty and the
// callers skip.

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vfs_test {

// Every *.swf below `dir`, sorted.
inline void collectMovies(const std::string& dir, std::vector<std::string>& out) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "/" + name;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) collectMovies(path, out);
        else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".swf") == 0) out.push_back(path);
    }
    closedir(d);
}

// The corpus folder: beside the source tree, or one level further up (a worktree in a folder
// of its own). Empty when neither exists.
inline std::string corpusRoot(const std::string& sourceDir) {
    for (const char* rel : {"/../shared/corpus", "/../../shared/corpus"}) {
        struct stat st {};
        const std::string p = sourceDir + rel;
        if (stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return p;
    }
    return {};
}

// Every movie of the corpus, sorted; empty without the corpus.
inline std::vector<std::string> corpusMovies(const std::string& sourceDir) {
    std::vector<std::string> movies;
    const std::string root = corpusRoot(sourceDir);
    if (!root.empty()) collectMovies(root, movies);
    std::sort(movies.begin(), movies.end());
    return movies;
}

}  // namespace vfs_test

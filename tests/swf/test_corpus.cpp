// Every movie of the shared conformance corpus must parse without an error.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/file_io.h"
#include "swf/movie.h"

namespace {

void collect(const std::string& dir, std::vector<std::string>& out) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) collect(path, out);
        else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".swf") == 0) out.push_back(path);
    }
    closedir(d);
}

TEST(Corpus, EveryMovieParsesWithoutError) {
    // The shared folder sits beside the checkout (or beside the folder of worktrees).
    std::string root = std::string(VFS_SOURCE_DIR) + "/../shared/corpus";
    std::vector<std::string> movies;
    collect(root, movies);
    if (movies.empty()) collect(root = std::string(VFS_SOURCE_DIR) + "/../../shared/corpus", movies);
    if (movies.empty()) GTEST_SKIP() << "corpus not found at " << root;
    for (const std::string& path : movies) {
        auto bytes = core::readFile(path);
        ASSERT_TRUE(bytes.ok()) << path;
        auto m = swf::parseMovie(*bytes);
        ASSERT_TRUE(m.ok()) << path << ": " << m.error().message;
        EXPECT_FALSE(m->hasErrors()) << path << ": " << m->firstError();
        EXPECT_FALSE(m->tags.empty()) << path;
    }
    EXPECT_GE(movies.size(), 100u);
}

}  // namespace

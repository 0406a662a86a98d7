// Every movie of the shared conformance corpus must parse without an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_io.h"
#include "swf/movie.h"
#include "tests/support/corpus_files.h"

namespace {

TEST(Corpus, EveryMovieParsesWithoutError) {
    const std::vector<std::string> movies = vfs_test::corpusMovies(VFS_SOURCE_DIR);
    if (movies.empty()) GTEST_SKIP() << "corpus not found";
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

// Every corpus movie loads, plays a few hundred frames, jumps back and forth and keeps
// producing a draw list; going back to a frame gives what playing to it gave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/player.h"
#include "tests/support/corpus_files.h"

namespace {

// depth -> character of the main timeline's display list.
std::vector<std::pair<int, int>> topLevel(const player::Player& p) {
    std::vector<std::pair<int, int>> v;
    for (const auto& [depth, obj] : p.root().displayList()) v.emplace_back(depth, obj.placement.characterId);
    return v;
}

TEST(CorpusPlay, EveryMoviePlays) {
    const std::vector<std::string> movies = vfs_test::corpusMovies(VFS_SOURCE_DIR);
    if (movies.empty()) GTEST_SKIP() << "corpus not found";
    std::size_t drewSomething = 0;
    for (const std::string& path : movies) {
        // The timeline alone: scripts jump around (preloaders), so frame k is not reached at
        // iteration k and rewinding cannot be compared with playing.
        player::PlayerOptions options;
        options.runScripts = false;
        auto loaded = player::Player::loadFile(path, options);
        ASSERT_TRUE(loaded.ok()) << path << ": " << loaded.error().message;
        player::Player& p = **loaded;
        std::vector<std::vector<std::pair<int, int>>> seen;
        bool drew = false;
        for (int i = 0; i < 200; ++i) {
            p.advance();
            if (static_cast<int>(p.currentFrame()) == i + 1) seen.push_back(topLevel(p));
            if (!p.drawList().items.empty()) drew = true;
        }
        drewSomething += drew ? 1 : 0;
        for (std::size_t f = seen.size(); f-- > 0;) {
            p.gotoFrame(static_cast<std::uint16_t>(f + 1));
            ASSERT_EQ(topLevel(p), seen[f]) << path << " frame " << f + 1;
        }
    }
    // Most corpus movies place something without help from scripts.
    EXPECT_GT(drewSomething, movies.size() / 3);
}

}  // namespace

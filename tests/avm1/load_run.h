#pragma once
// A player for tests of loading: its loader serves `files` and records what it was asked for;
// trace output collects in `out`, with "|" after every frame.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace avm1test {

struct LoadRun {
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::string> asked;
    std::string out;
    std::unique_ptr<player::Player> player;

    void load(const swf::MovieWriter& w, bool withLoader = true) {
        player::PlayerOptions options;
        if (withLoader)
            options.loadFile = [this](const std::string& path) -> std::optional<std::vector<std::uint8_t>> {
                asked.push_back(path);
                auto it = files.find(path);
                if (it == files.end()) return std::nullopt;
                return it->second;
            };
        auto loaded = player::Player::loadBytes(w.finish(), options);
        ASSERT_TRUE(loaded.ok());
        player = std::move(loaded.value());
        player->scripts()->setTraceSink([this](std::string_view s) {
            out.append(s);
            out += '\n';
        });
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            player->advance();
            out += "|\n";  // frame boundary
        }
    }
};

}  // namespace avm1test

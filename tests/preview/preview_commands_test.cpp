// The preview commands against a fake player: each case is a script of user actions on the
// list and the buttons, the calls the player receives, and where the player and PausedFrame
// end up. The fake plays movies by name ("a.swf" 10 frames, "b.swf" 20, "long.swf" 50,000);
// any other path is a missing movie that loads as nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "filelist/movie_list.h"
#include "preview/preview_commands.h"
#include "tests/ui/fake_ui.h"

namespace {

using Lines = std::vector<std::string>;

class FakeFlash : public preview::FlashControl {
public:
    mutable Lines calls;  // reads are logged too
    std::string movie;  // what the player holds; empty: nothing
    std::int32_t frame = 0;
    bool playing = false;

    void putMovie(const std::string& path) override {
        calls.push_back("Movie=" + path);
        const auto it = kMovies.find(path);
        movie = it == kMovies.end() ? std::string() : path;
        frame = 0;
        playing = !movie.empty();
    }
    std::int32_t frameNum() const override {
        calls.push_back("FrameNum?");
        return frame;
    }
    void putFrameNum(std::int32_t f) override {
        calls.push_back("FrameNum=" + std::to_string(f));
        if (!movie.empty()) frame = std::clamp(f, 0, count() - 1);
    }
    void play() override {
        calls.push_back("Play");
        playing = !movie.empty();
    }
    void stop() override {
        calls.push_back("Stop");
        playing = false;
    }
    void rewind() override {
        calls.push_back("Rewind");
        frame = 0;
        playing = false;
    }
    void putPlaying(bool p) override {
        calls.push_back(std::string("Playing=") + (p ? "true" : "false"));
        playing = p && !movie.empty();
    }
    void stopPlay() override {
        calls.push_back("StopPlay");
        playing = false;
    }

    // Frames pass while the movie plays; it loops.
    void run(std::int32_t frames) {
        if (playing) frame = static_cast<std::int32_t>((static_cast<std::int64_t>(frame) + frames) % count());
    }

private:
    std::int32_t count() const { return kMovies.at(movie); }
    static inline const std::map<std::string, std::int32_t> kMovies{
        {"C:\\m\\a.swf", 10}, {"C:\\m\\b.swf", 20}, {"C:\\m\\long.swf", 50000}};
};

struct Step {
    std::string action;  // add PATH | select N | unselect | clear | play | pause | stop | load | run N | mark
    std::string arg;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    Lines calls;            // the player's calls after the last "mark" (all of them without one)
    std::string movie;      // what the player holds at the end
    std::int32_t frame;
    bool playing;
    std::int32_t pausedFrame;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::string kA = "C:\\m\\a.swf";
const std::string kB = "C:\\m\\b.swf";
const std::string kLong = "C:\\m\\long.swf";

class PreviewScript : public ::testing::TestWithParam<Case> {};

TEST_P(PreviewScript, PlayerCallsAndState) {
    const Case& c = GetParam();
    filelist::MovieList list;
    ui::testing::FakeUi ui;
    FakeFlash flash;
    preview::PreviewCommands preview(list, ui, flash);
    for (const Step& s : c.steps) {
        if (s.action == "add") list.append(filelist::Row(s.arg, "1", "01-01-2026", ""));
        else if (s.action == "select") ui.selection = std::stoul(s.arg);
        else if (s.action == "unselect") ui.selection.reset();
        else if (s.action == "clear") {
            list.clear();
            ui.selection.reset();
        } else if (s.action == "play") preview.play();
        else if (s.action == "pause") preview.pause();
        else if (s.action == "stop") preview.stop();
        else if (s.action == "load") preview.loadAndPlaySelected();
        else if (s.action == "run") flash.run(std::stoi(s.arg));
        else if (s.action == "mark") flash.calls.clear();
        else FAIL() << "unknown step " << s.action;
    }
    EXPECT_EQ(flash.calls, c.calls);
    EXPECT_EQ(flash.movie, c.movie);
    EXPECT_EQ(flash.frame, c.frame);
    EXPECT_EQ(flash.playing, c.playing);
    EXPECT_EQ(preview.pausedFrame(), c.pausedFrame);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, PreviewScript, ::testing::Values(
    // Right after start: Play with a selected row loads and plays it; with no rows nothing.
    Case{"play_at_start_loads_the_selected_row",
         {{"add", kA}, {"add", kB}, {"select", "2"}, {"play", ""}},
         {"Movie=" + kB, "Play"}, kB, 0, true, 0},
    Case{"play_with_an_empty_list_does_nothing",
         {{"play", ""}, {"select", "1"}, {"play", ""}},
         {}, "", 0, false, 0},
    Case{"play_with_rows_but_no_selection_does_nothing",
         {{"add", kA}, {"play", ""}},
         {}, "", 0, false, 0},
    // Play, Pause, Play: on from the paused frame.
    Case{"pause_then_play_resumes_at_the_paused_frame",
         {{"add", kA}, {"select", "1"}, {"play", ""}, {"run", "4"}, {"mark", ""}, {"pause", ""}, {"run", "3"},
          {"play", ""}},
         {"Stop", "FrameNum?", "FrameNum=4", "Play"}, kA, 4, true, 4},
    // Play, Pause, Stop, Play: from the paused frame, not the first one. Stop's calls in order.
    Case{"stop_after_a_pause_keeps_the_paused_frame",
         {{"add", kA}, {"select", "1"}, {"play", ""}, {"run", "6"}, {"pause", ""}, {"mark", ""}, {"stop", ""},
          {"play", ""}},
         {"StopPlay", "Rewind", "Playing=false", "StopPlay", "FrameNum=6", "Play"}, kA, 6, true, 6},
    Case{"stop_rewinds_and_halts",
         {{"add", kA}, {"select", "1"}, {"play", ""}, {"run", "6"}, {"mark", ""}, {"stop", ""}},
         {"StopPlay", "Rewind", "Playing=false", "StopPlay"}, kA, 0, false, 0},
    // A Pause on frame 0 remembers nothing: Play loads the selected row again from its start.
    Case{"pause_on_frame_zero_lets_play_load_the_row_again",
         {{"add", kA}, {"add", kB}, {"select", "1"}, {"play", ""}, {"pause", ""}, {"select", "2"}, {"mark", ""},
          {"play", ""}},
         {"Movie=" + kB, "Play"}, kB, 0, true, 0},
    // After a Pause, Play ignores another selected row and jumps in the loaded movie.
    Case{"after_a_pause_play_ignores_the_selection",
         {{"add", kA}, {"add", kB}, {"select", "2"}, {"play", ""}, {"run", "15"}, {"pause", ""}, {"select", "1"},
          {"mark", ""}, {"play", ""}},
         {"FrameNum=15", "Play"}, kB, 15, true, 15},
    // A double click on the other row loads it from its start; the next Play jumps to the
    // remembered frame inside the new movie (clamped by the player to its last frame).
    Case{"double_click_loads_then_play_jumps_in_the_new_movie",
         {{"add", kA}, {"add", kB}, {"select", "2"}, {"play", ""}, {"run", "15"}, {"pause", ""}, {"select", "1"},
          {"mark", ""}, {"load", ""}, {"run", "2"}, {"play", ""}},
         {"Movie=" + kA, "Play", "FrameNum=15", "Play"}, kA, 9, true, 15},
    // After a Pause, clearing the list makes Play do nothing; the player keeps its movie.
    Case{"after_clearing_the_list_play_does_nothing",
         {{"add", kA}, {"select", "1"}, {"play", ""}, {"run", "3"}, {"pause", ""}, {"clear", ""}, {"mark", ""},
          {"play", ""}, {"load", ""}},
         {}, kA, 3, false, 3},
    // Load and play selected without a selected row, and with a selection the list no longer
    // has, does nothing.
    Case{"double_click_without_a_selection_does_nothing",
         {{"add", kA}, {"load", ""}, {"select", "2"}, {"load", ""}, {"play", ""}},
         {}, "", 0, false, 0},
    Case{"double_click_loads_and_leaves_the_paused_frame",
         {{"add", kA}, {"add", kB}, {"select", "1"}, {"play", ""}, {"run", "5"}, {"pause", ""}, {"select", "2"},
          {"mark", ""}, {"load", ""}},
         {"Movie=" + kB, "Play"}, kB, 0, true, 5},
    // Pause and Stop with nothing loaded act on the empty player; it reports frame 0.
    Case{"pause_and_stop_on_the_empty_player",
         {{"pause", ""}, {"stop", ""}},
         {"Stop", "FrameNum?", "StopPlay", "Rewind", "Playing=false", "StopPlay"}, "", 0, false, 0},
    // A missing movie: its path goes to the player unchanged and the player shows nothing.
    Case{"missing_movie_is_handed_over_unchanged",
         {{"add", "C:\\m\\\xe5\xb1\x8f gone.swf"}, {"select", "1"}, {"play", ""}},
         {"Movie=C:\\m\\\xe5\xb1\x8f gone.swf", "Play"}, "", 0, false, 0},
    // PausedFrame holds frames above 32767: Play resumes there, not at a negative frame.
    Case{"pause_above_frame_32767_resumes_there",
         {{"add", kLong}, {"select", "1"}, {"play", ""}, {"run", "40000"}, {"pause", ""}, {"run", "5"},
          {"mark", ""}, {"play", ""}},
         {"FrameNum=40000", "Play"}, kLong, 40000, true, 40000},
    // Only a Pause changes PausedFrame: a later Pause on another frame replaces it.
    Case{"a_second_pause_replaces_the_frame",
         {{"add", kA}, {"select", "1"}, {"play", ""}, {"run", "2"}, {"pause", ""}, {"play", ""}, {"run", "5"},
          {"pause", ""}, {"stop", ""}, {"mark", ""}, {"play", ""}},
         {"FrameNum=7", "Play"}, kA, 7, true, 7}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace

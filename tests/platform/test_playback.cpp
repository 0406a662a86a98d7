// Real-time playback without a window: frames due by the clock (drift, catch-up, dropping),
// "the picture changed" detection, stillness (no timer for a movie that cannot move), Loop off,
// and the DIB pixel words.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "platform/playback.h"
#include "swf/tag_codes.h"
#include "view_movies.h"

namespace {

using platform::FrameClock;
using platform::Playback;
using platform::PlaybackSettings;

constexpr std::int64_t kSecond = 1000000;

TEST(FrameRate, OutOfRangeRatesPlayAtTheBounds) {
    struct Row {
        double header;
        double expected;
    };
    const Row rows[] = {
        {24.0, 24.0},
        {0.0, platform::kMaxFrameRate},       // "as fast as driven": the fastest we drive
        {-3.0, platform::kMaxFrameRate},
        {std::nan(""), platform::kMaxFrameRate},
        {1000.0, platform::kMaxFrameRate},
        {1.0 / 1024.0, platform::kMinFrameRate},
        {0.5, 0.5},
    };
    for (const Row& r : rows) EXPECT_DOUBLE_EQ(platform::effectiveFrameRate(r.header), r.expected) << r.header;
}

// One call of take() at `at` microseconds and what it must give.
struct Take {
    std::int64_t at;
    unsigned frames;
    std::int64_t untilNext;  // after the call
};

struct ClockCase {
    const char* name;
    double rate;
    std::vector<Take> takes;
    std::uint64_t dropped;
};
void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.name; }

class FrameClockSteps : public ::testing::TestWithParam<ClockCase> {};

TEST_P(FrameClockSteps, GivesTheFramesDueByTheClock) {
    const ClockCase& c = GetParam();
    FrameClock clock(c.rate, 4);
    clock.start(0);
    for (const Take& t : c.takes) {
        EXPECT_EQ(clock.take(t.at), t.frames) << "at " << t.at;
        EXPECT_EQ(clock.untilNext(t.at), t.untilNext) << "at " << t.at;
    }
    EXPECT_EQ(clock.dropped(), c.dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameClockSteps,
    ::testing::Values(
        // 10 fps: frames due at 100 ms, 200 ms, ...
        ClockCase{"early_exact_late", 10.0,
                  {{50000, 0, 50000}, {100000, 1, 100000}, {199999, 0, 1}, {200000, 1, 100000},
                   {450000, 2, 50000}},
                  0},
        // A late tick does not move the schedule: the frame after it is still due on the grid.
        ClockCase{"late_tick_keeps_grid", 10.0, {{130000, 1, 70000}, {200000, 1, 100000}}, 0},
        // Five periods late with a catch-up of four: four frames, one dropped, and the schedule
        // starts again from the late tick.
        ClockCase{"backlog_dropped", 10.0, {{500000, 4, 100000}, {600000, 1, 100000}}, 1},
        ClockCase{"far_behind", 10.0, {{10 * kSecond, 4, 100000}}, 96},
        // 30 fps: periods of 33333.3 us, rounded per frame from the start, not accumulated.
        ClockCase{"thirds", 30.0, {{33333, 1, 33334}, {66667, 1, 33333}, {100000, 1, 33333}}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameClock, HaltedClockGivesNothing) {
    FrameClock clock(24.0);
    EXPECT_EQ(clock.take(kSecond), 0u);
    EXPECT_EQ(clock.untilNext(kSecond), -1);
    clock.start(0);
    clock.halt();
    EXPECT_EQ(clock.take(kSecond), 0u);
}

// A timer that always wakes late by the granularity of the system timer (15.625 ms steps,
// rounded up) must still deliver exactly rate x seconds frames: counting timer ticks instead
// would play a 24 fps movie at 21 fps.
TEST(FrameClock, CoarseTimerKeepsTheRateOverLongRuns) {
    struct Row {
        double rate;
        std::int64_t seconds;
    };
    const Row rows[] = {{24.0, 60}, {30.0, 600}, {12.0, 3600}, {29.97, 100}};
    for (const Row& r : rows) {
        FrameClock clock(r.rate);
        clock.start(0);
        std::int64_t now = 0;
        std::uint64_t frames = 0;
        const std::int64_t end = r.seconds * kSecond;
        while (now < end) {
            const std::int64_t wait = clock.untilNext(now);
            const std::int64_t quantum = 15625;
            now += std::max<std::int64_t>(quantum, (wait + quantum - 1) / quantum * quantum);
            if (now > end) break;
            frames += clock.take(now);
        }
        const auto expected = static_cast<std::uint64_t>(std::floor(r.rate * static_cast<double>(r.seconds)));
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(expected), 1.0) << r.rate;
        EXPECT_EQ(clock.dropped(), 0u) << r.rate;
    }
}

// --- sameDrawList ---------------------------------------------------------------------------------

TEST(SameDrawList, EveryFieldThatChangesThePictureCounts) {
    player::DrawList base;
    player::DrawItem item;
    item.characterId = 3;
    item.depth = 1;
    item.matrix.tx = 200;
    item.clipLayers = {0};
    base.items = {item, item};
    base.items[1].maskOf = 0;
    base.clipLayers = {player::ClipLayer{{1}}};
    EXPECT_TRUE(platform::sameDrawList(base, base));
    EXPECT_TRUE(platform::sameDrawList(player::DrawList{}, player::DrawList{}));

    using Edit = void (*)(player::DrawList&);
    const std::pair<const char*, Edit> edits[] = {
        {"character", [](player::DrawList& l) { l.items[0].characterId = 4; }},
        {"kind", [](player::DrawList& l) { l.items[0].kind = player::CharacterKind::Text; }},
        {"depth", [](player::DrawList& l) { l.items[0].depth = 2; }},
        {"matrix", [](player::DrawList& l) { l.items[0].matrix.tx = 201; }},
        {"scale", [](player::DrawList& l) { l.items[0].matrix.a = 0.5f; }},
        {"colour", [](player::DrawList& l) { l.items[0].colorTransform.mul[3] = 0.5f; }},
        {"ratio", [](player::DrawList& l) { l.items[0].ratio = 9; }},
        {"blend", [](player::DrawList& l) { l.items[0].blendMode = swf::BlendMode::Multiply; }},
        {"clip layers", [](player::DrawList& l) { l.items[0].clipLayers.clear(); }},
        {"mask of", [](player::DrawList& l) { l.items[1].maskOf = -1; }},
        {"script drawing", [](player::DrawList& l) { l.items[0].drawing = std::make_shared<const player::ConvertedShape>(); }},
        {"text revision", [](player::DrawList& l) { l.items[0].textRevision = 1; }},
        {"text field", [](player::DrawList& l) {
             l.items[0].editText = reinterpret_cast<const player::EditText*>(&l);
         }},
        {"layer items", [](player::DrawList& l) { l.clipLayers[0].items = {0}; }},
        {"one item less", [](player::DrawList& l) { l.items.pop_back(); }},
        {"one layer more", [](player::DrawList& l) { l.clipLayers.push_back({}); }},
    };
    for (const auto& [name, edit] : edits) {
        player::DrawList other = base;
        edit(other);
        EXPECT_FALSE(platform::sameDrawList(base, other)) << name;
        EXPECT_FALSE(platform::sameDrawList(other, base)) << name;
    }
}

// --- Pixels -----------------------------------------------------------------------------------

TEST(DibWords, OpaqueRgbaBecomesBgrxWithStride) {
    render::Pixmap p(2, 2);
    p.set(0, 0, render::packPixel(0x12, 0x34, 0x56, 0xFF));
    p.set(1, 0, render::packPixel(0xFF, 0, 0, 0xFF));
    p.set(0, 1, render::packPixel(0, 0xFF, 0, 0xFF));
    p.set(1, 1, render::packPixel(0, 0, 0xFF, 0xFF));
    std::vector<std::uint32_t> dib(2 * 3, 0xDEADBEEF);  // rows three words apart
    platform::toDibWords(p, dib.data(), 3);
    const std::uint32_t expected[] = {0x00123456, 0x00FF0000, 0xDEADBEEF,
                                      0x0000FF00, 0x000000FF, 0xDEADBEEF};
    for (std::size_t i = 0; i < dib.size(); ++i) EXPECT_EQ(dib[i], expected[i]) << i;
}

// --- Playback ---------------------------------------------------------------------------------

render::Color colourAt(const render::Pixmap& p, int x, int y) { return render::unpremultiply(p.at(x, y)); }

const render::Color kRed{255, 0, 0, 255};
const render::Color kBlue{0, 0, 255, 255};
const render::Color kBlack{0, 0, 0, 255};

std::int64_t period(double rate) { return static_cast<std::int64_t>(std::ceil(1e6 / rate)); }

TEST(Playback, LoadDrawsFrameOneShowAllCentred) {
    Playback pb;
    ASSERT_TRUE(pb.load(view_movies::squareMovie(), 0).ok());
    EXPECT_EQ(pb.currentFrame(), 1);
    struct Row {
        int w, h;
        int squareX, squareY;  // a pixel inside the square
        int barX, barY;        // a pixel in a bar or outside the square
    };
    // Stage 100x100, square 30..70: letterboxed left/right, top/bottom, and scaled.
    const Row rows[] = {{200, 100, 100, 50, 20, 50}, {100, 300, 50, 150, 50, 20}, {400, 400, 200, 200, 100, 100}};
    for (const Row& r : rows) {
        render::Pixmap target(r.w, r.h);
        ASSERT_TRUE(pb.render(target, kBlack));
        EXPECT_EQ(colourAt(target, r.squareX, r.squareY), kRed) << r.w << "x" << r.h;
        EXPECT_EQ(colourAt(target, r.barX, r.barY), kBlue) << r.w << "x" << r.h;
    }
}

TEST(Playback, DrawsOnlyWhenThePictureChanges) {
    // Frames 1 to 3 move the square; frames 4 and 5 repeat frame 3.
    Playback pb;
    ASSERT_TRUE(pb.load(view_movies::squareMovie(3, 10.0, 2), 0).ok());
    render::Pixmap target(100, 100);
    const render::Color blank{9, 9, 9, 255};
    struct Step {
        const char* what;
        std::int64_t at;  // tick time, or -1 for no tick
        bool drawn;
    };
    const std::int64_t p = period(10.0);
    const Step steps[] = {
        {"first picture", -1, true},
        {"nothing new", -1, false},
        {"frame 2 moves the square", p, true},
        {"frame 3 moves it again", 2 * p, true},
        {"frame 4 repeats frame 3", 3 * p, false},
        {"frame 5 repeats frame 3", 4 * p, false},
    };
    for (const Step& s : steps) {
        if (s.at >= 0) pb.tick(s.at);
        EXPECT_EQ(pb.render(target, blank), s.drawn) << s.what;
    }
    EXPECT_EQ(pb.currentFrame(), 5);
    EXPECT_EQ(pb.picturesDrawn(), 3u);

    // Another size, another target, another quality, or force: drawn again.
    render::Pixmap bigger(120, 100);
    EXPECT_TRUE(pb.render(bigger, blank));
    EXPECT_FALSE(pb.render(bigger, blank));
    EXPECT_TRUE(pb.render(target, blank));
    pb.setQuality(player::Quality::Low);
    EXPECT_TRUE(pb.render(target, blank));
    EXPECT_FALSE(pb.render(target, blank));
    EXPECT_TRUE(pb.render(target, blank, true));
}

TEST(Playback, WithoutAMovieTheTargetShowsTheBlankColour) {
    Playback pb;
    render::Pixmap target(10, 10);
    EXPECT_TRUE(pb.render(target, kBlack));
    EXPECT_EQ(colourAt(target, 5, 5), kBlack);
    EXPECT_FALSE(pb.render(target, kBlack));
    EXPECT_TRUE(pb.render(target, kRed));
    EXPECT_EQ(colourAt(target, 5, 5), kRed);
    EXPECT_FALSE(pb.nextWake(0).has_value());

    // A failed load leaves nothing loaded and the blank showing, even after a movie played.
    ASSERT_TRUE(pb.load(view_movies::squareMovie(), 0).ok());
    EXPECT_TRUE(pb.render(target, kBlack));
    const std::vector<std::uint8_t> junk = {'F', 'W', 'S'};
    EXPECT_FALSE(pb.load(junk, 0).ok());
    EXPECT_FALSE(pb.loaded());
    EXPECT_TRUE(pb.render(target, kBlack));
    EXPECT_EQ(colourAt(target, 5, 5), kBlack);
}

struct StillCase {
    const char* name;
    std::vector<std::uint8_t> movie;
    bool loop;
    bool playOnLoad;
    int ticks;                  // frame periods run after load
    std::uint16_t frame;        // current frame after them
    bool playing;
    bool timerWanted;           // nextWake() has a value
};
void PrintTo(const StillCase& c, std::ostream* os) { *os << c.name; }

class PlaybackStillness : public ::testing::TestWithParam<StillCase> {};

TEST_P(PlaybackStillness, TimerRunsOnlyWhileSomethingCanMove) {
    const StillCase& c = GetParam();
    PlaybackSettings s;
    s.loop = c.loop;
    s.playOnLoad = c.playOnLoad;
    Playback pb(s);
    ASSERT_TRUE(pb.load(c.movie, 0).ok());
    const std::int64_t p = period(24.0);
    for (int i = 1; i <= c.ticks; ++i) {
        pb.tick(i * p);
        pb.nextWake(i * p);
    }
    const std::int64_t end = c.ticks * p;
    EXPECT_EQ(pb.nextWake(end).has_value(), c.timerWanted);
    EXPECT_EQ(pb.currentFrame(), c.frame);
    EXPECT_EQ(pb.isPlaying(), c.playing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaybackStillness,
    ::testing::Values(
        StillCase{"one_frame", view_movies::squareMovie(1), true, true, 0, 1, true, false},
        StillCase{"two_frames_loop_off_ends_on_last", view_movies::squareMovie(2), false, true, 3, 2, false, false},
        StillCase{"two_frames_loop_off_at_start", view_movies::squareMovie(2), false, true, 0, 1, true, true},
        StillCase{"two_frames_looping_wraps", view_movies::squareMovie(2), true, true, 2, 1, true, true},
        StillCase{"not_played_on_load", view_movies::squareMovie(3), true, false, 2, 1, false, false},
        // The main timeline halts, but a sprite on stage keeps moving.
        StillCase{"animated_sprite", view_movies::spriteMovie(4), false, true, 2, 1, false, true},
        StillCase{"sprite_of_one_frame", view_movies::spriteMovie(1), false, true, 2, 1, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Playback, LateTicksCatchUpAtMostTheLimit) {
    PlaybackSettings s;
    s.maxCatchUp = 3;
    Playback pb(s);
    ASSERT_TRUE(pb.load(view_movies::squareMovie(20, 10.0), 0).ok());
    const std::int64_t p = period(10.0);
    EXPECT_EQ(pb.tick(p / 2), 0u);
    EXPECT_EQ(pb.tick(2 * p), 2u);
    EXPECT_EQ(pb.currentFrame(), 3);
    EXPECT_EQ(pb.tick(12 * p), 3u);  // ten periods late: three frames, the rest dropped
    EXPECT_EQ(pb.currentFrame(), 6);
    EXPECT_EQ(pb.tick(13 * p), 1u);  // and frames count from the late tick on
    EXPECT_EQ(pb.currentFrame(), 7);
}

TEST(Playback, CommandsMoveTheTimelineAndRestartTheClock) {
    Playback pb;
    ASSERT_TRUE(pb.load(view_movies::squareMovie(5, 10.0), 0).ok());
    const std::int64_t p = period(10.0);
    pb.stop(p / 2);
    EXPECT_FALSE(pb.nextWake(p / 2).has_value());
    EXPECT_EQ(pb.tick(5 * p), 0u);
    EXPECT_EQ(pb.currentFrame(), 1);

    pb.gotoFrame(4, 5 * p);
    EXPECT_EQ(pb.currentFrame(), 4);
    EXPECT_FALSE(pb.isPlaying());
    pb.gotoFrame(60000, 5 * p);  // clamped
    EXPECT_EQ(pb.currentFrame(), 5);

    // Play after a long halt: the next frame comes one period after the command, not at once.
    pb.gotoFrame(2, 20 * p);
    pb.play(20 * p);
    ASSERT_TRUE(pb.nextWake(20 * p).has_value());
    EXPECT_EQ(*pb.nextWake(20 * p), p);
    EXPECT_EQ(pb.tick(20 * p + p - 1), 0u);
    EXPECT_EQ(pb.tick(21 * p), 1u);
    EXPECT_EQ(pb.currentFrame(), 3);

    pb.rewind(22 * p);
    EXPECT_EQ(pb.currentFrame(), 1);
    EXPECT_FALSE(pb.isPlaying());
    EXPECT_FALSE(pb.nextWake(22 * p).has_value());
}

TEST(Playback, SlowFirstFrameDoesNotSkipTheNextOnes) {
    Playback pb;
    ASSERT_TRUE(pb.load(view_movies::squareMovie(20, 10.0), 0).ok());
    const std::int64_t p = period(10.0);
    // Drawing the first frame took five periods; counting from then, frame 2 comes a period later.
    pb.restartClock(5 * p);
    EXPECT_EQ(pb.tick(5 * p + p / 2), 0u);
    EXPECT_EQ(pb.tick(6 * p), 1u);
    EXPECT_EQ(pb.currentFrame(), 2);
}

TEST(Playback, LoopSettingAppliesToTheNextMovie) {
    Playback pb;
    pb.setLoop(false);
    ASSERT_TRUE(pb.load(view_movies::squareMovie(2), 0).ok());
    const std::int64_t p = period(24.0);
    pb.tick(p);
    pb.tick(2 * p);
    pb.tick(3 * p);
    EXPECT_EQ(pb.currentFrame(), 2);
    EXPECT_FALSE(pb.nextWake(3 * p).has_value());
    EXPECT_FALSE(pb.isPlaying());
}

// Loop changed while a movie plays: off halts it when it next reaches its last frame, on lets
// it wrap again.
TEST(Playback, LoopSettingChangesTheMovieThatPlays) {
    Playback pb;
    ASSERT_TRUE(pb.load(view_movies::squareMovie(3), 0).ok());
    const std::int64_t p = period(24.0);
    for (int i = 1; i <= 3; ++i) pb.tick(i * p);  // 2, 3, then wraps to 1
    EXPECT_EQ(pb.currentFrame(), 1);
    pb.setLoop(false);
    for (int i = 4; i <= 8; ++i) {
        pb.tick(i * p);
        pb.nextWake(i * p);
    }
    EXPECT_EQ(pb.currentFrame(), 3);
    EXPECT_FALSE(pb.isPlaying());
    EXPECT_FALSE(pb.nextWake(8 * p).has_value());

    pb.setLoop(true);
    pb.play(8 * p);
    ASSERT_TRUE(pb.nextWake(8 * p).has_value());
    pb.tick(9 * p);
    EXPECT_EQ(pb.currentFrame(), 1);
    EXPECT_TRUE(pb.isPlaying());
}

// FrameNum counts from 0 and clamps what is put into the movie's frames.
TEST(Playback, FrameNumCountsFromZeroAndClamps) {
    Playback pb;
    EXPECT_EQ(pb.frameNum(), 0);  // no movie
    pb.putFrameNum(3, 0);         // nothing to move
    EXPECT_EQ(pb.frameNum(), 0);

    ASSERT_TRUE(pb.load(view_movies::squareMovie(5, 10.0), 0).ok());
    EXPECT_EQ(pb.frameNum(), 0);
    EXPECT_EQ(pb.currentFrame(), 1);
    struct Row {
        std::int32_t put;
        std::int32_t got;
    };
    for (const Row r : {Row{2, 2}, Row{4, 4}, Row{5, 4}, Row{70000, 4}, Row{0, 0}, Row{-1, 0},
                        Row{INT32_MIN, 0}, Row{INT32_MAX, 4}, Row{3, 3}}) {
        pb.putFrameNum(r.put, 0);
        EXPECT_EQ(pb.frameNum(), r.got) << "put " << r.put;
        EXPECT_EQ(pb.currentFrame(), r.got + 1) << "put " << r.put;
    }
    // The play state is kept: the movie still plays on from the frame put.
    EXPECT_TRUE(pb.isPlaying());
    const std::int64_t p = period(10.0);
    pb.tick(p);
    EXPECT_EQ(pb.frameNum(), 4);

    pb.unload();
    EXPECT_EQ(pb.frameNum(), 0);
}

}  // namespace

// --- Sound --------------------------------------------------------------------------------------

// Records what Playback tells a sound sink, and paces the timeline when told to.
struct FakeSink : platform::SoundSink {
    int loaded = 0, unloaded = 0, silenced = 0;
    std::vector<std::size_t> eventsPerFrame;
    std::optional<unsigned> due;
    void movieLoaded(const player::Player&) override { ++loaded; }
    void movieUnloaded() override { ++unloaded; }
    void frameRan(const player::SoundEvents& e) override { eventsPerFrame.push_back(e.size()); }
    void silence() override { ++silenced; }
    std::optional<unsigned> streamFramesDue() override { return due; }
};

// squareMovie with a StartSound tag in every frame.
std::vector<std::uint8_t> soundMovie(unsigned frames) {
    swf::MovieWriter w(8, view_movies::kStage, view_movies::kStage, 10.0);
    w.add(view_movies::square(1, view_movies::kRed));
    for (unsigned f = 0; f < frames; ++f) {
        swf::Tag start = swf::makeTag(swf::SoundTag{2, {2, 0, 0}});
        start.code = static_cast<std::uint16_t>(swf::TagCode::StartSound);
        if (f == 0) w.add(view_movies::placeAt(1, 1, 0, 0));
        w.add(start).showFrame();
    }
    return w.finish();
}

TEST(PlaybackSound, EveryFrameReachesTheSinkAndStopSilencesIt) {
    FakeSink sink;
    Playback pb;
    pb.setSoundSink(&sink);
    ASSERT_TRUE(pb.load(soundMovie(5), 0).ok());
    EXPECT_EQ(sink.loaded, 1);
    ASSERT_EQ(sink.eventsPerFrame.size(), 1u);  // frame 1 at load
    EXPECT_EQ(sink.eventsPerFrame[0], 1u);
    const std::int64_t p = period(10.0);
    EXPECT_EQ(pb.tick(2 * p), 2u);
    EXPECT_EQ(sink.eventsPerFrame, (std::vector<std::size_t>{1, 1, 1}));
    pb.stop(2 * p);
    pb.rewind(2 * p);
    EXPECT_EQ(sink.silenced, 2);
    pb.unload();
    EXPECT_EQ(sink.unloaded, 1);
}

TEST(PlaybackSound, APlayingStreamSetsThePaceInsteadOfTheClock) {
    FakeSink sink;
    PlaybackSettings s;
    s.maxCatchUp = 4;
    Playback pb(s);
    pb.setSoundSink(&sink);
    ASSERT_TRUE(pb.load(soundMovie(20), 0).ok());
    const std::int64_t p = period(10.0);
    sink.due = 0u;  // the sound is behind: the picture waits although a frame is due
    EXPECT_EQ(pb.tick(p), 0u);
    sink.due = 3u;  // the sound ran ahead: three frames at once, before the clock says so
    EXPECT_EQ(pb.tick(p + p / 4), 3u);
    EXPECT_EQ(pb.currentFrame(), 4);
    sink.due = 9u;  // never more than the catch-up limit
    EXPECT_EQ(pb.tick(p + p / 2), 4u);
    sink.due.reset();  // no stream: the clock again
    EXPECT_EQ(pb.tick(3 * p), 2u);
}

// getURL reaches the opener the playback was set up with, and nothing without one.
TEST(Playback, ScriptedWebAddressesGoToTheSettingsOpener) {
    swf::MovieWriter w(8, 100, 100, 12.0);
    // ActionGetURL "https://example.org/" "_blank", then ActionStop.
    const std::string url = "https://example.org/", target = "_blank";
    swf::Bytes actions{0x83};
    const std::size_t length = url.size() + target.size() + 2;
    actions.push_back(static_cast<std::uint8_t>(length));
    actions.push_back(static_cast<std::uint8_t>(length >> 8));
    for (const std::string* s : {&url, &target}) {
        actions.insert(actions.end(), s->begin(), s->end());
        actions.push_back(0);
    }
    actions.insert(actions.end(), {0x07, 0x00});
    w.add(swf::DoAction{actions}).showFrame();
    const auto movie = w.finish();

    std::vector<std::string> opened;
    platform::PlaybackSettings settings;
    settings.openUrl = [&opened](const std::string& u) { opened.push_back(u); };
    platform::Playback withOpener(settings);
    ASSERT_TRUE(withOpener.load(movie, 0).ok());
    EXPECT_EQ(opened, std::vector<std::string>{url});

    opened.clear();
    platform::Playback without;
    ASSERT_TRUE(without.load(movie, 0).ok());
    EXPECT_TRUE(opened.empty());
}

// The lenient test.toml reader: the syntaxes the corpus uses, each read into the same settings.
#include <gtest/gtest.h>

#include "case_setup.h"

namespace {

using conformance::parseCaseSetup;
using conformance::TriggerKind;

TEST(CaseSetup, SplitsQuotedAndDottedKeys) {
    struct Row {
        const char* key;
        std::vector<std::string> parts;
    };
    const Row rows[] = {
        {"num_frames", {"num_frames"}},
        {"image_comparisons.output", {"image_comparisons", "output"}},
        {"image_comparisons.\"output.01\".trigger", {"image_comparisons", "output.01", "trigger"}},
        {"a.'b.c'", {"a", "b.c"}},
    };
    for (const Row& r : rows) EXPECT_EQ(conformance::splitKey(r.key), r.parts) << r.key;
}

TEST(CaseSetup, ReadsFramesQualityAndViewport) {
    struct Row {
        const char* toml;
        int frames;
        bool renderer;
        const char* quality;
        int vw, vh;  // 0: none
    };
    const Row rows[] = {
        {"num_frames = 3\n", 3, false, "high", 0, 0},
        {"num_ticks = 30 # comment\n[player_options]\nwith_renderer = { optional = false, quality = \"low\" }\n",
         30, true, "low", 0, 0},
        {"[player_options]\nwith_renderer = { quality = \"high\" }\n"
         "viewport_dimensions = { width = 200, height = 150, scale_factor = 1.0 }\n",
         1, true, "high", 200, 150},
        // A multi-line inline table (TOML 1.1).
        {"num_frames = 2\n[player_options]\nwith_renderer = {\n  optional = true,\n  quality = \"low\",\n}\n",
         2, true, "low", 0, 0},
        // Dotted keys in another table do not leak into the player options.
        {"[subtests.fp9]\nplayer_options.version = 9\n", 1, false, "high", 0, 0},
    };
    for (const Row& r : rows) {
        auto setup = parseCaseSetup(r.toml);
        EXPECT_EQ(setup.frames, r.frames) << r.toml;
        EXPECT_EQ(setup.withRenderer, r.renderer) << r.toml;
        EXPECT_EQ(setup.quality, r.quality) << r.toml;
        EXPECT_EQ(setup.viewportWidth.value_or(0), r.vw) << r.toml;
        EXPECT_EQ(setup.viewportHeight.value_or(0), r.vh) << r.toml;
    }
}

TEST(CaseSetup, ReadsComparisonsTriggersAndChecks) {
    auto setup = parseCaseSetup(
        "num_frames = 10\n"
        "image_comparisons.\"output.01\".trigger = 1\n"
        "image_comparisons.\"output.02\".trigger = 2\n"
        "[image_comparisons.last]\n"
        "tolerance = 34\nmax_outliers = 1070\n"
        "[image_comparisons.cmd]\ntrigger = \"fs_command\"\nknown_failure = true\n"
        "[[image_comparisons.\"output.01\".checks]]\ntolerance = 40\n"
        "[[image_comparisons.\"output.01\".checks]]\ntolerance = 2\nmax_outliers = 7\n"
        "[image_comparisons.plain]\n");
    ASSERT_EQ(setup.comparisons.size(), 5u);
    auto find = [&](const std::string& n) -> const conformance::Comparison& {
        for (const auto& c : setup.comparisons)
            if (c.name == n) return c;
        ADD_FAILURE() << n;
        return setup.comparisons.front();
    };
    const auto& o1 = find("output.01");
    EXPECT_EQ(o1.trigger, TriggerKind::Frame);
    EXPECT_EQ(o1.frame, 1);
    ASSERT_EQ(o1.checks.size(), 2u);
    EXPECT_EQ(o1.checks[0].tolerance, 40);
    EXPECT_EQ(o1.checks[1].tolerance, 2);
    EXPECT_EQ(o1.checks[1].maxOutliers, 7);
    const auto& o2 = find("output.02");
    EXPECT_EQ(o2.frame, 2);
    ASSERT_EQ(o2.checks.size(), 1u);
    EXPECT_EQ(o2.checks[0].tolerance, 0);
    const auto& last = find("last");
    EXPECT_EQ(last.trigger, TriggerKind::LastFrame);
    ASSERT_EQ(last.checks.size(), 1u);
    EXPECT_EQ(last.checks[0].tolerance, 34);
    EXPECT_EQ(last.checks[0].maxOutliers, 1070);
    EXPECT_EQ(find("cmd").trigger, TriggerKind::FsCommand);
    EXPECT_TRUE(find("cmd").knownFailure);
    EXPECT_EQ(find("plain").checks.size(), 1u);
}

}  // namespace

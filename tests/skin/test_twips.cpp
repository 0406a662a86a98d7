// Twips and points to pixels at the screen resolutions Windows offers.

#include <climits>

#include <gtest/gtest.h>

#include "core/twips.h"

namespace {

struct TwipsCase {
    int twips;
    int dpi;
    int pixels;
};

class TwipsToPixels : public ::testing::TestWithParam<TwipsCase> {};

TEST_P(TwipsToPixels, RoundsToNearestHalvesAway) {
    const TwipsCase& c = GetParam();
    EXPECT_EQ(core::twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi << " dpi";
}

INSTANTIATE_TEST_SUITE_P(
    Dpi, TwipsToPixels,
    ::testing::Values(
        // The main window's client area.
        TwipsCase{9735, 96, 649}, TwipsCase{5385, 96, 359}, TwipsCase{9735, 120, 811},
        TwipsCase{5385, 120, 449},  // 448.75
        TwipsCase{9735, 144, 974},  // 973.5: the half goes up
        TwipsCase{5385, 144, 539},  // 538.5
        TwipsCase{9735, 192, 1298}, TwipsCase{5385, 192, 718},
        // List columns: not whole pixels at 96 dpi.
        TwipsCase{3200, 96, 213}, TwipsCase{1400, 96, 93}, TwipsCase{1440, 96, 96}, TwipsCase{1200, 120, 100},
        TwipsCase{3200, 144, 320}, TwipsCase{1400, 192, 187},  // 186.67
        // Small values and the rounding edge.
        TwipsCase{0, 96, 0}, TwipsCase{7, 96, 0}, TwipsCase{8, 96, 1}, TwipsCase{15, 96, 1},
        TwipsCase{22, 96, 1}, TwipsCase{23, 96, 2}, TwipsCase{-8, 96, -1}, TwipsCase{-7, 96, 0},
        TwipsCase{-9735, 144, -974},
        // No resolution, and values that would overflow 32 bits in the product.
        TwipsCase{9735, 0, 0}, TwipsCase{9735, -96, 0}, TwipsCase{INT_MAX, 96, 143165576},
        TwipsCase{INT_MIN, 96, -143165577}));

TEST(Twips, ClampsInsteadOfOverflowing) {
    EXPECT_EQ(core::mulDivRound(INT_MAX, 1000, 1), INT_MAX);
    EXPECT_EQ(core::mulDivRound(INT_MIN, 1000, 1), INT_MIN);
    EXPECT_EQ(core::mulDivRound(5, 5, 0), 0);
}

TEST(Twips, PixelsBackToTwips) {
    EXPECT_EQ(core::pixelsToTwips(649, 96), 9735);
    EXPECT_EQ(core::pixelsToTwips(811, 120), 9732);  // 811 * 12
    EXPECT_EQ(core::pixelsToTwips(1, 192), 8);        // 7.5 rounds up
    EXPECT_EQ(core::pixelsToTwips(10, 0), 0);
}

struct PointCase {
    int hundredths;
    int dpi;
    int pixels;
};

class PointsToPixels : public ::testing::TestWithParam<PointCase> {};

TEST_P(PointsToPixels, FontHeights) {
    const PointCase& c = GetParam();
    EXPECT_EQ(core::pointsToPixels(c.hundredths, c.dpi), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Fonts, PointsToPixels,
                         ::testing::Values(PointCase{900, 96, 12}, PointCase{825, 96, 11}, PointCase{900, 120, 15},
                                           PointCase{825, 120, 14},  // 13.75
                                           PointCase{900, 144, 18}, PointCase{825, 144, 17},  // 16.5
                                           PointCase{900, 192, 24}, PointCase{825, 192, 22}));

TEST(Twips, RectangleConvertsEachFieldOnItsOwn) {
    // Frame1 of the main window at 144 dpi: 60, 60, 6645, 4005 twips.
    const core::PixelRect r = core::twipsToPixels(core::TwipsRect{60, 60, 6645, 4005}, 144);
    EXPECT_EQ(r, (core::PixelRect{6, 6, 665, 401}));  // 664.5 and 400.5 round up
}

}  // namespace

#include "builders/saver_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace builders {
namespace {

std::string patternImage() {
    std::string image(kSaverHeaderSize, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    image.back() = '\0';  // padding byte, as the build leaves it
    return image;
}

std::string patternMovie(std::size_t n) {
    std::string movie(n, '\0');
    for (std::size_t i = 0; i < n; ++i) movie[i] = static_cast<char>((i * 13 + 1) & 0xFF);
    return movie;
}

TEST(SaverLayout, HeaderSizeIsAWholeNumberOf32KiBUnitsAndTheMovieStartsOneByteEarly) {
    EXPECT_EQ(kSaverHeaderSize % 32768, 0u);
    EXPECT_GE(kSaverHeaderSize, 32768u);
    EXPECT_EQ(kSaverMovieOffset, kSaverHeaderSize - 1);
    EXPECT_EQ(saverFileLength(0), kSaverHeaderSize);
}

class SaverLayoutRoundTrip : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SaverLayoutRoundTrip, WriterAndReaderAgreeByteForByte) {
    const std::size_t n = GetParam();
    const std::string image = patternImage();
    const std::string movie = patternMovie(n);
    std::string saver;
    ASSERT_TRUE(composeSaverFile(image, movie, saver));

    ASSERT_EQ(saver.size(), kSaverHeaderSize + n);
    EXPECT_EQ(saver.compare(0, kSaverHeaderSize - 1, image, 0, kSaverHeaderSize - 1), 0);
    EXPECT_EQ(saver.compare(kSaverHeaderSize - 1, n, movie), 0);
    EXPECT_EQ(saver.back(), '\0');
    EXPECT_EQ(saverMovie(saver), movie);
}

INSTANTIATE_TEST_SUITE_P(MovieLengths, SaverLayoutRoundTrip,
                         ::testing::Values(0u, 1u, 2u, 32767u, 32768u, 3u * 1048576u + 5u));

TEST(SaverLayout, MovieEndingInZeroBytesKeepsThem) {
    // The reader goes by length, not by the trailing zero: zeros inside the movie survive.
    const std::string movie("FWS\0\0\0", 6);
    std::string saver;
    ASSERT_TRUE(composeSaverFile(patternImage(), movie, saver));
    EXPECT_EQ(saverMovie(saver), movie);
}

TEST(SaverLayout, ShortFilesHoldNoMovie) {
    const std::string image = patternImage();
    EXPECT_TRUE(saverMovie(image).empty());                       // exactly the header
    EXPECT_TRUE(saverMovie(image.substr(0, 100)).empty());        // cut short
    EXPECT_TRUE(saverMovie(std::string_view()).empty());          // empty file
    EXPECT_EQ(saverMovie(image + 'x'), std::string_view("\0", 1)); // one byte: the image's last
}

TEST(SaverLayout, ComposeReplacesOldContentAndRefusesAnImageOfTheWrongLength) {
    std::string saver(kSaverHeaderSize + 5000, 'q');  // a longer saver built before
    ASSERT_TRUE(composeSaverFile(patternImage(), "abc", saver));
    EXPECT_EQ(saver.size(), kSaverHeaderSize + 3);
    EXPECT_EQ(saverMovie(saver), "abc");

    std::string untouched = "keep";
    EXPECT_FALSE(composeSaverFile(std::string(kSaverHeaderSize - 1, 'i'), "abc", untouched));
    EXPECT_FALSE(composeSaverFile(std::string(kSaverHeaderSize + 1, 'i'), "abc", untouched));
    EXPECT_EQ(untouched, "keep");
}

}  // namespace
}  // namespace builders

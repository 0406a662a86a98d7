#pragma once
// Where the runtime's label and movie area go on the screen. The label strip is 255 twips high;
// twips are 1/1440 inch, so pixels = twips × dpi / 1440 (17 pixels at 96 dpi).

namespace saver_runtime {

inline constexpr int kLabelHeightTwips = 255;
inline constexpr int kLabelFontPoints = 9;
inline constexpr int kLabelFontWeight = 700;  // bold
inline constexpr int kLabelFontCharset = 134;  // GB2312
inline constexpr const wchar_t* kLabelFontFace = L"SimSun";
inline constexpr const wchar_t* kLabelText = L"Quenlo Software";
inline constexpr unsigned char kLabelRed = 192, kLabelGreen = 0, kLabelBlue = 0;

// Rounded to the nearest pixel, as MulDiv does.
int twipsToPixels(int twips, int dpi);

// The font height to ask the system for: a negative character height in pixels.
int fontHeightForPoints(int points, int dpi);

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct ScreenLayout {
    Rect label;  // top left, as wide as the screen
    Rect movie;  // the rest of the screen below the label
};

ScreenLayout layoutScreen(int screenWidth, int screenHeight, int dpi);

}  // namespace saver_runtime

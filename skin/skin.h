#pragma once
// The window skin as plain data: colours, fonts and optional bitmap names for the main
// window, its frames, buttons, list and labels. A skin file is UTF-8 text in sections:
//
//   # comment
//   [skin]
//   format = 1
//   name = Harbour Night
//   [window]
//   background = #1b2130
//   background_end = 27, 33, 48       (optional; the window background fades to it downwards)
//   image = backdrop.bmp              (optional; a bitmap beside the skin file, stretched)
//   [button]
//   face = #2a3550
//   font = Tahoma, 9, bold            (optional)
//
// Every key of a section is listed in skin_file.cpp with whether it is required. Optional
// colours that are missing are derived from the required ones (see resolveDefaults).

#include <cstdint>
#include <optional>
#include <string>

namespace skin {

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(const Colour&, const Colour&) = default;
};

// a moved percentOfB percent of the way towards b (0 gives a, 100 gives b), rounded.
Colour mix(Colour a, Colour b, int percentOfB);

struct FontSpec {
    std::string face;
    int hundredthsOfPoint = 900;  // 9 pt
    bool bold = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

struct WindowStyle {
    Colour background;
    std::optional<Colour> backgroundEnd;
    Colour text;
    std::string image;  // bitmap file name relative to the skin file's folder, or empty
};

struct FrameStyle {
    Colour background;
    Colour border;
    int radius = 0;
};

struct ButtonStyle {
    Colour face;
    Colour faceHot;
    Colour facePressed;
    Colour faceDisabled;
    Colour text;
    Colour textDisabled;
    Colour border;
    Colour focus;
    Colour accentFace;  // the face of the window's main action button
    Colour accentText;
    int radius = 0;
    std::optional<FontSpec> font;
};

struct ListStyle {
    Colour background;
    Colour text;
    Colour headerFace;
    Colour headerText;
    Colour headerBorder;
};

struct LabelStyle {
    Colour text;
    Colour link;  // a label that shows a web address
    std::optional<FontSpec> font;
};

struct Skin {
    int format = 0;
    std::string name;
    WindowStyle window;
    FrameStyle frame;
    ButtonStyle button;
    ListStyle list;
    LabelStyle label;
};

}  // namespace skin

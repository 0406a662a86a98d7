#pragma once
// Plain data for every SWF 1-8 tag that changes what is shown or when, plus the tags kept as
// bytes for later stages (scripts, sounds, bitmaps). A Tag is one parsed tag with its code and
// the byte offset of its header in the (decompressed) movie.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "swf/records.h"

namespace swf {

using Bytes = std::vector<std::uint8_t>;

struct SetBackgroundColor {
    Rgba color;
    bool operator==(const SetBackgroundColor&) const = default;
};

struct DefineShape {
    std::uint16_t id = 0;
    unsigned version = 1;  // 1-4
    Rect bounds;
    Rect edgeBounds;  // version 4
    bool usesFillWindingRule = false;  // version 4: non-zero fill rule
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    Shape shape;
    bool operator==(const DefineShape&) const = default;
};

struct MorphFillStyle {
    FillStyle start, end;  // same kind; the end holds the end colour, matrix and stops
    bool operator==(const MorphFillStyle&) const = default;
};

struct MorphLineStyle {
    LineStyle start, end;  // start and end width and colour (or fill)
    bool operator==(const MorphLineStyle&) const = default;
};

struct DefineMorphShape {
    std::uint16_t id = 0;
    unsigned version = 1;  // 1-2
    Rect startBounds, endBounds;
    Rect startEdgeBounds, endEdgeBounds;  // version 2
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    std::vector<MorphFillStyle> fills;
    std::vector<MorphLineStyle> lines;
    Shape startEdges;  // style indices refer to `fills` and `lines`
    Shape endEdges;    // edges only; style changes here carry moves, never styles
    bool operator==(const DefineMorphShape&) const = default;
};

enum class BlendMode : std::uint8_t {
    Normal = 0,  // 0 and 1 both mean normal in the file
    Layer = 2,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight,
};

struct Filter {
    enum class Kind : std::uint8_t {
        DropShadow = 0,
        Blur = 1,
        Glow = 2,
        Bevel = 3,
        GradientGlow = 4,
        Convolution = 5,
        ColorMatrix = 6,
        GradientBevel = 7,
    };
    Kind kind = Kind::Blur;
    // Fields used by the kinds that have them; the rest keep their defaults.
    Rgba color, highlightColor;
    std::vector<Rgba> gradientColors;
    std::vector<std::uint8_t> gradientRatios;
    double blurX = 0, blurY = 0;  // 16.16 fixed point in the file
    double angle = 0, distance = 0;
    double strength = 0;  // 8.8 fixed point in the file
    bool inner = false, knockout = false, compositeSource = true, onTop = false;
    unsigned passes = 1;
    // Convolution
    unsigned matrixX = 0, matrixY = 0;
    float divisor = 1, bias = 0;
    std::vector<float> matrix;  // convolution (X*Y) or colour matrix (20 values)
    Rgba defaultColor;
    bool clamp = false, preserveAlpha = false;
    bool operator==(const Filter&) const = default;
};

struct ClipAction {
    std::uint32_t events = 0;  // event flags as stored (SWF 6+: 32 bits; earlier: 16)
    std::uint8_t keyCode = 0;
    Bytes actions;
    bool operator==(const ClipAction&) const = default;
};

struct PlaceObject {
    unsigned version = 1;  // 1-3
    std::uint16_t depth = 0;
    bool move = false;     // modifies (or replaces) the object at `depth`
    std::optional<std::uint16_t> characterId;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> colorTransform;
    std::optional<std::uint16_t> ratio;
    std::optional<std::string> name;  // UTF-8
    std::optional<std::uint16_t> clipDepth;
    std::optional<std::string> className;  // version 3
    std::optional<std::vector<Filter>> filters;
    std::optional<BlendMode> blendMode;
    std::optional<bool> cacheAsBitmap;
    std::optional<bool> visible;
    std::optional<Rgba> backgroundColor;
    std::vector<ClipAction> clipActions;
    std::uint32_t allEventFlags = 0;
    bool operator==(const PlaceObject&) const = default;
};

struct RemoveObject {
    unsigned version = 1;  // 1-2
    std::optional<std::uint16_t> characterId;  // version 1 only
    std::uint16_t depth = 0;
    bool operator==(const RemoveObject&) const = default;
};

struct ShowFrame {
    bool operator==(const ShowFrame&) const = default;
};
struct End {
    bool operator==(const End&) const = default;
};

struct FrameLabel {
    std::string name;  // UTF-8
    bool namedAnchor = false;
    bool operator==(const FrameLabel&) const = default;
};

struct Tag;

struct DefineSprite {
    std::uint16_t id = 0;
    std::uint16_t frameCount = 0;
    std::vector<Tag> tags;  // control tags, End included when present
    bool operator==(const DefineSprite&) const = default;
};

// DefineBits (version 1), DefineBitsJPEG2 (2), DefineBitsJPEG3 (3) and DefineBitsJPEG4 (4).
struct DefineBitsJpeg {
    std::uint16_t id = 0;
    unsigned version = 1;
    double deblocking = 0;  // version 4
    Bytes imageData;        // JPEG (or PNG/GIF from version 2 on)
    Bytes alphaData;        // zlib-compressed alpha plane (versions 3-4)
    bool operator==(const DefineBitsJpeg&) const = default;
};

struct JpegTables {
    Bytes data;
    bool operator==(const JpegTables&) const = default;
};

struct DefineBitsLossless {
    std::uint16_t id = 0;
    unsigned version = 1;  // 2 carries alpha
    std::uint8_t format = 0;  // 3: colour-mapped, 4: 15-bit (version 1 only), 5: 32-bit
    std::uint16_t width = 0, height = 0;
    std::uint16_t colorTableSize = 0;  // entries, format 3 only
    Bytes zlibData;
    bool operator==(const DefineBitsLossless&) const = default;
};

struct KerningPair {
    std::uint16_t left = 0, right = 0;
    std::int16_t adjustment = 0;
    bool operator==(const KerningPair&) const = default;
};

struct FontLayout {
    std::int16_t ascent = 0, descent = 0, leading = 0;
    std::vector<std::int16_t> advances;
    std::vector<Rect> bounds;
    std::vector<KerningPair> kerning;
    bool operator==(const FontLayout&) const = default;
};

// DefineFont (version 1), DefineFont2 (2) and DefineFont3 (3). Glyph coordinates are in
// twips for versions 1-2 and in 1/20 twips for version 3 (the EM square is 1024 units, scaled
// by 20 in version 3).
struct DefineFont {
    std::uint16_t id = 0;
    unsigned version = 1;
    std::string name;  // UTF-8 (versions 2-3)
    bool hasLayout = false, shiftJis = false, smallText = false, ansi = false;
    bool wideOffsets = false, wideCodes = false, italic = false, bold = false;
    std::uint8_t language = 0;
    std::vector<Shape> glyphs;
    std::vector<std::uint16_t> codes;  // versions 2-3 (version 1 gets them from DefineFontInfo)
    FontLayout layout;                 // when hasLayout
    bool operator==(const DefineFont&) const = default;
};

struct DefineFontInfo {
    std::uint16_t fontId = 0;
    unsigned version = 1;  // 2 adds the language code
    std::string name;
    bool smallText = false, shiftJis = false, ansi = false, italic = false, bold = false;
    bool wideCodes = false;
    std::uint8_t language = 0;
    std::vector<std::uint16_t> codes;
    bool operator==(const DefineFontInfo&) const = default;
};

struct DefineFontAlignZones {
    struct Zone {
        float alignX = 0, widthX = 0, alignY = 0, heightY = 0;  // half floats in the file
        bool hasX = false, hasY = false;
        bool operator==(const Zone&) const = default;
    };
    std::uint16_t fontId = 0;
    std::uint8_t csmTableHint = 0;
    std::vector<Zone> zones;
    bool operator==(const DefineFontAlignZones&) const = default;
};

struct DefineFontName {
    std::uint16_t fontId = 0;
    std::string name, copyright;
    bool operator==(const DefineFontName&) const = default;
};

struct TextRecord {
    std::optional<std::uint16_t> fontId;
    std::optional<Rgba> color;
    std::optional<std::int16_t> xOffset, yOffset;
    std::optional<std::uint16_t> height;  // with fontId
    struct Glyph {
        std::uint32_t index = 0;
        std::int32_t advance = 0;
        bool operator==(const Glyph&) const = default;
    };
    std::vector<Glyph> glyphs;
    bool operator==(const TextRecord&) const = default;
};

// DefineText (version 1: RGB colours) and DefineText2 (version 2: RGBA).
struct DefineText {
    std::uint16_t id = 0;
    unsigned version = 1;
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecord> records;
    bool operator==(const DefineText&) const = default;
};

struct DefineEditText {
    std::uint16_t id = 0;
    Rect bounds;
    bool wordWrap = false, multiline = false, password = false, readOnly = false;
    bool autoSize = false, noSelect = false, border = false, wasStatic = false;
    bool html = false, useOutlines = false;
    std::optional<std::uint16_t> fontId;
    std::optional<std::string> fontClass;
    std::optional<std::uint16_t> fontHeight;
    std::optional<Rgba> color;
    std::optional<std::uint16_t> maxLength;
    struct Layout {
        std::uint8_t align = 0;  // 0 left, 1 right, 2 centre, 3 justify
        std::uint16_t leftMargin = 0, rightMargin = 0, indent = 0;
        std::int16_t leading = 0;
        bool operator==(const Layout&) const = default;
    };
    std::optional<Layout> layout;
    std::string variableName;
    std::optional<std::string> initialText;
    bool operator==(const DefineEditText&) const = default;
};

struct ButtonRecord {
    bool hitTest = false, down = false, over = false, up = false;
    std::uint16_t characterId = 0;
    std::uint16_t depth = 0;
    Matrix matrix;
    ColorTransform colorTransform;  // DefineButton2 only
    std::vector<Filter> filters;
    BlendMode blendMode = BlendMode::Normal;
    bool operator==(const ButtonRecord&) const = default;
};

struct ButtonCondAction {
    std::uint16_t conditions = 0;  // condition flags and key code as stored
    Bytes actions;
    bool operator==(const ButtonCondAction&) const = default;
};

// DefineButton (version 1: one action block on release) and DefineButton2 (version 2).
struct DefineButton {
    std::uint16_t id = 0;
    unsigned version = 1;
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    std::vector<ButtonCondAction> actions;  // version 1: one entry, conditions 0x0008 (release)
    bool operator==(const DefineButton&) const = default;
};

struct DefineButtonCxform {
    std::uint16_t buttonId = 0;
    ColorTransform colorTransform;
    bool operator==(const DefineButtonCxform&) const = default;
};

struct DoAction {
    Bytes actions;
    bool operator==(const DoAction&) const = default;
};

struct DoInitAction {
    std::uint16_t spriteId = 0;
    Bytes actions;
    bool operator==(const DoInitAction&) const = default;
};

struct AssetRef {
    std::uint16_t id = 0;
    std::string name;
    bool operator==(const AssetRef&) const = default;
};

struct ExportAssets {
    std::vector<AssetRef> assets;
    bool operator==(const ExportAssets&) const = default;
};

struct ImportAssets {
    unsigned version = 1;
    std::string url;
    std::vector<AssetRef> assets;
    bool operator==(const ImportAssets&) const = default;
};

struct ScriptLimits {
    std::uint16_t maxRecursionDepth = 0;
    std::uint16_t scriptTimeoutSeconds = 0;
    bool operator==(const ScriptLimits&) const = default;
};

struct FileAttributes {
    bool useDirectBlit = false, useGpu = false, hasMetadata = false;
    bool actionScript3 = false, useNetwork = false;
    bool operator==(const FileAttributes&) const = default;
};

struct SetTabIndex {
    std::uint16_t depth = 0;
    std::uint16_t tabIndex = 0;
    bool operator==(const SetTabIndex&) const = default;
};

// Protect, EnableDebugger and EnableDebugger2: an optional MD5 password hash.
struct Protect {
    std::string passwordHash;
    bool operator==(const Protect&) const = default;
};

struct Metadata {
    std::string xml;
    bool operator==(const Metadata&) const = default;
};

// Sound tags (DefineSound, StartSound(2), DefineButtonSound, SoundStreamHead(2),
// SoundStreamBlock): kept as bytes for the sound stage. `id` is the character id for
// DefineSound and the referenced sound or button for the others, when the tag has one.
struct SoundTag {
    std::uint16_t id = 0;
    Bytes data;
    bool operator==(const SoundTag&) const = default;
};

// A tag that only ActionScript 3 movies use: recognised and reported, not run.
struct Avm2Tag {
    bool operator==(const Avm2Tag&) const = default;
};

// A known tag this engine does not model (video, debugger ids, text settings ...), or an
// unknown one: skipped.
struct SkippedTag {
    bool operator==(const SkippedTag&) const = default;
};

using TagBody = std::variant<SkippedTag, End, ShowFrame, SetBackgroundColor, DefineShape,
                             DefineMorphShape, PlaceObject, RemoveObject, FrameLabel, DefineSprite,
                             DefineBitsJpeg, JpegTables, DefineBitsLossless, DefineFont,
                             DefineFontInfo, DefineFontAlignZones, DefineFontName, DefineText,
                             DefineEditText, DefineButton, DefineButtonCxform, DoAction,
                             DoInitAction, ExportAssets, ImportAssets, ScriptLimits,
                             FileAttributes, SetTabIndex, Protect, Metadata, SoundTag, Avm2Tag>;

struct Tag {
    std::uint16_t code = 0;
    std::uint64_t offset = 0;  // of the tag header in the decompressed movie
    std::uint32_t length = 0;  // body length as declared
    TagBody body;
    // Two tags are equal when they say the same thing, wherever they sit in a file.
    bool operator==(const Tag& o) const { return code == o.code && body == o.body; }
};

}  // namespace swf

#pragma once
// What the interpreter sees of the movie. The player implements it over its clips; tests fake
// it. Clips are named by ids that stay valid as long as the clip lives; a removed clip's id
// resolves to nothing (0 is never a clip).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "avm1/object.h"
#include "swf/tags.h"

namespace avm1 {

using ClipId = std::uint32_t;

// Display list depth of script depth 0; timeline objects sit below it.
inline constexpr int kDepthBias = 16384;
// Scripts remove only clips at display list depths in [kDepthBias, kMaxRemovableDepth).
inline constexpr int kMaxRemovableDepth = 2130706416;
inline bool removableDepth(int depth) { return depth >= kDepthBias && depth < kMaxRemovableDepth; }
// Scripts place clips (attachMovie, duplicateMovieClip) at display list depths in [0, this].
inline constexpr int kMaxPlacedDepth = 2130706428;
inline bool placeableDepth(std::int64_t depth) { return depth >= 0 && depth <= kMaxPlacedDepth; }

// Clip properties in the order of GetProperty/SetProperty indices.
enum class ClipProp : std::uint8_t {
    X, Y, XScale, YScale, CurrentFrame, TotalFrames, Alpha, Visible, Width, Height, Rotation,
    Target, FramesLoaded, Name, DropTarget, Url, HighQuality, FocusRect, SoundBufTime, Quality,
    XMouse, YMouse, Count
};
// The property a name like "_x" stands for (any case); Count when it is none.
ClipProp clipPropFromName(std::string_view name);
// N for a name "_levelN" (any case, N decimal digits only), else -1.
int levelFromName(std::string_view name);

// Text field properties beyond the display properties of ClipProp, in the order of their
// names in builtins_text.cpp.
enum class TextProp : std::uint8_t {
    Text, HtmlText, Html, Border, Background, BorderColor, BackgroundColor, TextColor, Multiline,
    WordWrap, AutoSize, Selectable, Password, MaxChars, Variable, Type, EmbedFonts, Length,
    TextWidth, TextHeight, Count
};

// A text format as scripts give it (TextFormat); unset members are left as they are.
struct TextStyle {
    std::string font;
    double size = -1;            // points; < 0 unset
    double color = -1;           // 0xRRGGBB; < 0 unset
    int bold = -1, italic = -1, underline = -1;  // -1 unset, else 0/1
    int align = -1;              // 0 left, 1 right, 2 centre, 3 justify
    double leading = 0, leftMargin = 0, rightMargin = 0, indent = 0;
    bool hasLeading = false, hasMargins = false;
};

// One drawing API call, in twips where it carries coordinates.
struct DrawOp {
    enum class Kind : std::uint8_t {
        Clear, LineStyle, BeginFill, BeginGradientFill, EndFill, MoveTo, LineTo, CurveTo, LineGradientStyle
    };
    Kind kind = Kind::Clear;
    double x = 0, y = 0, cx = 0, cy = 0;  // MoveTo/LineTo: x,y; CurveTo: control cx,cy then x,y
    double width = 0;                     // LineStyle: thickness in twips (0 hairline, <0 none)
    std::uint32_t rgb = 0;
    double alpha = 100;                    // 0..100
    // BeginGradientFill, LineGradientStyle
    bool radial = false;
    bool linearRgb = false;
    std::uint8_t spread = 0;  // 0 pad, 1 reflect, 2 repeat
    double focal = 0;         // -1..1, radial only
    std::vector<std::uint32_t> colors;
    std::vector<double> alphas, ratios;
    double matrix[6] = {1, 0, 0, 1, 0, 0};  // gradient space to the clip: a b c d, then tx ty in twips
};

// The display effects of a clip that scripts read and set: filters (in the file's units: blur
// and distance in pixels, angles in radians), blend mode, bitmap caching, the opaque background
// (0xRRGGBB), the scroll rectangle (pixels: x, y, width, height) and the clip that masks this
// one (setMask; 0: none).
struct ClipEffects {
    std::vector<swf::Filter> filters;
    swf::BlendMode blendMode = swf::BlendMode::Normal;
    bool cacheAsBitmap = false;
    std::optional<std::uint32_t> opaqueBackground;
    std::optional<std::array<double, 4>> scrollRect;
    std::uint32_t mask = 0;
};

class Host {
public:
    virtual ~Host() = default;

    virtual ClipId root() = 0;
    virtual ClipId level(int n) = 0;  // 0 when no movie is loaded there
    virtual ClipId parent(ClipId clip) = 0;
    virtual ClipId child(ClipId clip, std::string_view name, NameCase mode) = 0;
    virtual bool alive(ClipId clip) = 0;
    virtual std::string name(ClipId clip) = 0;
    // Children in depth order (for enumeration).
    virtual std::vector<ClipId> children(ClipId clip) = 0;

    virtual double property(ClipId clip, ClipProp prop) = 0;  // numeric properties
    virtual void setProperty(ClipId clip, ClipProp prop, double value) = 0;
    virtual void setName(ClipId clip, const std::string& name) = 0;
    // Colour transform: multipliers r g b a (1 = unchanged), then additions r g b a (0..255).
    virtual void colorTransform(ClipId clip, double out[8]) = 0;
    virtual void setColorTransform(ClipId clip, const double cx[8]) = 0;
    virtual double stageSize(bool height) = 0;  // pixels
    // Converts a point (pixels) from the clip's coordinates to the stage's, or back.
    enum class Direction : std::uint8_t { ToGlobal, ToLocal };
    virtual void convertPoint(ClipId clip, double& x, double& y, Direction dir) = 0;
    // The clip's bounds in the coordinates of `space` (pixels: xMin, xMax, yMin, yMax); false
    // when the clip draws nothing.
    virtual bool bounds(ClipId clip, ClipId space, double out[4]) = 0;

    virtual void gotoFrame(ClipId clip, int frame, bool play) = 0;  // 1-based, clamped
    virtual bool gotoLabel(ClipId clip, const std::string& label, bool play) = 0;
    virtual void play(ClipId clip) = 0;
    virtual void stop(ClipId clip) = 0;
    virtual bool frameLoaded(ClipId clip, int frame) = 0;

    virtual ClipId createEmpty(ClipId parent, const std::string& name, int depth) = 0;
    virtual ClipId attach(ClipId parent, const std::string& exportName, const std::string& name, int depth) = 0;
    virtual ClipId duplicate(ClipId clip, const std::string& name, int depth) = 0;
    virtual void remove(ClipId clip) = 0;
    virtual int depth(ClipId clip) = 0;
    virtual void swapDepths(ClipId clip, int depth) = 0;
    virtual ClipId atDepth(ClipId parent, int depth) = 0;
    virtual int nextHighestDepth(ClipId parent) = 0;
    virtual void draw(ClipId clip, const DrawOp& op) = 0;
    // The action blocks of a frame (a number or a label), for the Call action.
    virtual std::vector<std::span<const std::uint8_t>> frameActions(ClipId clip, const std::string& frame) = 0;

    virtual void trace(std::string_view message) = 0;
    virtual double timerMs() = 0;  // since the movie started
    // getURL / fscommand: what happens is the embedding's business.
    virtual void getUrl(const std::string& url, const std::string& target) = 0;
    // Loads a local file beside the movie into a clip, replacing what it shows. Gives the
    // file's size, or -1 when nothing was loaded (no loader, an unsafe or missing path, a format
    // the clip cannot show). Embeddings that load nothing keep this default.
    virtual long long loadInto(ClipId target, const std::string& url) {
        (void)target, (void)url;
        return -1;
    }
    // Removes what a load put into a clip.
    virtual void unloadFrom(ClipId target) { (void)target; }
    // Levels: movies stacked above the main one (level 0), each drawn over the lower levels
    // with its own timeline. loadLevel loads a local file as level n (level 0: in place of the
    // main movie); it gives the size, or -1 as loadInto does. unloadLevel removes level n; level
    // 0 takes every level with it. levelNumber gives the level a clip is the main timeline
    // of (-1 for other clips); movieVersion the SWF version of the movie a clip belongs to
    // (0: the main movie's).
    virtual long long loadLevel(int n, const std::string& url) {
        (void)n, (void)url;
        return -1;
    }
    virtual void unloadLevel(int n) { (void)n; }
    virtual int levelNumber(ClipId clip) { return parent(clip) ? -1 : 0; }
    virtual unsigned movieVersion(ClipId clip) { (void)clip; return 0; }

    // The Sound class: start the sound exported as `sound` (from `offsetSeconds` in, `loops`
    // times), stop it (an empty name stops every sound), set the volume in percent. `target` is
    // the clip the Sound object was made for (0: the whole movie). Embeddings without sound
    // keep these defaults, which do nothing.
    virtual void soundStart(ClipId target, const std::string& sound, double offsetSeconds, int loops) {
        (void)target, (void)sound, (void)offsetSeconds, (void)loops;
    }
    virtual void soundStop(ClipId target, const std::string& sound) { (void)target, (void)sound; }
    virtual void soundVolume(ClipId target, double percent) { (void)target, (void)percent; }
    // A clip's display effects; false (and `out` untouched) where the embedding has none.
    virtual bool effects(ClipId clip, ClipEffects& out) { (void)clip, (void)out; return false; }
    virtual void setEffects(ClipId clip, const ClipEffects& e) { (void)clip, (void)e; }
    // Text fields have ids like clips: alive, name, parent, property, setProperty, depth,
    // remove and swapDepths work on them too; child() and atDepth() find them.
    virtual bool isTextField(ClipId id) = 0;
    // Buttons have ids like text fields and answer the same calls; embeddings without them keep
    // this default.
    virtual bool isButton(ClipId id) { (void)id; return false; }
    // Makes a field at a script depth of `parent` (box in pixels: x, y, width, height).
    virtual ClipId createTextField(ClipId parent, const std::string& name, int depth, const double box[4]) = 0;
    // Text, HtmlText, Variable, AutoSize and Type are strings; flags booleans; the rest numbers.
    virtual Value textProperty(ClipId field, TextProp prop) = 0;
    virtual void setTextProperty(ClipId field, TextProp prop, const Value& v) = 0;
    // Applies a format to the whole field; `asDefault`: only to text set later.
    virtual void setTextStyle(ClipId field, const TextStyle& style, bool asDefault) = 0;
    virtual TextStyle textStyle(ClipId field) = 0;
};

}  // namespace avm1

#pragma once
// Basic SWF records shared by many tags: rectangles, matrices, colour transforms, colours,
// gradients, fill and line styles and shape records, as plain data. All coordinates are in
// twips (1/20 pixel) as stored.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/bit_reader.h"

namespace swf {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

struct Rect {
    std::int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool operator==(const Rect&) const = default;
};

// [a c tx; b d ty] applied as x' = a*x + c*y + tx, y' = b*x + d*y + ty (tx, ty in twips).
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1;
    std::int32_t tx = 0, ty = 0;
    bool operator==(const Matrix&) const = default;
};

// Multiply terms are 8.8 fixed point (256 = 1.0), add terms in colour units.
struct ColorTransform {
    std::int16_t rMul = 256, gMul = 256, bMul = 256, aMul = 256;
    std::int16_t rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;
    bool operator==(const ColorTransform&) const = default;
};

enum class SpreadMode : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
enum class InterpolationMode : std::uint8_t { Rgb = 0, LinearRgb = 1 };

struct GradientStop {
    std::uint8_t ratio = 0;
    Rgba color;
    bool operator==(const GradientStop&) const = default;
};

struct Gradient {
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Rgb;
    std::vector<GradientStop> stops;
    double focalPoint = 0;  // only for focal radial fills (8.8 fixed point in the file)
    bool operator==(const Gradient&) const = default;
};

enum class FillKind : std::uint8_t {
    Solid = 0x00,
    LinearGradient = 0x10,
    RadialGradient = 0x12,
    FocalRadialGradient = 0x13,
    RepeatingBitmap = 0x40,
    ClippedBitmap = 0x41,
    NonSmoothedRepeatingBitmap = 0x42,
    NonSmoothedClippedBitmap = 0x43,
};

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba color;               // Solid
    Matrix matrix;            // gradients and bitmaps
    Gradient gradient;        // gradients
    std::uint16_t bitmapId = 0;  // bitmaps
    bool operator==(const FillStyle&) const = default;
};

enum class CapStyle : std::uint8_t { Round = 0, None = 1, Square = 2 };
enum class JoinStyle : std::uint8_t { Round = 0, Bevel = 1, Miter = 2 };

// LINESTYLE and LINESTYLE2 in one record; the LINESTYLE2 fields keep their defaults for
// DefineShape 1-3.
struct LineStyle {
    std::uint16_t width = 0;  // twips
    Rgba color;
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    double miterLimit = 3;  // 8.8 fixed point in the file
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    std::optional<FillStyle> fill;  // LINESTYLE2 with a fill instead of a colour
    bool operator==(const LineStyle&) const = default;
};

struct StyleTables {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    bool operator==(const StyleTables&) const = default;
};

// An optional value kept on the heap: one pointer wide, copied and compared by value. Shape
// records carry new style tables this way, so that the common edge records stay small.
template <typename T>
class Boxed {
public:
    Boxed() = default;
    Boxed(T value) : m_p(std::make_unique<T>(std::move(value))) {}
    Boxed(const Boxed& o) : m_p(o.m_p ? std::make_unique<T>(*o.m_p) : nullptr) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& o) {
        if (this != &o) m_p = o.m_p ? std::make_unique<T>(*o.m_p) : nullptr;
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;

    bool has_value() const { return m_p != nullptr; }
    explicit operator bool() const { return has_value(); }
    T& operator*() { return *m_p; }
    const T& operator*() const { return *m_p; }
    T* operator->() { return m_p.get(); }
    const T* operator->() const { return m_p.get(); }
    bool operator==(const Boxed& o) const {
        return has_value() == o.has_value() && (!has_value() || *m_p == *o.m_p);
    }

private:
    std::unique_ptr<T> m_p;
};

// One shape record, kept small because shapes hold many of them. Style indices are 1-based
// into the current tables; 0 means none.
struct ShapeRecord {
    enum class Kind : std::uint8_t { StyleChange, StraightEdge, CurvedEdge };
    Kind kind = Kind::StyleChange;
    // StyleChange: which of the fields below the record sets.
    bool hasMove = false, hasFill0 = false, hasFill1 = false, hasLine = false;
    std::uint16_t fill0 = 0, fill1 = 0, line = 0;
    // StyleChange with hasMove: (dx, dy) is the absolute move-to point, in twips.
    // Edges: deltas in twips as stored. Straight edges move by (dx, dy). Curves move by
    // (controlDx, controlDy) to the control point, then by (dx, dy) from it to the anchor.
    std::int32_t dx = 0, dy = 0;
    std::int32_t controlDx = 0, controlDy = 0;
    Boxed<StyleTables> newStyles;  // StyleChange: new style tables (DefineShape2 and later)
    bool operator==(const ShapeRecord&) const = default;
};

// Which DefineShape generation a style or record list belongs to (1-4); it decides whether
// colours carry alpha, whether counts may be extended and which line style record is used.
struct ShapeContext {
    unsigned shapeVersion = 1;
    bool morph = false;
};

struct Shape {
    StyleTables styles;  // empty for glyph shapes
    std::vector<ShapeRecord> records;
    bool operator==(const Shape&) const = default;
};

// Readers. Each leaves the reader where the record ends; faults surface through r.failed().
Rgba readRgb(core::BitReader& r);
Rgba readRgba(core::BitReader& r);
Rgba readArgb(core::BitReader& r);
Rect readRect(core::BitReader& r);
Matrix readMatrix(core::BitReader& r);
ColorTransform readColorTransform(core::BitReader& r, bool withAlpha);
Gradient readGradient(core::BitReader& r, const ShapeContext& ctx, bool focal);
FillStyle readFillStyle(core::BitReader& r, const ShapeContext& ctx);
LineStyle readLineStyle(core::BitReader& r, const ShapeContext& ctx);
StyleTables readStyleTables(core::BitReader& r, const ShapeContext& ctx);
// Reads shape records up to the end record. `withStyles` reads SHAPEWITHSTYLE (style tables
// first); otherwise SHAPE (glyphs and morph edges).
Shape readShape(core::BitReader& r, const ShapeContext& ctx, bool withStyles);

// Caps on record counts. Every record consumes input, so a count is bounded by the tag's
// length anyway; these stop a corrupt count from reserving memory up front or from making a
// pathological tag expensive to hold.
inline constexpr std::size_t kMaxShapeRecords = 1u << 22;
inline constexpr std::size_t kMaxGradientStops = 15;

}  // namespace swf

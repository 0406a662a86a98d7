#pragma once
// The renderer's entry point: fills and strokes paths into a premultiplied pixmap or into a clip
// mask, running the stages flatten -> (stroke) -> edges -> coverage -> paint and blend. One
// Renderer keeps its scratch buffers between calls, so drawing a frame allocates nothing once
// the buffers have grown.

#include <cstdint>
#include <vector>

#include "render/blend.h"
#include "render/coverage.h"
#include "render/edges.h"
#include "render/flatten.h"
#include "render/paint.h"
#include "render/path.h"
#include "render/pixmap.h"
#include "render/stroker.h"

namespace render {

class Renderer {
public:
    explicit Renderer(Pixmap& target);

    Pixmap& target() { return m_target; }

    // AntiAlias::Off is the aliased mode of quality "low".
    void setAntiAlias(AntiAlias aa) { m_aa = aa; }
    AntiAlias antiAlias() const { return m_aa; }

    // Later draws are multiplied by this mask (same size as the target), or unmasked for null.
    // The mask must outlive its use.
    void setClip(const Mask* mask) { m_clip = mask; }
    const Mask* clip() const { return m_clip; }

    // Fills `path` (in its own space, mapped to device pixels by `m`).
    void fillPath(const Path& path, const Matrix& m, FillRule rule, const Paint& paint,
                  const ColorTransform& cx = {});
    // Strokes `path`; the pen is round in device space, its width from deviceStrokeWidth().
    void strokePath(const Path& path, const Matrix& m, const StrokeStyle& style, const Paint& paint,
                    const ColorTransform& cx = {});

    // Between beginGroup() and endGroup(), fills are summed and composited together once: use it
    // for the fills of one shape, which cover disjoint regions and must not show seams where
    // they meet. Strokes inside a group are summed the same way. `bounds` (device pixels) limits
    // what the group's draws can reach. The draws are recorded and rasterized at endGroup(), a
    // few rows of the box at a time, so the accumulator stays small enough for the cache however
    // large the box: clip masks and bitmaps a grouped draw uses must live until endGroup().
    void beginGroup(const Rect& bounds);
    void beginGroup();  // the whole target
    void endGroup();
    bool inGroup() const { return m_group; }

    // Adds the coverage of a filled or stroked path to `mask` (union).
    void fillMask(Mask& mask, const Path& path, const Matrix& m, FillRule rule);
    void strokeMask(Mask& mask, const Path& path, const Matrix& m, const StrokeStyle& style);

private:
    void drawPolylines(const Polylines& lines, FillRule rule, const Paint& paint, const Matrix& m,
                       const ColorTransform& cx);
    void maskPolylines(Mask& mask, const Polylines& lines, FillRule rule);
    // Rasterizes `lines` clipped to `bounds` band by band, calling fn(band) while the coverage
    // buffer holds that band.
    template <typename BandFn>
    void forEachBand(const Polylines& lines, const Rect& linesBounds, const IntRect& bounds, BandFn fn);
    void drawBand(const IntRect& band, FillRule rule, const PaintContext& paint);
    // Adds row y of the band (coverage resolved to 16 bits) to the group accumulator.
    void accumulateRow(const IntRect& band, int ry, FillRule rule, const PaintContext& paint);

    // A draw inside a group, kept until endGroup(): device-space outline and prepared paint.
    struct GroupDraw {
        Polylines lines;
        Rect bounds;
        FillRule rule = FillRule::NonZero;
        PaintContext paint;
        AntiAlias aa = AntiAlias::On;
        const Mask* clip = nullptr;
    };

    Pixmap& m_target;
    AntiAlias m_aa = AntiAlias::On;
    const Mask* m_clip = nullptr;

    Polylines m_lines;
    Polylines m_strokeLines;
    std::vector<Edge> m_edges;
    CoverageBuffer m_coverage;
    PaintContext m_paint;
    std::vector<CoverageSpan> m_spans;
    std::vector<std::uint8_t> m_covRow;  // per-pixel coverage after masking
    std::vector<std::uint8_t> m_rowCov;  // the coverage stage's per-pixel values
    std::vector<Pixel> m_spanBuf;
    // The same for grouped draws, whose coverage is 16-bit.
    std::vector<CoverageSpan16> m_spans16;
    std::vector<std::uint16_t> m_covRow16;
    std::vector<std::uint16_t> m_rowCov16;

    bool m_group = false;
    IntRect m_groupBox;                     // target pixels the group may touch
    std::vector<GroupDraw> m_groupDraws;    // the group's draws (the first m_groupDrawCount)
    std::size_t m_groupDrawCount = 0;
    IntRect m_accBox;                       // the rows of m_groupBox being accumulated
    std::vector<std::uint16_t> m_groupAcc;  // 4 channels per pixel of m_accBox, all zero between uses
    std::vector<int> m_groupMin;            // per row of m_accBox: touched columns [min, max)
    std::vector<int> m_groupMax;
};

}  // namespace render

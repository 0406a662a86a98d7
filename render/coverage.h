#pragma once
// Stage 3 of the rasterizer: edges become per-pixel coverage.
//
// Algorithm: signed-area accumulation (the accumulation buffer of font-rs and stb_truetype's
// v2 rasterizer). Every edge deposits, into the cells of each pixel row it crosses, the exact
// signed area it adds to the pixels on its right; a prefix sum along the row then gives, per
// pixel, the area-weighted winding number inside that pixel. The fill rule folds that value into
// coverage: non-zero takes min(1, |w|), even-odd folds |w| modulo 2 into a triangle wave. Where a
// single edge crosses a pixel this is the exact covered area; where several edges of opposite
// winding share one pixel it is the usual approximation of area rasterizers.
//
// Aliased mode (quality "low") samples the pixel centres instead: each edge adds its winding
// direction to the first pixel whose centre lies right of it on every row whose centre line it
// crosses, so the prefix sum is the exact winding number at each pixel centre.
//
// The buffer covers one region of rows and is sparse in use: beside the cells, every row keeps
// one bit per chunk of kChunk cells that says an edge touched it. Resolving a row walks the set
// bits word by word, so it visits the touched chunks in order without sorting anything, and sums
// each chunk with a vector prefix sum. Between two touched chunks the coverage is constant, so a
// row comes out as runs of constant coverage (the inside of a shape) and per-pixel runs over
// the touched chunks (its edges), less the zero pixels at their ends four at a time: the cost
// follows the outline, not the area. Rows resolve to 8-bit coverage, or to 16-bit coverage for
// fills whose coverages must add up exactly where they meet (the fills of a group).
//
// The edge walk has no data-dependent branches for edges that move at most two pixels sideways
// per row (most of any outline): every way the edge can lie across the column boundaries is
// computed and one is selected. Only flatter edges loop over the columns of a row.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/edges.h"

namespace render {

enum class FillRule { NonZero, EvenOdd };
enum class AntiAlias { On, Off };

// A run of pixels [x, x + length): either one coverage value for all (the inside of a shape) or,
// where edges cross, one value per pixel. Coverage is 8-bit (0..255) or, for the fills of a
// group, which must add up exactly where they meet, 16-bit (0..kFullCoverage16).
template <typename T>
struct BasicCoverageSpan {
    int x;
    int length;
    T coverage;           // the value of a constant run
    const T* perPixel;    // non-null: coverage of pixel x + i is perPixel[i]
};
using CoverageSpan = BasicCoverageSpan<std::uint8_t>;
using CoverageSpan16 = BasicCoverageSpan<std::uint16_t>;

// Full coverage in the 16-bit form: 255 * 128, so that coverage times an 8-bit channel, shifted
// right by 7, is that channel times 255 at full coverage.
inline constexpr std::uint16_t kFullCoverage16 = 32640;

class CoverageBuffer {
public:
    // Prepares an all-zero buffer for a region of the given size.
    void reset(int width, int height);

    void addEdges(const std::vector<Edge>& edges, AntiAlias aa);

    // Cells are summed a chunk at a time: an edge marks the chunks it touches.
    static constexpr int kChunk = 8;
    // Extra bytes of a row coverage buffer beyond width() (whole chunks are written).
    static constexpr int kRowSlack = 16;

    // Resolves row y into runs of 8-bit coverage, left to right, leaving out constant runs of
    // zero, and clears the row for the next use. Per-pixel values are written to `rowCoverage`
    // (width() + kRowSlack bytes) and the spans point into it. `out` must hold width() + 1
    // spans; returns how many were written.
    int resolveSpans(int y, FillRule rule, std::uint8_t* rowCoverage, CoverageSpan* out);
    // The same with 16-bit coverage (`rowCoverage` holds width() + kRowSlack values).
    int resolveSpans(int y, FillRule rule, std::uint16_t* rowCoverage, CoverageSpan16* out);
    // Resolves row y into 8-bit coverage and clears it for the next use. On return
    // [x0, x1) is the span that may hold non-zero coverage (x1 <= x0 when the row is empty);
    // `out` must hold width() bytes and is written only inside the span.
    void resolveRow(int y, FillRule rule, std::uint8_t* out, int& x0, int& x1);
    // The same with float coverage in 0..1 (tests compare it with analytic areas).
    void resolveRowFloat(int y, FillRule rule, float* out, int& x0, int& x1);

    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    // The anti-aliased walks: edges that move at most one pixel sideways per row, at most two,
    // and flatter ones.
    static constexpr int kWalkSteep = 0;
    static constexpr int kWalkNarrow = 1;
    static constexpr int kWalkWide = 2;
    template <int kWalk>
    void lineAntiAliased(const Edge& e);
    void lineAliased(const Edge& e);
    // Visits row y's touched cells in order: cell(x, c) for each touched pixel, run(x0, x1, c)
    // for the constant stretch after it. Clears the row.
    template <typename Cell, typename Run>
    void walkRow(int y, FillRule rule, Cell cell, Run run);
    template <bool kNonZero, typename T>
    int spansOfRow(int y, T* rowCoverage, BasicCoverageSpan<T>* out);
    float* row(int y) { return m_acc.data() + static_cast<std::size_t>(y) * m_stride; }
    std::uint64_t* rowBits(int y) { return m_bits.data() + static_cast<std::size_t>(y) * m_words; }
    // Zeroes the cells and bits of rows [y0, y1) that are still marked.
    void clearRows(int y0, int y1);

    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;               // cells per row: width + 4, whole chunks
    int m_words = 0;                // 64-bit words of touched-cell bits per row
    std::vector<float> m_acc;       // m_height rows of m_stride cells
    std::vector<std::uint64_t> m_bits;  // m_height rows of m_words; bit x: cell x was touched
    std::vector<Edge> m_sorted;         // addEdges(): the edges by walk
    int m_dirtyY0 = 0;              // rows [m_dirtyY0, m_dirtyY1) may hold marked cells
    int m_dirtyY1 = 0;
};

}  // namespace render

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
// The buffer covers one region of rows and is sparse in use: each row keeps the ranges of cells
// edges touched (one range per edge and row), and resolving a row visits only those cells. Between two touched cells the
// coverage is constant, so a row comes out as runs of constant coverage (the inside of a shape)
// and single partially covered pixels (its edges): the cost follows the outline, not the area.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/edges.h"

namespace render {

enum class FillRule { NonZero, EvenOdd };
enum class AntiAlias { On, Off };

// A run of pixels [x, x + length): either one coverage value for all (the inside of a shape) or,
// where edges cross, one value per pixel.
struct CoverageSpan {
    int x;
    int length;
    std::uint8_t coverage;           // the value of a constant run
    const std::uint8_t* perPixel;    // non-null: coverage of pixel x + i is perPixel[i]
};

class CoverageBuffer {
public:
    // Prepares an all-zero buffer for a region of the given size.
    void reset(int width, int height);

    void addEdges(const std::vector<Edge>& edges, AntiAlias aa);

    // Resolves row y into runs of 8-bit coverage, left to right, leaving out constant runs of
    // zero, and clears the row for the next use. Per-pixel values are written to `rowCoverage`
    // (width() bytes) and the spans point into it. `out` must hold width() + 1 spans; returns
    // how many were written.
    int resolveSpans(int y, FillRule rule, std::uint8_t* rowCoverage, CoverageSpan* out);
    // Resolves row y into 8-bit coverage and clears it for the next use. On return
    // [x0, x1) is the span that may hold non-zero coverage (x1 <= x0 when the row is empty);
    // `out` must hold width() bytes and is written only inside the span.
    void resolveRow(int y, FillRule rule, std::uint8_t* out, int& x0, int& x1);
    // The same with float coverage in 0..1 (tests compare it with analytic areas).
    void resolveRowFloat(int y, FillRule rule, float* out, int& x0, int& x1);

    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    void lineAntiAliased(const Edge& e);
    void lineAliased(const Edge& e);
    // Cells [x0, x1] of row y received area.
    void touch(int y, int x0, int x1) {
        if (m_count == m_entries.size()) {
            m_entries.resize(m_entries.size() * 2 + 256);
        }
        m_entries[m_count++] = Entry{y, x0, x1};
    }
    // Room for `n` more entries, so an edge's walk stores them without checking.
    void reserveEntries(std::size_t n) {
        if (m_entries.size() < m_count + n) {
            m_entries.resize(std::max(m_entries.size() * 2, m_count + n) + 256);
        }
    }
    // Groups the recorded ranges by row (a counting sort) before the first row is resolved.
    void groupByRow();
    // Visits row y's touched cells in order: cell(x, c) for each touched pixel, run(x0, x1, c)
    // for the constant stretch after it. Clears the row.
    template <typename Cell, typename Run>
    void walkRow(int y, FillRule rule, Cell cell, Run run);
    template <bool kNonZero>
    int spansOfRow(int y, std::uint8_t* rowCoverage, CoverageSpan* out);
    float* row(int y) { return m_acc.data() + static_cast<std::size_t>(y) * m_stride; }

    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    std::vector<float> m_acc;  // m_height rows of m_stride cells (width + 2)
    struct CellRange {
        int x0, x1;  // inclusive
    };
    struct Entry {
        int y, x0, x1;
    };
    static void sortRanges(CellRange* rs, int n);
    std::vector<Entry> m_entries;   // touched cell ranges in the order edges made them
    std::size_t m_count = 0;        // entries in use
    bool m_grouped = false;         // m_byRow and m_rowStart describe the entries
    int m_pendingRows = 0;          // rows with entries not resolved yet
    std::vector<CellRange> m_byRow; // the entries grouped by row
    std::vector<int> m_rowStart;    // row y's ranges start at m_byRow[m_rowStart[y]]
    std::vector<int> m_rowCount;    // and number m_rowCount[y]; 0 once the row is resolved
};

}  // namespace render

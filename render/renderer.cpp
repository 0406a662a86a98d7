// Drives the rasterizer stages for fills, strokes and masks (see renderer.h). Coverage rows are
// consumed span by span: masks multiply them, paints fill only runs of non-zero coverage.
#include "render/renderer.h"

#include <algorithm>
#include <climits>

namespace render {

namespace {

// Uncovered gaps at least this wide split a row into separately painted segments.
constexpr int kSegmentGap = 16;
// Rows rasterized at a time.
constexpr int kBandRows = 256;
// Pixels of a group's accumulator filled at a time (8 bytes each): a box of the whole target is
// composited a strip of rows at a time so its sums stay in the cache.
constexpr int kGroupStripPixels = 131072;

}  // namespace

Renderer::Renderer(Pixmap& target) : m_target(target) {}

template <typename BandFn>
void Renderer::forEachBand(const Polylines& lines, const Rect& linesBounds, const IntRect& bounds,
                           BandFn fn) {
    const IntRect region = regionOf(linesBounds, bounds);
    if (region.isEmpty() || lines.contours.empty()) {
        return;
    }
    if (m_covRow.size() < static_cast<std::size_t>(region.width())) {
        m_covRow.resize(region.width());
        m_rowCov.resize(region.width() + CoverageBuffer::kRowSlack);
        m_spanBuf.resize(region.width());
        m_spans.resize(region.width() + 1);
        m_spans16.resize(region.width() + 1);
        m_covRow16.resize(region.width());
        m_rowCov16.resize(region.width() + CoverageBuffer::kRowSlack);
    }
    // Bands of rows bound the coverage buffer (a 32-bit program cannot spend a gigabyte on one
    // huge shape); each band takes only the edges that reach it.
    for (int y0 = region.y0; y0 < region.y1; y0 += kBandRows) {
        const IntRect band{region.x0, y0, region.x1, std::min(region.y1, y0 + kBandRows)};
        m_edges.clear();
        buildEdges(lines, band, m_edges);
        if (m_edges.empty()) {
            continue;
        }
        m_coverage.reset(band.width(), band.height());
        m_coverage.addEdges(m_edges, m_aa);
        fn(band);
    }
}

void Renderer::fillPath(const Path& path, const Matrix& m, FillRule rule, const Paint& paint,
                        const ColorTransform& cx) {
    m_lines.clear();
    flattenPath(path, m, m_lines);
    drawPolylines(m_lines, rule, paint, m, cx);
}

void Renderer::strokePath(const Path& path, const Matrix& m, const StrokeStyle& style,
                          const Paint& paint, const ColorTransform& cx) {
    m_lines.clear();
    flattenPath(path, m, m_lines);
    m_strokeLines.clear();
    strokeThrough(m_lines, style, m, m_strokeLines);
    drawPolylines(m_strokeLines, FillRule::NonZero, paint, m, cx);
}

void Renderer::drawPolylines(const Polylines& lines, FillRule rule, const Paint& paint,
                             const Matrix& m, const ColorTransform& cx) {
    if (m_target.isEmpty()) {
        return;
    }
    if (m_clip && (m_clip->width() != m_target.width() || m_clip->height() != m_target.height())) {
        return;  // a mask of another size hides everything
    }
    if (!m_paint.prepare(paint, m, cx)) {
        return;
    }
    if (m_paint.isSolid() && pixelA(m_paint.solid()) == 0) {
        return;
    }
    if (m_group) {
        if (m_groupBox.isEmpty() || lines.contours.empty()) {
            return;
        }
        if (m_groupDrawCount == m_groupDraws.size()) {
            m_groupDraws.emplace_back();
        }
        GroupDraw& d = m_groupDraws[m_groupDrawCount++];
        d.lines.points.assign(lines.points.begin(), lines.points.end());
        d.lines.contours.assign(lines.contours.begin(), lines.contours.end());
        d.bounds = lines.bounds();
        d.rule = rule;
        d.paint = m_paint;
        d.aa = m_aa;
        d.clip = m_clip;
        return;
    }
    forEachBand(lines, lines.bounds(), IntRect{0, 0, m_target.width(), m_target.height()},
                [&](const IntRect& region) { drawBand(region, rule, m_paint); });
}

void Renderer::drawBand(const IntRect& region, FillRule rule, const PaintContext& paint) {
    const bool solid = paint.isSolid();
    const Pixel color = paint.solid();
    std::uint8_t* cov = m_covRow.data();
    for (int ry = 0; ry < region.height(); ++ry) {
        if (m_group) {
            accumulateRow(region, ry, rule, paint);
            continue;
        }
        const int spanCount = m_coverage.resolveSpans(ry, rule, m_rowCov.data(), m_spans.data());
        if (spanCount == 0) {
            continue;
        }
        const CoverageSpan* spans = m_spans.data();
        const CoverageSpan& firstSpan = spans[0];
        const CoverageSpan& lastSpan = spans[spanCount - 1];
        const int y = region.y0 + ry;
        Pixel* dst = m_target.row(y) + region.x0;
        if (y + 2 < m_target.height()) {
            // Shapes cover similar columns on neighbouring rows: ask for the target's pixels two
            // rows down now, so blending does not wait on memory a cache line at a time. Only
            // the spans' pixels: the hollow inside of a stroke is never touched.
            const char* p = reinterpret_cast<const char*>(m_target.row(y + 2) + region.x0);
            for (int k = 0; k < spanCount; ++k) {
                const int px1 = spans[k].x + spans[k].length;
                for (int x = spans[k].x & ~15; x < px1; x += 16) {
                    __builtin_prefetch(p + static_cast<std::size_t>(x) * sizeof(Pixel), 1);
                }
            }
        }
        if (!m_clip && !m_group && solid) {
            // Solid paint: inside runs are plain fills, edge runs blend per pixel.
            for (int k = 0; k < spanCount; ++k) {
                const CoverageSpan& sp = spans[k];
                if (sp.perPixel) {
                    blendSolidSpan(dst + sp.x, color, sp.perPixel, sp.length);
                } else {
                    blendSolidConst(dst + sp.x, color, sp.coverage, sp.length);
                }
            }
            continue;
        }
        if (!m_clip && !m_group) {
            // Other paints: neighbouring spans are joined into segments (split only at long
            // uncovered gaps), each painted by one call and blended with per-pixel coverage.
            int k = 0;
            while (k < spanCount) {
                const int segX = spans[k].x;
                int segEnd = segX;
                const int segBegin = k;
                do {
                    const CoverageSpan& sp = spans[k];
                    if (sp.x - segEnd >= kSegmentGap) break;
                    segEnd = sp.x + sp.length;
                    ++k;
                } while (k < spanCount);
                paint.fillSpan(region.x0 + segX, y, segEnd - segX, m_spanBuf.data());
                // Each span blends the paint under its own coverage; the gaps stay untouched.
                for (int j = segBegin; j < k; ++j) {
                    const CoverageSpan& sp = spans[j];
                    const Pixel* src = m_spanBuf.data() + (sp.x - segX);
                    if (sp.perPixel) {
                        blendSpan(dst + sp.x, src, sp.perPixel, sp.length);
                    } else {
                        blendSpanConst(dst + sp.x, src, sp.coverage, sp.length);
                    }
                }
            }
            continue;
        }
        // Masked: per-pixel coverage over the row's extent.
        const int x0 = firstSpan.x;
        const int x1 = lastSpan.x + lastSpan.length;
        std::fill(cov + x0, cov + x1, std::uint8_t{0});
        for (int k = 0; k < spanCount; ++k) {
            const CoverageSpan& sp = spans[k];
            if (sp.perPixel) {
                std::copy(sp.perPixel, sp.perPixel + sp.length, cov + sp.x);
            } else {
                std::fill(cov + sp.x, cov + sp.x + sp.length, sp.coverage);
            }
        }
        if (m_clip) {
            applyMask(cov + x0, m_clip->row(y) + region.x0 + x0, x1 - x0);
        }
        if (solid) {
            blendSolidSpan(dst + x0, color, cov + x0, x1 - x0);
            continue;
        }
        // Paint only runs of non-zero coverage.
        int i = x0;
        while (i < x1) {
            while (i < x1 && cov[i] == 0) ++i;
            int j = i;
            while (j < x1 && cov[j] != 0) ++j;
            if (j > i) {
                paint.fillSpan(region.x0 + i, y, j - i, m_spanBuf.data());
                blendSpan(dst + i, m_spanBuf.data(), cov + i, j - i);
            }
            i = j;
        }
    }
}

void Renderer::accumulateRow(const IntRect& region, int ry, FillRule rule, const PaintContext& paint) {
    const int spanCount = m_coverage.resolveSpans(ry, rule, m_rowCov16.data(), m_spans16.data());
    if (spanCount == 0) {
        return;
    }
    const CoverageSpan16* spans = m_spans16.data();
    const int x0 = spans[0].x;
    const int x1 = spans[spanCount - 1].x + spans[spanCount - 1].length;
    const int y = region.y0 + ry;
    const int gy = y - m_accBox.y0;
    std::uint16_t* acc = m_groupAcc.data() +
                         (static_cast<std::size_t>(gy) * m_accBox.width() + (region.x0 - m_accBox.x0)) * 4;
    m_groupMin[gy] = std::min(m_groupMin[gy], region.x0 + x0);
    m_groupMax[gy] = std::max(m_groupMax[gy], region.x0 + x1);
    const bool solid = paint.isSolid();
    const Pixel color = paint.solid();
    std::uint16_t* cov = m_covRow16.data();
    if (m_clip) {
        // Masked: per-pixel coverage over the row's extent, times the mask.
        std::fill(cov + x0, cov + x1, std::uint16_t{0});
        for (int k = 0; k < spanCount; ++k) {
            const CoverageSpan16& sp = spans[k];
            if (sp.perPixel) {
                std::copy(sp.perPixel, sp.perPixel + sp.length, cov + sp.x);
            } else {
                std::fill(cov + sp.x, cov + sp.x + sp.length, sp.coverage);
            }
        }
        applyMask16(cov + x0, m_clip->row(y) + region.x0 + x0, x1 - x0);
        if (solid) {
            accumulateSolidSpan16(acc + 4 * x0, color, cov + x0, x1 - x0);
            return;
        }
        paint.fillSpan(region.x0 + x0, y, x1 - x0, m_spanBuf.data());
        accumulateSpan16(acc + 4 * x0, m_spanBuf.data(), cov + x0, x1 - x0);
        return;
    }
    // Span by span: the inside of a shape adds the paint at full coverage, edges per pixel.
    // Paint comes a segment of neighbouring spans at a time, as when drawing directly.
    int k = 0;
    while (k < spanCount) {
        const int segX = spans[k].x;
        int segEnd = segX;
        const int segBegin = k;
        do {
            if (spans[k].x - segEnd >= kSegmentGap) break;
            segEnd = spans[k].x + spans[k].length;
            ++k;
        } while (k < spanCount);
        if (!solid) {
            paint.fillSpan(region.x0 + segX, y, segEnd - segX, m_spanBuf.data());
        }
        for (int j = segBegin; j < k; ++j) {
            const CoverageSpan16& sp = spans[j];
            std::uint16_t* a = acc + 4 * sp.x;
            const Pixel* src = m_spanBuf.data() + (sp.x - segX);
            const std::uint16_t* c = sp.perPixel;
            if (!c && sp.coverage == kFullCoverage16) {
                if (solid) {
                    accumulateSolidFull(a, color, sp.length);
                } else {
                    accumulateSpanFull(a, src, sp.length);
                }
                continue;
            }
            if (!c) {
                std::fill(cov, cov + sp.length, sp.coverage);
                c = cov;
            }
            if (solid) {
                accumulateSolidSpan16(a, color, c, sp.length);
            } else {
                accumulateSpan16(a, src, c, sp.length);
            }
        }
    }
}

void Renderer::beginGroup() {
    beginGroup(Rect{0.0f, 0.0f, static_cast<float>(m_target.width()),
                    static_cast<float>(m_target.height())});
}

void Renderer::beginGroup(const Rect& bounds) {
    if (m_group || m_target.isEmpty()) {
        return;
    }
    m_groupBox = regionOf(bounds, IntRect{0, 0, m_target.width(), m_target.height()});
    m_groupDrawCount = 0;
    m_group = true;
}

void Renderer::endGroup() {
    if (!m_group) {
        return;
    }
    const IntRect box = m_groupBox;
    const int w = box.width();
    const int stripRows = std::clamp(kGroupStripPixels / std::max(1, w), 1, kBandRows);
    const Mask* const clip = m_clip;
    const AntiAlias aa = m_aa;
    for (int sy = box.y0; sy < box.y1 && m_groupDrawCount > 0; sy += stripRows) {
        m_accBox = IntRect{box.x0, sy, box.x1, std::min(box.y1, sy + stripRows)};
        const int h = m_accBox.height();
        const std::size_t cells = static_cast<std::size_t>(w) * h * 4;
        if (m_groupAcc.size() < cells) {
            m_groupAcc.resize(cells, 0);
        }
        m_groupMin.assign(h, INT_MAX);
        m_groupMax.assign(h, INT_MIN);
        for (std::size_t i = 0; i < m_groupDrawCount; ++i) {
            const GroupDraw& d = m_groupDraws[i];
            m_clip = d.clip;
            m_aa = d.aa;
            forEachBand(d.lines, d.bounds, m_accBox,
                        [&](const IntRect& region) { drawBand(region, d.rule, d.paint); });
        }
        for (int gy = 0; gy < h; ++gy) {
            if (m_groupMax[gy] <= m_groupMin[gy]) {
                continue;
            }
            const int x0 = m_groupMin[gy];
            if (gy + 2 < h && m_groupMax[gy + 2] > m_groupMin[gy + 2]) {
                // As in drawBand(): the target's pixels two rows down, asked for ahead.
                const char* p = reinterpret_cast<const char*>(m_target.row(sy + gy + 2));
                for (int x = m_groupMin[gy + 2] & ~15; x < m_groupMax[gy + 2]; x += 16) {
                    __builtin_prefetch(p + static_cast<std::size_t>(x) * sizeof(Pixel), 1);
                }
            }
            compositeAccumulated(m_target.row(sy + gy) + x0,
                                 m_groupAcc.data() + (static_cast<std::size_t>(gy) * w + (x0 - box.x0)) * 4,
                                 m_groupMax[gy] - x0);
        }
    }
    m_clip = clip;
    m_aa = aa;
    m_group = false;
    m_groupDrawCount = 0;
}

void Renderer::fillMask(Mask& mask, const Path& path, const Matrix& m, FillRule rule) {
    m_lines.clear();
    flattenPath(path, m, m_lines);
    maskPolylines(mask, m_lines, rule);
}

void Renderer::strokeMask(Mask& mask, const Path& path, const Matrix& m, const StrokeStyle& style) {
    m_lines.clear();
    flattenPath(path, m, m_lines);
    m_strokeLines.clear();
    strokeThrough(m_lines, style, m, m_strokeLines);
    maskPolylines(mask, m_strokeLines, FillRule::NonZero);
}

void Renderer::maskPolylines(Mask& mask, const Polylines& lines, FillRule rule) {
    forEachBand(lines, lines.bounds(), IntRect{0, 0, mask.width(), mask.height()}, [&](const IntRect& region) {
        std::uint8_t* cov = m_covRow.data();
        for (int ry = 0; ry < region.height(); ++ry) {
            const int spanCount = m_coverage.resolveSpans(ry, rule, m_rowCov.data(), m_spans.data());
            for (int k = 0; k < spanCount; ++k) {
                const CoverageSpan& sp = m_spans[k];
                if (!sp.perPixel) {
                    std::fill(cov, cov + sp.length, sp.coverage);
                }
                mask.addSpan(region.y0 + ry, region.x0 + sp.x, sp.length,
                             sp.perPixel ? sp.perPixel : cov);
            }
        }
    });
}

}  // namespace render

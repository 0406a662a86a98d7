// Shape conversion: SWF edge records -> closed fill paths and stroke paths (see shape_convert.h).
//
// Fill contours are found by joining edges: every edge of a fill is stored with its start
// point, then contours are traced by repeatedly taking the first unused edge and following,
// from its end point, the first unused edge that starts there, until the contour returns to
// its start or no edge continues it (a broken outline is closed with a straight line, as the
// reference players do). Positions stay integer twips throughout, so the same point always
// has the same key.
#include "player/shape_convert.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace player {

namespace {

struct Edge {
    std::int32_t x0 = 0, y0 = 0;
    std::int32_t cx = 0, cy = 0;  // control point of curves
    std::int32_t x1 = 0, y1 = 0;
    bool curve = false;

    Edge reversed() const { return Edge{x1, y1, cx, cy, x0, y0, curve}; }
};

std::uint64_t key(std::int32_t x, std::int32_t y) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
           static_cast<std::uint32_t>(y);
}

std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    // Modular addition: a hostile run of deltas wraps instead of overflowing.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

void appendEdge(render::Path& path, const Edge& e) {
    if (e.curve) {
        path.quadTo(static_cast<float>(e.cx), static_cast<float>(e.cy), static_cast<float>(e.x1),
                    static_cast<float>(e.y1));
    } else {
        path.lineTo(static_cast<float>(e.x1), static_cast<float>(e.y1));
    }
}

// Joins the directed edges of one fill into closed contours.
render::Path joinFillEdges(const std::vector<Edge>& edges) {
    render::Path path;
    if (edges.empty()) return path;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> byStart;
    byStart.reserve(edges.size());
    for (std::uint32_t i = 0; i < edges.size(); ++i)
        byStart[key(edges[i].x0, edges[i].y0)].push_back(i);
    // Per start point, how many of its edges (in order) are already used up.
    std::unordered_map<std::uint64_t, std::size_t> consumed;
    std::vector<bool> used(edges.size(), false);

    auto takeFrom = [&](std::uint64_t k) -> std::int64_t {
        auto it = byStart.find(k);
        if (it == byStart.end()) return -1;
        std::size_t& pos = consumed[k];
        while (pos < it->second.size() && used[it->second[pos]]) ++pos;
        if (pos == it->second.size()) return -1;
        return it->second[pos];
    };

    for (std::uint32_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        const std::uint64_t startKey = key(edges[first].x0, edges[first].y0);
        path.moveTo(static_cast<float>(edges[first].x0), static_cast<float>(edges[first].y0));
        std::int64_t cur = first;
        while (cur >= 0) {
            const Edge& e = edges[static_cast<std::size_t>(cur)];
            used[static_cast<std::size_t>(cur)] = true;
            appendEdge(path, e);
            const std::uint64_t endKey = key(e.x1, e.y1);
            if (endKey == startKey) break;
            cur = takeFrom(endKey);
        }
        path.close();
    }
    return path;
}

// Builds the stroke path of one line style: edges that continue each other form one contour,
// and a contour that ends where it started is closed unless the style says otherwise.
render::Path joinLineEdges(const std::vector<Edge>& edges, bool noClose) {
    render::Path path;
    bool open = false;
    std::int32_t sx = 0, sy = 0, px = 0, py = 0;
    auto finish = [&]() {
        if (open && px == sx && py == sy && !noClose) path.close();
        open = false;
    };
    for (const Edge& e : edges) {
        if (!open || e.x0 != px || e.y0 != py) {
            finish();
            path.moveTo(static_cast<float>(e.x0), static_cast<float>(e.y0));
            sx = e.x0;
            sy = e.y0;
            open = true;
        }
        appendEdge(path, e);
        px = e.x1;
        py = e.y1;
    }
    finish();
    return path;
}

void growBounds(render::Rect& b, bool& any, const render::Path& p) {
    if (p.isEmpty()) return;
    render::Rect r = p.bounds();
    if (!any) {
        b = r;
        any = true;
        return;
    }
    b.x0 = std::min(b.x0, r.x0);
    b.y0 = std::min(b.y0, r.y0);
    b.x1 = std::max(b.x1, r.x1);
    b.y1 = std::max(b.y1, r.y1);
}

class Converter {
public:
    explicit Converter(ConvertedShape& out) : m_out(out) {}

    void run(const swf::Shape& shape, const swf::StyleTables& initial) {
        startLayer(initial);
        std::int32_t x = 0, y = 0;
        std::uint32_t f0 = 0, f1 = 0, ln = 0;
        for (const swf::ShapeRecord& r : shape.records) {
            switch (r.kind) {
            case swf::ShapeRecord::Kind::StyleChange:
                if (r.newStyles) {
                    flushLayer();
                    startLayer(*r.newStyles);
                    f0 = f1 = ln = 0;
                }
                if (r.hasMove) {
                    x = r.dx;
                    y = r.dy;
                }
                if (r.hasFill0) f0 = r.fill0;
                if (r.hasFill1) f1 = r.fill1;
                if (r.hasLine) ln = r.line;
                break;
            case swf::ShapeRecord::Kind::StraightEdge: {
                Edge e{x, y, 0, 0, wrapAdd(x, r.dx), wrapAdd(y, r.dy), false};
                addEdge(e, f0, f1, ln);
                x = e.x1;
                y = e.y1;
                break;
            }
            case swf::ShapeRecord::Kind::CurvedEdge: {
                std::int32_t cx = wrapAdd(x, r.controlDx), cy = wrapAdd(y, r.controlDy);
                Edge e{x, y, cx, cy, wrapAdd(cx, r.dx), wrapAdd(cy, r.dy), true};
                addEdge(e, f0, f1, ln);
                x = e.x1;
                y = e.y1;
                break;
            }
            }
        }
        flushLayer();
        m_out.bounds = m_any ? m_bounds : render::Rect{};
    }

private:
    void startLayer(const swf::StyleTables& tables) {
        m_tables = &tables;
        m_fillEdges.assign(tables.fills.size(), {});
        m_lineEdges.assign(tables.lines.size(), {});
    }

    void addEdge(const Edge& e, std::uint32_t f0, std::uint32_t f1, std::uint32_t ln) {
        const bool empty = !e.curve && e.x0 == e.x1 && e.y0 == e.y1;
        if (f0 == f1 || empty) {
            // The same fill on both sides, or an edge of no length, adds nothing to a fill.
        } else {
            if (f0 >= 1 && f0 <= m_fillEdges.size()) m_fillEdges[f0 - 1].push_back(e.reversed());
            if (f1 >= 1 && f1 <= m_fillEdges.size()) m_fillEdges[f1 - 1].push_back(e);
        }
        if (ln >= 1 && ln <= m_lineEdges.size()) m_lineEdges[ln - 1].push_back(e);
    }

    void flushLayer() {
        if (!m_tables) return;
        ShapeLayer layer;
        for (std::size_t i = 0; i < m_fillEdges.size(); ++i) {
            if (m_fillEdges[i].empty()) continue;
            ShapeFill f;
            f.style = m_tables->fills[i];
            f.path = joinFillEdges(m_fillEdges[i]);
            growBounds(m_bounds, m_any, f.path);
            layer.fills.push_back(std::move(f));
        }
        for (std::size_t i = 0; i < m_lineEdges.size(); ++i) {
            if (m_lineEdges[i].empty()) continue;
            ShapeStroke s;
            s.style = m_tables->lines[i];
            s.path = joinLineEdges(m_lineEdges[i], s.style.noClose);
            if (!s.path.isEmpty()) {
                // Strokes reach half their width beyond the path.
                render::Rect r = s.path.bounds();
                float half = s.style.width * 0.5f;
                growBounds(m_bounds, m_any, s.path);
                m_bounds.x0 = std::min(m_bounds.x0, r.x0 - half);
                m_bounds.y0 = std::min(m_bounds.y0, r.y0 - half);
                m_bounds.x1 = std::max(m_bounds.x1, r.x1 + half);
                m_bounds.y1 = std::max(m_bounds.y1, r.y1 + half);
            }
            layer.strokes.push_back(std::move(s));
        }
        if (!layer.fills.empty() || !layer.strokes.empty()) m_out.layers.push_back(std::move(layer));
        m_fillEdges.clear();
        m_lineEdges.clear();
        m_tables = nullptr;
    }

    ConvertedShape& m_out;
    const swf::StyleTables* m_tables = nullptr;
    std::vector<std::vector<Edge>> m_fillEdges;
    std::vector<std::vector<Edge>> m_lineEdges;
    render::Rect m_bounds;
    bool m_any = false;
};

// Colour channels and stop ratios of morphs are truncated, as the reference player does.
std::uint8_t lerpByte(std::uint8_t a, std::uint8_t b, double t) {
    double v = a + (static_cast<double>(b) - a) * t;
    return static_cast<std::uint8_t>(std::clamp(static_cast<long>(std::floor(v)), 0L, 255L));
}

swf::Rgba lerpColor(const swf::Rgba& a, const swf::Rgba& b, double t) {
    return swf::Rgba{lerpByte(a.r, b.r, t), lerpByte(a.g, b.g, t), lerpByte(a.b, b.b, t),
                     lerpByte(a.a, b.a, t)};
}

std::int32_t lerpInt(double a, double b, double t) {
    double v = a + (b - a) * t;
    v = std::clamp(v, -2147483648.0, 2147483647.0);
    return static_cast<std::int32_t>(std::lround(v));
}

}  // namespace

ConvertedShape convertShape(const swf::Shape& shape) {
    ConvertedShape out;
    Converter(out).run(shape, shape.styles);
    return out;
}

ConvertedShape convertGlyph(const swf::Shape& glyph, const swf::FillStyle& glyphFill) {
    swf::StyleTables tables;
    tables.fills.push_back(glyphFill);
    ConvertedShape out;
    Converter(out).run(glyph, tables);
    return out;
}

ConvertedShape convertDefineShape(const swf::DefineShape& def) {
    ConvertedShape out = convertShape(def.shape);
    out.nonZero = def.version >= 4 && def.usesFillWindingRule;
    return out;
}

swf::FillStyle lerpFill(const swf::FillStyle& a, const swf::FillStyle& b, double t) {
    swf::FillStyle f = a;
    f.color = lerpColor(a.color, b.color, t);
    f.matrix.a = a.matrix.a + (b.matrix.a - a.matrix.a) * t;
    f.matrix.b = a.matrix.b + (b.matrix.b - a.matrix.b) * t;
    f.matrix.c = a.matrix.c + (b.matrix.c - a.matrix.c) * t;
    f.matrix.d = a.matrix.d + (b.matrix.d - a.matrix.d) * t;
    f.matrix.tx = lerpInt(a.matrix.tx, b.matrix.tx, t);
    f.matrix.ty = lerpInt(a.matrix.ty, b.matrix.ty, t);
    const std::size_t n = std::min(a.gradient.stops.size(), b.gradient.stops.size());
    f.gradient.stops.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const swf::GradientStop& sa = a.gradient.stops[i];
        const swf::GradientStop& sb = b.gradient.stops[i];
        f.gradient.stops[i].ratio = lerpByte(sa.ratio, sb.ratio, t);
        f.gradient.stops[i].color = lerpColor(sa.color, sb.color, t);
    }
    f.gradient.focalPoint = a.gradient.focalPoint + (b.gradient.focalPoint - a.gradient.focalPoint) * t;
    return f;
}

swf::LineStyle lerpLine(const swf::LineStyle& a, const swf::LineStyle& b, double t) {
    swf::LineStyle l = a;
    l.width = static_cast<std::uint16_t>(
        std::clamp(std::lround(a.width + (static_cast<double>(b.width) - a.width) * t), 0L, 65535L));
    l.color = lerpColor(a.color, b.color, t);
    if (a.fill && b.fill) l.fill = lerpFill(*a.fill, *b.fill, t);
    return l;
}

swf::Shape interpolateMorph(const swf::DefineMorphShape& morph, std::uint16_t ratio) {
    const double t = ratio / 65535.0;
    swf::Shape out;
    for (const swf::MorphFillStyle& f : morph.fills) out.styles.fills.push_back(lerpFill(f.start, f.end, t));
    for (const swf::MorphLineStyle& l : morph.lines) out.styles.lines.push_back(lerpLine(l.start, l.end, t));

    const std::vector<swf::ShapeRecord>& start = morph.startEdges.records;
    const std::vector<swf::ShapeRecord>& end = morph.endEdges.records;
    std::size_t j = 0;
    // Pen positions of the start shape, the end shape and the interpolated shape written so far.
    double sx = 0, sy = 0, ex = 0, ey = 0;
    std::int32_t ox = 0, oy = 0;
    auto moveRecord = [&](swf::ShapeRecord r) {
        r.newStyles = {};
        r.hasMove = true;
        r.dx = ox = lerpInt(sx, ex, t);
        r.dy = oy = lerpInt(sy, ey, t);
        return r;
    };
    for (const swf::ShapeRecord& s : start) {
        if (s.kind == swf::ShapeRecord::Kind::StyleChange) {
            bool moved = false;
            if (s.hasMove) {
                sx = s.dx;
                sy = s.dy;
                moved = true;
            }
            if (j < end.size() && end[j].kind == swf::ShapeRecord::Kind::StyleChange) {
                if (end[j].hasMove) {
                    ex = end[j].dx;
                    ey = end[j].dy;
                    moved = true;
                }
                ++j;
            }
            swf::ShapeRecord r = s;
            r.newStyles = {};
            if (moved) {
                r = moveRecord(r);
            } else {
                r.hasMove = false;
                r.dx = r.dy = 0;
            }
            out.records.push_back(std::move(r));
            continue;
        }
        // The end shape may move its pen where the start shape does not.
        while (j < end.size() && end[j].kind == swf::ShapeRecord::Kind::StyleChange) {
            if (end[j].hasMove) {
                ex = end[j].dx;
                ey = end[j].dy;
                out.records.push_back(moveRecord(swf::ShapeRecord{}));
            }
            ++j;
        }
        const swf::ShapeRecord& e = j < end.size() ? end[j++] : s;
        // Absolute control and anchor points; a straight edge counts as a curve whose control
        // point is the middle of the edge.
        auto points = [](const swf::ShapeRecord& r, double px, double py, double& cx, double& cy,
                         double& ax, double& ay) {
            if (r.kind == swf::ShapeRecord::Kind::CurvedEdge) {
                cx = px + r.controlDx;
                cy = py + r.controlDy;
                ax = cx + r.dx;
                ay = cy + r.dy;
            } else {
                ax = px + r.dx;
                ay = py + r.dy;
                cx = (px + ax) / 2;
                cy = (py + ay) / 2;
            }
        };
        double scx, scy, sax, say, ecx, ecy, eax, eay;
        points(s, sx, sy, scx, scy, sax, say);
        points(e, ex, ey, ecx, ecy, eax, eay);
        swf::ShapeRecord r;
        std::int32_t ax = lerpInt(sax, eax, t), ay = lerpInt(say, eay, t);
        if (s.kind == swf::ShapeRecord::Kind::StraightEdge &&
            e.kind == swf::ShapeRecord::Kind::StraightEdge) {
            r.kind = swf::ShapeRecord::Kind::StraightEdge;
            r.dx = wrapAdd(ax, -ox);
            r.dy = wrapAdd(ay, -oy);
        } else {
            r.kind = swf::ShapeRecord::Kind::CurvedEdge;
            std::int32_t cx = lerpInt(scx, ecx, t), cy = lerpInt(scy, ecy, t);
            r.controlDx = wrapAdd(cx, -ox);
            r.controlDy = wrapAdd(cy, -oy);
            r.dx = wrapAdd(ax, -cx);
            r.dy = wrapAdd(ay, -cy);
        }
        out.records.push_back(r);
        sx = sax;
        sy = say;
        ex = eax;
        ey = eay;
        ox = ax;
        oy = ay;
    }
    return out;
}

ConvertedShape convertMorph(const swf::DefineMorphShape& morph, std::uint16_t ratio) {
    return convertShape(interpolateMorph(morph, ratio));
}

}  // namespace player

#include "player/script_drawing.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace player {

namespace {

// Coordinates are kept within ±5e8 twips so that edge deltas between them fit 32 bits.
std::int32_t twips(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<std::int32_t>(std::clamp(std::round(v), -5.0e8, 5.0e8));
}

std::uint8_t alpha(double percent) {
    return static_cast<std::uint8_t>(std::clamp(std::round(percent * 2.55), 0.0, 255.0));
}

swf::Rgba color(std::uint32_t rgb, double percent) {
    return swf::Rgba{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb), alpha(percent)};
}

swf::FillStyle gradient(const avm1::DrawOp& op) {
    swf::FillStyle f;
    f.kind = !op.radial ? swf::FillKind::LinearGradient
             : op.focal != 0 ? swf::FillKind::FocalRadialGradient : swf::FillKind::RadialGradient;
    f.matrix = swf::Matrix{op.matrix[0], op.matrix[1], op.matrix[2], op.matrix[3], twips(op.matrix[4]), twips(op.matrix[5])};
    f.gradient.spread = static_cast<swf::SpreadMode>(std::min<std::uint8_t>(op.spread, 2));
    f.gradient.interpolation = op.linearRgb ? swf::InterpolationMode::LinearRgb : swf::InterpolationMode::Rgb;
    f.gradient.focalPoint = op.focal;
    for (std::size_t i = 0; i < op.colors.size() && i < op.alphas.size() && i < op.ratios.size() &&
                            i < swf::kMaxGradientStops; ++i)
        f.gradient.stops.push_back(swf::GradientStop{static_cast<std::uint8_t>(std::clamp(op.ratios[i], 0.0, 255.0)),
                                                     color(op.colors[i], op.alphas[i])});
    return f;
}

class Builder {
public:
    swf::DefineShape shape;

    void run(const std::vector<avm1::DrawOp>& ops) {
        shape.id = 0;
        shape.version = 3;
        for (const avm1::DrawOp& op : ops) apply(op);
        closeFill();
        if (!m_any) shape.bounds = {};
        else shape.bounds = {m_minX, m_maxX, m_minY, m_maxY};
        shape.edgeBounds = shape.bounds;
    }

private:
    void apply(const avm1::DrawOp& op) {
        using K = avm1::DrawOp::Kind;
        switch (op.kind) {
        case K::Clear:
            closeFill();
            shape.shape.records.clear();
            m_fill.reset();
            m_line.reset();
            break;
        case K::LineStyle:
            if (op.width < 0) {
                m_line.reset();
            } else {
                swf::LineStyle l;
                l.width = static_cast<std::uint16_t>(std::clamp(op.width, 0.0, 5100.0));
                l.color = color(op.rgb, op.alpha);
                m_line = l;
            }
            newStyles(false);
            break;
        case K::BeginFill:
        case K::BeginGradientFill: {
            closeFill();
            swf::FillStyle f;
            if (op.kind == K::BeginFill) {
                f.color = color(op.rgb, op.alpha);
            } else {
                f = gradient(op);
            }
            m_fill = f;
            m_fillStartX = m_x;
            m_fillStartY = m_y;
            newStyles(true);
            break;
        }
        case K::LineGradientStyle:
            // Strokes from here on take the gradient; without a line style there is nothing to paint.
            if (!m_line) break;
            m_line->fill = gradient(op);
            newStyles(false);
            break;
        case K::EndFill:
            closeFill();
            m_fill.reset();
            newStyles(true);
            break;
        case K::MoveTo:
            closeFill();
            m_x = twips(op.x);
            m_y = twips(op.y);
            m_fillStartX = m_x;
            m_fillStartY = m_y;
            move();
            break;
        case K::LineTo: lineTo(twips(op.x), twips(op.y)); break;
        case K::CurveTo: {
            std::int32_t cx = twips(op.cx), cy = twips(op.cy), x = twips(op.x), y = twips(op.y);
            swf::ShapeRecord r;
            r.kind = swf::ShapeRecord::Kind::CurvedEdge;
            r.controlDx = cx - m_x;
            r.controlDy = cy - m_y;
            r.dx = x - cx;
            r.dy = y - cy;
            note(cx, cy);
            note(x, y);
            m_x = x;
            m_y = y;
            add(std::move(r));
            break;
        }
        }
    }

    void add(swf::ShapeRecord r) {
        if (shape.shape.records.size() < swf::kMaxShapeRecords) shape.shape.records.push_back(std::move(r));
    }

    void note(std::int32_t x, std::int32_t y) {
        std::int32_t pad = m_line ? m_line->width / 2 : 0;
        if (!m_any) {
            m_minX = x - pad;
            m_maxX = x + pad;
            m_minY = y - pad;
            m_maxY = y + pad;
            m_any = true;
            return;
        }
        m_minX = std::min(m_minX, x - pad);
        m_maxX = std::max(m_maxX, x + pad);
        m_minY = std::min(m_minY, y - pad);
        m_maxY = std::max(m_maxY, y + pad);
    }

    void lineTo(std::int32_t x, std::int32_t y) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::StraightEdge;
        r.dx = x - m_x;
        r.dy = y - m_y;
        note(m_x, m_y);
        note(x, y);
        m_x = x;
        m_y = y;
        add(std::move(r));
    }

    // Closes the open fill's contour back to its start.
    void closeFill() {
        if (m_fill && (m_x != m_fillStartX || m_y != m_fillStartY)) {
            // The closing edge is part of the fill only: no line along it.
            bool hadLine = m_line.has_value();
            if (hadLine) selectStyles(false);
            lineTo(m_fillStartX, m_fillStartY);
            if (hadLine) selectStyles(true);
        }
    }

    void selectStyles(bool withLine) {
        swf::ShapeRecord r;
        r.hasLine = true;
        r.line = withLine && m_line ? 1 : 0;
        add(std::move(r));
    }

    void move() {
        swf::ShapeRecord r;
        r.hasMove = true;
        r.dx = m_x;
        r.dy = m_y;
        add(std::move(r));
    }

    void newStyles(bool) {
        swf::ShapeRecord r;
        swf::StyleTables t;
        if (m_fill) t.fills.push_back(*m_fill);
        if (m_line) t.lines.push_back(*m_line);
        r.newStyles = t;
        r.hasFill0 = r.hasFill1 = r.hasLine = true;
        r.fill0 = 0;
        r.fill1 = m_fill ? 1 : 0;
        r.line = m_line ? 1 : 0;
        r.hasMove = true;
        r.dx = m_x;
        r.dy = m_y;
        add(std::move(r));
    }

    std::optional<swf::FillStyle> m_fill;
    std::optional<swf::LineStyle> m_line;
    std::int32_t m_x = 0, m_y = 0, m_fillStartX = 0, m_fillStartY = 0;
    std::int32_t m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
    bool m_any = false;
};

}  // namespace

swf::DefineShape buildDrawingShape(const std::vector<avm1::DrawOp>& ops) {
    Builder b;
    b.run(ops);
    return std::move(b.shape);
}

}  // namespace player

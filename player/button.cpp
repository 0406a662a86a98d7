// Button states, tracking and hit tests (see button.h).
#include "player/button.h"

#include <cmath>

#include "player/timeline.h"

namespace player {

namespace bc = button_condition;

bool recordShows(const swf::ButtonRecord& r, ButtonState state) {
    switch (state) {
    case ButtonState::Up: return r.up;
    case ButtonState::Over: return r.over;
    case ButtonState::Down: return r.down;
    }
    return false;
}

std::vector<ButtonEvent> ButtonTracker::pointerAt(ButtonTarget target) {
    std::vector<ButtonEvent> out;
    if (target.id == m_over.id) return out;
    const ButtonTarget old = m_over;
    m_over = target;
    if (!m_down) {
        if (old.id) out.push_back({old.id, ButtonState::Up, bc::kOverUpToIdle});
        if (target.id) out.push_back({target.id, ButtonState::Over, bc::kIdleToOverUp});
        return out;
    }
    if (old.id && old.id == m_pressed.id) {
        if (m_pressed.trackAsMenu) {
            out.push_back({old.id, ButtonState::Up, bc::kOverDownToIdle});
            m_pressed = {};
        } else {
            out.push_back({old.id, ButtonState::Over, bc::kOverDownToOutDown});
        }
    }
    if (target.id) {
        if (target.id == m_pressed.id) {
            out.push_back({target.id, ButtonState::Down, bc::kOutDownToOverDown});
        } else if (target.trackAsMenu && !m_pressed.id) {
            out.push_back({target.id, ButtonState::Down, bc::kIdleToOverDown});
            m_pressed = target;
        }
    }
    return out;
}

std::vector<ButtonEvent> ButtonTracker::press() {
    std::vector<ButtonEvent> out;
    if (m_down) return out;
    m_down = true;
    if (m_over.id) {
        out.push_back({m_over.id, ButtonState::Down, bc::kOverUpToOverDown});
        m_pressed = m_over;
    }
    return out;
}

std::vector<ButtonEvent> ButtonTracker::release() {
    std::vector<ButtonEvent> out;
    if (!m_down) return out;
    m_down = false;
    if (m_pressed.id) {
        if (m_pressed.id == m_over.id) {
            out.push_back({m_pressed.id, ButtonState::Over, bc::kOverDownToOverUp});
        } else {
            out.push_back({m_pressed.id, ButtonState::Up, bc::kOutDownToIdle});
            if (m_over.id) out.push_back({m_over.id, ButtonState::Over, bc::kIdleToOverUp});
        }
        m_pressed = {};
    }
    return out;
}

void ButtonTracker::forget(std::uint32_t id) {
    if (m_over.id == id) m_over = {};
    if (m_pressed.id == id) m_pressed = {};
}

bool pathContains(const render::Path& path, float x, float y, bool nonZero) {
    int winding = 0;
    const auto& pts = path.points();
    render::Point start{}, pen{};
    auto edge = [&](render::Point a, render::Point b) {
        if ((a.y <= y) == (b.y <= y)) return;  // does not cross the ray's line
        const float t = (y - a.y) / (b.y - a.y);
        if (a.x + t * (b.x - a.x) > x) winding += b.y > a.y ? 1 : -1;
    };
    std::size_t i = 0;
    for (render::Verb v : path.verbs()) {
        switch (v) {
        case render::Verb::Move:
            edge(pen, start);
            start = pen = pts[i++];
            break;
        case render::Verb::Line:
            edge(pen, pts[i]);
            pen = pts[i++];
            break;
        case render::Verb::Quad: {
            const render::Point c = pts[i], e = pts[i + 1];
            render::Point prev = pen;
            for (int k = 1; k <= 8; ++k) {
                const float t = static_cast<float>(k) / 8.0f, u = 1.0f - t;
                const render::Point q{u * u * pen.x + 2 * u * t * c.x + t * t * e.x,
                                      u * u * pen.y + 2 * u * t * c.y + t * t * e.y};
                edge(prev, q);
                prev = q;
            }
            pen = e;
            i += 2;
            break;
        }
        case render::Verb::Close:
            edge(pen, start);
            pen = start;
            break;
        }
    }
    edge(pen, start);  // an open contour fills as if closed
    return nonZero ? winding != 0 : (winding & 1) != 0;
}

const ConvertedShape* HitTester::shape(std::uint16_t id) {
    auto it = m_shapes.find(id);
    if (it != m_shapes.end()) return it->second.get();
    const Character* c = m_library.find(id);
    std::unique_ptr<ConvertedShape> s;
    if (c && c->kind == CharacterKind::Shape)
        s = std::make_unique<ConvertedShape>(convertDefineShape(*std::get<const swf::DefineShape*>(c->def)));
    else if (c && c->kind == CharacterKind::MorphShape)
        s = std::make_unique<ConvertedShape>(convertMorph(*std::get<const swf::DefineMorphShape*>(c->def), 0));
    const ConvertedShape* p = s.get();
    m_shapes.emplace(id, std::move(s));
    return p;
}

namespace {

// The point in the space that `m` maps from; false when `m` has no inverse.
bool toLocal(const DrawMatrix& m, float x, float y, float& lx, float& ly) {
    const double det = static_cast<double>(m.a) * m.d - static_cast<double>(m.b) * m.c;
    if (std::fabs(det) < 1e-12) return false;
    const double dx = x - m.tx, dy = y - m.ty;
    lx = static_cast<float>((m.d * dx - m.c * dy) / det);
    ly = static_cast<float>((-m.b * dx + m.a * dy) / det);
    return true;
}

constexpr unsigned kMaxHitNesting = 16;

}  // namespace

bool shapeContains(const ConvertedShape& s, const DrawMatrix& m, float x, float y) {
    float lx = 0, ly = 0;
    if (!toLocal(m, x, y, lx, ly)) return false;
    const render::Rect& b = s.bounds;
    if (lx < b.x0 || lx > b.x1 || ly < b.y0 || ly > b.y1) return false;
    for (const ShapeLayer& layer : s.layers)
        for (const ShapeFill& f : layer.fills)
            if (pathContains(f.path, lx, ly, s.nonZero)) return true;
    return false;
}

bool HitTester::characterContains(std::uint16_t id, const DrawMatrix& m, float x, float y) {
    return contains(id, m, x, y, 0);
}

bool HitTester::buttonContains(const swf::DefineButton& button, const DrawMatrix& m, float x, float y) {
    return buttonHit(button, m, x, y, 0);
}

bool HitTester::buttonHit(const swf::DefineButton& button, const DrawMatrix& m, float x, float y,
                          unsigned depth) {
    for (const swf::ButtonRecord& r : button.records) {
        if (!r.hitTest) continue;
        if (contains(r.characterId, concat(m, toDrawMatrix(r.matrix)), x, y, depth + 1)) return true;
    }
    return false;
}

bool HitTester::contains(std::uint16_t id, const DrawMatrix& m, float x, float y, unsigned depth) {
    const Character* c = m_library.find(id);
    if (!c || depth > kMaxHitNesting) return false;
    float lx = 0, ly = 0;
    switch (c->kind) {
    case CharacterKind::Shape:
    case CharacterKind::MorphShape: {
        const ConvertedShape* s = shape(id);
        return s && shapeContains(*s, m, x, y);
    }
    case CharacterKind::Text:
    case CharacterKind::EditText: {
        const swf::Rect& r = c->kind == CharacterKind::Text ? std::get<const swf::DefineText*>(c->def)->bounds
                                                            : std::get<const swf::DefineEditText*>(c->def)->bounds;
        if (!toLocal(m, x, y, lx, ly)) return false;
        return lx >= static_cast<float>(r.xMin) && lx <= static_cast<float>(r.xMax) &&
               ly >= static_cast<float>(r.yMin) && ly <= static_cast<float>(r.yMax);
    }
    case CharacterKind::Sprite: {
        // A sprite tests the characters of its first frame.
        if (!c->timeline || c->timeline->frameCount() == 0) return false;
        for (const swf::Tag* t : c->timeline->frame(1).tags) {
            const auto* p = std::get_if<swf::PlaceObject>(&t->body);
            if (!p || !p->characterId) continue;
            const DrawMatrix cm = concat(m, toDrawMatrix(p->matrix.value_or(swf::Matrix{})));
            if (contains(*p->characterId, cm, x, y, depth + 1)) return true;
        }
        return false;
    }
    case CharacterKind::Button:
        return buttonHit(*std::get<const swf::DefineButton*>(c->def), m, x, y, depth);
    default:
        return false;
    }
}

}  // namespace player

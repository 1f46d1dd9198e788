#include "render/primitives.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Farther from a drawing's first point than this, single precision no longer places a point
// within a pixel of a picture of the whole; no real drawing spans so far.
constexpr double kFarthestOffset = 1e30;

}  // namespace

void Box::Add(Point p) {
    if (empty) {
        *this = {p.x, p.y, p.x, p.y, false};
        return;
    }
    minX = std::min(minX, p.x);
    minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x);
    maxY = std::max(maxY, p.y);
}

void Box::Add(const Box& other) {
    if (!other.empty) {
        Add(Point{other.minX, other.minY});
        Add(Point{other.maxX, other.maxY});
    }
}

bool CPrimitiveList::BeginShape(ShapeKind kind, InkColour colour) {
    if (m_spent) {
        return false;
    }
    m_shapes.push_back({kind, colour, static_cast<std::uint32_t>(m_ringEnds.size()), 0});
    m_ringStart = static_cast<std::uint32_t>(m_points.size());
    return true;
}

bool CPrimitiveList::Hold(Point p) {
    if (Held() >= m_maxPoints) {
        m_spent = true;
        return false;
    }
    if (!m_first) {
        m_first = p;
        m_origin = p;
    }
    m_points.push_back(
        {static_cast<float>(p.x - m_origin.x), static_cast<float>(p.y - m_origin.y)});
    return true;
}

// Whether a point can be held: finite, and near enough the first that its offset is.
bool CPrimitiveList::Holdable(Point p) const {
    return std::isfinite(p.x) && std::isfinite(p.y) &&
           (!m_first || (std::abs(p.x - m_origin.x) < kFarthestOffset &&
                         std::abs(p.y - m_origin.y) < kFarthestOffset));
}

bool CPrimitiveList::AddPoint(Point p) {
    if (m_spent || m_shapes.empty()) {
        return false;
    }
    if (!Holdable(p)) {
        return true;  // a point no geometry reaches: left out, the rest drawn
    }
    return Hold(p);
}

namespace {

// Whether a vector (an arc's axis, a text's unit) is short enough to be held.
bool HoldableVector(Point v) {
    return std::abs(v.x) < kFarthestOffset && std::abs(v.y) < kFarthestOffset;
}

}  // namespace

namespace {

// The least and greatest of c + a cos t + b sin t over the arc's t.
std::pair<double, double> ArcRange(double c, double a, double b, double start, double end) {
    const auto at = [&](double t) { return c + a * std::cos(t) + b * std::sin(t); };
    double low = std::min(at(start), at(end));
    double high = std::max(at(start), at(end));
    const double turning = std::atan2(b, a);  // and half a turn on
    for (int k = -4; k <= 4; ++k) {
        const double t = turning + k * std::numbers::pi;
        if (t > start && t < end) {
            low = std::min(low, at(t));
            high = std::max(high, at(t));
        }
    }
    return {low, high};
}

}  // namespace

bool CPrimitiveList::AddArc(InkColour colour, const EllipticArc& arc) {
    const double values[] = {arc.centre.x, arc.centre.y, arc.major.x, arc.major.y,
                             arc.minor.x,  arc.minor.y,  arc.start,   arc.end};
    for (const double value : values) {
        if (!std::isfinite(value)) {
            return !m_spent;  // no arc any geometry gives: left out
        }
    }
    if (!Holdable(arc.centre) || !HoldableVector(arc.major) || !HoldableVector(arc.minor)) {
        return !m_spent;
    }
    if (!BeginShape(ShapeKind::kArc, colour)) {
        return false;
    }
    m_shapes.back().kind = ShapeKind::kArc;
    const bool held = Hold(arc.centre) &&
                      Hold({m_origin.x + arc.major.x, m_origin.y + arc.major.y}) &&
                      Hold({m_origin.x + arc.minor.x, m_origin.y + arc.minor.y}) &&
                      Hold({m_origin.x + arc.start, m_origin.y + arc.end - arc.start});
    if (!held) {
        m_points.resize(m_ringStart);
        m_shapes.pop_back();
        return false;
    }
    const auto [minX, maxX] = ArcRange(arc.centre.x, arc.major.x, arc.minor.x, arc.start, arc.end);
    const auto [minY, maxY] = ArcRange(arc.centre.y, arc.major.y, arc.minor.y, arc.start, arc.end);
    m_extents.Add(Point{minX, minY});
    m_extents.Add(Point{maxX, maxY});
    m_ringEnds.push_back(static_cast<std::uint32_t>(m_points.size()));
    m_shapes.back().ringCount = 1;
    m_ringStart = static_cast<std::uint32_t>(m_points.size());
    return true;
}

bool CPrimitiveList::AddText(InkColour colour, const TextRun& run, std::u32string_view characters,
                             double ascent, double descent) {
    const double values[] = {run.origin.x, run.origin.y, run.across.x, run.across.y,
                             run.up.x,     run.up.y,     run.advance};
    for (const double value : values) {
        if (!std::isfinite(value)) {
            return !m_spent;
        }
    }
    if (!Holdable(run.origin) || !HoldableVector(run.across) || !HoldableVector(run.up) ||
        !(std::abs(run.advance) < kFarthestOffset)) {
        return !m_spent;
    }
    if (characters.size() / 2 >= Room() || !BeginShape(ShapeKind::kText, colour)) {
        m_spent = true;
        return false;
    }
    Shape& shape = m_shapes.back();
    shape.kind = ShapeKind::kText;
    const bool held = Hold(run.origin) &&
                      Hold({m_origin.x + run.across.x, m_origin.y + run.across.y}) &&
                      Hold({m_origin.x + run.up.x, m_origin.y + run.up.y}) &&
                      Hold({m_origin.x + run.advance, m_origin.y});
    if (!held) {
        m_points.resize(m_ringStart);
        m_shapes.pop_back();
        return false;
    }
    shape.firstCharacter = static_cast<std::uint32_t>(m_characters.size());
    shape.characterCount = static_cast<std::uint32_t>(characters.size());
    m_characters += characters;
    for (const double along : {0.0, run.advance}) {
        for (const double height : {-descent, ascent}) {
            m_extents.Add(Point{run.origin.x + run.across.x * along + run.up.x * height,
                                run.origin.y + run.across.y * along + run.up.y * height});
        }
    }
    m_ringEnds.push_back(static_cast<std::uint32_t>(m_points.size()));
    shape.ringCount = 1;
    m_ringStart = static_cast<std::uint32_t>(m_points.size());
    return true;
}

TextRun CPrimitiveList::TextOf(const Shape& shape) const {
    const std::span<const HeldPoint> held = Ring(shape.firstRing);
    return {World(held[0]), {held[1].x, held[1].y}, {held[2].x, held[2].y}, held[3].x};
}

std::u32string_view CPrimitiveList::CharactersOf(const Shape& shape) const {
    return std::u32string_view(m_characters).substr(shape.firstCharacter, shape.characterCount);
}

EllipticArc CPrimitiveList::ArcOf(const Shape& shape) const {
    const std::span<const HeldPoint> held = Ring(shape.firstRing);
    const Point centre = World(held[0]);
    const double start = held[3].x;
    return {centre, {held[1].x, held[1].y}, {held[2].x, held[2].y}, start, start + held[3].y};
}

void CPrimitiveList::EndRing() {
    if (m_shapes.empty()) {
        return;
    }
    const std::size_t count = m_points.size() - m_ringStart;
    const std::size_t least = m_shapes.back().kind == ShapeKind::kFill ? 3 : 1;
    if (count < least) {
        m_points.resize(m_ringStart);
        return;
    }
    for (std::size_t i = m_ringStart; i < m_points.size(); ++i) {
        m_extents.Add(World(m_points[i]));
    }
    m_ringEnds.push_back(static_cast<std::uint32_t>(m_points.size()));
    ++m_shapes.back().ringCount;
    m_ringStart = static_cast<std::uint32_t>(m_points.size());
}

void CPrimitiveList::EndShape() {
    if (!m_shapes.empty() && m_shapes.back().ringCount == 0) {
        m_points.resize(m_ringStart);
        m_shapes.pop_back();
    }
}

std::span<const HeldPoint> CPrimitiveList::Ring(std::uint32_t ring) const {
    const std::uint32_t begin = ring == 0 ? 0 : m_ringEnds[ring - 1];
    return {m_points.data() + begin, m_ringEnds[ring] - begin};
}

#include "render/primitives.h"

#include <algorithm>
#include <cmath>

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

bool CPrimitiveList::AddPoint(Point p) {
    if (m_spent || m_shapes.empty()) {
        return false;
    }
    if (m_points.size() >= m_maxPoints) {
        m_spent = true;
        return false;
    }
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        return true;  // a point no geometry reaches: left out, the rest drawn
    }
    m_points.push_back(p);
    return true;
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
        m_extents.Add(m_points[i]);
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

std::pair<const Point*, std::size_t> CPrimitiveList::Ring(std::uint32_t ring) const {
    const std::uint32_t begin = ring == 0 ? 0 : m_ringEnds[ring - 1];
    return {m_points.data() + begin, m_ringEnds[ring] - begin};
}

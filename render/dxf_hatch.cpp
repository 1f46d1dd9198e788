// Hatches: their boundary paths, of polylines or of line, arc, ellipse and spline edges;
// solid ones filled, the others drawn as their outline.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "render/curves.h"
#include "render/dxf_resolve.h"

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
constexpr std::int64_t kPolylinePath = 2;
enum EdgeType : std::int64_t { kLineEdge = 1, kArcEdge = 2, kEllipseEdge = 3, kSplineEdge = 4 };

// The groups of one entity, read in order.
class CGroupCursor {
public:
    explicit CGroupCursor(const DxfEntity& entity) : m_groups(entity.groups) {}

    bool AtEnd() const { return m_at >= m_groups.size(); }
    // Moves past groups until one of `code`; false when there is none.
    bool SeekCode(int code) {
        while (!AtEnd() && m_groups[m_at].code != code) {
            ++m_at;
        }
        return !AtEnd();
    }
    // The value of the next group when it is of `code` (taken), else `otherwise`.
    double Real(int code, double otherwise = 0) {
        if (AtEnd() || m_groups[m_at].code != code) {
            return otherwise;
        }
        return ParseReal(m_groups[m_at++].value).value_or(otherwise);
    }
    std::int64_t Integer(int code, std::int64_t otherwise = 0) {
        if (AtEnd() || m_groups[m_at].code != code) {
            return otherwise;
        }
        return ParseInteger(m_groups[m_at++].value).value_or(otherwise);
    }
    Vector3 Point2(int x) {
        const double px = Real(x);
        return {px, Real(x + 10), 0};
    }

private:
    const std::vector<DxfGroup>& m_groups;
    std::size_t m_at = 0;
};

// The arc or elliptic arc an edge gives, from its start to its end.
void AppendEdgeArc(Vector3 centre, Vector3 major, double ratio, double start, double end, bool ccw,
                   std::vector<Vector3>& ring) {
    const Vector3 minor{-major.y * ratio, major.x * ratio, 0};
    // Angles about the ellipse as seen, taken to its own parameters.
    const auto parameter = [ratio](double angle) {
        return std::atan2(std::sin(angle) / (ratio != 0 ? ratio : 1), std::cos(angle));
    };
    std::vector<Vector3> arc;
    if (ccw) {
        AppendEllipse(centre, major, minor, parameter(start), parameter(end), arc);
    } else {  // written as the counter-clockwise arc mirrored: drawn backwards
        // From -start clockwise to -end is from -end counter-clockwise to -start.
        arc.clear();
        AppendEllipse(centre, major, minor, parameter(-end), parameter(-start), arc);
        std::reverse(arc.begin(), arc.end());
    }
    ring.insert(ring.end(), arc.begin(), arc.end());
}

void AppendSplineEdge(CGroupCursor& groups, std::vector<Vector3>& ring) {
    const auto degree = static_cast<int>(groups.Integer(94, 3));
    const bool rational = groups.Integer(73, 0) != 0;
    groups.Integer(74);  // periodic: the knots say it
    const std::int64_t knotCount = groups.Integer(95);
    const std::int64_t controlCount = groups.Integer(96);
    std::vector<double> knots;
    for (std::int64_t i = 0; i < knotCount && !groups.AtEnd(); ++i) {
        knots.push_back(groups.Real(40));
    }
    std::vector<Vector3> controls;
    std::vector<double> weights;
    for (std::int64_t i = 0; i < controlCount && !groups.AtEnd(); ++i) {
        controls.push_back(groups.Point2(10));
        if (rational) {
            weights.push_back(groups.Real(42, 1));
        }
    }
    AppendSpline(degree, std::move(knots), controls, weights, ring);
}

// One boundary path, as a ring (empty for one that cannot be followed); none when it takes
// more than `room` points.
std::optional<std::vector<Vector3>> ReadPath(CGroupCursor& groups, std::uint64_t room) {
    std::vector<Vector3> ring;
    const std::int64_t type = groups.Integer(92);
    if ((type & kPolylinePath) != 0) {
        const bool bulged = groups.Integer(72) != 0;
        groups.Integer(73);  // closed: a boundary always is
        const std::int64_t count = groups.Integer(93);
        Vector3 last;
        double bulge = 0;
        for (std::int64_t i = 0; i < count && !groups.AtEnd() && ring.size() < room; ++i) {
            const Vector3 at = groups.Point2(10);
            const double next = bulged ? groups.Real(42) : 0;
            if (i == 0) {
                ring.push_back(at);
            } else {
                AppendBulge(last, at, bulge, ring);
            }
            last = at;
            bulge = next;
        }
        if (!ring.empty()) {
            AppendBulge(last, ring.front(), bulge, ring);
        }
        return ring.size() <= room ? std::optional(ring) : std::nullopt;
    }
    const std::int64_t edges = groups.Integer(93);
    for (std::int64_t i = 0; i < edges && !groups.AtEnd() && ring.size() < room; ++i) {
        switch (groups.Integer(72)) {
            case kLineEdge:
                ring.push_back(groups.Point2(10));
                ring.push_back(groups.Point2(11));
                break;
            case kArcEdge: {
                const Vector3 centre = groups.Point2(10);
                const double radius = groups.Real(40);
                const double start = groups.Real(50) * kRadiansPerDegree;
                const double end = groups.Real(51) * kRadiansPerDegree;
                AppendEdgeArc(centre, {radius, 0, 0}, 1, start, end, groups.Integer(73, 1) != 0,
                              ring);
                break;
            }
            case kEllipseEdge: {
                const Vector3 centre = groups.Point2(10);
                const Vector3 major = groups.Point2(11);
                const double ratio = groups.Real(40, 1);
                const double start = groups.Real(50) * kRadiansPerDegree;
                const double end = groups.Real(51) * kRadiansPerDegree;
                AppendEdgeArc(centre, major, ratio, start, end, groups.Integer(73, 1) != 0, ring);
                break;
            }
            case kSplineEdge:
                AppendSplineEdge(groups, ring);
                break;
            default:
                return std::vector<Vector3>{};  // an edge of no known kind
        }
    }
    return ring.size() <= room ? std::optional(ring) : std::nullopt;
}

}  // namespace

void CEntityResolver::DrawHatch(const DxfEntity& entity, const CTransform& ocs, InkColour ink) {
    CGroupCursor groups(entity);
    const double elevation = entity.Real(30, 0);
    const bool solid = entity.Integer(70, 0) == 1;
    if (!groups.SeekCode(91)) {
        return;
    }
    const std::int64_t paths = groups.Integer(91);
    std::vector<std::vector<Vector3>> rings;
    std::uint64_t room = m_out.Room();
    for (std::int64_t i = 0; i < paths && groups.SeekCode(92); ++i) {
        std::optional<std::vector<Vector3>> ring = ReadPath(groups, room);
        if (!ring) {
            m_out.Spend();
            return;
        }
        room -= ring->size();
        for (Vector3& p : *ring) {
            p.z = elevation;
        }
        rings.push_back(std::move(*ring));
    }
    if (solid) {
        EmitFill(rings, ocs, ink);
        return;
    }
    for (const std::vector<Vector3>& ring : rings) {
        EmitPath(ring, ocs, ink, true);
    }
}

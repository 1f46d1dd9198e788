#include "render/pixman_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kHalfWidth = 0.5;  // of a line, in pixels
// Edge-band steps a fill may take; a fill of more is drawn as its outline.
constexpr std::uint64_t kMostFillSteps = 1ull << 24;
// How far past the picture's edges a segment is kept: beyond its own half width and caps.
constexpr double kClipMargin = 2;
// Kept inside what pixman's 16.16 fixed point holds.
constexpr double kFarthestPixel = 16384;

pixman_fixed_t Fixed(double pixels) {
    return pixman_double_to_fixed(Bounded(pixels));
}

pixman_point_fixed_t FixedPoint(Point p) {
    return {Fixed(p.x), Fixed(p.y)};
}

struct Edge {
    Point top;  // the end with the smaller y
    Point bottom;

    double XAt(double y) const {
        return top.x + (bottom.x - top.x) * (y - top.y) / (bottom.y - top.y);
    }
};

}  // namespace

bool ClipSegment(Point& a, Point& b, double width, double height) {
    const double low[] = {-kClipMargin, -kClipMargin};
    const double high[] = {width + kClipMargin, height + kClipMargin};
    const double from[] = {a.x, a.y};
    const double along[] = {b.x - a.x, b.y - a.y};
    double enter = 0;
    double leave = 1;
    for (int axis = 0; axis < 2; ++axis) {
        if (along[axis] == 0) {
            if (from[axis] < low[axis] || from[axis] > high[axis]) {
                return false;
            }
            continue;
        }
        double t1 = (low[axis] - from[axis]) / along[axis];
        double t2 = (high[axis] - from[axis]) / along[axis];
        if (t1 > t2) {
            std::swap(t1, t2);
        }
        enter = std::max(enter, t1);
        leave = std::min(leave, t2);
    }
    if (enter > leave) {
        return false;
    }
    const Point start = a;
    a = {start.x + along[0] * enter, start.y + along[1] * enter};
    b = {start.x + along[0] * leave, start.y + along[1] * leave};
    return true;
}

double Bounded(double pixels) {
    return std::isnan(pixels) ? 0 : std::clamp(pixels, -kFarthestPixel, kFarthestPixel);
}

void AddSegment(Point a, Point b, std::vector<pixman_triangle_t>& out) {
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length > 0) {
        dx = dx / length * kHalfWidth;
        dy = dy / length * kHalfWidth;
    } else {
        dx = kHalfWidth;  // a dot: a pixel's square
        dy = 0;
    }
    const Point p1{a.x - dx - dy, a.y - dy + dx};
    const Point p2{b.x + dx - dy, b.y + dy + dx};
    const Point p3{b.x + dx + dy, b.y + dy - dx};
    const Point p4{a.x - dx + dy, a.y - dy - dx};
    out.push_back({FixedPoint(p1), FixedPoint(p2), FixedPoint(p3)});
    out.push_back({FixedPoint(p1), FixedPoint(p3), FixedPoint(p4)});
}

bool AddFill(const std::vector<std::vector<Point>>& rings, std::vector<pixman_trapezoid_t>& out) {
    std::vector<Edge> edges;
    std::vector<double> rows;
    for (const std::vector<Point>& ring : rings) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            Point a = ring[i];
            Point b = ring[(i + 1) % ring.size()];
            rows.push_back(a.y);
            if (a.y == b.y) {
                continue;
            }
            if (a.y > b.y) {
                std::swap(a, b);
            }
            edges.push_back({a, b});
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.top.y < b.top.y; });
    std::vector<const Edge*> active;
    std::vector<std::pair<double, const Edge*>> crossing;
    std::size_t next = 0;
    std::uint64_t steps = 0;
    for (std::size_t row = 0; row + 1 < rows.size(); ++row) {
        const double top = rows[row];
        const double bottom = rows[row + 1];
        const double middle = (top + bottom) / 2;
        while (next < edges.size() && edges[next].top.y <= top) {
            active.push_back(&edges[next++]);
        }
        std::erase_if(active, [top](const Edge* edge) { return edge->bottom.y <= top; });
        steps += active.size();
        if (steps > kMostFillSteps) {
            return false;
        }
        crossing.clear();
        for (const Edge* edge : active) {
            crossing.push_back({edge->XAt(middle), edge});
        }
        std::sort(crossing.begin(), crossing.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i + 1 < crossing.size(); i += 2) {
            const Edge& left = *crossing[i].second;
            const Edge& right = *crossing[i + 1].second;
            out.push_back({Fixed(top),
                           Fixed(bottom),
                           {FixedPoint(left.top), FixedPoint(left.bottom)},
                           {FixedPoint(right.top), FixedPoint(right.bottom)}});
        }
    }
    return true;
}

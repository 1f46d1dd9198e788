#pragma once
// What a drawing resolves into, and all a rasteriser draws: paths and filled areas in world
// units, each of one colour, within a budget of points fixed before a drawing is read.

#include <cstdint>
#include <optional>
#include <vector>

struct Point {
    double x = 0;
    double y = 0;
};

struct Box {
    double minX = 0;
    double minY = 0;
    double maxX = 0;
    double maxY = 0;
    bool empty = true;

    void Add(Point p);
    void Add(const Box& other);
};

// A colour by value, or the one that stands out from the background (black on a light one,
// white on a dark one), as a drawing's colour 7 does.
struct InkColour {
    std::uint32_t rgb = 0;  // 0xRRGGBB
    bool contrasting = false;

    bool operator==(const InkColour&) const = default;
};

enum class ShapeKind : std::uint8_t {
    kPath,  // each ring a line through its points, one pixel wide
    kFill,  // the rings' inside, by the even-odd rule
};

struct Shape {
    ShapeKind kind = ShapeKind::kPath;
    InkColour colour;
    std::uint32_t firstRing = 0;
    std::uint32_t ringCount = 0;
};

class CPrimitiveList {
public:
    explicit CPrimitiveList(std::uint64_t maxPoints) : m_maxPoints(maxPoints) {}

    // A shape; its rings follow with AddPoint and EndRing. False once the budget is spent:
    // nothing more is taken after that.
    bool BeginShape(ShapeKind kind, InkColour colour);
    bool AddPoint(Point p);
    // Ends the ring being made; a ring of one point is kept only in a path (a dot).
    void EndRing();
    void EndShape();

    bool Spent() const { return m_spent; }
    // Points that may still be added; what would take more ends the drawing with Spend().
    std::uint64_t Room() const { return m_spent ? 0 : m_maxPoints - m_points.size(); }
    void Spend() { m_spent = true; }
    const Box& Extents() const { return m_extents; }
    const std::vector<Shape>& Shapes() const { return m_shapes; }
    // The points of ring `ring`.
    std::pair<const Point*, std::size_t> Ring(std::uint32_t ring) const;
    std::size_t PointCount() const { return m_points.size(); }

private:
    std::uint64_t m_maxPoints;
    bool m_spent = false;
    std::vector<Point> m_points;
    std::vector<std::uint32_t> m_ringEnds;  // one past each ring's last point
    std::vector<Shape> m_shapes;
    std::uint32_t m_ringStart = 0;
    Box m_extents;
};

#pragma once
// What a drawing resolves into, and all a rasteriser draws: paths and filled areas in world
// units, each of one colour, within a budget of points fixed before a drawing is read.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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
    kArc,   // an elliptic arc (ArcOf), drawn as a path as fine as the picture's pixels ask
    kText,  // a line of text (TextOf, CharactersOf), stroked in the stroke font
};

// Where a line of text lies: a font unit along it is `across`, a font unit up is `up`, from
// `origin` on its baseline; it is `advance` font units long.
struct TextRun {
    Point origin;
    Point across;
    Point up;
    double advance = 0;
};

// centre + major cos t + minor sin t, for t from start to end (end > start, at most a turn
// apart): circles, arcs and ellipses as any placement in the world leaves them.
struct EllipticArc {
    Point centre;
    Point major;
    Point minor;
    double start = 0;
    double end = 0;
};

// A point as held: its offset from the list's first point, in single precision (half the
// memory; offsets keep a small drawing far from the origin exact to far below a pixel).
struct HeldPoint {
    float x = 0;
    float y = 0;
};

struct Shape {
    ShapeKind kind = ShapeKind::kPath;
    InkColour colour;
    std::uint32_t firstRing = 0;
    std::uint32_t ringCount = 0;
    std::uint32_t firstCharacter = 0;  // kText: its characters
    std::uint32_t characterCount = 0;
};

class CPrimitiveList {
public:
    explicit CPrimitiveList(std::uint64_t maxPoints) : m_maxPoints(maxPoints) {}

    // A shape; its rings follow with AddPoint and EndRing. False once the budget is spent:
    // nothing more is taken after that.
    bool BeginShape(ShapeKind kind, InkColour colour);
    bool AddPoint(Point p);
    // An arc as a shape of its own.
    bool AddArc(InkColour colour, const EllipticArc& arc);
    // Ends the ring being made; a ring of one point is kept only in a path (a dot).
    void EndRing();
    void EndShape();

    bool Spent() const { return m_spent; }
    // Points that may still be added; what would take more ends the drawing with Spend().
    std::uint64_t Room() const { return m_spent ? 0 : m_maxPoints - Held(); }
    void Spend() { m_spent = true; }
    const Box& Extents() const { return m_extents; }
    const std::vector<Shape>& Shapes() const { return m_shapes; }
    // The points of ring `ring`, and each as a point of the world.
    std::span<const HeldPoint> Ring(std::uint32_t ring) const;
    Point World(HeldPoint p) const { return {m_origin.x + p.x, m_origin.y + p.y}; }
    // The arc a kArc shape holds.
    EllipticArc ArcOf(const Shape& shape) const;
    // A line of text as a shape of its own: its box counts for the extents.
    bool AddText(InkColour colour, const TextRun& run, std::u32string_view characters,
                 double ascent, double descent);
    TextRun TextOf(const Shape& shape) const;
    std::u32string_view CharactersOf(const Shape& shape) const;

private:
    std::uint64_t m_maxPoints;
    bool m_spent = false;
    std::vector<HeldPoint> m_points;
    std::u32string m_characters;   // of the text shapes, each counted as half a point
    std::optional<Point> m_first;  // the origin of the offsets, once a point is added
    Point m_origin;
    bool Hold(Point p);
    bool Holdable(Point p) const;
    std::uint64_t Held() const { return m_points.size() + m_characters.size() / 2; }
    std::vector<std::uint32_t> m_ringEnds;  // one past each ring's last point
    std::vector<Shape> m_shapes;
    std::uint32_t m_ringStart = 0;
    Box m_extents;
};

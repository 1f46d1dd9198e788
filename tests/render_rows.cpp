#include "tests/render_rows.h"

#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr double kPi = std::numbers::pi;

DxfItems OnLayer(const char* layer) {
    return {G(8, layer)};
}

// An asymmetric block: an L whose long leg runs along x, with a tick at its end.
const std::vector<std::pair<std::string, DxfItems>> kEll = {
    {"LINE", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 20, 0, 0)})},
    {"LINE", Concat({OnLayer("0"), At3(10, 20, 0, 0), At3(11, 20, 8, 0)})},
};

// Where the L lands under x' = origin + R(angle) (sx x, sy y).
std::vector<Curve> PlacedEll(WorldPoint origin, double degrees, double sx, double sy,
                             bool mirrored = false) {
    const double a = degrees * kPi / 180;
    const auto place = [&](double x, double y) {
        x *= sx;
        y *= sy;
        WorldPoint p{origin.x + x * std::cos(a) - y * std::sin(a),
                     origin.y + x * std::sin(a) + y * std::cos(a)};
        return mirrored ? WorldPoint{-p.x, p.y} : p;
    };
    return {Segment(place(0, 0), place(20, 0)), Segment(place(20, 0), place(20, 8))};
}

std::vector<Curve> Join(std::initializer_list<std::vector<Curve>> parts) {
    std::vector<Curve> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

bool InTriangle(WorldPoint p, WorldPoint a, WorldPoint b, WorldPoint c) {
    const auto side = [](WorldPoint p1, WorldPoint p2, WorldPoint p3) {
        return (p1.x - p3.x) * (p2.y - p3.y) - (p2.x - p3.x) * (p1.y - p3.y);
    };
    const double d1 = side(p, a, b);
    const double d2 = side(p, b, c);
    const double d3 = side(p, c, a);
    return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
}

}  // namespace

std::vector<RenderRow> RenderRows() {
    return {
        {"LINE",
         [](DxfDrawingBuilder& b) {
             b.Entity("LINE", Concat({OnLayer("0"), At3(10, 10, 10, 0), At3(11, 90, 40, 0)}));
         },
         {Segment({10, 10}, {90, 40})}},
        {"POINT beside a LINE",
         [](DxfDrawingBuilder& b) {
             b.Entity("LINE", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 60, 0, 0)}));
             b.Entity("POINT", Concat({OnLayer("0"), At3(10, 50, 30, 0)}));
         },
         {Segment({0, 0}, {60, 0}), {{50, 30}}}},
        {"CIRCLE",
         [](DxfDrawingBuilder& b) {
             b.Entity("CIRCLE", Concat({OnLayer("0"), At3(10, 30, 40, 0), {G(40, 20.0)}}));
         },
         {ArcDegrees({30, 40}, 20, 0, 360)}},
        {"ARC from 30 to 200 degrees",
         [](DxfDrawingBuilder& b) {
             b.Entity("ARC", Concat({OnLayer("0"),
                                     At3(10, 50, 50, 0),
                                     {G(40, 40.0), G(50, 30.0), G(51, 200.0)}}));
         },
         {ArcDegrees({50, 50}, 40, 30, 200)}},
        {"ARC that passes 0 degrees",
         [](DxfDrawingBuilder& b) {
             b.Entity("ARC", Concat({OnLayer("0"),
                                     At3(10, 0, 0, 0),
                                     {G(40, 10.0), G(50, 300.0), G(51, 45.0)}}));
         },
         {ArcDegrees({0, 0}, 10, 300, 405)}},
        {"ELLIPSE whole",
         [](DxfDrawingBuilder& b) {
             b.Entity("ELLIPSE", Concat({OnLayer("0"),
                                         At3(10, 50, 50, 0),
                                         At3(11, 40, 10, 0),
                                         {G(40, 0.4), G(41, 0.0), G(42, 2 * kPi)}}));
         },
         {EllipseArc({50, 50}, {40, 10}, {-4, 16}, 0, 2 * kPi)}},
        {"ELLIPSE partial",
         [](DxfDrawingBuilder& b) {
             b.Entity("ELLIPSE", Concat({OnLayer("0"),
                                         At3(10, 0, 0, 0),
                                         At3(11, 0, 30, 0),
                                         {G(40, 0.5), G(41, 0.5), G(42, 3.5)}}));
         },
         {EllipseArc({0, 0}, {0, 30}, {-15, 0}, 0.5, 3.5)}},
        {"LWPOLYLINE with bulges of both signs",
         [](DxfDrawingBuilder& b) {
             b.Entity("LWPOLYLINE", Concat({OnLayer("0"),
                                            {G(90, 4), G(70, 0)},
                                            At(10, 0, 0),
                                            {G(42, 1.0)},
                                            At(10, 40, 0),
                                            At(10, 40, 30),
                                            {G(42, -0.5)},
                                            At(10, 0, 30)}));
         },
         // Clockwise westwards: the arc's centre lies north of its chord, (20,45), and the
         // arc dips to (20,20).
         {ArcDegrees({20, 0}, 20, 180, 360), Segment({40, 0}, {40, 30}),
          ArcDegrees({20, 45}, 25, 180 + std::atan2(15, 20) * 180 / kPi,
                     360 - std::atan2(15, 20) * 180 / kPi)}},
        {"LWPOLYLINE closed, in a mirrored coordinate system",
         [](DxfDrawingBuilder& b) {
             b.Entity("LWPOLYLINE", Concat({OnLayer("0"),
                                            {G(90, 3), G(70, 1)},
                                            At(10, 10, 0),
                                            At(10, 50, 0),
                                            At(10, 50, 20),
                                            At3(210, 0, 0, -1)}));
         },
         {Polygon({{-10, 0}, {-50, 0}, {-50, 20}}, true)}},
        {"POLYLINE 2D with a bulge, closed",
         [](DxfDrawingBuilder& b) {
             b.Entity("POLYLINE", Concat({OnLayer("0"), {G(66, 1), G(70, 1)}, At3(10, 0, 0, 0)}));
             b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, 0, 0, 0), {G(42, -1.0)}}));
             b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, 0, 40, 0)}));
             b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, 30, 40, 0)}));
             b.Entity("SEQEND", OnLayer("0"));
         },
         // Clockwise from (0,0) to (0,40): the half circle bulges to the left, x < 0.
         {ArcDegrees({0, 20}, 20, 90, 270), Segment({0, 40}, {30, 40}), Segment({30, 40}, {0, 0})}},
        {"POLYLINE 3D",
         [](DxfDrawingBuilder& b) {
             b.Entity("POLYLINE", Concat({OnLayer("0"), {G(66, 1), G(70, 8)}}));
             b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, 0, 0, 5), {G(70, 32)}}));
             b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, 30, 10, -7), {G(70, 32)}}));
             b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, 10, 50, 9), {G(70, 32)}}));
             b.Entity("SEQEND", OnLayer("0"));
         },
         {Polygon({{0, 0}, {30, 10}, {10, 50}}, false)}},
        {"POLYLINE polyface mesh, one edge hidden",
         [](DxfDrawingBuilder& b) {
             b.Entity("POLYLINE",
                      Concat({OnLayer("0"), {G(66, 1), G(70, 64), G(71, 4), G(72, 1)}}));
             for (const WorldPoint p : {WorldPoint{0, 0}, {40, 0}, {40, 30}, {0, 30}}) {
                 b.Entity("VERTEX", Concat({OnLayer("0"), At3(10, p.x, p.y, 0), {G(70, 192)}}));
             }
             b.Entity("VERTEX", Concat({OnLayer("0"),
                                        At3(10, 0, 0, 0),
                                        {G(70, 128), G(71, 1), G(72, 2), G(73, -3), G(74, 4)}}));
             b.Entity("SEQEND", OnLayer("0"));
         },
         // Edges 1-2, 2-3, (3-4 hidden), 4-1.
         {Segment({0, 0}, {40, 0}), Segment({40, 0}, {40, 30}), Segment({0, 30}, {0, 0})}},
        {"POLYLINE polygon mesh of 2 x 3",
         [](DxfDrawingBuilder& b) {
             b.Entity("POLYLINE",
                      Concat({OnLayer("0"), {G(66, 1), G(70, 16), G(71, 2), G(72, 3)}}));
             for (int i = 0; i < 2; ++i) {
                 for (int j = 0; j < 3; ++j) {
                     b.Entity("VERTEX",
                              Concat({OnLayer("0"), At3(10, 20.0 * j, 30.0 * i, 0), {G(70, 64)}}));
                 }
             }
             b.Entity("SEQEND", OnLayer("0"));
         },
         {Polygon({{0, 0}, {20, 0}, {40, 0}}, false), Polygon({{0, 30}, {20, 30}, {40, 30}}, false),
          Segment({0, 0}, {0, 30}), Segment({20, 0}, {20, 30}), Segment({40, 0}, {40, 30})}},
        {"SPLINE of degree 2 by its control points",
         [](DxfDrawingBuilder& b) {
             b.Entity(
                 "SPLINE",
                 Concat({OnLayer("0"),
                         {G(70, 8), G(71, 2), G(72, 6), G(73, 3), G(74, 0)},
                         {G(40, 0.0), G(40, 0.0), G(40, 0.0), G(40, 1.0), G(40, 1.0), G(40, 1.0)},
                         At3(10, 0, 0, 0),
                         At3(10, 60, 80, 0),
                         At3(10, 90, 0, 0)}));
         },
         {QuadraticBezier({0, 0}, {60, 80}, {90, 0})}},
        {"SOLID triangle (third and fourth corners the same)",
         [](DxfDrawingBuilder& b) {
             b.Entity("SOLID", Concat({OnLayer("0"), At3(10, 10, 10, 0), At3(11, 90, 10, 0),
                                       At3(12, 10, 60, 0)}));
         },
         {Polygon({{10, 10}, {90, 10}, {10, 60}}, true)},
         [](WorldPoint p) {
             return InTriangle(p, {10, 10}, {90, 10}, {10, 60});
         },
         {{80, 50}, {60, 55}}},
        {"SOLID of four corners in its own order",
         [](DxfDrawingBuilder& b) {
             b.Entity("TRACE", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 50, 0, 0),
                                       At3(12, 0, 20, 0), At3(13, 50, 20, 0)}));
         },
         {Polygon({{0, 0}, {50, 0}, {50, 20}, {0, 20}}, true)},
         [](WorldPoint p) { return p.x >= 0 && p.x <= 50 && p.y >= 0 && p.y <= 20; }},
        {"3DFACE with its third edge hidden",
         [](DxfDrawingBuilder& b) {
             b.Entity("3DFACE", Concat({OnLayer("0"),
                                        At3(10, 0, 0, 0),
                                        At3(11, 40, 0, 1),
                                        At3(12, 40, 40, 2),
                                        At3(13, 0, 40, 3),
                                        {G(70, 4)}}));
         },
         {Segment({0, 0}, {40, 0}), Segment({40, 0}, {40, 40}), Segment({0, 40}, {0, 0})}},
        {"HATCH solid with a round hole",
         [](DxfDrawingBuilder& b) {
             b.Entity("HATCH", Concat({OnLayer("0"),
                                       At3(10, 0, 0, 0),
                                       At3(210, 0, 0, 1),
                                       {G(2, "SOLID"), G(70, 1), G(71, 0), G(91, 2)},
                                       {G(92, 3), G(72, 0), G(73, 1), G(93, 4)},
                                       At(10, 0, 0),
                                       At(10, 100, 0),
                                       At(10, 100, 60),
                                       At(10, 0, 60),
                                       {G(97, 0)},
                                       {G(92, 16), G(93, 1), G(72, 2)},
                                       At(10, 40, 30),
                                       {G(40, 15.0), G(50, 0.0), G(51, 360.0), G(73, 1), G(97, 0)},
                                       {G(75, 0), G(76, 1), G(98, 0)}}));
         },
         {Polygon({{0, 0}, {100, 0}, {100, 60}, {0, 60}}, true), ArcDegrees({40, 30}, 15, 0, 360)},
         [](WorldPoint p) { return std::hypot(p.x - 40, p.y - 30) >= 15; },
         {{40, 30}, {45, 33}}},
        {"HATCH of line, arc and ellipse edges, drawn as its outline",
         [](DxfDrawingBuilder& b) {
             b.Entity("HATCH", Concat({OnLayer("0"),
                                       At3(10, 0, 0, 0),
                                       At3(210, 0, 0, 1),
                                       {G(2, "ANSI31"), G(70, 0), G(71, 0), G(91, 1)},
                                       {G(92, 1), G(93, 4)},
                                       {G(72, 1)},
                                       At(10, 0, 0),
                                       At(11, 60, 0),
                                       {G(72, 2)},
                                       At(10, 60, 20),
                                       {G(40, 20.0), G(50, 270.0), G(51, 90.0), G(73, 1)},
                                       {G(72, 3)},
                                       At(10, 30, 40),
                                       At(11, 30, 0),
                                       {G(40, 0.5), G(50, 0.0), G(51, 180.0), G(73, 1)},
                                       {G(72, 1)},
                                       At(10, 0, 40),
                                       At(11, 0, 0),
                                       {G(97, 0)},
                                       {G(75, 0), G(76, 1), G(52, 0.0), G(41, 1.0), G(77, 0),
                                        G(78, 0), G(98, 0)}}));
         },
         // The half ellipse from (60,40) over (30,55) to (0,40), counter-clockwise.
         {Segment({0, 0}, {60, 0}), ArcDegrees({60, 20}, 20, 270, 450),
          EllipseArc({30, 40}, {30, 0}, {0, 15}, 0, kPi), Segment({0, 40}, {0, 0})}},
        {"INSERT rotated, scaled negatively and arrayed",
         [](DxfDrawingBuilder& b) {
             b.Block("ELL", 0, 0, kEll);
             b.Entity("INSERT", Concat({OnLayer("0"),
                                        {G(2, "ELL")},
                                        At3(10, 10, 20, 0),
                                        {G(41, 2.0), G(42, -1.0), G(43, 1.0), G(50, 30.0), G(70, 2),
                                         G(71, 2), G(44, 50.0), G(45, 30.0)}}));
         },
         [] {
             // Each copy: the block scaled, then moved by its cell in the rotated frame.
             std::vector<Curve> all;
             const double a = 30 * kPi / 180;
             for (int row = 0; row < 2; ++row) {
                 for (int column = 0; column < 2; ++column) {
                     const double cx = 50.0 * column;
                     const double cy = 30.0 * row;
                     const WorldPoint origin{10 + cx * std::cos(a) - cy * std::sin(a),
                                             20 + cx * std::sin(a) + cy * std::cos(a)};
                     const std::vector<Curve> copy = PlacedEll(origin, 30, 2, -1);
                     all.insert(all.end(), copy.begin(), copy.end());
                 }
             }
             return all;
         }()},
        {"INSERT mirrored by its extrusion 0,0,-1",
         [](DxfDrawingBuilder& b) {
             b.Block("ELL", 0, 0, kEll);
             b.Entity("INSERT", Concat({OnLayer("0"),
                                        {G(2, "ELL")},
                                        At3(10, 30, 10, 0),
                                        {G(50, 90.0)},
                                        At3(210, 0, 0, -1)}));
             b.Entity("LINE", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 10, 0, 0)}));
         },
         Join({PlacedEll({30, 10}, 90, 1, 1, true), {Segment({0, 0}, {10, 0})}})},
        {"INSERT of a nested block, with a base point",
         [](DxfDrawingBuilder& b) {
             b.Block("ELL", 0, 0, kEll);
             b.Block("OUTER", 5, 5,
                     {{"INSERT",
                       Concat({OnLayer("0"), {G(2, "ELL")}, At3(10, 5, 5, 0), {G(50, 90.0)}})},
                      {"CIRCLE", Concat({OnLayer("0"), At3(10, 5, 5, 0), {G(40, 3.0)}})}});
             b.Entity("INSERT", Concat({OnLayer("0"),
                                        {G(2, "OUTER")},
                                        At3(10, 50, 50, 0),
                                        {G(41, 2.0), G(42, 2.0)}}));
         },
         // OUTER's base (5,5) lands at (50,50); the inner L at OUTER's (5,5), rotated, doubled.
         Join({PlacedEll({50, 50}, 90, 2, 2), {ArcDegrees({50, 50}, 6, 0, 360)}})},
        {"DIMENSION by its block",
         [](DxfDrawingBuilder& b) {
             b.Block("*D1", 0, 0,
                     {{"LINE", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 0, 30, 0)})},
                      {"LINE", Concat({OnLayer("0"), At3(10, 0, 25, 0), At3(11, 70, 25, 0)})}});
             b.Entity("DIMENSION",
                      Concat({OnLayer("0"), {G(2, "*D1")}, At3(10, 70, 25, 0), {G(70, 32)}}));
         },
         {Segment({0, 0}, {0, 30}), Segment({0, 25}, {70, 25})}},
        {"LEADER",
         [](DxfDrawingBuilder& b) {
             b.Entity("LEADER", Concat({OnLayer("0"),
                                        {G(76, 3)},
                                        At3(10, 0, 0, 0),
                                        At3(10, 20, 30, 0),
                                        At3(10, 60, 30, 0)}));
         },
         {Polygon({{0, 0}, {20, 30}, {60, 30}}, false)}},
        {"IMAGE as its frame",
         [](DxfDrawingBuilder& b) {
             b.Entity("IMAGE", Concat({OnLayer("0"), At3(10, 10, 10, 0), At3(11, 0.5, 0, 0),
                                       At3(12, 0, 0.25, 0), At(13, 100, 120)}));
         },
         {Polygon({{10, 10}, {60, 10}, {60, 40}, {10, 40}}, true)}},
        {"WIPEOUT as its frame",
         [](DxfDrawingBuilder& b) {
             b.Entity("WIPEOUT", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 0, 1, 0),
                                         At3(12, -1, 0, 0), At(13, 40, 20)}));
         },
         {Polygon({{0, 0}, {0, 40}, {-20, 40}, {-20, 0}}, true)}},
        {"XLINE and RAY clipped to the rest",
         [](DxfDrawingBuilder& b) {
             b.Entity("LINE", Concat({OnLayer("0"), At3(10, 0, 0, 0), At3(11, 80, 0, 0)}));
             b.Entity("LINE", Concat({OnLayer("0"), At3(10, 80, 0, 0), At3(11, 80, 40, 0)}));
             b.Entity("XLINE", Concat({OnLayer("0"), At3(10, 40, 20, 0), At3(11, 2, 1, 0)}));
             b.Entity("RAY", Concat({OnLayer("0"), At3(10, 40, 10, 0), At3(11, 0, 1, 0)}));
         },
         {Segment({0, 0}, {80, 0}), Segment({80, 0}, {80, 40}), Segment({0, 0}, {80, 40}),
          Segment({40, 10}, {40, 40})}},
    };
}

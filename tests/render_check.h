#pragma once
// What a drawn picture is checked against: the true geometry of what a test drew, sampled
// densely in world units, and the picture's pixels where that geometry should fall.

#include <cstdint>
#include <functional>
#include <vector>

#include "dib/dib.h"
#include "tests/dwg_builder.h"
#include "thumbnail/dwg_thumbnail.h"

struct WorldPoint {
    double x = 0;
    double y = 0;
};
using Curve = std::vector<WorldPoint>;  // a line through its points

Curve Segment(WorldPoint a, WorldPoint b);
// Counter-clockwise from a0 to a1 degrees.
Curve ArcDegrees(WorldPoint centre, double radius, double a0, double a1);
// centre + major cos t + minor sin t, t from t0 to t1 radians.
Curve EllipseArc(WorldPoint centre, WorldPoint major, WorldPoint minor, double t0, double t1);
Curve QuadraticBezier(WorldPoint p0, WorldPoint p1, WorldPoint p2);
Curve Polygon(std::vector<WorldPoint> corners, bool closed);

// A drawn picture's pixels, 0xRRGGBB, top row first.
struct Pixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t At(std::uint32_t x, std::uint32_t y) const { return rgb[y * width + x]; }
};

// The drawing's picture through the one entry every front end uses, drawn whatever it stores.
struct DrawnPicture {
    LoadOutcome outcome = LoadOutcome::kFailed;
    bool drawn = false;
    Pixels pixels;
    DrawCounts counts;
};
DrawnPicture DrawDxf(const Bytes& dxf, std::uint32_t side, COLORREF background,
                     DrawChoice choice = DrawChoice::kAlwaysDrawn);

// Where world points fall on a picture of `side` whose drawing's extents are those of
// `curves`: the documented placement (a margin of side / 32, the longer way from the first
// pixel's centre inside it to the last's).
struct Placement {
    double minX, maxY, scale, margin;
    double X(double x) const { return margin + 0.5 + (x - minX) * scale; }
    double Y(double y) const { return margin + 0.5 + (maxY - y) * scale; }
};
Placement PlacementOf(const std::vector<Curve>& curves, std::uint32_t side);

// What differs from the background by more than a faint edge.
bool Inked(std::uint32_t rgb, std::uint32_t background);

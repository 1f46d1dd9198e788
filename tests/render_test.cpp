// Drawings drawn from their geometry: for each kind of entity, ink where the geometry lies,
// none away from it, the ink's box where the placement puts it, and exact colours.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include "tests/dxf_drawing_builder.h"
#include "tests/render_check.h"
#include "tests/render_rows.h"

namespace {

constexpr std::uint32_t kSide = 128;
constexpr std::uint32_t kWhiteRgb = 0xFFFFFF;
constexpr double kNearest = 1.5;  // pixels: no ink farther from the true geometry

using Row = RenderRow;

double DistanceToSegment(double px, double py, WorldPoint a, WorldPoint b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = dx * dx + dy * dy;
    const double t =
        length > 0 ? std::clamp(((px - a.x) * dx + (py - a.y) * dy) / length, 0.0, 1.0) : 0;
    return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

// Distance in pixels from a pixel centre to the nearest stroke.
double PixelDistance(const std::vector<Curve>& strokes, const Placement& at, double cx, double cy) {
    double best = HUGE_VAL;
    for (const Curve& curve : strokes) {
        for (std::size_t i = 0; i < curve.size(); ++i) {
            const WorldPoint a{at.X(curve[i].x), at.Y(curve[i].y)};
            const WorldPoint b =
                i + 1 < curve.size() ? WorldPoint{at.X(curve[i + 1].x), at.Y(curve[i + 1].y)} : a;
            best = std::min(best, DistanceToSegment(cx, cy, a, b));
        }
    }
    return best;
}

void CheckRow(const Row& row) {
    SCOPED_TRACE(row.name);
    DxfDrawingBuilder builder;
    row.build(builder);
    const DrawnPicture drawn = DrawDxf(builder.Build(), kSide, kWhite);
    ASSERT_EQ(drawn.outcome, LoadOutcome::kPreview);
    ASSERT_TRUE(drawn.drawn);
    const Pixels& pixels = drawn.pixels;
    ASSERT_FALSE(pixels.rgb.empty());
    const Placement at = PlacementOf(row.strokes, kSide);
    const auto inked = [&](double x, double y) {
        const auto px = static_cast<std::int64_t>(std::floor(x));
        const auto py = static_cast<std::int64_t>(std::floor(y));
        return px >= 0 && py >= 0 && px < pixels.width && py < pixels.height &&
               Inked(pixels.At(static_cast<std::uint32_t>(px), static_cast<std::uint32_t>(py)),
                     kWhiteRgb);
    };
    // Every point of a line is inked; a fill's edge (or its sharp corner) may cross a pixel
    // by a sliver, so there a pixel within a pixel and a half is.
    const auto inkedNear = [&](double x, double y) {
        if (!row.inside) {
            return inked(x, y);
        }
        for (double dy = -2; dy <= 2; ++dy) {
            for (double dx = -2; dx <= 2; ++dx) {
                const double cx = std::floor(x + dx) + 0.5;
                const double cy = std::floor(y + dy) + 0.5;
                if (std::hypot(cx - x, cy - y) <= kNearest && inked(cx, cy)) {
                    return true;
                }
            }
        }
        return false;
    };
    int missed = 0;
    for (const Curve& curve : row.strokes) {
        for (const WorldPoint& p : curve) {
            missed += inkedNear(at.X(p.x), at.Y(p.y)) ? 0 : 1;
        }
    }
    EXPECT_EQ(missed, 0);
    // No ink away from it, and its box where the geometry's is.
    int strays = 0;
    double low[2] = {HUGE_VAL, HUGE_VAL};
    double high[2] = {-HUGE_VAL, -HUGE_VAL};
    for (std::uint32_t y = 0; y < pixels.height; ++y) {
        for (std::uint32_t x = 0; x < pixels.width; ++x) {
            if (!Inked(pixels.At(x, y), kWhiteRgb)) {
                continue;
            }
            const double cx = x + 0.5;
            const double cy = y + 0.5;
            const WorldPoint world{at.minX + (cx - at.margin - 0.5) / at.scale,
                                   at.maxY - (cy - at.margin - 0.5) / at.scale};
            const bool filled = row.inside && row.inside(world);
            if (!filled && PixelDistance(row.strokes, at, cx, cy) > kNearest) {
                ++strays;
            }
            low[0] = std::min(low[0], double(x));
            low[1] = std::min(low[1], double(y));
            high[0] = std::max(high[0], double(x));
            high[1] = std::max(high[1], double(y));
        }
    }
    EXPECT_EQ(strays, 0);
    double expectLow[2] = {HUGE_VAL, HUGE_VAL};
    double expectHigh[2] = {-HUGE_VAL, -HUGE_VAL};
    for (const Curve& curve : row.strokes) {
        for (const WorldPoint& p : curve) {
            expectLow[0] = std::min(expectLow[0], std::floor(at.X(p.x)));
            expectLow[1] = std::min(expectLow[1], std::floor(at.Y(p.y)));
            expectHigh[0] = std::max(expectHigh[0], std::floor(at.X(p.x)));
            expectHigh[1] = std::max(expectHigh[1], std::floor(at.Y(p.y)));
        }
    }
    for (int axis = 0; axis < 2; ++axis) {
        EXPECT_NEAR(low[axis], expectLow[axis], 1) << "axis " << axis;
        EXPECT_NEAR(high[axis], expectHigh[axis], 1) << "axis " << axis;
    }
    for (const WorldPoint& p : row.unfilled) {
        EXPECT_FALSE(inked(at.X(p.x), at.Y(p.y))) << p.x << "," << p.y;
    }
}

TEST(RenderTest, EachKindOfEntityIsDrawnWhereItsGeometryLies) {
    for (const Row& row : RenderRows()) {
        CheckRow(row);
    }
}

}  // namespace

#include "tests/render_check.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dib/dib_picture.h"

namespace {

constexpr int kSamples = 720;
constexpr int kFaintestInk = 24;  // of 255, in some channel

}  // namespace

Curve Segment(WorldPoint a, WorldPoint b) {
    Curve curve;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = double(i) / kSamples;
        curve.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
    }
    return curve;
}

Curve ArcDegrees(WorldPoint centre, double radius, double a0, double a1) {
    while (a1 <= a0) {
        a1 += 360;
    }
    Curve curve;
    for (int i = 0; i <= kSamples; ++i) {
        const double a = (a0 + (a1 - a0) * i / kSamples) * std::numbers::pi / 180;
        curve.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
    }
    return curve;
}

Curve EllipseArc(WorldPoint centre, WorldPoint major, WorldPoint minor, double t0, double t1) {
    Curve curve;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = t0 + (t1 - t0) * i / kSamples;
        curve.push_back({centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
                         centre.y + major.y * std::cos(t) + minor.y * std::sin(t)});
    }
    return curve;
}

Curve QuadraticBezier(WorldPoint p0, WorldPoint p1, WorldPoint p2) {
    Curve curve;
    for (int i = 0; i <= kSamples; ++i) {
        const double t = double(i) / kSamples;
        const double a = (1 - t) * (1 - t);
        const double b = 2 * t * (1 - t);
        const double c = t * t;
        curve.push_back({a * p0.x + b * p1.x + c * p2.x, a * p0.y + b * p1.y + c * p2.y});
    }
    return curve;
}

Curve Polygon(std::vector<WorldPoint> corners, bool closed) {
    if (closed) {
        corners.push_back(corners.front());
    }
    Curve curve;
    for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
        const Curve side = Segment(corners[i], corners[i + 1]);
        curve.insert(curve.end(), side.begin(), side.end());
    }
    return curve;
}

DrawnPicture DrawDxf(const Bytes& dxf, std::uint32_t side, COLORREF background, DrawChoice choice) {
    CDwgThumbnail thumbnail(background);
    thumbnail.m_drawChoice = choice;
    thumbnail.m_drawSide = side;
    thumbnail.Load(
        "drawing.dxf",
        [&dxf](std::uint64_t offset, std::uint8_t* buffer, std::size_t count, int&) {
            std::copy_n(dxf.begin() + static_cast<std::ptrdiff_t>(offset), count, buffer);
            return static_cast<std::int64_t>(count);
        },
        dxf.size());
    DrawnPicture drawn;
    drawn.outcome = thumbnail.m_outcome;
    drawn.drawn = thumbnail.Drawn();
    if (thumbnail.Drawn()) {
        drawn.counts = thumbnail.m_drawing->counts;
    }
    if (thumbnail.m_outcome != LoadOutcome::kPreview) {
        return drawn;
    }
    const std::optional<DibPicture> picture = DibGetPicture(*thumbnail.m_dib);
    if (!picture || !picture->palette.empty()) {
        return drawn;
    }
    drawn.pixels.width = picture->width;
    drawn.pixels.height = picture->height;
    for (std::size_t i = 0; i < std::size_t{picture->width} * picture->height; ++i) {
        const std::uint8_t* rgba = &picture->pixels[4 * i];
        drawn.pixels.rgb.push_back(std::uint32_t{rgba[0]} << 16 | std::uint32_t{rgba[1]} << 8 |
                                   rgba[2]);
    }
    return drawn;
}

Placement PlacementOf(const std::vector<Curve>& curves, std::uint32_t side) {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (const Curve& curve : curves) {
        for (const WorldPoint& p : curve) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    const double margin = std::max<std::uint32_t>(1, side / 32);
    const double span = side - 2 * margin;
    const double longer = std::max(maxX - minX, maxY - minY);
    return {minX, maxY, longer > 0 ? (span - 1) / longer : 1, margin};
}

bool Inked(std::uint32_t rgb, std::uint32_t background) {
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>(rgb >> shift & 0xFF);
        const int b = static_cast<int>(background >> shift & 0xFF);
        if (std::abs(a - b) > kFaintestInk) {
            return true;
        }
    }
    return false;
}

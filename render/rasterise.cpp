#include "render/rasterise.h"

#include <pixman.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#include "dib/dib_layout.h"
#include "render/pixman_shapes.h"
#include "render/stroke_font.h"

namespace {

constexpr std::size_t kBgrSize = 3;
constexpr double kLightBackground = 128;  // a grey at least this bright takes black ink
// How finely edges are sampled: sixteen levels of coverage, enough for lines a pixel wide,
// at a fifth of the work of 256.
constexpr pixman_format_code_t kCoverageFormat = PIXMAN_a4;
// Text whose capitals are lower than this, in pixels, shows as a bar.
constexpr double kSmallestReadableText = 3;
// Strokes shorter than this, in pixels, are joined to the next.
constexpr double kShortestSegment = 0.5;
// How far an arc's chords may stray from it, in pixels, and how many they may be.
constexpr double kArcTolerance = 0.1;
constexpr int kLeastArcSteps = 4;
constexpr int kMostArcSteps = 4096;
constexpr double kFullTurn = 2 * std::numbers::pi;

struct ImageUnref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageUnref>;

bool IsLight(COLORREF background) {
    const double r = background & 0xFF;
    const double g = background >> 8 & 0xFF;
    const double b = background >> 16 & 0xFF;
    return 0.299 * r + 0.587 * g + 0.114 * b >= kLightBackground;
}

pixman_color_t ColourOf(InkColour ink, COLORREF background) {
    const std::uint32_t rgb =
        ink.contrasting ? (IsLight(background) ? 0x000000 : 0xFFFFFF) : ink.rgb;
    const auto wide = [](std::uint32_t channel) {
        return static_cast<std::uint16_t>((channel & 0xFF) * 0x101);
    };
    return {wide(rgb >> 16), wide(rgb >> 8), wide(rgb), 0xFFFF};
}

class CCanvas {
public:
    CCanvas(const PictureFrame& frame, COLORREF background)
        : m_frame(frame),
          m_background(background),
          m_pixels(std::size_t{frame.width} * frame.height, 0xFF000000 | Argb(background)) {
        m_image.reset(pixman_image_create_bits(PIXMAN_a8r8g8b8, static_cast<int>(frame.width),
                                               static_cast<int>(frame.height), m_pixels.data(),
                                               static_cast<int>(frame.width * 4)));
        // The coverage of one run of one colour, drawn into and cleared again where it was.
        m_coverage.reset(pixman_image_create_bits(kCoverageFormat, static_cast<int>(frame.width),
                                                  static_cast<int>(frame.height), nullptr, 0));
        if (!m_image || !m_coverage) {
            throw std::bad_alloc();
        }
    }

    void Draw(const CPrimitiveList& primitives) {
        std::vector<std::vector<Point>> rings;
        for (const Shape& shape : primitives.Shapes()) {
            rings.clear();
            if (shape.kind == ShapeKind::kArc) {
                rings.push_back(ArcPoints(primitives.ArcOf(shape)));
                StrokeRing(rings.back(), shape.colour, false);
                continue;
            }
            if (shape.kind == ShapeKind::kText) {
                StrokeText(primitives.TextOf(shape), primitives.CharactersOf(shape), shape.colour);
                continue;
            }
            for (std::uint32_t r = 0; r < shape.ringCount; ++r) {
                std::vector<Point>& ring = rings.emplace_back();
                for (const HeldPoint held : primitives.Ring(shape.firstRing + r)) {
                    ring.push_back(Pixel(primitives.World(held)));
                }
            }
            if (shape.kind == ShapeKind::kFill && FillRings(rings, shape.colour)) {
                continue;
            }
            for (const std::vector<Point>& ring : rings) {
                StrokeRing(ring, shape.colour, shape.kind == ShapeKind::kFill);
            }
        }
        FlushLines();
    }

    const std::vector<std::uint32_t>& Pixels() const { return m_pixels; }

private:
    Point Pixel(Point world) const {
        return {Bounded(m_frame.X(world.x)), Bounded(m_frame.Y(world.y))};
    }

    // An arc's points in pixels, their chords within kArcTolerance of it.
    std::vector<Point> ArcPoints(const EllipticArc& arc) const {
        const Point centre = Pixel(arc.centre);
        const Point major{arc.major.x * m_frame.scale, -arc.major.y * m_frame.scale};
        const Point minor{arc.minor.x * m_frame.scale, -arc.minor.y * m_frame.scale};
        const double radius = std::max(std::hypot(major.x, major.y), std::hypot(minor.x, minor.y));
        const double step =
            radius > kArcTolerance ? 2 * std::acos(1 - kArcTolerance / radius) : kFullTurn;
        const double sweep = arc.end - arc.start;
        const double wanted = std::ceil(sweep / step);
        const auto steps = static_cast<int>(
            std::isnan(wanted) ? kMostArcSteps
                               : std::clamp(wanted, double{kLeastArcSteps}, double{kMostArcSteps}));
        std::vector<Point> points;
        for (int i = 0; i <= steps; ++i) {
            const double t = arc.start + sweep * i / steps;
            points.push_back({Bounded(centre.x + major.x * std::cos(t) + minor.x * std::sin(t)),
                              Bounded(centre.y + major.y * std::cos(t) + minor.y * std::sin(t))});
        }
        return points;
    }

    // A line of text: its glyphs' strokes, or, where its capitals would be too small to
    // read, a bar through the middle of its line, as CAD programs show such text.
    void StrokeText(const TextRun& run, std::u32string_view characters, InkColour colour) {
        const Point origin = Pixel(run.origin);
        const Point across{run.across.x * m_frame.scale, -run.across.y * m_frame.scale};
        const Point up{run.up.x * m_frame.scale, -run.up.y * m_frame.scale};
        const auto at = [&](double x, double y) {
            return Point{Bounded(origin.x + across.x * x + up.x * y),
                         Bounded(origin.y + across.y * x + up.y * y)};
        };
        std::vector<Point> points;
        if (std::hypot(up.x, up.y) * CStrokeFont::kCapHeight < kSmallestReadableText) {
            const double middle = CStrokeFont::kCapHeight / 2;
            points = {at(0, middle), at(run.advance, middle)};
            StrokeRing(points, colour, false);
            return;
        }
        if (!m_font) {
            m_font.emplace();
        }
        double pen = 0;
        for (const char32_t c : characters) {
            const Glyph& glyph = m_font->Of(c);
            for (const std::vector<Point>& stroke : glyph.strokes) {
                points.clear();
                for (const Point& p : stroke) {
                    points.push_back(at(pen + p.x - glyph.left, CStrokeFont::kBaseline - p.y));
                }
                StrokeRing(points, colour, false);
            }
            pen += glyph.right - glyph.left;
        }
    }

    static std::uint32_t Argb(COLORREF colour) {
        return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
    }

    void StrokeRing(const std::vector<Point>& ring, InkColour colour, bool closed) {
        if (!(colour == m_lineColour)) {
            FlushLines();
            m_lineColour = colour;
        }
        // Points closer than kShortestSegment to the last one drawn add no ink a pixel would
        // show: a drawing of a million small things stays a million short strokes.
        Point last = ring.front();
        bool drawn = false;
        for (std::size_t i = 1; i < ring.size(); ++i) {
            const bool end = i + 1 == ring.size();
            const double dx = ring[i].x - last.x;
            const double dy = ring[i].y - last.y;
            if (dx * dx + dy * dy >= kShortestSegment * kShortestSegment || (end && drawn)) {
                Segment(last, ring[i]);
                last = ring[i];
                drawn = true;
            }
        }
        if (!drawn) {  // all of it within a fraction of a pixel: a dot where it ends
            Segment(last, ring.back());
        } else if (closed && ring.size() > 2) {
            Segment(last, ring.front());
        }
    }

    void FlushLines() {
        if (m_lines.empty()) {
            return;
        }
        // Segments are cut to the picture, so the mask pixman makes for them is no larger.
        const PixmanImage ink = Solid(m_lineColour);
        pixman_composite_triangles(PIXMAN_OP_OVER, ink.get(), m_image.get(), kCoverageFormat, 0, 0,
                                   0, 0, static_cast<int>(m_lines.size()), m_lines.data());
        m_lines.clear();
    }

    void Segment(Point a, Point b) {
        if (ClipSegment(a, b, m_frame.width, m_frame.height)) {
            AddSegment(a, b, m_lines);
        }
    }

    // Where a run's coverage may lie, in whole pixels.
    struct CoverageBox {
        pixman_fixed_t x1 = INT32_MAX;
        pixman_fixed_t y1 = INT32_MAX;
        pixman_fixed_t x2 = INT32_MIN;
        pixman_fixed_t y2 = INT32_MIN;
        void Add(pixman_point_fixed_t p) {
            x1 = std::min(x1, p.x);
            y1 = std::min(y1, p.y);
            x2 = std::max(x2, p.x);
            y2 = std::max(y2, p.y);
        }
    };

    // The run's colour through its coverage, within its box and the picture, onto the
    // picture; then the coverage cleared there for the next run.
    void Composite(const CoverageBox& box, InkColour colour) {
        const int width = static_cast<int>(m_frame.width);
        const int height = static_cast<int>(m_frame.height);
        const int left = std::clamp(pixman_fixed_to_int(box.x1) - 1, 0, width);
        const int top = std::clamp(pixman_fixed_to_int(box.y1) - 1, 0, height);
        const int right = std::clamp(pixman_fixed_to_int(box.x2) + 2, 0, width);
        const int bottom = std::clamp(pixman_fixed_to_int(box.y2) + 2, 0, height);
        if (left >= right || top >= bottom) {
            return;
        }
        const PixmanImage ink = Solid(colour);
        pixman_image_composite32(PIXMAN_OP_OVER, ink.get(), m_coverage.get(), m_image.get(), 0, 0,
                                 left, top, left, top, right - left, bottom - top);
        const pixman_color_t none{0, 0, 0, 0};
        const pixman_rectangle16_t area{
            static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
            static_cast<std::uint16_t>(right - left), static_cast<std::uint16_t>(bottom - top)};
        pixman_image_fill_rectangles(PIXMAN_OP_SRC, m_coverage.get(), &none, 1, &area);
    }

    bool FillRings(const std::vector<std::vector<Point>>& rings, InkColour colour) {
        std::vector<pixman_trapezoid_t> trapezoids;
        if (!AddFill(rings, trapezoids)) {
            return false;
        }
        FlushLines();  // what was drawn before lies under it
        if (!trapezoids.empty()) {
            // The rows the trapezoids span, across the whole width: their sides' points may
            // lie far past the rows they bound.
            CoverageBox box;
            for (const pixman_trapezoid_t& trapezoid : trapezoids) {
                box.Add({0, trapezoid.top});
                box.Add({pixman_int_to_fixed(static_cast<int>(m_frame.width)), trapezoid.bottom});
            }
            pixman_add_trapezoids(m_coverage.get(), 0, 0, static_cast<int>(trapezoids.size()),
                                  trapezoids.data());
            Composite(box, colour);
        }
        return true;
    }

    PixmanImage Solid(InkColour colour) const {
        const pixman_color_t fill = ColourOf(colour, m_background);
        PixmanImage image(pixman_image_create_solid_fill(&fill));
        if (!image) {
            throw std::bad_alloc();
        }
        return image;
    }

    PictureFrame m_frame;
    COLORREF m_background;
    std::vector<std::uint32_t> m_pixels;
    PixmanImage m_image;
    PixmanImage m_coverage;
    std::vector<pixman_triangle_t> m_lines;
    InkColour m_lineColour;
    std::optional<CStrokeFont> m_font;  // read when the first text is stroked
};

}  // namespace

PictureFrame FrameFor(const Box& extents, std::uint32_t side) {
    PictureFrame frame;
    side = std::max<std::uint32_t>(side, 1);
    frame.margin = std::max<std::uint32_t>(1, side / kMarginDivisor);
    const std::uint32_t span = side > 2 * frame.margin ? side - 2 * frame.margin : 1;
    const double width = extents.empty ? 0 : extents.maxX - extents.minX;
    const double height = extents.empty ? 0 : extents.maxY - extents.minY;
    // Extents wider than a double holds (from -1e308 to 1e308) are as wide as the picture.
    const double longer = std::max(width, height);
    frame.scale = longer > 0 && std::isfinite(longer) ? (span - 1) / longer : longer > 0 ? 0 : 1;
    const auto pixels = [&](double length) {
        const double scaled = std::round(length * frame.scale) + 1;
        const double across = std::isfinite(scaled) ? std::min<double>(scaled, span) : span;
        return static_cast<std::uint32_t>(across) + 2 * frame.margin;
    };
    frame.width = std::min(pixels(width), side);
    frame.height = std::min(pixels(height), side);
    frame.left = extents.empty ? 0 : extents.minX;
    frame.top = extents.empty ? 0 : extents.maxY;
    return frame;
}

MemoryHandle Rasterise(const CPrimitiveList& primitives, const PictureFrame& frame,
                       COLORREF background) {
    MemoryHandle dib = DibCreate(frame.width, frame.height, 24, 0);
    if (!dib) {
        return nullptr;
    }
    CCanvas canvas(frame, background);
    canvas.Draw(primitives);
    const std::size_t stride = DibRowStride(frame.width, 24);
    const std::vector<std::uint32_t>& pixels = canvas.Pixels();
    for (std::uint32_t y = 0; y < frame.height; ++y) {
        std::uint8_t* row = dib->data() + kInfoHeaderSize + stride * (frame.height - 1 - y);
        for (std::uint32_t x = 0; x < frame.width; ++x, row += kBgrSize) {
            const std::uint32_t pixel = pixels[std::size_t{frame.width} * y + x];
            row[0] = static_cast<std::uint8_t>(pixel);
            row[1] = static_cast<std::uint8_t>(pixel >> 8);
            row[2] = static_cast<std::uint8_t>(pixel >> 16);
        }
    }
    return dib;
}

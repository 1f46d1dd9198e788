#pragma once
// The back half of drawing: primitives onto pixels, anti-aliased, with pixman's triangles
// and trapezoids. It knows nothing of where the primitives came from.

#include <cstdint>

#include "dib/dib.h"
#include "platform/memory_block.h"
#include "render/primitives.h"

// Pixels left free around the drawing on each side: a thirty-second of the side, at least one.
inline constexpr std::uint32_t kMarginDivisor = 32;

// Where world units fall on a picture: x to the right, y up as drawings have it.
struct PictureFrame {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    double scale = 1;  // pixels a world unit
    double left = 0;   // the world's minX, at the centre of pixel column `margin`
    double top = 0;    // the world's maxY, at the centre of pixel row `margin`
    std::uint32_t margin = 1;

    // The point in pixels (from the picture's top left corner, pixel centres at halves).
    double X(double x) const { return margin + 0.5 + (x - left) * scale; }
    double Y(double y) const { return margin + 0.5 + (top - y) * scale; }
};

// The frame that fits `extents` inside side x side: the longer way spans the side less its
// margins, from the first pixel's centre to the last's; the other keeps the aspect.
PictureFrame FrameFor(const Box& extents, std::uint32_t side);

// The primitives, on `background`, as a 24-bit bitmap in `frame`; null when the bitmap would
// be over kMaxDibBytes. Short memory raises std::bad_alloc.
MemoryHandle Rasterise(const CPrimitiveList& primitives, const PictureFrame& frame,
                       COLORREF background);

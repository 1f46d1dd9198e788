#include "dib/dib_scale.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "dib/dib_layout.h"
#include "dib/dib_picture.h"

namespace {

constexpr std::size_t kRgbaSize = 4;
constexpr std::size_t kBgrSize = 3;
constexpr int kSubsampleBits = 4;  // 16 filter phases per pixel: smooth at any ratio
constexpr std::uint32_t kOpaque = 0xFF000000;

struct ImageUnref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, ImageUnref>;

struct Size {
    std::uint32_t width;
    std::uint32_t height;
};

Size FitInside(std::uint32_t width, std::uint32_t height, std::uint32_t maxSide) {
    const double scale = std::min(double(maxSide) / width, double(maxSide) / height);
    const auto side = [&](std::uint32_t length) {
        return std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::lround(length * scale)), 1,
                                         maxSide);
    };
    return {side(width), side(height)};
}

// Premultiplied 0xAARRGGBB, as pixman's a8r8g8b8 wants it.
std::uint32_t Premultiplied(const std::uint8_t* rgba) {
    const std::uint32_t alpha = rgba[3];
    const auto times = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
    return alpha << 24 | times(rgba[0]) << 16 | times(rgba[1]) << 8 | times(rgba[2]);
}

std::vector<std::uint32_t> ArgbPixels(const DibPicture& picture) {
    std::vector<std::uint32_t> argb(std::size_t{picture.width} * picture.height);
    for (std::size_t i = 0; i < argb.size(); ++i) {
        if (picture.palette.empty()) {
            argb[i] = Premultiplied(&picture.pixels[kRgbaSize * i]);
        } else {
            const std::uint8_t* rgb = &picture.palette[3 * std::size_t{picture.pixels[i]}];
            argb[i] = kOpaque | std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
        }
    }
    return argb;
}

PixmanImage ImageOf(std::vector<std::uint32_t>& pixels, Size size) {
    PixmanImage image(pixman_image_create_bits(PIXMAN_a8r8g8b8, static_cast<int>(size.width),
                                               static_cast<int>(size.height), pixels.data(),
                                               static_cast<int>(size.width * 4)));
    if (!image) {
        throw std::bad_alloc();
    }
    return image;
}

// Sets a band of the source that starts at row `top` up to be sampled at the target's pixels,
// each the average of the source pixels it covers: a box as wide as the scale, over the
// pixels as points. Moved by whole rows, the band is sampled exactly where the whole picture
// would be.
void SetShrinkFilter(pixman_image_t* source, Size from, Size to, std::uint32_t top) {
    const double scaleX = double(from.width) / to.width;
    const double scaleY = double(from.height) / to.height;
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX),
                                pixman_double_to_fixed(scaleY));
    transform.matrix[1][2] = -pixman_int_to_fixed(static_cast<int>(top));
    pixman_image_set_transform(source, &transform);
    pixman_image_set_repeat(source, PIXMAN_REPEAT_PAD);  // edges average with themselves
    int count = 0;
    std::unique_ptr<pixman_fixed_t, decltype(&std::free)> parameters(
        pixman_filter_create_separable_convolution(
            &count, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY),
            PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX,
            kSubsampleBits, kSubsampleBits),
        &std::free);
    if (!parameters || !pixman_image_set_filter(source, PIXMAN_FILTER_SEPARABLE_CONVOLUTION,
                                                parameters.get(), count)) {
        throw std::bad_alloc();
    }
}

// Puts target rows [first, first + count) into the 24-bit bitmap, whose rows run bottom-up.
void PutRows(const std::vector<std::uint32_t>& argb, Size to, std::uint32_t first,
             std::uint32_t count, MemoryBlock& dib) {
    const std::size_t stride = DibRowStride(to.width, 24);
    for (std::uint32_t y = 0; y < count; ++y) {
        std::uint8_t* row = dib.data() + kInfoHeaderSize + stride * (to.height - 1 - first - y);
        for (std::uint32_t x = 0; x < to.width; ++x, row += kBgrSize) {
            const std::uint32_t pixel = argb[std::size_t{to.width} * y + x];
            row[0] = static_cast<std::uint8_t>(pixel);
            row[1] = static_cast<std::uint8_t>(pixel >> 8);
            row[2] = static_cast<std::uint8_t>(pixel >> 16);
        }
    }
}

// Composites the target rows [first, first + count) from the source rows they sample, with
// rows enough around them that the filter never reaches past the band but at the picture's
// own edges.
bool ShrinkBand(const MemoryBlock& dib, Size from, Size to, std::uint32_t first,
                std::uint32_t count, std::uint32_t backgroundArgb, MemoryBlock& shrunk) {
    const double scaleY = double(from.height) / to.height;
    const auto margin = static_cast<std::int64_t>(std::ceil(scaleY)) + 2;
    const std::int64_t low = static_cast<std::int64_t>(std::floor(scaleY * first)) - margin;
    const std::int64_t high =
        static_cast<std::int64_t>(std::ceil(scaleY * (first + count))) + margin;
    const auto top = static_cast<std::uint32_t>(std::max<std::int64_t>(low, 0));
    const auto bottom = static_cast<std::uint32_t>(std::min<std::int64_t>(high, from.height));
    std::optional<DibPicture> band = DibGetPicture(dib, {top, bottom - top});
    if (!band) {
        return false;
    }
    std::vector<std::uint32_t> sourcePixels = ArgbPixels(*band);
    band.reset();
    std::vector<std::uint32_t> targetPixels(std::size_t{to.width} * count, backgroundArgb);
    const PixmanImage source = ImageOf(sourcePixels, {from.width, bottom - top});
    const PixmanImage target = ImageOf(targetPixels, {to.width, count});
    SetShrinkFilter(source.get(), from, to, top);
    pixman_image_composite32(PIXMAN_OP_OVER, source.get(), nullptr, target.get(), 0,
                             static_cast<int>(first), 0, 0, 0, 0, static_cast<int>(to.width),
                             static_cast<int>(count));
    PutRows(targetPixels, to, first, count, shrunk);
    return true;
}

}  // namespace

MemoryHandle DibShrinkToFit(const MemoryBlock& dib, std::uint32_t maxSide, COLORREF background) {
    // Sizes first: decoding a picture that stays as it is would be wasted.
    const std::optional<dib_layout::Layout> layout = dib_layout::ReadLayout(dib);
    if (maxSide == 0 || !layout ||
        (layout->width <= maxSide && std::abs(layout->height) <= std::int64_t{maxSide})) {
        return nullptr;
    }
    const Size from{static_cast<std::uint32_t>(layout->width),
                    static_cast<std::uint32_t>(std::abs(layout->height))};
    const Size to = FitInside(from.width, from.height, maxSide);
    const std::uint32_t backgroundArgb =
        kOpaque | (background & 0xFF) << 16 | (background & 0xFF00) | (background >> 16 & 0xFF);
    MemoryHandle shrunk = DibCreate(to.width, to.height, 24, 0);
    if (!shrunk) {
        return nullptr;
    }
    // A band of target rows at a time, each from about kBandBytes of source rows.
    const auto rowsPerTargetRow =
        static_cast<std::uint32_t>(std::ceil(double(from.height) / to.height));
    const std::uint32_t bandRows = DibBandRows(from.width, rowsPerTargetRow);
    for (std::uint32_t first = 0; first < to.height; first += bandRows) {
        if (!ShrinkBand(dib, from, to, first, std::min(bandRows, to.height - first), backgroundArgb,
                        *shrunk)) {
            return nullptr;
        }
    }
    return shrunk;
}

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

// Sets the source up to be sampled at the target's pixels, each the average of the source
// pixels it covers: a box as wide as the scale, over the pixels as points.
void SetShrinkFilter(pixman_image_t* source, Size from, Size to) {
    const double scaleX = double(from.width) / to.width;
    const double scaleY = double(from.height) / to.height;
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX),
                                pixman_double_to_fixed(scaleY));
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

MemoryHandle DibOfArgb(const std::vector<std::uint32_t>& argb, Size size) {
    MemoryHandle dib = DibCreate(size.width, size.height, 24, 0);
    if (!dib) {
        return nullptr;
    }
    const std::size_t stride = DibRowStride(size.width, 24);
    for (std::uint32_t y = 0; y < size.height; ++y) {
        std::uint8_t* row = dib->data() + kInfoHeaderSize + stride * (size.height - 1 - y);
        for (std::uint32_t x = 0; x < size.width; ++x, row += kBgrSize) {
            const std::uint32_t pixel = argb[std::size_t{size.width} * y + x];
            row[0] = static_cast<std::uint8_t>(pixel);
            row[1] = static_cast<std::uint8_t>(pixel >> 8);
            row[2] = static_cast<std::uint8_t>(pixel >> 16);
        }
    }
    return dib;
}

}  // namespace

MemoryHandle DibShrinkToFit(const MemoryBlock& dib, std::uint32_t maxSide, COLORREF background) {
    // Sizes first: decoding a picture that stays as it is would be wasted.
    const std::optional<dib_layout::Layout> layout = dib_layout::ReadLayout(dib);
    if (maxSide == 0 || !layout ||
        (layout->width <= maxSide && std::abs(layout->height) <= std::int64_t{maxSide})) {
        return nullptr;
    }
    std::optional<DibPicture> picture = DibGetPicture(dib);
    if (!picture) {
        return nullptr;
    }
    const Size from{picture->width, picture->height};
    const Size to = FitInside(from.width, from.height, maxSide);
    std::vector<std::uint32_t> sourcePixels = ArgbPixels(*picture);
    picture.reset();
    const std::uint32_t backgroundArgb =
        kOpaque | (background & 0xFF) << 16 | (background & 0xFF00) | (background >> 16 & 0xFF);
    std::vector<std::uint32_t> targetPixels(std::size_t{to.width} * to.height, backgroundArgb);
    const PixmanImage source = ImageOf(sourcePixels, from);
    const PixmanImage target = ImageOf(targetPixels, to);
    SetShrinkFilter(source.get(), from, to);
    pixman_image_composite32(PIXMAN_OP_OVER, source.get(), nullptr, target.get(), 0, 0, 0, 0, 0, 0,
                             static_cast<int>(to.width), static_cast<int>(to.height));
    return DibOfArgb(targetPixels, to);
}

#include "kde/picture_image.h"

#include "dib/dib_picture.h"

namespace {

constexpr std::size_t kRgb = 3;
constexpr std::size_t kRgba = 4;

// An entry of the colour table; black past its end, as for an empty table.
QRgb PaletteColour(const std::vector<std::uint8_t>& palette, std::uint8_t index) {
    const std::size_t at = std::size_t{index} * kRgb;
    return at + kRgb <= palette.size() ? qRgb(palette[at], palette[at + 1], palette[at + 2])
                                       : qRgb(0, 0, 0);
}

}  // namespace

QImage PictureImage(const MemoryBlock& dib) {
    const std::optional<DibPicture> picture = DibGetPicture(dib);
    if (!picture || picture->width == 0 || picture->height == 0) {
        return {};
    }
    const std::size_t count = std::size_t{picture->width} * picture->height;
    const bool indexed = picture->pixels.size() == count;
    if (!indexed && picture->pixels.size() != count * kRgba) {
        return {};
    }
    QImage image(static_cast<int>(picture->width), static_cast<int>(picture->height),
                 picture->alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) {
        return {};  // too large to allocate
    }
    const std::uint8_t* pixel = picture->pixels.data();
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (indexed) {
                row[x] = PaletteColour(picture->palette, *pixel++);
                continue;
            }
            row[x] = picture->alpha ? qRgba(pixel[0], pixel[1], pixel[2], pixel[3])
                                    : qRgb(pixel[0], pixel[1], pixel[2]);
            pixel += kRgba;
        }
    }
    return image;
}

#include "dib/dib_picture.h"

#include <algorithm>
#include <bit>

#include "dib/dib.h"
#include "dib/dib_layout.h"

using namespace dib_layout;

namespace {

constexpr std::size_t kRgbaSize = 4;
constexpr std::uint32_t kAlphaHeaderSize = 56;

// One colour channel of a bit-field pixel: its bits scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;

    std::uint8_t Of(std::uint32_t pixel) const {
        if (mask == 0) {
            return 0;
        }
        const std::uint32_t max = mask >> std::countr_zero(mask);
        return static_cast<std::uint8_t>(
            (std::uint64_t{(pixel & mask) >> std::countr_zero(mask)} * 255 + max / 2) / max);
    }
};

struct Masks {
    Channel red, green, blue, alpha;
};

// The masks that bit fields give, or those that 16 and 32 bits imply without them.
Masks MasksOf(std::span<const std::uint8_t> dib, const Layout& layout) {
    if (layout.compression == kBitFields || layout.compression == kAlphaBitFields) {
        // Headers of 56 bytes and more hold an alpha mask; a 40-byte one is followed by one
        // only with its kind; a 52-byte one has no room for it, whatever its compression says.
        const std::uint32_t headerSize = ReadField(dib, 0, 4);
        const bool alpha = headerSize >= kAlphaHeaderSize ||
                           (headerSize == kInfoHeaderSize && layout.compression == kAlphaBitFields);
        return {{ReadField(dib, kMasksOffset, 4)},
                {ReadField(dib, kMasksOffset + 4, 4)},
                {ReadField(dib, kMasksOffset + 8, 4)},
                {alpha ? ReadField(dib, kMasksOffset + 12, 4) : 0}};
    }
    if (layout.bitsPerPixel == 16) {
        return {{0x7C00}, {0x03E0}, {0x001F}, {}};
    }
    return {{0xFF0000}, {0x00FF00}, {0x0000FF}, {}};
}

void ReadPalette(std::span<const std::uint8_t> dib, const Layout& layout, DibPicture& picture) {
    const std::size_t entrySize = layout.core ? kRgbTripleSize : kRgbQuadSize;
    const std::uint32_t entries = std::max<std::uint32_t>(layout.tableEntries, 1);
    picture.palette.assign(std::size_t{entries} * 3, 0);  // an empty table shows black
    for (std::uint32_t i = 0; i < layout.tableEntries; ++i) {
        const std::uint8_t* entry = dib.data() + layout.tableStart + entrySize * i;
        picture.palette[3 * i] = entry[2];
        picture.palette[3 * i + 1] = entry[1];
        picture.palette[3 * i + 2] = entry[0];
    }
}

std::uint8_t IndexAt(const std::uint8_t* row, std::uint32_t x, unsigned bits) {
    const std::uint32_t bit = x * bits;
    return static_cast<std::uint8_t>(row[bit / 8] >> (8 - bits - bit % 8) & ((1u << bits) - 1));
}

void ReadIndexedRow(const std::uint8_t* row, const Layout& layout, std::uint8_t* out) {
    if (layout.bitsPerPixel == 8) {
        std::copy_n(row, layout.width, out);
        return;
    }
    for (std::uint32_t x = 0; x < layout.width; ++x) {
        out[x] = IndexAt(row, x, layout.bitsPerPixel);
    }
}

void ReadColourRow(const std::uint8_t* row, const Layout& layout, const Masks& masks,
                   std::uint8_t* out) {
    const std::size_t bytes = layout.bitsPerPixel / 8;
    for (std::uint32_t x = 0; x < layout.width; ++x, row += bytes, out += kRgbaSize) {
        std::uint32_t pixel = 0;
        for (std::size_t i = bytes; i-- > 0;) {
            pixel = pixel << 8 | row[i];
        }
        if (bytes == 3) {
            pixel &= 0xFFFFFF;
        }
        out[0] = masks.red.Of(pixel);
        out[1] = masks.green.Of(pixel);
        out[2] = masks.blue.Of(pixel);
        out[3] = masks.alpha.mask != 0 ? masks.alpha.Of(pixel) : 255;
    }
}

// Expands run-length encoded rows into indexes, bottom row first as stored; what the stream
// does not reach stays index 0.
// Only the rows from `top` (counted from the picture's top, `height` rows in all) are kept.
void ExpandRle(std::span<const std::uint8_t> stream, const Layout& layout, std::uint32_t height,
               std::uint32_t top, DibPicture& picture) {
    const bool four = layout.compression == kRle4;
    std::uint64_t x = 0;
    std::uint64_t y = 0;  // counted from the bottom
    const auto put = [&](std::uint8_t index) {
        const std::uint64_t row = height - 1 - std::min<std::uint64_t>(y, height - 1);
        if (x < picture.width && y < height && row >= top && row - top < picture.height) {
            picture.pixels[(row - top) * picture.width + x] = index;
        }
        ++x;
    };
    for (std::size_t i = 0; i + 1 < stream.size();) {
        const std::uint8_t count = stream[i];
        const std::uint8_t value = stream[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned n = 0; n < count; ++n) {
                put(four ? static_cast<std::uint8_t>(n % 2 ? value & 0xF : value >> 4) : value);
            }
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (i + 1 >= stream.size()) {
                return;
            }
            x += stream[i];
            y += stream[i + 1];
            i += 2;
        } else {  // literal run, padded to whole 16-bit words
            const std::size_t bytes = four ? (value + 1u) / 2 : value;
            for (unsigned n = 0; n < value && i + (four ? n / 2 : n) < stream.size(); ++n) {
                const std::uint8_t byte = stream[i + (four ? n / 2 : n)];
                put(four ? static_cast<std::uint8_t>(n % 2 ? byte & 0xF : byte >> 4) : byte);
            }
            i += (bytes + 1) / 2 * 2;
        }
    }
}

}  // namespace

std::uint32_t DibBandRows(std::uint32_t width, std::uint32_t rowsPerRow) {
    const std::size_t rowBytes = std::size_t{width} * kRgbaSize * std::max(rowsPerRow, 1u);
    return static_cast<std::uint32_t>(
        std::max<std::size_t>(1, kBandBytes / std::max<std::size_t>(rowBytes, 1)));
}

std::optional<DibPicture> DibGetPicture(std::span<const std::uint8_t> dib, DibRows rows) {
    const std::optional<Layout> layout = ReadLayout(dib);
    if (!layout) {
        return std::nullopt;
    }
    DibPicture picture;
    picture.width = static_cast<std::uint32_t>(layout->width);
    const auto height =
        static_cast<std::uint32_t>(layout->height < 0 ? -layout->height : layout->height);
    const std::uint32_t top = std::min(rows.first, height);
    picture.height = std::min(rows.count, height - top);
    const bool indexed = layout->bitsPerPixel <= 8;
    const std::size_t pixelSize = indexed ? 1 : kRgbaSize;
    picture.pixels.assign(std::size_t{picture.width} * picture.height * pixelSize, 0);
    const std::span<const std::uint8_t> bits = dib.subspan(layout->pixelStart, layout->pixelBytes);
    if (indexed) {
        ReadPalette(dib, *layout, picture);
    }
    if (layout->compression == kRle8 || layout->compression == kRle4) {
        ExpandRle(bits, *layout, height, top, picture);
    } else {
        const Masks masks = MasksOf(dib, *layout);
        picture.alpha = masks.alpha.mask != 0;
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            const std::uint32_t stored = layout->height < 0 ? top + y : height - 1 - (top + y);
            const std::uint8_t* row = bits.data() + layout->stride * stored;
            std::uint8_t* out = picture.pixels.data() + std::size_t{picture.width} * pixelSize * y;
            if (indexed) {
                ReadIndexedRow(row, *layout, out);
            } else {
                ReadColourRow(row, *layout, masks, out);
            }
        }
    }
    const std::size_t entries = picture.palette.size() / 3;
    if (indexed && entries < 256) {
        for (std::uint8_t& index : picture.pixels) {
            index = index < entries ? index : 0;
        }
    }
    return picture;
}

#include "dib/dib_layout.h"

#include "dib/dib.h"

namespace dib_layout {

namespace {

// Colour masks that follow a 40-byte header, which has no room for them.
constexpr std::size_t kBitFieldsMaskBytes = 12;
constexpr std::size_t kAlphaBitFieldsMaskBytes = 16;
// Colour entries of a table that a bitmap deeper than 8 bits may carry as a hint.
constexpr std::uint32_t kMaxHintColors = 256;
constexpr std::uint32_t kKnownHeaderSizes[] = {kCoreHeaderSize, kInfoHeaderSize, 52, 56, 108, 124};

std::size_t MaskBytes(std::span<const std::uint8_t> dib) {
    if (DibGetHeaderSize(dib) != kInfoHeaderSize) {
        return 0;
    }
    switch (ReadField(dib, kInfoCompressionOffset, 4)) {
        case kBitFields:
            return kBitFieldsMaskBytes;
        case kAlphaBitFields:
            return kAlphaBitFieldsMaskBytes;
        default:
            return 0;
    }
}

bool IsKnownHeaderSize(std::uint32_t headerSize) {
    for (std::uint32_t known : kKnownHeaderSizes) {
        if (headerSize == known) {
            return true;
        }
    }
    return false;
}

bool IsPlausibleSize(std::int64_t width, std::int64_t height) {
    const std::int64_t rows = height < 0 ? -height : height;
    return width > 0 && rows > 0 && width <= kMaxPreviewSide && rows <= kMaxPreviewSide;
}

// The header's own fields, read with the layout its size gives, whatever the Dib getters
// assume: every header but the 12-byte one has the info layout.
Layout ReadHeader(std::span<const std::uint8_t> dib) {
    Layout layout;
    layout.core = DibGetHeaderSize(dib) == kCoreHeaderSize;
    if (layout.core) {
        layout.width = ReadField(dib, kWidthOffset, 2);
        layout.height = ReadField(dib, kCoreHeightOffset, 2);
        layout.bitsPerPixel = static_cast<std::uint16_t>(ReadField(dib, kCoreBitCountOffset, 2));
        layout.tableStart = kCoreHeaderSize;
        layout.tableEntries = ColorCountForBits(layout.bitsPerPixel);
    } else {
        layout.width = static_cast<std::int32_t>(ReadField(dib, kWidthOffset, 4));
        layout.height = static_cast<std::int32_t>(ReadField(dib, kInfoHeightOffset, 4));
        layout.bitsPerPixel = static_cast<std::uint16_t>(ReadField(dib, kInfoBitCountOffset, 2));
        layout.compression = ReadField(dib, kInfoCompressionOffset, 4);
        layout.tableStart = TableStart(dib);
        layout.tableEntries = InfoColorCount(dib);
    }
    layout.pixelStart = PixelStart(dib);
    layout.stride = static_cast<std::uint64_t>((layout.width * layout.bitsPerPixel + 31) / 32 * 4);
    return layout;
}

// The bytes of pixel data the header promises, or nothing for a header that makes no sense.
std::optional<std::uint64_t> PixelBytes(std::span<const std::uint8_t> dib, const Layout& layout) {
    const std::uint16_t bits = layout.bitsPerPixel;
    const std::uint32_t colorsUsed = layout.core ? 0 : ReadField(dib, kInfoColorsUsedOffset, 4);
    const std::uint32_t maxColors = bits <= 8 ? 1u << bits : kMaxHintColors;
    if (!IsPlausibleSize(layout.width, layout.height) || colorsUsed > maxColors) {
        return std::nullopt;
    }
    const std::uint64_t rows =
        static_cast<std::uint64_t>(layout.height < 0 ? -layout.height : layout.height);
    const bool rgbBits = bits == 1 || bits == 4 || bits == 8 || bits == 24 ||
                         (!layout.core && (bits == 16 || bits == 32));
    const bool maskBits = bits == 16 || bits == 32;
    switch (layout.compression) {
        case kRgb:
        case kBitFields:
        case kAlphaBitFields:
            if (layout.compression == kRgb ? !rgbBits : !maskBits) {
                return std::nullopt;
            }
            return layout.stride * rows;
        case kRle8:
        case kRle4:
            if (bits != (layout.compression == kRle8 ? 8 : 4) || layout.height < 0 ||
                ReadField(dib, kInfoImageSizeOffset, 4) == 0) {
                return std::nullopt;
            }
            return ReadField(dib, kInfoImageSizeOffset, 4);
        default:  // JPEG and PNG inside a BMP are for printers: no viewer shows them
            return std::nullopt;
    }
}

}  // namespace

std::uint32_t ReadField(std::span<const std::uint8_t> bytes, std::size_t offset,
                        std::size_t width) {
    if (offset > bytes.size() || bytes.size() - offset < width) {
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = value << 8 | bytes[offset + i];
    }
    return value;
}

std::uint16_t ColorCountForBits(std::uint16_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

std::uint16_t InfoColorCount(std::span<const std::uint8_t> dib) {
    const std::uint32_t colorsUsed = ReadField(dib, kInfoColorsUsedOffset, 4);
    if (colorsUsed != 0) {
        return static_cast<std::uint16_t>(colorsUsed);
    }
    return ColorCountForBits(static_cast<std::uint16_t>(ReadField(dib, kInfoBitCountOffset, 2)));
}

std::size_t TableStart(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = DibGetHeaderSize(dib);
    return headerSize >= kInfoHeaderSize ? headerSize + MaskBytes(dib) : kCoreHeaderSize;
}

std::uint64_t PixelStart(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = DibGetHeaderSize(dib);
    if (headerSize >= kInfoHeaderSize) {
        return std::uint64_t{headerSize} + InfoColorCount(dib) * kRgbQuadSize + MaskBytes(dib);
    }
    return kCoreHeaderSize + DibGetColorCount(dib) * kRgbTripleSize;
}

std::optional<Layout> ReadLayout(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = DibGetHeaderSize(dib);
    if (dib.size() > kMaxDibBytes || !IsKnownHeaderSize(headerSize) || dib.size() < headerSize) {
        return std::nullopt;
    }
    Layout layout = ReadHeader(dib);
    const std::optional<std::uint64_t> pixels = PixelBytes(dib, layout);
    if (!pixels || layout.pixelStart + *pixels > dib.size()) {
        return std::nullopt;
    }
    layout.pixelBytes = *pixels;
    return layout;
}

}  // namespace dib_layout

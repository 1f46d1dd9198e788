#include "dib/dib.h"

#include "dib/byte_order.h"

#include <array>
#include <optional>

namespace {

constexpr std::uint16_t kBmpType = 0x4D42;  // "BM"
constexpr std::size_t kRgbQuadSize = 4;
constexpr std::size_t kRgbTripleSize = 3;

// Offsets of the fields used in the two header layouts.
constexpr std::size_t kWidthOffset = 4;
constexpr std::size_t kInfoHeightOffset = 8;
constexpr std::size_t kInfoBitCountOffset = 14;
constexpr std::size_t kInfoColorsUsedOffset = 32;
constexpr std::size_t kInfoCompressionOffset = 16;
constexpr std::size_t kInfoImageSizeOffset = 20;
constexpr std::size_t kCoreHeightOffset = 6;
constexpr std::size_t kCoreBitCountOffset = 10;

// Compression values of an info header.
enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6
};
// Colour masks that follow a 40-byte header, which has no room for them; later headers hold
// them inside.
constexpr std::size_t kBitFieldsMaskBytes = 12;
constexpr std::size_t kAlphaBitFieldsMaskBytes = 16;
// Colour entries of a table that a bitmap deeper than 8 bits may carry as a hint.
constexpr std::uint32_t kMaxHintColors = 256;

std::uint32_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
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

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(ReadLittleEndian(bytes, offset, 2));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return ReadLittleEndian(bytes, offset, 4);
}

bool IsInfoHeader(std::span<const std::uint8_t> dib) {
    return DibGetHeaderSize(dib) == kInfoHeaderSize;
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

// Colours used, else the count the bit depth implies: the rule of every info-header kind.
std::uint16_t InfoColorCount(std::span<const std::uint8_t> dib) {
    const std::uint32_t colorsUsed = ReadU32(dib, kInfoColorsUsedOffset);
    if (colorsUsed != 0) {
        return static_cast<std::uint16_t>(colorsUsed);
    }
    return ColorCountForBits(ReadU16(dib, kInfoBitCountOffset));
}

// Where entry `index` lies in the block, when the table has it and the block holds it whole.
std::optional<std::size_t> EntryOffset(std::span<const std::uint8_t> dib, int index) {
    const std::uint16_t count = DibGetColorCount(dib);
    if (index < 0 || index >= count) {
        return std::nullopt;
    }
    const bool info = IsInfoHeader(dib);
    const std::size_t tableStart = info ? kInfoHeaderSize : kCoreHeaderSize;
    const std::size_t entrySize = info ? kRgbQuadSize : kRgbTripleSize;
    const std::size_t offset = tableStart + static_cast<std::size_t>(index) * entrySize;
    if (offset + kRgbTripleSize > dib.size()) {
        return std::nullopt;
    }
    return offset;
}

std::size_t MaskBytes(std::span<const std::uint8_t> dib) {
    if (DibGetHeaderSize(dib) != kInfoHeaderSize) {
        return 0;
    }
    switch (ReadU32(dib, kInfoCompressionOffset)) {
        case kBitFields:
            return kBitFieldsMaskBytes;
        case kAlphaBitFields:
            return kAlphaBitFieldsMaskBytes;
        default:
            return 0;
    }
}

// Where the pixels start within the block: after the header, the colour table and the masks.
std::uint64_t PixelStart(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = DibGetHeaderSize(dib);
    if (headerSize >= kInfoHeaderSize) {
        return std::uint64_t{headerSize} + InfoColorCount(dib) * kRgbQuadSize + MaskBytes(dib);
    }
    return kCoreHeaderSize + DibGetColorCount(dib) * kRgbTripleSize;
}

bool IsKnownHeaderSize(std::uint32_t headerSize) {
    for (std::uint32_t known : {kCoreHeaderSize, kInfoHeaderSize, 52u, 56u, 108u, 124u}) {
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

// The bytes of pixel data the header promises, or nothing for a header that makes no sense.
std::optional<std::uint64_t> PixelBytes(std::span<const std::uint8_t> dib) {
    const bool core = DibGetHeaderSize(dib) == kCoreHeaderSize;
    const std::uint16_t bits = ReadU16(dib, core ? kCoreBitCountOffset : kInfoBitCountOffset);
    const std::uint32_t compression = core ? kRgb : ReadU32(dib, kInfoCompressionOffset);
    const std::uint32_t colorsUsed = core ? 0 : ReadU32(dib, kInfoColorsUsedOffset);
    const std::uint32_t maxColors = bits <= 8 ? 1u << bits : kMaxHintColors;
    // Every header but the 12-byte one has the info layout, whatever the Dib getters assume.
    const std::int64_t width =
        core ? ReadU16(dib, kWidthOffset) : static_cast<std::int32_t>(ReadU32(dib, kWidthOffset));
    const std::int64_t height = core ? ReadU16(dib, kCoreHeightOffset)
                                     : static_cast<std::int32_t>(ReadU32(dib, kInfoHeightOffset));
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    if (!IsPlausibleSize(width, height) || colorsUsed > maxColors) {
        return std::nullopt;
    }
    const bool rgbBits =
        bits == 1 || bits == 4 || bits == 8 || bits == 24 || (!core && (bits == 16 || bits == 32));
    const bool maskBits = bits == 16 || bits == 32;
    switch (compression) {
        case kRgb:
        case kBitFields:
        case kAlphaBitFields:
            if (compression == kRgb ? !rgbBits : !maskBits) {
                return std::nullopt;
            }
            return static_cast<std::uint64_t>((width * bits + 31) / 32 * 4) * rows;
        case kRle8:
        case kRle4:
            if (bits != (compression == kRle8 ? 8 : 4) || height < 0 ||
                ReadU32(dib, kInfoImageSizeOffset) == 0) {
                return std::nullopt;
            }
            return ReadU32(dib, kInfoImageSizeOffset);
        default:  // JPEG and PNG inside a BMP are for printers: no viewer shows them
            return std::nullopt;
    }
}

}  // namespace

std::uint32_t DibGetHeaderSize(std::span<const std::uint8_t> dib) {
    return ReadU32(dib, 0);
}

std::int32_t DibGetWidth(std::span<const std::uint8_t> dib) {
    if (IsInfoHeader(dib)) {
        return static_cast<std::int32_t>(ReadU32(dib, kWidthOffset));
    }
    return ReadU16(dib, kWidthOffset);
}

std::int32_t DibGetHeight(std::span<const std::uint8_t> dib) {
    if (IsInfoHeader(dib)) {
        return static_cast<std::int32_t>(ReadU32(dib, kInfoHeightOffset));
    }
    return ReadU16(dib, kCoreHeightOffset);
}

std::uint16_t DibGetColorCount(std::span<const std::uint8_t> dib) {
    if (IsInfoHeader(dib)) {
        return InfoColorCount(dib);
    }
    return ColorCountForBits(ReadU16(dib, kCoreBitCountOffset));
}

COLORREF DibGetPaletteColor(const MemoryBlock* dib, int index) {
    if (dib == nullptr) {
        return 0;
    }
    const std::optional<std::size_t> offset = EntryOffset(*dib, index);
    if (!offset) {
        return 0;
    }
    const std::uint8_t* entry = dib->data() + *offset;
    return COLORREF{entry[2]} | COLORREF{entry[1]} << 8 | COLORREF{entry[0]} << 16;
}

int DibSetPaletteColor(MemoryBlock* dib, int index, COLORREF color) {
    if (dib == nullptr) {
        return 0;
    }
    const std::uint32_t headerSize = DibGetHeaderSize(*dib);
    if (headerSize != kInfoHeaderSize && headerSize != kCoreHeaderSize) {
        return 0;
    }
    const std::optional<std::size_t> offset = EntryOffset(*dib, index);
    if (!offset) {
        return 0;
    }
    std::uint8_t* entry = dib->data() + *offset;
    entry[0] = static_cast<std::uint8_t>(color >> 16);
    entry[1] = static_cast<std::uint8_t>(color >> 8);
    entry[2] = static_cast<std::uint8_t>(color);
    return 1;
}

int DibWriteBmpFile(const MemoryBlock& dib, CFile& file) {
    std::array<std::uint8_t, kBmpFileHeaderSize> header{};
    StoreLittleEndian(&header[0], kBmpType, 2);
    StoreLittleEndian(&header[2], static_cast<std::uint32_t>(dib.size() + kBmpFileHeaderSize), 4);
    StoreLittleEndian(&header[10], static_cast<std::uint32_t>(kBmpFileHeaderSize + PixelStart(dib)),
                      4);
    file.Write({header, dib});
    return 1;
}

bool DibIsComplete(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = DibGetHeaderSize(dib);
    if (dib.size() > kMaxDibBytes || !IsKnownHeaderSize(headerSize) || dib.size() < headerSize) {
        return false;
    }
    const std::optional<std::uint64_t> pixels = PixelBytes(dib);
    return pixels && PixelStart(dib) + *pixels <= dib.size();
}

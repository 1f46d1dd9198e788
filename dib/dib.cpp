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
constexpr std::size_t kCoreHeightOffset = 6;
constexpr std::size_t kCoreBitCountOffset = 10;

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

std::uint32_t PixelOffset(std::span<const std::uint8_t> dib) {
    const std::uint32_t headerSize = DibGetHeaderSize(dib);
    if (headerSize >= kInfoHeaderSize) {
        return static_cast<std::uint32_t>(kBmpFileHeaderSize + headerSize +
                                          InfoColorCount(dib) * kRgbQuadSize);
    }
    return static_cast<std::uint32_t>(kBmpFileHeaderSize + kCoreHeaderSize +
                                      DibGetColorCount(dib) * kRgbTripleSize);
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
    StoreLittleEndian(&header[10], PixelOffset(dib), 4);
    file.Write({header, dib});
    return 1;
}

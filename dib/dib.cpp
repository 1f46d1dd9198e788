#include "dib/dib.h"

#include "dib/byte_order.h"
#include "dib/dib_layout.h"

#include <array>
#include <new>
#include <optional>

using namespace dib_layout;

namespace {

constexpr std::uint16_t kBmpType = 0x4D42;  // "BM"

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(ReadField(bytes, offset, 2));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return ReadField(bytes, offset, 4);
}

bool IsInfoHeader(std::span<const std::uint8_t> dib) {
    return DibGetHeaderSize(dib) == kInfoHeaderSize;
}

// Where entry `index` lies in the block, when the table has it and the block holds it whole.
std::optional<std::size_t> EntryOffset(std::span<const std::uint8_t> dib, int index) {
    const std::uint16_t count = DibGetColorCount(dib);
    if (index < 0 || index >= count) {
        return std::nullopt;
    }
    // The masks of bit fields come before the table of a 40-byte header.
    const bool info = IsInfoHeader(dib);
    const std::size_t tableStart = info ? TableStart(dib) : kCoreHeaderSize;
    const std::size_t entrySize = info ? kRgbQuadSize : kRgbTripleSize;
    const std::size_t offset = tableStart + static_cast<std::size_t>(index) * entrySize;
    if (offset + kRgbTripleSize > dib.size()) {
        return std::nullopt;
    }
    return offset;
}

}  // namespace

std::uint32_t DibGetHeaderSize(std::span<const std::uint8_t> dib) {
    return ReadU32(dib, 0);
}

// Every header but the 12-byte one has 32-bit fields where the 40-byte one has them.
bool HasCoreHeader(std::span<const std::uint8_t> dib) {
    return DibGetHeaderSize(dib) == kCoreHeaderSize;
}

std::int32_t DibGetWidth(std::span<const std::uint8_t> dib) {
    if (!HasCoreHeader(dib)) {
        return static_cast<std::int32_t>(ReadU32(dib, kWidthOffset));
    }
    return ReadU16(dib, kWidthOffset);
}

std::int32_t DibGetHeight(std::span<const std::uint8_t> dib) {
    if (!HasCoreHeader(dib)) {
        return static_cast<std::int32_t>(ReadU32(dib, kInfoHeightOffset));
    }
    return ReadU16(dib, kCoreHeightOffset);
}

std::uint16_t DibGetBitCount(std::span<const std::uint8_t> dib) {
    const std::optional<Layout> layout = ReadLayout(dib);
    return layout ? layout->bitsPerPixel : 0;
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

std::array<std::uint8_t, kBmpFileHeaderSize> DibBmpFileHeader(const MemoryBlock& dib) {
    std::array<std::uint8_t, kBmpFileHeaderSize> header{};
    StoreLittleEndian(&header[0], kBmpType, 2);
    StoreLittleEndian(&header[2], static_cast<std::uint32_t>(dib.size() + kBmpFileHeaderSize), 4);
    StoreLittleEndian(&header[10], static_cast<std::uint32_t>(kBmpFileHeaderSize + PixelStart(dib)),
                      4);
    return header;
}

std::uint64_t DibRowStride(std::uint32_t width, unsigned bitsPerPixel) {
    return (std::uint64_t{width} * bitsPerPixel + 31) / 32 * 4;
}

MemoryHandle DibCreate(std::uint32_t width, std::uint32_t height, std::uint16_t bitsPerPixel,
                       std::uint32_t colors) {
    const std::uint64_t imageSize = DibRowStride(width, bitsPerPixel) * height;
    const std::uint64_t dibSize = kInfoHeaderSize + kRgbQuadSize * colors + imageSize;
    if (dibSize > kMaxDibBytes) {
        return nullptr;
    }
    MemoryHandle dib = AllocateBlock(static_cast<std::size_t>(dibSize));
    if (!dib) {
        throw std::bad_alloc();
    }
    StoreLittleEndian(dib->data(), kInfoHeaderSize, 4);
    StoreLittleEndian(dib->data() + kWidthOffset, width, 4);
    StoreLittleEndian(dib->data() + kInfoHeightOffset, height, 4);
    StoreLittleEndian(dib->data() + kInfoPlanesOffset, 1, 2);
    StoreLittleEndian(dib->data() + kInfoBitCountOffset, bitsPerPixel, 2);
    StoreLittleEndian(dib->data() + kInfoImageSizeOffset, static_cast<std::uint32_t>(imageSize), 4);
    StoreLittleEndian(dib->data() + kInfoColorsUsedOffset, colors, 4);
    return dib;
}

bool DibIsComplete(std::span<const std::uint8_t> dib) {
    return ReadLayout(dib).has_value();
}

#pragma once
// Where the parts of a packed DIB lie, as BMP readers see them: for the dib/ folder's own use.

#include <cstdint>
#include <optional>
#include <span>

namespace dib_layout {

inline constexpr std::size_t kRgbQuadSize = 4;
inline constexpr std::size_t kRgbTripleSize = 3;

// Offsets of the header fields.
inline constexpr std::size_t kWidthOffset = 4;
inline constexpr std::size_t kInfoHeightOffset = 8;
inline constexpr std::size_t kInfoPlanesOffset = 12;
inline constexpr std::size_t kInfoBitCountOffset = 14;
inline constexpr std::size_t kInfoCompressionOffset = 16;
inline constexpr std::size_t kInfoImageSizeOffset = 20;
inline constexpr std::size_t kInfoColorsUsedOffset = 32;
inline constexpr std::size_t kCoreHeightOffset = 6;
inline constexpr std::size_t kCoreBitCountOffset = 10;
// Red, green, blue and alpha masks: after a 40-byte header, or inside a larger one.
inline constexpr std::size_t kMasksOffset = 40;

// Compression values of an info header.
enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

// A little-endian field, or 0 when it does not lie wholly inside the bytes.
std::uint32_t ReadField(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t width);

// The colour count of an info-family header: colours used, else what the bit count implies.
std::uint16_t InfoColorCount(std::span<const std::uint8_t> dib);
std::uint16_t ColorCountForBits(std::uint16_t bitsPerPixel);

// Where the colour table starts: after the header, and after the masks that follow a
// 40-byte header with bit fields.
std::size_t TableStart(std::span<const std::uint8_t> dib);
// Where the pixels start within any block: after header, colour table and masks.
std::uint64_t PixelStart(std::span<const std::uint8_t> dib);

// The parts of a bitmap that BMP readers can show whole.
struct Layout {
    bool core = false;  // 12-byte header: 3-byte colour entries
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows run top-down
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::size_t tableStart = 0;
    std::uint32_t tableEntries = 0;
    std::uint64_t pixelStart = 0;
    std::uint64_t pixelBytes = 0;
    std::uint64_t stride = 0;  // bytes of one uncompressed row
};

// The layout of a whole bitmap, or nothing for one that is not (see DibIsComplete).
std::optional<Layout> ReadLayout(std::span<const std::uint8_t> dib);

}  // namespace dib_layout

#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/memory_block.h"
#include "platform/output_file.h"

// 0x00BBGGRR: red in the low byte.
using COLORREF = std::uint32_t;

inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kWhite = 0xFFFFFF;

inline constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
inline constexpr std::uint32_t kCoreHeaderSize = 12;  // BITMAPCOREHEADER
inline constexpr std::size_t kBmpFileHeaderSize = 14;

// The largest preview taken, whether stored as a bitmap or decoded from a PNG: far above any
// real one (the largest seen measures 672 x 448), low enough that a hostile drawing can
// neither make the tool allocate much nor make it write much.
inline constexpr std::int64_t kMaxPreviewSide = 4096;
inline constexpr std::uint64_t kMaxDibBytes = 64ull << 20;

// Header fields of a packed DIB. Every read is bounded by the span: a field that does not
// lie wholly inside it reads as 0.
std::uint32_t DibGetHeaderSize(std::span<const std::uint8_t> dib);
std::int32_t DibGetWidth(std::span<const std::uint8_t> dib);
std::int32_t DibGetHeight(std::span<const std::uint8_t> dib);
std::uint16_t DibGetColorCount(std::span<const std::uint8_t> dib);
// Bits per pixel of a whole bitmap (see DibIsComplete), or 0.
std::uint16_t DibGetBitCount(std::span<const std::uint8_t> dib);

// A colour-table entry, or 0 for a null block, an index outside the table, or an entry
// that does not lie wholly inside the block.
COLORREF DibGetPaletteColor(const MemoryBlock* dib, int index);

// 1 when the entry was written, 0 when it was not (same guards as reading). Only 12- and
// 40-byte headers have a colour table at a known place, so other headers are left alone.
int DibSetPaletteColor(MemoryBlock* dib, int index, COLORREF color);

// True when BMP readers can show the block whole: a header size they know (12, 40, 52, 56,
// 108, 124), a plausible width, height, bit count and compression (none, RLE or bit fields),
// at most kMaxDibBytes, and
// room for the header, the colour table, any bit masks and every pixel row.
bool DibIsComplete(std::span<const std::uint8_t> dib);

// Bytes of one uncompressed pixel row, padded to whole 32-bit words.
std::uint64_t DibRowStride(std::uint32_t width, unsigned bitsPerPixel);

// A zero-filled bitmap with a 40-byte header (bottom-up rows, no compression) and room for
// its colour table and pixels; null over kMaxDibBytes. Short memory raises std::bad_alloc.
MemoryHandle DibCreate(std::uint32_t width, std::uint32_t height, std::uint16_t bitsPerPixel,
                       std::uint32_t colors);

// The 14-byte BMP file header that goes before the block.
std::array<std::uint8_t, kBmpFileHeaderSize> DibBmpFileHeader(const MemoryBlock& dib);

// Writes the 14-byte BMP file header and then the whole block; write errors are raised.
int DibWriteBmpFile(const MemoryBlock& dib, COutputFile& file);

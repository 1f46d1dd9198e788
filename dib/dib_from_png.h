#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "dib/dib.h"
#include "platform/memory_block.h"

// A packed DIB made from a PNG preview, or null when the PNG is damaged or larger than
// kMaxPreviewSide a side or kMaxDibBytes as a bitmap. A palette PNG becomes an 8-bit DIB
// with the same colour table; anything else a 24-bit DIB, with transparency blended over
// the background colour. Rows are decoded one at a time straight into the bitmap, so the
// memory taken is the bitmap's and little more. Running out of memory raises std::bad_alloc.
MemoryHandle DibFromPng(std::span<const std::uint8_t> png, COLORREF background);

// The size of a PNG preview as DibFromPng would decode it, read from its header alone.
struct PngExtent {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t dibBytes = 0;  // the bitmap it becomes
};
std::optional<PngExtent> DibPngExtent(std::span<const std::uint8_t> png);

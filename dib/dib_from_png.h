#pragma once

#include <cstdint>
#include <span>

#include "dib/dib.h"
#include "platform/memory_block.h"

// The largest preview decoded: far above any real one, low enough to stop a bomb.
inline constexpr std::uint32_t kMaxPngSide = 16384;
inline constexpr std::uint64_t kMaxDibBytes = 256ull << 20;

// A packed DIB made from a PNG preview, or null when the PNG is damaged or too large.
// A palette PNG becomes an 8-bit DIB with the same colour table; anything else a 24-bit
// DIB, with transparency blended over the background colour.
MemoryHandle DibFromPng(std::span<const std::uint8_t> png, COLORREF background);

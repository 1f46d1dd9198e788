#pragma once

#include <cstdint>
#include <vector>

#include "tests/dwg_builder.h"

struct PngSpec {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint8_t colorType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    std::uint8_t bitDepth = 8;
    Bytes rows{};                            // packed rows as PNG stores them, without filter bytes
    Bytes palette{};                         // red, green, blue per entry
    std::vector<std::uint16_t> colourKey{};  // tRNS: the red, green, blue (or grey) that is clear
    bool interlaced = false;
};

// Encodes a PNG with libspng.
Bytes EncodePng(const PngSpec& spec);

// Replaces a 4-byte big-endian field of the IHDR chunk and fixes the chunk's CRC.
void PatchIhdr(Bytes& png, std::size_t fieldOffset, std::uint32_t value);

// A PNG as libspng decodes it: indexes for a palette image, else red, green, blue, alpha.
struct DecodedPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t colorType = 0;
    Bytes palette{};  // red, green, blue per entry
    Bytes pixels{};
};
DecodedPng DecodePng(const Bytes& png);

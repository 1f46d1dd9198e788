#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A bitmap's picture as plain rows, top row first: what PNG encoding and scaling start from.
struct DibPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Red, green, blue per entry. When not empty, each pixel is one byte: an index into it.
    std::vector<std::uint8_t> palette;
    bool alpha = false;  // whether the bitmap holds transparency (alpha bit fields)
    // An index per pixel, or red, green, blue, alpha per pixel.
    std::vector<std::uint8_t> pixels;
};

// The picture of a whole bitmap (DibIsComplete), or nothing for any other block. RLE rows
// are expanded; indexes beyond the colour table show its first entry, as BMP readers do.
std::optional<DibPicture> DibGetPicture(std::span<const std::uint8_t> dib);

#pragma once

#include <climits>
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

// Rows of a picture, counted from its top: a large picture is worked on a band at a time.
struct DibRows {
    std::uint32_t first = 0;
    std::uint32_t count = UINT32_MAX;  // as many as there are
};

// The picture of a whole bitmap (DibIsComplete), or of the `rows` of it that exist, or
// nothing for any other block. RLE rows are expanded; indexes beyond the colour table show
// its first entry, as BMP readers do.
std::optional<DibPicture> DibGetPicture(std::span<const std::uint8_t> dib, DibRows rows = {});
// How many rows of `width` pixels make a band of about kBandBytes when decoded: at least one.
std::uint32_t DibBandRows(std::uint32_t width, std::uint32_t rowsPerRow = 1);
// What a band of a picture takes at most, decoded: large pictures never cost their size twice.
inline constexpr std::size_t kBandBytes = 1u << 20;

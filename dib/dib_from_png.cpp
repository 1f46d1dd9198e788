#include "dib/dib_from_png.h"

#include <spng.h>

#include "dib/byte_order.h"

#include <memory>
#include <vector>

namespace {

constexpr std::size_t kMaxChunkBytes = 16u << 20;
constexpr std::size_t kMaxChunkCache = 64u << 20;
constexpr std::size_t kRgbQuadSize = 4;
// Deflate cannot expand its input more than this: an image that claims more pixels than
// its bytes can hold is refused before anything is allocated for it.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

struct SpngFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngFree>;

std::uint64_t RowStride(std::uint32_t width, unsigned bitsPerPixel) {
    return (std::uint64_t{width} * bitsPerPixel + 31) / 32 * 4;
}

std::uint64_t DibSize(const spng_ihdr& ihdr, unsigned bitsPerPixel, std::uint32_t colors) {
    return kInfoHeaderSize + kRgbQuadSize * colors +
           RowStride(ihdr.width, bitsPerPixel) * ihdr.height;
}

// Both the DIB and the decoded image must stay under the limit; checked before either is
// allocated, so an oversized image costs no memory.
bool WithinLimits(spng_ctx* context, int format, std::uint64_t dibSize) {
    std::size_t decodedSize = 0;
    return dibSize <= kMaxDibBytes && spng_decoded_image_size(context, format, &decodedSize) == 0 &&
           decodedSize <= kMaxDibBytes;
}

// Header and room for the colour table and pixels.
MemoryHandle NewDib(const spng_ihdr& ihdr, std::uint16_t bitsPerPixel, std::uint32_t colors) {
    MemoryHandle dib = AllocateBlock(static_cast<std::size_t>(DibSize(ihdr, bitsPerPixel, colors)));
    if (!dib) {
        return nullptr;
    }
    const std::uint64_t imageSize = RowStride(ihdr.width, bitsPerPixel) * ihdr.height;
    StoreLittleEndian(dib->data(), kInfoHeaderSize, 4);
    StoreLittleEndian(dib->data() + 4, ihdr.width, 4);
    StoreLittleEndian(dib->data() + 8, ihdr.height, 4);
    StoreLittleEndian(dib->data() + 12, 1, 2);  // planes
    StoreLittleEndian(dib->data() + 14, bitsPerPixel, 2);
    StoreLittleEndian(dib->data() + 20, static_cast<std::uint32_t>(imageSize), 4);
    StoreLittleEndian(dib->data() + 32, colors, 4);
    return dib;
}

bool Decode(spng_ctx* context, int format, int flags, std::vector<std::uint8_t>& pixels) {
    std::size_t size = 0;
    if (spng_decoded_image_size(context, format, &size) != 0) {
        return false;
    }
    pixels.resize(size);
    return spng_decode_image(context, pixels.data(), size, format, flags) == 0;
}

std::uint8_t PaletteIndex(const std::uint8_t* row, std::uint32_t x, unsigned depth) {
    const std::uint32_t bit = x * depth;
    const unsigned shift = 8 - depth - bit % 8;
    return static_cast<std::uint8_t>((row[bit / 8] >> shift) & ((1u << depth) - 1));
}

MemoryHandle PaletteDib(spng_ctx* context, const spng_ihdr& ihdr) {
    spng_plte plte{};
    if (spng_get_plte(context, &plte) != 0) {
        return nullptr;
    }
    const std::size_t pngStride = (std::size_t{ihdr.width} * ihdr.bit_depth + 7) / 8;
    if (!WithinLimits(context, SPNG_FMT_PNG, DibSize(ihdr, 8, plte.n_entries))) {
        return nullptr;
    }
    MemoryHandle dib = NewDib(ihdr, 8, plte.n_entries);
    std::vector<std::uint8_t> pixels;
    if (!dib || !Decode(context, SPNG_FMT_PNG, 0, pixels) ||
        pixels.size() < pngStride * ihdr.height) {
        return nullptr;
    }
    for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
        std::uint8_t* quad = dib->data() + kInfoHeaderSize + kRgbQuadSize * i;
        quad[0] = plte.entries[i].blue;
        quad[1] = plte.entries[i].green;
        quad[2] = plte.entries[i].red;
    }
    const std::size_t dibStride = RowStride(ihdr.width, 8);
    const std::size_t bitsStart = kInfoHeaderSize + kRgbQuadSize * plte.n_entries;
    for (std::uint32_t y = 0; y < ihdr.height; ++y) {
        const std::uint8_t* source = pixels.data() + pngStride * y;
        // DIB rows run bottom-up.
        std::uint8_t* target = dib->data() + bitsStart + dibStride * (ihdr.height - 1 - y);
        for (std::uint32_t x = 0; x < ihdr.width; ++x) {
            target[x] = PaletteIndex(source, x, ihdr.bit_depth);
        }
    }
    return dib;
}

std::uint8_t Blend(std::uint8_t color, std::uint8_t alpha, std::uint8_t background) {
    return static_cast<std::uint8_t>((color * alpha + background * (255 - alpha) + 127) / 255);
}

MemoryHandle TrueColourDib(spng_ctx* context, const spng_ihdr& ihdr, COLORREF background) {
    if (!WithinLimits(context, SPNG_FMT_RGBA8, DibSize(ihdr, 24, 0))) {
        return nullptr;
    }
    MemoryHandle dib = NewDib(ihdr, 24, 0);
    std::vector<std::uint8_t> pixels;
    if (!dib || !Decode(context, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS, pixels)) {
        return nullptr;
    }
    const auto backRed = static_cast<std::uint8_t>(background);
    const auto backGreen = static_cast<std::uint8_t>(background >> 8);
    const auto backBlue = static_cast<std::uint8_t>(background >> 16);
    const std::size_t dibStride = RowStride(ihdr.width, 24);
    for (std::uint32_t y = 0; y < ihdr.height; ++y) {
        const std::uint8_t* source = pixels.data() + std::size_t{ihdr.width} * 4 * y;
        std::uint8_t* target = dib->data() + kInfoHeaderSize + dibStride * (ihdr.height - 1 - y);
        for (std::uint32_t x = 0; x < ihdr.width; ++x, source += 4, target += 3) {
            target[0] = Blend(source[2], source[3], backBlue);
            target[1] = Blend(source[1], source[3], backGreen);
            target[2] = Blend(source[0], source[3], backRed);
        }
    }
    return dib;
}

unsigned ChannelCount(std::uint8_t colorType) {
    switch (colorType) {
        case SPNG_COLOR_TYPE_TRUECOLOR:
            return 3;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            return 2;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            return 4;
        default:
            return 1;
    }
}

bool FitsInData(const spng_ihdr& ihdr, std::size_t pngSize) {
    const std::uint64_t rowBytes =
        (std::uint64_t{ihdr.width} * ChannelCount(ihdr.color_type) * ihdr.bit_depth + 7) / 8;
    const std::uint64_t filteredBytes = (rowBytes + 1) * ihdr.height;
    return filteredBytes <= pngSize * kMaxDeflateRatio;
}

}  // namespace

MemoryHandle DibFromPng(std::span<const std::uint8_t> png, COLORREF background) {
    SpngContext context(spng_ctx_new(0));
    if (!context || spng_set_image_limits(context.get(), kMaxPngSide, kMaxPngSide) != 0 ||
        spng_set_chunk_limits(context.get(), kMaxChunkBytes, kMaxChunkCache) != 0 ||
        spng_set_png_buffer(context.get(), png.data(), png.size()) != 0) {
        return nullptr;
    }
    spng_ihdr ihdr{};
    if (spng_get_ihdr(context.get(), &ihdr) != 0 || !FitsInData(ihdr, png.size())) {
        return nullptr;
    }
    if (ihdr.color_type == SPNG_COLOR_TYPE_INDEXED) {
        return PaletteDib(context.get(), ihdr);
    }
    return TrueColourDib(context.get(), ihdr, background);
}

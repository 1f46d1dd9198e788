#include "dib/dib_from_png.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kMaxChunkBytes = 16u << 20;
constexpr std::size_t kMaxChunkCache = 64u << 20;
constexpr std::size_t kRgbQuadSize = 4;
constexpr std::size_t kRgbaSize = 4;
constexpr std::size_t kBgrSize = 3;
// Deflate cannot expand its input more than this: an image that claims more pixels than
// its bytes can hold is refused before anything is allocated for it.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
// Where each of the seven interlace passes puts its first pixel of a row, and how far apart.
constexpr std::uint32_t kAdam7FirstColumn[] = {0, 4, 0, 2, 0, 1, 0};
constexpr std::uint32_t kAdam7ColumnStep[] = {8, 8, 4, 4, 2, 2, 1};

struct SpngFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngFree>;

// libspng's verdict: true for success, false for a damaged image; short memory is raised.
bool Succeeded(int result) {
    if (result == SPNG_EMEM) {
        throw std::bad_alloc();
    }
    return result == 0;
}

std::uint8_t PaletteIndex(const std::uint8_t* row, std::uint32_t x, unsigned depth) {
    const std::uint32_t bit = x * depth;
    const unsigned shift = 8 - depth - bit % 8;
    return static_cast<std::uint8_t>((row[bit / 8] >> shift) & ((1u << depth) - 1));
}

std::uint8_t Blend(std::uint8_t color, std::uint8_t alpha, std::uint8_t background) {
    return static_cast<std::uint8_t>((color * alpha + background * (255 - alpha) + 127) / 255);
}

// How one decoded PNG row becomes one DIB row.
struct RowConverter {
    const spng_ihdr& ihdr;
    bool palette;
    COLORREF background;

    void operator()(const std::uint8_t* source, std::uint8_t* target, int pass) const {
        const bool interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
        const std::uint32_t first = interlaced ? kAdam7FirstColumn[pass] : 0;
        const std::uint32_t step = interlaced ? kAdam7ColumnStep[pass] : 1;
        if (palette) {
            for (std::uint32_t x = first; x < ihdr.width; x += step) {
                target[x] = PaletteIndex(source, x, ihdr.bit_depth);
            }
        } else {
            const auto red = static_cast<std::uint8_t>(background);
            const auto green = static_cast<std::uint8_t>(background >> 8);
            const auto blue = static_cast<std::uint8_t>(background >> 16);
            for (std::uint32_t x = first; x < ihdr.width; x += step) {
                const std::uint8_t* rgba = source + kRgbaSize * x;
                std::uint8_t* bgr = target + kBgrSize * x;
                bgr[0] = Blend(rgba[2], rgba[3], blue);
                bgr[1] = Blend(rgba[1], rgba[3], green);
                bgr[2] = Blend(rgba[0], rgba[3], red);
            }
        }
    }
};

// Rows that need no conversion: 8-bit palette indexes are the DIB's own, row for row.
bool RowsAsStored(const RowConverter& convert) {
    return convert.palette && convert.ihdr.bit_depth == 8 &&
           convert.ihdr.interlace_method == SPNG_INTERLACE_NONE;
}

// Decodes the image row by row into the DIB's pixel rows, which run bottom-up.
bool DecodeRows(spng_ctx* context, const RowConverter& convert, std::uint8_t* bits,
                std::size_t stride) {
    const int format = convert.palette ? SPNG_FMT_PNG : SPNG_FMT_RGBA8;
    const int flags = (convert.palette ? 0 : SPNG_DECODE_TRNS) | SPNG_DECODE_PROGRESSIVE;
    std::size_t imageSize = 0;
    if (!Succeeded(spng_decoded_image_size(context, format, &imageSize)) ||
        !Succeeded(spng_decode_image(context, nullptr, 0, format, flags))) {
        return false;
    }
    const bool direct = RowsAsStored(convert);
    std::vector<std::uint8_t> row(direct ? 0 : imageSize / convert.ihdr.height);
    for (;;) {
        spng_row_info info{};
        if (!Succeeded(spng_get_row_info(context, &info))) {
            return false;
        }
        std::uint8_t* target = bits + stride * (convert.ihdr.height - 1 - info.row_num);
        if (convert.ihdr.interlace_method != SPNG_INTERLACE_NONE) {
            std::fill(row.begin(), row.end(), 0);  // a pass ORs the bits of its own pixels in
        }
        const int result = direct ? spng_decode_row(context, target, convert.ihdr.width)
                                  : spng_decode_row(context, row.data(), row.size());
        if (result != 0 && result != SPNG_EOI) {
            return Succeeded(result);
        }
        if (!direct) {
            convert(row.data(), target, info.pass);
        }
        if (result == SPNG_EOI) {
            // The image data's last CRC, which now stands in for the checksum, is checked
            // only on reading past it.
            return Succeeded(spng_decode_chunks(context));
        }
    }
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

void CopyPalette(const spng_plte& plte, MemoryBlock& dib) {
    for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
        std::uint8_t* quad = dib.data() + kInfoHeaderSize + kRgbQuadSize * i;
        quad[0] = plte.entries[i].blue;
        quad[1] = plte.entries[i].green;
        quad[2] = plte.entries[i].red;
    }
}

}  // namespace

std::optional<PngExtent> DibPngExtent(std::span<const std::uint8_t> png) {
    SpngContext context(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    spng_ihdr ihdr{};
    if (!context || spng_set_png_buffer(context.get(), png.data(), png.size()) != 0 ||
        spng_get_ihdr(context.get(), &ihdr) != 0) {
        return std::nullopt;
    }
    const bool palette = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED;
    const unsigned bits = palette ? 8 : 24;
    const std::uint64_t table = palette ? kRgbQuadSize * 256 : 0;
    return PngExtent{ihdr.width, ihdr.height,
                     kInfoHeaderSize + table + DibRowStride(ihdr.width, bits) * ihdr.height};
}

MemoryHandle DibFromPng(std::span<const std::uint8_t> png, COLORREF background) {
    // Each chunk's CRC already covers the compressed bytes: the checksum of the inflated
    // stream would cost a pass over every pixel to learn nothing more.
    SpngContext context(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    if (!context) {
        throw std::bad_alloc();
    }
    constexpr auto kSide = static_cast<std::uint32_t>(kMaxPreviewSide);
    spng_ihdr ihdr{};
    if (!Succeeded(spng_set_image_limits(context.get(), kSide, kSide)) ||
        !Succeeded(spng_set_chunk_limits(context.get(), kMaxChunkBytes, kMaxChunkCache)) ||
        !Succeeded(spng_set_png_buffer(context.get(), png.data(), png.size())) ||
        !Succeeded(spng_get_ihdr(context.get(), &ihdr)) || !FitsInData(ihdr, png.size())) {
        return nullptr;
    }
    const bool palette = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED;
    spng_plte plte{};
    if (palette && !Succeeded(spng_get_plte(context.get(), &plte))) {
        return nullptr;
    }
    const std::uint32_t colors = plte.n_entries;
    const std::uint16_t bitsPerPixel = palette ? 8 : 24;
    MemoryHandle dib = DibCreate(ihdr.width, ihdr.height, bitsPerPixel, colors);
    if (!dib) {
        return nullptr;
    }
    CopyPalette(plte, *dib);
    const RowConverter convert{ihdr, palette, background};
    std::uint8_t* bits = dib->data() + kInfoHeaderSize + kRgbQuadSize * colors;
    if (!DecodeRows(context.get(), convert, bits, DibRowStride(ihdr.width, bitsPerPixel))) {
        return nullptr;
    }
    return dib;
}

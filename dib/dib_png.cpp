#include "dib/dib_png.h"

#include <spng.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "dib/dib.h"
#include "dib/dib_picture.h"

namespace {

constexpr std::size_t kRgbaSize = 4;
// Colour pictures are mostly shrunk thumbnails, made while a file manager waits: a quick
// deflate and one cheap filter cost a few bytes and save half the time of the best effort.
constexpr int kColourCompressionLevel = 3;
constexpr int kColourFilters = SPNG_FILTER_CHOICE_SUB;

struct SpngFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
struct BufferFree {
    void operator()(void* buffer) const { std::free(buffer); }
};

// The pixels as PNG rows: indexes as they are, colours without alpha when there is none.
std::vector<std::uint8_t> PngRows(const DibPicture& picture) {
    if (!picture.palette.empty() || picture.alpha) {
        return picture.pixels;
    }
    std::vector<std::uint8_t> rgb;
    rgb.reserve(picture.pixels.size() / kRgbaSize * 3);
    for (std::size_t i = 0; i < picture.pixels.size(); i += kRgbaSize) {
        rgb.insert(rgb.end(), picture.pixels.begin() + i, picture.pixels.begin() + i + 3);
    }
    return rgb;
}

// libspng's verdict: true for success; short memory is raised.
bool Encoded(int result) {
    if (result == SPNG_EMEM) {
        throw std::bad_alloc();
    }
    return result == 0;
}

// The header, the palette and the options that suit the picture, whose first band is `band`.
bool SetUp(spng_ctx* context, const DibPicture& band, std::uint32_t height) {
    const bool indexed = !band.palette.empty();
    spng_ihdr ihdr{};
    ihdr.width = band.width;
    ihdr.height = height;
    ihdr.bit_depth = 8;
    ihdr.color_type = indexed      ? SPNG_COLOR_TYPE_INDEXED
                      : band.alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA
                                   : SPNG_COLOR_TYPE_TRUECOLOR;
    if (!Encoded(spng_set_ihdr(context, &ihdr))) {
        return false;
    }
    if (!indexed) {
        return Encoded(
                   spng_set_option(context, SPNG_IMG_COMPRESSION_LEVEL, kColourCompressionLevel)) &&
               Encoded(spng_set_option(context, SPNG_FILTER_CHOICE, kColourFilters));
    }
    spng_plte plte{};
    plte.n_entries = static_cast<std::uint32_t>(band.palette.size() / 3);
    for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
        plte.entries[i] = {band.palette[3 * i], band.palette[3 * i + 1], band.palette[3 * i + 2],
                           0};
    }
    // Filters help photographs, not indexes.
    return Encoded(spng_set_plte(context, &plte)) &&
           Encoded(spng_set_option(context, SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING));
}

}  // namespace

MemoryHandle DibEncodePng(const MemoryBlock& dib) {
    // A band of rows at a time: a large picture is never held whole beside its bitmap.
    const std::uint32_t width = static_cast<std::uint32_t>(std::abs(DibGetWidth(dib)));
    const std::uint32_t height = static_cast<std::uint32_t>(std::abs(DibGetHeight(dib)));
    const std::uint32_t bandRows = DibBandRows(width);
    std::optional<DibPicture> band = DibGetPicture(dib, {0, bandRows});
    if (!band) {
        return nullptr;
    }
    std::unique_ptr<spng_ctx, SpngFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!context) {
        throw std::bad_alloc();
    }
    if (!Encoded(spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1)) ||
        !SetUp(context.get(), *band, height) ||
        !Encoded(spng_encode_image(context.get(), nullptr, 0, SPNG_FMT_PNG,
                                   SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE))) {
        return nullptr;
    }
    for (std::uint32_t first = 0; first < height; first += bandRows) {
        if (first != 0 && !(band = DibGetPicture(dib, {first, bandRows}))) {
            return nullptr;
        }
        const std::vector<std::uint8_t> rows = PngRows(*band);
        const std::size_t rowBytes = rows.size() / band->height;
        for (std::size_t offset = 0; offset < rows.size(); offset += rowBytes) {
            const int result = spng_encode_row(context.get(), rows.data() + offset, rowBytes);
            if (result != 0 && result != SPNG_EOI) {
                (void)Encoded(result);  // raises on short memory
                return nullptr;
            }
        }
    }
    std::size_t size = 0;
    int error = 0;
    const std::unique_ptr<void, BufferFree> png(spng_get_png_buffer(context.get(), &size, &error));
    if (!Encoded(error) || !png) {
        return nullptr;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(png.get());
    return std::make_unique<MemoryBlock>(bytes, bytes + size);
}

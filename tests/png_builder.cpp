#include "tests/png_builder.h"

#include <spng.h>
#include <zlib.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {
struct SpngFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
constexpr std::size_t kIhdrData = 16;  // signature, length, type
}  // namespace

Bytes EncodePng(const PngSpec& spec) {
    std::unique_ptr<spng_ctx, SpngFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
    spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = spec.width;
    ihdr.height = spec.height;
    ihdr.bit_depth = spec.bitDepth;
    ihdr.color_type = spec.colorType;
    ihdr.interlace_method = spec.interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE;
    spng_set_ihdr(context.get(), &ihdr);
    if (!spec.palette.empty()) {
        spng_plte plte{};
        plte.n_entries = static_cast<std::uint32_t>(spec.palette.size() / 3);
        for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
            plte.entries[i] = {spec.palette[3 * i], spec.palette[3 * i + 1],
                               spec.palette[3 * i + 2], 0};
        }
        spng_set_plte(context.get(), &plte);
    }
    if (!spec.colourKey.empty()) {
        spng_trns trns{};
        trns.gray = spec.colourKey[0];
        if (spec.colourKey.size() == 3) {
            trns.red = spec.colourKey[0];
            trns.green = spec.colourKey[1];
            trns.blue = spec.colourKey[2];
        }
        spng_set_trns(context.get(), &trns);
    }
    if (spng_encode_image(context.get(), spec.rows.data(), spec.rows.size(), SPNG_FMT_PNG,
                          SPNG_ENCODE_FINALIZE) != 0) {
        throw std::runtime_error("PNG encoding failed");
    }
    std::size_t size = 0;
    int error = 0;
    std::unique_ptr<std::uint8_t, decltype(&std::free)> buffer(
        static_cast<std::uint8_t*>(spng_get_png_buffer(context.get(), &size, &error)), &std::free);
    if (!buffer) {
        throw std::runtime_error("PNG encoding gave no buffer");
    }
    return Bytes(buffer.get(), buffer.get() + size);
}

void PatchIhdr(Bytes& png, std::size_t fieldOffset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        png.at(kIhdrData + fieldOffset + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
    constexpr std::size_t kIhdrSize = 13;
    const uLong crc = ::crc32(0, png.data() + 12, 4 + kIhdrSize);
    for (std::size_t i = 0; i < 4; ++i) {
        png.at(kIhdrData + kIhdrSize + i) = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
}

DecodedPng DecodePng(const Bytes& png) {
    std::unique_ptr<spng_ctx, SpngFree> context(spng_ctx_new(0));
    spng_set_png_buffer(context.get(), png.data(), png.size());
    spng_ihdr ihdr{};
    if (spng_get_ihdr(context.get(), &ihdr) != 0) {
        throw std::runtime_error("not a PNG");
    }
    DecodedPng decoded{.width = ihdr.width, .height = ihdr.height, .colorType = ihdr.color_type};
    const bool indexed = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED;
    if (indexed) {
        spng_plte plte{};
        spng_get_plte(context.get(), &plte);
        for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
            decoded.palette.insert(
                decoded.palette.end(),
                {plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue});
        }
    }
    const int format = indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8;
    std::size_t size = 0;
    spng_decoded_image_size(context.get(), format, &size);
    decoded.pixels.resize(size);
    if (spng_decode_image(context.get(), decoded.pixels.data(), size, format, 0) != 0) {
        throw std::runtime_error("PNG decoding failed");
    }
    return decoded;
}

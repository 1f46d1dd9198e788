// libpictavex's C API on a drawing held in memory: whatever the bytes, every call returns a
// code, a fitted picture fills exactly the buffer its size asks for, and the BMP and PNG
// files come whole.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "lib/pictavex.h"

namespace {

constexpr std::uint32_t kSide = 48;
constexpr std::uint8_t kUntouched = 0xA5;

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void ExerciseLoaded(pictavex_ctx* ctx) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (pictavex_get_fitted_size(ctx, kSide, &width, &height) != PICTAVEX_OK) {
        return;
    }
    Check(width >= 1 && height >= 1 && width <= kSide && height <= kSide);
    const std::size_t stride = std::size_t{width} * 4 + 3;  // padded rows stay untouched
    std::vector<std::uint8_t> pixels(stride * height, kUntouched);
    Check(pictavex_get_fitted(ctx, kSide, PICTAVEX_FMT_BGRA8, pixels.data(), stride,
                              pixels.size()) == PICTAVEX_OK);
    for (std::size_t row = 0; row < height; ++row) {
        for (std::size_t pad = std::size_t{width} * 4; pad < stride; ++pad) {
            Check(pixels[row * stride + pad] == kUntouched);
        }
    }
    std::size_t size = 0;
    Check(pictavex_get_bmp_size(ctx, &size) == PICTAVEX_OK && size > 14);
    std::vector<std::uint8_t> bmp(size);
    Check(pictavex_get_bmp(ctx, bmp.data(), bmp.size()) == PICTAVEX_OK && bmp[0] == 'B');
    Check(pictavex_get_fitted_png_size(ctx, kSide, &size) == PICTAVEX_OK);
    std::vector<std::uint8_t> png(size);
    Check(pictavex_get_fitted_png(ctx, kSide, png.data(), png.size()) == PICTAVEX_OK);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pictavex_ctx* ctx = pictavex_ctx_new();
    Check(ctx != nullptr);
    const int status = pictavex_load_buffer(ctx, data, size);
    Check(status >= PICTAVEX_OK && status <= PICTAVEX_EBUFSIZ && status != PICTAVEX_EINVAL);
    if (status == PICTAVEX_OK) {
        ExerciseLoaded(ctx);
    }
    // Tight limits: refused or within them, never more.
    pictavex_set_limits(ctx, 16, 4096, 4096);
    if (pictavex_load_buffer(ctx, data, size) == PICTAVEX_OK) {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        Check(pictavex_get_preview(ctx, nullptr, &width, &height) == PICTAVEX_OK && width <= 16 &&
              height <= 16);
    }
    pictavex_ctx_free(ctx);
    return 0;
}

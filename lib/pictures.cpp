// The C API's pictures of a loaded drawing: fitted pixels, and the PNG and BMP files.
#include <algorithm>
#include <cstdlib>

#include "dib/dib_picture.h"
#include "lib/context.h"
#include "lib/pictavex.h"
#include "platform/checked_math.h"

namespace {

constexpr std::size_t kRgbaSize = 4;

// Whether rows of `width` pixels, `stride` bytes apart, `height` of them, fit in `size` bytes.
bool RowsFit(std::uint32_t width, std::uint32_t height, std::size_t stride, std::size_t size) {
    const std::size_t row = std::size_t{width} * kRgbaSize;
    if (height == 0 || stride < row) {
        return false;
    }
    const std::optional<std::size_t> before = CheckedMul<std::size_t>(stride, height - 1);
    const std::optional<std::size_t> needed =
        before ? CheckedAdd<std::size_t>(*before, row) : std::nullopt;
    return needed && *needed <= size;
}

}  // namespace

extern "C" {

int pictavex_get_fitted_size(pictavex_ctx* ctx, uint32_t side, uint32_t* width, uint32_t* height) {
    if (width == nullptr || height == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (const int ready = PreviewReady(ctx); ready != PICTAVEX_OK) {
        return ready;
    }
    return Guarded([&] {
        const MemoryBlock* fitted = ctx->Fitted(side);
        if (fitted == nullptr) {
            return PICTAVEX_EDAMAGED;
        }
        *width = static_cast<std::uint32_t>(std::abs(DibGetWidth(*fitted)));
        *height = static_cast<std::uint32_t>(std::abs(DibGetHeight(*fitted)));
        return PICTAVEX_OK;
    });
}

int pictavex_get_fitted(pictavex_ctx* ctx, uint32_t side, int format, void* out, size_t stride,
                        size_t out_size) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (out == nullptr || (format != PICTAVEX_FMT_RGBA8 && format != PICTAVEX_FMT_BGRA8)) {
        return PICTAVEX_EINVAL;
    }
    if (const int status = pictavex_get_fitted_size(ctx, side, &width, &height);
        status != PICTAVEX_OK) {
        return status;
    }
    if (!RowsFit(width, height, stride, out_size)) {
        return PICTAVEX_EBUFSIZ;
    }
    return Guarded([&] {
        const bool bgra = format == PICTAVEX_FMT_BGRA8;
        auto* rows = static_cast<std::uint8_t*>(out);
        // A band of rows at a time, as the picture is made everywhere else.
        const std::uint32_t band = DibBandRows(width);
        for (std::uint32_t first = 0; first < height; first += band) {
            const std::optional<DibPicture> picture = DibGetPicture(*ctx->fitted, {first, band});
            if (!picture) {
                return PICTAVEX_EDAMAGED;
            }
            const bool indexed = !picture->palette.empty();
            for (std::uint32_t y = 0; y < picture->height; ++y) {
                std::uint8_t* target = rows + stride * (first + y);
                for (std::uint32_t x = 0; x < width; ++x, target += kRgbaSize) {
                    const std::size_t at = std::size_t{width} * y + x;
                    const std::uint8_t* rgb =
                        indexed ? &picture->palette[3 * std::size_t{picture->pixels[at]}]
                                : &picture->pixels[kRgbaSize * at];
                    target[0] = rgb[bgra ? 2 : 0];
                    target[1] = rgb[1];
                    target[2] = rgb[bgra ? 0 : 2];
                    target[3] = indexed || !picture->alpha ? 0xFF : rgb[3];
                }
            }
        }
        return PICTAVEX_OK;
    });
}

int pictavex_get_fitted_png_size(pictavex_ctx* ctx, uint32_t side, size_t* size) {
    if (size == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (const int ready = PreviewReady(ctx); ready != PICTAVEX_OK) {
        return ready;
    }
    return Guarded([&] {
        const MemoryBlock* png = ctx->Png(side);
        if (png == nullptr) {
            return PICTAVEX_EDAMAGED;
        }
        *size = png->size();
        return PICTAVEX_OK;
    });
}

int pictavex_get_fitted_png(pictavex_ctx* ctx, uint32_t side, void* out, size_t out_size) {
    std::size_t size = 0;
    if (out == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (const int status = pictavex_get_fitted_png_size(ctx, side, &size); status != PICTAVEX_OK) {
        return status;
    }
    if (out_size < size) {
        return PICTAVEX_EBUFSIZ;
    }
    std::copy(ctx->png->begin(), ctx->png->end(), static_cast<std::uint8_t*>(out));
    return PICTAVEX_OK;
}

int pictavex_get_bmp_size(const pictavex_ctx* ctx, size_t* size) {
    if (size == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (const int ready = PreviewReady(ctx); ready != PICTAVEX_OK) {
        return ready;
    }
    *size = kBmpFileHeaderSize + ctx->thumbnail.m_dib->size();
    return PICTAVEX_OK;
}

int pictavex_get_bmp(const pictavex_ctx* ctx, void* out, size_t out_size) {
    std::size_t size = 0;
    if (out == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (const int status = pictavex_get_bmp_size(ctx, &size); status != PICTAVEX_OK) {
        return status;
    }
    if (out_size < size) {
        return PICTAVEX_EBUFSIZ;
    }
    return Guarded([&] {
        const MemoryBlock& dib = *ctx->thumbnail.m_dib;
        const auto header = DibBmpFileHeader(dib);
        auto* bytes = static_cast<std::uint8_t*>(out);
        std::copy(header.begin(), header.end(), bytes);
        std::copy(dib.begin(), dib.end(), bytes + header.size());
        return PICTAVEX_OK;
    });
}

}  // extern "C"

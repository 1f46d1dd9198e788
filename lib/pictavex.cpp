// The C API over the core: one thumbnail object per context, exceptions stopped at the door.
#include "lib/pictavex.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "dib/dib_picture.h"
#include "dib/dib_png.h"
#include "thumbnail/dwg_thumbnail.h"
#include "thumbnail/fitted_picture.h"

namespace {

constexpr std::size_t kRgbaSize = 4;

// 0xRRGGBB as the core's 0x00BBGGRR.
COLORREF ColorOf(std::uint32_t rgb) {
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

int StatusOf(const CDwgThumbnail& thumbnail) {
    switch (thumbnail.m_outcome) {
        case LoadOutcome::kPreview:
            return PICTAVEX_OK;
        case LoadOutcome::kNoPreview:
            return PICTAVEX_ENO_PREVIEW;
        case LoadOutcome::kDamagedPreview:
            return PICTAVEX_EDAMAGED;
        case LoadOutcome::kNotDrawing:
            return PICTAVEX_ENOT_DRAWING;
        case LoadOutcome::kOverLimit:
            return PICTAVEX_ELIMIT;
        case LoadOutcome::kFailed:
            return thumbnail.m_errorCause == ENOMEM ? PICTAVEX_ENOMEM : PICTAVEX_EREAD;
    }
    return PICTAVEX_EREAD;
}

// Runs a call, turning what the core raises into error codes.
template <typename Call>
int Guarded(Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return PICTAVEX_ENOMEM;
    } catch (...) {
        return PICTAVEX_EREAD;
    }
}

}  // namespace

struct pictavex_ctx {
    COLORREF background = kWhite;
    PreviewLimits limits;
    CDwgThumbnail thumbnail{kWhite};
    int status = PICTAVEX_ENOT_LOADED;
    // The last fitted picture, kept for the call that follows its size.
    std::optional<std::uint32_t> fittedSide;
    MemoryHandle fitted;
    std::optional<std::uint32_t> pngSide;
    MemoryHandle png;
    std::string readError;

    template <typename Load>
    int Take(Load load) {
        fitted.reset();
        fittedSide.reset();
        png.reset();
        pngSide.reset();
        thumbnail.SetBackground(background);
        thumbnail.m_limits = limits;
        status = Guarded([&] {
            load();
            return StatusOf(thumbnail);
        });
        // The core says "NAME: REASON"; the name is the caller's own.
        const std::string& error = thumbnail.m_error;
        readError = error.substr(std::min(error.size(), thumbnail.m_fileName.size() + 2));
        return status;
    }

    // The preview fitted inside side x side, made once per side.
    const MemoryBlock* Fitted(std::uint32_t side) {
        if (fittedSide != side) {
            fitted = FitDib(*thumbnail.m_dib, side, background);
            fittedSide = side;
        }
        return fitted.get();
    }

    // That picture as a PNG file, made once per side.
    const MemoryBlock* Png(std::uint32_t side) {
        if (pngSide != side) {
            const MemoryBlock* picture = Fitted(side);
            png = picture != nullptr ? DibEncodePng(*picture) : nullptr;
            pngSide = side;
        }
        return png.get();
    }
};

extern "C" {

pictavex_ctx* pictavex_ctx_new(void) {
    return new (std::nothrow) pictavex_ctx;
}

void pictavex_ctx_free(pictavex_ctx* ctx) {
    delete ctx;
}

int pictavex_set_background(pictavex_ctx* ctx, uint32_t rgb) {
    if (ctx == nullptr || rgb > 0xFFFFFF) {
        return PICTAVEX_EINVAL;
    }
    ctx->background = ColorOf(rgb);
    return PICTAVEX_OK;
}

int pictavex_set_limits(pictavex_ctx* ctx, uint32_t max_side, uint64_t max_preview_bytes,
                        uint64_t max_decode_bytes) {
    if (ctx == nullptr) {
        return PICTAVEX_EINVAL;
    }
    const PreviewLimits own;
    const auto limit = [](std::uint64_t asked, std::uint64_t most) {
        return asked == 0 ? most : std::min(asked, most);
    };
    ctx->limits.maxSide = static_cast<std::uint32_t>(limit(max_side, own.maxSide));
    ctx->limits.maxPreviewBytes = limit(max_preview_bytes, own.maxPreviewBytes);
    ctx->limits.maxDecodeBytes = limit(max_decode_bytes, own.maxDecodeBytes);
    return PICTAVEX_OK;
}

int pictavex_load_file(pictavex_ctx* ctx, const char* path) {
    if (ctx == nullptr || path == nullptr) {
        return PICTAVEX_EINVAL;
    }
    return ctx->Take([&] { ctx->thumbnail.Load(path); });
}

int pictavex_load_buffer(pictavex_ctx* ctx, const void* data, size_t size) {
    if (ctx == nullptr || (data == nullptr && size != 0)) {
        return PICTAVEX_EINVAL;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return ctx->Take([&] {
        ctx->thumbnail.Load(
            "buffer",
            [bytes](std::uint64_t offset, std::uint8_t* buffer, std::size_t count, int&) {
                std::memcpy(buffer, bytes + offset, count);  // the reader keeps within `size`
                return static_cast<std::int64_t>(count);
            },
            size);
    });
}

int pictavex_load_stream(pictavex_ctx* ctx, pictavex_read_fn* read, void* user, uint64_t size) {
    if (ctx == nullptr || read == nullptr) {
        return PICTAVEX_EINVAL;
    }
    return ctx->Take([&] {
        ctx->thumbnail.Load(
            "stream",
            [read, user](std::uint64_t offset, std::uint8_t* buffer, std::size_t count,
                         int& cause) -> std::int64_t {
                std::size_t got = 0;
                cause = read(user, offset, buffer, count, &got);
                return cause != 0 || got > count ? -1 : static_cast<std::int64_t>(got);
            },
            size);
    });
}

int pictavex_get_errno(const pictavex_ctx* ctx) {
    return ctx != nullptr && ctx->status == PICTAVEX_EREAD ? ctx->thumbnail.m_errorCause : 0;
}

const char* pictavex_get_read_error(const pictavex_ctx* ctx) {
    return ctx != nullptr && ctx->status == PICTAVEX_EREAD ? ctx->readError.c_str() : "";
}

const char* pictavex_get_version_text(const pictavex_ctx* ctx) {
    return ctx != nullptr ? ctx->thumbnail.m_version.c_str() : "";
}

int pictavex_get_preview(const pictavex_ctx* ctx, int* kind, uint32_t* width, uint32_t* height) {
    if (ctx == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (ctx->status != PICTAVEX_OK) {
        return PICTAVEX_ENOT_LOADED;
    }
    const CDwgThumbnail& thumbnail = ctx->thumbnail;
    const bool png = thumbnail.m_entries.at(*thumbnail.m_previewEntry).code == kPng;
    const CSize size = thumbnail.GetDimensions();
    if (kind != nullptr) {
        *kind = png ? PICTAVEX_PREVIEW_PNG : PICTAVEX_PREVIEW_BITMAP;
    }
    if (width != nullptr) {
        *width = static_cast<std::uint32_t>(std::abs(size.cx));
    }
    if (height != nullptr) {
        *height = static_cast<std::uint32_t>(std::abs(size.cy));
    }
    return PICTAVEX_OK;
}

int pictavex_get_fitted_size(pictavex_ctx* ctx, uint32_t side, uint32_t* width, uint32_t* height) {
    if (ctx == nullptr || width == nullptr || height == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (ctx->status != PICTAVEX_OK) {
        return PICTAVEX_ENOT_LOADED;
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
    if (stride < std::size_t{width} * kRgbaSize ||
        out_size < stride * (height - 1) + std::size_t{width} * kRgbaSize) {
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
    if (ctx == nullptr || size == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (ctx->status != PICTAVEX_OK) {
        return PICTAVEX_ENOT_LOADED;
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
    if (ctx == nullptr || size == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (ctx->status != PICTAVEX_OK) {
        return PICTAVEX_ENOT_LOADED;
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
    const MemoryBlock& dib = *ctx->thumbnail.m_dib;
    const auto header = DibBmpFileHeader(dib);
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::copy(header.begin(), header.end(), bytes);
    std::copy(dib.begin(), dib.end(), bytes + header.size());
    return PICTAVEX_OK;
}

const char* pictavex_strerror(int err) {
    switch (err) {
        case PICTAVEX_OK:
            return "success";
        case PICTAVEX_EINVAL:
            return "invalid argument";
        case PICTAVEX_ENOMEM:
            return "out of memory";
        case PICTAVEX_EREAD:
            return "the drawing could not be read";
        case PICTAVEX_ENOT_DRAWING:
            return "not a DWG drawing";
        case PICTAVEX_ENO_PREVIEW:
            return "no preview";
        case PICTAVEX_EDAMAGED:
            return "damaged preview";
        case PICTAVEX_ELIMIT:
            return "preview over a limit";
        case PICTAVEX_ENOT_LOADED:
            return "no drawing with a preview loaded";
        case PICTAVEX_EBUFSIZ:
            return "buffer too small";
        default:
            return "unknown error";
    }
}

const char* pictavex_version_string(void) {
    return PICTAVEX_VERSION;
}

}  // extern "C"

// The C API over the core: contexts, settings, loading, and what a load found.
#include "lib/pictavex.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

#include "lib/context.h"

namespace {

// 0xRRGGBB as the core's 0x00BBGGRR.
COLORREF ColorOf(std::uint32_t rgb) {
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

// Whether the held bitmap was decoded from a PNG image; DXF drawings keep bitmaps alone.
bool StoredAsPng(const CDwgThumbnail& thumbnail) {
    const std::optional<std::size_t> entry = thumbnail.m_previewEntry;
    return thumbnail.m_format == DrawingFormat::kDwg && entry &&
           *entry < thumbnail.m_entries.size() && thumbnail.m_entries[*entry].code == kPng;
}

}  // namespace

extern "C" {

pictavex_ctx* pictavex_ctx_new(void) {
    try {
        return new pictavex_ctx;
    } catch (...) {
        return nullptr;
    }
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

int pictavex_set_scan_limit(pictavex_ctx* ctx, uint64_t max_scan_bytes) {
    if (ctx == nullptr) {
        return PICTAVEX_EINVAL;
    }
    ctx->limits.maxScanBytes = max_scan_bytes == 0 ? kDefaultScanBytes : max_scan_bytes;
    return PICTAVEX_OK;
}

int pictavex_set_draw(pictavex_ctx* ctx, int draw) {
    if (ctx == nullptr) {
        return PICTAVEX_EINVAL;
    }
    switch (draw) {
        case PICTAVEX_DRAW_STORED:
            ctx->draw = DrawChoice::kStoredOnly;
            return PICTAVEX_OK;
        case PICTAVEX_DRAW_MISSING:
            ctx->draw = DrawChoice::kStoredElseDrawn;
            return PICTAVEX_OK;
        case PICTAVEX_DRAW_ALWAYS:
            ctx->draw = DrawChoice::kAlwaysDrawn;
            return PICTAVEX_OK;
        default:
            return PICTAVEX_EINVAL;
    }
}

int pictavex_set_draw_limits(pictavex_ctx* ctx, uint64_t max_entities, uint32_t max_milliseconds) {
    if (ctx == nullptr) {
        return PICTAVEX_EINVAL;
    }
    const PreviewLimits own;
    ctx->limits.maxDrawVisits = max_entities == 0 ? own.maxDrawVisits : max_entities;
    ctx->limits.maxDrawTime =
        max_milliseconds == 0 ? own.maxDrawTime : std::chrono::milliseconds(max_milliseconds);
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

int pictavex_get_picture_kind(const pictavex_ctx* ctx, int* kind) {
    if (kind == nullptr) {
        return PICTAVEX_EINVAL;
    }
    if (const int ready = PreviewReady(ctx); ready != PICTAVEX_OK) {
        return ready;
    }
    *kind = ctx->thumbnail.Drawn() ? PICTAVEX_PICTURE_DRAWN : PICTAVEX_PICTURE_STORED;
    return PICTAVEX_OK;
}

int pictavex_get_preview(const pictavex_ctx* ctx, int* kind, uint32_t* width, uint32_t* height) {
    if (const int ready = PreviewReady(ctx); ready != PICTAVEX_OK) {
        return ready;
    }
    if (ctx->thumbnail.Drawn()) {  // what was stored: none, or a damaged one
        return ctx->thumbnail.m_storedOutcome == LoadOutcome::kDamagedPreview
                   ? PICTAVEX_EDAMAGED
                   : PICTAVEX_ENO_PREVIEW;
    }
    return Guarded([&] {
        const CDwgThumbnail& thumbnail = ctx->thumbnail;
        const CSize size = thumbnail.GetDimensions();
        if (kind != nullptr) {
            *kind = StoredAsPng(thumbnail) ? PICTAVEX_PREVIEW_PNG : PICTAVEX_PREVIEW_BITMAP;
        }
        if (width != nullptr) {
            *width = static_cast<std::uint32_t>(std::abs(size.cx));
        }
        if (height != nullptr) {
            *height = static_cast<std::uint32_t>(std::abs(size.cy));
        }
        return PICTAVEX_OK;
    });
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
            return "not a DWG or DXF drawing";
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

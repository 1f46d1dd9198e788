#pragma once
// What a context of the C API holds: one thumbnail object, the caller's settings, and the
// pictures last made of the loaded drawing. For lib/ alone.

#include <cstdint>
#include <new>
#include <optional>
#include <string>

#include "lib/pictavex.h"
#include "thumbnail/dwg_thumbnail.h"

// The API's code for what the last load found.
int StatusOf(const CDwgThumbnail& thumbnail);

// Runs a call, turning what the core raises into error codes: none crosses the API.
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

struct pictavex_ctx {
    COLORREF background = kWhite;
    PreviewLimits limits;
    DrawChoice draw = DrawChoice::kStoredOnly;
    CDwgThumbnail thumbnail{kWhite};
    int status = PICTAVEX_ENOT_LOADED;
    // The last fitted picture and its PNG file, kept for the call that follows their size.
    std::optional<std::uint32_t> fittedSide;
    MemoryHandle fitted;
    std::optional<std::uint32_t> pngSide;
    MemoryHandle png;
    std::string readError;

    // Loads a drawing through `load`, with the context's settings; the API's code.
    template <typename Load>
    int Take(Load load) {
        Forget();
        status = Guarded([&] {
            load();
            return StatusOf(thumbnail);
        });
        KeepReadError();
        return status;
    }
    // The preview fitted inside side x side, made once per side; null when it cannot be.
    const MemoryBlock* Fitted(std::uint32_t side);
    // That picture as a PNG file, made once per side.
    const MemoryBlock* Png(std::uint32_t side);

private:
    void Forget();
    void KeepReadError();
};

// Whether a call may ask for the loaded drawing's preview: PICTAVEX_OK, or why not.
inline int PreviewReady(const pictavex_ctx* ctx) {
    return ctx == nullptr               ? PICTAVEX_EINVAL
           : ctx->status != PICTAVEX_OK ? PICTAVEX_ENOT_LOADED
                                        : PICTAVEX_OK;
}

#include "lib/context.h"

#include <algorithm>
#include <cerrno>

#include "dib/dib_png.h"
#include "thumbnail/fitted_picture.h"

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

void pictavex_ctx::Forget() {
    fitted.reset();
    fittedSide.reset();
    png.reset();
    pngSide.reset();
    thumbnail.SetBackground(background);
    thumbnail.m_limits = limits;
    thumbnail.m_drawChoice = draw;
    thumbnail.m_drawSide = kDefaultDrawSide;
}

void pictavex_ctx::KeepReadError() {
    // The core says "NAME: REASON"; the name is the caller's own.
    const std::string& error = thumbnail.m_error;
    readError = error.substr(std::min(error.size(), thumbnail.m_fileName.size() + 2));
}

const MemoryBlock* pictavex_ctx::Fitted(std::uint32_t side) {
    if (fittedSide != side) {
        fitted = thumbnail.Drawn() ? thumbnail.DrawAt(side == 0 ? kDefaultDrawSide : side)
                                   : FitDib(*thumbnail.m_dib, side, background);
        fittedSide = side;
    }
    return fitted.get();
}

const MemoryBlock* pictavex_ctx::Png(std::uint32_t side) {
    if (pngSide != side) {
        const MemoryBlock* picture = Fitted(side);
        png = picture != nullptr ? DibEncodePng(*picture) : nullptr;
        pngSide = side;
    }
    return png.get();
}

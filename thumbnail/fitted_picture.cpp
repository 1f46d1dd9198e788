#include "thumbnail/fitted_picture.h"

#include <cstdlib>
#include <memory>

#include "dib/dib_scale.h"

namespace {

bool Fits(CSize size, std::uint32_t side) {
    return side == 0 || (static_cast<std::uint32_t>(std::abs(size.cx)) <= side &&
                         static_cast<std::uint32_t>(std::abs(size.cy)) <= side);
}

}  // namespace

MemoryHandle FitDib(const MemoryBlock& dib, std::uint32_t size, COLORREF background) {
    if (MemoryHandle shrunk = DibShrinkToFit(dib, size, background)) {
        return shrunk;
    }
    if (!Fits({DibGetWidth(dib), DibGetHeight(dib)}, size)) {
        return nullptr;  // a picture that cannot be shrunk
    }
    return std::make_unique<MemoryBlock>(dib);
}

FittedPicture FitPicture(const std::string& path, std::uint32_t size, COLORREF background) {
    CDwgThumbnail thumbnail(background);
    thumbnail.Load(path);
    FittedPicture fitted;
    fitted.outcome = thumbnail.m_outcome;
    fitted.error = thumbnail.m_error;
    if (fitted.outcome == LoadOutcome::kPreview) {
        fitted.dib = FitDib(*thumbnail.m_dib, size, background);
        if (!fitted.dib) {
            fitted.outcome = LoadOutcome::kDamagedPreview;
        }
    }
    return fitted;
}

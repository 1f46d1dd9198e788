#include "thumbnail/fitted_picture.h"

#include <cstdlib>

namespace {

bool Fits(CSize size, std::uint32_t side) {
    return side == 0 || (static_cast<std::uint32_t>(std::abs(size.cx)) <= side &&
                         static_cast<std::uint32_t>(std::abs(size.cy)) <= side);
}

}  // namespace

FittedPicture FitPicture(const std::string& path, std::uint32_t size, COLORREF background) {
    CDwgThumbnail thumbnail(background);
    thumbnail.Load(path);
    FittedPicture fitted;
    fitted.outcome = thumbnail.m_outcome;
    fitted.error = thumbnail.m_error;
    if (fitted.outcome == LoadOutcome::kPreview) {
        thumbnail.ShrinkToFit(size);
        if (Fits(thumbnail.GetDimensions(), size)) {
            fitted.dib = std::move(thumbnail.m_dib);
        } else {
            fitted.outcome = LoadOutcome::kDamagedPreview;  // a picture that cannot be shrunk
        }
    }
    return fitted;
}

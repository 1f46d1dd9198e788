#pragma once

#include <cstdint>
#include <string>

#include "thumbnail/dwg_thumbnail.h"

// What a thumbnail of a drawing shows, whoever asks for it: the preview on `background`,
// shrunk to fit in size x size (0: as stored), the picture `pictavex -f png -s size` writes.
struct FittedPicture {
    LoadOutcome outcome = LoadOutcome::kFailed;
    MemoryHandle dib;   // with kPreview: the picture
    std::string error;  // with kFailed: why the drawing could not be read
};

// A loaded preview (recoloured to `background` already) fitted in size x size: shrunk, or a
// copy where it fits; null for a picture that cannot be shrunk.
MemoryHandle FitDib(const MemoryBlock& dib, std::uint32_t size, COLORREF background);

// Nothing is printed: `error` says why a drawing could not be read.
FittedPicture FitPicture(const std::string& path, std::uint32_t size, COLORREF background);

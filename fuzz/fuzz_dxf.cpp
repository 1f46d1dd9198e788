// Feeds arbitrary bytes to the drawing reader as a DXF drawing held in memory: whatever they
// are, a preview is held exactly when the outcome says so, and a held one is a whole bitmap
// no larger than the input could hold.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dib/dib.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReadSource source = [data, size](std::uint64_t offset, std::uint8_t* buffer,
                                           std::size_t count, int&) -> std::int64_t {
        const std::size_t got = offset >= size ? 0 : std::min<std::size_t>(count, size - offset);
        std::memcpy(buffer, data + offset, got);
        return static_cast<std::int64_t>(got);
    };
    CDwgThumbnail thumbnail(kWhite);
    thumbnail.Load("input.dxf", source, size);
    const bool held = thumbnail.m_dib != nullptr;
    Check(held == (thumbnail.m_outcome == LoadOutcome::kPreview));
    if (thumbnail.m_format == DrawingFormat::kDxf) {
        Check(thumbnail.m_outcome != LoadOutcome::kNotDrawing);
    }
    if (held) {
        Check(DibIsComplete(*thumbnail.m_dib) && thumbnail.m_dib->size() <= size);
        thumbnail.ShrinkToFit(32);
        Check(thumbnail.m_dib != nullptr);
    }
    return 0;
}

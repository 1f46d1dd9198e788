// The preview of a DXF drawing, taken as a DWG drawing's bitmap is.
#include <algorithm>

namespace {

constexpr char kScanLimitReason[] = "no preview found within the bytes a search may read";

}  // namespace

#include "thumbnail/drawing_start.h"
#include "thumbnail/dwg_thumbnail.h"
#include "thumbnail/dxf_preview.h"

void CDwgThumbnail::ReadDxf(CFile& file) {
    // The start that tells a drawing also holds $ACADVER, near the top of the header.
    MemoryBlock start(
        static_cast<std::size_t>(std::min<std::uint64_t>(kDrawingStartBytes, file.GetLength())));
    file.Seek(0);
    start.resize(file.Read(start.data(), start.size()));
    if (!BeginsAsDrawing(start)) {
        m_outcome = LoadOutcome::kNotDrawing;
        return;
    }
    const DxfKind kind = DxfKindOf(start);
    m_format = DrawingFormat::kDxf;
    m_version = DxfVersion(start, kind);
    start = {};
    DxfPreview preview = ReadDxfPreview(
        file, kind, [this](std::uint64_t count) { return WithinLimits(count, 0, 0); },
        m_limits.maxScanBytes);
    switch (preview.state) {
        case DxfPreviewState::kScanLimit:
            m_outcome = LoadOutcome::kOverLimit;
            m_error = m_fileName + ": " + kScanLimitReason;
            return;
        case DxfPreviewState::kNone:
        case DxfPreviewState::kRefused:  // the outcome says so already
            return;
        case DxfPreviewState::kDamaged:
            TakeDib(nullptr);
            return;
        case DxfPreviewState::kWhole: {
            const std::uint64_t stored = preview.bitmap->size();
            TakeStoredDib(std::move(preview.bitmap), stored);
            return;
        }
    }
}

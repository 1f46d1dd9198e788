// The preview of a DXF drawing, taken as a DWG drawing's bitmap is.
#include <algorithm>

#include "thumbnail/drawing_start.h"
#include "thumbnail/dwg_thumbnail.h"
#include "thumbnail/dxf_preview.h"

namespace {

// Where a DXF header keeps $ACADVER: near the top of the file.
constexpr std::size_t kDxfStartBytes = 64 * 1024;

}  // namespace

void CDwgThumbnail::ReadDxf(CFile& file) {
    MemoryBlock start(
        static_cast<std::size_t>(std::min<std::uint64_t>(kDxfStartBytes, file.GetLength())));
    file.Seek(0);
    start.resize(file.Read(start.data(), start.size()));
    const DxfKind kind = DxfKindOf(start);
    if (kind == DxfKind::kNone) {
        m_outcome = LoadOutcome::kNotDrawing;
        return;
    }
    m_format = DrawingFormat::kDxf;
    m_version = DxfVersion(start, kind);
    start = {};
    DxfPreview preview = ReadDxfPreview(
        file, kind, [this](std::uint64_t count) { return WithinLimits(count, 0, 0); });
    switch (preview.state) {
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

// The preview of a DXF drawing, taken as a DWG drawing's bitmap is.
#include <algorithm>

namespace {

constexpr char kScanLimitReason[] = "no preview found within the bytes a search may read";
constexpr char kDrawLimitReason[] = "drawing it takes more than the limits allow";

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
    ReadDxfStored(file, kind);
    if (m_drawChoice == DrawChoice::kAlwaysDrawn ||
        (m_drawChoice == DrawChoice::kStoredElseDrawn &&
         (m_outcome == LoadOutcome::kNoPreview || m_outcome == LoadOutcome::kDamagedPreview))) {
        DrawDxf(file, kind);
    }
}

void CDwgThumbnail::ReadDxfStored(CFile& file, DxfKind kind) {
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

void CDwgThumbnail::DrawDxf(CFile& file, DxfKind kind) {
    const DrawLimits limits{m_limits.maxScanBytes, m_limits.maxDecodeBytes / 2,
                            m_limits.maxDrawVisits, m_limits.maxDrawTime};
    auto drawing = std::make_shared<const DxfDrawing>(ReadDxfDrawing(file, kind, limits));
    switch (drawing->outcome) {
        case DrawOutcome::kNothing:
            return;  // what the stored preview was stands
        case DrawOutcome::kDamaged:
            if (m_outcome == LoadOutcome::kNoPreview) {
                m_outcome = LoadOutcome::kDamagedPreview;  // nothing whole to show
            }
            return;
        case DrawOutcome::kOverLimit:
            ReleasePreview();
            m_outcome = LoadOutcome::kOverLimit;
            m_error = m_fileName + ": " + kDrawLimitReason;
            return;
        case DrawOutcome::kDrawn:
            break;
    }
    m_storedOutcome = m_outcome;
    ReleasePreview();
    m_drawing = std::move(drawing);
    TakeDrawn(DrawAt(m_drawSide));
    if (m_outcome != LoadOutcome::kPreview) {
        m_drawing.reset();
        m_error = m_fileName + ": " + kDrawLimitReason;
    }
}

MemoryHandle CDwgThumbnail::DrawAt(std::uint32_t side) const {
    return m_drawing ? DrawPicture(*m_drawing, side, m_background) : nullptr;
}

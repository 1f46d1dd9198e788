#include "render/dxf_drawing.h"

#include "render/dxf_document.h"
#include "render/rasterise.h"

DxfDrawing ReadDxfDrawing(CFile& file, DxfKind kind, const DrawLimits& limits) {
    DxfDrawing drawing;
    drawing.primitives = std::make_unique<CPrimitiveList>(limits.maxHeldBytes / sizeof(HeldPoint));
    file.Seek(kind == DxfKind::kText ? 0 : static_cast<std::int64_t>(kBinaryDxfSentinel.size()));
    DxfDocument document;
    ResolveLimits resolveLimits{limits.maxVisits,
                                std::chrono::steady_clock::now() + limits.maxTime};
    CEntityResolver resolver(document, *drawing.primitives, resolveLimits);
    const DocumentStatus status =
        ReadDxfDocument(file, kind, {limits.maxScanBytes, limits.maxHeldBytes}, document,
                        [&](const DxfEntity& entity) { return resolver.Resolve(entity); });
    resolver.Finish();
    drawing.counts = resolver.Counts();
    if (resolver.Stopped() || status == DocumentStatus::kScanLimit ||
        status == DocumentStatus::kHeldLimit) {
        drawing.outcome = DrawOutcome::kOverLimit;
        drawing.primitives.reset();
        return drawing;
    }
    drawing.extents = drawing.primitives->Extents();
    if (drawing.extents.empty) {
        drawing.extents = document.headerExtents;
    }
    if (status == DocumentStatus::kDamaged && drawing.primitives->Shapes().empty()) {
        drawing.outcome = DrawOutcome::kDamaged;
    } else {
        drawing.outcome = drawing.extents.empty ? DrawOutcome::kNothing : DrawOutcome::kDrawn;
    }
    return drawing;
}

MemoryHandle DrawPicture(const DxfDrawing& drawing, std::uint32_t side, COLORREF background) {
    if (drawing.outcome != DrawOutcome::kDrawn || !drawing.primitives) {
        return nullptr;
    }
    return Rasterise(*drawing.primitives, FrameFor(drawing.extents, side), background);
}

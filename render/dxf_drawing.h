#pragma once
// A DXF drawing drawn from its geometry: read once into primitives, which can then be put
// on pixels at any side.

#include <chrono>
#include <cstdint>
#include <memory>

#include "dib/dib.h"
#include "platform/file.h"
#include "render/dxf_groups.h"
#include "render/dxf_resolve.h"
#include "render/primitives.h"

// What drawing one drawing may take. The points and entities make the picture the same on
// every machine; the time is a safety net alone.
struct DrawLimits {
    std::uint64_t maxScanBytes = 0;  // bytes of the file read
    std::uint64_t maxHeldBytes = 0;  // bytes of blocks held, and of points made
    std::uint64_t maxVisits = 0;     // entities resolved, each copy of a block's counted
    std::chrono::milliseconds maxTime{0};
};

// Entities a drawing may resolve by default: a few seconds' work at most.
inline constexpr std::uint64_t kDefaultDrawVisits = 8u << 20;
inline constexpr std::chrono::milliseconds kDefaultDrawTime{20000};

enum class DrawOutcome {
    kDrawn,
    kNothing,    // nothing to draw, and no extents to show
    kDamaged,    // groups no DXF writer writes
    kOverLimit,  // a limit ran out: no picture that depends on where it did
};

struct DxfDrawing {
    DrawOutcome outcome = DrawOutcome::kNothing;
    std::unique_ptr<CPrimitiveList> primitives;
    Box extents;  // of the primitives; the header's where nothing is drawn
    DrawCounts counts;
};

// Reads the drawing from the start of `file`. Read errors are raised as CFileException.
DxfDrawing ReadDxfDrawing(CFile& file, DxfKind kind, const DrawLimits& limits);

// Its picture inside side x side, on `background`; null when it cannot be made.
MemoryHandle DrawPicture(const DxfDrawing& drawing, std::uint32_t side, COLORREF background);

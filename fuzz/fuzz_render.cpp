// Feeds arbitrary bytes to the renderer as a DXF drawing held in memory, drawn whatever it
// stores: a picture is held exactly when the outcome says so, it is a whole 24-bit bitmap
// inside the side asked, and it can be drawn again at another side.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dib/dib.h"
#include "thumbnail/dwg_thumbnail.h"

namespace {

constexpr std::uint32_t kSide = 48;
constexpr std::uint32_t kOtherSide = 17;
// Small enough that no input takes the fuzzer's second, large enough for real drawings.
constexpr std::uint64_t kVisits = 20000;
constexpr std::uint64_t kDecodeBytes = 8u << 20;

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool Fits(const MemoryBlock& dib, std::uint32_t side) {
    return DibIsComplete(dib) && DibGetBitCount(dib) == 24 && DibGetWidth(dib) >= 1 &&
           static_cast<std::uint32_t>(DibGetWidth(dib)) <= side && DibGetHeight(dib) >= 1 &&
           static_cast<std::uint32_t>(DibGetHeight(dib)) <= side;
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
    thumbnail.m_drawChoice = DrawChoice::kAlwaysDrawn;
    thumbnail.m_drawSide = kSide;
    thumbnail.m_limits.maxDrawVisits = kVisits;
    thumbnail.m_limits.maxDecodeBytes = kDecodeBytes;
    thumbnail.Load("input.dxf", source, size);
    Check((thumbnail.m_dib != nullptr) == (thumbnail.m_outcome == LoadOutcome::kPreview));
    if (!thumbnail.Drawn()) {
        return 0;
    }
    Check(thumbnail.m_outcome == LoadOutcome::kPreview && Fits(*thumbnail.m_dib, kSide));
    thumbnail.ShrinkToFit(kOtherSide);
    Check(thumbnail.m_dib != nullptr && Fits(*thumbnail.m_dib, kOtherSide));
    thumbnail.SetBackground(kBlack);
    Check(thumbnail.m_dib != nullptr && Fits(*thumbnail.m_dib, kOtherSide));
    return 0;
}

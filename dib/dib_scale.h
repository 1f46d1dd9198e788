#pragma once

#include <cstdint>

#include "dib/dib.h"
#include "platform/memory_block.h"

// The picture of a whole bitmap shrunk to fit inside maxSide x maxSide, keeping its aspect
// ratio, as a 24-bit bitmap; null when it fits already, when maxSide is 0, or for a block
// that is not a whole bitmap. Each target pixel averages the source pixels its area covers
// (pixman's separable convolution with a box sampler), so that one-pixel lines fade but
// never vanish. Transparency is blended over the background. Short memory raises std::bad_alloc.
MemoryHandle DibShrinkToFit(const MemoryBlock& dib, std::uint32_t maxSide, COLORREF background);

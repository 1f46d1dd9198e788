#pragma once

#include "platform/memory_block.h"

// The bytes of a PNG file of the bitmap's picture, or null for a block that is not a whole
// bitmap.
MemoryHandle DibEncodePng(const MemoryBlock& dib);

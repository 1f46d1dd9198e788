#pragma once

#include "platform/output_file.h"
#include "platform/memory_block.h"

// Writes a whole bitmap as a PNG file showing the same picture: a palette bitmap as an
// indexed PNG with the same palette, any other as RGB, or RGBA where it holds alpha.
// 1 when written, 0 for a block that is not a whole bitmap; write errors are raised, and
// running out of memory raises std::bad_alloc.
int DibWritePngFile(const MemoryBlock& dib, COutputFile& file);
// The same PNG file's bytes, or null for a block that is not a whole bitmap.
MemoryHandle DibEncodePng(const MemoryBlock& dib);

#pragma once

#include <QImage>

#include "platform/memory_block.h"

// The picture of a whole bitmap as a QImage with the very pixels its PNG file holds; a null
// image for a block that is not a whole bitmap.
QImage PictureImage(const MemoryBlock& dib);

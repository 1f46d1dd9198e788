#pragma once

#include <string>

#include "tests/dwg_builder.h"

// Checks a BMP file the way a careful reader would, independently of the code that wrote it:
// the type, a size field equal to the file's length, a header size readers know, and a pixel
// offset that leaves room for header, colour table and masks and keeps every pixel row
// inside the file. Empty when all holds; otherwise what does not.
std::string BmpProblem(const Bytes& bmp);

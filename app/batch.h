#pragma once

#include <string>

#include "thumbnail/dwg_thumbnail.h"

// What the options seen so far ask of the file patterns after them.
struct BatchState {
    bool verbose = true;
    std::string outputDirectory;  // empty: beside the drawing
    bool writeFailed = false;
};

// Extracts the bitmap of every drawing the pattern matches.
void ProcessPattern(const std::string& pattern, CDwgThumbnail& thumbnail, BatchState& state);

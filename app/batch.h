#pragma once

#include <string>

#include "thumbnail/dwg_thumbnail.h"

// What the options seen so far ask of the file specifications after them.
struct BatchState {
    bool verbose = true;
    std::string outputDirectory;  // empty: beside the drawing
    bool writeFailed = false;
};

// Extracts the bitmap of every drawing the specification matches.
void ProcessSpecification(const std::string& specification, CDwgThumbnail& thumbnail,
                          BatchState& state);

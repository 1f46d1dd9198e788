#pragma once

#include <string>
#include <unordered_map>

#include "app/messages.h"
#include "app/option_values.h"
#include "thumbnail/dwg_thumbnail.h"

// What the options seen so far ask of the file patterns after them, and what the run has
// done so far.
struct BatchState {
    bool verbose = true;
    std::string outputDirectory;  // empty: beside the drawing
    ImageFormat format = ImageFormat::kBmp;
    std::uint32_t maxSide = 0;  // 0: as stored
    bool failed = false;        // a drawing could not be read, or a BMP could not be written
    RunCounts counts;
    // Each BMP written in this run, by its normalised path, with the drawing it came from:
    // a later drawing of the same output name must not replace it.
    std::unordered_map<std::string, std::string> written;
};

// Extracts the bitmap of every drawing the pattern matches.
void ProcessPattern(const std::string& pattern, CDwgThumbnail& thumbnail, BatchState& state);
// Extracts the bitmap of the drawing of exactly this name, wildcards and all.
void ProcessName(const std::string& name, CDwgThumbnail& thumbnail, BatchState& state);

#pragma once

#include <string>

#include "app/drawing_job.h"

// What a catalogue learns about one drawing; the thumbnail is null when it was never read.
struct DrawingFacts {
    const std::string& path;
    const CDwgThumbnail* thumbnail = nullptr;
    CSize previewSize;  // as stored, before any shrinking
    std::uint16_t previewBits = 0;
    const std::string* output = nullptr;  // the file written, or that a dry run would write
    DrawingStatus status = DrawingStatus::kFailed;
    const std::string* error = nullptr;
};

// One line of JSON Lines, line feed included.
std::string DrawingJsonLine(const DrawingFacts& facts);

#pragma once
// Makes DXF drawings, text or binary, with a THUMBNAILIMAGE section as writers make it, and
// broken ones on request.

#include <cstdint>
#include <optional>
#include <string>

#include "tests/dwg_builder.h"

enum class DxfForm { kText, kBinary8, kBinary16 };

struct DxfSpec {
    DxfForm form = DxfForm::kText;
    std::string lineEnd = "\n";  // text DXF
    std::string version = "AC1015";
    bool section = true;                  // whether there is a THUMBNAILIMAGE section
    Bytes preview{};                      // its bytes
    std::optional<std::int64_t> count{};  // group 90; by default the preview's size, none: -1
    std::size_t chunk = 127;              // preview bytes per group 310
    bool atEnd = true;                    // the section last, or before the entities
    std::size_t entityBytes = 0;          // comment text standing in for entities, about this much
    std::size_t lines = 0;                // LINE entities as writers write them
    std::string firstChunk{};             // text DXF: replaces the first group 310's value
    bool lowercase = false;               // text DXF: hexadecimal digits a to f, not A to F
    std::optional<std::size_t> cutTo{};   // the file cut to this many bytes
};

Bytes BuildDxf(const DxfSpec& spec);

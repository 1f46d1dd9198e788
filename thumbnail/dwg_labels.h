#pragma once

#include <cstdint>
#include <string_view>

// Names for what a drawing's bytes say, as catalogues show them.

// The release a drawing's version text stands for ("AC1018": "R2004"), or empty for a text
// the tool does not know.
std::string_view ReleaseOf(std::string_view version);

// "header", "bitmap", "metafile", "png", or "unknown" for an entry code the tool does not know.
std::string_view ImageKindOf(std::uint8_t code);

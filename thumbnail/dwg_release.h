#pragma once

#include <string_view>

// The release a drawing's version text stands for ("AC1018": "R2004"), or empty for a text
// the tool does not know.
std::string_view ReleaseOf(std::string_view version);

#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "thumbnail/dwg_thumbnail.h"

enum class ImageFormat { kBmp, kPng };

// A command line the tool cannot follow: said on stderr, and the run ends with status 1.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "bmp" or "png", in either case.
ImageFormat ParseFormat(std::string_view option, std::string_view value);
// The largest side in pixels, a decimal number; 0 means as stored.
std::uint32_t ParseSize(std::string_view option, std::string_view value);
// "missing", "always" or "never", in any case.
DrawChoice ParseDrawChoice(std::string_view option, std::string_view value);

// A pattern for the names a walk takes: a name, not a path, with '*' and '?'.
std::string ParseNamePattern(std::string_view option, std::string_view value);

// The number of workers; 0 means one for each processor the run may use.
unsigned ParseWorkers(std::string_view option, std::string_view value);
// Without -j: one for each processor, at most 8 (as GNU sort does): past a few, workers
// only queue for the same disk and directory.
unsigned DefaultWorkers();

// ".bmp" or ".png".
std::string_view ExtensionOf(ImageFormat format);

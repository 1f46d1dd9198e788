#include "app/option_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>

#include "platform/path.h"
#include "platform/processors.h"

namespace {

// Far above any preview: a larger size only means "as stored" again.
constexpr std::uint32_t kMaxSize = 65535;
// Far above any gain: each worker holds at most one preview.
constexpr unsigned kMaxWorkers = 256;
constexpr unsigned kMaxDefaultWorkers = 8;

// A decimal number from 0 to `max`, or nothing.
std::optional<std::uint32_t> ParseNumber(std::string_view value, std::uint32_t max) {
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        number > max) {
        return std::nullopt;
    }
    return number;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

ImageFormat ParseFormat(std::string_view option, std::string_view value) {
    const std::string format = Lower(value);
    if (format == "bmp") {
        return ImageFormat::kBmp;
    }
    if (format == "png") {
        return ImageFormat::kPng;
    }
    throw UsageError(std::string(option) + ": '" + std::string(value) +
                     "' is not a format (bmp or png)");
}

DrawChoice ParseDrawChoice(std::string_view option, std::string_view value) {
    const std::string choice = Lower(value);
    if (choice == "missing") {
        return DrawChoice::kStoredElseDrawn;
    }
    if (choice == "always") {
        return DrawChoice::kAlwaysDrawn;
    }
    if (choice == "never") {
        return DrawChoice::kStoredOnly;
    }
    throw UsageError(std::string(option) + ": '" + std::string(value) +
                     "' is not a choice of drawing (missing, always or never)");
}

std::uint32_t ParseSize(std::string_view option, std::string_view value) {
    const std::optional<std::uint32_t> size = ParseNumber(value, kMaxSize);
    if (!size) {
        throw UsageError(std::string(option) + ": '" + std::string(value) +
                         "' is not a size in pixels (0 to " + std::to_string(kMaxSize) + ")");
    }
    return *size;
}

std::string ParseNamePattern(std::string_view option, std::string_view value) {
    const std::string pattern(value);
    const PathParts parts = SplitPath(pattern);
    if (pattern.empty() || !parts.directory.empty()) {
        throw UsageError(std::string(option) + ": '" + pattern +
                         "' is not a name pattern (such as '*.dwg')");
    }
    return pattern;
}

unsigned ParseWorkers(std::string_view option, std::string_view value) {
    const std::optional<std::uint32_t> workers = ParseNumber(value, kMaxWorkers);
    if (!workers) {
        throw UsageError(std::string(option) + ": '" + std::string(value) +
                         "' is not a number of workers (0 to " + std::to_string(kMaxWorkers) + ")");
    }
    return *workers == 0 ? std::min(UsableProcessors(), kMaxWorkers) : *workers;
}

std::string_view ExtensionOf(ImageFormat format) {
    return format == ImageFormat::kPng ? ".png" : ".bmp";
}

unsigned DefaultWorkers() {
    return std::min(UsableProcessors(), kMaxDefaultWorkers);
}

#include "thumbnail/drawing_start.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

// Text DXF opens with group 0 and SECTION, or with a 999 comment, each on a line of its own.
bool BeginsAsTextDxf(std::string_view text) {
    const std::size_t code = text.find_first_not_of(kBlanks);
    if (code == std::string_view::npos) {
        return false;
    }
    text.remove_prefix(code);
    const std::size_t codeEnd = text.find_first_of(kBlanks);
    const std::string_view group = text.substr(0, codeEnd);
    if (codeEnd == std::string_view::npos ||
        text.substr(codeEnd).find_first_of("\r\n") == std::string_view::npos) {
        return false;
    }
    if (group == "999") {
        return true;
    }
    const std::size_t value = text.find_first_not_of(kBlanks, codeEnd);
    return group == "0" && value != std::string_view::npos &&
           text.substr(value).starts_with("SECTION");
}

}  // namespace

bool IsDwgVersion(std::string_view version) {
    const std::string_view release = version.substr(std::min<std::size_t>(2, version.size()));
    return version.starts_with("AC") && release.size() >= 3 && release.size() <= 4 &&
           release.find_first_not_of("0123456789.") == std::string_view::npos;
}

DxfKind DxfKindOf(std::span<const std::uint8_t> start) {
    const std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
    if (!text.starts_with(kBinaryDxfWords)) {
        return BeginsAsTextDxf(text) ? DxfKind::kText : DxfKind::kNone;
    }
    // The first group, 0 SECTION, says how wide codes are: "\0SECTION" or "\0\0SECTION".
    const std::string_view first = text.substr(std::min(text.size(), kBinaryDxfSentinel.size()));
    return first.starts_with(std::string_view("\0\0", 2)) ? DxfKind::kBinary16 : DxfKind::kBinary8;
}

bool BeginsAsDrawing(std::span<const std::uint8_t> start) {
    const std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
    const std::string_view version = text.substr(0, std::min(kDwgVersionBytes, text.find('\0')));
    return IsDwgVersion(version) || DxfKindOf(start) != DxfKind::kNone;
}

OutputGuard DrawingGuard(FileName source) {
    return {std::move(source), BeginsAsDrawing, kDrawingStartBytes};
}

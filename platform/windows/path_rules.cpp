#include "platform/path.h"

#include <algorithm>
#include <array>

#include "platform/file_exception.h"
#include "platform/windows/wide.h"

namespace {

constexpr std::array<std::string_view, 22> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
constexpr std::string_view kForbidden = "<>:\"|?*";
constexpr char kFirstPrintable = ' ';

bool SameLetters(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return upper(x) == upper(y); });
}

// A device's name, whatever follows its first dot and however many spaces end it.
bool IsDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    stem = stem.substr(0, stem.find_last_not_of(' ') + 1);
    return std::ranges::any_of(kDeviceNames,
                               [&](std::string_view device) { return SameLetters(stem, device); });
}

int NameFailure(std::string_view name, bool strictly) {
    if (name.empty() || name == "." || name == "..") {
        return 0;
    }
    if (IsDeviceName(name)) {
        return kReservedNameCause;
    }
    const bool changed = name.back() == ' ' || name.back() == '.';
    const bool unheld = std::ranges::any_of(name, [](char c) {
        return kForbidden.find(c) != std::string_view::npos ||
               static_cast<unsigned char>(c) < kFirstPrintable;
    });
    return strictly && (changed || unheld) ? kInvalidNameCause : 0;
}

}  // namespace

const std::string_view kPathSeparators = "\\/";

std::size_t DriveLength(std::string_view path) {
    const bool letter =
        !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

int CheckNameRules(std::string_view path, bool strictly) {
    if (path.starts_with("\\\\?\\")) {
        return 0;  // taken as it is, without the rules of Windows names
    }
    path.remove_prefix(DriveLength(path));
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find_first_of(kPathSeparators, start), path.size());
        if (const int failure = NameFailure(path.substr(start, end - start), strictly)) {
            return failure;
        }
        start = end + 1;
    }
    return 0;
}

bool ListedBefore(std::string_view a, std::string_view b) {
    const std::wstring wideA = Wide(a);
    const std::wstring wideB = Wide(b);
    const int order = ::CompareStringOrdinal(wideA.c_str(), static_cast<int>(wideA.size()),
                                             wideB.c_str(), static_cast<int>(wideB.size()), TRUE);
    // Names that differ only in case keep a fixed order of their own.
    return order == CSTR_EQUAL ? a < b : order == CSTR_LESS_THAN;
}

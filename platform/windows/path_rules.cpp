#include "platform/path.h"

const std::string_view kPathSeparators = "\\/";

std::size_t DriveLength(std::string_view path) {
    const bool letter =
        !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

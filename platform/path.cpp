#include "platform/path.h"

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    const std::size_t slash = path.find_last_of(kPathSeparators);
    const std::size_t nameStart = slash == std::string::npos ? DriveLength(path) : slash + 1;
    parts.directory = path.substr(0, nameStart);
    // Leading dots start a name, not an extension: ".plan" is a name of its own.
    const std::size_t stem = path.find_first_not_of('.', nameStart);
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = stem != std::string::npos && dot != std::string::npos && dot > stem;
    const std::size_t nameEnd = hasExtension ? dot : path.size();
    parts.baseName = path.substr(nameStart, nameEnd - nameStart);
    parts.extension = path.substr(nameEnd);
    return parts;
}

std::string WithoutTrailingSeparators(const std::string& path) {
    const std::size_t root = DriveLength(path) + 1;  // a drive and a separator, or a separator
    std::size_t end = path.size();
    while (end > root && kPathSeparators.find(path[end - 1]) != std::string_view::npos) {
        --end;
    }
    return path.substr(0, end);
}

std::string MakePath(const std::string& directory, const std::string& baseName,
                     const std::string& extension) {
    std::string path = directory;
    if (!path.empty() && kPathSeparators.find(path.back()) == std::string_view::npos &&
        path.size() != DriveLength(path)) {
        path += kPathSeparators.front();
    }
    path += baseName;
    if (!extension.empty() && extension.front() != '.') {
        path += '.';
    }
    path += extension;
    return path;
}

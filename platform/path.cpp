#include "platform/path.h"

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    parts.directory = path.substr(0, nameStart);
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= nameStart;
    const std::size_t nameEnd = hasExtension ? dot : path.size();
    parts.baseName = path.substr(nameStart, nameEnd - nameStart);
    parts.extension = path.substr(nameEnd);
    return parts;
}

std::string MakePath(const std::string& directory, const std::string& baseName,
                     const std::string& extension) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += baseName;
    if (!extension.empty() && extension.front() != '.') {
        path += '.';
    }
    path += extension;
    return path;
}

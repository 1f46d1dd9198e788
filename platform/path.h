#pragma once

#include <string>
#include <string_view>

// The characters that separate the parts of a path, the one written first: "/" on POSIX
// systems, "\\/" on Windows.
extern const std::string_view kPathSeparators;
// The bytes of a drive ("C:") that start a path: none on POSIX systems.
std::size_t DriveLength(std::string_view path);

// A path cut into the parts the output name is built from.
struct PathParts {
    std::string directory;  // through the last separator (or the drive), empty when none
    std::string baseName;
    std::string extension;  // from the last '.' after the name's leading dots, or empty
};

PathParts SplitPath(const std::string& path);

// Directory (with a separator added when missing, except after a bare drive), base name,
// and extension (with a '.' added when missing); empty parts add nothing.
std::string MakePath(const std::string& directory, const std::string& baseName,
                     const std::string& extension);

#pragma once

#include <string>

// A path cut into the parts the output name is built from.
struct PathParts {
    std::string directory;  // through the last '/', empty when there is none
    std::string baseName;
    std::string extension;  // from the last '.' of the name, empty when there is none
};

PathParts SplitPath(const std::string& path);

// Directory (with a '/' added when missing), base name, and extension (with a '.' added
// when missing); empty parts add nothing.
std::string MakePath(const std::string& directory, const std::string& baseName,
                     const std::string& extension);

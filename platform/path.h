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

// A folder's path without the separators that end it ("plans/" and "plans//" as "plans",
// "C:\\plans\\" as "C:\\plans"), as shells' completion writes them; a root ("/", "C:\\") keeps
// its own.
std::string WithoutTrailingSeparators(const std::string& path);

// Directory (with a separator added when missing, except after a bare drive), base name,
// and extension (with a '.' added when missing); empty parts add nothing.
std::string MakePath(const std::string& directory, const std::string& baseName,
                     const std::string& extension);

// 0, or why the system can hold no file or folder of this name: on Windows, a device's name
// (kReservedNameCause: NUL, COM1, ... with any extension) anywhere in it, or, with
// `strictly`, a name that Windows would quietly change (one that ends in a space or a dot)
// or cannot hold (a character such as '<' or '|'). Always 0 on POSIX systems.
int CheckNameRules(std::string_view path, bool strictly);

// Whether `a` comes before `b` in a folder's listing, as the system's own tools show it: byte
// order on POSIX, and on Windows without regard to case, as `dir` shows NTFS folders.
bool ListedBefore(std::string_view a, std::string_view b);

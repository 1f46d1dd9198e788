#pragma once

#include <string>

// Makes a directory and any missing parents, as `mkdir -p` does, with the usual permissions.
// 0 when it is there afterwards, else the errno value of the failure (ENOTDIR, EEXIST for a
// file in the way, EACCES, ...).
int CreateDirectories(const std::string& path);

// Makes the folders of `relative` (names joined by separators) one by one under `base`, which
// must be there: each one there already must be a folder itself, never a link to one, so that
// nothing made in them lands outside `base`. 0 when they are all there afterwards; else the
// errno value of the failure, ELOOP for a link, and in `failed` the folder it came at.
int CreateDirectoriesBelow(const std::string& base, const std::string& relative,
                           std::string& failed);

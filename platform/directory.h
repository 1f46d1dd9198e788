#pragma once

#include <string>

// Makes a directory and any missing parents, as `mkdir -p` does, with the usual permissions.
// 0 when it is there afterwards, else the errno value of the failure (ENOTDIR, EEXIST for a
// file in the way, EACCES, ...).
int CreateDirectories(const std::string& path);

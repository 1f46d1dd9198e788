#pragma once

#include <string>

// Makes one directory level with the usual permissions; failures (it exists, a parent is
// missing) are the caller's to ignore.
bool CreateDirectory(const std::string& path);

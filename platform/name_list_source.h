#pragma once
// Where a name list comes from, on each system: for platform/ alone.

#include <cstddef>
#include <string>

#include "platform/unique_fd.h"

inline constexpr int kStandardInput = 0;

// Opens a list file for reading; a closed descriptor, with errno set, when it cannot.
UniqueFd OpenList(const std::string& path);
// Reads at most `count` bytes: the count, 0 at the end, or -1 with errno set.
std::ptrdiff_t ReadList(int fd, char* buffer, std::size_t count);
// A whole list, neither UTF-16 nor with a byte-order mark, as UTF-8: what the system's own
// tools may write otherwise (a code page, as `dir` does on Windows) is converted.
std::string ListText(std::string bytes);

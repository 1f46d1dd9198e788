#pragma once

#include <string>
#include <vector>

// The names (not paths) of the entries a file pattern matches, sorted byte by byte.
// Only '*' and '?' in the last component are wildcards; they never match a leading '.',
// and "." and ".." are never among their matches. A pattern without wildcards
// matches the entry it names, whatever its type, when it exists.
std::vector<std::string> FindMatches(const std::string& pattern);

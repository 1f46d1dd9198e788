#pragma once
// The names of the hidden files that outputs wait under for a moment: for platform/ alone.

#include <string>
#include <string_view>

// A fresh name beside `target` that nobody can guess in advance: ".pictavex-" and 16
// hexadecimal digits.
std::string HiddenName(const std::string& target);
// Whether a directory entry has that form.
bool IsHiddenName(std::string_view name);
// The folder a path lies in ("." for a bare name).
std::string FolderOf(const std::string& path);
// True the first time a run asks about a folder, false after: its abandoned hidden files are
// looked for once.
bool FirstVisitOf(const std::string& folder);

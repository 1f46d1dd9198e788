#pragma once

#include <string>

// What the system calls an errno value, in its own words: the C library's text on POSIX
// systems, Windows' own message (FormatMessage) for the error it stands for on Windows.
std::string SystemErrorText(int cause);

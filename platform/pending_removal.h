#pragma once

#include <string>

// A file that must not outlive an interrupted run: while it is set, SIGINT, SIGTERM or SIGHUP
// removes it before the signal ends the process. One file at a time per thread; the caller
// keeps the string alive until ClearPendingRemoval().
void SetPendingRemoval(const std::string& path);
void ClearPendingRemoval();

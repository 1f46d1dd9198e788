#pragma once
// The cleanup that ends an interrupted run, for the system's own way of taking the signal:
// for platform/ alone.

#include <mutex>
#include <shared_mutex>
#include <string>

#include "platform/folder.h"

// Removes every registered hidden file and runs the hook; the lock it returns keeps new
// hidden names from appearing until the process ends.
std::unique_lock<std::shared_mutex> CleanUpForTermination();
// Removes one file at once, whatever its state.
void RemoveFileNow(const FileName& file);

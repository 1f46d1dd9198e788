#pragma once

#include <shared_mutex>
#include <string>

#include "platform/folder.h"

// What happens when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends a run: every hidden file the run
// has named is removed and the terminal is put back, then the signal ends the process as it
// would have. Signals that the caller ignores (nohup, a shell's background job) stay ignored.

// Blocks those signals and starts the thread that takes them. Call it first thing in main,
// before any other thread starts, so that every thread inherits the blocking.
void StartTerminationGuard();

// Held (shared) while a hidden name is made and registered, or renamed and forgotten: the
// signal's cleanup waits for these steps and none starts after it, so no hidden name escapes.
std::shared_lock<std::shared_mutex> HoldOffTermination();
void RegisterHiddenFile(const FileName& file);
void ForgetHiddenFile(const FileName& file);

// A function the cleanup runs too, such as putting the terminal back; nullptr for none.
void SetTerminationHook(void (*hook)());

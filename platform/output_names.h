#pragma once
// How a finished output gets its name: an unnamed file is linked under it, or, to replace an
// existing file in one step, waits for a moment under a hidden name beside it. Hidden files
// are locked for as long as a run uses them, so that one a killed run left behind can be told
// from one in use, and removed by the next run that writes into the same folder.

#include <string>

#include "platform/folder.h"
#include "platform/unique_fd.h"

// Links an unnamed file (O_TMPFILE) under `name`. 0 or an errno value (EEXIST: the name is
// taken). `throughProc` skips the direct link, as for a user whose kernel refuses it.
int LinkUnnamedFile(int fd, const FileName& name, bool throughProc = false);

// Gives an unnamed file a fresh hidden name beside `target`, locked and registered for
// removal should a signal end the run. 0 or an errno value.
int LinkUnderHiddenName(int fd, const FileName& target, FileName& hidden);

// Creates a new hidden file beside `target`, locked and registered likewise, for file systems
// that cannot make unnamed files. The descriptor, or a closed one with errno set.
UniqueFd CreateHiddenFile(const FileName& target, FileName& hidden);

// Puts the hidden file in the target's place in one step. 0 or an errno value.
int RenameHiddenFile(const FileName& hidden, const FileName& target);
void RemoveHiddenFile(const FileName& hidden);

// Removes the hidden files that killed runs left in the folder of `target`, once per folder
// and run. Only what can be shown to be a run's own is removed: a regular file (not a link),
// owned by the user, that begins as a BMP or PNG file, that no run holds locked, and that is
// not a drawing of this run. Anything else is left alone.
void RemoveAbandonedHiddenFiles(const FileName& target);
// Names a drawing of this run, which no cleanup may remove whatever its name.
void KeepFromCleanup(const FileName& drawing);

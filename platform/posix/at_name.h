#pragma once
// A file's name as the *at() system calls take it: a folder's descriptor (or the working
// folder's) and a name in it. For platform/posix alone.

#include <fcntl.h>

#include "platform/folder.h"

inline int AtFolder(const FileName& file) {
    return file.folder ? file.folder->Descriptor() : AT_FDCWD;
}

inline const char* AtName(const FileName& file) {
    return file.folder ? file.name.c_str() : file.path.c_str();
}

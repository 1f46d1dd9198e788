#pragma once
// Windows speaks UTF-16 and its own error codes; the rest of Pictavex speaks UTF-8 and errno.
// For platform/windows alone.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/folder.h"

std::wstring Wide(std::string_view utf8);
// A path for the system's file calls: past the old 260-character limit, the whole path with
// the "\\?\" prefix that lifts the limit.
std::wstring WidePath(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// The path the system is given for a file: a name in a held folder is found through the
// folder's path, which cannot change while the folder is held.
std::string SystemPath(const FileName& file);
// Where Windows found an open file or folder, with every link on the way resolved; empty
// when it cannot say.
std::wstring FinalPathOf(HANDLE handle);
// The errno value that stands for a Windows error code.
int ErrnoOf(DWORD error);
// The same for the calling thread's last error.
inline int LastErrno() {
    return ErrnoOf(::GetLastError());
}

// Marks an open file to be deleted when its last handle closes, or clears the mark.
bool SetDeleteOnClose(HANDLE handle, bool remove);

#include "platform/directory.h"

#include <algorithm>
#include <cerrno>

#include "platform/path.h"
#include "platform/windows/wide.h"

int CreateDirectories(const std::string& path) {
    // Windows would make "outs" of "outs " and then find no "outs \a.bmp": such a name is
    // refused before anything is made.
    if (const int failure = CheckNameRules(path, true); failure != 0) {
        return failure;
    }
    const std::wstring whole = WidePath(path);
    // Each folder on the way in turn: those there already, and a drive or a server, refuse.
    DWORD failure = ERROR_SUCCESS;
    for (std::size_t end = 0; end != std::wstring::npos;) {
        end = whole.find_first_of(L"\\/", end + 1);
        if (!::CreateDirectoryW(whole.substr(0, end).c_str(), nullptr)) {
            failure = ::GetLastError();
        }
    }
    const DWORD attributes = ::GetFileAttributesW(whole.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : EEXIST;
    }
    return ErrnoOf(failure);
}

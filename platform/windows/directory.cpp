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

int CreateDirectoriesBelow(const std::string& base, const std::string& relative,
                           std::string& failed) {
    failed = base;
    for (std::size_t start = 0; start < relative.size();) {
        const std::size_t end = std::min(relative.find_first_of("\\/", start), relative.size());
        failed = MakePath(failed, relative.substr(start, end - start), "");
        start = end + 1;
        if (const int refused = CheckNameRules(failed, true); refused != 0) {
            return refused;
        }
        const std::wstring path = WidePath(failed);
        if (::CreateDirectoryW(path.c_str(), nullptr)) {
            continue;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            return LastErrno();
        }
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return LastErrno();
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return ELOOP;  // a link or a junction
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return ENOTDIR;
        }
    }
    return 0;
}

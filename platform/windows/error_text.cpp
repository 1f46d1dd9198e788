#include "platform/error_text.h"

#include <cerrno>
#include <cstring>

#include "platform/windows/wide.h"

namespace {

// The Windows error an errno value most often stands for here; 0 when none does.
DWORD WindowsErrorOf(int cause) {
    switch (cause) {
        case ENOENT:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case ENOTDIR:
            return ERROR_DIRECTORY;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return 0;
    }
}

}  // namespace

std::string SystemErrorText(int cause) {
    const DWORD error = WindowsErrorOf(cause);
    wchar_t* text = nullptr;
    const DWORD length =
        error == 0
            ? 0
            : ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) {
        return std::strerror(cause);
    }
    std::wstring message(text, length);
    ::LocalFree(text);
    // A message ends with a full stop and a line end; a reason goes at the end of a line.
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    return Utf8(message);
}

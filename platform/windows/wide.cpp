#include "platform/windows/wide.h"

#include "platform/path.h"

#include <cerrno>

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          size);
    return wide;
}

namespace {

// Paths this long or longer are given whole, with the prefix: a folder's path must leave room
// for an 8.3 name under the 260 characters.
constexpr std::size_t kLongPath = MAX_PATH - 12;
constexpr std::wstring_view kWholePath = L"\\\\?\\";
constexpr std::wstring_view kWholeSharePath = L"\\\\?\\UNC\\";

}  // namespace

std::wstring WidePath(std::string_view utf8) {
    std::wstring path = Wide(utf8);
    if (path.size() < kLongPath || path.starts_with(kWholePath)) {
        return path;
    }
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring whole(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, whole.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;  // the call fails on it as it stands, and says why
    }
    whole.resize(length);
    if (whole.starts_with(L"\\\\")) {  // \\server\share\...
        return std::wstring(kWholeSharePath) + whole.substr(2);
    }
    return std::wstring(kWholePath) + whole;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                          nullptr, nullptr);
    return utf8;
}

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_DRIVE:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return EPIPE;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        default:
            return EIO;
    }
}

std::string SystemPath(const FileName& file) {
    return file.folder ? MakePath(file.folder->Path(), file.name, "") : file.path;
}

std::wstring FinalPathOf(HANDLE handle) {
    DWORD size = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
    std::wstring path(size, L'\0');
    size = size == 0 ? 0
                     : ::GetFinalPathNameByHandleW(handle, path.data(), size, FILE_NAME_NORMALIZED);
    path.resize(size < path.size() ? size : 0);
    return path;
}

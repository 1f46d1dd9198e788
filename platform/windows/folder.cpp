// Folders held open on Windows: each one's handle is held without letting anyone delete or
// rename it, so that the path through the held folders leads to them for as long as they are
// held, and names in them are opened by that path. A folder found in a held one is opened as
// itself, never through a link or junction, and must be found where it was expected.
#include <cerrno>

#include "platform/folder.h"
#include "platform/path.h"
#include "platform/windows/wide.h"

namespace {

// Others may read and write in it, never move or delete it while it is held.
constexpr DWORD kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

std::string IdentityOf(HANDLE handle, DWORD& attributes) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        return {};
    }
    attributes = info.dwFileAttributes;
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
           ":" + std::to_string(info.nFileIndexLow);
}

HANDLE OpenFolderHandle(const std::string& path, DWORD flags) {
    return ::CreateFileW(WidePath(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                         kHeldShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags,
                         nullptr);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

COpenFolder::~COpenFolder() {
    if (m_handle != nullptr) {
        ::CloseHandle(static_cast<HANDLE>(m_handle));
    }
}

FolderHandle COpenFolder::Open(const std::string& path, int& cause) {
    const HANDLE handle = OpenFolderHandle(path.empty() ? "." : path, 0);
    if (handle == INVALID_HANDLE_VALUE) {
        cause = LastErrno();
        return nullptr;
    }
    DWORD attributes = 0;
    std::string identity = IdentityOf(handle, attributes);
    if (identity.empty() || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        cause = identity.empty() ? LastErrno() : ENOTDIR;
        ::CloseHandle(handle);
        return nullptr;
    }
    return Adopt(-1, handle, path, std::move(identity));
}

FolderHandle COpenFolder::OpenIn(const FolderHandle& parent, const std::string& name, bool create,
                                 int& cause) {
    const std::string path = MakePath(parent->Path(), name, "");
    if (create) {
        if (const int refused = CheckNameRules(path, true); refused != 0) {
            cause = refused;
            return nullptr;
        }
        if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            cause = LastErrno();
            return nullptr;
        }
    }
    const HANDLE handle = OpenFolderHandle(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) {
        cause = LastErrno();
        return nullptr;
    }
    DWORD attributes = 0;
    std::string identity = IdentityOf(handle, attributes);
    // The folder itself, in its parent: not a link, a junction, nor what a link above leads
    // to. (Wine cannot tell where a folder of a very long path was found: then the attributes
    // alone say.)
    const std::wstring parentPath = FinalPathOf(static_cast<HANDLE>(parent->m_handle));
    const std::wstring found = FinalPathOf(handle);
    const bool elsewhere =
        !parentPath.empty() && !found.empty() &&
        !SamePath(found, parentPath + (parentPath.ends_with(L'\\') ? L"" : L"\\") + Wide(name));
    cause = identity.empty()                                   ? LastErrno()
            : (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? ELOOP
            : (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0     ? ENOTDIR
            : elsewhere                                        ? ELOOP
                                                               : 0;
    if (cause != 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    return Adopt(-1, handle, path, std::move(identity));
}

void AllowAllOpenFiles() {
    // Windows has no such limit on handles.
}

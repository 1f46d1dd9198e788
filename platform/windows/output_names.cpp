// Hidden files beside outputs on Windows. Each is marked for deletion from the moment it is
// made until the moment it is put in place, so that however the process ends (Ctrl+C, a
// closed console, Task Manager), Windows itself removes it. It is opened so that it may be
// renamed while open, and locked, as a byte range far past its end, for as long as a run uses
// it: one that nobody holds locked is one a run left behind.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/hidden_name.h"
#include "platform/output_names.h"
#include "platform/termination.h"
#include "platform/windows/wide.h"

namespace {

void RemoveAbandonedIn(const std::string& folder);

constexpr int kHiddenNameAttempts = 16;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The byte a run locks while it uses a hidden file: far past any end, so no write meets it.
constexpr DWORD kLockOffsetHigh = 0x40000000;

// Takes the in-use lock without waiting; false when another handle holds it.
bool LockInUse(HANDLE handle, DWORD flags) {
    OVERLAPPED where{};
    where.OffsetHigh = kLockOffsetHigh;
    return ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY | flags, 0, 1,
                        0, &where);
}

}  // namespace

bool SetDeleteOnClose(HANDLE handle, bool remove) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(remove ? TRUE : FALSE)};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                        sizeof disposition);
}

namespace {

// Deletes a hidden file that no run holds locked.
void RemoveIfAbandoned(const std::string& path) {
    const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | DELETE, kShareAll,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    if (LockInUse(handle, 0)) {
        SetDeleteOnClose(handle, true);
    }
    ::CloseHandle(handle);
}

}  // namespace

int LinkUnnamedFile(int, const std::string&, bool) {
    return ENOSYS;  // Windows has no files without a name
}

int LinkUnderHiddenName(int, const std::string&, std::string&) {
    return ENOSYS;
}

UniqueFd CreateHiddenFile(const std::string& target, std::string& hidden) {
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        std::string name = HiddenName(target);
        const auto hold = HoldOffTermination();
        const HANDLE handle =
            ::CreateFileW(Wide(name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll,
                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            errno = LastErrno();
            return UniqueFd();
        }
        UniqueFd fd(_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY));
        if (!fd.IsOpen()) {
            ::CloseHandle(handle);
            return fd;
        }
        // Until it is locked, another run may take it for abandoned: then it is going away,
        // and another name is tried.
        FILE_STANDARD_INFO info{};
        if (!LockInUse(handle, 0) ||
            !::GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) ||
            info.DeletePending || !SetDeleteOnClose(handle, true)) {
            ::DeleteFileW(Wide(name).c_str());  // ours, or going away already: never left
            continue;
        }
        RegisterHiddenFile(name);
        hidden = std::move(name);
        return fd;
    }
    errno = EEXIST;
    return UniqueFd();
}

int RenameHiddenFile(const std::string& hidden, const std::string& target) {
    const auto hold = HoldOffTermination();
    if (!::MoveFileExW(Wide(hidden).c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return LastErrno();
    }
    ForgetHiddenFile(hidden);
    return 0;
}

void RemoveHiddenFile(const std::string& hidden) {
    const auto hold = HoldOffTermination();
    ::DeleteFileW(Wide(hidden).c_str());
    ForgetHiddenFile(hidden);
}

void RemoveAbandonedHiddenFiles(const std::string& target) {
    const std::string folder = FolderOf(target);
    ScanFolderOnce(folder, [&folder] { RemoveAbandonedIn(folder); });
}

namespace {

void RemoveAbandonedIn(const std::string& folder) {
    const std::string prefix =
        folder + (folder.ends_with('\\') || folder.ends_with('/') ? "" : "\\");
    WIN32_FIND_DATAW entry;
    const HANDLE search = ::FindFirstFileExW(Wide(prefix + ".pictavex-*").c_str(), FindExInfoBasic,
                                             &entry, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = Utf8(entry.cFileName);
        if (IsHiddenName(name) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveIfAbandoned(prefix + name);
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
}

}  // namespace

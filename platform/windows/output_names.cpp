// Hidden files beside outputs on Windows. Each is marked for deletion from the moment it is
// made until the moment it is put in place, so that however the process ends (Ctrl+C, a
// closed console, Task Manager), Windows itself removes it. It is opened so that it may be
// renamed while open, and locked, as a byte range far past its end, for as long as a run uses
// it: one that nobody holds locked is one a run left behind.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <aclapi.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/hidden_name.h"
#include "platform/output_names.h"
#include "platform/path.h"
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

std::string IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
           ":" + std::to_string(info.nFileIndexLow);
}

// The SIDs this process's files are made with: its user, and the owner it gives new files
// (the Administrators group, for an elevated administrator).
bool OwnedByThisUser(HANDLE file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    bool owned = false;
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
            DWORD size = 0;
            ::GetTokenInformation(token, kind, nullptr, 0, &size);
            std::vector<std::uint8_t> buffer(size);
            // Both structures begin with the SID's address.
            if (size >= sizeof(PSID) &&
                ::GetTokenInformation(token, kind, buffer.data(), size, &size)) {
                PSID sid = nullptr;
                std::memcpy(&sid, buffer.data(), sizeof sid);
                owned = owned || ::EqualSid(owner, sid);
            }
        }
        ::CloseHandle(token);
    }
    ::LocalFree(descriptor);
    return owned;
}

// Whether an open hidden file is one a run left: the very file `expected` names (not what a
// link there leads to, which Wine opens whatever the flags say), a regular file, not a reparse
// point, of this user's, that holds the start of a picture and is no drawing of this run.
bool LooksAbandoned(HANDLE file, const std::wstring& expected) {
    BY_HANDLE_FILE_INFORMATION info{};
    constexpr DWORD kNotRegular =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    const std::wstring found = FinalPathOf(file);
    if (found.empty() ||
        ::CompareStringOrdinal(found.c_str(), static_cast<int>(found.size()), expected.c_str(),
                               static_cast<int>(expected.size()), TRUE) != CSTR_EQUAL ||
        ::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & kNotRegular) != 0 || IsKeptIdentity(IdentityOf(info)) ||
        !OwnedByThisUser(file)) {
        return false;
    }
    std::array<std::uint8_t, kPictureStartBytes> start{};
    DWORD got = 0;
    return ::ReadFile(file, start.data(), static_cast<DWORD>(start.size()), &got, nullptr) &&
           BeginsAsPicture(std::span(start).first(got));
}

// Deletes a hidden file that is a run's own and that no run holds locked. The name itself is
// opened, never what a link or junction leads to; `expected` is where it must be found.
void RemoveIfAbandoned(const std::string& path, const std::wstring& expected) {
    const HANDLE file =
        ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | READ_CONTROL | DELETE, kShareAll,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    if (LooksAbandoned(file, expected) && LockInUse(file, 0)) {
        SetDeleteOnClose(file, true);
    }
    ::CloseHandle(file);
}

}  // namespace

int LinkUnnamedFile(int, const FileName&, bool) {
    return ENOSYS;  // Windows has no files without a name
}

int LinkUnderHiddenName(int, const FileName&, FileName&) {
    return ENOSYS;
}

UniqueFd CreateHiddenFile(const FileName& target, FileName& hidden) {
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        FileName name = HiddenNameBeside(target);
        const std::string path = SystemPath(name);
        const auto hold = HoldOffTermination();
        const HANDLE handle =
            ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll,
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
            ::DeleteFileW(WidePath(path).c_str());  // ours, or going away already: never left
            continue;
        }
        RegisterHiddenFile(name);
        hidden = std::move(name);
        return fd;
    }
    errno = EEXIST;
    return UniqueFd();
}

int RenameHiddenFile(const FileName& hidden, const FileName& target) {
    const auto hold = HoldOffTermination();
    if (!::MoveFileExW(WidePath(SystemPath(hidden)).c_str(), WidePath(SystemPath(target)).c_str(),
                       MOVEFILE_REPLACE_EXISTING)) {
        return LastErrno();
    }
    ForgetHiddenFile(hidden);
    return 0;
}

void RemoveHiddenFile(const FileName& hidden) {
    const auto hold = HoldOffTermination();
    ::DeleteFileW(WidePath(SystemPath(hidden)).c_str());
    ForgetHiddenFile(hidden);
}

void KeepFromCleanup(const FileName& drawing) {
    const PathParts parts = SplitPath(drawing.path);
    if (!IsHiddenName(parts.baseName + parts.extension)) {
        return;
    }
    const HANDLE file = ::CreateFileW(WidePath(SystemPath(drawing)).c_str(), 0, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (file != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(file, &info)) {
        KeepIdentity(IdentityOf(info));
    }
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
}

void RemoveAbandonedHiddenFiles(const FileName& target) {
    const std::string directory = SplitPath(SystemPath(target)).directory;
    const std::string folder = directory.empty() ? "." : directory;
    ScanFolderOnce(FolderKeyOf(target), [&folder] { RemoveAbandonedIn(folder); });
}

namespace {

void RemoveAbandonedIn(const std::string& folder) {
    const std::string prefix =
        folder + (folder.ends_with('\\') || folder.ends_with('/') ? "" : "\\");
    const HANDLE opened = ::CreateFileW(WidePath(folder).c_str(), 0, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return;
    }
    std::wstring where = FinalPathOf(opened);
    ::CloseHandle(opened);
    if (where.empty()) {
        return;
    }
    where += where.ends_with(L'\\') ? L"" : L"\\";
    WIN32_FIND_DATAW entry;
    const HANDLE search =
        ::FindFirstFileExW(WidePath(prefix + ".pictavex-*").c_str(), FindExInfoBasic, &entry,
                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = Utf8(entry.cFileName);
        constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if (IsHiddenName(name) && !(entry.dwFileAttributes & kNotRegular)) {
            RemoveIfAbandoned(prefix + name, where + entry.cFileName);
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
}

}  // namespace

// Hidden files beside outputs on Windows. A file that a run holds open cannot be deleted by
// another (the C runtime never shares deletion), which is the lock that tells a file in use
// from one a killed run left behind.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/hidden_name.h"
#include "platform/output_names.h"
#include "platform/termination.h"
#include "platform/windows/wide.h"

namespace {

constexpr int kHiddenNameAttempts = 16;

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
        int fd = -1;
        const errno_t failed = _wsopen_s(&fd, Wide(name).c_str(),
                                         _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                         _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (failed == EEXIST) {
            continue;
        }
        if (failed != 0) {
            errno = failed;
            return UniqueFd();
        }
        RegisterHiddenFile(name);
        hidden = std::move(name);
        return UniqueFd(fd);
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
    if (!FirstVisitOf(folder)) {
        return;
    }
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
            ::DeleteFileW(Wide(prefix + name).c_str());  // refused while a run holds it open
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
}

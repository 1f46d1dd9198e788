#include "platform/output_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/hidden_name.h"
#include "platform/path.h"
#include "platform/posix/at_name.h"
#include "platform/termination.h"

namespace {

void RemoveAbandonedIn(const FileName& target);

constexpr mode_t kCreateMode = 0666;  // less the umask, as for any new file
constexpr int kHiddenNameAttempts = 16;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string IdentityOf(const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

// Whether an open hidden file is one a run left: a regular file of the user's that holds the
// start of a picture and is no drawing of this run.
bool LooksAbandoned(int fd, const struct stat& opened) {
    if (!S_ISREG(opened.st_mode) || opened.st_uid != ::geteuid() ||
        IsKeptIdentity(IdentityOf(opened))) {
        return false;
    }
    std::array<std::uint8_t, kPictureStartBytes> start{};
    const ssize_t got = ::pread(fd, start.data(), start.size(), 0);
    return got > 0 && BeginsAsPicture(std::span(start).first(static_cast<std::size_t>(got)));
}

// Removes one hidden file if it is a run's own and no process holds it: a run that is still
// writing it does.
void RemoveIfAbandoned(int directoryFd, const char* name) {
    const UniqueFd fd(
        ::openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat opened {};
    struct stat named {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &opened) != 0 || !LooksAbandoned(fd.Get(), opened) ||
        ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    if (::fstatat(directoryFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(opened, named)) {
        ::unlinkat(directoryFd, name, 0);
    }
}

}  // namespace

int LinkUnnamedFile(int fd, const FileName& name, bool throughProc) {
    // Linking the descriptor itself is cheaper than a walk through /proc but needs a privilege
    // that ordinary users lack before Linux 6.10: after one refusal, /proc it is.
    static std::atomic<bool> direct = true;
    if (direct && !throughProc) {
        if (::linkat(fd, "", AtFolder(name), AtName(name), AT_EMPTY_PATH) == 0) {
            return 0;
        }
        if (errno != EPERM && errno != ENOENT) {
            return errno;
        }
        direct = false;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AtFolder(name), AtName(name), AT_SYMLINK_FOLLOW) == 0
               ? 0
               : errno;
}

int LinkUnderHiddenName(int fd, const FileName& target, FileName& hidden) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {  // nobody else can see it yet: never blocks
        return errno;
    }
    const auto hold = HoldOffTermination();
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        FileName name = HiddenNameBeside(target);
        const int cause = LinkUnnamedFile(fd, name);
        if (cause == 0) {
            RegisterHiddenFile(name);
            hidden = std::move(name);
        }
        if (cause != EEXIST) {
            return cause;
        }
    }
    return EEXIST;
}

UniqueFd CreateHiddenFile(const FileName& target, FileName& hidden) {
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        FileName name = HiddenNameBeside(target);
        const auto hold = HoldOffTermination();
        UniqueFd fd(::openat(AtFolder(name), AtName(name), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                             kCreateMode));
        if (!fd.IsOpen()) {
            if (errno == EEXIST) {
                continue;
            }
            return fd;
        }
        // Until it is locked another run may take it for abandoned and remove it: then the
        // name no longer leads to it, and another name is tried.
        if (::flock(fd.Get(), LOCK_EX) != 0) {
            ::unlinkat(AtFolder(name), AtName(name), 0);  // still ours: nobody else could lock it
            continue;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd.Get(), &opened) != 0 ||
            ::fstatat(AtFolder(name), AtName(name), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            !SameFile(opened, named)) {
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
    if (::renameat(AtFolder(hidden), AtName(hidden), AtFolder(target), AtName(target)) != 0) {
        return errno;
    }
    ForgetHiddenFile(hidden);
    return 0;
}

void RemoveHiddenFile(const FileName& hidden) {
    const auto hold = HoldOffTermination();
    ::unlinkat(AtFolder(hidden), AtName(hidden), 0);
    ForgetHiddenFile(hidden);
}

void KeepFromCleanup(const FileName& drawing) {
    struct stat info {};
    const PathParts parts = SplitPath(drawing.path);
    if (IsHiddenName(parts.baseName + parts.extension) &&
        ::fstatat(AtFolder(drawing), AtName(drawing), &info, 0) == 0) {
        KeepIdentity(IdentityOf(info));
    }
}

void RemoveAbandonedHiddenFiles(const FileName& target) {
    ScanFolderOnce(FolderKeyOf(target), [&target] { RemoveAbandonedIn(target); });
}

namespace {

// Scans the folder `target` lies in.
void RemoveAbandonedIn(const FileName& target) {
    const std::string directory = SplitPath(target.path).directory;
    const int fd = ::openat(target.folder ? target.folder->Descriptor() : AT_FDCWD,
                            target.folder || directory.empty() ? "." : directory.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    const std::unique_ptr<DIR, DirCloser> dir(fd >= 0 ? ::fdopendir(fd) : nullptr);
    if (fd >= 0 && !dir) {
        ::close(fd);
    }
    if (!dir) {
        return;  // the write that follows says why, if it matters
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        // A device is never even opened; a type the listing does not give is asked once open.
        const bool mayBeRegular = entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN;
        if (mayBeRegular && IsHiddenName(entry->d_name)) {
            RemoveIfAbandoned(::dirfd(dir.get()), entry->d_name);
        }
    }
}

}  // namespace

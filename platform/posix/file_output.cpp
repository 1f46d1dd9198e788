// COutputFile on POSIX systems: outputs appear whole, under their name, or not at all.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/output_file.h"
#include "platform/output_names.h"
#include "platform/path.h"
#include "platform/posix/at_name.h"

namespace {

constexpr mode_t kCreateMode = 0666;  // less the umask, as for any new file
constexpr mode_t kPermissionBits = 0777;

// The folder an output is made in, as openat() takes it.
std::string DirectoryOf(const FileName& file) {
    const std::string directory = SplitPath(file.path).directory;
    return file.folder || directory.empty() ? "." : directory;
}

// An unnamed file needs /proc to be given a name by an ordinary user.
bool CanNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// The existing file's permissions, and its owner and group where the system allows.
void KeepAttributes(int fd, const struct stat& existing) {
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) != 0) {
            // Not allowed to give it away: it becomes the user's own, like any new file.
        }
    }
    (void)::fchmod(fd, existing.st_mode & kPermissionBits);
}

// Before replacing a file: only a regular file is ever replaced, and only where a plain create
// would have been allowed. 0, or the errno value (or kNotRegularCause) of the refusal;
// `existing` is left empty when there is nothing to replace.
int CheckReplaceable(const FileName& target, struct stat& existing) {
    if (::fstatat(AtFolder(target), AtName(target), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
        existing = {};
        return errno == ENOENT ? 0 : errno;
    }
    if (S_ISDIR(existing.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(existing.st_mode)) {
        return kNotRegularCause;  // a link, a device, a FIFO: never replaced, never written
    }
    if (::faccessat(AtFolder(target), AtName(target), W_OK, 0) != 0) {
        // Gone since the look (a FUSE share hides a file that another run renames over):
        // nothing to replace.
        const int cause = errno;
        existing = {};
        return cause == ENOENT ? 0 : cause;
    }
    return 0;
}

}  // namespace

void COutputFile::CreateForWriting(const FileName& path, const OutputGuard& guard) {
    Discard();
    m_path = path;
    m_guard = guard;
    RemoveAbandonedHiddenFiles(path);
    if (CanNameUnnamedFiles()) {
        // Readable too: a re-run compares it with the file it would replace.
        m_fd.Reset(::openat(AtFolder(path), DirectoryOf(path).c_str(),
                            O_RDWR | O_TMPFILE | O_CLOEXEC, kCreateMode));
        if (m_fd.IsOpen()) {
            return;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            Fail(errno);  // no such directory, no permission: a named file would fail too
        }
    }
    m_fd = CreateHiddenFile(path, m_tempPath);
    if (!m_fd.IsOpen()) {
        Fail(errno);
    }
}

void COutputFile::Write(ByteParts parts) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    std::vector<iovec> pending;
    for (std::span<const std::uint8_t> part : parts) {
        if (!part.empty()) {
            pending.push_back({const_cast<std::uint8_t*>(part.data()), part.size()});
        }
    }
    for (auto next = pending.begin(); next != pending.end();) {
        const ssize_t written =
            ::writev(m_fd.Get(), &*next,
                     static_cast<int>(std::min<std::ptrdiff_t>(pending.end() - next, IOV_MAX)));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Fail(written < 0 ? errno : EIO);
        }
        // Step past what the kernel took, which may end inside a part.
        for (auto left = static_cast<std::size_t>(written); left > 0;) {
            const std::size_t step = std::min(left, next->iov_len);
            next->iov_base = static_cast<std::uint8_t*>(next->iov_base) + step;
            next->iov_len -= step;
            left -= step;
            if (next->iov_len == 0) {
                ++next;
            }
        }
    }
}

// Gives the finished output its name: straight away where the name is free, else through a
// hidden name and a rename, so that the old file is replaced in one step. 0 or an errno value.
// The link itself tells whether the name is taken: a new output costs no look beforehand.
int COutputFile::PublishOutput(const ByteParts* unlessHolding, Outcome& outcome) {
    if (m_tempPath.empty()) {
        const int linked = LinkUnnamedFile(m_fd.Get(), m_path);
        if (linked == 0) {
            if (::close(m_fd.Release()) != 0) {
                const int cause = errno;
                // The name was free: nothing of the user's is lost.
                ::unlinkat(AtFolder(m_path), AtName(m_path), 0);
                return cause;
            }
            outcome = Outcome::kCreated;
            return 0;
        }
        if (linked != EEXIST) {
            return linked;
        }
    }
    if (unlessHolding != nullptr && FileHoldsExactly(m_path, *unlessHolding)) {
        outcome = Outcome::kAlreadyHeld;
        return 0;
    }
    struct stat existing {};
    if (const int refused = CheckReplaceable(m_path, existing); refused != 0) {
        return refused;
    }
    if (const int refused = GuardExisting(); refused != 0) {
        return refused;
    }
    if (m_tempPath.empty()) {
        if (const int cause = LinkUnderHiddenName(m_fd.Get(), m_path, m_tempPath); cause != 0) {
            return cause;
        }
    }
    if (existing.st_nlink != 0) {
        KeepAttributes(m_fd.Get(), existing);
        outcome = Outcome::kReplaced;
    }
    // Closed first, so that a delayed write error is seen; the copy holds the lock meanwhile.
    const UniqueFd lockHolder(::dup(m_fd.Get()));
    if (::close(m_fd.Release()) != 0) {
        return errno;
    }
    if (const int cause = RenameHiddenFile(m_tempPath, m_path); cause != 0) {
        return cause;
    }
    m_tempPath = {};
    return 0;
}

// The writing half of CFile: outputs appear whole, under their name, or not at all.
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

#include "platform/file.h"
#include "platform/path.h"
#include "platform/pending_removal.h"

namespace {

constexpr mode_t kCreateMode = 0666;  // less the umask, as for any new file
constexpr mode_t kPermissionBits = 0777;
constexpr char kHiddenPrefix[] = ".pictavex-";
constexpr int kHiddenNameAttempts = 16;

std::string DirectoryOf(const std::string& path) {
    const std::string directory = SplitPath(path).directory;
    return directory.empty() ? "." : directory;
}

// An unnamed file needs /proc to be given a name by an ordinary user.
bool CanNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

std::string DescriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// Gives an unnamed file a name. Linking the descriptor itself is cheaper than a walk through
// /proc but needs a privilege that ordinary users may lack: after one refusal, /proc it is.
int LinkDescriptor(int fd, const std::string& name) {
    static std::atomic<bool> direct = true;
    if (direct) {
        if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
            return 0;
        }
        if (errno != EPERM && errno != ENOENT) {
            return errno;
        }
        direct = false;
    }
    const std::string self = DescriptorPath(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                            : errno;
}

// A name beside the target that nobody can guess in advance.
std::string HiddenName(const std::string& target) {
    std::uint64_t random = 0;
    while (::getrandom(&random, sizeof random, 0) != sizeof random) {
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = SplitPath(target).directory + kHiddenPrefix;
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += kDigits[(random >> shift) & 0xF];
    }
    return name;
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

// Before replacing a file: refuse where a plain create would have been refused. 0, or the
// errno value of the refusal; `existing` is left empty when there is nothing to replace.
int CheckReplaceable(const std::string& target, struct stat& existing) {
    if (::stat(target.c_str(), &existing) != 0) {
        existing = {};
        return errno == ENOENT ? 0 : errno;  // a dangling link is replaced like a plain name
    }
    if (S_ISDIR(existing.st_mode)) {
        return EISDIR;
    }
    return ::access(target.c_str(), W_OK) == 0 ? 0 : errno;
}

// Links an unnamed file under a fresh hidden name beside the target. 0 or an errno value.
int LinkUnderHiddenName(int fd, const std::string& target, std::string& hidden) {
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        std::string name = HiddenName(target);
        const int cause = LinkDescriptor(fd, name);
        if (cause == 0) {
            hidden = std::move(name);
        }
        if (cause != EEXIST) {
            return cause;
        }
    }
    return EEXIST;
}

}  // namespace

void CFile::CreateForWriting(const std::string& path) {
    Discard();
    m_path = path;
    m_position = 0;
    m_length = 0;
    m_writing = true;
    if (CanNameUnnamedFiles()) {
        // Readable too: a re-run compares it with the file it would replace.
        m_fd.Reset(::open(DirectoryOf(path).c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, kCreateMode));
        if (m_fd.IsOpen()) {
            return;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            Fail(errno);  // no such directory, no permission: a named file would fail too
        }
    }
    for (int attempt = 0; attempt < kHiddenNameAttempts && !m_fd.IsOpen(); ++attempt) {
        m_tempPath = HiddenName(path);
        m_fd.Reset(
            ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kCreateMode));
        if (!m_fd.IsOpen() && errno != EEXIST) {
            break;
        }
    }
    if (!m_fd.IsOpen()) {
        const int cause = errno;
        m_tempPath.clear();
        Fail(cause);
    }
    SetPendingRemoval(m_tempPath);
}

void CFile::CreateForWritingInPlace(const std::string& path) {
    UniqueFd existing(
        ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat info {};
    if (!existing.IsOpen() || ::fstat(existing.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        CreateForWriting(path);
        return;
    }
    Discard();
    m_path = path;
    m_position = 0;
    m_length = 0;
    m_fd = std::move(existing);  // closed, not published: it has its name already
}

void CFile::Write(const void* buffer, std::size_t count) {
    Write({std::span(static_cast<const std::uint8_t*>(buffer), count)});
}

void CFile::Write(std::initializer_list<std::span<const std::uint8_t>> parts) {
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
        m_position += static_cast<std::uint64_t>(written);
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
int CFile::PublishOutput() {
    if (m_tempPath.empty()) {
        const int linked = LinkDescriptor(m_fd.Get(), m_path);
        if (linked == 0) {
            if (::close(m_fd.Release()) != 0) {
                const int cause = errno;
                ::unlink(m_path.c_str());  // the name was free: nothing of the user's is lost
                return cause;
            }
            return 0;
        }
        if (linked != EEXIST) {
            return linked;
        }
    }
    struct stat existing {};
    if (const int refused = CheckReplaceable(m_path, existing); refused != 0) {
        return refused;
    }
    if (m_tempPath.empty()) {
        if (const int cause = LinkUnderHiddenName(m_fd.Get(), m_path, m_tempPath); cause != 0) {
            return cause;
        }
        SetPendingRemoval(m_tempPath);
    }
    if (existing.st_nlink != 0) {
        KeepAttributes(m_fd.Get(), existing);
    }
    if (::close(m_fd.Release()) != 0) {
        return errno;
    }
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        return errno;
    }
    ClearPendingRemoval();
    m_tempPath.clear();
    return 0;
}

void CFile::Close() {
    m_cache.clear();
    if (!m_fd.IsOpen()) {
        return;
    }
    if (!m_writing) {
        if (::close(m_fd.Release()) != 0) {
            Fail(errno);
        }
        return;
    }
    m_writing = false;
    if (const int cause = PublishOutput(); cause != 0) {
        Discard();  // removes the hidden name, if the output got one
        Fail(cause);
    }
}

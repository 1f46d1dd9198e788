// Opening and reading files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/file.h"
#include "platform/posix/at_name.h"

namespace {

constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// 0, or why the open file is not one to read: a directory, a FIFO, a device.
int KindFailure(const struct stat& info) {
    if (S_ISREG(info.st_mode)) {
        return 0;
    }
    return S_ISDIR(info.st_mode) ? EISDIR : kNotRegularCause;
}

}  // namespace

bool CFile::OpenForReading(const FileName& file, KindCheck check) {
    Discard();
    m_path = file.path;
    m_position = 0;
    m_openError = 0;
    const bool listed = check == KindCheck::kListedRegular;
    // In a folder held open, never through a link: the walk lists no links as drawings.
    const bool noLinks = listed || file.folder;
    UniqueFd fd(::openat(AtFolder(file), AtName(file), kReadFlags | (noLinks ? O_NOFOLLOW : 0)));
    if (listed && !file.folder && !fd.IsOpen() && errno == ELOOP) {
        fd.Reset(
            ::open(file.path.c_str(), kReadFlags));  // a link was put there since it was listed
    }
    // Whatever the listing said, the open file itself is asked: a device swapped in for a
    // listed drawing is never read. The answer also bounds what a block may take.
    struct stat info {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &info) != 0) {
        m_openError = errno;
        return false;
    }
    m_openError = KindFailure(info);
    if (m_openError != 0) {
        return false;
    }
    m_fd = std::move(fd);
    m_size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::size_t CFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (m_source) {
        return ReadSourceAt(offset, buffer, count);
    }
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (offset >= kMaxOffset || count == 0) {
        return 0;
    }
    for (;;) {
        const ssize_t got = ::pread(m_fd.Get(), buffer, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            Fail(errno == ESPIPE ? kNotRegularCause : errno);  // a FIFO put in its place
        }
        // A regular file reads short only at its end: no signal handler runs on this thread.
        if (static_cast<std::size_t>(got) < count) {
            m_end = offset + static_cast<std::uint64_t>(got);
        }
        return static_cast<std::size_t>(got);
    }
}

bool IsSameFile(int fd, const FileName& file) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::fstatat(AtFolder(file), AtName(file), &named, 0) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Opening and reading files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/file.h"

namespace {

constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// 0, or why the open file is not one to read: a directory, a FIFO, a device.
int KindFailure(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return errno;
    }
    if (S_ISREG(info.st_mode)) {
        return 0;
    }
    return S_ISDIR(info.st_mode) ? EISDIR : kNotRegularCause;
}

}  // namespace

bool CFile::OpenForReading(const std::string& path, KindCheck check) {
    Discard();
    m_path = path;
    m_position = 0;
    m_openError = 0;
    const bool listed = check == KindCheck::kListedRegular;
    UniqueFd fd(::open(path.c_str(), kReadFlags | (listed ? O_NOFOLLOW : 0)));
    if (listed && !fd.IsOpen() && errno == ELOOP) {
        check = KindCheck::kAsk;  // a link was put there since it was listed
        fd.Reset(::open(path.c_str(), kReadFlags));
    }
    if (!fd.IsOpen()) {
        m_openError = errno;
        return false;
    }
    if (check == KindCheck::kAsk) {
        m_openError = KindFailure(fd.Get());
        if (m_openError != 0) {
            return false;
        }
    }
    m_fd = std::move(fd);
    return true;
}

std::size_t CFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
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

std::uint64_t CFile::LearnEnd() {
    struct stat info {};
    if (::fstat(m_fd.Get(), &info) != 0) {
        Fail(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        Fail(kNotRegularCause);
    }
    m_end = static_cast<std::uint64_t>(info.st_size);
    return *m_end;
}

// Opening and reading files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/file.h"

bool CFile::OpenForReading(const std::string& path) {
    Discard();
    m_path = path;
    m_position = 0;
    m_length = 0;
    m_openError = 0;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &info) != 0) {
        m_openError = errno;
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        m_openError = S_ISDIR(info.st_mode) ? EISDIR : kNotRegularCause;
        return false;
    }
    m_fd = std::move(fd);
    m_length = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::size_t CFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    std::size_t total = 0;
    while (total < count && offset + total < kMaxOffset) {
        const ssize_t got =
            ::pread(m_fd.Get(), buffer + total, count - total, static_cast<off_t>(offset + total));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            Fail(errno);
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

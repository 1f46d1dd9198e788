#include "platform/file.h"

#include "platform/path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdio>  // renameat2

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kReadAheadSize = 4096;
constexpr mode_t kCreateMode = 0666;  // less the umask, as for any new file
constexpr int kTempNameAttempts = 100;

// A hidden name beside the target that no other file has; the file is created with it.
UniqueFd CreateTempFile(const std::string& target, std::string& tempPath) {
    static unsigned counter = 0;
    static const std::string process = std::to_string(::getpid());
    const std::string prefix = SplitPath(target).directory + ".pictavex-" + process;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempPath = prefix + "-" + std::to_string(counter++);
        UniqueFd fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kCreateMode));
        if (fd.IsOpen() || errno != EEXIST) {
            return fd;
        }
    }
    return UniqueFd();
}

// Puts the finished output in place. A target that exists already is replaced only when a
// plain create could have overwritten it.
int ReplaceTarget(const std::string& tempPath, const std::string& target) {
    if (::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EEXIST && errno != EINVAL) {  // EINVAL: the file system cannot tell
        return errno;
    }
    if (::access(target.c_str(), W_OK) != 0 && errno != ENOENT) {
        return errno;
    }
    return ::rename(tempPath.c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace

CFile::~CFile() {
    Discard();
}

void CFile::Discard() {
    m_fd.Reset();
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
    m_cache.clear();
}

void CFile::Fail(int cause) const {
    throw CFileException(m_path, cause);
}

bool CFile::OpenForReading(const std::string& path) {
    Discard();
    m_path = path;
    m_position = 0;
    m_length = 0;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    m_fd = std::move(fd);
    m_length = static_cast<std::uint64_t>(info.st_size);
    return true;
}

void CFile::CreateForWriting(const std::string& path) {
    Discard();
    m_path = path;
    m_position = 0;
    m_length = 0;
    std::string tempPath;
    UniqueFd fd = CreateTempFile(path, tempPath);
    if (!fd.IsOpen()) {
        Fail(errno);
    }
    m_tempPath = std::move(tempPath);
    m_fd = std::move(fd);
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

std::size_t CFile::ReadThroughCache(std::uint8_t* buffer, std::size_t count) {
    const bool hit = m_position >= m_cacheStart && m_position - m_cacheStart < m_cache.size();
    if (!hit) {
        m_cache.resize(kReadAheadSize);
        m_cache.resize(ReadAt(m_position, m_cache.data(), kReadAheadSize));
        m_cacheStart = m_position;
    }
    const std::size_t offset = static_cast<std::size_t>(m_position - m_cacheStart);
    const std::size_t available = m_cache.size() - std::min(offset, m_cache.size());
    const std::size_t got = std::min(count, available);
    std::memcpy(buffer, m_cache.data() + offset, got);
    if (got < count && offset + got == kReadAheadSize) {
        // The cache ended before the file did: fetch the rest directly.
        return got + ReadAt(m_position + got, buffer + got, count - got);
    }
    return got;
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    if (count == 0) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const std::size_t got =
        count >= kReadAheadSize ? ReadAt(m_position, bytes, count) : ReadThroughCache(bytes, count);
    m_position += got;
    return got;
}

void CFile::Seek(std::int64_t offset) {
    if (!m_fd.IsOpen()) {
        Fail(EBADF);
    }
    if (offset < 0) {
        Fail(EINVAL);
    }
    m_position = static_cast<std::uint64_t>(offset);
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

void CFile::Close() {
    m_cache.clear();
    if (!m_fd.IsOpen()) {
        return;
    }
    const int closed = ::close(m_fd.Release());
    const int closeError = errno;
    if (m_tempPath.empty()) {
        if (closed != 0) {
            Fail(closeError);
        }
        return;
    }
    if (closed != 0) {
        Fail(closeError);  // the destructor removes the unfinished output
    }
    if (const int cause = ReplaceTarget(m_tempPath, m_path); cause != 0) {
        Fail(cause);
    }
    m_tempPath.clear();
}

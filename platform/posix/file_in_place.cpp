// Writing into a file that a caller handed over, whole or not at all.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/output_file.h"
#include "platform/posix/at_name.h"
#include "platform/termination.h"

namespace {

// What is kept of an old file to put it back: far above any thumbnail.
constexpr std::uint64_t kMaxKeptBytes = 64ull << 20;

// 0 or the errno value of the write that failed.
int WriteAllAt(int fd, std::span<const std::uint8_t> bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

// 0 or the errno value of the first step that failed: the bytes, then the length.
int ReplaceContents(int fd, std::span<const std::uint8_t> bytes) {
    if (const int cause = WriteAllAt(fd, bytes); cause != 0) {
        return cause;
    }
    return ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 ? 0 : errno;
}

}  // namespace

void WriteFileInPlace(const FileName& file, std::span<const std::uint8_t> bytes,
                      const OutputGuard& guard) {
    const std::string& path = file.path;
    struct stat named {};
    if (::fstatat(AtFolder(file), AtName(file), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            throw CFileException(path, errno);
        }
        WriteNewFile(file, bytes, guard);
        return;
    }
    if (!S_ISREG(named.st_mode)) {
        throw CFileException(path, S_ISDIR(named.st_mode) ? EISDIR : kNotRegularCause);
    }
    if (static_cast<std::uint64_t>(named.st_size) > kMaxKeptBytes) {
        throw CFileException(path, EFBIG);  // too much to keep for putting back
    }
    UniqueFd fd(::openat(AtFolder(file), AtName(file),
                         O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat opened {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &opened) != 0) {
        throw CFileException(path, errno);
    }
    if (opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
        throw CFileException(path, kNotRegularCause);  // swapped for something else meanwhile
    }
    MemoryBlock old(static_cast<std::size_t>(opened.st_size));
    ssize_t got = 0;
    while ((got = ::pread(fd.Get(), old.data(), old.size(), 0)) < 0 && errno == EINTR) {
    }
    if (got < 0) {
        throw CFileException(path, errno);
    }
    old.resize(static_cast<std::size_t>(got));
    if (const int refused = GuardedCause(fd.Get(), old, guard); refused != 0) {
        throw CFileException(path, refused);
    }
    if (opened.st_nlink > 1) {
        // Written in place, the picture would show under every other name of the file too.
        fd.Reset();
        WriteNewFile(file, bytes, guard);
        return;
    }
    {
        const auto hold = HoldOffTermination();  // a signal acts once the file is whole again
        if (const int cause = ReplaceContents(fd.Get(), bytes); cause != 0) {
            (void)ReplaceContents(fd.Get(), old);
            throw CFileException(path, cause);
        }
    }
    if (::close(fd.Release()) != 0) {
        throw CFileException(path, errno);
    }
}

// Writing into a file that a caller handed over, whole or not at all, on Windows.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/output_file.h"
#include "platform/termination.h"
#include "platform/windows/wide.h"

namespace {

// What is kept of an old file to put it back: far above any thumbnail.
constexpr std::uint64_t kMaxKeptBytes = 64ull << 20;

// 0 or the errno value of the first step that failed: the bytes, then the length.
int ReplaceContents(int fd, std::span<const std::uint8_t> bytes) {
    if (_lseeki64(fd, 0, SEEK_SET) < 0) {
        return errno;
    }
    for (std::size_t done = 0; done < bytes.size();) {
        const unsigned chunk =
            static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, INT_MAX));
        const int written = _write(fd, bytes.data() + done, chunk);
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(written);
    }
    return _chsize_s(fd, static_cast<__int64>(bytes.size()));
}

}  // namespace

void WriteFileInPlace(const FileName& file, std::span<const std::uint8_t> bytes,
                      const OutputGuard& guard) {
    const std::string& path = file.path;
    const std::string system = SystemPath(file);
    const DWORD attributes = ::GetFileAttributesW(WidePath(system).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (const int cause = LastErrno(); cause != ENOENT) {
            throw CFileException(path, cause);
        }
        WriteNewFile(file, bytes, guard);
        return;
    }
    if (attributes &
        (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) {
        throw CFileException(path,
                             (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : kNotRegularCause);
    }
    int descriptor = -1;
    if (const errno_t failed = _wsopen_s(&descriptor, WidePath(system).c_str(),
                                         _O_RDWR | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
        failed != 0) {
        throw CFileException(path, failed);
    }
    UniqueFd fd(descriptor);
    const __int64 size = _filelengthi64(fd.Get());
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxKeptBytes) {
        throw CFileException(path, size < 0 ? errno : EFBIG);
    }
    MemoryBlock old(static_cast<std::size_t>(size));
    if (_read(fd.Get(), old.data(), static_cast<unsigned>(old.size())) !=
        static_cast<int>(old.size())) {
        throw CFileException(path, EIO);
    }
    if (const int refused = GuardedCause(fd.Get(), old, guard); refused != 0) {
        throw CFileException(path, refused);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd.Get())), &info) &&
        info.nNumberOfLinks > 1) {
        // Written in place, the picture would show under every other name of the file too.
        fd.Reset();
        WriteNewFile(file, bytes, guard);
        return;
    }
    {
        const auto hold = HoldOffTermination();  // Ctrl+C acts once the file is whole again
        if (const int cause = ReplaceContents(fd.Get(), bytes); cause != 0) {
            (void)ReplaceContents(fd.Get(), old);
            throw CFileException(path, cause);
        }
    }
    if (_close(fd.Release()) != 0) {
        throw CFileException(path, errno);
    }
}

// Opening and reading files on Windows, through the C runtime's descriptors.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/file.h"
#include "platform/windows/wide.h"

bool CFile::OpenForReading(const FileName& file, KindCheck /*check*/) {
    Discard();
    m_path = file.path;
    const std::string path = SystemPath(file);
    m_position = 0;
    m_openError = 0;
    int fd = -1;
    // Others may read, write and delete meanwhile, as they may on POSIX systems.
    if (_wsopen_s(&fd, WidePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  0) != 0) {
        // Windows refuses to open a directory as a file with "access denied": say what it is.
        const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
        const bool directory =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        m_openError = directory ? EISDIR : errno;
        return false;
    }
    UniqueFd opened(fd);
    struct _stat64 info {};
    if (_fstat64(opened.Get(), &info) != 0) {
        m_openError = errno;
        return false;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        m_openError = (info.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : kNotRegularCause;
        return false;
    }
    m_fd = std::move(opened);
    m_size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::size_t CFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (m_source) {
        return ReadSourceAt(offset, buffer, count);
    }
    if (_lseeki64(m_fd.Get(), static_cast<__int64>(offset), SEEK_SET) < 0) {
        Fail(errno);
    }
    std::size_t total = 0;
    while (total < count) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(count - total, INT_MAX));
        const int got = _read(m_fd.Get(), buffer + total, chunk);
        if (got < 0) {
            Fail(errno);
        }
        if (got == 0) {
            m_end = offset + total;
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

namespace {

// The volume and file ID of an open file: what makes two names one file.
bool IdentityOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    return handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info);
}

}  // namespace

bool IsSameFile(int fd, const FileName& file) {
    BY_HANDLE_FILE_INFORMATION open{};
    BY_HANDLE_FILE_INFORMATION named{};
    const HANDLE other = ::CreateFileW(WidePath(SystemPath(file)).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool same =
        IdentityOf(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), open) &&
        IdentityOf(other, named) && open.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
        open.nFileIndexHigh == named.nFileIndexHigh && open.nFileIndexLow == named.nFileIndexLow;
    if (other != INVALID_HANDLE_VALUE) {
        ::CloseHandle(other);
    }
    return same;
}

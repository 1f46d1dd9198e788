// Name lists on Windows: when they are not UTF-8, in the OEM code page, as `dir` writes them
// into a file.
#include <fcntl.h>
#include <io.h>
#include <share.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/name_list_source.h"
#include "platform/windows/wide.h"

UniqueFd OpenList(const std::string& path) {
    int fd = -1;
    const errno_t failed =
        _wsopen_s(&fd, WidePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
    errno = failed;
    return UniqueFd(failed == 0 ? fd : -1);
}

std::ptrdiff_t ReadList(int fd, char* buffer, std::size_t count) {
    return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(count, INT_MAX)));
}

std::string ListText(std::string bytes) {
    const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    if (size > 0 &&
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0) == 0) {
        std::wstring wide(static_cast<std::size_t>(
                              ::MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), size, nullptr, 0)),
                          L'\0');
        ::MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), size, wide.data(),
                              static_cast<int>(wide.size()));
        bytes = Utf8(wide);
    }
    // Lines end "\r\n" here, and no Windows name holds a carriage return.
    std::erase(bytes, '\r');
    return bytes;
}

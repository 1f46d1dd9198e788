// Name lists on POSIX systems: bytes, used as they are.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/name_list_source.h"

UniqueFd OpenList(const std::string& path) {
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
}

std::ptrdiff_t ReadList(int fd, char* buffer, std::size_t count) {
    ssize_t got = 0;
    do {
        got = ::read(fd, buffer, count);
    } while (got < 0 && errno == EINTR);
    return got;
}

std::string ListText(std::string bytes) {
    return bytes;
}

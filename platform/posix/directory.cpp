#include "platform/directory.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/path.h"

int CreateDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);  // 0777 less the umask
    return error.value();
}

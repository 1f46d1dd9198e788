#include "platform/directory.h"

#include <filesystem>
#include <system_error>

int CreateDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);  // 0777 less the umask
    return error.value();
}

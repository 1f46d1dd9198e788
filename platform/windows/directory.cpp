#include "platform/directory.h"

#include <filesystem>
#include <system_error>

#include "platform/windows/wide.h"

int CreateDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(Wide(path)), error);
    if (!error) {
        return 0;
    }
    return error.category() == std::system_category() ? ErrnoOf(static_cast<DWORD>(error.value()))
                                                      : error.value();
}

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

int CreateDirectoriesBelow(const std::string& base, const std::string& relative,
                           std::string& failed) {
    failed = base;
    for (std::size_t start = 0; start < relative.size();) {
        const std::size_t end = std::min(relative.find('/', start), relative.size());
        failed = MakePath(failed, relative.substr(start, end - start), "");
        start = end + 1;
        if (::mkdir(failed.c_str(), 0777) == 0) {  // 0777 less the umask
            continue;
        }
        if (errno != EEXIST) {
            return errno;
        }
        struct stat info {};
        if (::lstat(failed.c_str(), &info) != 0) {
            return errno;
        }
        if (!S_ISDIR(info.st_mode)) {
            return S_ISLNK(info.st_mode) ? ELOOP : ENOTDIR;
        }
    }
    return 0;
}

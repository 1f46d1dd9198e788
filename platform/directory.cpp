#include "platform/directory.h"

#include <sys/stat.h>

namespace {
constexpr mode_t kDirectoryMode = 0777;  // less the umask
}

bool CreateDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), kDirectoryMode) == 0;
}

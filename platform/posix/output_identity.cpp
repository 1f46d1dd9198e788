#include <sys/stat.h>

#include "platform/output_identity.h"

std::optional<std::string> ExistingFolderIdentity(const std::string& directory) {
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::string NameKey(const std::string& name) {
    return name;
}

std::filesystem::path PathOfText(const std::string& text) {
    return text;
}

std::string TextOfPath(const std::filesystem::path& path) {
    return path.string();
}

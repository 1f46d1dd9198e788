#include "platform/output_identity.h"

#include <sys/stat.h>

#include <filesystem>

#include "platform/path.h"

std::string COutputIdentity::KeyOf(const std::string& path) {
    const PathParts parts = SplitPath(path);
    const std::string name = parts.baseName + parts.extension;
    auto folder = m_folders.find(parts.directory);
    if (folder == m_folders.end()) {
        struct stat info {};
        if (::stat(parts.directory.empty() ? "." : parts.directory.c_str(), &info) != 0) {
            return std::filesystem::path(path).lexically_normal().string();
        }
        // A character no path holds ends the folder's part, so keys never meet paths.
        const std::string key =
            std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + '\0';
        folder = m_folders.emplace(parts.directory, key).first;
    }
    return folder->second + name;
}

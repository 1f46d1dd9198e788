#include "platform/output_identity.h"

#include <filesystem>

#include "platform/path.h"
#include "platform/windows/wide.h"

std::string COutputIdentity::KeyOf(const std::string& path) {
    const PathParts parts = SplitPath(path);
    std::string name = parts.baseName + parts.extension;
    // Windows compares names without regard to case: so does the key.
    name = Utf8([&] {
        std::wstring wide = Wide(name);
        ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        return wide;
    }());
    auto folder = m_folders.find(parts.directory);
    if (folder == m_folders.end()) {
        const HANDLE handle =
            ::CreateFileW(WidePath(parts.directory.empty() ? "." : parts.directory).c_str(), 0,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        const bool known =
            handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, &info);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
        if (!known) {
            return Utf8(std::filesystem::path(Wide(path)).lexically_normal().wstring());
        }
        const std::string key = std::to_string(info.dwVolumeSerialNumber) + ":" +
                                std::to_string(info.nFileIndexHigh) + ":" +
                                std::to_string(info.nFileIndexLow) + '\0';
        folder = m_folders.emplace(parts.directory, key).first;
    }
    return folder->second + name;
}

#include "platform/output_identity.h"

#include "platform/windows/wide.h"

std::optional<std::string> ExistingFolderIdentity(const std::string& directory) {
    const HANDLE handle = ::CreateFileW(
        WidePath(directory).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = handle != INVALID_HANDLE_VALUE &&
                       ::GetFileInformationByHandle(handle, &info) &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
    }
    if (!known) {
        return std::nullopt;
    }
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
           ":" + std::to_string(info.nFileIndexLow);
}

// Windows compares names without regard to case: so does the key.
std::string NameKey(const std::string& name) {
    std::wstring wide = Wide(name);
    ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Utf8(wide);
}

std::filesystem::path PathOfText(const std::string& text) {
    return Wide(text);
}

std::string TextOfPath(const std::filesystem::path& path) {
    return Utf8(path.wstring());
}

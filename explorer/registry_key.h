#pragma once

#include <windows.h>

#include <optional>
#include <string>

// An open registry key, closed with the object.
class CRegistryKey {
public:
    CRegistryKey() = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    ~CRegistryKey();

    // Opens `path` under `root`, which must exist.
    LSTATUS Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ | KEY_WRITE);
    // Opens `path`, making it and the keys above it as needed.
    LSTATUS Create(HKEY root, const std::wstring& path);

    // The text value `name` ("" the key's default), if there is one.
    std::optional<std::wstring> ReadText(const wchar_t* name) const;
    LSTATUS WriteText(const wchar_t* name, const std::wstring& text);
    LSTATUS DeleteValue(const wchar_t* name);

private:
    HKEY m_key = nullptr;
};

// The text value `name` of the key at `path`, if both exist.
std::optional<std::wstring> ReadRegistryText(HKEY root, const std::wstring& path,
                                             const wchar_t* name);
// Removes the key at `path` and then each key above it, as far as `last` (not included),
// while they hold no value and no key.
void RemoveEmptyKeys(HKEY root, std::wstring path, const std::wstring& last);

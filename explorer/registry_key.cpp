#include "explorer/registry_key.h"

CRegistryKey::~CRegistryKey() {
    if (m_key != nullptr) {
        ::RegCloseKey(m_key);
    }
}

LSTATUS CRegistryKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
    return ::RegOpenKeyExW(root, path.c_str(), 0, access, &m_key);
}

LSTATUS CRegistryKey::Create(HKEY root, const std::wstring& path) {
    return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr);
}

std::optional<std::wstring> CRegistryKey::ReadText(const wchar_t* name) const {
    DWORD bytes = 0;
    if (::RegGetValueW(m_key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(m_key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

LSTATUS CRegistryKey::WriteText(const wchar_t* name, const std::wstring& text) {
    return ::RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LSTATUS CRegistryKey::DeleteValue(const wchar_t* name) {
    return ::RegDeleteValueW(m_key, name);
}

std::optional<std::wstring> ReadRegistryText(HKEY root, const std::wstring& path,
                                             const wchar_t* name) {
    CRegistryKey key;
    if (key.Open(root, path, KEY_READ) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return key.ReadText(name);
}

void RemoveEmptyKeys(HKEY root, std::wstring path, const std::wstring& last) {
    while (path.size() > last.size() && path.compare(0, last.size(), last) == 0) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return;
        }
        DWORD keys = 0;
        DWORD values = 0;
        const LSTATUS status =
            ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr);
        ::RegCloseKey(key);
        if (status != ERROR_SUCCESS || keys != 0 || values != 0 ||
            ::RegDeleteKeyW(root, path.c_str()) != ERROR_SUCCESS) {
            return;
        }
        path.erase(path.rfind(L'\\'));
    }
}

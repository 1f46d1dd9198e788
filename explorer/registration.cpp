#include "explorer/registration.h"

#include <shlobj.h>

#include <array>
#include <cwctype>
#include <string>

#include "explorer/handler_class.h"
#include "explorer/module.h"
#include "explorer/registry_key.h"

namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes";
constexpr wchar_t kApproved[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
// Where Explorer looks for a file type's thumbnail handler.
constexpr wchar_t kThumbnailHandlerKey[] = L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
// The file types, by their extension's key and the one that holds for any program's type.
constexpr std::array kAssociations{L".dwg", L"SystemFileAssociations\\.dwg", L".dxf",
                                   L"SystemFileAssociations\\.dxf"};
// Under the class's key: the handlers set aside, one value per association.
constexpr wchar_t kSetAsideKey[] = L"\\SetAside";

HKEY RootOf(Scope scope) {
    return scope == Scope::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring ClassKey() {
    return std::wstring(kClasses) + L"\\CLSID\\" + kHandlerClassText;
}

std::wstring HandlerKey(const wchar_t* association) {
    return std::wstring(kClasses) + L"\\" + association + kThumbnailHandlerKey;
}

bool IsThisHandler(const std::wstring& text) {
    return ::CompareStringOrdinal(text.c_str(), -1, kHandlerClassText, -1, TRUE) == CSTR_EQUAL;
}

// The handler of another program that the scope's users see for `association`, if any.
std::optional<std::wstring> OtherHandler(Scope scope, const wchar_t* association) {
    std::optional<std::wstring> seen =
        ReadRegistryText(RootOf(scope), HandlerKey(association), L"");
    if (!seen && scope == Scope::kUser) {
        seen = ReadRegistryText(HKEY_LOCAL_MACHINE, HandlerKey(association), L"");
    }
    return seen && !seen->empty() && !IsThisHandler(*seen) ? seen : std::nullopt;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // a long path
    }
}

LSTATUS WriteClass(HKEY root) {
    CRegistryKey key;
    CRegistryKey server;
    LSTATUS status = key.Create(root, ClassKey());
    if (status == ERROR_SUCCESS) {
        status = key.WriteText(L"", kHandlerName);
    }
    if (status == ERROR_SUCCESS) {
        status = server.Create(root, ClassKey() + L"\\InprocServer32");
    }
    if (status == ERROR_SUCCESS) {
        status = server.WriteText(L"", ModulePath());
    }
    if (status == ERROR_SUCCESS) {
        status = server.WriteText(L"ThreadingModel", L"Apartment");
    }
    return status;
}

// Points `association` at this handler, keeping the scope's own earlier handler aside.
LSTATUS WriteAssociation(HKEY root, const wchar_t* association) {
    CRegistryKey handler;
    LSTATUS status = handler.Create(root, HandlerKey(association));
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const std::optional<std::wstring> earlier = handler.ReadText(L"");
    if (earlier && !earlier->empty() && !IsThisHandler(*earlier)) {
        CRegistryKey aside;
        status = aside.Create(root, ClassKey() + kSetAsideKey);
        if (status == ERROR_SUCCESS) {
            status = aside.WriteText(association, *earlier);
        }
    }
    return status == ERROR_SUCCESS ? handler.WriteText(L"", kHandlerClassText) : status;
}

// Puts back what `association` held before, or removes this handler's entry.
void RemoveAssociation(HKEY root, const wchar_t* association) {
    CRegistryKey handler;
    if (handler.Open(root, HandlerKey(association)) != ERROR_SUCCESS) {
        return;
    }
    const std::optional<std::wstring> current = handler.ReadText(L"");
    if (!current || !IsThisHandler(*current)) {
        return;  // another program's since: left as it is
    }
    if (const auto earlier = ReadRegistryText(root, ClassKey() + kSetAsideKey, association)) {
        handler.WriteText(L"", *earlier);
        return;
    }
    handler.DeleteValue(L"");
    RemoveEmptyKeys(root, HandlerKey(association), kClasses);
}

LSTATUS WriteApproval(HKEY root) {
    CRegistryKey approved;
    const LSTATUS status = approved.Create(root, kApproved);
    return status == ERROR_SUCCESS ? approved.WriteText(kHandlerClassText, kHandlerName) : status;
}

void AnnounceChange() {
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace

std::optional<RegistrationRequest> ParseInstallCommand(const wchar_t* command) {
    RegistrationRequest request;
    std::wstring word;
    for (const wchar_t* next = command;; ++next) {
        if (next != nullptr && *next != L'\0' && *next != L' ' && *next != L',') {
            word += static_cast<wchar_t>(std::towlower(*next));
            continue;
        }
        if (word == L"user") {
            request.scope = Scope::kUser;
        } else if (word == L"replace") {
            request.replace = true;
        } else if (!word.empty()) {
            return std::nullopt;
        }
        word.clear();
        if (next == nullptr || *next == L'\0') {
            return request;
        }
    }
}

HRESULT Register(const RegistrationRequest& request) {
    for (const wchar_t* association : kAssociations) {
        if (!request.replace && OtherHandler(request.scope, association)) {
            return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
        }
    }
    const HKEY root = RootOf(request.scope);
    LSTATUS status = WriteClass(root);
    for (const wchar_t* association : kAssociations) {
        if (status == ERROR_SUCCESS) {
            status = WriteAssociation(root, association);
        }
    }
    if (status == ERROR_SUCCESS) {
        status = WriteApproval(root);
    }
    if (status != ERROR_SUCCESS) {
        Unregister(request.scope);  // nothing half done stays
        return HRESULT_FROM_WIN32(status);
    }
    AnnounceChange();
    return S_OK;
}

HRESULT Unregister(Scope scope) {
    const HKEY root = RootOf(scope);
    for (const wchar_t* association : kAssociations) {
        RemoveAssociation(root, association);
    }
    CRegistryKey approved;
    if (approved.Open(root, kApproved) == ERROR_SUCCESS) {
        approved.DeleteValue(kHandlerClassText);
    }
    const LSTATUS status = ::RegDeleteTreeW(root, ClassKey().c_str());
    AnnounceChange();
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(status);
}

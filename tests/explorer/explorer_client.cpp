// A Windows program that asks the registered thumbnail handler for a drawing's picture the
// ways Explorer does, and prints what came back:
//
//   explorer_client stream|failing|file|shell DRAWING SIDE
//   explorer_client bench FOLDER SIDE
//
// "hr 0x........" first; for a picture, "WIDTH HEIGHT" and its pixels as red, green, blue and
// alpha in hexadecimal, 16 bytes a line, as the library's demo prints them; for a stream, the
// bytes read from it on the last line ("read N").
#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>
#include <thumbcache.h>
#include <wrl/client.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "explorer/handler_class.h"
#include "tests/explorer/stream_wrapper.h"

using Microsoft::WRL::ComPtr;

namespace {

HRESULT ThroughStream(IThumbnailProvider* provider, IStream* stream) {
    ComPtr<IInitializeWithStream> initialize;
    HRESULT result = provider->QueryInterface(IID_PPV_ARGS(&initialize));
    return SUCCEEDED(result) ? initialize->Initialize(stream, STGM_READ) : result;
}

HRESULT ThroughFile(IThumbnailProvider* provider, const wchar_t* path) {
    ComPtr<IInitializeWithFile> initialize;
    HRESULT result = provider->QueryInterface(IID_PPV_ARGS(&initialize));
    return SUCCEEDED(result) ? initialize->Initialize(path, STGM_READ) : result;
}

// As the shell finds a file's handler: its folder's UI object for the item.
HRESULT FromShell(const wchar_t* path, ComPtr<IThumbnailProvider>& provider) {
    PIDLIST_ABSOLUTE item = nullptr;
    HRESULT result = ::SHParseDisplayName(path, nullptr, &item, 0, nullptr);
    if (FAILED(result)) {
        return result;
    }
    ComPtr<IShellFolder> folder;
    PCUITEMID_CHILD child = nullptr;
    result = ::SHBindToParent(item, IID_PPV_ARGS(&folder), &child);
    if (SUCCEEDED(result)) {
        result = folder->GetUIObjectOf(nullptr, 1, &child, __uuidof(IThumbnailProvider), nullptr,
                                       reinterpret_cast<void**>(provider.GetAddressOf()));
    }
    ::CoTaskMemFree(item);
    return result;
}

// The bitmap's pixels read back as a program reads any bitmap.
void PrintPixels(HBITMAP bitmap) {
    DIBSECTION section{};
    if (::GetObjectW(bitmap, sizeof(section), &section) != sizeof(section) ||
        section.dsBm.bmBitsPixel != 32) {
        std::printf("not a 32-bit DIB section\n");
        return;
    }
    const LONG width = section.dsBm.bmWidth;
    const LONG height = section.dsBm.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> bgra(static_cast<std::size_t>(width) * height * 4);
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    // Rows top first in the section's own memory, as Explorer takes them.
    if (std::memcmp(section.dsBm.bmBits, bgra.data(), bgra.size()) != 0) {
        std::printf("not top-down\n");
    }
    std::printf("%ld %ld\n", width, height);
    for (std::size_t at = 0; at < bgra.size(); at += 4) {
        std::printf("%02x %02x %02x %02x", bgra[at + 2], bgra[at + 1], bgra[at], bgra[at + 3]);
        std::printf(at % 16 == 12 || at + 4 == bgra.size() ? "\n" : " ");
    }
}

// Every drawing of a folder through a stream, one handler object each, as Explorer asks for
// a folder's thumbnails: prints the count of pictures made.
int Bench(const std::wstring& folder, UINT side) {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((folder + L"\\*.dwg").c_str(), &found);
    int pictures = 0;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
        ComPtr<IThumbnailProvider> provider;
        ComPtr<IStream> stream;
        HBITMAP bitmap = nullptr;
        WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
        const std::wstring path = folder + L"\\" + found.cFileName;
        if (SUCCEEDED(::CoCreateInstance(kHandlerClass, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(&provider))) &&
            SUCCEEDED(::SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE, 0,
                                               FALSE, nullptr, &stream)) &&
            SUCCEEDED(ThroughStream(provider.Get(), stream.Get())) &&
            provider->GetThumbnail(side, &bitmap, &alpha) == S_OK) {
            ++pictures;
            ::DeleteObject(bitmap);
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        ::FindClose(search);
    }
    std::printf("%d\n", pictures);
    return 0;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
    if (count != 4) {
        std::fprintf(stderr, "usage: explorer_client stream|failing|file|shell DRAWING SIDE\n");
        return 2;
    }
    const std::wstring mode = arguments[1];
    const wchar_t* path = arguments[2];
    const UINT side = static_cast<UINT>(std::wcstoul(arguments[3], nullptr, 10));
    _setmode(_fileno(stdout), _O_BINARY);  // lines end as on Linux
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (mode == L"bench") {
        return Bench(path, side);
    }
    HRESULT result = S_OK;
    ComPtr<IThumbnailProvider> provider;
    ComPtr<CStreamWrapper> stream;
    if (mode == L"shell") {
        result = FromShell(path, provider);
    } else {
        result = ::CoCreateInstance(kHandlerClass, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&provider));
    }
    if (SUCCEEDED(result) && (mode == L"stream" || mode == L"failing")) {
        ComPtr<IStream> file;
        result = ::SHCreateStreamOnFileEx(path, STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE, nullptr,
                                          &file);
        if (SUCCEEDED(result)) {
            stream.Attach(new CStreamWrapper(file.Get(), mode == L"failing"));
            result = ThroughStream(provider.Get(), stream.Get());
        }
    } else if (SUCCEEDED(result) && mode == L"file") {
        result = ThroughFile(provider.Get(), path);
    }
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    if (SUCCEEDED(result)) {
        result = provider->GetThumbnail(side, &bitmap, &alpha);
    }
    std::printf("hr 0x%08lx\n", static_cast<unsigned long>(result));
    if (bitmap != nullptr) {
        std::printf(alpha == WTSAT_RGB ? "" : "alpha type %d\n", static_cast<int>(alpha));
        PrintPixels(bitmap);
        ::DeleteObject(bitmap);
    }
    if (stream) {
        std::printf("read %llu\n", static_cast<unsigned long long>(stream->BytesRead()));
    }
    provider.Reset();
    stream.Reset();
    ::CoUninitialize();
    return 0;
}

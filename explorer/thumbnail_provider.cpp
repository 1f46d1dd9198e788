#include "explorer/thumbnail_provider.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "explorer/handler_class.h"
#include "explorer/module.h"
#include "explorer/stream_source.h"

namespace {

// What a thumbnail may cost, whatever a drawing claims: its side, the preview's stored bytes
// and the bitmap it is decoded to.
constexpr std::uint32_t kMaxSide = 4096;
constexpr std::uint64_t kMaxPreviewBytes = 64ull << 20;
constexpr std::uint64_t kMaxDecodeBytes = 64ull << 20;
// Thumbnails are shown on white, as the desktops show them.
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr unsigned kBytesPerPixel = 4;

struct ContextFree {
    void operator()(pictavex_ctx* context) const { pictavex_ctx_free(context); }
};

HRESULT FromErrno(int cause) {
    switch (cause) {
        case ENOENT:
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        case EACCES:
            return E_ACCESSDENIED;
        case ENOMEM:
            return E_OUTOFMEMORY;
        default:
            return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    }
}

// The answer for a library result other than success.
HRESULT FromResult(int result, int cause) {
    switch (result) {
        case PICTAVEX_ENO_PREVIEW:
            return S_FALSE;
        case PICTAVEX_EDAMAGED:
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        case PICTAVEX_ENOT_DRAWING:
            return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
        case PICTAVEX_ELIMIT:
            return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
        case PICTAVEX_ENOMEM:
            return E_OUTOFMEMORY;
        case PICTAVEX_EREAD:
            return FromErrno(cause);
        default:
            return E_FAIL;
    }
}

// The path as the library takes it, in UTF-8.
std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.c_str(), -1, nullptr,
                                           0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string converted(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.c_str(), -1, converted.data(), size,
                          nullptr, nullptr);
    converted.pop_back();  // the terminating zero
    return converted;
}

}  // namespace

CThumbnailProvider::CThumbnailProvider() {
    ModuleAddRef();
}

CThumbnailProvider::~CThumbnailProvider() {
    ModuleRelease();
}

STDMETHODIMP CThumbnailProvider::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IInitializeWithStream)) {
        *object = static_cast<IInitializeWithStream*>(this);
    } else if (iid == __uuidof(IInitializeWithFile)) {
        *object = static_cast<IInitializeWithFile*>(this);
    } else if (iid == __uuidof(IPersistFile) || iid == __uuidof(IPersist)) {
        *object = static_cast<IPersistFile*>(this);
    } else if (iid == __uuidof(IThumbnailProvider)) {
        *object = static_cast<IThumbnailProvider*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CThumbnailProvider::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

STDMETHODIMP_(ULONG) CThumbnailProvider::Release() {
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

STDMETHODIMP CThumbnailProvider::Initialize(IStream* stream, DWORD /*mode*/) {
    if (stream == nullptr) {
        return E_INVALIDARG;
    }
    if (Initialized()) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    m_stream = stream;
    return S_OK;
}

STDMETHODIMP CThumbnailProvider::Initialize(LPCWSTR path, DWORD /*mode*/) {
    if (path == nullptr || *path == L'\0') {
        return E_INVALIDARG;
    }
    if (Initialized()) {
        return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
    }
    try {
        m_path = path;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP CThumbnailProvider::GetClassID(CLSID* id) {
    if (id == nullptr) {
        return E_POINTER;
    }
    *id = kHandlerClass;
    return S_OK;
}

STDMETHODIMP CThumbnailProvider::GetCurFile(LPOLESTR* path) {
    if (path == nullptr) {
        return E_POINTER;
    }
    *path = nullptr;
    if (m_path.empty()) {
        return E_FAIL;
    }
    const std::size_t bytes = (m_path.size() + 1) * sizeof(wchar_t);
    *path = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    if (*path == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(*path, m_path.c_str(), bytes);
    return S_OK;
}

STDMETHODIMP CThumbnailProvider::GetThumbnail(UINT side, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) {
    if (bitmap == nullptr || alpha == nullptr || side == 0) {
        return E_INVALIDARG;
    }
    *bitmap = nullptr;
    *alpha = WTSAT_UNKNOWN;
    if (!Initialized()) {
        return E_UNEXPECTED;
    }
    try {
        const HRESULT result = MakeThumbnail(side, *bitmap);
        if (result == S_OK) {
            *alpha = WTSAT_RGB;  // opaque: transparency is blended over white
        }
        return result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;  // nothing may escape into Explorer
    }
}

HRESULT CThumbnailProvider::Load(pictavex_ctx* context, int& result) {
    if (!m_stream) {
        result = pictavex_load_file(context, Utf8(m_path).c_str());
        return S_OK;
    }
    std::uint64_t size = 0;
    if (const HRESULT status = StreamSize(m_stream.Get(), size); FAILED(status)) {
        return status;
    }
    StreamSource source{m_stream.Get()};
    result = pictavex_load_stream(context, ReadFromStream, &source, size);
    return result == PICTAVEX_EREAD && FAILED(source.failure) ? source.failure : S_OK;
}

HRESULT CThumbnailProvider::MakeThumbnail(UINT side, HBITMAP& bitmap) {
    const std::unique_ptr<pictavex_ctx, ContextFree> context(pictavex_ctx_new());
    if (!context) {
        return E_OUTOFMEMORY;
    }
    pictavex_set_background(context.get(), kWhite);
    pictavex_set_limits(context.get(), kMaxSide, kMaxPreviewBytes, kMaxDecodeBytes);
    pictavex_set_draw(context.get(), PICTAVEX_DRAW_MISSING);  // every DXF drawing shows
    pictavex_set_draw_limits(context.get(), PICTAVEX_DESKTOP_DRAW_ENTITIES,
                             PICTAVEX_DESKTOP_DRAW_MILLISECONDS);
    int result = PICTAVEX_OK;
    if (const HRESULT failure = Load(context.get(), result); FAILED(failure)) {
        return failure;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (result == PICTAVEX_OK) {
        result = pictavex_get_fitted_size(context.get(), side, &width, &height);
    }
    if (result != PICTAVEX_OK) {
        return FromResult(result, pictavex_get_errno(context.get()));
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 8 * kBytesPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP made = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (made == nullptr) {
        return E_OUTOFMEMORY;
    }
    const std::size_t stride = std::size_t{width} * kBytesPerPixel;
    result =
        pictavex_get_fitted(context.get(), side, PICTAVEX_FMT_BGRA8, bits, stride, stride * height);
    if (result != PICTAVEX_OK) {
        ::DeleteObject(made);
        return FromResult(result, pictavex_get_errno(context.get()));
    }
    bitmap = made;
    return S_OK;
}

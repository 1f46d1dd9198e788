#pragma once

#include <windows.h>

#include <propsys.h>
#include <shobjidl.h>
#include <thumbcache.h>
#include <wrl/client.h>

#include <string>

#include "lib/pictavex.h"

// The thumbnail of one drawing for Explorer: initialised with the drawing's stream (or its
// path, also as the shell loads a file's handlers), asked for a picture of a size. Nothing
// escapes it but an HRESULT.
class CThumbnailProvider final : public IInitializeWithStream,
                                 public IInitializeWithFile,
                                 public IPersistFile,
                                 public IThumbnailProvider {
public:
    CThumbnailProvider();
    CThumbnailProvider(const CThumbnailProvider&) = delete;
    CThumbnailProvider& operator=(const CThumbnailProvider&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(IStream* stream, DWORD mode) override;
    STDMETHODIMP Initialize(LPCWSTR path, DWORD mode) override;
    // IPersistFile: loading is initialising with the path; nothing is ever saved.
    STDMETHODIMP GetClassID(CLSID* id) override;
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPCOLESTR path, DWORD mode) override { return Initialize(path, mode); }
    STDMETHODIMP Save(LPCOLESTR /*path*/, BOOL /*remember*/) override { return E_NOTIMPL; }
    STDMETHODIMP SaveCompleted(LPCOLESTR /*path*/) override { return E_NOTIMPL; }
    STDMETHODIMP GetCurFile(LPOLESTR* path) override;
    // A 32-bit top-down DIB section of the preview fitted inside side x side on white; S_FALSE
    // and no bitmap for a drawing without a preview.
    STDMETHODIMP GetThumbnail(UINT side, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override;

private:
    ~CThumbnailProvider();
    bool Initialized() const { return m_stream || !m_path.empty(); }
    HRESULT MakeThumbnail(UINT side, HBITMAP& bitmap);
    // The drawing loaded into `context`: a library result, or the stream's own failure.
    HRESULT Load(pictavex_ctx* context, int& result);

    LONG m_references = 1;
    Microsoft::WRL::ComPtr<IStream> m_stream;
    std::wstring m_path;
};

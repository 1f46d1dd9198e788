#pragma once
// A file's stream that counts the bytes read from it, or fails every read.

#include <windows.h>

#include <objidl.h>

class CStreamWrapper final : public IStream {
public:
    CStreamWrapper(IStream* inner, bool failReads) : m_inner(inner), m_failReads(failReads) {
        m_inner->AddRef();
    }
    ULONGLONG BytesRead() const { return m_read; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream) ||
            iid == __uuidof(IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_references; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --m_references;
        if (left == 0) {
            m_inner->Release();
            delete this;
        }
        return left;
    }
    STDMETHODIMP Read(void* buffer, ULONG count, ULONG* read) override {
        if (m_failReads) {
            return STG_E_READFAULT;
        }
        ULONG got = 0;
        const HRESULT result = m_inner->Read(buffer, count, &got);
        m_read += got;
        if (read != nullptr) {
            *read = got;
        }
        return result;
    }
    STDMETHODIMP Write(const void* buffer, ULONG count, ULONG* written) override {
        return m_inner->Write(buffer, count, written);
    }
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        return m_inner->Seek(move, origin, position);
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER size) override { return m_inner->SetSize(size); }
    STDMETHODIMP CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                        ULARGE_INTEGER* written) override {
        return m_inner->CopyTo(to, count, read, written);
    }
    STDMETHODIMP Commit(DWORD flags) override { return m_inner->Commit(flags); }
    STDMETHODIMP Revert() override { return m_inner->Revert(); }
    STDMETHODIMP LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override {
        return m_inner->LockRegion(offset, count, type);
    }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override {
        return m_inner->UnlockRegion(offset, count, type);
    }
    STDMETHODIMP Stat(STATSTG* status, DWORD flags) override {
        return m_inner->Stat(status, flags);
    }
    STDMETHODIMP Clone(IStream** copy) override { return m_inner->Clone(copy); }

private:
    ~CStreamWrapper() = default;

    IStream* m_inner;
    bool m_failReads;
    ULONG m_references = 1;
    ULONGLONG m_read = 0;
};

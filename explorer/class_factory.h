#pragma once

#include <windows.h>

#include <unknwn.h>

// Makes the thumbnail handler's objects for COM.
class CClassFactory final : public IClassFactory {
public:
    CClassFactory();
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    ~CClassFactory();

    LONG m_references = 1;
};

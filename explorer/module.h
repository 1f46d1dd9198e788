#pragma once

#include <windows.h>

#include <new>

// The objects and locks that keep the DLL loaded, as COM counts them for DllCanUnloadNow.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// A new `Object` asked for the interface `iid`: the caller's reference is its only one, and
// with none (a refusal, or no memory) it is gone again.
template <typename Object>
HRESULT CreateAsked(REFIID iid, void** object) {
    Object* created = new (std::nothrow) Object();
    if (created == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release();
    return result;
}

// The DLL's own file name, for its registration.
HMODULE ThisModule();

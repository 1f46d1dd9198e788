#include "explorer/module.h"

#include <atomic>

namespace {

// What COM asks of every in-process server: whether anything of it is still in use.
std::atomic<long> g_inUse{0};

}  // namespace

void ModuleAddRef() {
    ++g_inUse;
}

void ModuleRelease() {
    --g_inUse;
}

bool ModuleInUse() {
    return g_inUse.load() != 0;
}

HMODULE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

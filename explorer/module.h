#pragma once

#include <windows.h>

// The objects and locks that keep the DLL loaded, as COM counts them for DllCanUnloadNow.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// The DLL's own file name, for its registration.
HMODULE ThisModule();

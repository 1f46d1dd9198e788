#pragma once

#include <windows.h>

#include <optional>

// For every user of the machine (an administrator's), or for the one running it.
enum class Scope { kMachine, kUser };

struct RegistrationRequest {
    Scope scope = Scope::kMachine;
    // Whether another program's handler for drawings may be set aside (and is put back when
    // this one is unregistered). Without it, registering over one fails and changes nothing.
    bool replace = false;
};

// What regsvr32 /i: passes: words "user" and "replace", apart by spaces or commas; none is
// a registration for the machine. Nothing for an unknown word.
std::optional<RegistrationRequest> ParseInstallCommand(const wchar_t* command);

// Registers the handler, or fails having changed nothing: ERROR_ALREADY_EXISTS for another
// program's handler without `replace`, E_ACCESSDENIED for the machine without the right.
HRESULT Register(const RegistrationRequest& request);
// Removes what Register wrote in that scope and puts back what it set aside.
HRESULT Unregister(Scope scope);

// The DLL's entry points, as COM and regsvr32 call them.
#include <windows.h>

#include "explorer/class_factory.h"
#include "explorer/handler_class.h"
#include "explorer/module.h"
#include "explorer/registration.h"

extern "C" {

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (id != kHandlerClass) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return CreateAsked<CClassFactory>(iid, object);
}

STDAPI DllCanUnloadNow() {
    return ModuleInUse() ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() {
    return Register({});
}

STDAPI DllUnregisterServer() {
    return Unregister(Scope::kMachine);
}

// regsvr32 /n /i:user (for the running user alone), /i:replace (over another program's
// handler), and the same with /u to unregister.
STDAPI DllInstall(BOOL install, LPCWSTR command) {
    const std::optional<RegistrationRequest> request = ParseInstallCommand(command);
    if (!request) {
        return E_INVALIDARG;
    }
    return install ? Register(*request) : Unregister(request->scope);
}

}  // extern "C"

// Registers the server's proxy/stub code for every forwarder interface in
// the calling apartment, for this process only (no registry), so that
// in-process tests can marshal forwarders between apartments.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "VexoProxy.h"

class ProxyRegistration {
public:
    ProxyRegistration() {
        IUnknown* factory = nullptr;
        if (FAILED(PrxDllGetClassObject(CLSID_PSFactoryBuffer, IID_IUnknown, reinterpret_cast<void**>(&factory))))
            return;
        ok_ = SUCCEEDED(CoRegisterClassObject(CLSID_PSFactoryBuffer, factory, CLSCTX_INPROC_SERVER,
                                              REGCLS_MULTIPLEUSE, &cookie_));
        factory->Release();
        for (ULONG i = 0; i < VexoProxyInterfaceCount(); ++i)
            ok_ = ok_ && SUCCEEDED(CoRegisterPSClsid(*VexoProxyInterfaceId(i), CLSID_PSFactoryBuffer));
    }
    ~ProxyRegistration() {
        if (cookie_) CoRevokeClassObject(cookie_);
    }
    ProxyRegistration(const ProxyRegistration&) = delete;
    ProxyRegistration& operator=(const ProxyRegistration&) = delete;
    bool ok() const { return ok_; }

private:
    DWORD cookie_ = 0;
    bool ok_ = false;
};

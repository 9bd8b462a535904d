// The class factory every creatable class is served by, and one entry of
// the server's class table.
#pragma once

#include <unknwn.h>

#include <new>

#include "Module.h"

namespace vexo::com {

using CreateFn = HRESULT (*)(REFIID iid, void** out);

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateFn create) noexcept : create_(create) { ModuleLock(); }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    static HRESULT Serve(CreateFn create, REFIID iid, void** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        auto* f = new (std::nothrow) ClassFactory(create);
        if (!f) return E_OUTOFMEMORY;
        HRESULT hr = f->QueryInterface(iid, out);
        f->Release();
        return hr;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (::IsEqualGUID(iid, IID_IUnknown) || ::IsEqualGUID(iid, IID_IClassFactory)) {
            AddRef();
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            return create_(iid, out);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }

private:
    ~ClassFactory() { ModuleUnlock(); }
    CreateFn create_;
    volatile LONG refs_ = 1;
};

}  // namespace vexo::com

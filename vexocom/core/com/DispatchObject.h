// The shape of every automation object of the server:
//
//   class Thing : public DispatchObject<Thing, IThing2, IConnectionPointContainer> {
//     static inline const IID* const kInterfaceChain[] = {&IID_IThing, &IID_IThing2};
//     ...
//   };
//
// - reference count; every live object holds one module lock;
// - QueryInterface over IUnknown, IDispatch, the default interface and the
//   interfaces it derives from (kInterfaceChain), the other listed
//   interfaces and ISupportErrorInfo (S_OK for the chain);
// - IDispatch answered from the type information of the default interface,
//   loaded once from the module's type library;
// - a hook for objects that a running operation has locked: their
//   late-bound calls are refused without being dispatched (message 529);
// - Fail(id): the class's error report with its fixed identity pair.
//
// A listed interface that is a mixin (not an interface itself) names the
// interface it implements as `using ComInterface = I...;`.
#pragma once

#include <oaidl.h>
#include <objbase.h>

#include <new>
#include <span>
#include <utility>

#include "ReportError.h"
#include "ComPtr.h"
#include "Module.h"
#include "TypeInfoCache.h"

namespace vexo::com {

template <class T>
const IID& InterfaceIdOf() noexcept {
    if constexpr (requires { typename T::ComInterface; })
        return __uuidof(typename T::ComInterface);
    else
        return __uuidof(T);
}

template <class T>
concept HasComInterface = requires { typename T::ComInterface; };

template <class T>
struct ComInterfaceOf {
    using type = T;
};
template <HasComInterface T>
struct ComInterfaceOf<T> {
    using type = typename T::ComInterface;
};

// Message id of the refusal of a late-bound call on a locked object.
inline constexpr UINT kLockedMessageId = 529;

template <class Derived, class IDefault, class... Others>
class DispatchObject : public IDefault, public Others..., public ISupportErrorInfo {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // A new object with one reference held by the result; null when memory
    // is short.
    template <class... A>
    static ComPtr<Derived> Make(A&&... args) {
        Derived* p = new (std::nothrow) Derived(std::forward<A>(args)...);
        return ComPtr<Derived>::Attach(p);
    }

    // Class-factory creation: a new object asked for iid.
    static HRESULT CreateInstance(REFIID iid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        ComPtr<Derived> obj = Make();
        if (!obj) return E_OUTOFMEMORY;
        return obj->QueryInterface(iid, out);
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        IUnknown* found = nullptr;
        if (::IsEqualGUID(iid, IID_IUnknown) || ::IsEqualGUID(iid, IID_IDispatch) ||
            ::IsEqualGUID(iid, __uuidof(IDefault)) || InChain(iid)) {
            found = static_cast<IDefault*>(this);
        } else if (::IsEqualGUID(iid, IID_ISupportErrorInfo)) {
            found = static_cast<ISupportErrorInfo*>(this);
        } else {
            found = FindOther<Others...>(iid);
            if (!found) found = static_cast<Derived*>(this)->QueryExtra(iid);
        }
        if (!found) return E_NOINTERFACE;
        found->AddRef();
        *out = found;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(n);
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return GetTypeInfoOf(__uuidof(IDefault), out);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!::IsEqualGUID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids) return E_POINTER;
        ComPtr<ITypeInfo> info;
        HRESULT hr = GetTypeInfoOf(__uuidof(IDefault), info.put());
        if (FAILED(hr)) return hr;
        return info->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (!::IsEqualGUID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (static_cast<Derived*>(this)->IsLockedForLateBinding()) {
            if (!result) return E_POINTER;
            ::VariantInit(result);
            V_VT(result) = VT_HRESULT;
            V_ERROR(result) = Fail(kLockedMessageId);
            return S_OK;
        }
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!params) params = &none;
        ComPtr<ITypeInfo> info;
        HRESULT hr = GetTypeInfoOf(__uuidof(IDefault), info.put());
        if (FAILED(hr)) return hr;
        return info->Invoke(static_cast<IDefault*>(this), id, flags, params, result, excep, argErr);
    }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override { return InChain(iid) ? S_OK : S_FALSE; }

    // Defaults that a class may hide with its own.
    bool IsLockedForLateBinding() const noexcept { return false; }
    IUnknown* QueryExtra(REFIID) noexcept { return nullptr; }
    static const GUID& ErrorClass() noexcept { return GUID_NULL; }
    static const GUID& ErrorInterface() noexcept { return __uuidof(IDefault); }

    // The class's report of string id `id` (its fixed class/interface pair).
    HRESULT Fail(UINT id) const { return ReportError(Derived::ErrorClass(), id, Derived::ErrorInterface()); }

    IUnknown* Identity() noexcept { return static_cast<IDefault*>(this); }

protected:
    DispatchObject() noexcept { ModuleLock(); }
    ~DispatchObject() { ModuleUnlock(); }

private:
    static bool InChain(REFIID iid) noexcept {
        if (::IsEqualGUID(iid, __uuidof(IDefault))) return true;
        for (const IID* id : std::span(Derived::kInterfaceChain))
            if (::IsEqualGUID(iid, *id)) return true;
        return false;
    }

    template <class First, class... Rest>
    IUnknown* FindOtherOne(REFIID iid) noexcept {
        if (::IsEqualGUID(iid, InterfaceIdOf<First>()))
            return static_cast<typename ComInterfaceOf<First>::type*>(static_cast<First*>(this));
        if constexpr (sizeof...(Rest) > 0) return FindOtherOne<Rest...>(iid);
        return nullptr;
    }
    template <class... List>
    IUnknown* FindOther(REFIID iid) noexcept {
        if constexpr (sizeof...(List) == 0)
            return nullptr;
        else
            return FindOtherOne<List...>(iid);
    }

    volatile LONG refs_ = 1;
};

}  // namespace vexo::com

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
// - IsLocked(): true while a running operation uses the object; its
//   setters and the collections' Add/Remove answer RefuseIfLocked() (message
//   529) on the early- and the late-bound path alike, getters keep working;
// - OwnObject<T>(p): the T behind an interface pointer a client passed in,
//   or null when the object is not one of this server's own T;
// - Fail(id): the class's error report with its fixed identity pair.
//
// A listed interface that is a mixin (not an interface itself) names the
// interface it implements as `using ComInterface = I...;`, and the one that
// interface derives from, when it answers that too, as
// `using ComBaseInterface = I...;`.
#pragma once

#include <oaidl.h>
#include <objbase.h>

#include <new>
#include <span>
#include <utility>
#include <vector>

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

// Object arguments of a late-bound call that the platform would convert on
// its own (an IUnknown, or any object by reference, for an interface
// parameter), given to it converted instead: by value as the declared
// interface, each held until the call returns.
class ConvertedObjects {
public:
    void Add(UINT index, VARTYPE vt, ComPtr<IUnknown> object) { items_.push_back({index, vt, std::move(object)}); }
    bool empty() const noexcept { return items_.empty(); }
    // A copy of `params` with the converted arguments in their places.
    DISPPARAMS* Apply(const DISPPARAMS* params) {
        args_.assign(params->rgvarg, params->rgvarg + params->cArgs);
        for (Item& i : items_) {
            VARIANT& v = args_[i.index];
            ::VariantInit(&v);
            V_VT(&v) = i.vt;
            V_UNKNOWN(&v) = i.object.get();  // borrowed: an [in] argument is not cleared by the callee
        }
        copy_ = *params;
        copy_.rgvarg = args_.data();
        return &copy_;
    }

private:
    struct Item {
        UINT index;
        VARTYPE vt;
        ComPtr<IUnknown> object;
    };
    std::vector<Item> items_;
    std::vector<VARIANT> args_;
    DISPPARAMS copy_{};
};

// Message id of the refusal of a change to a locked object.
inline constexpr UINT kLockedMessageId = kErrLocked;

// In-process only (never marshalled, not in the type library): answered by
// every object of the server, so that an object a client passes in can be
// told from a foreign implementation of the same interface.
// {3F0B6D2E-91A4-4C57-8E1D-6A2C0F4B7E95}
struct IOwnObject : public IUnknown {
    // The object itself when classTag is its class's tag, else null.
    virtual void* STDMETHODCALLTYPE Self(const void* classTag) = 0;
};

}  // namespace vexo::com

__CRT_UUID_DECL(vexo::com::IOwnObject, 0x3F0B6D2E, 0x91A4, 0x4C57, 0x8E, 0x1D, 0x6A, 0x2C, 0x0F, 0x4B, 0x7E, 0x95)

namespace vexo::com {

template <class Derived, class IDefault, class... Others>
class DispatchObject : public IDefault, public Others..., public ISupportErrorInfo, public IOwnObject {
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
        } else if (::IsEqualGUID(iid, __uuidof(IOwnObject))) {
            found = static_cast<IOwnObject*>(this);
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
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!params) params = &none;
        ComPtr<ITypeInfo> info;
        HRESULT hr = GetTypeInfoOf(__uuidof(IDefault), info.put());
        if (FAILED(hr)) return hr;
        ConvertedObjects objects;
        if (HRESULT refused = CheckArguments(id, flags, params, argErr, objects); FAILED(refused)) return refused;
        DISPPARAMS* passed = objects.empty() ? params : objects.Apply(params);
        hr = info->Invoke(static_cast<IDefault*>(this), id, flags, passed, result, excep, argErr);
        if (hr == DISP_E_MEMBERNOTFOUND) hr = InvokeNamesake(info.get(), id, flags, passed, result, excep, argErr);
        return hr;
    }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override { return InChain(iid) ? S_OK : S_FALSE; }

    // IOwnObject
    void* STDMETHODCALLTYPE Self(const void* classTag) override {
        return classTag == ClassTag() ? static_cast<Derived*>(this) : nullptr;
    }
    // One address per class.
    static const void* ClassTag() noexcept {
        static const char tag = 0;
        return &tag;
    }

    // Defaults that a class may hide with its own.
    bool IsLocked() const noexcept { return false; }
    IUnknown* QueryExtra(REFIID) noexcept { return nullptr; }
    static const GUID& ErrorClass() noexcept { return GUID_NULL; }
    static const GUID& ErrorInterface() noexcept { return __uuidof(IDefault); }

    // The class's report of string id `id` (its fixed class/interface pair).
    HRESULT Fail(UINT id) const { return ReportError(Derived::ErrorClass(), id, Derived::ErrorInterface()); }
    // S_OK, or message 529 while the object is locked.
    HRESULT RefuseIfLocked() const {
        return static_cast<const Derived*>(this)->IsLocked() ? Fail(kLockedMessageId) : S_OK;
    }

    IUnknown* Identity() noexcept { return static_cast<IDefault*>(this); }

protected:
    DispatchObject() noexcept { ModuleLock(); }
    ~DispatchObject() { ModuleUnlock(); }

private:
    // The arguments of a late-bound call checked before the type
    // information converts them: a wrong count, or a value that does not
    // convert to a plain parameter's type, is refused here, so that nothing
    // is half converted (the platform's conversion keeps a reference on an
    // object argument when a later argument fails). Members the type
    // information of the default interface does not list are left to it.
    static HRESULT CheckArguments(DISPID id, WORD flags, const DISPPARAMS* params, UINT* argErr,
                                  ConvertedObjects& objects) {
        // The member may be declared by the default interface or by one it
        // derives from.
        HRESULT firstRefusal = S_OK;
        if (CheckIn(__uuidof(IDefault), id, flags, params, argErr, firstRefusal, objects)) return S_OK;
        for (const IID* chained : std::span(Derived::kInterfaceChain))
            if (!::IsEqualGUID(*chained, __uuidof(IDefault)) &&
                CheckIn(*chained, id, flags, params, argErr, firstRefusal, objects))
                return S_OK;
        return firstRefusal;
    }
    // True when interface `iid` declares a kind of member `id` asked for
    // that the arguments fit; otherwise notes the first refusal.
    static bool CheckIn(REFIID iid, DISPID id, WORD flags, const DISPPARAMS* params, UINT* argErr,
                        HRESULT& firstRefusal, ConvertedObjects& objects) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(GetTypeInfoOf(iid, info.put())) || FAILED(info->GetTypeAttr(&attr)) || !attr)
            return true;  // nothing to check against: the type information decides
        const WORD functions = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        // The interface's own members only (an index is the interface's own).
        for (WORD i = 0; i < functions; ++i) {
            FUNCDESC* fd = nullptr;
            if (FAILED(info->GetFuncDesc(i, &fd)) || !fd) continue;
            const WORD asked = fd->invkind == INVOKE_FUNC          ? DISPATCH_METHOD
                               : fd->invkind == INVOKE_PROPERTYGET ? DISPATCH_PROPERTYGET
                               : fd->invkind == INVOKE_PROPERTYPUT ? DISPATCH_PROPERTYPUT
                                                                   : DISPATCH_PROPERTYPUTREF;
            HRESULT hr = S_FALSE;
            ConvertedObjects converted;
            if (fd->memid == id && (flags & asked)) hr = CheckAgainst(info.get(), *fd, params, argErr, converted);
            info->ReleaseFuncDesc(fd);
            if (hr == S_FALSE) continue;
            // A call that fits one of the kinds asked for goes on.
            if (SUCCEEDED(hr)) {
                objects = std::move(converted);
                return true;
            }
            if (SUCCEEDED(firstRefusal)) firstRefusal = hr;
        }
        return false;
    }
    static HRESULT CheckAgainst(ITypeInfo* info, const FUNCDESC& fd, const DISPPARAMS* params, UINT* argErr,
                                ConvertedObjects& objects) {
        UINT passed = 0, optional = 0;
        for (SHORT i = 0; i < fd.cParams; ++i) {
            const USHORT f = fd.lprgelemdescParam[i].paramdesc.wParamFlags;
            if (f & PARAMFLAG_FRETVAL) continue;
            ++passed;
            if (f & PARAMFLAG_FOPT) ++optional;
        }
        if (fd.cParamsOpt < 0) return S_OK;  // a list of any length: the type information decides
        if (static_cast<UINT>(fd.cParamsOpt) > optional) optional = static_cast<UINT>(fd.cParamsOpt);
        const UINT given = params->cArgs;
        if (given > passed || given + optional < passed) return DISP_E_BADPARAMCOUNT;
        // Positional arguments come last first, after the named ones. A
        // property's new value is named DISPID_PROPERTYPUT (the member's
        // last parameter); other names are parameter positions not taken by
        // a positional argument. Any other name is refused here: the
        // platform fails on it after converting some of the arguments.
        const UINT named = params->cNamedArgs;
        if (named > given || (named && !params->rgdispidNamedArgs)) return DISP_E_BADPARAMCOUNT;
        const bool isPut = fd.invkind == INVOKE_PROPERTYPUT || fd.invkind == INVOKE_PROPERTYPUTREF;
        const UINT positional = given - named;
        for (UINT k = 0; k < named; ++k) {
            const DISPID name = params->rgdispidNamedArgs[k];
            bool fits = name == DISPID_PROPERTYPUT
                            ? isPut
                            : name >= 0 && static_cast<UINT>(name) >= positional && static_cast<UINT>(name) < passed;
            for (UINT j = 0; j < k && fits; ++j) fits = params->rgdispidNamedArgs[j] != name;
            if (!fits) {
                if (argErr) *argErr = k;
                return DISP_E_PARAMNOTFOUND;
            }
        }
        for (UINT k = 0; k < given; ++k) {
            const DISPID name = k < named ? params->rgdispidNamedArgs[k] : 0;
            const UINT declared = k >= named                    ? given - 1 - k
                                  : name == DISPID_PROPERTYPUT ? passed - 1
                                                               : static_cast<UINT>(name);
            const TYPEDESC& type = fd.lprgelemdescParam[declared].tdesc;
            VARTYPE target = type.vt;
            if (target == VT_USERDEFINED) target = VT_I4;  // the enumerations are 32-bit
            if (target == VT_PTR) {
                if (!ConvertObjectArgument(info, type, params->rgvarg[k], k, objects)) {
                    if (argErr) *argErr = k;
                    return DISP_E_TYPEMISMATCH;
                }
                continue;
            }
            if (target == VT_PTR || target == VT_VARIANT || target == VT_SAFEARRAY || target == VT_DISPATCH ||
                target == VT_UNKNOWN || target == VT_CARRAY)
                continue;
            // By reference, the value referred to counts. An object for a
            // plain parameter is refused: its conversion would call into the
            // object, and a failure there keeps the references the platform
            // took on the arguments before it.
            const VARIANT* arg = &params->rgvarg[k];
            if (V_VT(arg) == (VT_BYREF | VT_VARIANT)) {
                if (!V_VARIANTREF(arg)) continue;  // the type information refuses it
                arg = V_VARIANTREF(arg);
            }
            const VARTYPE given = V_VT(arg) & static_cast<VARTYPE>(~VT_BYREF);
            if (given == VT_DISPATCH || given == VT_UNKNOWN) {
                if (argErr) *argErr = k;
                return DISP_E_TYPEMISMATCH;
            }
            if (given == VT_ERROR) continue;  // a missing optional argument
            VARIANT value, converted;
            ::VariantInit(&value);
            ::VariantInit(&converted);
            HRESULT hr = ::VariantCopyInd(&value, const_cast<VARIANT*>(arg));
            if (SUCCEEDED(hr)) hr = ::VariantChangeType(&converted, &value, 0, target);
            ::VariantClear(&value);
            ::VariantClear(&converted);
            if (FAILED(hr)) {
                if (argErr) *argErr = k;
                return hr == DISP_E_OVERFLOW || hr == DISP_E_TYPEMISMATCH ? hr : DISP_E_TYPEMISMATCH;
            }
        }
        return S_OK;
    }

    // An object argument for an interface parameter, other than an
    // IDispatch passed by value, is converted by the platform by asking the
    // object for the declared interface, and the reference taken on the way
    // is never given back (whether the call then fails or not). Such an
    // argument is converted here instead, and refused when the object does
    // not answer the interface. (An IDispatch passed by value is handed on
    // as it is, and the member refuses an object that is not its own.)
    static bool ConvertObjectArgument(ITypeInfo* info, const TYPEDESC& type, const VARIANT& arg, UINT index,
                                      ConvertedObjects& objects) {
        if (type.vt != VT_PTR || !type.lptdesc || type.lptdesc->vt != VT_USERDEFINED) return true;
        IUnknown* object = ConvertedObject(arg);
        if (!object) return true;
        ComPtr<ITypeInfo> declared;
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetRefTypeInfo(type.lptdesc->hreftype, declared.put())) ||
            FAILED(declared->GetTypeAttr(&attr)) || !attr)
            return true;
        const bool isInterface = attr->typekind == TKIND_INTERFACE || attr->typekind == TKIND_DISPATCH;
        const bool dispatchable = attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
        const IID iid = attr->guid;
        declared->ReleaseTypeAttr(attr);
        if (!isInterface) return true;
        ComPtr<IUnknown> converted;
        if (FAILED(object->QueryInterface(iid, converted.put_void())) || !converted) return false;
        objects.Add(index, dispatchable ? VT_DISPATCH : VT_UNKNOWN, std::move(converted));
        return true;
    }
    // The object of an argument the platform converts: an IUnknown by value,
    // or any object by reference; null for anything else.
    static IUnknown* ConvertedObject(const VARIANT& arg) {
        switch (V_VT(&arg)) {
            case VT_UNKNOWN: return V_UNKNOWN(&arg);
            case VT_BYREF | VT_UNKNOWN: return V_UNKNOWNREF(&arg) ? *V_UNKNOWNREF(&arg) : nullptr;
            case VT_BYREF | VT_DISPATCH: return V_DISPATCHREF(&arg) ? *V_DISPATCHREF(&arg) : nullptr;
            case VT_BYREF | VT_VARIANT: {
                const VARIANT* inner = V_VARIANTREF(&arg);
                if (!inner || (V_VT(inner) != VT_UNKNOWN && V_VT(inner) != VT_DISPATCH)) return nullptr;
                return V_UNKNOWN(inner);
            }
            default: return nullptr;
        }
    }

    // A property whose reading and writing have different dispatch ids on
    // two interfaces of the chain (a base interface's getter, the derived
    // one's setter of the same name): a script host asks for the name, gets
    // the derived interface's id, and calls it for either. The call the id
    // does not serve goes to the same name on the base interfaces.
    HRESULT InvokeNamesake(ITypeInfo* info, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excep, UINT* argErr) {
        BSTR name = nullptr;
        UINT found = 0;
        if (FAILED(info->GetNames(id, &name, 1, &found)) || found == 0) return DISP_E_MEMBERNOTFOUND;
        HRESULT hr = DISP_E_MEMBERNOTFOUND;
        for (const IID* chained : std::span(Derived::kInterfaceChain)) {
            if (::IsEqualGUID(*chained, __uuidof(IDefault))) continue;
            ComPtr<ITypeInfo> base;
            DISPID other = DISPID_UNKNOWN;
            if (FAILED(GetTypeInfoOf(*chained, base.put())) || FAILED(base->GetIDsOfNames(&name, 1, &other)) ||
                other == id)
                continue;
            // The chain's interfaces are bases of the default one: its
            // pointer serves their layout.
            hr = base->Invoke(static_cast<IDefault*>(this), other, flags, params, result, excep, argErr);
            if (hr != DISP_E_MEMBERNOTFOUND) break;
        }
        ::SysFreeString(name);
        return hr;
    }

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
        if constexpr (requires { typename First::ComBaseInterface; })
            if (::IsEqualGUID(iid, __uuidof(typename First::ComBaseInterface)))
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

// The object of class T behind `object` (one new reference), or null for
// null and for anything that is not this server's own T.
template <class T>
ComPtr<T> OwnObject(IUnknown* object) noexcept {
    if (!object) return {};
    ComPtr<IOwnObject> own;
    if (FAILED(object->QueryInterface(__uuidof(IOwnObject), own.put_void())) || !own) return {};
    return ComPtr<T>(static_cast<T*>(own->Self(T::ClassTag())));
}

}  // namespace vexo::com

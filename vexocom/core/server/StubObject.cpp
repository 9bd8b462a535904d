#include "server/StubObject.h"

#include <new>

#include "com/Module.h"
#include "com/TypeInfoCache.h"

namespace vexo {
namespace {

using com::ComPtr;

// The default (non-source) interface of a coclass from the type library.
HRESULT DefaultInterfaceOf(REFCLSID clsid, ITypeInfo** out) {
    *out = nullptr;
    ComPtr<ITypeInfo> coclass;
    HRESULT hr = com::GetTypeInfoOf(clsid, coclass.put());
    if (FAILED(hr)) return hr;
    TYPEATTR* attr = nullptr;
    if (FAILED(hr = coclass->GetTypeAttr(&attr))) return hr;
    WORD count = attr->cImplTypes;
    coclass->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < count; ++i) {
        INT flags = 0;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
        if (!(flags & IMPLTYPEFLAG_FDEFAULT) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
        HREFTYPE ref = 0;
        if (FAILED(coclass->GetRefTypeOfImplType(i, &ref))) continue;
        return coclass->GetRefTypeInfo(ref, out);
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

class StubObject final : public IDispatch, public ISupportErrorInfo {
public:
    explicit StubObject(ComPtr<ITypeInfo> info) : info_(std::move(info)) { com::ModuleLock(); }
    StubObject(const StubObject&) = delete;
    StubObject& operator=(const StubObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (::IsEqualGUID(iid, IID_IUnknown) || ::IsEqualGUID(iid, IID_IDispatch))
            *out = static_cast<IDispatch*>(this);
        else if (::IsEqualGUID(iid, IID_ISupportErrorInfo))
            *out = static_cast<ISupportErrorInfo*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return info_.CopyTo(out);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!::IsEqualGUID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids) return E_POINTER;
        return info_->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID, REFIID iid, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (!::IsEqualGUID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (result) ::VariantInit(result);
        return E_NOTIMPL;
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        TYPEATTR* attr = nullptr;
        bool own = false;
        if (SUCCEEDED(info_->GetTypeAttr(&attr))) {
            own = ::IsEqualGUID(attr->guid, iid);
            info_->ReleaseTypeAttr(attr);
        }
        return own ? S_OK : S_FALSE;
    }

private:
    ~StubObject() { com::ModuleUnlock(); }
    ComPtr<ITypeInfo> info_;
    volatile LONG refs_ = 1;
};

}  // namespace

HRESULT CreateStubObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<ITypeInfo> info;
    HRESULT hr = DefaultInterfaceOf(clsid, info.put());
    if (FAILED(hr)) return hr;
    auto* obj = new (std::nothrow) StubObject(std::move(info));
    if (!obj) return E_OUTOFMEMORY;
    hr = obj->QueryInterface(iid, out);
    obj->Release();
    return hr;
}

}  // namespace vexo

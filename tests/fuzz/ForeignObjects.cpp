#include "ForeignObjects.h"

namespace fuzz {

STDMETHODIMP FuzzSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualGUID(iid, IID_IUnknown) && !::IsEqualGUID(iid, IID_IDispatch)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IDispatch*>(this);
    return S_OK;
}

STDMETHODIMP_(ULONG) FuzzSink::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) FuzzSink::Release() {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP FuzzSink::GetTypeInfoCount(UINT* n) {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
}

STDMETHODIMP FuzzSink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FuzzSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

STDMETHODIMP FuzzSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                              UINT*) {
    ++events;
    if (result) ::VariantInit(result);
    if (!params) return S_OK;
    for (UINT i = 0; i < params->cArgs; ++i) {
        VARIANT& a = params->rgvarg[i];
        if (V_VT(&a) == VT_DISPATCH && V_DISPATCH(&a) && offer) offer(V_DISPATCH(&a), id);
        if (aborting && V_VT(&a) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&a)) *V_BOOLREF(&a) = VARIANT_TRUE;
    }
    return S_OK;
}

STDMETHODIMP PlainUnknown::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualGUID(iid, IID_IUnknown)) return E_NOINTERFACE;
    AddRef();
    *out = this;
    return S_OK;
}

STDMETHODIMP_(ULONG) PlainUnknown::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) PlainUnknown::Release() {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

}  // namespace fuzz

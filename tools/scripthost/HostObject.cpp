#include "HostObject.h"

#include <cwctype>

namespace host {

VARIANT* CallArgs::At(UINT i) const noexcept {
    if (i >= Count()) return nullptr;
    // DISPPARAMS holds the arguments last first.
    return &p_->rgvarg[p_->cArgs - 1 - i];
}

const VARIANT* CallArgs::Value(UINT i) const noexcept {
    const VARIANT* v = At(i);
    while (v && V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
    return v;
}

bool CallArgs::Text(UINT i, std::wstring& out) const {
    VARIANT* v = const_cast<VARIANT*>(Value(i));
    if (!v) return false;
    VARIANT text;
    ::VariantInit(&text);
    // Booleans read as True/False, as a script writes them.
    if (FAILED(::VariantChangeType(&text, v, VARIANT_ALPHABOOL, VT_BSTR))) return false;
    out.assign(V_BSTR(&text) ? V_BSTR(&text) : L"", V_BSTR(&text) ? ::SysStringLen(V_BSTR(&text)) : 0);
    ::VariantClear(&text);
    return true;
}

bool CallArgs::Long(UINT i, LONG& out) const {
    VARIANT* v = const_cast<VARIANT*>(Value(i));
    if (!v) return false;
    VARIANT number;
    ::VariantInit(&number);
    if (FAILED(::VariantChangeType(&number, v, 0, VT_I4))) return false;
    out = V_I4(&number);
    return true;
}

bool CallArgs::Object(UINT i, IDispatch*& out) const noexcept {
    out = nullptr;
    const VARIANT* v = Value(i);
    if (!v) return false;
    switch (V_VT(v)) {
        case VT_DISPATCH: out = V_DISPATCH(v); return true;
        case VT_BYREF | VT_DISPATCH: out = V_DISPATCHREF(v) ? *V_DISPATCHREF(v) : nullptr; return true;
        case VT_EMPTY:
        case VT_NULL: return true;
        default: return false;
    }
}

STDMETHODIMP HostObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) HostObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) HostObject::Release() {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP HostObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP HostObject::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

static bool SameName(const wchar_t* a, const wchar_t* b) noexcept {
    for (; *a && *b; ++a, ++b)
        if (std::towlower(*a) != std::towlower(*b)) return false;
    return *a == *b;
}

STDMETHODIMP HostObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0) return S_OK;
    for (const Member& m : members_)
        if (names[0] && SameName(names[0], m.name)) {
            ids[0] = m.id;
            break;
        }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // Named arguments are not taken.
    if (count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

STDMETHODIMP HostObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excep, UINT* argErr) {
    bool known = false;
    for (const Member& m : members_) known = known || m.id == id;
    if (!known) return DISP_E_MEMBERNOTFOUND;
    if (result) ::VariantInit(result);
    return Call(id, flags, CallArgs(params), result, excep);
}

HRESULT HostObject::Fail(EXCEPINFO* excep, const std::wstring& text, HRESULT code) {
    if (!excep) return code;
    *excep = {};
    excep->bstrSource = ::SysAllocString(L"scripthost");
    excep->bstrDescription = ::SysAllocString(text.c_str());
    excep->scode = code;
    return DISP_E_EXCEPTION;
}

HRESULT ReturnText(VARIANT* result, const std::wstring& text) {
    if (!result) return S_OK;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnLong(VARIANT* result, LONG value) {
    if (!result) return S_OK;
    V_VT(result) = VT_I4;
    V_I4(result) = value;
    return S_OK;
}

HRESULT ReturnBool(VARIANT* result, bool value) {
    if (!result) return S_OK;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
    if (!result) return S_OK;
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object;
    if (object) object->AddRef();
    return S_OK;
}

}  // namespace host

#include "drives/VexoSpeeds.h"

namespace vexo {

STDMETHODIMP VexoSpeeds::Item(INT Index, LONG* pVal) {
    if (!pVal) return E_POINTER;
    if (Index < 0 || static_cast<size_t>(Index) >= speeds_.size()) return E_INVALIDARG;
    *pVal = speeds_[static_cast<size_t>(Index)];
    return S_OK;
}

STDMETHODIMP VexoSpeeds::get_Count(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = ElementCount();
    return S_OK;
}

STDMETHODIMP VexoSpeeds::get__NewEnum(IUnknown** ppEnum) { return NewEnum(ppEnum); }

STDMETHODIMP VexoSpeeds::get_BaseSpeedKBs(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<LONG>(base_);
    return S_OK;
}

HRESULT VexoSpeeds::ElementAt(LONG index, VARIANT* out) {
    LONG value = 0;
    HRESULT hr = Item(index, &value);
    if (FAILED(hr)) return hr;
    V_VT(out) = VT_I4;
    V_I4(out) = value;
    return S_OK;
}

}  // namespace vexo

#include "compilation/VexoFSSecNo.h"

namespace vexo {

STDMETHODIMP VexoFSSecNo::get_HiPart(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = hi_;
    return S_OK;
}

STDMETHODIMP VexoFSSecNo::put_HiPart(LONG newVal) {
    hi_ = newVal;
    return S_OK;
}

STDMETHODIMP VexoFSSecNo::get_LoPart(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = lo_;
    return S_OK;
}

STDMETHODIMP VexoFSSecNo::put_LoPart(LONG newVal) {
    lo_ = newVal;
    return S_OK;
}

}  // namespace vexo

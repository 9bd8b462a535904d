// IEnumVARIANT over a collection that is its own enumerator. The cursor
// lives in the collection, so every enumeration of one collection shares
// it and a new _NewEnum restarts an enumeration in progress.
//
// The collection provides
//   HRESULT ElementAt(LONG index, VARIANT* out);   // E_INVALIDARG past the end
//   LONG ElementCount() const;
// and answers _NewEnum with NewEnum(out).
#pragma once

#include <oaidl.h>

namespace vexo::com {

// How Next treats the number of elements asked for; one element is
// returned per call in both cases.
enum class NextRule {
    RejectZero,         // asking for 0 elements is E_INVALIDARG
    RejectMoreThanOne,  // asking for more than 1 element is E_INVALIDARG
};

template <class Derived, NextRule Rule>
class EnumCursor : public IEnumVARIANT {
public:
    using ComInterface = IEnumVARIANT;

    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (!out) return E_POINTER;
        if constexpr (Rule == NextRule::RejectZero) {
            if (count == 0) return E_INVALIDARG;
        } else {
            if (count > 1) return E_INVALIDARG;
            // Nothing asked for: nothing is written (the array may hold no element).
            if (count == 0) return S_OK;
        }
        ::VariantInit(out);
        HRESULT hr = static_cast<Derived*>(this)->ElementAt(cursor_, out);
        if (hr == E_INVALIDARG) return S_FALSE;
        if (FAILED(hr)) return hr;
        ++cursor_;
        if (fetched) *fetched = 1;
        return S_OK;
    }
    STDMETHODIMP Skip(ULONG count) override {
        LONGLONG next = static_cast<LONGLONG>(cursor_) + count;
        LONG total = static_cast<Derived*>(this)->ElementCount();
        cursor_ = next > 0x7fffffff ? 0x7fffffff : static_cast<LONG>(next);
        return next < total ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        cursor_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

protected:
    // _NewEnum: the cursor goes back to 0 and the collection itself is the
    // enumerator.
    HRESULT NewEnum(IUnknown** out) {
        if (!out) return E_POINTER;
        cursor_ = 0;
        return static_cast<Derived*>(this)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out));
    }
    LONG cursor_ = 0;
};

}  // namespace vexo::com

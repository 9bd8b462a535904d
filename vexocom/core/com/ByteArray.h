// The byte buffers clients pass in a VARIANT: a one-dimensional array of
// signed bytes (VT_ARRAY | VT_I1), held directly or by reference (as a
// script's variable arrives). Anything else is not a byte buffer.
#pragma once

#include <oleauto.h>

#include <cstdint>

namespace vexo::com {

struct ByteArrayView {
    SAFEARRAY* array = nullptr;  // borrowed from the VARIANT
    int64_t count = 0;           // elements it holds
};

// The byte array inside `v`, or false.
inline bool AsByteArray(const VARIANT* v, ByteArrayView& out) noexcept {
    out = {};
    if (!v) return false;
    if (V_VT(v) == (VT_BYREF | VT_VARIANT)) {
        v = V_VARIANTREF(v);
        if (!v) return false;
    }
    SAFEARRAY* array = nullptr;
    if (V_VT(v) == (VT_ARRAY | VT_I1))
        array = V_ARRAY(v);
    else if (V_VT(v) == (VT_BYREF | VT_ARRAY | VT_I1))
        array = V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr;
    if (!array || ::SafeArrayGetDim(array) != 1 || ::SafeArrayGetElemsize(array) != 1) return false;
    LONG lower = 0, upper = -1;
    if (FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return false;
    const int64_t count = static_cast<int64_t>(upper) - lower + 1;
    out.array = array;
    out.count = count < 0 ? 0 : count;
    return true;
}

}  // namespace vexo::com

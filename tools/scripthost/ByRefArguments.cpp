#include "ByRefArguments.h"

namespace host {

namespace {

bool IsTypedReference(const VARIANT& v) noexcept {
    return (V_VT(&v) & VT_BYREF) && !(V_VT(&v) & VT_ARRAY) && V_VT(&v) != (VT_BYREF | VT_VARIANT) && V_BYREF(&v);
}

// Stores `value` (already of type `type`) through the typed reference `target`.
void Store(VARIANT& target, VARIANT& value, VARTYPE type) {
    switch (type) {
        case VT_I1: *V_I1REF(&target) = V_I1(&value); break;
        case VT_UI1: *V_UI1REF(&target) = V_UI1(&value); break;
        case VT_I2: *V_I2REF(&target) = V_I2(&value); break;
        case VT_UI2: *V_UI2REF(&target) = V_UI2(&value); break;
        case VT_I4: *V_I4REF(&target) = V_I4(&value); break;
        case VT_UI4: *V_UI4REF(&target) = V_UI4(&value); break;
        case VT_INT: *V_INTREF(&target) = V_INT(&value); break;
        case VT_UINT: *V_UINTREF(&target) = V_UINT(&value); break;
        case VT_I8: *V_I8REF(&target) = V_I8(&value); break;
        case VT_UI8: *V_UI8REF(&target) = V_UI8(&value); break;
        case VT_R4: *V_R4REF(&target) = V_R4(&value); break;
        case VT_R8: *V_R8REF(&target) = V_R8(&value); break;
        case VT_BOOL: *V_BOOLREF(&target) = V_BOOL(&value); break;
        case VT_DATE: *V_DATEREF(&target) = V_DATE(&value); break;
        case VT_CY: *V_CYREF(&target) = V_CY(&value); break;
        case VT_ERROR: *V_ERRORREF(&target) = V_ERROR(&value); break;
        case VT_BSTR:
            ::SysFreeString(*V_BSTRREF(&target));
            *V_BSTRREF(&target) = V_BSTR(&value);
            V_VT(&value) = VT_EMPTY;  // the source owns the text now
            break;
        case VT_DISPATCH:
            if (*V_DISPATCHREF(&target)) (*V_DISPATCHREF(&target))->Release();
            *V_DISPATCHREF(&target) = V_DISPATCH(&value);
            V_VT(&value) = VT_EMPTY;
            break;
        case VT_UNKNOWN:
            if (*V_UNKNOWNREF(&target)) (*V_UNKNOWNREF(&target))->Release();
            *V_UNKNOWNREF(&target) = V_UNKNOWN(&value);
            V_VT(&value) = VT_EMPTY;
            break;
        default: break;
    }
}

}  // namespace

ByRefArguments::ByRefArguments(DISPPARAMS* source) : source_(source) {
    const UINT n = source ? source->cArgs : 0;
    values_.resize(n);
    args_.resize(n);
    for (UINT i = 0; i < n; ++i) {
        ::VariantInit(&values_[i]);
        ::VariantInit(&args_[i]);
        VARIANT& original = source->rgvarg[i];
        if (IsTypedReference(original) && SUCCEEDED(::VariantCopyInd(&values_[i], &original))) {
            V_VT(&args_[i]) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&args_[i]) = &values_[i];
        } else {
            args_[i] = original;  // passed as the source gave it (not owned)
        }
    }
    params_.rgvarg = n ? args_.data() : nullptr;
    params_.cArgs = n;
    params_.rgdispidNamedArgs = source ? source->rgdispidNamedArgs : nullptr;
    params_.cNamedArgs = source ? source->cNamedArgs : 0;
}

ByRefArguments::~ByRefArguments() {
    for (VARIANT& v : values_) ::VariantClear(&v);
}

void ByRefArguments::WriteBack() {
    for (UINT i = 0; i < args_.size(); ++i) {
        if (V_VT(&args_[i]) != (VT_BYREF | VT_VARIANT) || V_VARIANTREF(&args_[i]) != &values_[i]) continue;
        VARIANT& original = source_->rgvarg[i];
        const VARTYPE type = V_VT(&original) & ~VT_BYREF;
        VARIANT converted;
        ::VariantInit(&converted);
        const bool nothing = type == VT_DISPATCH && (V_VT(&values_[i]) == VT_EMPTY || V_VT(&values_[i]) == VT_NULL);
        if (nothing) {
            V_VT(&converted) = VT_DISPATCH;
            V_DISPATCH(&converted) = nullptr;
        } else if (FAILED(::VariantChangeType(&converted, &values_[i], 0, type))) {
            continue;
        }
        Store(original, converted, type);
        ::VariantClear(&converted);
    }
}

}  // namespace host

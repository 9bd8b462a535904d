#include "compilation/VexoFileContent.h"

#include <algorithm>

#include "com/ByteArray.h"
#include "com/Variant.h"

namespace vexo {

STDMETHODIMP VexoFileContent::Read(VARIANT* buffer, LONG length, LONG* read) {
    if (!buffer || !read) return E_POINTER;
    *read = 0;
    com::ByteArrayView bytes;
    if (!com::AsByteArray(buffer, bytes) || length < 0) return Fail(kErrParameterType);
    if (!reader_) return E_POINTER;
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(length, bytes.count));
    if (n == 0) return S_OK;
    com::SafeArrayData data(bytes.array);
    if (!data) return E_OUTOFMEMORY;
    const int32_t got = reader_.Read(data.data(), n);
    *read = std::clamp(got, 0, n);
    return S_OK;
}

STDMETHODIMP VexoFileContent::get_EndOfFile(BOOL* out) {
    if (!out) return E_POINTER;
    if (!reader_) return E_POINTER;
    *out = reader_.EndOfFile() ? 1 : 0;
    return S_OK;
}

STDMETHODIMP VexoFileContent::get_Error(BOOL* out) {
    if (!out) return E_POINTER;
    if (!reader_) return E_POINTER;
    *out = reader_.Error() ? 1 : 0;
    return S_OK;
}

}  // namespace vexo

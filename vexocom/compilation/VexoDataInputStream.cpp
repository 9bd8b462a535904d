#include "compilation/VexoDataInputStream.h"

#include "com/ByteArray.h"
#include "com/ComPtr.h"
#include "com/Variant.h"
#include "compilation/VexoBurnAtOnceInfo.h"

namespace vexo {

STDMETHODIMP VexoDataInputStream::Write(VARIANT buffer, LONG size) {
    EngineObjects::Object* stream = stream_.load();
    if (!stream) return E_POINTER;
    com::ByteArrayView bytes;
    if (!com::AsByteArray(&buffer, bytes) || size < 0 || size > bytes.count) return Fail(kErrParameterType);
    if (size == 0) return S_OK;
    com::SafeArrayData data(bytes.array);
    if (!data) return E_OUTOFMEMORY;
    return EngineBinding::FsStream(stream).Write(data.data(), static_cast<uint32_t>(size)) == 0 ? S_OK : E_FAIL;
}

STDMETHODIMP VexoDataInputStream::get_BurnAtOnceInfo(IVexoBurnAtOnceInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    EngineObjects::Object* stream = stream_.load();
    if (!stream) return E_POINTER;
    EngineBinding::FsBurnAtOnceInfo info(EngineBinding::FsStream(stream).BurnAtOnceInfo());
    if (!info) return S_OK;
    com::ComPtr<VexoBurnAtOnceInfo> wrapped = VexoBurnAtOnceInfo::Make(std::move(info));
    if (!wrapped) return E_OUTOFMEMORY;
    *out = wrapped.Detach();
    return S_OK;
}

}  // namespace vexo

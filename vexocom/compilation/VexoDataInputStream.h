// VexoDataInputStream: what an OnProduceFile handler writes a produced
// file's bytes into. It wraps the output stream the engine lends for that
// one call; once the call has returned the stream is closed and Write
// answers E_POINTER, so nothing is written into a stream the engine has
// finished with.
#pragma once

#include <atomic>

#include "EngineFileSystem.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoDataInputStream final : public com::DispatchObject<VexoDataInputStream, IVexoDataInputStream2> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoDataInputStream, &IID_IVexoDataInputStream2};

    explicit VexoDataInputStream(EngineObjects::Object* stream) noexcept : stream_(stream) {}

    // Passes the first `size` bytes of a byte array to the engine; message
    // 535 for a buffer that is not a byte array, a negative size or one
    // larger than the array. E_FAIL when the engine refuses the bytes.
    STDMETHODIMP Write(VARIANT buffer, LONG size) override;
    STDMETHODIMP get_BurnAtOnceInfo(IVexoBurnAtOnceInfo** out) override;

    // The Produce call is over.
    void Close() noexcept { stream_.store(nullptr); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoDataInputStream; }

private:
    std::atomic<EngineObjects::Object*> stream_;
};

}  // namespace vexo

// VexoFSSecNo: a 64-bit number (a sector number, a byte count) held as two
// 32-bit halves, LoPart (unsigned) and HiPart; creatable, and also the
// IInt64 argument of the engine's temporary-space question.
#pragma once

#include <cstdint>

#include "VexoInterfaces.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoFSSecNo final : public com::DispatchObject<VexoFSSecNo, IVexoFSSecNo> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IInt64, &IID_IVexoFSSecNo};
    static const GUID& ErrorClass() noexcept { return CLSID_VexoFSSecNo; }

    VexoFSSecNo() noexcept = default;
    VexoFSSecNo(LONG lo, LONG hi) noexcept : lo_(lo), hi_(hi) {}

    static com::ComPtr<VexoFSSecNo> FromValue(uint64_t value) {
        return Make(static_cast<LONG>(static_cast<uint32_t>(value)), static_cast<LONG>(value >> 32));
    }
    uint64_t Value() const noexcept {
        return (static_cast<uint64_t>(static_cast<uint32_t>(hi_)) << 32) | static_cast<uint32_t>(lo_);
    }

    // IInt64
    STDMETHODIMP get_HiPart(LONG* pVal) override;
    STDMETHODIMP put_HiPart(LONG newVal) override;
    STDMETHODIMP get_LoPart(LONG* pVal) override;
    STDMETHODIMP put_LoPart(LONG newVal) override;

private:
    LONG lo_ = 0;
    LONG hi_ = 0;
};

}  // namespace vexo

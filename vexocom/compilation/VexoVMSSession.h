// VexoVMSSession: one session of a virtual-multisession medium, a copy of
// the engine's 424-byte session record (name, creation time, next
// writable address after it).
#pragma once

#include <array>
#include <cstdint>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"

namespace vexo {

class VexoVMSSession final : public com::DispatchObject<VexoVMSSession, IVexoVMSSession> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoVMSSession};
    using Record = std::array<uint8_t, EngineRecords::VmsSession::Size>;

    explicit VexoVMSSession(const uint8_t* record) noexcept;

    STDMETHODIMP get_SessionName(BSTR* out) override;
    STDMETHODIMP get_CreationTime(DATE* out) override;
    STDMETHODIMP get_NextWritableAddress(LONG* out) override;

    // Sessions sit in their medium's VexoVMSInfo list.
    com::ItemMarks& Marks() noexcept { return marks_; }

private:
    com::ItemMarks marks_;
    Record record_{};
};

}  // namespace vexo

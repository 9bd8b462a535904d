// VexoVMSInfo: the sessions of a virtual-multisession medium, in the
// engine's order, as a read-only list (Item, Count, _NewEnum on the one
// collection template) with the medium's next writable address.
#pragma once

#include <array>
#include <cstdint>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"
#include "com/ObjectCollection.h"
#include "compilation/VexoVMSSession.h"

namespace vexo {

class VexoVMSInfo final
    : public com::DispatchObject<VexoVMSInfo, IVexoVMSInfo,
                                 com::ObjectCollection<VexoVMSInfo, IVexoVMSSession, VexoVMSSession, com::kNoLimit>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoVMSInfo};

    STDMETHODIMP Item(INT index, IVexoVMSSession** out) override { return ItemAt(index, out); }
    STDMETHODIMP get_Count(LONG* out) override { return CountOf(out); }
    STDMETHODIMP get__NewEnum(IUnknown** out) override { return NewEnum(out); }
    STDMETHODIMP get_NextWritableAddress(LONG* out) override;

    // A list over the engine's VMS record: its header and, when it holds
    // any, its first session are kept; one session object per session.
    // Making a session object failing ends the list there.
    static HRESULT FromEngineRecord(const uint8_t* record, com::ComPtr<VexoVMSInfo>& out);

private:
    std::array<uint8_t, EngineRecords::VmsRecord::HeaderWithFirstSession> header_{};
};

}  // namespace vexo

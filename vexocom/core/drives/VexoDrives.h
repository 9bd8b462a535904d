// VexoDrives: the recorders the engine listed, copied from the engine's
// drive list. Drive objects are made on first request and kept, so an index
// always yields the same drive object. The collection is its own
// enumerator (shared cursor).
#pragma once

#include <cstdint>

#include "engineobject/EngineState.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "com/EnumCursor.h"
#include "com/RecordSlots.h"

namespace vexo {

class VexoDrive;

class VexoDrives final
    : public com::DispatchObject<VexoDrives, IVexoDrives, com::EnumCursor<VexoDrives, com::NextRule::RejectZero>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoDrives};

    // A collection over `count` entries of an engine list (count field
    // followed by the entries); null when memory is short.
    static com::ComPtr<VexoDrives> FromEngineList(const uint8_t* list, uint32_t count);

    VexoDrives();
    ~VexoDrives();

    STDMETHODIMP Item(INT Index, IVexoDrive5** ppDrive) override;
    STDMETHODIMP get_Count(LONG* pVal) override;
    STDMETHODIMP get__NewEnum(IUnknown** ppEnum) override;

    HRESULT ElementAt(LONG index, VARIANT* out);
    LONG ElementCount() const noexcept { return slots_.Count(); }

private:
    engine::Use use_;
    com::RecordSlots<VexoDrive> slots_;
};

}  // namespace vexo

// VexoFSPartitionInfo: a copy of one 32-byte partition record of a medium
// or image (number, start and size in sectors, data or audio, sector size).
#pragma once

#include <array>
#include <cstdint>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/DispatchObject.h"

namespace vexo {

class VexoFSPartitionInfo final : public com::DispatchObject<VexoFSPartitionInfo, IVexoFSPartitionInfo> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFSPartitionInfo};
    using Record = std::array<uint8_t, EngineRecords::PartitionRecord::Size>;

    explicit VexoFSPartitionInfo(const uint8_t* record) noexcept;

    STDMETHODIMP get_PartitionNumber(LONG* out) override;
    STDMETHODIMP get_PartitionStart(IVexoFSSecNo** out) override;
    STDMETHODIMP get_PartitionSize(IVexoFSSecNo** out) override;
    STDMETHODIMP get_PartitionType(VexoFSTrackType* out) override;
    STDMETHODIMP get_SectorSize(LONG* out) override;

    // A new object over `record` answered through `out`; E_INVALIDARG for a
    // null record.
    static HRESULT Answer(const uint8_t* record, IVexoFSPartitionInfo** out);

private:
    Record record_{};
};

}  // namespace vexo

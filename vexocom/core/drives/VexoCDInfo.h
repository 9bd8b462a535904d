// Disc information: VexoCDInfo keeps a private copy of the engine's
// disc-information record (header and track records); VexoTracks and
// VexoTrack answer from copies of the track records.
#pragma once

#include <cstdint>
#include <vector>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/DispatchObject.h"
#include "com/EnumCursor.h"
#include "com/RecordSlots.h"

namespace vexo {

class VexoTrack final : public com::DispatchObject<VexoTrack, IVexoTrack2> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoTrack, &IID_IVexoTrack2};
    explicit VexoTrack(std::vector<uint8_t> record) noexcept : record_(std::move(record)) {}

    STDMETHODIMP get_SessionNumber(LONG* pVal) override;
    STDMETHODIMP get_TrackNumber(LONG* pVal) override;
    STDMETHODIMP get_TrackType(VEXO_TRACK_TYPE* pVal) override;
    STDMETHODIMP get_TrackStartBlk(LONG* pVal) override;
    STDMETHODIMP get_TrackLengthInBlks(LONG* pVal) override;
    STDMETHODIMP get_Artist(BSTR* pVal) override;
    STDMETHODIMP get_Title(BSTR* pVal) override;
    STDMETHODIMP get_ISRC(BSTR* pVal) override;
    STDMETHODIMP get_BlockSize(LONG* pVal) override;

private:
    EngineRecords::ConstBytes Bytes() const noexcept { return {record_.data(), record_.size()}; }
    HRESULT Number(std::size_t offset, LONG* out) const;
    HRESULT Text(std::size_t offset, std::size_t capacity, BSTR* out) const;
    std::vector<uint8_t> record_;
};

class VexoTracks final
    : public com::DispatchObject<VexoTracks, IVexoTracks, com::EnumCursor<VexoTracks, com::NextRule::RejectZero>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoTracks};
    // records: count track records of 280 bytes each.
    VexoTracks(std::vector<uint8_t> records, uint32_t count);

    STDMETHODIMP Item(INT Index, IVexoTrack2** ppTrack) override;
    STDMETHODIMP get_Count(LONG* pVal) override;
    STDMETHODIMP get__NewEnum(IUnknown** ppEnum) override;

    HRESULT ElementAt(LONG index, VARIANT* out);
    LONG ElementCount() const noexcept { return slots_.Count(); }

private:
    com::RecordSlots<VexoTrack> slots_;
};

class VexoCDInfo final : public com::DispatchObject<VexoCDInfo, IVexoCDInfo2> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoCDInfo, &IID_IVexoCDInfo2};
    // The most track records copied from an engine record.
    static constexpr uint32_t kMaxTracks = 99;

    VexoCDInfo() = default;
    // A disc-information object over a copy of an engine record; null when
    // memory is short.
    static com::ComPtr<VexoCDInfo> FromEngineRecord(const uint8_t* record);
    // Replaces the copy (the record is read as far as its track count says).
    bool CopyFrom(const uint8_t* record);

    STDMETHODIMP get_FreeCapacityInBlocks(LONG* pVal) override;
    STDMETHODIMP get_IsWriteable(VARIANT_BOOL* pVal) override;
    STDMETHODIMP get_Artist(BSTR* pVal) override;
    STDMETHODIMP get_Title(BSTR* pVal) override;
    STDMETHODIMP get_Tracks(IVexoTracks** ppTracks) override;
    STDMETHODIMP get_AvailableEraseModes(LONG* pVal) override;
    STDMETHODIMP get_UnusedBlocks(LONG* pVal) override;
    STDMETHODIMP get_MediaType(VEXO_MEDIA_TYPE* pVal) override;
    STDMETHODIMP get_MediumFlags(LONG* pVal) override;
    STDMETHODIMP get_Layer0MaxBlocks(LONG* pVal) override;
    STDMETHODIMP get_TotalCapacity(LONG* pVal) override;

private:
    EngineRecords::ConstBytes Bytes() const noexcept { return {record_.data(), record_.size()}; }
    HRESULT Number(std::size_t offset, LONG* out) const;
    HRESULT Text(std::size_t offset, BSTR* out) const;
    uint32_t TrackCount() const noexcept;

    std::vector<uint8_t> record_;
    com::ComPtr<VexoTracks> tracks_;
};

}  // namespace vexo

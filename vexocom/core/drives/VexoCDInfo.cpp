#include "drives/VexoCDInfo.h"

#include <algorithm>
#include <cstring>

#include "com/Bstr.h"

namespace vexo {

using com::ComPtr;
namespace rec = EngineRecords;

// ---- VexoTrack ----------------------------------------------------------------

HRESULT VexoTrack::Number(std::size_t offset, LONG* out) const {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(Bytes(), offset);
    return S_OK;
}

HRESULT VexoTrack::Text(std::size_t offset, std::size_t capacity, BSTR* out) const {
    if (!out) return E_POINTER;
    return com::ReturnAnsi(rec::ReadText(Bytes(), offset, capacity).c_str(), out);
}

STDMETHODIMP VexoTrack::get_SessionNumber(LONG* p) { return Number(rec::TrackInfo::SessionNumber, p); }
STDMETHODIMP VexoTrack::get_TrackNumber(LONG* p) { return Number(rec::TrackInfo::TrackNumber, p); }
STDMETHODIMP VexoTrack::get_TrackType(VEXO_TRACK_TYPE* p) {
    return Number(rec::TrackInfo::TrackType, reinterpret_cast<LONG*>(p));
}
STDMETHODIMP VexoTrack::get_TrackStartBlk(LONG* p) { return Number(rec::TrackInfo::StartBlock, p); }
STDMETHODIMP VexoTrack::get_TrackLengthInBlks(LONG* p) { return Number(rec::TrackInfo::LengthInBlocks, p); }
STDMETHODIMP VexoTrack::get_Artist(BSTR* p) { return Text(rec::TrackInfo::Artist, rec::TrackInfo::TextSize, p); }
STDMETHODIMP VexoTrack::get_Title(BSTR* p) { return Text(rec::TrackInfo::Title, rec::TrackInfo::TextSize, p); }
STDMETHODIMP VexoTrack::get_ISRC(BSTR* p) { return Text(rec::TrackInfo::Isrc, rec::TrackInfo::IsrcSize, p); }
STDMETHODIMP VexoTrack::get_BlockSize(LONG* p) { return Number(rec::TrackInfo::BlockSize, p); }

// ---- VexoTracks ---------------------------------------------------------------

VexoTracks::VexoTracks(std::vector<uint8_t> records, uint32_t count) : slots_(rec::TrackInfo::Size) {
    slots_.Assign(std::move(records), count);
}

STDMETHODIMP VexoTracks::Item(INT Index, IVexoTrack2** ppTrack) {
    if (!ppTrack) return E_POINTER;
    return slots_.Get(Index, IID_IVexoTrack2, reinterpret_cast<void**>(ppTrack), [](const uint8_t* r, size_t n) {
        return VexoTrack::Make(std::vector<uint8_t>(r, r + n));
    });
}

STDMETHODIMP VexoTracks::get_Count(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = ElementCount();
    return S_OK;
}

STDMETHODIMP VexoTracks::get__NewEnum(IUnknown** ppEnum) { return NewEnum(ppEnum); }

HRESULT VexoTracks::ElementAt(LONG index, VARIANT* out) {
    return com::DispatchElement<IVexoTrack2>([this](LONG i, IVexoTrack2** t) { return Item(i, t); }, index, out);
}

// ---- VexoCDInfo ---------------------------------------------------------------

ComPtr<VexoCDInfo> VexoCDInfo::FromEngineRecord(const uint8_t* record) {
    ComPtr<VexoCDInfo> info = Make();
    if (info && !info->CopyFrom(record)) info.reset();
    return info;
}

bool VexoCDInfo::CopyFrom(const uint8_t* record) {
    if (!record) return false;
    try {
        uint32_t count = 0;
        std::memcpy(&count, record + rec::DiscInfo::NumberOfTracks, sizeof count);
        count = std::min(count, kMaxTracks);
        size_t size = static_cast<size_t>(rec::DiscInfo::CopySize(count));
        record_.assign(record, record + size);
        // The copy says no more tracks than it holds.
        std::memcpy(record_.data() + rec::DiscInfo::NumberOfTracks, &count, sizeof count);
        tracks_.reset();
        return true;
    } catch (...) {
        return false;
    }
}

uint32_t VexoCDInfo::TrackCount() const noexcept { return rec::ReadU32(Bytes(), rec::DiscInfo::NumberOfTracks); }

HRESULT VexoCDInfo::Number(std::size_t offset, LONG* out) const {
    if (!out) return E_POINTER;
    *out = rec::ReadI32(Bytes(), offset);
    return S_OK;
}

HRESULT VexoCDInfo::Text(std::size_t offset, BSTR* out) const {
    if (!out) return E_POINTER;
    return com::ReturnAnsi(rec::ReadText(Bytes(), offset, rec::DiscInfo::TextSize).c_str(), out);
}

STDMETHODIMP VexoCDInfo::get_FreeCapacityInBlocks(LONG* p) { return Number(rec::DiscInfo::FreeCapacityInBlocks, p); }
STDMETHODIMP VexoCDInfo::get_IsWriteable(VARIANT_BOOL* p) {
    if (!p) return E_POINTER;
    *p = static_cast<VARIANT_BOOL>(rec::ReadU16(Bytes(), rec::DiscInfo::IsWriteable));
    return S_OK;
}
STDMETHODIMP VexoCDInfo::get_Artist(BSTR* p) { return Text(rec::DiscInfo::Artist, p); }
STDMETHODIMP VexoCDInfo::get_Title(BSTR* p) { return Text(rec::DiscInfo::Title, p); }
STDMETHODIMP VexoCDInfo::get_AvailableEraseModes(LONG* p) { return Number(rec::DiscInfo::AvailableEraseModes, p); }
STDMETHODIMP VexoCDInfo::get_UnusedBlocks(LONG* p) { return Number(rec::DiscInfo::UnusedBlocks, p); }
STDMETHODIMP VexoCDInfo::get_MediaType(VEXO_MEDIA_TYPE* p) {
    return Number(rec::DiscInfo::MediaType, reinterpret_cast<LONG*>(p));
}
STDMETHODIMP VexoCDInfo::get_MediumFlags(LONG* p) { return Number(rec::DiscInfo::MediumFlags, p); }
STDMETHODIMP VexoCDInfo::get_Layer0MaxBlocks(LONG* p) { return Number(rec::DiscInfo::Layer0MaxBlocks, p); }
STDMETHODIMP VexoCDInfo::get_TotalCapacity(LONG* p) { return Number(rec::DiscInfo::TotalCapacity, p); }

STDMETHODIMP VexoCDInfo::get_Tracks(IVexoTracks** ppTracks) {
    if (!ppTracks) return E_POINTER;
    *ppTracks = nullptr;
    if (!tracks_) {
        // An object never filled has no record: it lists no tracks.
        const bool filled = record_.size() >= rec::DiscInfo::Tracks;
        uint32_t count = filled ? TrackCount() : 0;
        try {
            std::vector<uint8_t> records;
            if (filled) records.assign(record_.begin() + rec::DiscInfo::Tracks, record_.end());
            tracks_ = VexoTracks::Make(std::move(records), count);
        } catch (...) {
            tracks_.reset();
        }
        if (!tracks_) return E_OUTOFMEMORY;
    }
    return tracks_->QueryInterface(IID_IVexoTracks, reinterpret_cast<void**>(ppTracks));
}

}  // namespace vexo

#include "compilation/VexoFreestyleTrack.h"

namespace vexo {

namespace rec = EngineRecords;

VexoFreestyleTrack::VexoFreestyleTrack() {
    rec::WriteU32(RecordField(), rec::FreestyleTrackRecord::StructSize,
                  static_cast<uint32_t>(rec::FreestyleTrackRecord::Size));
}

STDMETHODIMP VexoFreestyleTrack::get_TrackType(VEXO_FREESTYLE_TRACK_TYPE* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VEXO_FREESTYLE_TRACK_TYPE>(rec::ReadI32(RecordBytes(), rec::FreestyleTrackRecord::TrackType));
    return S_OK;
}

STDMETHODIMP VexoFreestyleTrack::put_TrackType(VEXO_FREESTYLE_TRACK_TYPE value) {
    if (HRESULT hr = CheckRange(limits::kFreestyleTrackTypes, value); FAILED(hr)) return hr;
    return PutI32(rec::FreestyleTrackRecord::TrackType, value);
}

STDMETHODIMP VexoFreestyleTrack::get_SourceType(VEXO_FREESTYLE_SOURCE_TYPE* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VEXO_FREESTYLE_SOURCE_TYPE>(source_);
    return S_OK;
}

STDMETHODIMP VexoFreestyleTrack::put_SourceType(VEXO_FREESTYLE_SOURCE_TYPE value) {
    if (HRESULT hr = CheckRange(limits::kFreestyleSourceTypes, value); FAILED(hr)) return hr;
    source_ = value;
    return S_OK;
}

LONG VexoFreestyleTrack::SourceKind() const noexcept {
    return source_ == VEXO_FREESTYLE_SOURCE_EVENT ? static_cast<LONG>(rec::TrackSource::kKindEvent)
                                                  : static_cast<LONG>(rec::TrackSource::kKindFreestyleFile);
}

}  // namespace vexo

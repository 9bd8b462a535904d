#include "compilation/VexoAudioTrack.h"

namespace vexo {

namespace rec = EngineRecords;

STDMETHODIMP VexoAudioTrack::get_TrackType(VEXO_AUDIO_TRACK_TYPE* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VEXO_AUDIO_TRACK_TYPE>(type_);
    return S_OK;
}

STDMETHODIMP VexoAudioTrack::put_TrackType(VEXO_AUDIO_TRACK_TYPE value) {
    if (HRESULT hr = CheckRange(limits::kAudioTrackTypes, value); FAILED(hr)) return hr;
    type_ = value;
    return S_OK;
}

STDMETHODIMP VexoAudioTrack::get_Index0ContainsData(VARIANT_BOOL* out) {
    if (!out) return E_POINTER;
    *out = static_cast<VARIANT_BOOL>(rec::ReadI32(RecordBytes(), rec::AudioTrackRecord::Index0ContainsData));
    return S_OK;
}

STDMETHODIMP VexoAudioTrack::put_Index0ContainsData(VARIANT_BOOL value) {
    // Sign-extended: true (-1) becomes 0xFFFFFFFF.
    return PutI32(rec::AudioTrackRecord::Index0ContainsData, static_cast<int16_t>(value));
}

}  // namespace vexo

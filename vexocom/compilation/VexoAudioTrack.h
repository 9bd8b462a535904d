// VexoAudioTrack: one track of an audio disc, keeping the engine's audio
// track record inside itself (see TrackObject). Its sound comes from a WAV,
// MP3 or WMA file that the engine reads, or from the client through the
// OnReadAudioBurn, OnEOF and OnError events while the burn runs.
#pragma once

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "compilation/TrackEventsForwarder.h"
#include "compilation/TrackObject.h"

namespace vexo {

struct AudioTrackTraits {
    static constexpr TrackLayout kLayout = [] {
        namespace r = EngineRecords::AudioTrackRecord;
        return TrackLayout{r::Pause, r::PositionCount, r::Positions, r::Title, r::Artist,
                           r::SourceKind, r::Source, r::LengthInBlocks, r::Size};
    }();
    using Forwarder = AudioTrackEventsForwarder;
    using ForwarderInterface = __IVexoAudioTrackEvents__;
    static const IID& EventsId() noexcept { return DIID__IVexoAudioTrackEvents; }
    static constexpr VARTYPE ElementType = VT_I2;  // 16-bit samples
    static constexpr ULONG ElementSize = 2;
    static HRESULT Fire(ForwarderInterface* f, LONG* length, VARIANT* data) { return f->OnReadAudioBurn(length, data); }
};

class VexoAudioTrack final : public TrackObject<VexoAudioTrack, IVexoAudioTrack, AudioTrackTraits> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoAudioTrack};

    STDMETHODIMP get_TrackType(VEXO_AUDIO_TRACK_TYPE* out) override;
    STDMETHODIMP put_TrackType(VEXO_AUDIO_TRACK_TYPE value) override;
    STDMETHODIMP get_Index0ContainsData(VARIANT_BOOL* out) override;
    STDMETHODIMP put_Index0ContainsData(VARIANT_BOOL value) override;

    // The record's source kind for the track type.
    LONG SourceKind() const noexcept { return type_; }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoAudioTrack; }
    static const CLSID& ClassId() noexcept { return CLSID_VexoAudioTrack; }

private:
    LONG type_ = VEXO_AUDIO_TRACK_FILE_WAV;
};

}  // namespace vexo

// VexoFreestyleTrack: one track of a freestyle disc (data mode 1, mode 2
// form 1 or audio), keeping the engine's freestyle track record inside
// itself (see TrackObject). Its data comes from a file the engine reads or
// from the client through the OnReadFreestyleBurn, OnEOF and OnError events.
#pragma once

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "compilation/TrackEventsForwarder.h"
#include "compilation/TrackObject.h"

namespace vexo {

struct FreestyleTrackTraits {
    static constexpr TrackLayout kLayout = [] {
        namespace r = EngineRecords::FreestyleTrackRecord;
        return TrackLayout{r::Pause, r::PositionCount, r::Positions, r::Title, r::Artist,
                           r::SourceKind, r::Source, r::LengthInBlocks, r::Size};
    }();
    using Forwarder = FreestyleTrackEventsForwarder;
    using ForwarderInterface = __IVexoFreestyleTrackEvents__;
    static const IID& EventsId() noexcept { return DIID__IVexoFreestyleTrackEvents; }
    static constexpr VARTYPE ElementType = VT_I1;  // bytes
    static constexpr ULONG ElementSize = 1;
    static HRESULT Fire(ForwarderInterface* f, LONG* length, VARIANT* data) {
        return f->OnReadFreestyleBurn(length, data);
    }
};

class VexoFreestyleTrack final : public TrackObject<VexoFreestyleTrack, IVexoFreestyleTrack, FreestyleTrackTraits> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFreestyleTrack};

    // The record's first field holds its size; the track type starts as
    // mode 1, the source as a file.
    VexoFreestyleTrack();

    STDMETHODIMP get_TrackType(VEXO_FREESTYLE_TRACK_TYPE* out) override;
    STDMETHODIMP put_TrackType(VEXO_FREESTYLE_TRACK_TYPE value) override;
    STDMETHODIMP get_SourceType(VEXO_FREESTYLE_SOURCE_TYPE* out) override;
    STDMETHODIMP put_SourceType(VEXO_FREESTYLE_SOURCE_TYPE value) override;

    // The record's source kind for the source type.
    LONG SourceKind() const noexcept;

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFreestyleTrack; }
    static const CLSID& ClassId() noexcept { return CLSID_VexoFreestyleTrack; }

private:
    LONG source_ = VEXO_FREESTYLE_SOURCE_FILE;
};

}  // namespace vexo

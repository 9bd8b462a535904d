// The forwarders of the tracks' events: the engine asks a track for its
// data on the burn's thread, and the track's forwarder (registered in the
// global interface table when the track is made) fires the event in the
// track's apartment. Length and Data go by reference, so what the sinks
// leave in them comes back to the engine's thread.
#pragma once

#include "VexoInterfaces.h"
#include "com/EventForwarder.h"

namespace vexo {

// ReadEvent is the name of the read member of the forwarder interface;
// both track kinds share dispatch ids 1 (read), 2 (end of data), 3 (error).
template <class Derived, class Interface>
class TrackEventsForwarderBase : public com::ForwarderObject<Derived, Interface> {
public:
    explicit TrackEventsForwarderBase(com::ConnectionPoint* point) noexcept
        : com::ForwarderObject<Derived, Interface>(point) {}

    STDMETHODIMP OnEOF(VARIANT_BOOL* eof) override { return RefBool(2, eof); }
    STDMETHODIMP OnError(VARIANT_BOOL* error) override { return RefBool(3, error); }

protected:
    HRESULT Read(LONG* length, VARIANT* data) {
        if (!length || !data) return E_POINTER;
        return this->Fire(1, com::EventArg::RefLong(length), com::EventArg::RefVariant(data));
    }

private:
    HRESULT RefBool(DISPID id, VARIANT_BOOL* value) {
        if (!value) return E_POINTER;
        return this->Fire(id, com::EventArg::RefBool(value));
    }
};

class AudioTrackEventsForwarder final
    : public TrackEventsForwarderBase<AudioTrackEventsForwarder, __IVexoAudioTrackEvents__> {
public:
    using TrackEventsForwarderBase::TrackEventsForwarderBase;
    STDMETHODIMP OnReadAudioBurn(LONG* length, VARIANT* data) override { return Read(length, data); }
};

class FreestyleTrackEventsForwarder final
    : public TrackEventsForwarderBase<FreestyleTrackEventsForwarder, __IVexoFreestyleTrackEvents__> {
public:
    using TrackEventsForwarderBase::TrackEventsForwarderBase;
    STDMETHODIMP OnReadFreestyleBurn(LONG* length, VARIANT* data) override { return Read(length, data); }
};

}  // namespace vexo

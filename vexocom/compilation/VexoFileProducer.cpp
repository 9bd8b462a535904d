#include "compilation/VexoFileProducer.h"

#include <cstdint>

#include "com/ComPtr.h"
#include "com/GlobalInterfaceTable.h"
#include "compilation/VexoDataInputStream.h"

namespace vexo {

namespace eo = EngineObjects;

namespace {

std::atomic<LONG> g_nextProducerId{1};

}  // namespace

// In the producer's apartment: wraps the engine's stream for the handlers,
// fires OnProduceFile, and closes the stream when they are done.
class ProducerEventsForwarder final : public com::ForwarderObject<ProducerEventsForwarder, __IVexoFileProducerEvents__> {
public:
    explicit ProducerEventsForwarder(com::ConnectionPoint* point) noexcept : ForwarderObject(point) {}

    STDMETHODIMP OnProduceFile(LONG id, ULONGLONG outputStream, VEXO_ENTRY_ERROR* error) override {
        if (!error) return E_POINTER;
        *error = VEXO_ENTRY_NOT_AVAILABLE;
        if (!Point() || Point()->SinkCount() == 0) return S_OK;
        auto* engineStream = reinterpret_cast<eo::Object*>(static_cast<uintptr_t>(outputStream));
        com::ComPtr<VexoDataInputStream> stream = VexoDataInputStream::Make(engineStream);
        if (!stream) return S_OK;
        LONG idArgument = id;
        IDispatch* streamArgument = static_cast<IVexoDataInputStream2*>(stream.get());
        streamArgument->AddRef();
        LONG left = VEXO_ENTRY_NO_ERROR;
        Fire(1, com::EventArg::RefLong(&idArgument), com::EventArg::RefObject(&streamArgument),
             com::EventArg::RefLong(&left));
        if (streamArgument) streamArgument->Release();  // what the handlers left in the argument
        stream->Close();
        *error = static_cast<VEXO_ENTRY_ERROR>(left);
        return S_OK;
    }
};

const eo::ProducerOperations VexoFileProducer::kEngineOperations = {
    {&VexoFileProducer::EngineRelease, &VexoFileProducer::EngineQueryView},
    &VexoFileProducer::EngineProduce,
};

VexoFileProducer::VexoFileProducer()
    : id_(g_nextProducerId.fetch_add(1)),
      point_(Identity(), static_cast<IConnectionPointContainer*>(this), DIID__IVexoFileProducerEvents) {
    engineSide_.operations = &kEngineOperations;
    engineSide_.owner = this;
    events_.Register(&point_);
}

VexoFileProducer::~VexoFileProducer() {
    events_.Revoke();
    point_.UnadviseAll();
}

STDMETHODIMP VexoFileProducer::get_id(LONG* out) {
    if (!out) return E_POINTER;
    *out = id_;
    return S_OK;
}

eo::Object* VexoFileProducer::LendToEngine() noexcept {
    AddRef();
    engineRefs_.fetch_add(1);
    return &engineSide_;
}

void __stdcall VexoFileProducer::EngineRelease(eo::Object* self) {
    if (!self) return;
    VexoFileProducer* producer = static_cast<EngineSide*>(self)->owner;
    LONG held = producer->engineRefs_.load();
    do {
        if (held <= 0) return;  // the engine gave back more than it was lent
    } while (!producer->engineRefs_.compare_exchange_weak(held, held - 1));
    // This may be the last reference, on a thread of the engine's: the
    // producer's end revokes its forwarder from the interface table, which
    // needs COM on this thread.
    com::ApartmentScope apartment;
    producer->Release();
}

eo::Object* __stdcall VexoFileProducer::EngineQueryView(eo::Object*, const char*) { return nullptr; }

int32_t __stdcall VexoFileProducer::EngineProduce(eo::Object* self, eo::Object* stream) {
    if (!self || !stream) return eo::entryInterfaceError;
    return static_cast<EngineSide*>(self)->owner->Produce(stream);
}

int32_t VexoFileProducer::Produce(eo::Object* stream) noexcept {
    // The engine's thread: the forwarder carries the call into the
    // producer's apartment and waits for the handlers.
    com::ApartmentScope apartment;
    com::ComPtr<__IVexoFileProducerEvents__> forwarder;
    if (FAILED(events_.Get(forwarder)) || !forwarder) return eo::entryNotAvailable;
    VEXO_ENTRY_ERROR error = VEXO_ENTRY_NOT_AVAILABLE;
    if (FAILED(forwarder->OnProduceFile(id_, static_cast<ULONGLONG>(reinterpret_cast<uintptr_t>(stream)), &error)))
        return eo::entryNotAvailable;
    return static_cast<int32_t>(error);
}

}  // namespace vexo

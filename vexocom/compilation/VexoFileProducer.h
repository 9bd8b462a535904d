// VexoFileProducer: the client's source of a produced file's bytes. A file
// added with AddFile names a producer; when the engine needs the file it
// calls the producer's engine-side object on a thread of its own, and the
// producer fires OnProduceFile(id, stream, error) to its sinks in its own
// apartment (through its forwarder); the handler writes the bytes into the
// stream and may set the error, which is the engine's answer.
//
// Ids come from a process-wide counter that starts at 1. Each file added
// with the producer holds one reference for the engine, given back once
// through the engine-side Release (a further release signal is ignored;
// the count is safe from any thread). Without a sink the answer is
// VEXO_ENTRY_NOT_AVAILABLE, so the engine never burns a file of zeros.
#pragma once

#include <atomic>

#include "EngineObjects.h"
#include "VexoInterfaces.h"
#include "com/ConnectionPoint.h"
#include "com/DispatchObject.h"
#include "com/EventForwarder.h"

namespace vexo {

class ProducerEventsForwarder;

class VexoFileProducer final
    : public com::DispatchObject<VexoFileProducer, IVexoFileProducer, com::SingleConnectionPointContainer<VexoFileProducer>,
                             com::SourceClassInfo<VexoFileProducer>> {
public:
    static inline const IID* const kInterfaceChain[] = {&IID_IVexoFileProducer};

    VexoFileProducer();
    ~VexoFileProducer();

    STDMETHODIMP get_id(LONG* out) override;

    com::ConnectionPoint& EventPoint() noexcept { return point_; }
    LONG Id() const noexcept { return id_; }

    // The engine-side object, with one more reference that the engine gives
    // back through its Release.
    EngineObjects::Object* LendToEngine() noexcept;
    // References the engine holds now.
    LONG EngineReferences() const noexcept { return engineRefs_.load(); }

    static const GUID& ErrorClass() noexcept { return CLSID_VexoFileProducer; }
    static const CLSID& ClassId() noexcept { return CLSID_VexoFileProducer; }

private:
    struct EngineSide : EngineObjects::Object {
        VexoFileProducer* owner;
    };
    static void __stdcall EngineRelease(EngineObjects::Object* self);
    static EngineObjects::Object* __stdcall EngineQueryView(EngineObjects::Object* self, const char* name);
    static int32_t __stdcall EngineProduce(EngineObjects::Object* self, EngineObjects::Object* stream);
    static const EngineObjects::ProducerOperations kEngineOperations;

    int32_t Produce(EngineObjects::Object* stream) noexcept;

    const LONG id_;
    com::ConnectionPoint point_;
    com::EventForwarder<ProducerEventsForwarder, __IVexoFileProducerEvents__> events_;
    EngineSide engineSide_;
    std::atomic<LONG> engineRefs_{0};
};

}  // namespace vexo

// The objects of the file-system model the caller holds (the tables of
// EngineObjects.h): containers, writable and read-only directories and
// entries, content readers, output streams and burn-at-once information.
// What burns need of them.
#pragma once

#include "EngineObjects.h"
#include "FsModel.h"
#include "SimEngine.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace vexosim {

// Where a produced file's bytes go while the engine pulls it.
class StreamTarget {
public:
    virtual ~StreamTarget() = default;
    // Called by the producer through the stream (without the engine's
    // lock); an EntryError.
    virtual std::int32_t Write(const void* bytes, std::uint32_t size) = 0;
    // The file's start sector when the file is burnt at once.
    virtual std::optional<std::int32_t> BurnAtOnceOffset() const = 0;
};

// With the engine's lock held: the container behind a container object
// this engine handed out and that is alive, or null.
std::shared_ptr<FsContainer> LiveContainer(SimEngine& e, const void* object);

// With the engine's lock held: an output stream object over `target` (one
// the engine keeps; the caller of Produce does not release it), and its
// end once Produce has returned. The target must outlive the stream.
EngineObjects::Object* MakeStream(SimEngine& e, StreamTarget* target);
void EndStream(SimEngine& e, EngineObjects::Object* stream);

}  // namespace vexosim

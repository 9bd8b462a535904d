// EngineBlockAccess: owns one engine block reader or writer (see
// EngineObjects.h) and is the only code that calls its operations. The
// object is released when the owner goes; the owner's holder keeps the
// engine loaded until then.
#pragma once

#include <cstdint>
#include <utility>

#include "EngineObjects.h"

namespace EngineBinding {

class BlockAccess {
public:
    BlockAccess() noexcept = default;
    // Takes the caller's reference on `object` (an engine block object, or null).
    explicit BlockAccess(void* object) noexcept : object_(static_cast<EngineObjects::Object*>(object)) {}
    BlockAccess(BlockAccess&& o) noexcept : object_(std::exchange(o.object_, nullptr)) {}
    BlockAccess& operator=(BlockAccess&& o) noexcept {
        if (this != &o) reset(std::exchange(o.object_, nullptr));
        return *this;
    }
    BlockAccess(const BlockAccess&) = delete;
    BlockAccess& operator=(const BlockAccess&) = delete;
    ~BlockAccess() { reset(); }

    explicit operator bool() const noexcept { return object_ != nullptr; }
    void reset(EngineObjects::Object* object = nullptr) noexcept;

    // Without an object: 0 partitions, no records, errInternalError.
    int32_t PartitionCount() const noexcept;
    // The 32-byte partition record (the object's own), or null.
    const uint8_t* PartitionByIndex(int32_t index) const noexcept;
    const uint8_t* PartitionForSector(uint64_t sector) const noexcept;
    int32_t Read(bool buffered, void* buffer, uint64_t start, uint64_t count, uint64_t* done) const noexcept;
    int32_t Write(bool buffered, const void* buffer, uint64_t start, uint64_t count, uint64_t* done) const noexcept;
    int32_t Flush() const noexcept;

private:
    const EngineObjects::BlockAccessOperations* Ops() const noexcept {
        return object_ ? static_cast<const EngineObjects::BlockAccessOperations*>(object_->operations) : nullptr;
    }

    EngineObjects::Object* object_ = nullptr;
};

}  // namespace EngineBinding

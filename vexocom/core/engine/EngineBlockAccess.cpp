#include "EngineBlockAccess.h"

namespace EngineBinding {

namespace {
uint32_t Low(uint64_t v) noexcept { return static_cast<uint32_t>(v); }
uint32_t High(uint64_t v) noexcept { return static_cast<uint32_t>(v >> 32); }
}  // namespace

void BlockAccess::reset(EngineObjects::Object* object) noexcept {
    EngineObjects::Object* old = std::exchange(object_, object);
    if (old) {
        auto* ops = static_cast<const EngineObjects::ObjectOperations*>(old->operations);
        if (ops && ops->Release) ops->Release(old);
    }
}

int32_t BlockAccess::PartitionCount() const noexcept {
    auto* ops = Ops();
    return ops && ops->PartitionCount ? ops->PartitionCount(object_) : 0;
}

const uint8_t* BlockAccess::PartitionByIndex(int32_t index) const noexcept {
    auto* ops = Ops();
    return ops && ops->PartitionByIndex ? static_cast<const uint8_t*>(ops->PartitionByIndex(object_, index)) : nullptr;
}

const uint8_t* BlockAccess::PartitionForSector(uint64_t sector) const noexcept {
    auto* ops = Ops();
    return ops && ops->PartitionForSector
               ? static_cast<const uint8_t*>(ops->PartitionForSector(object_, Low(sector), High(sector)))
               : nullptr;
}

int32_t BlockAccess::Read(bool buffered, void* buffer, uint64_t start, uint64_t count, uint64_t* done) const noexcept {
    auto* ops = Ops();
    auto fn = ops ? (buffered ? ops->ReadBuffered : ops->ReadUnbuffered) : nullptr;
    if (!fn) return EngineObjects::errInternalError;
    return fn(object_, buffer, Low(start), High(start), Low(count), High(count), done);
}

int32_t BlockAccess::Write(bool buffered, const void* buffer, uint64_t start, uint64_t count,
                           uint64_t* done) const noexcept {
    auto* ops = Ops();
    auto fn = ops ? (buffered ? ops->WriteBuffered : ops->WriteUnbuffered) : nullptr;
    if (!fn) return EngineObjects::errInternalError;
    return fn(object_, buffer, Low(start), High(start), Low(count), High(count), done);
}

int32_t BlockAccess::Flush() const noexcept {
    auto* ops = Ops();
    return ops && ops->FlushSectorCache ? ops->FlushSectorCache(object_) : EngineObjects::errInternalError;
}

}  // namespace EngineBinding

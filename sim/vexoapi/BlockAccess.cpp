// Block access: the block objects over a device's medium or an image file,
// the exports that make them, and the operation table the caller reaches
// them through.
//
// Every object handed out is registered (under the engine lock) until its
// Release; "outstanding.block" is the number alive. The object's first word
// (its table pointer) stays readable for a while after the Release
// (ObjectShells.h), so a second Release through it lands here and counts as
// a bad free instead of crashing; the rest of the object is gone at once. Operations on an object that is not
// alive are check failures answered errIllegalArgument (null, 0).

#include "BlockAccess.h"

#include "EngineLayout.h"
#include "EngineObjects.h"
#include "ObjectShells.h"
#include "SimEngine.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace vexosim;
namespace L = vexosim::layout;
namespace EO = EngineObjects;

// --- the object -----------------------------------------------------------------

namespace vexosim {

BlockAccess::BlockAccess(std::unique_ptr<Medium> medium, bool writer, bool readOnly)
    : medium_(std::move(medium)), writer_(writer), readOnly_(readOnly) {}

BlockAccess::~BlockAccess() {
    try {
        std::uint64_t moved = 0;
        Flush(moved);
    } catch (...) {
    }
}

const void* BlockAccess::Record(const PartitionInfo& p) {
    record_.fill(0);
    L::Put32(record_.data(), L::partition::Number, p.number);
    L::Put64(record_.data(), L::partition::Start, p.start);
    L::Put64(record_.data(), L::partition::Sectors, p.sectors);
    L::Put32(record_.data(), L::partition::Type, p.type);
    L::Put32(record_.data(), L::partition::SectorSize, p.sectorSize);
    return record_.data();
}

std::int32_t BlockAccess::PartitionCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int32_t>(medium_->Partitions().size());
}

const void* BlockAccess::PartitionByIndex(std::int32_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto& parts = medium_->Partitions();
    if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) return nullptr;
    return Record(parts[static_cast<std::size_t>(index)]);
}

const void* BlockAccess::PartitionForSector(std::uint64_t sector) {
    std::lock_guard<std::mutex> lock(mutex_);
    const PartitionInfo* p = medium_->PartitionOf(sector);
    return p ? Record(*p) : nullptr;
}

std::int32_t BlockAccess::Read(void* buffer, std::uint64_t start, std::uint64_t count, std::uint64_t* done, std::uint64_t& moved) {
    if (done) *done = 0;
    if (!buffer || !done) return EO::errIllegalArgument;
    std::lock_guard<std::mutex> lock(mutex_);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::uint64_t sector = start;
    std::uint64_t left = count;
    std::size_t bytes = 0;
    while (left > 0) {
        const PartitionInfo* p = medium_->PartitionOf(sector);
        if (!p) return sector >= medium_->End() ? EO::errEndOfFile : EO::errReadError;
        std::uint64_t run = std::min(left, p->End() - sector);
        if (run > (std::numeric_limits<std::size_t>::max() - bytes) / p->sectorSize) return EO::errIllegalArgument;
        std::uint8_t* at = out + bytes;
        if (!medium_->Read(*p, sector, run, at)) return EO::errReadError;
        moved += run;
        // What this object still holds back is what it reads.
        for (auto it = pending_.lower_bound(sector); it != pending_.end() && it->first < sector + run; ++it)
            std::memcpy(at + (it->first - sector) * p->sectorSize, it->second.data(), it->second.size());
        bytes += static_cast<std::size_t>(run * p->sectorSize);
        sector += run;
        left -= run;
        *done += run;
    }
    return EO::errOK;
}

std::int32_t BlockAccess::Write(const void* buffer, std::uint64_t start, std::uint64_t count, std::uint64_t* done, bool buffered,
                                std::uint64_t& moved) {
    if (done) *done = 0;
    if (!writer_) return EO::errNotSupported;
    if (!buffer || !done) return EO::errIllegalArgument;
    if (count == 0) return EO::errOK;
    if (readOnly_) return EO::errWriteError;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::uint64_t sector = start;
    std::uint64_t left = count;
    std::size_t bytes = 0;
    std::int32_t result = EO::errOK;
    while (left > 0) {
        const PartitionInfo* p = medium_->PartitionOf(sector);
        if (!p) {
            result = sector >= medium_->End() ? EO::errEndOfFile : EO::errWriteError;
            break;
        }
        std::uint64_t run = std::min(left, p->End() - sector);
        if (run > (std::numeric_limits<std::size_t>::max() - bytes) / p->sectorSize) {
            result = EO::errIllegalArgument;
            break;
        }
        const std::uint8_t* from = in + bytes;
        const std::size_t size = p->sectorSize;
        if (buffered) {
            for (std::uint64_t i = 0; i < run; ++i) {
                std::vector<std::uint8_t>& slot = pending_[sector + i];
                if (slot.empty()) pendingBytes_ += size;
                slot.assign(from + i * size, from + (i + 1) * size);
            }
        } else {
            if (!medium_->Write(*p, sector, run, from)) {
                result = EO::errWriteError;
                break;
            }
            moved += run;
            // Written through: an older buffered copy of these sectors is stale.
            for (auto it = pending_.lower_bound(sector); it != pending_.end() && it->first < sector + run;) {
                pendingBytes_ -= it->second.size();
                it = pending_.erase(it);
            }
        }
        bytes += static_cast<std::size_t>(run * size);
        sector += run;
        left -= run;
        *done += run;
    }
    if (buffered && pendingBytes_ > kMaxPendingBytes) {
        std::int32_t flushed = FlushLocked(moved);
        if (result == EO::errOK) result = flushed;
    }
    return result;
}

std::int32_t BlockAccess::Flush(std::uint64_t& moved) {
    std::lock_guard<std::mutex> lock(mutex_);
    return FlushLocked(moved);
}

std::int32_t BlockAccess::FlushLocked(std::uint64_t& moved) {
    while (!pending_.empty()) {
        auto it = pending_.begin();
        const PartitionInfo* p = medium_->PartitionOf(it->first);
        if (!p || !medium_->Write(*p, it->first, 1, it->second.data())) return EO::errWriteError;
        ++moved;
        pendingBytes_ -= it->second.size();
        pending_.erase(it);
    }
    return EO::errOK;
}

}  // namespace vexosim

// --- the registry and the operation table ---------------------------------------

namespace {

constexpr std::size_t MaxTextRead = 4096;

// Guarded by the engine lock.
ObjectShells<std::shared_ptr<BlockAccess>>& Blocks() {
    static ObjectShells<std::shared_ptr<BlockAccess>> registry;
    return registry;
}

std::shared_ptr<BlockAccess> Find(SimEngine& e, EO::Object* self, const char* operation) {
    if (auto* b = Blocks().Find(self)) return *b;
    e.CheckFailed(operation, self ? "not a live block object (foreign, or released before)" : "the block object is null");
    return nullptr;
}

// Finds the object and counts the call, honouring a scripted failure of
// the operation (result then holds the answer).
std::shared_ptr<BlockAccess> Enter(EO::Object* self, const char* operation, bool& scripted, std::int32_t& result) {
    SimEngine& e = SimEngine::Get();
    auto lock = e.Lock();
    std::shared_ptr<BlockAccess> b = Find(e, self, operation);
    scripted = b && e.ScriptedFailure(operation, result);
    if (!b) e.Count(std::string("calls.") + operation);
    return b;
}

void CountMoved(const char* counter, std::uint64_t sectors) {
    SimEngine& e = SimEngine::Get();
    auto lock = e.Lock();
    e.Count(counter, static_cast<std::int64_t>(sectors));
}

std::uint64_t Join(std::uint32_t low, std::uint32_t high) { return std::uint64_t(high) << 32 | low; }

void __stdcall ReleaseOp(EO::Object* self) {
    Guarded<int>(0, [&] {
        std::shared_ptr<BlockAccess> b;
        {
            SimEngine& e = SimEngine::Get();
            auto lock = e.Lock();
            e.Count("calls.BlockRelease");
            auto released = Blocks().Release(self);
            if (!released) {
                e.Count("block.badrelease");
                e.BadFree(self);
                return 0;
            }
            b = std::move(*released);
            --e.blockObjects;
            e.Count("block.released");
            e.Log(Format("block object %p released", static_cast<void*>(self)));
        }
        std::uint64_t moved = 0;
        std::int32_t flushed = b->Flush(moved);
        CountMoved("block.sectors.written", moved);
        if (flushed != EO::errOK) CountMoved("block.release.flushfailed", 1);
        b.reset();  // outside the engine lock: the object may close its file
        return 0;
    });
}

EO::Object* __stdcall QueryViewOp(EO::Object* self, const char*) {
    return Guarded<EO::Object*>(nullptr, [&]() -> EO::Object* {
        bool scripted = false;
        std::int32_t unused = 0;
        Enter(self, "BlockQueryView", scripted, unused);
        return nullptr;  // a block object has no other view
    });
}

std::int32_t __stdcall PartitionCountOp(EO::Object* self) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        bool scripted = false;
        std::int32_t unused = 0;
        auto b = Enter(self, "BlockPartitionCount", scripted, unused);
        return b && !scripted ? b->PartitionCount() : 0;
    });
}

const void* __stdcall PartitionByIndexOp(EO::Object* self, std::int32_t index) {
    return Guarded<const void*>(nullptr, [&]() -> const void* {
        bool scripted = false;
        std::int32_t unused = 0;
        auto b = Enter(self, "BlockPartitionByIndex", scripted, unused);
        return b && !scripted ? b->PartitionByIndex(index) : nullptr;
    });
}

const void* __stdcall PartitionForSectorOp(EO::Object* self, std::uint32_t low, std::uint32_t high) {
    return Guarded<const void*>(nullptr, [&]() -> const void* {
        bool scripted = false;
        std::int32_t unused = 0;
        auto b = Enter(self, "BlockPartitionForSector", scripted, unused);
        return b && !scripted ? b->PartitionForSector(Join(low, high)) : nullptr;
    });
}

std::int32_t ReadOp(const char* operation, EO::Object* self, void* buffer, std::uint64_t start, std::uint64_t count,
                    std::uint64_t* done) {
    return Guarded<std::int32_t>(EO::errInternalError, [&]() -> std::int32_t {
        bool scripted = false;
        std::int32_t result = EO::errReadError;
        auto b = Enter(self, operation, scripted, result);
        if (!b || scripted) {
            if (done) *done = 0;
            return b ? result : EO::errIllegalArgument;
        }
        std::uint64_t moved = 0;
        result = b->Read(buffer, start, count, done, moved);
        CountMoved("block.sectors.read", moved);
        return result;
    });
}

std::int32_t WriteOp(const char* operation, bool buffered, EO::Object* self, const void* buffer, std::uint64_t start,
                     std::uint64_t count, std::uint64_t* done) {
    return Guarded<std::int32_t>(EO::errInternalError, [&]() -> std::int32_t {
        bool scripted = false;
        std::int32_t result = EO::errWriteError;
        auto b = Enter(self, operation, scripted, result);
        if (!b || scripted) {
            if (done) *done = 0;
            return b ? result : EO::errIllegalArgument;
        }
        std::uint64_t moved = 0;
        result = b->Write(buffer, start, count, done, buffered, moved);
        CountMoved("block.sectors.written", moved);
        return result;
    });
}

std::int32_t __stdcall ReadBufferedOp(EO::Object* self, void* buffer, std::uint32_t sl, std::uint32_t sh, std::uint32_t cl,
                                      std::uint32_t ch, std::uint64_t* done) {
    return ReadOp("BlockReadBuffered", self, buffer, Join(sl, sh), Join(cl, ch), done);
}
std::int32_t __stdcall ReadUnbufferedOp(EO::Object* self, void* buffer, std::uint32_t sl, std::uint32_t sh, std::uint32_t cl,
                                        std::uint32_t ch, std::uint64_t* done) {
    return ReadOp("BlockReadUnbuffered", self, buffer, Join(sl, sh), Join(cl, ch), done);
}
std::int32_t __stdcall WriteBufferedOp(EO::Object* self, const void* buffer, std::uint32_t sl, std::uint32_t sh, std::uint32_t cl,
                                       std::uint32_t ch, std::uint64_t* done) {
    return WriteOp("BlockWriteBuffered", true, self, buffer, Join(sl, sh), Join(cl, ch), done);
}
std::int32_t __stdcall WriteUnbufferedOp(EO::Object* self, const void* buffer, std::uint32_t sl, std::uint32_t sh,
                                         std::uint32_t cl, std::uint32_t ch, std::uint64_t* done) {
    return WriteOp("BlockWriteUnbuffered", false, self, buffer, Join(sl, sh), Join(cl, ch), done);
}

std::int32_t __stdcall FlushOp(EO::Object* self) {
    return Guarded<std::int32_t>(EO::errInternalError, [&]() -> std::int32_t {
        bool scripted = false;
        std::int32_t result = EO::errWriteError;
        auto b = Enter(self, "BlockFlushSectorCache", scripted, result);
        if (!b) return EO::errIllegalArgument;
        if (scripted) return result;
        std::uint64_t moved = 0;
        result = b->Flush(moved);
        CountMoved("block.sectors.written", moved);
        return result;
    });
}

const EO::BlockAccessOperations kOperations = {
    {&ReleaseOp, &QueryViewOp}, &PartitionCountOp, &PartitionByIndexOp, &PartitionForSectorOp, &ReadBufferedOp,
    &ReadUnbufferedOp,          &WriteBufferedOp,  &WriteUnbufferedOp,  &FlushOp,
};

// With the engine lock held.
void* HandOut(SimEngine& e, std::unique_ptr<Medium> medium, bool writer, bool readOnly, const std::string& what) {
    void* p = Blocks().HandOut(&kOperations, std::make_shared<BlockAccess>(std::move(medium), writer, readOnly));
    ++e.blockObjects;
    e.Count("block.made");
    e.SetText("block.last", what);
    e.Log(Format("block %s %p over %s%s", writer ? "writer" : "reader", p, what.c_str(), readOnly ? " (read-only)" : ""));
    return p;
}

// With the engine lock held: a creation refused for a reason the caller can
// meet at run time (not a check failure).
void* Refuse(SimEngine& e, const char* where, const std::string& why) {
    e.Count("block.refused");
    e.SetText("block.refused", std::string(where) + ": " + why);
    e.errors.push_back(why);
    e.Log(std::string(where) + ": " + why);
    return nullptr;
}

// A device's access mode: a reader may ask for none (eNoWriting); otherwise
// one mode bit the device supports.
bool ModeAllowed(std::int32_t mode, std::uint32_t supported, bool writer) {
    if (mode == EO::eNoWriting) return !writer;
    if (mode != EO::ePacketWriting && mode != EO::eManagedMRW && mode != EO::eRawMRW) return false;
    return (supported & static_cast<std::uint32_t>(mode)) != 0;
}

std::int32_t DeviceOrCheck(SimEngine& e, const char* where, const void* handle) {
    std::int32_t index = e.DeviceOf(handle);
    if (index < 0)
        e.CheckFailed(where, handle ? "the device handle is not one this engine opened (or it was closed)" : "the device handle is null");
    return index;
}

void* CreateForDevice(const char* where, void* device, std::int32_t mode, bool writer) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure(where, unused)) return nullptr;
        std::int32_t index = DeviceOrCheck(e, where, device);
        if (index < 0) return nullptr;
        e.SetCounter("block.mode", mode);
        const DriveBehaviour& b = e.Config().behaviour[static_cast<std::size_t>(index)];
        if (b.medium.empty()) return Refuse(e, where, "the device has no medium");
        if (!ModeAllowed(mode, b.accessModes, writer))
            return Refuse(e, where, Format("access mode %d is not one the device supports (0x%x)", mode, b.accessModes));
        if (writer && b.mediumReadOnly) return Refuse(e, where, "the medium in the device is read-only");
        std::shared_ptr<SectorOverlay> overlay;
        std::string name = b.medium;
        if (SyntheticSectors(name)) {
            SimEngine::DeviceState* state = e.StateOf(index);
            if (state && !state->overlay) state->overlay = std::make_shared<SectorOverlay>();
            if (state) overlay = state->overlay;
        } else {
            name = e.ConfiguredPath(name);
        }
        std::string why;
        std::unique_ptr<Medium> medium = OpenMedium(name, writer, overlay, &why);
        if (!medium) return Refuse(e, where, why);
        return HandOut(e, std::move(medium), writer, false, name);
    });
}

}  // namespace

extern "C" {

std::int32_t WINAPI VexoGetSupportedAccessModesForDevice(void* device) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 0;
        if (e.ScriptedFailure("VexoGetSupportedAccessModesForDevice", result)) return result;
        std::int32_t index = DeviceOrCheck(e, "VexoGetSupportedAccessModesForDevice", device);
        if (index < 0) return 0;
        return static_cast<std::int32_t>(e.Config().behaviour[static_cast<std::size_t>(index)].accessModes);
    });
}

void* WINAPI VexoCreateBlockReaderInterface(void* device, std::int32_t mode) {
    return CreateForDevice("VexoCreateBlockReaderInterface", device, mode, false);
}

void* WINAPI VexoCreateBlockWriterInterface(void* device, std::int32_t mode) {
    return CreateForDevice("VexoCreateBlockWriterInterface", device, mode, true);
}

void* WINAPI VexoCreateBlockAccessFromImage(const char* file, std::int32_t mode) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        constexpr const char* where = "VexoCreateBlockAccessFromImage";
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure(where, unused)) return nullptr;
        if (!file) {
            e.CheckFailed(where, "the image file name is null");
            return nullptr;
        }
        std::string name(file, strnlen(file, MaxTextRead));
        e.SetText("block.image", name);
        e.SetCounter("block.imagemode", mode);
        if (mode != EO::eIAReadOnly && mode != EO::eIAReadWrite)
            return Refuse(e, where, Format("image access mode %d is neither read-only (0) nor read-write (1)", mode));
        std::string why;
        std::unique_ptr<Medium> medium = OpenMedium(name, mode == EO::eIAReadWrite, nullptr, &why);
        if (!medium) return Refuse(e, where, why);
        return HandOut(e, std::move(medium), true, mode == EO::eIAReadOnly, name);
    });
}

}  // extern "C"

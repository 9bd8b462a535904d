// A block object: reads and writes a medium's sectors through the engine
// object table that the server calls (EngineObjects.h). Buffered writes
// wait in the object until FlushSectorCache or its Release; unbuffered
// writes reach the medium at once; both kinds of read see the object's
// waiting writes.
#pragma once

#include "BlockMedia.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace vexosim {

class BlockAccess {
public:
    // writer: the write operations work (else they answer errNotSupported);
    // readOnly: a writer whose writes answer errWriteError.
    BlockAccess(std::unique_ptr<Medium> medium, bool writer, bool readOnly);
    ~BlockAccess();  // writes what still waits, as Release does
    BlockAccess(const BlockAccess&) = delete;
    BlockAccess& operator=(const BlockAccess&) = delete;

    std::int32_t PartitionCount();
    // The 32-byte record of a partition, kept in the object until its next
    // partition call; null for an index out of range / a sector outside.
    const void* PartitionByIndex(std::int32_t index);
    const void* PartitionForSector(std::uint64_t sector);

    // VexoFSError results; *done gets the sectors moved; `moved` adds the
    // sectors read from / written to the medium itself.
    std::int32_t Read(void* buffer, std::uint64_t start, std::uint64_t count, std::uint64_t* done, std::uint64_t& moved);
    std::int32_t Write(const void* buffer, std::uint64_t start, std::uint64_t count, std::uint64_t* done, bool buffered,
                       std::uint64_t& moved);
    std::int32_t Flush(std::uint64_t& moved);

    // Buffered writes beyond this many bytes are written out at once.
    static constexpr std::size_t kMaxPendingBytes = 32u << 20;

private:
    std::int32_t FlushLocked(std::uint64_t& moved);
    const void* Record(const PartitionInfo& p);

    std::mutex mutex_;
    std::unique_ptr<Medium> medium_;
    bool writer_;
    bool readOnly_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> pending_;  // sector -> its bytes
    std::size_t pendingBytes_ = 0;
    std::array<std::uint8_t, 32> record_{};
};

}  // namespace vexosim

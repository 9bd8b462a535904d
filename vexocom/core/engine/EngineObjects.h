// The engine's objects: block readers and writers (and the file-system
// model's container, directories, entries and streams) are objects the
// engine makes and the server calls through a table of operations.
//
// Every engine object starts with a pointer to its operation table. Every
// table starts with the two operations all objects share: Release (the
// caller's reference goes; the object may be destroyed) and QueryView
// (another view of the same object by name, with its own reference, or
// null when the object has no such view). The kind's own operations follow
// in a fixed order. Calls use __stdcall; 64-bit numbers travel as a low and
// a high 32-bit half.
//
// This header is shared by the server's engine boundary and the simulated
// engine: both sides build against these tables, and the static assertions
// below fix their layout (one pointer per operation, in order).
#pragma once

#include <cstddef>
#include <cstdint>

namespace EngineObjects {

struct Object {
    const void* operations;  // the kind's table below
};

struct ObjectOperations {
    void(__stdcall* Release)(Object* self);
    Object*(__stdcall* QueryView)(Object* self, const char* name);
};

// A block reader or writer over a medium or an image file. A reader's
// write operations answer errNotSupported. Records returned by the
// partition operations are 32 bytes owned by the object, valid until its
// next call.
struct BlockAccessOperations {
    ObjectOperations object;
    int32_t(__stdcall* PartitionCount)(Object* self);
    const void*(__stdcall* PartitionByIndex)(Object* self, int32_t index);
    const void*(__stdcall* PartitionForSector)(Object* self, uint32_t sectorLow, uint32_t sectorHigh);
    // Reads `count` sectors from `start` into `buffer` (which holds count x
    // the partition's sector size); *done receives the sectors read. The
    // result is a VexoFSError value.
    int32_t(__stdcall* ReadBuffered)(Object* self, void* buffer, uint32_t startLow, uint32_t startHigh,
                                     uint32_t countLow, uint32_t countHigh, uint64_t* done);
    int32_t(__stdcall* ReadUnbuffered)(Object* self, void* buffer, uint32_t startLow, uint32_t startHigh,
                                       uint32_t countLow, uint32_t countHigh, uint64_t* done);
    int32_t(__stdcall* WriteBuffered)(Object* self, const void* buffer, uint32_t startLow, uint32_t startHigh,
                                      uint32_t countLow, uint32_t countHigh, uint64_t* done);
    int32_t(__stdcall* WriteUnbuffered)(Object* self, const void* buffer, uint32_t startLow, uint32_t startHigh,
                                        uint32_t countLow, uint32_t countHigh, uint64_t* done);
    int32_t(__stdcall* FlushSectorCache)(Object* self);
};

// VexoFSError values the block operations answer.
enum FsError : int32_t {
    errOK = 0,
    errEndOfDir = 1,
    errEndOfFile = 2,
    errReadError = 3,
    errInvalidFS = 4,
    errNoDirectory = 5,
    errNoFile = 6,
    errNotSupported = 7,
    errIllegalArgument = 8,
    errWriteError = 9,
    errInternalError = 10,
    errFileLocked = 11,
};

// Access modes (bits of VexoGetSupportedAccessModesForDevice) and image
// access modes.
enum AccessModeValue : int32_t { eNoWriting = 0, ePacketWriting = 1, eManagedMRW = 2, eRawMRW = 4 };
enum ImageAccessModeValue : int32_t { eIAReadOnly = 0, eIAReadWrite = 1 };

namespace detail {
inline constexpr std::size_t P = sizeof(void*);
}
static_assert(sizeof(Object) == detail::P);
static_assert(offsetof(ObjectOperations, Release) == 0 && offsetof(ObjectOperations, QueryView) == detail::P);
static_assert(sizeof(ObjectOperations) == 2 * detail::P);
static_assert(offsetof(BlockAccessOperations, PartitionCount) == 2 * detail::P);
static_assert(offsetof(BlockAccessOperations, PartitionByIndex) == 3 * detail::P);
static_assert(offsetof(BlockAccessOperations, PartitionForSector) == 4 * detail::P);
static_assert(offsetof(BlockAccessOperations, ReadBuffered) == 5 * detail::P);
static_assert(offsetof(BlockAccessOperations, ReadUnbuffered) == 6 * detail::P);
static_assert(offsetof(BlockAccessOperations, WriteBuffered) == 7 * detail::P);
static_assert(offsetof(BlockAccessOperations, WriteUnbuffered) == 8 * detail::P);
static_assert(offsetof(BlockAccessOperations, FlushSectorCache) == 9 * detail::P);
static_assert(sizeof(BlockAccessOperations) == 10 * detail::P);

}  // namespace EngineObjects

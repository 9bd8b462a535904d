// The engine's objects: block readers and writers, and the file-system
// model's container, directories, entries, content readers, output streams
// and burn-at-once information, are objects the engine makes and the
// server calls through a table of operations. One kind goes the other way:
// a file producer is the server's object, and the engine calls it.
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


// ---- The file-system description model --------------------------------
//
// Conventions for every table below:
// - An Object* an operation answers carries one reference the caller owns
//   (give it back with Release); null means "none" or "refused".
// - A const char* an operation answers is an ANSI text owned by the object,
//   valid until the object's next call; the caller copies it.
// - Names and paths passed in are ANSI texts, never null (empty instead).
// - Int results of the setters and of the stream's Write are EntryError
//   values.
//
// An entry has two views: the writable entry (setters) and the read-only
// entry (getters), reached from each other with QueryView("IDirectoryEntry").
// A writable directory's read-only view is QueryView("IDirectory"); an
// output stream's burn-at-once details are QueryView("IBurnAtOnceInfo").

// VEXO_ENTRY_ERROR values.
enum EntryError : int32_t {
    entryNoError = 0,
    entrySequencingError = 1,
    entryNotAFile = 2,
    entryNotAvailable = 3,
    entryInterfaceError = 4,
    entryFeatureNotAvailable = 5,
};

// The container made by VexoCreateFileSystemContainer: a volume name and a
// root directory.
struct ContainerOperations {
    ObjectOperations object;
    const char*(__stdcall* GetName)(Object* self);
    int32_t(__stdcall* SetName)(Object* self, const char* name);
    Object*(__stdcall* GetRoot)(Object* self);           // read-only directory
    Object*(__stdcall* GetRootDirectory)(Object* self);  // writable directory
};

// A writable directory. Entries are found by name (as stored) or by index
// in the directory's order.
struct WritableDirectoryOperations {
    ObjectOperations object;
    Object*(__stdcall* AddDirectory)(Object* self, const char* name, int32_t directoryPriority);
    // A file whose bytes come from `producer` (a ProducerOperations object
    // of the caller). The caller adds one reference for the engine before
    // the call; the engine gives it back once, with the producer's Release,
    // when it no longer needs it (also when the add is refused).
    Object*(__stdcall* AddProducedFile)(Object* self, const char* name, Object* producer, uint32_t lengthLow,
                                        uint32_t lengthHigh, int32_t priority, int32_t directoryPriority);
    Object*(__stdcall* AddFile)(Object* self, const char* name, const char* sourcePath, int32_t priority,
                                int32_t directoryPriority);
    int32_t(__stdcall* RemoveEntry)(Object* self, const char* name);  // 1 removed, 0 no such entry
    Object*(__stdcall* EntryByName)(Object* self, const char* name);  // writable entry
    Object*(__stdcall* EntryByIndex)(Object* self, int32_t index);    // writable entry
    Object*(__stdcall* SubDirectory)(Object* self, const char* name); // writable directory
};

// A read-only directory.
struct DirectoryOperations {
    ObjectOperations object;
    int32_t(__stdcall* EntryCount)(Object* self);
    Object*(__stdcall* EntryByIndex)(Object* self, int32_t index);  // read-only entry
};

// A read-only entry (a file or a directory).
struct EntryOperations {
    ObjectOperations object;
    const char*(__stdcall* Name)(Object* self);
    Object*(__stdcall* SubDirectory)(Object* self);  // read-only directory; null for a file
    // A reader of the file's bytes; null with *error set when there is none
    // (entryNotAFile for a directory, entryNotAvailable when the bytes
    // cannot be had).
    Object*(__stdcall* ReadContent)(Object* self, int32_t* error);
    const char*(__stdcall* SourcePath)(Object* self);  // empty for a produced file or a directory
    void(__stdcall* Size)(Object* self, uint64_t* size);
    int32_t(__stdcall* FilePriority)(Object* self);
    int32_t(__stdcall* DirOrder)(Object* self);
    int32_t(__stdcall* Id)(Object* self);
    int32_t(__stdcall* DataStartSector)(Object* self);
};

// A writable entry.
struct WritableEntryOperations {
    ObjectOperations object;
    int32_t(__stdcall* SetSize)(Object* self, uint32_t sizeLow, uint32_t sizeHigh);
    int32_t(__stdcall* SetPriority)(Object* self, int32_t value);
    int32_t(__stdcall* SetDirOrder)(Object* self, int32_t value);
    int32_t(__stdcall* SetDataStartSector)(Object* self, int32_t value);
    int32_t(__stdcall* SetFixedDataStartSector)(Object* self, int32_t value);
    int32_t(__stdcall* SetFileNumber)(Object* self, int32_t value);
    int32_t(__stdcall* SetId)(Object* self, int32_t value);
    int32_t(__stdcall* SetFlags)(Object* self, int32_t enable, int32_t value);
};

// Reads a file entry's bytes from its start.
struct ContentOperations {
    ObjectOperations object;
    int32_t(__stdcall* Read)(Object* self, void* buffer, int32_t length);  // bytes read (0 at the end or on error)
    int32_t(__stdcall* EndOfFile)(Object* self);                           // 1 or 0
    int32_t(__stdcall* Error)(Object* self);                               // 1 or 0
};

// The server's producer of a file's bytes. The engine calls Produce (on a
// thread of its own) when it needs the file; the producer writes the bytes
// into `stream`, which stays the engine's and is valid during the call
// only. The answer is an EntryError. Release gives back the reference the
// engine took when the file was added.
struct ProducerOperations {
    ObjectOperations object;
    int32_t(__stdcall* Produce)(Object* self, Object* stream);
};

// Where a produced file's bytes go.
struct OutputStreamOperations {
    ObjectOperations object;
    int32_t(__stdcall* Write)(Object* self, const void* bytes, uint32_t size);
};

// Burn-at-once details of an output stream.
struct BurnAtOnceInfoOperations {
    ObjectOperations object;
    int32_t(__stdcall* Offset)(Object* self);  // the file's start sector on the disc
};

// The view names QueryView knows.
inline constexpr const char kDirectoryView[] = "IDirectory";
inline constexpr const char kDirectoryEntryView[] = "IDirectoryEntry";
inline constexpr const char kBurnAtOnceInfoView[] = "IBurnAtOnceInfo";

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


template <typename Table>
inline constexpr std::size_t OperationCount = sizeof(Table) / detail::P;
static_assert(offsetof(ContainerOperations, GetName) == 2 * detail::P);
static_assert(offsetof(ContainerOperations, GetRootDirectory) == 5 * detail::P);
static_assert(OperationCount<ContainerOperations> == 6);
static_assert(offsetof(WritableDirectoryOperations, AddDirectory) == 2 * detail::P);
static_assert(offsetof(WritableDirectoryOperations, AddProducedFile) == 3 * detail::P);
static_assert(offsetof(WritableDirectoryOperations, AddFile) == 4 * detail::P);
static_assert(offsetof(WritableDirectoryOperations, RemoveEntry) == 5 * detail::P);
static_assert(offsetof(WritableDirectoryOperations, EntryByName) == 6 * detail::P);
static_assert(offsetof(WritableDirectoryOperations, EntryByIndex) == 7 * detail::P);
static_assert(offsetof(WritableDirectoryOperations, SubDirectory) == 8 * detail::P);
static_assert(OperationCount<WritableDirectoryOperations> == 9);
static_assert(offsetof(DirectoryOperations, EntryCount) == 2 * detail::P);
static_assert(OperationCount<DirectoryOperations> == 4);
static_assert(offsetof(EntryOperations, Name) == 2 * detail::P);
static_assert(offsetof(EntryOperations, ReadContent) == 4 * detail::P);
static_assert(offsetof(EntryOperations, Size) == 6 * detail::P);
static_assert(offsetof(EntryOperations, DataStartSector) == 10 * detail::P);
static_assert(OperationCount<EntryOperations> == 11);
static_assert(offsetof(WritableEntryOperations, SetSize) == 2 * detail::P);
static_assert(offsetof(WritableEntryOperations, SetFixedDataStartSector) == 6 * detail::P);
static_assert(offsetof(WritableEntryOperations, SetFlags) == 9 * detail::P);
static_assert(OperationCount<WritableEntryOperations> == 10);
static_assert(offsetof(ContentOperations, Read) == 2 * detail::P);
static_assert(OperationCount<ContentOperations> == 5);
static_assert(offsetof(ProducerOperations, Produce) == 2 * detail::P);
static_assert(OperationCount<ProducerOperations> == 3);
static_assert(offsetof(OutputStreamOperations, Write) == 2 * detail::P);
static_assert(OperationCount<OutputStreamOperations> == 3);
static_assert(offsetof(BurnAtOnceInfoOperations, Offset) == 2 * detail::P);
static_assert(OperationCount<BurnAtOnceInfoOperations> == 3);

}  // namespace EngineObjects

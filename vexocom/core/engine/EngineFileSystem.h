// EngineFileSystem: owners of the engine's file-system model objects (see
// EngineObjects.h) and the only code that calls their operations. Each
// owner holds one reference and releases it when it goes; the COM object
// holding an owner keeps the engine loaded until then.
//
// Texts cross as ANSI: what an operation answers is copied at once (the
// engine's text is valid only until the object's next call).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "EngineObjects.h"

namespace EngineBinding {

// One reference on any engine object.
class ObjectRef {
public:
    ObjectRef() noexcept = default;
    // Takes the caller's reference on `object` (or null).
    explicit ObjectRef(void* object) noexcept : object_(static_cast<EngineObjects::Object*>(object)) {}
    ObjectRef(ObjectRef&& o) noexcept : object_(std::exchange(o.object_, nullptr)) {}
    ObjectRef& operator=(ObjectRef&& o) noexcept {
        if (this != &o) reset(std::exchange(o.object_, nullptr));
        return *this;
    }
    ObjectRef(const ObjectRef&) = delete;
    ObjectRef& operator=(const ObjectRef&) = delete;
    ~ObjectRef() { reset(); }

    explicit operator bool() const noexcept { return object_ != nullptr; }
    EngineObjects::Object* get() const noexcept { return object_; }
    void reset(EngineObjects::Object* object = nullptr) noexcept;

    // Another view of the same object by name, or an empty owner.
    ObjectRef QueryView(const char* name) const noexcept;

protected:
    template <class Table>
    const Table* Ops() const noexcept {
        return object_ ? static_cast<const Table*>(object_->operations) : nullptr;
    }

    EngineObjects::Object* object_ = nullptr;
};

// The typed owners: each is an ObjectRef whose operations are those of its
// kind, made from an ObjectRef the caller knows to be of that kind.
class FsContainer : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsContainer() noexcept = default;
    explicit FsContainer(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    // False when the engine object is absent or the text cannot be copied.
    bool Name(std::string& out) const noexcept;
    int32_t SetName(const char* name) const noexcept;
    ObjectRef Root() const noexcept;           // read-only directory
    ObjectRef RootDirectory() const noexcept;  // writable directory
};

class FsWritableDirectory : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsWritableDirectory() noexcept = default;
    explicit FsWritableDirectory(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    ObjectRef AddDirectory(const char* name, int32_t directoryPriority) const noexcept;
    // `producer` is the caller's producer object, with one reference added
    // for the engine, which gives it back through the producer's Release.
    ObjectRef AddProducedFile(const char* name, EngineObjects::Object* producer, uint64_t length, int32_t priority,
                              int32_t directoryPriority) const noexcept;
    ObjectRef AddFile(const char* name, const char* sourcePath, int32_t priority,
                      int32_t directoryPriority) const noexcept;
    bool RemoveEntry(const char* name) const noexcept;
    ObjectRef EntryByName(const char* name) const noexcept;
    ObjectRef EntryByIndex(int32_t index) const noexcept;
    ObjectRef SubDirectory(const char* name) const noexcept;
};

class FsDirectory : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsDirectory() noexcept = default;
    explicit FsDirectory(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    int32_t EntryCount() const noexcept;
    ObjectRef EntryByIndex(int32_t index) const noexcept;  // read-only entry
};

class FsEntry : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsEntry() noexcept = default;
    explicit FsEntry(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    bool Name(std::string& out) const noexcept;
    ObjectRef SubDirectory() const noexcept;
    ObjectRef ReadContent(int32_t& error) const noexcept;
    bool SourcePath(std::string& out) const noexcept;
    uint64_t Size() const noexcept;
    int32_t FilePriority() const noexcept;
    int32_t DirOrder() const noexcept;
    int32_t Id() const noexcept;
    int32_t DataStartSector() const noexcept;
};

// The writable entry's setters; `Setter` names one of them.
class FsWritableEntry : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsWritableEntry() noexcept = default;
    explicit FsWritableEntry(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    enum class Setter { Priority, DirOrder, DataStartSector, FixedDataStartSector, FileNumber, Id };
    int32_t SetSize(uint64_t size) const noexcept;
    int32_t Set(Setter which, int32_t value) const noexcept;
    int32_t SetFlags(bool enable, int32_t value) const noexcept;
};

class FsContent : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsContent() noexcept = default;
    explicit FsContent(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    int32_t Read(void* buffer, int32_t length) const noexcept;
    bool EndOfFile() const noexcept;
    bool Error() const noexcept;
};

class FsBurnAtOnceInfo : public ObjectRef {
public:
    using ObjectRef::ObjectRef;
    FsBurnAtOnceInfo() noexcept = default;
    explicit FsBurnAtOnceInfo(ObjectRef&& o) noexcept : ObjectRef(std::move(o)) {}
    int32_t Offset() const noexcept;
};

// An output stream the engine lends to a producer for one Produce call: not
// owned, never released here.
class FsStream {
public:
    explicit FsStream(EngineObjects::Object* stream) noexcept : stream_(stream) {}
    int32_t Write(const void* bytes, uint32_t size) const noexcept;
    // Its burn-at-once details (a new reference), or an empty owner.
    ObjectRef BurnAtOnceInfo() const noexcept;

private:
    EngineObjects::Object* stream_;
};

}  // namespace EngineBinding

#include "EngineFileSystem.h"

#include <new>

namespace EngineBinding {

namespace eo = EngineObjects;

namespace {

uint32_t Low(uint64_t v) noexcept { return static_cast<uint32_t>(v); }
uint32_t High(uint64_t v) noexcept { return static_cast<uint32_t>(v >> 32); }

bool CopyText(const char* text, std::string& out) noexcept {
    try {
        out = text ? text : "";
        return true;
    } catch (...) {
        return false;
    }
}

// Calls operation `op` of `table` on `self` when both exist, else answers
// `absent`.
template <class Table, class Op, class R, class... A>
R Call(const Table* table, Op Table::*op, eo::Object* self, R absent, A... args) noexcept {
    if (!table || !(table->*op)) return absent;
    return (table->*op)(self, args...);
}

}  // namespace

void ObjectRef::reset(eo::Object* object) noexcept {
    eo::Object* old = std::exchange(object_, object);
    if (!old) return;
    auto* ops = static_cast<const eo::ObjectOperations*>(old->operations);
    if (ops && ops->Release) ops->Release(old);
}

ObjectRef ObjectRef::QueryView(const char* name) const noexcept {
    auto* ops = Ops<eo::ObjectOperations>();
    return ObjectRef(Call(ops, &eo::ObjectOperations::QueryView, object_, static_cast<eo::Object*>(nullptr), name));
}

// ---- container -------------------------------------------------------------------

bool FsContainer::Name(std::string& out) const noexcept {
    auto* ops = Ops<eo::ContainerOperations>();
    if (!ops || !ops->GetName) return false;
    return CopyText(ops->GetName(object_), out);
}
int32_t FsContainer::SetName(const char* name) const noexcept {
    return Call(Ops<eo::ContainerOperations>(), &eo::ContainerOperations::SetName, object_,
                int32_t{eo::entryInterfaceError}, name);
}
ObjectRef FsContainer::Root() const noexcept {
    return ObjectRef(Call(Ops<eo::ContainerOperations>(), &eo::ContainerOperations::GetRoot, object_,
                          static_cast<eo::Object*>(nullptr)));
}
ObjectRef FsContainer::RootDirectory() const noexcept {
    return ObjectRef(Call(Ops<eo::ContainerOperations>(), &eo::ContainerOperations::GetRootDirectory, object_,
                          static_cast<eo::Object*>(nullptr)));
}

// ---- writable directory --------------------------------------------------------

namespace {
using WD = eo::WritableDirectoryOperations;
constexpr eo::Object* kNone = nullptr;
}  // namespace

ObjectRef FsWritableDirectory::AddDirectory(const char* name, int32_t directoryPriority) const noexcept {
    return ObjectRef(Call(Ops<WD>(), &WD::AddDirectory, object_, kNone, name, directoryPriority));
}
ObjectRef FsWritableDirectory::AddProducedFile(const char* name, eo::Object* producer, uint64_t length,
                                               int32_t priority, int32_t directoryPriority) const noexcept {
    return ObjectRef(Call(Ops<WD>(), &WD::AddProducedFile, object_, kNone, name, producer, Low(length), High(length),
                          priority, directoryPriority));
}
ObjectRef FsWritableDirectory::AddFile(const char* name, const char* sourcePath, int32_t priority,
                                       int32_t directoryPriority) const noexcept {
    return ObjectRef(Call(Ops<WD>(), &WD::AddFile, object_, kNone, name, sourcePath, priority, directoryPriority));
}
bool FsWritableDirectory::RemoveEntry(const char* name) const noexcept {
    return Call(Ops<WD>(), &WD::RemoveEntry, object_, int32_t{0}, name) != 0;
}
ObjectRef FsWritableDirectory::EntryByName(const char* name) const noexcept {
    return ObjectRef(Call(Ops<WD>(), &WD::EntryByName, object_, kNone, name));
}
ObjectRef FsWritableDirectory::EntryByIndex(int32_t index) const noexcept {
    return ObjectRef(Call(Ops<WD>(), &WD::EntryByIndex, object_, kNone, index));
}
ObjectRef FsWritableDirectory::SubDirectory(const char* name) const noexcept {
    return ObjectRef(Call(Ops<WD>(), &WD::SubDirectory, object_, kNone, name));
}

// ---- read-only directory and entry -------------------------------------------

int32_t FsDirectory::EntryCount() const noexcept {
    return Call(Ops<eo::DirectoryOperations>(), &eo::DirectoryOperations::EntryCount, object_, int32_t{0});
}
ObjectRef FsDirectory::EntryByIndex(int32_t index) const noexcept {
    return ObjectRef(Call(Ops<eo::DirectoryOperations>(), &eo::DirectoryOperations::EntryByIndex, object_, kNone,
                          index));
}

namespace {
using E = eo::EntryOperations;
}  // namespace

bool FsEntry::Name(std::string& out) const noexcept {
    auto* ops = Ops<E>();
    if (!ops || !ops->Name) return false;
    return CopyText(ops->Name(object_), out);
}
ObjectRef FsEntry::SubDirectory() const noexcept { return ObjectRef(Call(Ops<E>(), &E::SubDirectory, object_, kNone)); }
ObjectRef FsEntry::ReadContent(int32_t& error) const noexcept {
    error = eo::entryInterfaceError;
    auto* ops = Ops<E>();
    if (!ops || !ops->ReadContent) return ObjectRef();
    error = eo::entryNoError;
    ObjectRef content(ops->ReadContent(object_, &error));
    if (!content && error == eo::entryNoError) error = eo::entryNotAvailable;
    return content;
}
bool FsEntry::SourcePath(std::string& out) const noexcept {
    auto* ops = Ops<E>();
    if (!ops || !ops->SourcePath) return false;
    return CopyText(ops->SourcePath(object_), out);
}
uint64_t FsEntry::Size() const noexcept {
    auto* ops = Ops<E>();
    uint64_t size = 0;
    if (ops && ops->Size) ops->Size(object_, &size);
    return size;
}
int32_t FsEntry::FilePriority() const noexcept { return Call(Ops<E>(), &E::FilePriority, object_, int32_t{0}); }
int32_t FsEntry::DirOrder() const noexcept { return Call(Ops<E>(), &E::DirOrder, object_, int32_t{0}); }
int32_t FsEntry::Id() const noexcept { return Call(Ops<E>(), &E::Id, object_, int32_t{0}); }
int32_t FsEntry::DataStartSector() const noexcept { return Call(Ops<E>(), &E::DataStartSector, object_, int32_t{0}); }

// ---- writable entry ---------------------------------------------------------------

namespace {
using WE = eo::WritableEntryOperations;
constexpr int32_t kNoTable = eo::entryInterfaceError;
}  // namespace

int32_t FsWritableEntry::SetSize(uint64_t size) const noexcept {
    return Call(Ops<WE>(), &WE::SetSize, object_, kNoTable, Low(size), High(size));
}
int32_t FsWritableEntry::Set(Setter which, int32_t value) const noexcept {
    using SetterOperation = decltype(WE::SetPriority);
    SetterOperation WE::*op = nullptr;
    switch (which) {
        case Setter::Priority: op = &WE::SetPriority; break;
        case Setter::DirOrder: op = &WE::SetDirOrder; break;
        case Setter::DataStartSector: op = &WE::SetDataStartSector; break;
        case Setter::FixedDataStartSector: op = &WE::SetFixedDataStartSector; break;
        case Setter::FileNumber: op = &WE::SetFileNumber; break;
        case Setter::Id: op = &WE::SetId; break;
    }
    return op ? Call(Ops<WE>(), op, object_, kNoTable, value) : kNoTable;
}
int32_t FsWritableEntry::SetFlags(bool enable, int32_t value) const noexcept {
    return Call(Ops<WE>(), &WE::SetFlags, object_, kNoTable, enable ? 1 : 0, value);
}

// ---- content, burn-at-once details, output stream -----------------------------

int32_t FsContent::Read(void* buffer, int32_t length) const noexcept {
    return Call(Ops<eo::ContentOperations>(), &eo::ContentOperations::Read, object_, int32_t{0}, buffer, length);
}
bool FsContent::EndOfFile() const noexcept {
    return Call(Ops<eo::ContentOperations>(), &eo::ContentOperations::EndOfFile, object_, int32_t{1}) != 0;
}
bool FsContent::Error() const noexcept {
    return Call(Ops<eo::ContentOperations>(), &eo::ContentOperations::Error, object_, int32_t{1}) != 0;
}

int32_t FsBurnAtOnceInfo::Offset() const noexcept {
    return Call(Ops<eo::BurnAtOnceInfoOperations>(), &eo::BurnAtOnceInfoOperations::Offset, object_, int32_t{0});
}

int32_t FsStream::Write(const void* bytes, uint32_t size) const noexcept {
    auto* ops = stream_ ? static_cast<const eo::OutputStreamOperations*>(stream_->operations) : nullptr;
    return Call(ops, &eo::OutputStreamOperations::Write, stream_, int32_t{eo::entryInterfaceError}, bytes, size);
}
ObjectRef FsStream::BurnAtOnceInfo() const noexcept {
    auto* ops = stream_ ? static_cast<const eo::ObjectOperations*>(stream_->operations) : nullptr;
    return ObjectRef(Call(ops, &eo::ObjectOperations::QueryView, stream_, kNone, eo::kBurnAtOnceInfoView));
}

}  // namespace EngineBinding

// The file-system model's objects and VexoCreateFileSystemContainer.
//
//   void* VexoCreateFileSystemContainer(void* reserved)
//       a new container object (null reserved argument; anything else is a
//       check failure answered null).
//
// Every object is a view holding one reference the caller gives back with
// Release; views share the model (FsModel.h), so an entry view stays usable
// after its entry was removed or its container released. Each answer is a
// new view. Views alive are counted by kind: "outstanding.fscontainer",
// ".fsdirectory", ".fsentry", ".fscontent", ".fsstream", ".fsbaoinfo"
// (all part of "outstanding"). Like the block objects, a shell keeps its
// first word readable for a while after its release (ObjectShells.h): a second
// Release, or one of a pointer this engine never made, counts "free.bad"
// and "fs.badrelease" and never crashes; another operation on such an
// object is a check failure answered null / 0 / entryInterfaceError.
//
// Refusals (answered null, "fs.refused" counted, text "fs.refused" and an
// error line): an empty name or one holding '/' or '\\', a name the
// directory holds already (names are case-sensitive as typed), a source
// file that cannot be read (its size is read when it is added), a null
// producer. A refused produced file's producer is given back at once.
// Producers are given back when their entry is removed, or when the last
// view of the tree goes.

#include "FsObjects.h"

#include "ObjectShells.h"

#include "DataImage.h"
#include "File.h"

#include <windows.h>

#include <cstring>
#include <ctime>
#include <map>
#include <vector>

using namespace vexosim;
namespace EO = EngineObjects;

namespace {

constexpr std::size_t MaxTextRead = 32768;

enum class Kind { Container, WritableDirectory, Directory, WritableEntry, Entry, Content, Stream, BaoInfo };

const char* KindName(Kind k) {
    switch (k) {
    case Kind::Container: return "fscontainer";
    case Kind::WritableDirectory:
    case Kind::Directory: return "fsdirectory";
    case Kind::WritableEntry:
    case Kind::Entry: return "fsentry";
    case Kind::Content: return "fscontent";
    case Kind::Stream: return "fsstream";
    case Kind::BaoInfo: return "fsbaoinfo";
    }
    return "fs";
}

struct ContentState {
    std::unique_ptr<iso9660::File> file;
    std::uint64_t left = 0;
    bool eof = false;
    bool error = false;
};

struct View {
    Kind kind = Kind::Container;
    std::shared_ptr<FsContainer> container;
    std::shared_ptr<FsEntry> entry;  // a directory or an entry
    std::shared_ptr<ContentState> content;
    StreamTarget* stream = nullptr;
    std::int32_t offset = 0;
    std::string text;  // the last text answered
};

// Guarded by the engine's lock.
ObjectShells<std::unique_ptr<View>>& Objects() {
    static ObjectShells<std::unique_ptr<View>> registry;
    return registry;
}

const void* TableOf(Kind k);

EO::Object* HandOut(SimEngine& e, std::unique_ptr<View> view) {
    e.modelObjects[KindName(view->kind)] += 1;
    const void* table = TableOf(view->kind);
    return Objects().HandOut(table, std::move(view));
}

std::unique_ptr<View> NewView(Kind kind, std::shared_ptr<FsEntry> entry) {
    auto v = std::make_unique<View>();
    v->kind = kind;
    v->entry = std::move(entry);
    return v;
}

// The live view of one of the kinds, or null after a check failure.
View* Find(SimEngine& e, EO::Object* self, const char* operation, std::initializer_list<Kind> kinds) {
    e.Count(std::string("calls.") + operation);
    auto* view = Objects().Find(self);
    if (!view) {
        e.CheckFailed(operation, self ? "not a live file-system object (foreign, or released before)" : "the object is null");
        return nullptr;
    }
    for (Kind k : kinds)
        if ((*view)->kind == k) return view->get();
    e.CheckFailed(operation, std::string("called on an object of kind ") + KindName((*view)->kind));
    return nullptr;
}

std::string ReadText(const char* p) { return p ? std::string(p, strnlen(p, MaxTextRead)) : std::string(); }

// A name passed in: null is a check failure (empty instead).
bool NameArgument(SimEngine& e, const char* operation, const char* p, std::string& out) {
    if (!p) {
        e.CheckFailed(operation, "a name or path is null");
        return false;
    }
    out = ReadText(p);
    return true;
}

std::nullptr_t Refuse(SimEngine& e, const char* operation, const std::string& why) {
    e.Count("fs.refused");
    e.SetText("fs.refused", std::string(operation) + ": " + why);
    e.errors.push_back(why);
    e.Log(std::string(operation) + ": " + why);
    return nullptr;
}

// Why a new entry of this name cannot go into the directory; empty when it can.
std::string NameProblem(const FsEntry& dir, const std::string& name) {
    if (name.empty()) return "An entry needs a name";
    if (name.find_first_of("/\\") != std::string::npos) return "The name \"" + name + "\" holds a path separator";
    if (dir.Child(name)) return "The directory holds an entry named \"" + name + "\" already";
    return {};
}

std::shared_ptr<FsEntry> NewEntry(const std::string& name, bool directory, std::int32_t priority, std::int32_t dirOrder) {
    auto entry = std::make_shared<FsEntry>();
    entry->name = name;
    entry->directory = directory;
    entry->addedAt = static_cast<std::int64_t>(std::time(nullptr));
    entry->priority = priority;
    entry->dirOrder = dirOrder;
    return entry;
}

std::uint64_t Join(std::uint32_t low, std::uint32_t high) { return std::uint64_t(high) << 32 | low; }

template <class R, class F>
R Locked(R fallback, F&& f) {
    return Guarded<R>(fallback, [&]() -> R {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        return f(e);
    });
}

// --- shared by every table -----------------------------------------------

void __stdcall ReleaseOp(EO::Object* self) {
    Guarded<int>(0, [&] {
        std::unique_ptr<View> gone;
        {
            SimEngine& e = SimEngine::Get();
            auto lock = e.Lock();
            e.Count("calls.FsRelease");
            auto released = Objects().Release(self);
            if (!released) {
                e.Count("fs.badrelease");
                e.BadFree(self);
                return 0;
            }
            gone = std::move(*released);
            e.modelObjects[KindName(gone->kind)] -= 1;
        }
        gone.reset();  // without the lock: the last view of a tree gives its producers back
        return 0;
    });
}

EO::Object* __stdcall QueryViewOp(EO::Object* self, const char* name) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, "FsQueryView", {Kind::Container, Kind::WritableDirectory, Kind::Directory, Kind::WritableEntry,
                                                 Kind::Entry, Kind::Content, Kind::Stream, Kind::BaoInfo});
        if (!v || !name) return nullptr;
        const std::string view = ReadText(name);
        if (view == EO::kDirectoryView && (v->kind == Kind::WritableDirectory || v->kind == Kind::Directory))
            return HandOut(e, NewView(Kind::Directory, v->entry));
        if (view == EO::kDirectoryEntryView && (v->kind == Kind::WritableEntry || v->kind == Kind::Entry))
            return HandOut(e, NewView(Kind::Entry, v->entry));
        if (view == EO::kBurnAtOnceInfoView && v->kind == Kind::Stream && v->stream) {
            std::optional<std::int32_t> offset = v->stream->BurnAtOnceOffset();
            if (!offset) return nullptr;
            auto info = std::make_unique<View>();
            info->kind = Kind::BaoInfo;
            info->offset = *offset;
            return HandOut(e, std::move(info));
        }
        return nullptr;
    });
}

// --- the container ---------------------------------------------------------

const char* __stdcall ContainerGetName(EO::Object* self) {
    return Locked<const char*>("", [&](SimEngine& e) -> const char* {
        View* v = Find(e, self, "FsContainerGetName", {Kind::Container});
        if (!v) return "";
        v->text = v->container->name;
        return v->text.c_str();
    });
}

std::int32_t __stdcall ContainerSetName(EO::Object* self, const char* name) {
    return Locked<std::int32_t>(EO::entryInterfaceError, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsContainerSetName", {Kind::Container});
        std::string text;
        if (!v || !NameArgument(e, "FsContainerSetName", name, text)) return EO::entryInterfaceError;
        v->container->name = text;
        return EO::entryNoError;
    });
}

EO::Object* RootView(EO::Object* self, const char* operation, Kind kind) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, operation, {Kind::Container});
        return v ? HandOut(e, NewView(kind, v->container->root)) : nullptr;
    });
}
EO::Object* __stdcall ContainerGetRoot(EO::Object* self) { return RootView(self, "FsContainerGetRoot", Kind::Directory); }
EO::Object* __stdcall ContainerGetRootDirectory(EO::Object* self) {
    return RootView(self, "FsContainerGetRootDirectory", Kind::WritableDirectory);
}

// --- the writable directory -------------------------------------------------

EO::Object* __stdcall DirAddDirectory(EO::Object* self, const char* name, std::int32_t directoryPriority) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        constexpr const char* op = "FsAddDirectory";
        View* v = Find(e, self, op, {Kind::WritableDirectory});
        std::string text;
        if (!v || !NameArgument(e, op, name, text)) return nullptr;
        if (std::string why = NameProblem(*v->entry, text); !why.empty()) return Refuse(e, op, why);
        auto dir = NewEntry(text, true, 0, directoryPriority);
        v->entry->children.push_back(dir);
        return HandOut(e, NewView(Kind::WritableDirectory, dir));
    });
}

EO::Object* __stdcall DirAddProducedFile(EO::Object* self, const char* name, EO::Object* producer, std::uint32_t lengthLow,
                                         std::uint32_t lengthHigh, std::int32_t priority, std::int32_t directoryPriority) {
    // The reference comes with the call: held at once, so that a refusal
    // gives it back (after the lock) as every other end does.
    std::shared_ptr<HeldProducer> held;
    if (producer) held = Guarded<std::shared_ptr<HeldProducer>>(nullptr, [&] { return std::make_shared<HeldProducer>(producer); });
    EO::Object* answer = Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        constexpr const char* op = "FsAddProducedFile";
        View* v = Find(e, self, op, {Kind::WritableDirectory});
        std::string text;
        if (!v || !NameArgument(e, op, name, text)) return nullptr;
        if (!producer) {
            e.CheckFailed(op, "the producer is null");
            return nullptr;
        }
        if (!held) return Refuse(e, op, "The producer could not be held");
        if (std::string why = NameProblem(*v->entry, text); !why.empty()) return Refuse(e, op, why);
        auto file = NewEntry(text, false, priority, directoryPriority);
        file->producer = std::move(held);
        file->size = Join(lengthLow, lengthHigh);
        v->entry->children.push_back(file);
        return HandOut(e, NewView(Kind::WritableEntry, file));
    });
    held.reset();  // still here only when the add was refused
    return answer;
}

EO::Object* __stdcall DirAddFile(EO::Object* self, const char* name, const char* sourcePath, std::int32_t priority,
                                 std::int32_t directoryPriority) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        constexpr const char* op = "FsAddFile";
        View* v = Find(e, self, op, {Kind::WritableDirectory});
        std::string text, source;
        if (!v || !NameArgument(e, op, name, text) || !NameArgument(e, op, sourcePath, source)) return nullptr;
        if (std::string why = NameProblem(*v->entry, text); !why.empty()) return Refuse(e, op, why);
        std::uint64_t size = 0;
        if (!SourceFileSize(source, size))
            return Refuse(e, op, "The source file \"" + source + "\" of \"" + text + "\" cannot be read");
        auto file = NewEntry(text, false, priority, directoryPriority);
        file->sourcePath = source;
        file->size = size;
        v->entry->children.push_back(file);
        return HandOut(e, NewView(Kind::WritableEntry, file));
    });
}

std::int32_t __stdcall DirRemoveEntry(EO::Object* self, const char* name) {
    std::shared_ptr<FsEntry> removed;
    std::shared_ptr<HeldProducer> producer;
    std::int32_t answer = Locked<std::int32_t>(0, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsRemoveEntry", {Kind::WritableDirectory});
        std::string text;
        if (!v || !NameArgument(e, "FsRemoveEntry", name, text)) return 0;
        auto& children = v->entry->children;
        for (auto it = children.begin(); it != children.end(); ++it) {
            if ((*it)->name != text) continue;
            removed = *it;
            producer = std::move(removed->producer);  // given back now, even while a view holds the entry
            children.erase(it);
            return 1;
        }
        return 0;
    });
    producer.reset();  // without the lock
    removed.reset();
    return answer;
}

EO::Object* __stdcall DirEntryByName(EO::Object* self, const char* name) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, "FsEntryByName", {Kind::WritableDirectory});
        std::string text;
        if (!v || !NameArgument(e, "FsEntryByName", name, text)) return nullptr;
        auto child = v->entry->Child(text);
        return child ? HandOut(e, NewView(Kind::WritableEntry, child)) : nullptr;
    });
}

EO::Object* __stdcall DirEntryByIndex(EO::Object* self, std::int32_t index) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, "FsEntryByIndex", {Kind::WritableDirectory});
        if (!v || index < 0 || static_cast<std::size_t>(index) >= v->entry->children.size()) return nullptr;
        return HandOut(e, NewView(Kind::WritableEntry, v->entry->children[static_cast<std::size_t>(index)]));
    });
}

EO::Object* __stdcall DirSubDirectory(EO::Object* self, const char* name) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, "FsSubDirectory", {Kind::WritableDirectory});
        std::string text;
        if (!v || !NameArgument(e, "FsSubDirectory", name, text)) return nullptr;
        auto child = v->entry->Child(text);
        return child && child->directory ? HandOut(e, NewView(Kind::WritableDirectory, child)) : nullptr;
    });
}

// --- the read-only directory -------------------------------------------------

std::int32_t __stdcall RoEntryCount(EO::Object* self) {
    return Locked<std::int32_t>(0, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsEntryCount", {Kind::Directory});
        return v ? static_cast<std::int32_t>(v->entry->children.size()) : 0;
    });
}

EO::Object* __stdcall RoEntryByIndex(EO::Object* self, std::int32_t index) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, "FsDirectoryEntryByIndex", {Kind::Directory});
        if (!v || index < 0 || static_cast<std::size_t>(index) >= v->entry->children.size()) return nullptr;
        return HandOut(e, NewView(Kind::Entry, v->entry->children[static_cast<std::size_t>(index)]));
    });
}

// --- the read-only entry ---------------------------------------------------

const char* __stdcall EntryName(EO::Object* self) {
    return Locked<const char*>("", [&](SimEngine& e) -> const char* {
        View* v = Find(e, self, "FsEntryName", {Kind::Entry});
        if (!v) return "";
        v->text = v->entry->name;
        return v->text.c_str();
    });
}

EO::Object* __stdcall EntrySubDirectory(EO::Object* self) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        View* v = Find(e, self, "FsEntrySubDirectory", {Kind::Entry});
        return v && v->entry->directory ? HandOut(e, NewView(Kind::Directory, v->entry)) : nullptr;
    });
}

EO::Object* __stdcall EntryReadContent(EO::Object* self, std::int32_t* error) {
    return Locked<EO::Object*>(nullptr, [&](SimEngine& e) -> EO::Object* {
        auto answer = [&](std::int32_t code) {
            if (error) *error = code;
            return nullptr;
        };
        View* v = Find(e, self, "FsReadContent", {Kind::Entry});
        if (!v) return answer(EO::entryInterfaceError);
        if (!error) e.CheckFailed("FsReadContent", "the error pointer is null");
        if (v->entry->directory) return answer(EO::entryNotAFile);
        if (v->entry->sourcePath.empty()) return answer(EO::entryNotAvailable);  // produced: its bytes come only while burning
        auto content = std::make_shared<ContentState>();
        try {
            content->file = std::make_unique<iso9660::File>(Utf8FromAnsi(v->entry->sourcePath), iso9660::File::Mode::Read);
        } catch (const std::exception&) {
            return answer(EO::entryNotAvailable);
        }
        content->left = v->entry->size;
        auto view = std::make_unique<View>();
        view->kind = Kind::Content;
        view->entry = v->entry;
        view->content = std::move(content);
        if (error) *error = EO::entryNoError;
        return HandOut(e, std::move(view));
    });
}

const char* __stdcall EntrySourcePath(EO::Object* self) {
    return Locked<const char*>("", [&](SimEngine& e) -> const char* {
        View* v = Find(e, self, "FsSourcePath", {Kind::Entry});
        if (!v) return "";
        v->text = v->entry->sourcePath;
        return v->text.c_str();
    });
}

void __stdcall EntrySize(EO::Object* self, std::uint64_t* size) {
    Locked<int>(0, [&](SimEngine& e) {
        View* v = Find(e, self, "FsSize", {Kind::Entry});
        if (!size) {
            if (v) e.CheckFailed("FsSize", "the size pointer is null");
            return 0;
        }
        *size = v ? v->entry->size : 0;
        return 0;
    });
}

template <std::int32_t FsEntry::*Field>
std::int32_t __stdcall EntryGetter(EO::Object* self) {
    return Locked<std::int32_t>(0, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsEntryGet", {Kind::Entry});
        return v ? (*v->entry).*Field : 0;
    });
}

// --- the writable entry ---------------------------------------------------

std::int32_t __stdcall SetSizeOp(EO::Object* self, std::uint32_t low, std::uint32_t high) {
    return Locked<std::int32_t>(EO::entryInterfaceError, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsSetSize", {Kind::WritableEntry});
        if (!v) return EO::entryInterfaceError;
        if (v->entry->directory) return EO::entryNotAFile;
        v->entry->size = Join(low, high);
        return EO::entryNoError;
    });
}

template <std::int32_t FsEntry::*Field>
std::int32_t __stdcall EntrySetter(EO::Object* self, std::int32_t value) {
    return Locked<std::int32_t>(EO::entryInterfaceError, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsEntrySet", {Kind::WritableEntry});
        if (!v) return EO::entryInterfaceError;
        (*v->entry).*Field = value;
        return EO::entryNoError;
    });
}

std::int32_t __stdcall SetFlagsOp(EO::Object* self, std::int32_t enable, std::int32_t value) {
    return Locked<std::int32_t>(EO::entryInterfaceError, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsSetFlags", {Kind::WritableEntry});
        if (!v) return EO::entryInterfaceError;
        v->entry->flagsEnable = enable;
        v->entry->flagsValue = value;
        return EO::entryNoError;
    });
}

// --- the content reader -----------------------------------------------------

std::int32_t __stdcall ContentRead(EO::Object* self, void* buffer, std::int32_t length) {
    return Locked<std::int32_t>(0, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsContentRead", {Kind::Content});
        if (!v) return 0;
        ContentState& c = *v->content;
        if (!buffer || length < 0) {
            e.CheckFailed("FsContentRead", "the buffer is null or the length negative");
            return 0;
        }
        if (c.error || c.eof || length == 0) return 0;
        try {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(c.left, static_cast<std::uint64_t>(length)));
            const std::size_t got = want ? c.file->Read(buffer, want) : 0;
            c.left -= got;
            if (got < want) c.error = true;  // the file shrank since it was added
            if (c.left == 0) c.eof = true;
            return static_cast<std::int32_t>(got);
        } catch (const std::exception&) {
            c.error = true;
            return 0;
        }
    });
}

std::int32_t __stdcall ContentEndOfFile(EO::Object* self) {
    return Locked<std::int32_t>(0, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsContentEndOfFile", {Kind::Content});
        return v && (v->content->eof || v->content->left == 0) ? 1 : 0;
    });
}

std::int32_t __stdcall ContentError(EO::Object* self) {
    return Locked<std::int32_t>(1, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsContentError", {Kind::Content});
        return !v || v->content->error ? 1 : 0;
    });
}

// --- the output stream and the burn-at-once information ------------------------

std::int32_t __stdcall StreamWrite(EO::Object* self, const void* bytes, std::uint32_t size) {
    return Guarded<std::int32_t>(EO::entryInterfaceError, [&]() -> std::int32_t {
        StreamTarget* target = nullptr;
        {
            SimEngine& e = SimEngine::Get();
            auto lock = e.Lock();
            View* v = Find(e, self, "FsStreamWrite", {Kind::Stream});
            if (!v) return EO::entrySequencingError;
            if (!bytes && size) {
                e.CheckFailed("FsStreamWrite", "the bytes are null");
                return EO::entryInterfaceError;
            }
            target = v->stream;
        }
        // Without the lock: the target may wait for the writer to take the bytes.
        return size ? target->Write(bytes, size) : EO::entryNoError;
    });
}

std::int32_t __stdcall BaoInfoOffset(EO::Object* self) {
    return Locked<std::int32_t>(0, [&](SimEngine& e) -> std::int32_t {
        View* v = Find(e, self, "FsBurnAtOnceOffset", {Kind::BaoInfo});
        return v ? v->offset : 0;
    });
}

// --- the tables ---------------------------------------------------------------

const EO::ObjectOperations kObject = {&ReleaseOp, &QueryViewOp};
const EO::ContainerOperations kContainer = {kObject, &ContainerGetName, &ContainerSetName, &ContainerGetRoot,
                                            &ContainerGetRootDirectory};
const EO::WritableDirectoryOperations kWritableDirectory = {kObject,         &DirAddDirectory, &DirAddProducedFile,
                                                            &DirAddFile,     &DirRemoveEntry,  &DirEntryByName,
                                                            &DirEntryByIndex, &DirSubDirectory};
const EO::DirectoryOperations kDirectory = {kObject, &RoEntryCount, &RoEntryByIndex};
const EO::EntryOperations kEntry = {kObject,
                                    &EntryName,
                                    &EntrySubDirectory,
                                    &EntryReadContent,
                                    &EntrySourcePath,
                                    &EntrySize,
                                    &EntryGetter<&FsEntry::priority>,
                                    &EntryGetter<&FsEntry::dirOrder>,
                                    &EntryGetter<&FsEntry::id>,
                                    &EntryGetter<&FsEntry::dataStartSector>};
const EO::WritableEntryOperations kWritableEntry = {kObject,
                                                    &SetSizeOp,
                                                    &EntrySetter<&FsEntry::priority>,
                                                    &EntrySetter<&FsEntry::dirOrder>,
                                                    &EntrySetter<&FsEntry::dataStartSector>,
                                                    &EntrySetter<&FsEntry::fixedDataStartSector>,
                                                    &EntrySetter<&FsEntry::fileNumber>,
                                                    &EntrySetter<&FsEntry::id>,
                                                    &SetFlagsOp};
const EO::ContentOperations kContent = {kObject, &ContentRead, &ContentEndOfFile, &ContentError};
const EO::OutputStreamOperations kStream = {kObject, &StreamWrite};
const EO::BurnAtOnceInfoOperations kBaoInfo = {kObject, &BaoInfoOffset};

const void* TableOf(Kind k) {
    switch (k) {
    case Kind::Container: return &kContainer;
    case Kind::WritableDirectory: return &kWritableDirectory;
    case Kind::Directory: return &kDirectory;
    case Kind::WritableEntry: return &kWritableEntry;
    case Kind::Entry: return &kEntry;
    case Kind::Content: return &kContent;
    case Kind::Stream: return &kStream;
    case Kind::BaoInfo: return &kBaoInfo;
    }
    return &kObject;
}

}  // namespace

namespace vexosim {

std::shared_ptr<FsContainer> LiveContainer(SimEngine&, const void* object) {
    auto* view = Objects().Find(object);
    if (!view || (*view)->kind != Kind::Container) return nullptr;
    return (*view)->container;
}

EO::Object* MakeStream(SimEngine& e, StreamTarget* target) {
    auto view = std::make_unique<View>();
    view->kind = Kind::Stream;
    view->stream = target;
    return HandOut(e, std::move(view));
}

void EndStream(SimEngine& e, EO::Object* stream) {
    auto* view = Objects().Find(stream);
    if (!view) return;  // the caller released it itself
    e.modelObjects[KindName((*view)->kind)] -= 1;
    Objects().Release(stream);  // a stream view holds no part of the tree
}

}  // namespace vexosim

extern "C" {

void* WINAPI VexoCreateFileSystemContainer(void* reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoCreateFileSystemContainer", unused)) return nullptr;
        if (reserved) {
            e.CheckFailed("VexoCreateFileSystemContainer", "the argument is not null");
            return nullptr;
        }
        auto view = std::make_unique<View>();
        view->kind = Kind::Container;
        view->container = std::make_shared<FsContainer>();
        view->container->root = NewEntry("", true, 0, 0);
        e.Count("made.fscontainer");
        return HandOut(e, std::move(view));
    });
}

}  // extern "C"

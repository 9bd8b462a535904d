// Burn-at-once: a container's files written into an ISO 9660 image in the
// order they come, each at the sector it is given when it starts, and the
// directories after the last file (iso9660::FilesFirstImage).
//
//   int VexoBAOCreateHandle(device, record268, flags, speed, progress, &handle, 0)
//   int VexoBAOOpenFile(handle, name, &offset, 0)
//   int VexoBAOWriteToFile(handle, bytes, count, &written, 0)
//   int VexoBAOCloseFile(handle, 0)
//   int VexoBAOCloseHandle(handle, flags, 0)
//   int VexoBurnAtOnce(device, record268, flags, speed, progress, 0)
//
// The image goes to the device's recorder target (as for data burns), as
// "<target>.part" renamed when whole; a device without a target writes it
// to a temporary file (in the record's temporary directory, else the
// system's) that is deleted at the end, so offsets and failures are the
// same either way. Names are Joliet and Rock Ridge as well as ISO 9660.
//
// The handle form: one handle per device at a time (a second one is
// refused with 4). OpenFile takes a path inside the container ('\\' or '/'
// between names), finds that file of the container or adds a new one
// (folders are added as needed) and answers the sector its bytes start at
// in the final image. WriteToFile appends; a file of the container that
// declares a size (a source file or a produced one) takes no more than that,
// and a close short of it fails (3) and leaves the file to be written from
// its own source when the handle closes. CloseHandle(0) writes the
// container's files not written through the handle (sources streamed,
// producers pulled, the stream's "IBurnAtOnceInfo" giving each file's start
// sector), then the directories and the descriptors, and puts the image in
// place; CloseHandle(1) (cancelled) or (2) (failed) deletes it. Every close
// ends the handle. VexoBurnAtOnce writes the whole container that way.
//
// Calls out of order (a write or close without an open file, an open while
// one is open, a call on a closed or foreign handle) answer 4 and count
// "bao.sequencing". A record whose size field is not 268, a null container
// or one that is not a live container, null out-pointers: check failures
// answered 1. Failures to write answer 3 with an error line. Counters
// "bao.handles" (open now), "bao.files", "bao.images", "bao.sectors"; texts
// "bao.path", "bao.error".

#include "DataImage.h"
#include "EngineLayout.h"
#include "EngineRecords.h"
#include "FilesFirst.h"
#include "FsImage.h"
#include "FsObjects.h"
#include "SimEngine.h"

#include <windows.h>

#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>

using namespace vexosim;
namespace L = vexosim::layout;

namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kCheckFailed = 1;
constexpr std::int32_t kInvalidDrive = 2;
constexpr std::int32_t kFailed = 3;
constexpr std::int32_t kNotAllowed = 4;
constexpr std::uint32_t kBaoOptions = kBurnOptionJoliet | kBurnOptionRockRidge;
constexpr std::size_t MaxTextRead = 32768;

using PercentCallback = std::int32_t(WINAPI*)(void* userData, std::int32_t percent);

struct Session {
    std::mutex mutex;  // one call at a time on a handle
    std::int32_t device = -1;
    std::shared_ptr<FsContainer> container;
    std::string target;  // the final image (ANSI); empty: a temporary image
    std::unique_ptr<PartialImage> partial;
    std::unique_ptr<iso9660::FilesFirstImage> image;
    std::string imagePath;  // UTF-8, for messages
    // The open file.
    std::shared_ptr<FsEntry> open;
    std::string openPath;
    std::uint64_t declared = 0;
    bool hasDeclared = false;
    std::uint64_t written = 0;
    std::uint32_t openSector = 0;
    // Files whose bytes are in the image, with their start sectors.
    std::map<const FsEntry*, std::pair<std::shared_ptr<FsEntry>, std::uint32_t>> placed;
    PercentCallback progress = nullptr;
    void* progressUserData = nullptr;
};

// Guarded by the engine's lock. Handles are numbers that are never reused.
struct Handles {
    std::map<std::uintptr_t, std::shared_ptr<Session>> live;
    std::uintptr_t next = 0x0BA00010;
};
Handles& Sessions() {
    static Handles handles;
    return handles;
}

std::int32_t Sequencing(SimEngine& e, const char* where, const std::string& what) {
    e.Count("bao.sequencing");
    e.Log(std::string(where) + ": out of order: " + what);
    return kNotAllowed;
}

// The session of a handle (lock held); null after counting a sequencing error.
std::shared_ptr<Session> SessionOf(SimEngine& e, const char* where, void* handle) {
    auto it = Sessions().live.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == Sessions().live.end()) {
        Sequencing(e, where, "the handle is not open (closed, foreign or null)");
        return nullptr;
    }
    return it->second;
}

std::int32_t Fail(SimEngine& e, const char* where, const std::string& line) {
    auto lock = e.Lock();
    e.errors.push_back(line);
    e.SetText("bao.error", line);
    e.Log(std::string(where) + ": " + line);
    return kFailed;
}

void Reserved(SimEngine& e, const char* where, std::int32_t reserved) {
    if (reserved != 0) e.CheckFailed(where, Format("reserved argument is %d, not 0", reserved));
}

// How every call on an open handle starts, with the engine lock held: a
// scripted failure answers first, the reserved argument is checked, the
// handle names its session. Null when the call ends here, its answer in
// `answer`.
std::shared_ptr<Session> EnterCall(SimEngine& e, const char* where, void* handle, std::int32_t reserved,
                                   std::int32_t& answer) {
    answer = kFailed;
    if (e.ScriptedFailure(where, answer)) return nullptr;
    Reserved(e, where, reserved);
    std::shared_ptr<Session> s = SessionOf(e, where, handle);
    if (!s) answer = kNotAllowed;
    return s;
}

// Checks the device, record and progress record and makes a session with
// its image file (lock held for the checks, not for the file).
std::int32_t Begin(const char* where, void* device, const void* record, const void* progress, std::shared_ptr<Session>& out) {
    SimEngine& e = SimEngine::Get();
    auto session = std::make_shared<Session>();
    std::wstring partialName;
    {
        auto lock = e.Lock();
        std::int32_t result = kFailed;
        if (e.ScriptedFailure(where, result)) return result;
        const std::int32_t index = e.DeviceOf(device);
        if (index < 0) {
            e.CheckFailed(where, device ? "the device handle is not one this engine opened (or it was closed)"
                                        : "the device handle is null");
            return kInvalidDrive;
        }
        const auto* r = static_cast<const std::uint8_t*>(record);
        if (std::string wrong = CheckBurnAtOnceRecord(r); !wrong.empty()) {
            e.CheckFailed(where, wrong);
            return kCheckFailed;
        }
        if (progress) {
            const std::string* kind = e.Memory().KindOf(progress);
            if (!kind || *kind != "progress") {
                e.CheckFailed(where, "progress record was not made by VexoCreateProgress");
                return kCheckFailed;
            }
            const auto* p = static_cast<const std::uint8_t*>(progress);
            session->progress = reinterpret_cast<PercentCallback>(L::GetPtr(p, L::progress::ProgressCallback));
            session->progressUserData = L::GetPtr(p, L::progress::UserData);
        }
        const void* containerObject = L::GetPtr(r, L::burnatonce::Container);
        session->container = LiveContainer(e, containerObject);
        if (!session->container) {
            e.CheckFailed(where, containerObject ? "the record's container is not a live container of this engine"
                                                 : "the record's container is null");
            return kCheckFailed;
        }
        for (const auto& [handle, other] : Sessions().live)
            if (other->device == index) {
                e.Log(std::string(where) + ": the device has a burn-at-once handle open already");
                e.errors.push_back("A burn-at-once handle is open on the device already");
                return kNotAllowed;
            }
        session->device = index;
        session->target = DataImageTarget(e, index);
        if (session->target.empty()) {
            const char* temp = static_cast<const char*>(L::GetPtr(r, L::burnatonce::TempDirectory));
            std::string folder = temp ? std::string(temp, strnlen(temp, MaxTextRead)) : std::string();
            if (folder.empty()) {
                char buffer[MAX_PATH + 1] = {};
                GetTempPathA(sizeof buffer, buffer);
                folder = buffer;
            }
            if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
            static unsigned serial = 0;
            partialName = WideFromAnsi(folder + Format("vexobao-%lu-%u.iso", GetCurrentProcessId(), ++serial));
            session->imagePath = Utf8FromAnsi(folder + Format("vexobao-%lu-%u.iso", GetCurrentProcessId(), serial));
        } else {
            partialName = WideFromAnsi(session->target + ".part");
            session->imagePath = Utf8FromAnsi(session->target + ".part");
        }
    }
    session->partial = std::make_unique<PartialImage>(partialName);
    iso9660::WriterOptions options;
    {
        auto lock = e.Lock();
        options.volumeName = Utf8FromAnsi(session->container->name);
    }
    options.joliet = options.rockRidge = true;
    try {
        session->image = std::make_unique<iso9660::FilesFirstImage>(session->imagePath, options);
    } catch (const std::exception& x) {
        Fail(e, where, std::string("The burn-at-once image cannot be made: ") + x.what());
        auto keep = std::move(session);  // dropped without the lock
        return kFailed;
    }
    out = std::move(session);
    return kOk;
}

// Writes the files not written yet, the directories and the descriptors,
// and puts the image in place. Without the engine's lock; session locked.
std::int32_t Finish(const char* where, Session& s) {
    SimEngine& e = SimEngine::Get();
    ContainerImage tree;
    std::string why;
    {
        auto lock = e.Lock();
        ContainerImageTreeOf(*s.container, kBaoOptions, tree, why);
    }
    if (!why.empty()) return Fail(e, where, why);
    std::size_t done = 0;
    try {
        for (ContainerImage::File& f : tree.files) {
            auto it = s.placed.find(f.entry.get());
            if (it != s.placed.end()) {
                f.node->extent = it->second.second;
            } else {
                SetBurnAtOnceOffset(*f.node, static_cast<std::int32_t>(s.image->NextSector()));
                s.image->AddFile(*f.node, "/" + f.path);
                auto lock = e.Lock();
                e.Count("bao.files");
            }
            ++done;
            if (s.progress && s.progress(s.progressUserData, static_cast<std::int32_t>(done * 100 / (tree.files.size() + 1))) != 0)
                return Fail(e, where, "The burn was aborted");
        }
        const std::uint32_t sectors = s.image->Finish(tree.root);
        s.image.reset();  // closes the file
        if (!s.target.empty() && !s.partial->MoveTo(WideFromAnsi(s.target)))
            return Fail(e, where, "The image \"" + s.target + "\" cannot be put in place");
        if (s.progress) s.progress(s.progressUserData, 100);
        auto lock = e.Lock();
        e.Count("bao.images");
        e.SetCounter("bao.sectors", sectors);
        e.SetText("bao.path", s.target);
        e.Log(Format("%s: image \"%s\" of %u sectors", where, s.target.c_str(), sectors));
    } catch (const std::exception& x) {
        return Fail(e, where, "The image \"" + (s.target.empty() ? s.imagePath : s.target) + "\" cannot be written: " + x.what());
    }
    return kOk;
}

// Ends the session's image: what it holds goes unless Finish put it in place.
void Drop(Session& s) {
    s.image.reset();
    s.partial.reset();
}

// Splits "a\\b/c" into its names (empty pieces dropped).
std::vector<std::string> PathNames(const std::string& path) {
    std::vector<std::string> names;
    std::string current;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!current.empty()) names.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) names.push_back(std::move(current));
    return names;
}

void RemoveSession(SimEngine& e, void* handle) {
    Sessions().live.erase(reinterpret_cast<std::uintptr_t>(handle));
    e.SetCounter("bao.handles", static_cast<std::int64_t>(Sessions().live.size()));
}

}  // namespace

extern "C" {

std::int32_t WINAPI VexoBAOCreateHandle(void* device, const void* record, std::int32_t flags, std::int32_t speed,
                                        const void* progress, void** handle, std::int32_t reserved) {
    return Guarded<std::int32_t>(kFailed, [&]() -> std::int32_t {
        constexpr const char* where = "VexoBAOCreateHandle";
        SimEngine& e = SimEngine::Get();
        {
            auto lock = e.Lock();
            Reserved(e, where, reserved);
            if (!handle) {
                e.CheckFailed(where, "the handle pointer is null");
                return kCheckFailed;
            }
            *handle = nullptr;
            e.SetCounter("bao.flags", flags);
            e.SetCounter("bao.speed", speed);
        }
        std::shared_ptr<Session> session;
        const std::int32_t result = Begin(where, device, record, progress, session);
        if (result != kOk) return result;
        auto lock = e.Lock();
        // A second handle may have come for the device meanwhile.
        for (const auto& [h, other] : Sessions().live)
            if (other->device == session->device) {
                lock.unlock();
                Drop(*session);
                session.reset();
                return kNotAllowed;
            }
        const std::uintptr_t id = Sessions().next;
        Sessions().next += 0x10;
        Sessions().live.emplace(id, session);
        e.SetCounter("bao.handles", static_cast<std::int64_t>(Sessions().live.size()));
        *handle = reinterpret_cast<void*>(id);
        e.Log(Format("%s: handle %p on device %d", where, *handle, session->device));
        return kOk;
    });
}

std::int32_t WINAPI VexoBAOOpenFile(void* handle, const char* name, std::int32_t* offset, std::int32_t reserved) {
    return Guarded<std::int32_t>(kFailed, [&]() -> std::int32_t {
        constexpr const char* where = "VexoBAOOpenFile";
        SimEngine& e = SimEngine::Get();
        std::shared_ptr<Session> s;
        {
            auto lock = e.Lock();
            std::int32_t answer = kFailed;
            s = EnterCall(e, where, handle, reserved, answer);
            if (!s) return answer;
            if (!name || !offset) {
                e.CheckFailed(where, !name ? "the file name is null" : "the offset pointer is null");
                return kCheckFailed;
            }
        }
        std::lock_guard<std::mutex> sessionLock(s->mutex);
        auto lock = e.Lock();
        if (!s->image) return Sequencing(e, where, "the handle's image has failed");
        if (s->open) return Sequencing(e, where, "a file is open already");
        const std::vector<std::string> names = PathNames(std::string(name, strnlen(name, MaxTextRead)));
        auto refuse = [&](const std::string& why) {
            e.errors.push_back(why);
            e.SetText("bao.error", why);
            e.Log(std::string(where) + ": " + why);
            return kFailed;
        };
        if (names.empty()) return refuse("The burn-at-once file has no name");
        std::shared_ptr<FsEntry> dir = s->container->root;
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            std::shared_ptr<FsEntry> next = dir->Child(names[i]);
            if (next && !next->directory) return refuse("\"" + names[i] + "\" in \"" + name + "\" is a file, not a folder");
            if (!next) {
                next = std::make_shared<FsEntry>();
                next->name = names[i];
                next->directory = true;
                next->addedAt = static_cast<std::int64_t>(time(nullptr));
                dir->children.push_back(next);
            }
            dir = next;
        }
        std::shared_ptr<FsEntry> file = dir->Child(names.back());
        if (file && file->directory) return refuse("\"" + std::string(name) + "\" is a folder");
        if (file && s->placed.count(file.get())) return refuse("\"" + std::string(name) + "\" was written already");
        s->hasDeclared = false;
        if (file) {
            s->hasDeclared = file->producer || !file->sourcePath.empty();
            s->declared = file->size;
        } else {
            file = std::make_shared<FsEntry>();
            file->name = names.back();
            file->addedAt = static_cast<std::int64_t>(time(nullptr));
            dir->children.push_back(file);
        }
        try {
            s->openSector = s->image->BeginFile();
        } catch (const std::exception& x) {
            return refuse(std::string("The burn-at-once file cannot be started: ") + x.what());
        }
        s->open = file;
        s->openPath = name;
        s->written = 0;
        *offset = static_cast<std::int32_t>(s->openSector);
        e.Log(Format("%s \"%s\": sector %u", where, name, s->openSector));
        return kOk;
    });
}

std::int32_t WINAPI VexoBAOWriteToFile(void* handle, const void* bytes, std::int32_t count, std::int32_t* written,
                                       std::int32_t reserved) {
    return Guarded<std::int32_t>(kFailed, [&]() -> std::int32_t {
        constexpr const char* where = "VexoBAOWriteToFile";
        SimEngine& e = SimEngine::Get();
        std::shared_ptr<Session> s;
        {
            auto lock = e.Lock();
            if (written) *written = 0;
            std::int32_t answer = kFailed;
            s = EnterCall(e, where, handle, reserved, answer);
            if (!s) return answer;
            if (!written || count < 0 || (!bytes && count > 0)) {
                e.CheckFailed(where, !written ? "the written pointer is null" : "the bytes are null or the count negative");
                return kCheckFailed;
            }
        }
        std::lock_guard<std::mutex> sessionLock(s->mutex);
        {
            auto lock = e.Lock();
            if (!s->open) return Sequencing(e, where, "no file is open");
        }
        const std::uint64_t n = static_cast<std::uint64_t>(count);
        if (s->hasDeclared && s->written + n > s->declared)
            return Fail(e, where, Format("\"%s\" declares %llu bytes; %llu more after %llu are too many", s->openPath.c_str(),
                                         static_cast<unsigned long long>(s->declared), static_cast<unsigned long long>(n),
                                         static_cast<unsigned long long>(s->written)));
        try {
            s->image->Append(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), n));
        } catch (const std::exception& x) {
            return Fail(e, where, "\"" + s->openPath + "\" cannot be written: " + x.what());
        }
        s->written += n;
        *written = count;
        return kOk;
    });
}

std::int32_t CloseOpenFile(const char* where, Session& s) {
    SimEngine& e = SimEngine::Get();
    std::uint64_t bytes = 0;
    try {
        bytes = s.image->EndFile();
    } catch (const std::exception& x) {
        s.open.reset();
        return Fail(e, where, "\"" + s.openPath + "\" cannot be closed: " + x.what());
    }
    std::shared_ptr<FsEntry> file = std::move(s.open);
    auto lock = e.Lock();
    e.Count("bao.files");
    if (s.hasDeclared && bytes < s.declared) {
        // Left for its own source when the handle closes.
        lock.unlock();
        return Fail(e, where, Format("\"%s\" got %llu of the %llu bytes it declares", s.openPath.c_str(),
                                     static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(s.declared)));
    }
    if (!s.hasDeclared) file->size = bytes;
    s.placed.emplace(file.get(), std::make_pair(file, s.openSector));
    return kOk;
}

std::int32_t WINAPI VexoBAOCloseFile(void* handle, std::int32_t reserved) {
    return Guarded<std::int32_t>(kFailed, [&]() -> std::int32_t {
        constexpr const char* where = "VexoBAOCloseFile";
        SimEngine& e = SimEngine::Get();
        std::shared_ptr<Session> s;
        {
            auto lock = e.Lock();
            std::int32_t answer = kFailed;
            s = EnterCall(e, where, handle, reserved, answer);
            if (!s) return answer;
        }
        std::lock_guard<std::mutex> sessionLock(s->mutex);
        {
            auto lock = e.Lock();
            if (!s->open) return Sequencing(e, where, "no file is open");
        }
        return CloseOpenFile(where, *s);
    });
}

std::int32_t WINAPI VexoBAOCloseHandle(void* handle, std::int32_t flags, std::int32_t reserved) {
    return Guarded<std::int32_t>(kFailed, [&]() -> std::int32_t {
        constexpr const char* where = "VexoBAOCloseHandle";
        SimEngine& e = SimEngine::Get();
        std::shared_ptr<Session> s;
        {
            auto lock = e.Lock();
            std::int32_t answer = kFailed;
            s = EnterCall(e, where, handle, reserved, answer);
            if (!s) return answer;
            RemoveSession(e, handle);  // every close ends the handle
            e.SetCounter("bao.closeflags", flags);
        }
        std::int32_t result = kOk;
        {
            std::lock_guard<std::mutex> sessionLock(s->mutex);
            if (flags == 0 && s->image) {
                if (s->open) result = CloseOpenFile(where, *s);
                if (result == kOk) result = Finish(where, *s);
            } else if (flags == 0) {
                result = kFailed;  // its image failed earlier
            }
            Drop(*s);
        }
        s.reset();  // without the lock: the container may go with it
        return result;
    });
}

std::int32_t WINAPI VexoBurnAtOnce(void* device, const void* record, std::int32_t flags, std::int32_t speed, const void* progress,
                                   std::int32_t reserved) {
    return Guarded<std::int32_t>(kFailed, [&]() -> std::int32_t {
        constexpr const char* where = "VexoBurnAtOnce";
        SimEngine& e = SimEngine::Get();
        {
            auto lock = e.Lock();
            Reserved(e, where, reserved);
            e.SetCounter("bao.flags", flags);
            e.SetCounter("bao.speed", speed);
        }
        std::shared_ptr<Session> s;
        std::int32_t result = Begin(where, device, record, progress, s);
        if (result != kOk) return result;
        {
            std::lock_guard<std::mutex> sessionLock(s->mutex);
            result = Finish(where, *s);
            Drop(*s);
        }
        s.reset();
        return result;
    });
}

}  // extern "C"

#include "engineobject/EngineState.h"

#include <array>
#include <atomic>
#include <mutex>

#include "EngineBinding.h"
#include "EngineRecords.h"
#include "engineobject/VexoObject.h"

namespace vexo::engine {

namespace rec = EngineRecords;

namespace {

struct State {
    std::recursive_mutex lock;
    std::string filesPath;
    std::string directory;
    std::string languageFile = kDefaultLanguageFile;
    // Texts the record points at while the engine is initialised.
    std::string initDirectory;
    std::string initLanguageFile;
    std::array<uint8_t, rec::InitRecord::Size> record{};
    bool loaded = false;
    bool initialized = false;
    int32_t initResult = 0;
};

State& S() {
    static State s;
    return s;
}

std::atomic<LONG> g_uses{0};
std::atomic<uint8_t> g_abort{0};
std::atomic<Vexo*> g_current{nullptr};
std::atomic<LONG> g_nonEmptyRewritable{0};

rec::Bytes RecordBytes(State& s) { return rec::Bytes(s.record.data(), s.record.size()); }

}  // namespace

void SetFilesPath(const std::string& path) {
    State& s = S();
    std::lock_guard g(s.lock);
    s.filesPath = path;
    s.directory = EngineDirectoryFor(path);
}

std::string FilesPath() {
    State& s = S();
    std::lock_guard g(s.lock);
    return s.filesPath;
}

std::string EngineDirectory() {
    State& s = S();
    std::lock_guard g(s.lock);
    return s.directory;
}

std::string LanguageFile() {
    State& s = S();
    std::lock_guard g(s.lock);
    return s.languageFile;
}

void SetLanguageFile(const std::string& file) {
    State& s = S();
    std::lock_guard g(s.lock);
    s.languageFile = file;
}

int32_t EnableOverburnField() {
    State& s = S();
    std::lock_guard g(s.lock);
    return rec::ReadI32(RecordBytes(s), rec::InitRecord::EnableOverburn);
}

void SetEnableOverburnField(int32_t value) {
    State& s = S();
    std::lock_guard g(s.lock);
    rec::WriteI32(RecordBytes(s), rec::InitRecord::EnableOverburn, value);
}

int32_t OverburnSizeField() {
    State& s = S();
    std::lock_guard g(s.lock);
    return rec::ReadI32(RecordBytes(s), rec::InitRecord::OverburnSize);
}

void SetOverburnSizeField(int32_t value) {
    State& s = S();
    std::lock_guard g(s.lock);
    rec::WriteI32(RecordBytes(s), rec::InitRecord::OverburnSize, value);
}

bool Loaded() noexcept { return S().loaded; }
bool Initialized() noexcept { return S().initialized; }
int32_t InitResult() noexcept { return S().initResult; }

bool EnsureInitialized() {
    State& s = S();
    std::lock_guard g(s.lock);
    if (s.initialized) return true;
    if (!s.loaded || !EngineBinding::Handle()) {
        if (!s.filesPath.empty()) {
            std::string file = s.directory + EngineBinding::kLibraryFileName;
            s.loaded = EngineBinding::Load(file.c_str(), EngineBinding::kLoadSkipRegistry);
        } else {
            s.loaded = EngineBinding::Load(nullptr, EngineBinding::kLoadPreferRegistryOnTie);
        }
        if (!s.loaded) return false;
    }
    rec::Bytes r = RecordBytes(s);
    if (!s.filesPath.empty()) {
        s.initDirectory = s.directory;
        rec::WritePointer(r, rec::InitRecord::EngineDirectory, s.initDirectory.c_str());
    } else {
        rec::WritePointer(r, rec::InitRecord::EngineDirectory, static_cast<const void*>(nullptr));
    }
    s.initLanguageFile = s.languageFile;
    rec::WritePointer(r, rec::InitRecord::ProductName, kProductName);
    rec::WritePointer(r, rec::InitRecord::Maker, rec::InitRecord::kMakerText);
    rec::WritePointer(r, rec::InitRecord::LanguageFile, s.initLanguageFile.c_str());
    rec::WriteCallback(r, rec::InitRecord::IdleCallback, &IdleCallback);
    rec::WritePointer(r, rec::InitRecord::IdleUserData, static_cast<const void*>(nullptr));
    rec::WriteCallback(r, rec::InitRecord::UserDialogCallback, &UserDialogCallback);
    rec::WritePointer(r, rec::InitRecord::UserDialogUserData, static_cast<const void*>(nullptr));
    s.initResult = EngineBinding::VexoInit(s.record.data(), "");
    s.initialized = s.initResult == 0;
    return s.initialized;
}

void AddUse() noexcept { ++g_uses; }

void ReleaseUse() noexcept {
    if (--g_uses != 0) return;
    State& s = S();
    std::lock_guard g(s.lock);
    if (g_uses.load() != 0) return;  // a new holder came meanwhile
    if (s.initialized) {
        EngineBinding::VexoDone();
        s.initialized = false;
    }
    if (s.loaded) {
        EngineBinding::Unload();
        s.loaded = false;
    }
}

LONG UseCount() noexcept { return g_uses.load(); }

void SetAbort(bool abort) noexcept { g_abort = abort ? 1 : 0; }
bool AbortRequested() noexcept { return g_abort.load() != 0; }

void EnterNonEmptyRewritable() noexcept { ++g_nonEmptyRewritable; }
void LeaveNonEmptyRewritable() noexcept { --g_nonEmptyRewritable; }
LONG NonEmptyRewritableCount() noexcept { return g_nonEmptyRewritable.load(); }

void SetCurrentEngineObject(Vexo* object) noexcept { g_current = object; }
Vexo* CurrentEngineObject() noexcept { return g_current.load(); }
void ClearCurrentEngineObject() noexcept { g_current = nullptr; }

int32_t WINAPI IdleCallback(void*) { return g_abort.load(); }

int32_t WINAPI UserDialogCallback(void*, int32_t request, void* requestData) {
    Vexo* current = g_current.load();
    if (!current) return -1;
    return Vexo::AnswerEngineQuestion(request, requestData);
}

}  // namespace vexo::engine

// The engine exports not simulated yet (the drive operations are in
// DriveExports.cpp, the ISO items in IsoItems.cpp, block access in
// BlockAccess.cpp, virtual-multisession information in Vms.cpp, the size
// estimate in DataImage.cpp, the data-track import in DataImport.cpp): each one exists, counts its calls
// ("calls.<name>" and "stub.calls"), checks what it can of its arguments and
// answers its failure value. The free calls take back blocks this engine
// handed out and count anything else as a bad free.

#include "EngineLayout.h"
#include "EngineRecords.h"
#include "SimEngine.h"

#include <windows.h>

using namespace vexosim;
namespace L = vexosim::layout;

namespace {

using Handle = void*;

template <class R, class Check>
R Stub(const char* name, R failure, Check&& check) noexcept {
    return Guarded<R>(failure, [&]() -> R {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        e.ScriptedFailure(name, unused);  // counts the call; the answer is a failure either way
        e.Count("stub.calls");
        check(e);
        e.Log(std::string(name) + ": not simulated, failure answered");
        return failure;
    });
}

template <class R>
R Stub(const char* name, R failure) noexcept {
    return Stub(name, failure, [](SimEngine&) {});
}

void Reserved(SimEngine& e, const char* where, std::int32_t reserved) {
    if (reserved != 0) e.CheckFailed(where, Format("reserved argument is %d, not 0", reserved));
}

void ProgressRecord(SimEngine& e, const char* where, const void* progress) {
    if (!progress) return;  // a caller without a progress record passes null
    const std::string* kind = e.Memory().KindOf(progress);
    if (!kind || *kind != "progress") e.CheckFailed(where, "progress record was not made by VexoCreateProgress");
}

void Release(const char* name, void* p) {
    Guarded<int>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        e.ScriptedFailure(name, unused);
        std::string kind;
        switch (e.Memory().Free(p, &kind)) {
        case Allocations::FreeResult::Freed: e.Count("freed." + kind); break;
        case Allocations::FreeResult::Null: e.Count("free.null"); break;
        case Allocations::FreeResult::NotOurs: e.BadFree(p); break;
        }
        return 0;
    });
}

}  // namespace

extern "C" {

void WINAPI VexoFreeCDStamp(void* stamp) { Release("VexoFreeCDStamp", stamp); }

void* WINAPI VexoCreateFileSystemContainer(std::int32_t reserved) { return Stub<void*>("VexoCreateFileSystemContainer", nullptr); }

std::int32_t WINAPI VexoBurnAtOnce(Handle device, const void* record, std::int32_t flags, std::int32_t speed, const void* progress,
                                   std::int32_t reserved) {
    return Stub<std::int32_t>("VexoBurnAtOnce", 3, [&](SimEngine& e) {
        std::string wrong = CheckBurnAtOnceRecord(static_cast<const std::uint8_t*>(record));
        if (!wrong.empty()) e.CheckFailed("VexoBurnAtOnce", wrong);
        ProgressRecord(e, "VexoBurnAtOnce", progress);
        Reserved(e, "VexoBurnAtOnce", reserved);
    });
}

std::int32_t WINAPI VexoBAOCreateHandle(Handle device, const void* record, std::int32_t flags, std::int32_t speed, const void* progress,
                                        void** handle, std::int32_t reserved) {
    return Stub<std::int32_t>("VexoBAOCreateHandle", 3, [&](SimEngine& e) {
        std::string wrong = CheckBurnAtOnceRecord(static_cast<const std::uint8_t*>(record));
        if (!wrong.empty()) e.CheckFailed("VexoBAOCreateHandle", wrong);
        ProgressRecord(e, "VexoBAOCreateHandle", progress);
        if (handle) *handle = nullptr;
    });
}

std::int32_t WINAPI VexoBAOOpenFile(void* handle, const char* name, std::int32_t* offset, std::int32_t reserved) {
    return Stub<std::int32_t>("VexoBAOOpenFile", 3);
}

std::int32_t WINAPI VexoBAOWriteToFile(void* handle, const void* bytes, std::int32_t count, std::int32_t* written, std::int32_t reserved) {
    return Stub<std::int32_t>("VexoBAOWriteToFile", 3, [&](SimEngine&) {
        if (written) *written = 0;
    });
}

std::int32_t WINAPI VexoBAOCloseFile(void* handle, std::int32_t reserved) { return Stub<std::int32_t>("VexoBAOCloseFile", 3); }

std::int32_t WINAPI VexoBAOCloseHandle(void* handle, std::int32_t flags, std::int32_t reserved) {
    return Stub<std::int32_t>("VexoBAOCloseHandle", 3);
}

}  // extern "C"

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
}  // extern "C"

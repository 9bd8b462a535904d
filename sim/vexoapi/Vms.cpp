// Virtual-multisession information: the sessions configured for a device's
// medium, as the record VexoGetVMSInfo hands out (kind "vms", given back
// with VexoFreeMem).

#include "EngineRecords.h"
#include "SimEngine.h"

#include <windows.h>

using namespace vexosim;

extern "C" {

void* WINAPI VexoGetVMSInfo(void* device, std::int32_t reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        constexpr const char* where = "VexoGetVMSInfo";
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure(where, unused)) return nullptr;
        if (reserved != 0) e.CheckFailed(where, Format("reserved argument is %d, not 0", reserved));
        std::int32_t index = e.DeviceOf(device);
        if (index < 0) {
            e.CheckFailed(where, device ? "the device handle is not one this engine opened (or it was closed)" : "the device handle is null");
            return nullptr;
        }
        const std::optional<VmsConfig>& vms = e.Config().behaviour[static_cast<std::size_t>(index)].vms;
        if (!vms) {
            e.Count("vms.none");
            return nullptr;  // not a virtual-multisession medium
        }
        std::vector<std::uint8_t> record = BuildVmsRecord(*vms);
        e.SetCounter("vms.sessions", static_cast<std::int64_t>(vms->sessions.size()));
        return e.Memory().AllocateCopy("vms", record.data(), record.size());
    });
}

}  // extern "C"

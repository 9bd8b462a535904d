// The drive operations of the simulated engine: device handles, readiness,
// eject, speeds, erasing, disc information, audio extraction, waiting for a
// disc, device options, drive-status notifications and the image burn.
//
// Every export counts its calls, honours a scripted failure, and treats a
// null or foreign device handle as a check failure answered with its
// failure value. The long operations take the device's OperationMs on the
// calling thread; no client callback is ever called under the engine lock.

#include "AudioImageWriter.h"
#include "Compilations.h"
#include "DataImage.h"
#include "DiscImages.h"
#include "EngineLayout.h"
#include "EngineRecords.h"
#include "FsImage.h"
#include "Questions.h"
#include "SimEngine.h"
#include "Win32File.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

using namespace vexosim;
namespace L = vexosim::layout;

namespace {

using Handle = void*;
using DaeWriteCallback = std::int32_t(WINAPI*)(void* userData, const void* buffer, std::int32_t byteCount);
using PercentCallback = std::int32_t(WINAPI*)(void* userData, std::int32_t percent);
using LogLineCallback = void(WINAPI*)(void* userData, std::int32_t textType, const char* text);
using PhaseCallback = void(WINAPI*)(void* userData, const char* text);
using MajorPhaseCallback = void(WINAPI*)(void* userData, std::int32_t phase);

constexpr std::size_t MaxTextRead = 4096;

std::string ReadText(const char* p) { return p ? std::string(p, strnlen(p, MaxTextRead)) : std::string(); }

void Reserved(SimEngine& e, const char* where, std::int32_t reserved) {
    if (reserved != 0) e.CheckFailed(where, Format("reserved argument is %d, not 0", reserved));
}

// The device an open handle stands for, with its configuration copied so
// that it can be used without the lock.
struct Device {
    std::int32_t index = -1;
    DeviceConfig config;
    DriveBehaviour behaviour;
};

// With the lock held. A check failure when the handle is not an open one.
std::optional<Device> Resolve(SimEngine& e, const char* where, const void* handle) {
    std::int32_t index = e.DeviceOf(handle);
    if (index < 0) {
        e.CheckFailed(where, handle ? "the device handle is not one this engine opened (or it was closed)" : "the device handle is null");
        return std::nullopt;
    }
    Device d;
    d.index = index;
    d.config = e.Config().devices[static_cast<std::size_t>(index)];
    d.behaviour = e.Config().behaviour[static_cast<std::size_t>(index)];
    return d;
}

std::int32_t Percent(std::int64_t done, std::int64_t total) {
    return total <= 0 ? 100 : static_cast<std::int32_t>(done * 100 / total);
}

// DAE results.
constexpr std::int32_t DaeOk = 0;
constexpr std::int32_t DaeAborted = 1;
constexpr std::int32_t DaeOutsideTheDisc = 2;
constexpr std::int32_t DaeNoFile = 3;
constexpr std::int32_t DaeBadRecord = 4;

// Burn results.
constexpr std::int32_t BurnFailed = 1;
constexpr std::int32_t BurnInvalidDrive = 2;
constexpr std::int32_t BurnWriteFailed = 3;
constexpr std::int32_t BurnUserAbort = 6;
constexpr std::int32_t ImageCompilation = 2;
constexpr std::uint32_t DetectNonEmptyCDRW = 256;
constexpr std::int32_t NonEmptyCDRWRequest = 22;
constexpr std::uint32_t CdTextFlag = 32;
constexpr std::int32_t AudioCompilation = 0;
constexpr std::int32_t FileSystemCompilation = 4;

}  // namespace

extern "C" {

// --- devices ------------------------------------------------------------------

Handle WINAPI VexoOpenDevice(const void* entry) {
    return Guarded<Handle>(nullptr, [&]() -> Handle {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoOpenDevice", unused)) return nullptr;
        std::int32_t index = DeviceIndexOfEntry(static_cast<const std::uint8_t*>(entry));
        e.SetCounter("opendevice.index", index);
        if (index < 0 || static_cast<std::size_t>(index) >= e.Config().devices.size()) {
            e.CheckFailed("VexoOpenDevice", "the entry is not one of this engine's drive entries");
            return nullptr;
        }
        SimEngine::DeviceState* state = e.StateOf(index);
        std::uint32_t attempt = state ? state->opens++ : 0;
        if (attempt < e.Config().behaviour[static_cast<std::size_t>(index)].openFails) {
            e.Count("opendevice.failed");
            e.errors.push_back("The device cannot be opened");
            e.Log(Format("VexoOpenDevice %d: configured to fail (attempt %u)", index, attempt + 1));
            return nullptr;
        }
        Handle h = e.OpenDevice(index);
        e.Log(Format("VexoOpenDevice %d: %p", index, h));
        return h;
    });
}

void WINAPI VexoCloseDevice(Handle device) {
    Guarded<int>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoCloseDevice", unused)) return 0;
        if (!e.CloseDevice(device))
            e.CheckFailed("VexoCloseDevice", device ? "the handle is not open (foreign or closed before)" : "the device handle is null");
        else
            e.Log(Format("VexoCloseDevice %p", device));
        e.SetCounter("closedevice.thread", static_cast<std::int64_t>(GetCurrentThreadId()));
        return 0;
    });
}

std::int32_t WINAPI VexoUpdateDeviceInfo(void* entry, std::int32_t mediaType, std::int32_t reserved) {
    return Guarded<std::int32_t>(1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 1;
        if (e.ScriptedFailure("VexoUpdateDeviceInfo", result)) return result;
        Reserved(e, "VexoUpdateDeviceInfo", reserved);
        auto* bytes = static_cast<std::uint8_t*>(entry);
        std::int32_t index = e.DeviceOf(entry) >= 0 ? -2 : DeviceIndexOfEntry(bytes);
        if (index == -2 || index < 0 || static_cast<std::size_t>(index) >= e.Config().devices.size()) {
            e.CheckFailed("VexoUpdateDeviceInfo", index == -2 ? "given a device handle where the drive entry belongs"
                                                              : "the entry is not one of this engine's drive entries");
            return std::int32_t(1);
        }
        e.SetCounter("updatedevice.index", index);
        e.SetCounter("updatedevice.mediatype", mediaType);
        WriteDriveEntry(bytes, e.Config().devices[static_cast<std::size_t>(index)], static_cast<std::uint32_t>(index));
        return std::int32_t(0);
    });
}

std::int32_t WINAPI VexoIsDeviceReady(Handle device) {
    return Guarded<std::int32_t>(1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 1;
        if (e.ScriptedFailure("VexoIsDeviceReady", result)) return result;
        auto d = Resolve(e, "VexoIsDeviceReady", device);
        return d ? d->behaviour.ready : std::int32_t(1);
    });
}

std::int32_t WINAPI VexoEjectLoadCD(Handle device, std::int32_t eject) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoEjectLoadCD", result)) return result;
        auto d = Resolve(e, "VexoEjectLoadCD", device);
        if (!d) return std::int32_t(-1);
        e.SetCounter("eject.last", eject);
        e.Log(Format("VexoEjectLoadCD %d %s: %d", d->index, eject ? "eject" : "load", d->behaviour.ejectResult));
        return d->behaviour.ejectResult;
    });
}

void* WINAPI VexoGetAvailableSpeeds(Handle device, std::int32_t accessType, std::int32_t mediaType, std::int32_t reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetAvailableSpeeds", unused)) return nullptr;
        Reserved(e, "VexoGetAvailableSpeeds", reserved);
        auto d = Resolve(e, "VexoGetAvailableSpeeds", device);
        if (!d) return nullptr;
        e.SetCounter("speeds.access", accessType);
        e.SetCounter("speeds.mediatype", mediaType);
        if (accessType != 0 && accessType != 1) return nullptr;
        std::vector<std::uint8_t> r = BuildSpeedRecord(accessType == 0 ? d->config.write : d->config.read);
        return e.Memory().AllocateCopy("speeds", r.data(), r.size());
    });
}

// --- erasing --------------------------------------------------------------------

std::int32_t WINAPI VexoGetCDRWErasingTime(Handle device, std::int32_t quick) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoGetCDRWErasingTime", result)) return result;
        auto d = Resolve(e, "VexoGetCDRWErasingTime", device);
        if (!d) return std::int32_t(-1);
        return quick ? d->behaviour.eraseTimeQuick : d->behaviour.eraseTimeFull;
    });
}

std::int32_t WINAPI VexoEraseDisc(Handle device, std::int32_t quick, std::int32_t mode, std::int32_t reserved) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        std::optional<Device> d;
        {
            auto lock = e.Lock();
            std::int32_t result = -1;
            if (e.ScriptedFailure("VexoEraseDisc", result)) return result;
            Reserved(e, "VexoEraseDisc", reserved);
            d = Resolve(e, "VexoEraseDisc", device);
            if (!d) return std::int32_t(-1);
            e.Count("erase.calls");
            e.SetCounter("erase.quick", quick ? 1 : 0);
            e.SetCounter("erase.mode", mode);
        }
        TakeTime(d->behaviour.operationMs);
        std::int32_t time = quick ? d->behaviour.eraseTimeQuick : d->behaviour.eraseTimeFull;
        std::int32_t result = d->behaviour.eraseResult ? *d->behaviour.eraseResult : (time >= 0 ? 0 : -1);
        auto lock = e.Lock();
        e.Log(Format("VexoEraseDisc %d quick %d mode %d: %d", d->index, quick, mode, result));
        return result;
    });
}

// --- disc information -------------------------------------------------------------

void* WINAPI VexoGetCDInfo(Handle device, std::int32_t flags) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        std::optional<Device> d;
        {
            auto lock = e.Lock();
            std::int32_t unused = 0;
            if (e.ScriptedFailure("VexoGetCDInfo", unused)) return nullptr;
            d = Resolve(e, "VexoGetCDInfo", device);
            if (!d) return nullptr;
            e.SetCounter("cdinfo.flags", flags);
        }
        TakeTime(d->behaviour.operationMs);
        auto lock = e.Lock();
        if (!d->behaviour.disc) {
            e.errors.push_back("There is no disc in the drive");
            return nullptr;
        }
        std::vector<std::uint8_t> info = BuildDriveDiscInfo(*d->behaviour.disc, static_cast<std::uint32_t>(flags));
        return e.Memory().AllocateCopy("info", info.data(), info.size());
    });
}

// --- audio extraction -----------------------------------------------------------

std::int32_t WINAPI VexoDAE(Handle device, std::int32_t start, std::int32_t length, const void* target, std::int32_t speed,
                            const void* callbacks) {
    return Guarded<std::int32_t>(DaeBadRecord, [&] {
        SimEngine& e = SimEngine::Get();
        std::optional<Device> d;
        std::uint32_t kind = 0;
        std::string fileName;
        void* writeUserData = nullptr;
        DaeWriteCallback write = nullptr;
        PercentCallback progress = nullptr;
        void* progressUserData = nullptr;
        {
            auto lock = e.Lock();
            std::int32_t result = DaeAborted;
            if (e.ScriptedFailure("VexoDAE", result)) return result;
            d = Resolve(e, "VexoDAE", device);
            if (!d) return DaeBadRecord;
            e.SetCounter("dae.start", start);
            e.SetCounter("dae.length", length);
            e.SetCounter("dae.speed", speed);
            const auto* t = static_cast<const std::uint8_t*>(target);
            if (!t) {
                e.CheckFailed("VexoDAE", "the target record is null");
                return DaeBadRecord;
            }
            kind = L::Get32(t, L::daetarget::Kind);
            e.SetCounter("dae.kind", kind);
            if (kind == L::daetarget::KindFile) {
                const char* name = reinterpret_cast<const char*>(t + L::daetarget::FileName);
                std::size_t n = strnlen(name, L::daetarget::FileNameChars);
                if (n == L::daetarget::FileNameChars || n == 0) {
                    e.CheckFailed("VexoDAE", n ? "the file name fills its 256 bytes without a terminator" : "the file name is empty");
                    return DaeBadRecord;
                }
                fileName.assign(name, n);
                e.SetText("dae.file", fileName);
            } else if (kind == L::daetarget::KindCallback) {
                writeUserData = L::GetPtr(t, L::daetarget::UserData);
                write = reinterpret_cast<DaeWriteCallback>(L::GetPtr(t, L::daetarget::WriteCallback));
                if (!write) {
                    e.CheckFailed("VexoDAE", "the target record has no write callback");
                    return DaeBadRecord;
                }
            } else {
                e.CheckFailed("VexoDAE", Format("the target record's kind is %u, neither 0 (file) nor 1 (callback)", kind));
                return DaeBadRecord;
            }
            if (const auto* c = static_cast<const std::uint8_t*>(callbacks)) {
                progress = reinterpret_cast<PercentCallback>(L::GetPtr(c, L::daeprogress::Callback));
                progressUserData = L::GetPtr(c, L::daeprogress::UserData);
            }
            if (!d->behaviour.disc || length <= 0 || start < 0 ||
                std::int64_t(start) + length > DiscEnd(*d->behaviour.disc)) {
                e.errors.push_back("The audio range lies outside the disc");
                e.Log(Format("VexoDAE %d..+%d: outside the disc", start, length));
                return DaeOutsideTheDisc;
            }
        }

        std::unique_ptr<NewFile> file;
        if (kind == L::daetarget::KindFile) {
            file = std::make_unique<NewFile>(fileName);
            std::vector<std::uint8_t> header = WavHeader(static_cast<std::uint32_t>(std::int64_t(length) * L::wav::BlockBytes));
            if (!file->IsOpen() || !file->Write(header.data(), header.size())) {
                file->Discard();
                auto lock = e.Lock();
                e.errors.push_back("Cannot write the file \"" + fileName + "\"");
                return DaeNoFile;
            }
        }
        const std::uint32_t chunkBlocks = d->behaviour.daeChunkBlocks;
        const std::int64_t chunks = (length + chunkBlocks - 1) / chunkBlocks;
        const std::uint32_t ms = d->behaviour.operationMs;
        std::vector<std::uint8_t> buffer(std::size_t(chunkBlocks) * L::wav::BlockBytes);
        std::int32_t result = DaeOk;
        std::int64_t done = 0;
        for (std::int64_t k = 0; k < chunks && result == DaeOk; ++k) {
            // The operation's time, spread over the chunks.
            TakeTime(static_cast<std::uint32_t>(std::int64_t(ms) * (k + 1) / chunks - std::int64_t(ms) * k / chunks));
            std::size_t blocks = static_cast<std::size_t>(std::min<std::int64_t>(chunkBlocks, length - done));
            std::size_t bytes = blocks * L::wav::BlockBytes;
            FillDaeAudio(buffer.data(), start + done, blocks);
            if (file) {
                if (!file->Write(buffer.data(), bytes)) result = DaeNoFile;
            } else if (write(writeUserData, buffer.data(), static_cast<std::int32_t>(bytes)) != static_cast<std::int32_t>(bytes)) {
                result = DaeAborted;
            }
            {
                auto lock = e.Lock();
                e.Count("dae.chunks");
                e.Count("dae.bytes", static_cast<std::int64_t>(bytes));
            }
            done += static_cast<std::int64_t>(blocks);
            if (result == DaeOk && progress && progress(progressUserData, Percent(done, length)) != 0) result = DaeAborted;
        }
        if (file && result != DaeOk) file->Discard();
        auto lock = e.Lock();
        e.Log(Format("VexoDAE %d..+%d to %s: %d", start, length, file ? fileName.c_str() : "the write callback", result));
        return result;
    });
}

// --- waiting for a disc -----------------------------------------------------------

namespace {

std::int32_t Wait(const char* where, Handle device, std::int32_t mediaType, std::int32_t burnFlags, void* stamp,
                  const std::int32_t* waitFlags) {
    return Guarded<std::int32_t>(1, [&] {
        SimEngine& e = SimEngine::Get();
        std::optional<Device> d;
        {
            auto lock = e.Lock();
            std::int32_t result = 1;
            if (e.ScriptedFailure(where, result)) return result;
            d = Resolve(e, where, device);
            if (!d) return std::int32_t(1);
            e.SetCounter("wait.mediatype", mediaType);
            e.SetCounter("wait.burnflags", burnFlags);
            e.SetCounter("wait.stamp", stamp ? 1 : 0);
            if (waitFlags)
                e.SetCounter("wait.flags", *waitFlags);
            else
                e.Count("wait.media.calls");
        }
        TakeTime(d->behaviour.operationMs);
        return d->behaviour.waitResult;
    });
}

}  // namespace

#ifndef VEXOSIM_NO_WAITFORDISC
std::int32_t WINAPI VexoWaitForDisc(Handle device, std::int32_t mediaType, std::int32_t burnFlags, void* stamp, std::int32_t waitFlags,
                                    std::int32_t reserved) {
    if (reserved != 0)
        Guarded<int>(0, [&] {
            SimEngine& e = SimEngine::Get();
            auto lock = e.Lock();
            Reserved(e, "VexoWaitForDisc", reserved);
            return 0;
        });
    return Wait("VexoWaitForDisc", device, mediaType, burnFlags, stamp, &waitFlags);
}
#endif

std::int32_t WINAPI VexoWaitForMedia(Handle device, std::int32_t mediaType, std::int32_t burnFlags, void* stamp) {
    return Wait("VexoWaitForMedia", device, mediaType, burnFlags, stamp, nullptr);
}

// --- device options -----------------------------------------------------------------

std::int32_t WINAPI VexoSetDeviceOption(Handle device, std::int32_t option, const void* value) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoSetDeviceOption", result)) return result;
        auto d = Resolve(e, "VexoSetDeviceOption", device);
        if (!d) return std::int32_t(-1);
        if (option < 0 || option > 3) return std::int32_t(-1);
        if (!value) {
            e.CheckFailed("VexoSetDeviceOption", "the value pointer is null");
            return std::int32_t(-1);
        }
        std::int32_t v;
        if (option == 0 || option == 2) {
            std::int16_t flag;  // a 16-bit boolean
            std::memcpy(&flag, value, sizeof flag);
            v = flag;
        } else {
            std::memcpy(&v, value, sizeof v);
        }
        e.StateOf(d->index)->options[option] = v;
        e.SetCounter("option.device." + std::to_string(option), v);
        return std::int32_t(0);
    });
}

void* WINAPI VexoGetDeviceOption(Handle device, std::int32_t option, std::int32_t reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetDeviceOption", unused)) return nullptr;
        Reserved(e, "VexoGetDeviceOption", reserved);
        auto d = Resolve(e, "VexoGetDeviceOption", device);
        if (!d || option < 0 || option > 3) return nullptr;
        std::int32_t v = e.StateOf(d->index)->options[option];
        return e.Memory().AllocateCopy("option", &v, sizeof v);
    });
}

std::int32_t WINAPI VexoInitImageRecorder(Handle device, const char* path, std::int32_t reserved1, std::int32_t mediaType,
                                          std::int32_t reserved2) {
    return Guarded<std::int32_t>(1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 1;
        if (e.ScriptedFailure("VexoInitImageRecorder", result)) return result;
        Reserved(e, "VexoInitImageRecorder", reserved1);
        Reserved(e, "VexoInitImageRecorder", reserved2);
        auto d = Resolve(e, "VexoInitImageRecorder", device);
        if (!d) return std::int32_t(1);
        e.SetText("imagerecorder.path", ReadText(path));
        if (SimEngine::DeviceState* state = e.StateOf(d->index)) state->imageRecorder = ReadText(path);
        e.SetCounter("imagerecorder.mediatype", mediaType);
        return std::int32_t(0);
    });
}

// --- drive-status notifications --------------------------------------------------

std::int32_t WINAPI VexoRegisterDriveStatusCallback(std::int32_t type, const void* entry, void* callback, void* userData) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoRegisterDriveStatusCallback", result)) return result;
        std::int32_t index = DeviceIndexOfEntry(static_cast<const std::uint8_t*>(entry));
        if (index < 0 || static_cast<std::size_t>(index) >= e.Config().devices.size()) {
            e.CheckFailed("VexoRegisterDriveStatusCallback", "the entry is not one of this engine's drive entries");
            return std::int32_t(-1);
        }
        if (type != 0 && type != 1) return std::int32_t(-1);
        const DeviceConfig& dc = e.Config().devices[static_cast<std::size_t>(index)];
        StatusTarget target{index, dc.hostAdapter, dc.deviceId};
        result = e.Notifier().RegisterStatus(type, target, reinterpret_cast<DriveStatusCallback>(callback), userData,
                                             e.Config().behaviour[static_cast<std::size_t>(index)].statusEvents);
        e.Count(result == 0 ? "status.registrations" : "status.refused");
        e.Log(Format("VexoRegisterDriveStatusCallback type %d device %d %p %p: %d", type, index, callback, userData, result));
        return result;
    });
}

std::int32_t WINAPI VexoUnregisterDriveStatusCallback(std::int32_t type, const void* entry, void* callback, void* userData) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        std::int32_t index;
        {
            auto lock = e.Lock();
            std::int32_t result = -1;
            if (e.ScriptedFailure("VexoUnregisterDriveStatusCallback", result)) return result;
            index = DeviceIndexOfEntry(static_cast<const std::uint8_t*>(entry));
            if (index < 0) {
                e.CheckFailed("VexoUnregisterDriveStatusCallback", "the entry is not one of this engine's drive entries");
                return std::int32_t(-1);
            }
        }
        // Without the engine lock: this waits for a notification of this
        // registration still running on the engine thread.
        std::int32_t result = e.Notifier().UnregisterStatus(type, index, reinterpret_cast<DriveStatusCallback>(callback), userData);
        auto lock = e.Lock();
        e.Count(result == 0 ? "status.unregistrations" : "status.refused");
        e.Log(Format("VexoUnregisterDriveStatusCallback type %d device %d %p %p: %d", type, index, callback, userData, result));
        return result;
    });
}

// --- burning -------------------------------------------------------------------------

std::int32_t WINAPI VexoBurn(Handle device, std::int32_t type, const void* record, std::int32_t flags, std::int32_t speed,
                             const void* progressRecord) {
    return Guarded<std::int32_t>(BurnFailed, [&] {
        SimEngine& e = SimEngine::Get();
        BurnConfig burn;
        std::string image;
        DialogCallback dialog = nullptr;
        void* dialogUserData = nullptr;
        IdleCallback idle = nullptr;
        void* idleUserData = nullptr;
        const auto* progress = static_cast<const std::uint8_t*>(progressRecord);
        std::map<std::int32_t, std::string> mediaNames;
        CompilationSummary compilation;
        std::string recorder;  // where the image goes; empty: no image
        std::unique_ptr<DiscImageJob> discImage;  // the other images a compilation writes (DiscImages.h)
        {
            auto lock = e.Lock();
            std::int32_t result = BurnFailed;
            if (e.ScriptedFailure("VexoBurn", result)) return result;
            e.SetCounter("burn.type", type);
            e.SetCounter("burn.flags", flags);
            e.SetCounter("burn.speed", speed);
            auto d = Resolve(e, "VexoBurn", device);
            if (!d) return BurnInvalidDrive;
            std::string wrong = CheckBurnRecord(type, static_cast<const std::uint8_t*>(record));
            if (!wrong.empty()) {
                e.CheckFailed("VexoBurn", wrong);
                return BurnFailed;
            }
            if (progress) {
                const std::string* kind = e.Memory().KindOf(progress);
                if (!kind || *kind != "progress") {
                    e.CheckFailed("VexoBurn", "progress record was not made by VexoCreateProgress");
                    return BurnFailed;
                }
            }
            const auto* r = static_cast<const std::uint8_t*>(record);
            if (type == ImageCompilation) {
                image = ReadText(static_cast<const char*>(L::GetPtr(r, L::imagerecord::File)));
                e.SetText("burn.image", image);
                e.SetCounter("burn.mediatype", static_cast<std::int32_t>(L::Get32(r, L::imagerecord::MediaType)));
            } else if (type == FileSystemCompilation) {
                // A container: its image is written (or its files pulled) at the end.
                wrong = CheckFileSystemRecord(e, type, r);
                if (!wrong.empty()) {
                    e.CheckFailed("VexoBurn", wrong);
                    return BurnFailed;
                }
                image = "file-system content";
            } else {
                // A compilation: what it holds is kept as texts, and its
                // event-sourced tracks are pulled while it burns.
                if (!SummarizeCompilation(e, type, r, compilation)) {
                    e.Count("stub.calls");
                    e.Log(Format("VexoBurn type %d: not simulated, failure answered", type));
                    return BurnFailed;
                }
                for (const auto& [key, value] : compilation.texts) e.SetText(key, value);
                image = Format("compilation type %d", type);
                if (type == AudioCompilation) {
                    recorder = e.RecorderTarget(d->index);
                    // With a data track it is a mixed or CD-extra disc, or a data disc.
                    if (compilation.audio.dataTrack) recorder.clear();
                    e.SetText("recorder.target", recorder);
                }
                discImage = PlanDiscImage(e, d->index, type, r, compilation, static_cast<std::uint32_t>(flags));
            }
            e.SetCounter("ask.count", 0);
            e.SetCounter("burn.steps", 0);
            burn = e.Config().burn;
            mediaNames = e.Config().mediaNames;
            dialog = e.dialog;
            dialogUserData = e.dialogUserData;
            idle = e.idle;
            idleUserData = e.idleUserData;
            e.Log(Format("VexoBurn image \"%s\" flags %d speed %d", image.c_str(), flags, speed));
        }
        auto finish = [&](std::int32_t result) {
            auto lock = e.Lock();
            e.SetCounter("burn.result", result);
            e.Log(Format("VexoBurn image \"%s\": %d", image.c_str(), result));
            return result;
        };

        // The questions, in order; the non-empty rewritable disc last.
        std::vector<BurnQuestion> questions = burn.asks;
        bool askNonEmpty = burn.nonEmptyCDRW && (static_cast<std::uint32_t>(flags) & DetectNonEmptyCDRW) != 0;
        if (askNonEmpty) questions.push_back({NonEmptyCDRWRequest, ""});
        for (std::size_t n = 0; n < questions.size(); ++n) {
            std::string why;
            auto q = QuestionData::Build(questions[n].request, questions[n].data, mediaNames, &why);
            if (!q) {
                auto lock = e.Lock();
                e.Log("[Burn] Ask= not understood: " + why);
                continue;
            }
            std::int32_t answer = dialog ? dialog(dialogUserData, q->Request(), q->Data()) : -1;
            {
                auto lock = e.Lock();
                if (!dialog) e.Count("ask.nocallback");
                std::string key = "answer." + std::to_string(n);
                e.SetCounter(key, answer);
                e.Count("ask.count");
                e.SetCounter("ask.response", answer);
                if (auto text = q->BufferText()) e.SetText(key + ".text", *text);
                if (!q->GuardIntact()) e.CheckFailed("VexoBurn", Format("the answer to request %d overran the buffer", q->Request()));
                e.Log(Format("burn question %d answered %d", q->Request(), answer));
            }
            if (askNonEmpty && n + 1 == questions.size() && answer != 4 && answer != 5) return finish(BurnUserAbort);
        }

        auto slot = [&](std::size_t offset) { return progress ? L::GetPtr(progress, offset) : nullptr; };
        void* userData = slot(L::progress::UserData);
        auto onProgress = reinterpret_cast<PercentCallback>(slot(L::progress::ProgressCallback));
        auto onSubTask = reinterpret_cast<PercentCallback>(slot(L::progress::SubTaskProgressCallback));
        if (auto phase = reinterpret_cast<PhaseCallback>(slot(L::progress::PhaseCallback))) phase(userData, "Burning image");
        if (auto logLine = reinterpret_cast<LogLineCallback>(slot(L::progress::LogLineCallback))) {
            std::string line = "Burning " + image;
            logLine(userData, 0, line.c_str());
        }
        if (auto major = reinterpret_cast<MajorPhaseCallback>(slot(L::progress::MajorPhaseCallback))) major(userData, 1);
        if (onSubTask) {
            const std::int32_t answer = onSubTask(userData, 100);
            {
                auto lock = e.Lock();
                e.SetCounter("burn.subtask.answer", answer);
            }
            if (answer != 0) return finish(BurnUserAbort);
        }
        // An audio disc with a recorder target becomes a BIN/CUE image,
        // written under temporary names and named at the very end: a burn
        // that fails or is aborted leaves nothing behind.
        std::optional<AudioImageWriter> writer;
        std::string cue;
        if (!recorder.empty()) {
            writer.emplace(ImagePathsFor(recorder));
            RecordResult recorded = RecordAudioDisc(compilation, (static_cast<std::uint32_t>(flags) & CdTextFlag) != 0, *writer);
            {
                auto lock = e.Lock();
                for (const auto& [key, value] : recorded.pulled) e.SetText(key, value);
                if (!recorded.ok) {
                    e.errors.push_back(recorded.error);
                    e.SetText("recorder.error", recorded.error);
                    e.Log("VexoBurn: " + recorded.error);
                }
            }
            if (!recorded.ok) {
                writer.reset();
                return finish(recorded.eventError ? BurnFailed : BurnWriteFailed);
            }
            cue = std::move(recorded.cue);
        } else if (discImage) {
            auto imageProgress = [&](std::int32_t percent) {
                if (idle && idle(idleUserData) != 0) return false;
                return !(onProgress && onProgress(userData, percent) != 0);
            };
            if (std::int32_t failed = RecordDiscImage(e, *discImage, imageProgress)) return finish(failed);
        } else {
            bool trackFailed = false;
            for (const EventTrack& track : compilation.events) {
                PullResult pulled = PullEventTrack(track);
                trackFailed = trackFailed || pulled.error;
                auto lock = e.Lock();
                e.SetText(track.key, pulled.text);
            }
            if (trackFailed) return finish(BurnFailed);
        }
        for (std::uint32_t k = 1; k <= burn.steps; ++k) {
            TakeTime(burn.stepMs);
            if (idle && idle(idleUserData) != 0) return finish(BurnUserAbort);
            std::int32_t answer = onProgress ? onProgress(userData, Percent(k, burn.steps)) : 0;
            {
                auto lock = e.Lock();
                e.Count("burn.steps");
                e.SetCounter("burn.progress.answer", answer);
            }
            if (answer != 0) return finish(BurnUserAbort);
        }
        if (writer && burn.result == 0) {
            std::string why;
            const bool committed = writer->Commit(cue, why);
            auto lock = e.Lock();
            if (!committed) {
                const std::string error = "Image recorder: " + why;
                e.errors.push_back(error);
                e.SetText("recorder.error", error);
                e.Log("VexoBurn: " + error);
            } else {
                e.Count("recorder.images");
                e.SetCounter("recorder.sectors", static_cast<std::int64_t>(writer->Sectors()));
                e.SetText("recorder.cue", writer->Paths().cue);
                e.SetText("recorder.bin", writer->Paths().bin);
            }
            if (!committed) return finish(BurnWriteFailed);
        }
        if (discImage && burn.result == 0) {
            if (std::int32_t failed = CommitDiscImage(e, *discImage)) return finish(failed);
        }
        if (burn.result == 0) {
            if (std::int32_t failed = WriteDataImage(e, device, type, record)) return finish(failed);
            if (std::int32_t failed = WriteFileSystemImage(e, device, type, record)) return finish(failed);
        }
        return finish(burn.result);
    });
}

}  // extern "C"

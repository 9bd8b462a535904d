// The simulated engine's process-wide state: configuration, initialisation,
// the blocks it handed out, the counters and texts tests read, the log.
// One lock guards all of it; no client callback is ever called under it.
#pragma once

#include "Allocations.h"
#include "DriveChangeNotifier.h"
#include "SimConfig.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace vexosim {

struct SectorOverlay;

using IdleCallback = std::int32_t(WINAPI*)(void* userData);
using DialogCallback = std::int32_t(WINAPI*)(void* userData, std::int32_t request, std::intptr_t data);

// Sleeps without the engine lock: a simulated operation taking its time.
void TakeTime(std::uint32_t ms);

class SimEngine {
public:
    static SimEngine& Get();
    static HMODULE Module();

    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

    // --- everything below: with the lock held ---
    const SimConfig& Config() const { return config_; }
    Allocations& Memory() { return memory_; }

    void Count(const std::string& name, std::int64_t delta = 1) { counters_[name] += delta; }
    void SetCounter(const std::string& name, std::int64_t value) { counters_[name] = value; }
    std::int64_t Counter(const std::string& name) const;
    void SetText(const std::string& name, std::string text) { texts_[name] = std::move(text); }
    bool Text(const std::string& name, std::string& out) const;

    void Log(const std::string& line);
    void CheckFailed(const char* where, const std::string& what);
    void BadFree(const void* p);

    // Counts the call; true when the configuration scripts a failure for it
    // now (value then holds the number to return, or keeps its default).
    bool ScriptedFailure(const char* exportName, std::int32_t& value);
    // True (and counted) when the export needs VexoInit first and it has not run.
    bool RefuseUninitialised(const char* exportName);

    // Engine state proper.
    bool initialised = false;
    IdleCallback idle = nullptr;
    void* idleUserData = nullptr;
    DialogCallback dialog = nullptr;
    void* dialogUserData = nullptr;
    std::vector<std::string> errors;
    std::optional<std::string> lastErrorText;
    std::optional<std::string> errorLogText;
    // Block objects alive now (BlockAccess.cpp); counted in "outstanding"
    // and "outstanding.block". They outlive a new configuration.
    std::int64_t blockObjects = 0;
    // Objects of the file-system model alive now, by kind (FsObjects.cpp);
    // each kind is "outstanding.<kind>" and all are part of "outstanding".
    std::map<std::string, std::int64_t> modelObjects;

    // Replace the configuration: from the file (Reset) or from a text.
    // Counters, texts, errors and the initialisation start afresh; blocks
    // still handed out stay valid for VexoFreeMem.
    void Reset();
    void Configure(std::string_view text, std::string source);

    std::string ConfigPath() const;
    std::string ModuleFolder() const;
    // A path from the configuration: as it is when absolute, else taken from
    // this DLL's folder.
    std::string ConfiguredPath(const std::string& path) const;
    // Where a burn on `device` records its image: the path
    // VexoInitImageRecorder last named for it, else its Recorder= key
    // (ConfiguredPath); empty for none. With the lock held.
    std::string RecorderTarget(std::int32_t device);

    DriveChangeNotifier& Notifier() { return notifier_; }

    // Device handles: one fresh handle per open. Handles outlive a new
    // configuration (their device index is checked at every use).
    void* OpenDevice(std::int32_t device);
    bool CloseDevice(const void* handle);  // false when the handle is not open
    // The device index of an open handle, or -1 (null, foreign, closed, or
    // its device is gone from the configuration).
    std::int32_t DeviceOf(const void* handle) const;
    std::int64_t OpenHandles() const { return static_cast<std::int64_t>(handles_.size()); }

    // What a device remembers between calls, reset with the configuration.
    struct DeviceState {
        std::uint32_t opens = 0;
        std::int32_t options[4] = {};
        // The writes of the device's synthetic medium, shared by its block objects.
        std::shared_ptr<SectorOverlay> overlay;
        // The path VexoInitImageRecorder last named for the device (empty:
        // none, the device's Recorder= key applies).
        std::string imageRecorder;
    };
    DeviceState* StateOf(std::int32_t device);

private:
    SimEngine();
    void Apply(SimConfig config, std::string source);

    std::mutex mutex_;
    SimConfig config_;
    Allocations memory_;
    std::map<std::string, std::int64_t> counters_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, FailureScript> failures_;
    std::string logPath_;
    DriveChangeNotifier notifier_;
    struct OpenHandle {
        std::uint32_t tag;
        std::int32_t device;
    };
    std::map<const void*, std::unique_ptr<OpenHandle>> handles_;
    std::vector<DeviceState> deviceStates_;
};

// Runs f and turns any exception into the fallback: nothing thrown leaves an export.
template <class R, class F>
R Guarded(R fallback, F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return fallback;
    }
}

std::string Format(const char* format, ...);

}  // namespace vexosim

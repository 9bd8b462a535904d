#include "SimEngine.h"

#include "Win32File.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace vexosim {

std::string Format(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buffer, n < int(sizeof buffer) ? std::size_t(n) : sizeof buffer - 1);
}

HMODULE SimEngine::Module() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&SimEngine::Module), &module);
    return module;
}

SimEngine& SimEngine::Get() {
    static SimEngine engine;
    return engine;
}

SimEngine::SimEngine() {
    std::string text;
    std::string path = ConfigPath();
    if (ReadWholeFile(path, text))
        Apply(ParseConfig(text), path);
    else
        Apply(ParseConfig(""), "defaults");
}

std::string SimEngine::ModuleFolder() const {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(Module(), path, sizeof path);
    std::string folder(path, n < sizeof path ? n : 0);
    std::size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : folder.substr(0, cut);
}

std::string SimEngine::ConfiguredPath(const std::string& path) const {
    return IsAbsolutePath(path) ? path : ModuleFolder() + "\\" + path;
}

std::string SimEngine::RecorderTarget(std::int32_t device) {
    const DeviceState* state = StateOf(device);
    std::string target = state ? state->imageRecorder : std::string();
    if (target.empty() && device >= 0 && static_cast<std::size_t>(device) < Config().behaviour.size())
        target = Config().behaviour[static_cast<std::size_t>(device)].recorder;
    return target.empty() ? target : ConfiguredPath(target);
}

std::string SimEngine::ConfigPath() const {
    if (const char* env = std::getenv("VEXOSIM_CONFIG"); env && *env) return env;
    return ModuleFolder() + "\\VexoAPI.ini";
}

void SimEngine::Reset() {
    std::string text;
    std::string path = ConfigPath();
    if (ReadWholeFile(path, text))
        Apply(ParseConfig(text), path);
    else
        Apply(ParseConfig(""), "defaults");
}

void SimEngine::Configure(std::string_view text, std::string source) { Apply(ParseConfig(text), std::move(source)); }

void SimEngine::Apply(SimConfig config, std::string source) {
    config_ = std::move(config);
    counters_.clear();
    texts_.clear();
    failures_ = config_.failures;
    initialised = false;
    idle = nullptr;
    idleUserData = nullptr;
    dialog = nullptr;
    dialogUserData = nullptr;
    errors = config_.errors;
    lastErrorText = config_.lastError;
    errorLogText = config_.errorLog;
    logPath_.clear();
    if (!config_.logFile.empty()) {
        const std::string& f = config_.logFile;
        bool absolute = (f.size() > 1 && f[1] == ':') || f[0] == '\\' || f[0] == '/';
        logPath_ = absolute ? f : ModuleFolder() + "\\" + f;
    }
    notifier_.Clear();
    deviceStates_.assign(config_.devices.size(), DeviceState{});
    texts_["config.source"] = source;
    counters_["config.warnings"] = static_cast<std::int64_t>(config_.warnings.size());
    counters_["config.devices"] = static_cast<std::int64_t>(config_.devices.size());
    Log("configuration from " + source);
    for (const std::string& w : config_.warnings) Log("configuration: not understood: " + w);
}

std::int64_t SimEngine::Counter(const std::string& name) const {
    // The outstanding blocks are read from the registry itself.
    if (name == "outstanding") {
        std::int64_t model = 0;
        for (const auto& [kind, alive] : modelObjects) model += alive;
        return memory_.Outstanding() + blockObjects + model;
    }
    if (name == "outstanding.block") return blockObjects;
    if (name.rfind("outstanding.", 0) == 0) {
        auto it = modelObjects.find(name.substr(12));
        if (it != modelObjects.end()) return it->second;
    }
    if (name.rfind("outstanding.", 0) == 0) return memory_.Outstanding(name.substr(12));
    if (name == "init.active") return initialised ? 1 : 0;
    if (name == "devices.open") return OpenHandles();
    if (name == "status.registered") return notifier_.StatusRegistrations();
    if (name == "threads.engine") return notifier_.ThreadsAlive();
    auto it = counters_.find(name);
    return it == counters_.end() ? 0 : it->second;
}

bool SimEngine::Text(const std::string& name, std::string& out) const {
    auto it = texts_.find(name);
    if (it == texts_.end()) return false;
    out = it->second;
    return true;
}

void SimEngine::Log(const std::string& line) {
    if (logPath_.empty()) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    AppendToFile(logPath_, Format("%02u:%02u:%02u.%03u [%lu] ", t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
                                  static_cast<unsigned long>(GetCurrentThreadId())) +
                               line + "\r\n");
}

void SimEngine::CheckFailed(const char* where, const std::string& what) {
    Count("check.failures");
    Count(std::string("check.failures.") + where);
    texts_["check.last"] = std::string(where) + ": " + what;
    Log(std::string("CHECK FAILED ") + where + ": " + what);
}

void SimEngine::BadFree(const void* p) {
    Count("free.bad");
    Log(Format("BAD FREE of %p: not a block this engine handed out (foreign or freed before)", p));
}

bool SimEngine::ScriptedFailure(const char* exportName, std::int32_t& value) {
    Count(std::string("calls.") + exportName);
    auto it = failures_.find(ToLower(exportName));
    if (it == failures_.end()) return false;
    FailureScript& f = it->second;
    if (!f.always) {
        if (f.remaining == 0) return false;
        --f.remaining;
    }
    if (f.value) value = *f.value;
    Count("failures.scripted");
    errors.push_back(std::string(exportName) + ": simulated failure");
    Log(std::string(exportName) + ": scripted failure");
    return true;
}

bool SimEngine::RefuseUninitialised(const char* exportName) {
    if (initialised || !config_.requireInit) return false;
    Count("notinit.calls");
    errors.push_back(std::string(exportName) + ": the engine is not initialised");
    Log(std::string(exportName) + " refused: VexoInit has not succeeded");
    return true;
}

void TakeTime(std::uint32_t ms) {
    if (ms) Sleep(ms);
}

void* SimEngine::OpenDevice(std::int32_t device) {
    auto h = std::make_unique<OpenHandle>(OpenHandle{0x44495356u /* "VSID" */, device});
    void* p = h.get();
    handles_.emplace(p, std::move(h));
    return p;
}

bool SimEngine::CloseDevice(const void* handle) { return handle && handles_.erase(handle) != 0; }

std::int32_t SimEngine::DeviceOf(const void* handle) const {
    if (!handle) return -1;
    auto it = handles_.find(handle);
    if (it == handles_.end()) return -1;
    std::int32_t d = it->second->device;
    return d >= 0 && static_cast<std::size_t>(d) < config_.devices.size() ? d : -1;
}

SimEngine::DeviceState* SimEngine::StateOf(std::int32_t device) {
    if (device < 0 || static_cast<std::size_t>(device) >= deviceStates_.size()) return nullptr;
    return &deviceStates_[static_cast<std::size_t>(device)];
}

}  // namespace vexosim

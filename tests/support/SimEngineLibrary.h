// Test helper: a copy of the simulated engine loaded from a path, its
// exports bound by name, and the test exports every engine test reads
// (counters, texts, configuration) with the engine's own memory calls.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

class SimEngineLibrary {
public:
    explicit SimEngineLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~SimEngineLibrary() {
        if (module_) FreeLibrary(module_);
    }
    SimEngineLibrary(const SimEngineLibrary&) = delete;
    SimEngineLibrary& operator=(const SimEngineLibrary&) = delete;

    HMODULE module() const { return module_; }
    FARPROC Proc(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }
    template <class Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Proc(name)));
    }

    int Counter(const std::string& name) const {
        return Get<int(WINAPI*)(const char*)>("VexoSimGetCounter")(name.c_str());
    }
    // A text the engine keeps; "<none>" for one never set.
    std::string Text(const std::string& name) const {
        char buffer[8192];
        int n = Get<int(WINAPI*)(const char*, char*, int)>("VexoSimGetText")(name.c_str(), buffer, sizeof buffer);
        return n < 0 ? std::string("<none>") : std::string(buffer);
    }
    int Configure(const std::string& text) const {
        return Get<int(WINAPI*)(const char*)>("VexoSimConfigure")(text.c_str());
    }
    int FreeMem(const void* p) const { return Get<int(WINAPI*)(const void*)>("VexoFreeMem")(p); }
    // The engine's last error line, its block given back.
    std::string LastError() const {
        const char* t = Get<const char*(WINAPI*)()>("VexoGetLastError")();
        std::string s = t ? t : "";
        FreeMem(t);
        return s;
    }

private:
    HMODULE module_;
};

}  // namespace testing_support

// What the COM benchmarks share: the program folder (VexoCOM.dll and the
// simulated engine's folder lie there), an owning interface pointer, object
// creation, a BSTR from a narrow text, a message pump, the medians with
// their spread that every benchmark prints, the failure line and paths in
// the temporary folder.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\'));
}

template <class T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (p) p->Release();
    }
    T** put() { return &p; }
    T* operator->() const { return p; }
};

template <class I>
bool Make(REFCLSID clsid, REFIID iid, Ref<I>& out) {
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(out.put())));
}

struct Bstr {
    BSTR b;
    explicit Bstr(const std::string& s) : b(nullptr) {
        std::wstring w(s.begin(), s.end());
        b = SysAllocString(w.c_str());
    }
    ~Bstr() { SysFreeString(b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
};

// Pumps the thread's messages until `until` holds.
inline void Pump(const std::function<bool()>& until) {
    MSG msg;
    while (!until()) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (!until()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

struct Spread {
    double median, low, high;
};
inline Spread Summary(std::vector<double> v) {
    if (v.empty()) return {0, 0, 0};
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}
// One line: what, the median with its unit, the spread.
inline void Print(const char* what, const std::vector<double>& values, const char* unit) {
    const Spread s = Summary(values);
    std::printf("  %-52s %9.2f %s  (spread %.2f to %.2f)\n", what, s.median, unit, s.low, s.high);
}

// Loads the simulated engine of the program folder's engine\ and
// VexoCOM.dll (both stay loaded, so the engine's configuration outlives the
// server's unloads), registers the server and configures the engine with
// `config`. Null on success, else what failed.
inline const char* StartServer(const std::string& config) {
    const std::string folder = ProgramFolder();
    HMODULE engine = LoadLibraryA((folder + "\\engine\\VexoAPI.dll").c_str());
    HMODULE server = LoadLibraryA((folder + "\\VexoCOM.dll").c_str());
    if (!engine || !server) return "loading VexoCOM.dll and engine\\VexoAPI.dll";
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(server, "DllRegisterServer")));
    auto configure = reinterpret_cast<int32_t(WINAPI*)(const char*)>(
        reinterpret_cast<void*>(GetProcAddress(engine, "VexoSimConfigure")));
    if (!reg || !configure) return "finding the entry points";
    if (FAILED(reg())) return "DllRegisterServer";
    configure(config.c_str());
    return nullptr;
}

// A benchmark's failure line, "PROGRAM: WHAT failed (0xHR)"; its exit code 1.
inline int Fail(const char* program, const char* what, HRESULT hr) {
    std::printf("%s: %s failed (0x%08lx)\n", program, what, static_cast<unsigned long>(hr));
    return 1;
}

// The path of `name` in the user's temporary folder.
inline std::string TempPath(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

}  // namespace bench

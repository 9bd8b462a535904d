// In-process clients of VexoCOM.dll: the server loaded from the program
// folder and registered, the simulated engine of bin/engine held loaded by
// the test (so its counters outlive the server's unloads), and small COM
// helpers.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

#include "Vexo.h"

namespace servertest {

// Owning interface pointer for tests.
template <class T>
class Ptr {
public:
    Ptr() = default;
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;
    Ptr(Ptr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Ptr& operator=(Ptr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    ~Ptr() { reset(); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const wchar_t* s = nullptr) : b_(s ? SysAllocString(s) : nullptr) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR* put() {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }
    bool null() const { return b_ == nullptr; }

private:
    BSTR b_;
};

std::string ProgramFolder();
std::string EngineFolder();  // the program folder's "engine" subfolder, no trailing backslash

// The server's entry points.
struct Server {
    HMODULE module = nullptr;
    HRESULT(WINAPI* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* CanUnloadNow)() = nullptr;
    HRESULT(WINAPI* Register)() = nullptr;
    HRESULT(WINAPI* Unregister)() = nullptr;
};
Server& TheServer();

// The simulated engine's test exports.
namespace sim {
int Counter(const char* name);
std::string Text(const char* name);
void Reset();
void Configure(const char* text);
int Ask(int request, intptr_t data);
int FireDriveChange(int host, int target, int status);
bool WaitIdle(int timeoutMs);
}  // namespace sim

// A new engine object with VexoFilesPath set to `filesPath`.
Ptr<IVexo4> NewVexo(const std::string& filesPath);
Ptr<IVexo4> NewVexoWithEngine();  // VexoFilesPath = the engine folder

// The error information the last failing call left: description, source, GUID.
struct ErrorInfo {
    std::wstring description, source;
    GUID guid{};
    bool present = false;
};
ErrorInfo TakeErrorInfo();

// Pumps the thread's messages until `done` or about `ms` milliseconds passed.
template <class F>
bool PumpUntil(F done, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 10) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
}

// Engine value in the registry (HKLM\SOFTWARE\Quarn\Shared "VexoAPI").
void SetRegistryEngine(const std::string& dir);  // empty: remove the value

}  // namespace servertest

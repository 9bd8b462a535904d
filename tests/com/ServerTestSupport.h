// In-process clients of VexoCOM.dll: the server loaded from the program
// folder and registered, the simulated engine of bin/engine held loaded by
// the test (so its counters outlive the server's unloads), and small COM
// helpers.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(ms);
    while (GetTickCount64() < until) {
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

namespace servertest {

// ---- a late-bound event sink --------------------------------------------------
// A plain IDispatch with no type information, the way a script host sinks
// events: it sees dispatch ids and VARIANTs only. Each call is recorded
// (arguments in declared order, by-reference ones dereferenced) with the
// thread it arrived on; `onEvent` runs first and may write through the
// by-reference arguments (args[i] is the i-th declared argument).

// An owned VARIANT that can be copied and kept in containers.
class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&v_); }
    explicit OwnedVariant(const VARIANT& v) {
        VariantInit(&v_);
        VariantCopyInd(&v_, const_cast<VARIANT*>(&v));
    }
    OwnedVariant(const OwnedVariant& o) : OwnedVariant(o.v_) {}
    OwnedVariant& operator=(const OwnedVariant& o) {
        if (this != &o) {
            VariantClear(&v_);
            VariantCopyInd(&v_, const_cast<VARIANT*>(&o.v_));
        }
        return *this;
    }
    ~OwnedVariant() { VariantClear(&v_); }
    const VARIANT& get() const { return v_; }
    VARTYPE vt() const { return V_VT(&v_); }
    LONG Long() const;  // VT_I4 / VT_I2 / VT_BOOL as a number
    IDispatch* Dispatch() const { return V_VT(&v_) == VT_DISPATCH ? V_DISPATCH(&v_) : nullptr; }

private:
    VARIANT v_;
};

struct SinkEvent {
    DISPID id = 0;
    std::vector<OwnedVariant> args;
    DWORD thread = 0;
};

class LateBoundSink final : public IDispatch {
public:
    LateBoundSink() = default;
    LateBoundSink(const LateBoundSink&) = delete;
    LateBoundSink& operator=(const LateBoundSink&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* n) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    // Called before the event is recorded; args in declared order.
    std::function<void(DISPID, std::vector<VARIANT*>& args)> onEvent;

    const std::vector<SinkEvent>& Events() const { return events_; }
    size_t Count(DISPID id) const;
    const SinkEvent* Last(DISPID id) const;
    void Clear() { events_.clear(); }

private:
    volatile LONG refs_ = 1;
    std::vector<SinkEvent> events_;
};

// Writes through a by-reference argument (VT_BYREF | VT_I4 / VT_BOOL).
void SetRefLong(VARIANT* arg, LONG value);
void SetRefBool(VARIANT* arg, bool value);

// Advises `sink` on the connection point `events` of `source`; 0 on failure.
DWORD AdviseSink(IUnknown* source, REFIID events, IUnknown* sink);
void UnadviseSink(IUnknown* source, REFIID events, DWORD cookie);

}  // namespace servertest

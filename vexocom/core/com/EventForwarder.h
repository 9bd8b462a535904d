// Event forwarders: a small object in the source's apartment implementing
// the source's custom forwarder interface, whose methods fire the matching
// events on the source's connection point. It is registered in the global
// interface table when the source is created, so worker and engine threads
// reach it (through the proxy/stub code of the forwarder interface) and
// every event is delivered in the source's apartment:
//
//   class VexoEventsForwarder : public ForwarderObject<VexoEventsForwarder, __IVexoEvents__> {
//     STDMETHODIMP OnRestart() override { return Fire(5); }
//   };
//   EventForwarder<VexoEventsForwarder, __IVexoEvents__> events_;  // in the source
//   events_.Register(point);                                     // in its constructor
//   // any thread:
//   ComPtr<__IVexoEvents__> f; if (SUCCEEDED(events_.Get(f))) f->OnRestart();
#pragma once

#include <objbase.h>

#include <new>
#include <utility>

#include "ComPtr.h"
#include "ConnectionPoint.h"
#include "GlobalInterfaceTable.h"
#include "Module.h"

namespace vexo::com {

// How many events the calling thread is delivering (nested): a handler may
// let go of the source while it runs, and the source must not then wait for
// the very call that is delivering.
inline thread_local int t_eventsBeingDelivered = 0;

template <class Derived, class Interface>
class ForwarderObject : public Interface {
public:
    ForwarderObject(const ForwarderObject&) = delete;
    ForwarderObject& operator=(const ForwarderObject&) = delete;

    template <class... A>
    static ComPtr<Derived> Make(A&&... args) {
        return ComPtr<Derived>::Attach(new (std::nothrow) Derived(std::forward<A>(args)...));
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (::IsEqualGUID(iid, IID_IUnknown) || ::IsEqualGUID(iid, __uuidof(Interface))) {
            AddRef();
            *out = static_cast<Interface*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(n);
    }

    // The source is going away: later calls fire nothing.
    void Detach() noexcept { point_ = nullptr; }

protected:
    explicit ForwarderObject(ConnectionPoint* point) noexcept : point_(point) { ModuleLock(); }
    virtual ~ForwarderObject() { ModuleUnlock(); }

    template <class... A>
    HRESULT Fire(DISPID id, A... args) {
        if (!point_) return S_OK;
        struct Delivering {
            Delivering() noexcept { ++t_eventsBeingDelivered; }
            ~Delivering() { --t_eventsBeingDelivered; }
        } delivering;
        try {
            return point_->Fire(id, args...);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    ConnectionPoint* Point() const noexcept { return point_; }

private:
    ConnectionPoint* point_;
    volatile LONG refs_ = 1;
};

// The source's side: owns the forwarder and its table entry.
template <class Impl, class Interface>
class EventForwarder {
public:
    EventForwarder() noexcept = default;
    EventForwarder(const EventForwarder&) = delete;
    EventForwarder& operator=(const EventForwarder&) = delete;
    ~EventForwarder() { Revoke(); }

    // Creates the forwarder over `point` (may be null for forwarders that
    // fire nothing) and registers it. The forwarder works locally even when
    // the registration fails (no proxy/stub registered).
    template <class... A>
    HRESULT Register(ConnectionPoint* point, A&&... args) {
        Revoke();
        impl_ = Impl::Make(point, std::forward<A>(args)...);
        if (!impl_) return E_OUTOFMEMORY;
        owner_ = ::GetCurrentThreadId();
        return entry_.Register(static_cast<Interface*>(impl_.get()), __uuidof(Interface));
    }
    void Revoke() noexcept {
        entry_.Revoke();
        if (impl_) impl_->Detach();
        impl_.reset();
    }

    DWORD cookie() const noexcept { return entry_.cookie(); }
    Impl* local() const noexcept { return impl_.get(); }

    // The forwarder for the calling thread's apartment. On the thread that
    // made it, the forwarder itself serves when the table could not take it.
    HRESULT Get(ComPtr<Interface>& out) const noexcept {
        HRESULT hr = Get(entry_.cookie(), out);
        if (SUCCEEDED(hr) || !impl_ || entry_.cookie() || ::GetCurrentThreadId() != owner_) return hr;
        out = ComPtr<Interface>(static_cast<Interface*>(impl_.get()));
        return S_OK;
    }
    static HRESULT Get(DWORD cookie, ComPtr<Interface>& out) noexcept {
        return GitEntry::GetFromGlobal(cookie, __uuidof(Interface), out.put_void());
    }

private:
    ComPtr<Impl> impl_;
    GitEntry entry_;
    DWORD owner_ = 0;
};

}  // namespace vexo::com

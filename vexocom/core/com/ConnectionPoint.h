// Connection point of one event dispinterface. It lives inside its source
// object (reference counting goes to the source) and keeps each advised
// sink as a cookie of the global interface table, so that the sink list
// can be used from any apartment. Events are fired in the source's
// apartment (by the source itself or by its EventForwarder); there each
// sink is called through the IDispatch kept when it was advised (from that
// single-threaded apartment), without a table look-up per event:
//
//   cp.Fire(7, EventArg::Long(percent), EventArg::RefBool(&abort));
//
// [in,out] arguments go by reference (VT_BYREF), so what a sink writes into
// them is seen by the caller after Fire returns; every sink sees what the
// sinks before it left.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <array>
#include <vector>

#include "ComPtr.h"
#include "TypeInfoCache.h"

namespace vexo::com {

// One argument of an event, as the VARIANT that goes into DISPPARAMS. The
// argument does not own what it points to.
struct EventArg {
    VARIANT v;

    static EventArg Long(LONG x) noexcept { return Make(VT_I4, [&](VARIANT& v) { V_I4(&v) = x; }); }
    static EventArg Short(SHORT x) noexcept { return Make(VT_I2, [&](VARIANT& v) { V_I2(&v) = x; }); }
    static EventArg Bool(bool x) noexcept {
        return Make(VT_BOOL, [&](VARIANT& v) { V_BOOL(&v) = x ? VARIANT_TRUE : VARIANT_FALSE; });
    }
    static EventArg Text(BSTR x) noexcept { return Make(VT_BSTR, [&](VARIANT& v) { V_BSTR(&v) = x; }); }
    static EventArg Object(IDispatch* x) noexcept {
        return Make(VT_DISPATCH, [&](VARIANT& v) { V_DISPATCH(&v) = x; });
    }
    static EventArg Unknown(IUnknown* x) noexcept {
        return Make(VT_UNKNOWN, [&](VARIANT& v) { V_UNKNOWN(&v) = x; });
    }
    // A VARIANT passed as it is (not copied, not owned).
    static EventArg Value(const VARIANT& x) noexcept {
        EventArg a;
        a.v = x;
        return a;
    }
    static EventArg RefLong(LONG* x) noexcept {
        return Make(VT_BYREF | VT_I4, [&](VARIANT& v) { V_I4REF(&v) = x; });
    }
    static EventArg RefBool(VARIANT_BOOL* x) noexcept {
        return Make(VT_BYREF | VT_BOOL, [&](VARIANT& v) { V_BOOLREF(&v) = x; });
    }
    static EventArg RefText(BSTR* x) noexcept {
        return Make(VT_BYREF | VT_BSTR, [&](VARIANT& v) { V_BSTRREF(&v) = x; });
    }
    // An [in,out] VARIANT: the sink may replace what it holds.
    static EventArg RefObject(IDispatch** x) noexcept {
        return Make(VT_BYREF | VT_DISPATCH, [&](VARIANT& v) { V_DISPATCHREF(&v) = x; });
    }
    static EventArg RefVariant(VARIANT* x) noexcept {
        return Make(VT_BYREF | VT_VARIANT, [&](VARIANT& v) { V_VARIANTREF(&v) = x; });
    }

private:
    template <class F>
    static EventArg Make(VARTYPE vt, F&& set) noexcept {
        EventArg a;
        ::VariantInit(&a.v);
        V_VT(&a.v) = vt;
        set(a.v);
        return a;
    }
};

class ConnectionPoint final : public IConnectionPoint {
public:
    // owner: the source object's identity (not referenced: the point lives
    // inside it); container: the same object as IConnectionPointContainer.
    ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID events) noexcept
        : owner_(owner), container_(container), events_(events) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint();

    // IUnknown: the source's reference count.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

    // IConnectionPoint
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    const IID& EventsId() const noexcept { return events_; }
    size_t SinkCount() const noexcept { return sinks_.size(); }

    // Calls event `id` on every sink with the arguments in the order the
    // event declares them. Sinks that cannot be reached are skipped.
    template <class... A>
    HRESULT Fire(DISPID id, A... args) {
        std::array<VARIANT, sizeof...(A)> v{};
        size_t i = sizeof...(A);
        ((v[--i] = args.v), ...);  // DISPPARAMS holds arguments last first
        return FireArgs(id, v.data(), static_cast<UINT>(v.size()));
    }
    HRESULT FireArgs(DISPID id, VARIANT* reversedArgs, UINT count);

    // Drops every sink (the source is going away).
    void UnadviseAll() noexcept;

private:
    // One advised sink: its cookie in the global interface table and, when
    // it was advised from a single-threaded apartment, its IDispatch for
    // that apartment's thread.
    struct Sink {
        DWORD cookie = 0;
        ComPtr<IDispatch> local;
        DWORD thread = 0;
    };
    bool Advised(DWORD cookie) const noexcept;

    IUnknown* owner_;
    IConnectionPointContainer* container_;
    IID events_;
    std::vector<Sink> sinks_;
};

// The enumerator of a container's one connection point (it holds a
// reference on the point, and so on its source).
class SinglePointEnumerator final : public IEnumConnectionPoints {
public:
    static HRESULT Make(IConnectionPoint* point, IEnumConnectionPoints** out, ULONG position = 0) noexcept;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumConnectionPoints** out) override;

private:
    SinglePointEnumerator(IConnectionPoint* point, ULONG position) noexcept;
    ~SinglePointEnumerator();

    volatile LONG refs_ = 1;
    IConnectionPoint* point_;
    ULONG position_;
};

// IConnectionPointContainer for a source with one connection point; the
// source lists it among its interfaces and gives it the point:
//   class Vexo : public DispatchObject<Vexo, IVexo4, SingleConnectionPointContainer<Vexo>> ...
//   ConnectionPoint& EventPoint();
template <class Derived>
class SingleConnectionPointContainer : public IConnectionPointContainer {
public:
    using ComInterface = IConnectionPointContainer;

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return SinglePointEnumerator::Make(&static_cast<Derived*>(this)->EventPoint(), out);
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        ConnectionPoint& cp = static_cast<Derived*>(this)->EventPoint();
        if (!::IsEqualGUID(iid, cp.EventsId())) return CONNECT_E_NOCONNECTION;
        cp.AddRef();
        *out = &cp;
        return S_OK;
    }
};

// IProvideClassInfo2 for an event source: its class from the module's type
// library and its default source interface, the one connection point's. A
// script host finds the events of an object it was handed (a drive, a
// track) this way. The source names its class:
//   static const CLSID& ClassId() noexcept;
template <class Derived>
class SourceClassInfo : public IProvideClassInfo2 {
public:
    using ComInterface = IProvideClassInfo2;
    using ComBaseInterface = IProvideClassInfo;

    STDMETHODIMP GetClassInfo(ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        ComPtr<ITypeLib> library;
        if (HRESULT hr = GetModuleTypeLib(library.put()); FAILED(hr)) return hr;
        return library->GetTypeInfoOfGuid(Derived::ClassId(), out);
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID* out) override {
        if (!out) return E_POINTER;
        *out = GUID_NULL;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *out = static_cast<Derived*>(this)->EventPoint().EventsId();
        return S_OK;
    }
};

}  // namespace vexo::com

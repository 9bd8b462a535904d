#include "ConnectionPoint.h"

#include <algorithm>
#include <new>

#include "GlobalInterfaceTable.h"
#include "Module.h"

namespace vexo::com {

ConnectionPoint::~ConnectionPoint() { UnadviseAll(); }

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (::IsEqualGUID(iid, IID_IUnknown) || ::IsEqualGUID(iid, IID_IConnectionPoint)) {
        AddRef();
        *out = static_cast<IConnectionPoint*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    container_->AddRef();
    *out = container_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // A sink implements the event interface, or at least IDispatch.
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(events_, events.put_void())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, events.put_void())))
        return CONNECT_E_CANNOTCONNECT;
    ComPtr<IGlobalInterfaceTable> git = GlobalInterfaceTable();
    if (!git) return E_UNEXPECTED;
    DWORD c = 0;
    HRESULT hr = git->RegisterInterfaceInGlobal(events.get(), IID_IUnknown, &c);
    if (FAILED(hr)) return hr;
    Sink advised{c, {}, 0};
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA) &&
        SUCCEEDED(events.As(IID_IDispatch, advised.local)) && advised.local)
        advised.thread = ::GetCurrentThreadId();
    try {
        sinks_.push_back(std::move(advised));
    } catch (...) {
        git->RevokeInterfaceFromGlobal(c);
        return E_OUTOFMEMORY;
    }
    *cookie = c;
    return S_OK;
}

bool ConnectionPoint::Advised(DWORD cookie) const noexcept {
    return std::any_of(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == cookie; });
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == cookie; });
    if (cookie == 0 || it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    sinks_.erase(it);
    if (ComPtr<IGlobalInterfaceTable> git = GlobalInterfaceTable()) git->RevokeInterfaceFromGlobal(cookie);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

void ConnectionPoint::UnadviseAll() noexcept {
    std::vector<Sink> sinks;
    sinks.swap(sinks_);
    if (sinks.empty()) return;
    if (ComPtr<IGlobalInterfaceTable> git = GlobalInterfaceTable())
        for (const Sink& s : sinks) git->RevokeInterfaceFromGlobal(s.cookie);
}

HRESULT ConnectionPoint::FireArgs(DISPID id, VARIANT* args, UINT count) {
    // A sink may unadvise from inside its handler: walk a copy.
    std::vector<Sink> sinks;
    try {
        sinks = sinks_;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const DWORD thread = ::GetCurrentThreadId();
    for (const Sink& s : sinks) {
        if (!Advised(s.cookie)) continue;
        ComPtr<IDispatch> disp;
        if (s.local && s.thread == thread) {
            disp = s.local;
        } else {
            ComPtr<IUnknown> sink;
            if (FAILED(GitEntry::GetFromGlobal(s.cookie, IID_IUnknown, sink.put_void())) || !sink) continue;
            if (FAILED(sink.As(IID_IDispatch, disp)) || !disp) continue;
        }
        DISPPARAMS params = {args, nullptr, count, 0};
        VARIANT result;
        ::VariantInit(&result);
        disp->Invoke(id, IID_NULL, 1024, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        ::VariantClear(&result);
    }
    return S_OK;
}

// ---- SinglePointEnumerator ------------------------------------------------

SinglePointEnumerator::SinglePointEnumerator(IConnectionPoint* point, ULONG position) noexcept
    : point_(point), position_(position) {
    point_->AddRef();
    ModuleLock();
}

SinglePointEnumerator::~SinglePointEnumerator() {
    point_->Release();
    ModuleUnlock();
}

HRESULT SinglePointEnumerator::Make(IConnectionPoint* point, IEnumConnectionPoints** out, ULONG position) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!point) return E_UNEXPECTED;
    auto* e = new (std::nothrow) SinglePointEnumerator(point, position);
    if (!e) return E_OUTOFMEMORY;
    *out = e;
    return S_OK;
}

STDMETHODIMP SinglePointEnumerator::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualGUID(iid, IID_IUnknown) && !::IsEqualGUID(iid, IID_IEnumConnectionPoints)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IEnumConnectionPoints*>(this);
    return S_OK;
}

STDMETHODIMP_(ULONG) SinglePointEnumerator::Release() {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP SinglePointEnumerator::Next(ULONG count, IConnectionPoint** points, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!points) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG given = 0;
    if (count > 0 && position_ == 0) {
        point_->AddRef();
        points[0] = point_;
        given = 1;
        position_ = 1;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP SinglePointEnumerator::Skip(ULONG count) {
    const ULONG left = position_ == 0 ? 1 : 0;
    position_ = count >= left ? 1 : position_;
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP SinglePointEnumerator::Reset() {
    position_ = 0;
    return S_OK;
}

STDMETHODIMP SinglePointEnumerator::Clone(IEnumConnectionPoints** out) { return Make(point_, out, position_); }

}  // namespace vexo::com

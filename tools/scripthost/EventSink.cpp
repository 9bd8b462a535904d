#include "EventSink.h"

#include "Bstr.h"
#include "ScriptSite.h"

namespace host {

using vexo::com::Bstr;
using vexo::com::ComPtr;

EventSink::EventSink(EventSource source, std::wstring prefix, ScriptSite& site) noexcept
    : source_(std::move(source)), prefix_(std::move(prefix)), site_(site) {}

ComPtr<EventSink> EventSink::Connect(IDispatch* object, const std::wstring& prefix, ScriptSite& site,
                                     std::wstring& why) {
    EventSource source;
    if (!FindDefaultSource(object, source, why)) return {};
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (FAILED(object->QueryInterface(IID_IConnectionPointContainer, container.put_void())) || !container ||
        FAILED(container->FindConnectionPoint(source.iid, point.put())) || !point) {
        why = L"The object does not offer a connection for its events.";
        return {};
    }
    ComPtr<EventSink> sink = ComPtr<EventSink>::Attach(new EventSink(std::move(source), prefix, site));
    object->QueryInterface(IID_IUnknown, sink->identity_.put_void());
    const HRESULT hr = point->Advise(static_cast<IDispatch*>(sink.get()), &sink->cookie_);
    if (FAILED(hr)) {
        why = L"The object refused the connection to its events.";
        return {};
    }
    sink->point_ = point;
    return sink;
}

void EventSink::Disconnect() noexcept {
    if (!point_) return;
    ComPtr<IConnectionPoint> point = std::move(point_);
    point->Unadvise(cookie_);
    cookie_ = 0;
}

bool EventSink::IsFor(IDispatch* object) const noexcept {
    if (!object || !point_) return false;
    ComPtr<IUnknown> identity;
    object->QueryInterface(IID_IUnknown, identity.put_void());
    return identity.get() == identity_.get();
}

STDMETHODIMP EventSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == source_.iid) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) EventSink::Release() {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                               UINT*) {
    if (result) ::VariantInit(result);
    Bstr name;
    UINT names = 0;
    if (FAILED(source_.info->GetNames(id, name.put(), 1, &names)) || names == 0 || !name) return S_OK;
    site_.CallProcedure(prefix_ + std::wstring(name.get(), name.length()), params);
    return S_OK;
}

}  // namespace host

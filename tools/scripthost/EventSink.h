// EventSink: one connection made by WScript.ConnectObject. The sink is
// advised on the object's default source; each event it receives calls the
// script procedure named by the prefix and the event's name (Drive_ and
// OnDoneBurn give Drive_OnDoneBurn) with the event's arguments; what the
// procedure assigns to an in/out argument goes back to the source
// (ByRefArguments). Events without a procedure are let through unanswered.
// A connection keeps its object alive until it is ended (DisconnectObject,
// WScript.Quit or the end of the script).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "ComPtr.h"
#include "EventSource.h"

namespace host {

class ScriptSite;

class EventSink final : public IDispatch {
public:
    // Connects `object`'s default source to the procedures of `site` that
    // start with `prefix`. Null with `why` set when the object has no source
    // or refuses the connection.
    static vexo::com::ComPtr<EventSink> Connect(IDispatch* object, const std::wstring& prefix, ScriptSite& site,
                                                std::wstring& why);
    // Ends the connection (once; later calls do nothing).
    void Disconnect() noexcept;
    // Whether this connection is to `object` (compared by identity).
    bool IsFor(IDispatch* object) const noexcept;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

private:
    EventSink(EventSource source, std::wstring prefix, ScriptSite& site) noexcept;
    ~EventSink() = default;

    EventSource source_;
    std::wstring prefix_;
    ScriptSite& site_;
    vexo::com::ComPtr<IUnknown> identity_;
    vexo::com::ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    LONG refs_ = 1;
};

}  // namespace host

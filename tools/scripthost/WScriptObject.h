// The WScript object a script sees: Echo, Arguments, Sleep (which lets window
// messages, and so the events of COM objects, through while it waits), Quit,
// CreateObject, ConnectObject/DisconnectObject, ScriptName, ScriptFullName,
// StdOut, StdErr, Name, FullName, Version and Interactive.
#pragma once

#include <string>
#include <vector>

#include "ComPtr.h"
#include "EventSink.h"
#include "HostObject.h"
#include "ScriptFile.h"

namespace host {

class ScriptSite;

class WScriptObject final : public HostObject {
public:
    WScriptObject(const ScriptFile& script, std::vector<std::wstring> arguments);

    // The site whose procedures the connected events call.
    void Attach(ScriptSite* site) noexcept { site_ = site; }
    // Ends every connection ConnectObject made.
    void DisconnectAll() noexcept;

protected:
    HRESULT Call(DISPID id, WORD flags, const CallArgs& args, VARIANT* result, EXCEPINFO* excep) override;

private:
    ~WScriptObject() override = default;

    HRESULT Echo(const CallArgs& args, EXCEPINFO* excep);
    HRESULT Sleep(const CallArgs& args, EXCEPINFO* excep);
    [[noreturn]] void Quit(const CallArgs& args);
    HRESULT CreateObject(const CallArgs& args, VARIANT* result, EXCEPINFO* excep);
    HRESULT ConnectObject(IDispatch* object, const std::wstring& prefix, EXCEPINFO* excep);
    HRESULT DisconnectObject(const CallArgs& args, EXCEPINFO* excep);

    const ScriptFile& script_;
    ScriptSite* site_ = nullptr;
    vexo::com::ComPtr<IDispatch> arguments_, stdOut_, stdErr_;
    std::vector<vexo::com::ComPtr<EventSink>> sinks_;
};

}  // namespace host

// ScriptSite: one script file run by the machine's script engine (VBScript or
// JScript through IActiveScript). The site hands the engine the WScript
// object as a named item, reports every script error on the standard error
// stream as "FILE(LINE, COLUMN) SOURCE: TEXT", and gives the script's own
// procedures to the event sinks, which call them while the script waits in
// WScript.Sleep.
#pragma once

#include <windows.h>
#include <activscp.h>

#include <string>

#include "ComPtr.h"
#include "ScriptFile.h"

namespace host {

class ScriptSite final : public IActiveScriptSite {
public:
    ScriptSite(const ScriptFile& script, IDispatch* wscript) noexcept;
    ScriptSite(const ScriptSite&) = delete;
    ScriptSite& operator=(const ScriptSite&) = delete;
    ~ScriptSite();

    // Creates the engine and runs the script's global code to its end.
    // False when the engine could not be made or the script failed (the
    // error has been reported).
    bool Run();
    // Closes the engine: its objects and procedures are released.
    void Close() noexcept;

    // The script's global procedures, as an object (null before Run).
    IDispatch* Procedures();
    // Calls the script procedure `name` with the arguments of an event. An
    // absent procedure is not an error. A procedure that fails is reported and
    // ends the host with exit code 1 (the script cannot go on waiting).
    void CallProcedure(const std::wstring& name, DISPPARAMS* params);
    bool ErrorReported() const noexcept { return errorReported_; }

    // IUnknown (the site lives on the stack of main; references are not counted)
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    // IActiveScriptSite
    STDMETHODIMP GetLCID(LCID* lcid) override;
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
    STDMETHODIMP GetDocVersionString(BSTR* version) override;
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

private:
    void Report(const std::wstring& where, const std::wstring& source, const std::wstring& text, HRESULT code);

    const ScriptFile& script_;
    IDispatch* wscript_;
    vexo::com::ComPtr<IActiveScript> engine_;
    vexo::com::ComPtr<IDispatch> procedures_;
    bool errorReported_ = false;
};

}  // namespace host

#include "WScriptObject.h"

#include <windows.h>

#include "ArgumentList.h"
#include "MessagePump.h"
#include "Output.h"
#include "ScriptSite.h"
#include "TextStreamObject.h"

namespace host {

using vexo::com::ComPtr;

namespace {

constexpr DISPID kName = DISPID_VALUE, kEcho = 1, kArguments = 2, kSleep = 3, kQuit = 4, kCreateObject = 5,
                 kConnectObject = 6, kDisconnectObject = 7, kScriptName = 8, kScriptFullName = 9, kStdOut = 10,
                 kStdErr = 11, kFullName = 12, kVersion = 13, kInteractive = 14;
constexpr Member kMembers[] = {
    {L"Name", kName},
    {L"Echo", kEcho},
    {L"Arguments", kArguments},
    {L"Sleep", kSleep},
    {L"Quit", kQuit},
    {L"CreateObject", kCreateObject},
    {L"ConnectObject", kConnectObject},
    {L"DisconnectObject", kDisconnectObject},
    {L"ScriptName", kScriptName},
    {L"ScriptFullName", kScriptFullName},
    {L"StdOut", kStdOut},
    {L"StdErr", kStdErr},
    {L"FullName", kFullName},
    {L"Version", kVersion},
    {L"Interactive", kInteractive},
};

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

WScriptObject::WScriptObject(const ScriptFile& script, std::vector<std::wstring> arguments)
    : HostObject(kMembers), script_(script) {
    arguments_ = ComPtr<IDispatch>::Attach(ArgumentList::Create(std::move(arguments)));
    stdOut_ = ComPtr<IDispatch>::Attach(TextStreamObject::Create(Stream::Out));
    stdErr_ = ComPtr<IDispatch>::Attach(TextStreamObject::Create(Stream::Err));
}

void WScriptObject::DisconnectAll() noexcept {
    for (auto& sink : sinks_) sink->Disconnect();
    sinks_.clear();
}

HRESULT WScriptObject::Call(DISPID id, WORD, const CallArgs& args, VARIANT* result, EXCEPINFO* excep) {
    switch (id) {
        case kName: return ReturnText(result, L"Vexo Script Host");
        case kFullName: return ReturnText(result, ProgramPath());
        case kVersion: return ReturnText(result, L"5.8");
        case kInteractive: return ReturnBool(result, false);
        case kEcho: return Echo(args, excep);
        case kArguments: {
            if (args.Count() == 0) return ReturnObject(result, arguments_.get());
            // WScript.Arguments(i) may arrive as one call with the index.
            DISPPARAMS index{args.At(0), nullptr, 1, 0};
            return arguments_->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                      &index, result, excep, nullptr);
        }
        case kSleep: return Sleep(args, excep);
        case kQuit: Quit(args);
        case kCreateObject: return CreateObject(args, result, excep);
        case kConnectObject: {
            IDispatch* object = nullptr;
            std::wstring prefix;
            if (!args.Object(0, object) || !object || !args.Text(1, prefix))
                return Fail(excep, L"ConnectObject needs an object and the prefix of its event procedures.",
                            E_INVALIDARG);
            return ConnectObject(object, prefix, excep);
        }
        case kDisconnectObject: return DisconnectObject(args, excep);
        case kScriptName: return ReturnText(result, script_.name);
        case kScriptFullName: return ReturnText(result, script_.fullName);
        case kStdOut: return ReturnObject(result, stdOut_.get());
        case kStdErr: return ReturnObject(result, stdErr_.get());
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT WScriptObject::Echo(const CallArgs& args, EXCEPINFO* excep) {
    std::wstring line, text;
    for (UINT i = 0; i < args.Count(); ++i) {
        const VARIANT* v = args.Value(i);
        const bool nothing = v && (V_VT(v) == VT_EMPTY || V_VT(v) == VT_NULL);
        if (!nothing && !args.Text(i, text))
            return Fail(excep, L"Echo cannot show argument " + std::to_wstring(i + 1) + L" as text.", DISP_E_TYPEMISMATCH);
        if (i > 0) line += L' ';
        if (!nothing) line += text;
    }
    WriteLine(Stream::Out, line);
    return S_OK;
}

HRESULT WScriptObject::Sleep(const CallArgs& args, EXCEPINFO* excep) {
    LONG ms = 0;
    if (!args.Long(0, ms) || ms < 0) return Fail(excep, L"Sleep needs a number of milliseconds.", E_INVALIDARG);
    // Events of the objects the script created arrive as window messages of
    // this thread: they are dispatched while the time runs.
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (;;) {
        win::PumpPendingMessages();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) return S_OK;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void WScriptObject::Quit(const CallArgs& args) {
    LONG code = 0;
    if (args.Count() > 0 && !args.Long(0, code)) code = 1;
    // A script may quit from anywhere, also under On Error Resume Next or
    // from an event procedure: the process ends here, after the connections.
    DisconnectAll();
    ::ExitProcess(static_cast<UINT>(code));
}

HRESULT WScriptObject::CreateObject(const CallArgs& args, VARIANT* result, EXCEPINFO* excep) {
    std::wstring progId, prefix;
    if (!args.Text(0, progId)) return Fail(excep, L"CreateObject needs the name of a class.", E_INVALIDARG);
    if (args.Count() > 1 && !args.Text(1, prefix))
        return Fail(excep, L"The second argument of CreateObject is the prefix of its event procedures.", E_INVALIDARG);
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(progId.c_str(), &clsid);
    ComPtr<IDispatch> object;
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                object.put_void());
    if (FAILED(hr)) return Fail(excep, L"Could not create an object named \"" + progId + L"\".", hr);
    if (!prefix.empty()) {
        hr = ConnectObject(object.get(), prefix, excep);
        if (FAILED(hr)) return hr;
    }
    return ReturnObject(result, object.get());
}

HRESULT WScriptObject::ConnectObject(IDispatch* object, const std::wstring& prefix, EXCEPINFO* excep) {
    if (!site_) return Fail(excep, L"ConnectObject is not available here.");
    std::wstring why;
    ComPtr<EventSink> sink = EventSink::Connect(object, prefix, *site_, why);
    if (!sink) return Fail(excep, L"ConnectObject: " + why, E_NOINTERFACE);
    sinks_.push_back(std::move(sink));
    return S_OK;
}

HRESULT WScriptObject::DisconnectObject(const CallArgs& args, EXCEPINFO* excep) {
    IDispatch* object = nullptr;
    if (!args.Object(0, object) || !object) return Fail(excep, L"DisconnectObject needs an object.", E_INVALIDARG);
    bool found = false;
    for (auto it = sinks_.begin(); it != sinks_.end();) {
        if ((*it)->IsFor(object)) {
            (*it)->Disconnect();
            it = sinks_.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found ? S_OK : Fail(excep, L"DisconnectObject: the object is not connected.", E_INVALIDARG);
}

}  // namespace host

#include "ScriptSite.h"

#include <cwchar>

#include "Bstr.h"
#include "ByRefArguments.h"
#include "Output.h"

namespace host {

using vexo::com::Bstr;
using vexo::com::ComPtr;

ScriptSite::ScriptSite(const ScriptFile& script, IDispatch* wscript) noexcept : script_(script), wscript_(wscript) {}

ScriptSite::~ScriptSite() { Close(); }

bool ScriptSite::Run() {
    const wchar_t* progId = script_.language == Language::JScript ? L"JScript" : L"VBScript";
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript), engine_.put_void());
    ComPtr<IActiveScriptParse> parse;
    if (SUCCEEDED(hr)) hr = engine_.As(__uuidof(IActiveScriptParse), parse);
    if (FAILED(hr)) {
        Report(script_.fullName, L"scripthost", std::wstring(L"The ") + progId + L" engine cannot be started.", hr);
        return false;
    }
    hr = parse->InitNew();
    if (SUCCEEDED(hr)) hr = engine_->SetScriptSite(this);
    // "WSH" is the object's second name, as Windows Script Host gives it.
    if (SUCCEEDED(hr)) hr = engine_->AddNamedItem(L"WScript", SCRIPTITEM_ISVISIBLE);
    if (SUCCEEDED(hr)) hr = engine_->AddNamedItem(L"WSH", SCRIPTITEM_ISVISIBLE);
    if (SUCCEEDED(hr)) hr = engine_->SetScriptState(SCRIPTSTATE_STARTED);
    if (FAILED(hr)) {
        Report(script_.fullName, L"scripthost", L"The script engine refused the host.", hr);
        return false;
    }
    EXCEPINFO excep{};
    hr = parse->ParseScriptText(script_.text.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                SCRIPTTEXT_ISVISIBLE, nullptr, &excep);
    Bstr source = Bstr::Attach(excep.bstrSource), text = Bstr::Attach(excep.bstrDescription);
    Bstr help = Bstr::Attach(excep.bstrHelpFile);
    if (FAILED(hr) && !errorReported_)
        Report(script_.fullName, source ? source.get() : L"scripthost",
               text ? text.get() : L"The script could not be run.", excep.scode ? excep.scode : hr);
    return SUCCEEDED(hr) && !errorReported_;
}

void ScriptSite::Close() noexcept {
    procedures_.reset();
    if (engine_) {
        engine_->SetScriptState(SCRIPTSTATE_DISCONNECTED);
        engine_->Close();
        engine_.reset();
    }
}

IDispatch* ScriptSite::Procedures() {
    if (!procedures_ && engine_) engine_->GetScriptDispatch(nullptr, procedures_.put());
    return procedures_.get();
}

void ScriptSite::CallProcedure(const std::wstring& name, DISPPARAMS* params) {
    IDispatch* procedures = Procedures();
    if (!procedures) return;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(procedures->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return;
    EXCEPINFO excep{};
    ByRefArguments arguments(params);
    const HRESULT hr = procedures->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, arguments.Params(),
                                          nullptr, &excep, nullptr);
    if (SUCCEEDED(hr)) arguments.WriteBack();
    Bstr source = Bstr::Attach(excep.bstrSource), text = Bstr::Attach(excep.bstrDescription);
    Bstr help = Bstr::Attach(excep.bstrHelpFile);
    if (SUCCEEDED(hr) && !errorReported_) return;
    if (!errorReported_)
        Report(script_.fullName, source ? source.get() : L"scripthost",
               L"The event procedure " + name + L" failed: " + std::wstring(text ? text.get() : L"no description"),
               excep.scode ? excep.scode : hr);
    // The script waits for what this procedure was to do: end it here.
    ::ExitProcess(1);
}

STDMETHODIMP ScriptSite::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) {
        *out = static_cast<IActiveScriptSite*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ScriptSite::GetLCID(LCID* lcid) {
    if (!lcid) return E_POINTER;
    *lcid = ::GetUserDefaultLCID();
    return S_OK;
}

STDMETHODIMP ScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
    if (mask & SCRIPTINFO_IUNKNOWN) {
        if (!item) return E_POINTER;
        *item = nullptr;
    }
    if (mask & SCRIPTINFO_ITYPEINFO) {
        if (!info) return E_POINTER;
        *info = nullptr;
    }
    if (!name || (std::wcscmp(name, L"WScript") != 0 && std::wcscmp(name, L"WSH") != 0)) return TYPE_E_ELEMENTNOTFOUND;
    if (mask & SCRIPTINFO_IUNKNOWN) {
        *item = wscript_;
        wscript_->AddRef();
    }
    return S_OK;
}

STDMETHODIMP ScriptSite::GetDocVersionString(BSTR* version) {
    if (version) *version = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ScriptSite::OnScriptError(IActiveScriptError* error) {
    if (!error) return E_POINTER;
    EXCEPINFO excep{};
    error->GetExceptionInfo(&excep);
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    Bstr source = Bstr::Attach(excep.bstrSource), text = Bstr::Attach(excep.bstrDescription);
    Bstr help = Bstr::Attach(excep.bstrHelpFile);
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    std::wstring where = script_.fullName;
    if (SUCCEEDED(error->GetSourcePosition(&context, &line, &column)))
        where += L"(" + std::to_wstring(line + 1) + L", " + std::to_wstring(column + 1) + L")";
    Report(where, source ? source.get() : L"", text ? text.get() : L"", excep.scode);
    return S_OK;
}

// The system's text for an error number, when the engine gave none; the
// automation errors a script meets most by name first.
static std::wstring SystemText(HRESULT code) {
    switch (code) {
        case DISP_E_TYPEMISMATCH: return L"Type mismatch";
        case DISP_E_DIVBYZERO: return L"Division by zero";
        case DISP_E_OVERFLOW: return L"Overflow";
        case DISP_E_MEMBERNOTFOUND: return L"Member not found";
        case DISP_E_UNKNOWNNAME: return L"Unknown name";
        case DISP_E_BADPARAMCOUNT: return L"Wrong number of arguments";
        case DISP_E_BADINDEX: return L"Index out of range";
        case DISP_E_PARAMNOTOPTIONAL: return L"Argument not optional";
        case DISP_E_BADVARTYPE: return L"Bad variable type";
        default: break;
    }
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return text;
}

void ScriptSite::Report(const std::wstring& where, const std::wstring& source, const std::wstring& given, HRESULT code) {
    errorReported_ = true;
    const std::wstring text = given.empty() && code ? SystemText(code) : given;
    wchar_t number[16];
    std::swprintf(number, 16, L"%08lX", static_cast<unsigned long>(code));
    std::wstring line = where + L" " + (source.empty() ? std::wstring(L"Script error") : source) + L": " +
                        (text.empty() ? std::wstring(L"(no description)") : text);
    if (code) line += std::wstring(L" (0x") + number + L")";
    WriteLine(Stream::Err, line);
}

}  // namespace host

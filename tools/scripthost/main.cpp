// scripthost: runs a VBScript (.vbs) or JScript (.js) file with the WScript
// object, events included.
//
//   scripthost [//nologo] [//E:vbscript|//E:jscript] FILE [ARGUMENT...]
//
// Exit code: what the script gave WScript.Quit; 0 when it ran to its end;
// 1 when it failed (the error is on the standard error stream with the file,
// line and column); 2 for a command line or a file that cannot be used.
#include <windows.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "Output.h"
#include "ScriptFile.h"
#include "ScriptSite.h"
#include "WScriptObject.h"

namespace {

bool StartsWithNoCase(const std::wstring& s, const wchar_t* prefix) {
    const std::wstring p(prefix);
    return s.size() >= p.size() && ::CompareStringOrdinal(s.c_str(), static_cast<int>(p.size()), p.c_str(),
                                                          static_cast<int>(p.size()), TRUE) == CSTR_EQUAL;
}

int Usage() {
    host::WriteLine(host::Stream::Err, L"usage: scripthost [//nologo] [//E:vbscript|//E:jscript] FILE [ARGUMENT...]");
    return 2;
}

// COM for this thread, a single-threaded apartment, for the life of main.
class Apartment {
public:
    Apartment() noexcept : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment() {
        if (ok_) ::CoUninitialize();
    }
    bool ok() const noexcept { return ok_; }

private:
    bool ok_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::optional<host::Language> forced;
    int i = 1;
    for (; i < argc && argv[i][0] == L'/' && argv[i][1] == L'/'; ++i) {
        const std::wstring option = argv[i];
        if (StartsWithNoCase(option, L"//nologo")) continue;
        if (StartsWithNoCase(option, L"//E:vbscript")) forced = host::Language::VBScript;
        else if (StartsWithNoCase(option, L"//E:jscript")) forced = host::Language::JScript;
        else return Usage();
    }
    if (i >= argc) return Usage();

    std::wstring why;
    std::optional<host::ScriptFile> script = host::ReadScriptFile(argv[i], why);
    if (!script) {
        host::WriteLine(host::Stream::Err, why);
        return 2;
    }
    if (forced) script->language = *forced;
    else if (!host::LanguageOfName(script->name)) {
        host::WriteLine(host::Stream::Err, L"There is no script engine for the file \"" + script->name +
                                               L"\": name it .vbs or .js, or choose one with //E:.");
        return 2;
    }
    std::vector<std::wstring> arguments(argv + i + 1, argv + argc);

    Apartment apartment;
    if (!apartment.ok()) {
        host::WriteLine(host::Stream::Err, L"COM cannot be started.");
        return 2;
    }
    auto wscript = vexo::com::ComPtr<host::WScriptObject>::Attach(
        new host::WScriptObject(*script, std::move(arguments)));
    bool ok = false;
    {
        host::ScriptSite site(*script, wscript.get());
        wscript->Attach(&site);
        ok = site.Run();
        wscript->DisconnectAll();
        wscript->Attach(nullptr);
    }
    return ok ? 0 : 1;
}

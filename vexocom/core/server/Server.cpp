// The server's entry points: DllMain, DllGetClassObject, DllCanUnloadNow,
// DllRegisterServer and DllUnregisterServer.
//
// The proxy/stub code of the forwarder interfaces lives in this module too
// (generated; its entry points carry the prefix Prx): class objects are
// asked from it first, it registers first, and DllCanUnloadNow asks it.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <cwchar>

#include <map>
#include <new>
#include <string>

#include "RegistryKey.h"
#include "server/ClassTable.h"
#include "com/ReportError.h"
#include "server/RegistryScript.h"
#include "com/ComPtr.h"
#include "com/Module.h"
#include "com/TypeInfoCache.h"


// The proxy/stub part's entry points (declared here: its header is C-only).
extern "C" {
BOOL WINAPI PrxDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT WINAPI PrxDllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT WINAPI PrxDllCanUnloadNow();
HRESULT WINAPI PrxDllRegisterServer();
HRESULT WINAPI PrxDllUnregisterServer();
}

namespace {

using vexo::com::ComPtr;

[[noreturn]] void OutOfMemory() { throw std::bad_alloc(); }

std::wstring GuidText(const GUID& g) {
    wchar_t buf[64] = {};
    ::StringFromGUID2(g, buf, 64);
    return buf;
}

// The library is also entered under the neutral locale: Wine's type-library
// marshaler looks a dual interface's library up under locale 0 only, and
// without that entry no object of the library can be passed between
// apartments (event arguments made in the client's apartment, for one).
std::wstring NeutralLocaleKey(const TLIBATTR& attr) {
    wchar_t version[32] = {};
    ::swprintf(version, 32, L"%x.%x", attr.wMajorVerNum, attr.wMinorVerNum);
    return L"TypeLib\\" + GuidText(attr.guid) + L"\\" + version + L"\\0";
}

HRESULT RegisterNeutralLocale(const TLIBATTR& attr, const std::wstring& path) {
    win::unique_regkey key;
    std::wstring name = NeutralLocaleKey(attr) + L"\\win32";
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        key.release();
        return SELFREG_E_TYPELIB;
    }
    LONG r = ::RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                              static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    return r == ERROR_SUCCESS ? S_OK : SELFREG_E_TYPELIB;
}

void UnregisterNeutralLocale(const TLIBATTR& attr) {
    std::wstring name = NeutralLocaleKey(attr);
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, (name + L"\\win32").c_str());
    ::RegDeleteKeyW(HKEY_CLASSES_ROOT, name.c_str());
}

std::wstring LibraryName() {
    std::string name = vexo::ErrorText(vexo::kLibraryNameId);
    return std::wstring(name.begin(), name.end());
}

HRESULT RunScripts(const TLIBATTR& lib, bool registering) {
    std::map<std::wstring, std::wstring> vars;
    vars[L"MODULE"] = vexo::com::ModulePathW();
    vars[L"LIBID"] = GuidText(lib.guid);
    vars[L"LIBNAME"] = LibraryName();
    HRESULT result = S_OK;
    for (const vexo::ClassEntry& c : vexo::CreatableClasses()) {
        vars[L"CLSID"] = GuidText(*c.clsid);
        HRESULT hr = vexo::registry::RunResource(vexo::com::ModuleHandle(), c.scriptId, vars, registering);
        if (FAILED(hr)) {
            if (registering) return hr;
            result = hr;
        }
    }
    return result;
}

// The module's type library and its attributes.
HRESULT LoadOwnTypeLib(ComPtr<ITypeLib>& lib, TLIBATTR& attr) {
    HRESULT hr = vexo::com::GetModuleTypeLib(lib.put());
    if (FAILED(hr)) return hr;
    TLIBATTR* a = nullptr;
    if (FAILED(hr = lib->GetLibAttr(&a))) return hr;
    attr = *a;
    lib->ReleaseTLibAttr(a);
    return S_OK;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        std::set_new_handler(&OutOfMemory);
        vexo::com::SetModuleHandle(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    PrxDllMain(instance, reason, reserved);
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = PrxDllGetClassObject(clsid, iid, out);
    if (SUCCEEDED(hr)) return hr;
    const vexo::ClassEntry* entry = vexo::FindClass(clsid);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    return vexo::com::ClassFactory::Serve(entry->create, iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    if (PrxDllCanUnloadNow() != S_OK || vexo::com::ModuleLockCount() != 0) return S_FALSE;
    vexo::com::ClearTypeInfoCache();
    return S_OK;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    HRESULT hr = PrxDllRegisterServer();
    if (FAILED(hr)) return hr;
    try {
        ComPtr<ITypeLib> lib;
        TLIBATTR attr{};
        if (FAILED(hr = LoadOwnTypeLib(lib, attr))) return hr;
        if (FAILED(hr = RunScripts(attr, true))) return hr;
        std::wstring path = vexo::com::ModulePathW();
        if (FAILED(hr = ::RegisterTypeLib(lib.get(), path.data(), nullptr))) return hr;
        return RegisterNeutralLocale(attr, path);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    HRESULT result = PrxDllUnregisterServer();
    try {
        ComPtr<ITypeLib> lib;
        TLIBATTR attr{};
        HRESULT hr = LoadOwnTypeLib(lib, attr);
        if (FAILED(hr)) return hr;
        lib.reset();
        UnregisterNeutralLocale(attr);
        hr = RunScripts(attr, false);
        if (FAILED(hr)) result = hr;
        using UnRegisterFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
        HMODULE oleaut = ::GetModuleHandleA("oleaut32.dll");
        auto unregister = oleaut ? reinterpret_cast<UnRegisterFn>(
                                       reinterpret_cast<void*>(::GetProcAddress(oleaut, "UnRegisterTypeLib")))
                                 : nullptr;
        if (unregister) {
            hr = unregister(attr.guid, attr.wMajorVerNum, attr.wMinorVerNum, attr.lcid, attr.syskind);
            if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS) result = hr;
        }
        return FAILED(result) ? result : S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

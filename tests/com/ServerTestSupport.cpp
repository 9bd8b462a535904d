#include "ServerTestSupport.h"

namespace servertest {
namespace {

HMODULE EngineModule() {
    static HMODULE engine = LoadLibraryA((EngineFolder() + "\\VexoAPI.dll").c_str());
    return engine;
}

template <class Fn>
Fn SimExport(const char* name) {
    HMODULE m = EngineModule();
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

// Every test runs in this thread's single-threaded apartment with the
// server registered.
class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(EngineModule()) << "bin/engine/VexoAPI.dll is missing";
        Server& s = TheServer();
        s.module = LoadLibraryA((ProgramFolder() + "\\VexoCOM.dll").c_str());
        ASSERT_TRUE(s.module) << "VexoCOM.dll is missing";
        auto get = [&](const char* n) { return reinterpret_cast<void*>(GetProcAddress(s.module, n)); };
        s.GetClassObject = reinterpret_cast<decltype(s.GetClassObject)>(get("DllGetClassObject"));
        s.CanUnloadNow = reinterpret_cast<decltype(s.CanUnloadNow)>(get("DllCanUnloadNow"));
        s.Register = reinterpret_cast<decltype(s.Register)>(get("DllRegisterServer"));
        s.Unregister = reinterpret_cast<decltype(s.Unregister)>(get("DllUnregisterServer"));
        ASSERT_TRUE(s.GetClassObject && s.CanUnloadNow && s.Register && s.Unregister);
        ASSERT_EQ(s.Register(), S_OK);
        SetRegistryEngine("");
    }
    void TearDown() override { CoUninitialize(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\'));
}

std::string EngineFolder() { return ProgramFolder() + "\\engine"; }

Server& TheServer() {
    static Server s;
    return s;
}

namespace sim {
int Counter(const char* name) {
    auto f = SimExport<int32_t(WINAPI*)(const char*)>("VexoSimGetCounter");
    return f ? f(name) : -12345;
}
std::string Text(const char* name) {
    auto f = SimExport<int32_t(WINAPI*)(const char*, char*, int32_t)>("VexoSimGetText");
    char buf[1024] = {};
    if (!f || f(name, buf, sizeof buf) < 0) return "<none>";
    return buf;
}
void Reset() {
    if (auto f = SimExport<int32_t(WINAPI*)()>("VexoSimReset")) f();
}
void Configure(const char* text) {
    if (auto f = SimExport<int32_t(WINAPI*)(const char*)>("VexoSimConfigure")) f(text);
}
int Ask(int request, intptr_t data) {
    auto f = SimExport<int32_t(WINAPI*)(int32_t, intptr_t)>("VexoSimAsk");
    return f ? f(request, data) : -12345;
}
int FireDriveChange(int host, int target, int status) {
    auto f = SimExport<int32_t(WINAPI*)(int32_t, int32_t, int32_t)>("VexoSimFireDriveChange");
    return f ? f(host, target, status) : -1;
}
bool WaitIdle(int timeoutMs) {
    auto f = SimExport<int32_t(WINAPI*)(int32_t)>("VexoSimWaitIdle");
    return f && f(timeoutMs) == 1;
}
}  // namespace sim

Ptr<IVexo4> NewVexo(const std::string& filesPath) {
    Ptr<IVexo4> v;
    EXPECT_EQ(CoCreateInstance(CLSID_Vexo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexo4, v.put_void()), S_OK);
    if (!v) return v;
    Ptr<IVexoSetup> setup;
    EXPECT_EQ(v->QueryInterface(IID_IVexoSetup, setup.put_void()), S_OK);
    std::wstring w(filesPath.begin(), filesPath.end());
    Bstr path(w.c_str());
    if (setup) {
        EXPECT_EQ(setup->put_VexoFilesPath(path.get()), S_OK);
    }
    return v;
}

Ptr<IVexo4> NewVexoWithEngine() { return NewVexo(EngineFolder()); }

ErrorInfo TakeErrorInfo() {
    ErrorInfo out;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return out;
    out.present = true;
    Bstr d, s;
    info->GetDescription(d.put());
    info->GetSource(s.put());
    info->GetGUID(&out.guid);
    out.description = d.str();
    out.source = s.str();
    info->Release();
    return out;
}

void SetRegistryEngine(const std::string& dir) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quarn\\Shared", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (dir.empty())
        RegDeleteValueA(key, "VexoAPI");
    else
        RegSetValueExA(key, "VexoAPI", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                       static_cast<DWORD>(dir.size() + 1));
    RegCloseKey(key);
}

}  // namespace servertest

namespace servertest {

LONG OwnedVariant::Long() const {
    switch (V_VT(&v_)) {
        case VT_I4: return V_I4(&v_);
        case VT_I2: return V_I2(&v_);
        case VT_BOOL: return V_BOOL(&v_);
        case VT_UI1: return V_UI1(&v_);
        default: return -99999;
    }
}

STDMETHODIMP LateBoundSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) {
        AddRef();
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) LateBoundSink::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP LateBoundSink::GetTypeInfoCount(UINT* n) {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
}

STDMETHODIMP LateBoundSink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP LateBoundSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    std::vector<VARIANT*> args;
    if (params)
        for (UINT i = params->cArgs; i-- > 0;) args.push_back(&params->rgvarg[i]);
    if (onEvent) onEvent(id, args);
    SinkEvent e;
    e.id = id;
    e.thread = GetCurrentThreadId();
    for (VARIANT* a : args) e.args.emplace_back(*a);
    events_.push_back(std::move(e));
    return S_OK;
}

size_t LateBoundSink::Count(DISPID id) const {
    size_t n = 0;
    for (const SinkEvent& e : events_) n += e.id == id ? 1 : 0;
    return n;
}

const SinkEvent* LateBoundSink::Last(DISPID id) const {
    for (auto it = events_.rbegin(); it != events_.rend(); ++it)
        if (it->id == id) return &*it;
    return nullptr;
}

void SetRefLong(VARIANT* arg, LONG value) {
    if (arg && V_VT(arg) == (VT_BYREF | VT_I4)) *V_I4REF(arg) = value;
}

void SetRefBool(VARIANT* arg, bool value) {
    if (arg && V_VT(arg) == (VT_BYREF | VT_BOOL)) *V_BOOLREF(arg) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

DWORD AdviseSink(IUnknown* source, REFIID events, IUnknown* sink) {
    Ptr<IConnectionPointContainer> container;
    if (!source || FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) return 0;
    Ptr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(events, point.put()))) return 0;
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink, &cookie))) return 0;
    return cookie;
}

void UnadviseSink(IUnknown* source, REFIID events, DWORD cookie) {
    Ptr<IConnectionPointContainer> container;
    if (!source || !cookie || FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.put_void())))
        return;
    Ptr<IConnectionPoint> point;
    if (SUCCEEDED(container->FindConnectionPoint(events, point.put()))) point->Unadvise(cookie);
}

}  // namespace servertest

#include "Child.h"

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "ComPtr.h"
#include "ForeignObjects.h"
#include "Members.h"
#include "ModuleFolder.h"
#include "Random.h"
#include "Values.h"
#include "Vexo.h"
#include "WinHandles.h"

using vexo::com::ComPtr;

namespace fuzz {
namespace {

// ---- the call log, also written by the crash filter --------------------------

HANDLE g_log = INVALID_HANDLE_VALUE;

void WriteLog(const std::string& line) {
    DWORD written = 0;
    // Written straight to the file: a crash right after keeps it.
    ::WriteFile(g_log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

DWORD g_mainThread = 0;

// The modules of the frames that led here, as module+offset.
std::string Frames() {
    void* frames[24] = {};
    const USHORT n = ::RtlCaptureStackBackTrace(1, 24, frames, nullptr);
    std::string out;
    for (USHORT i = 0; i < n; ++i) {
        HMODULE m = win::ModuleOf(frames[i]);
        char path[MAX_PATH] = "?";
        if (m) ::GetModuleFileNameA(m, path, sizeof path);
        const char* name = strrchr(path, '\\') ? strrchr(path, '\\') + 1 : path;
        char frame[96];
        snprintf(frame, sizeof frame, " %s+%llx", name,
                 static_cast<unsigned long long>(static_cast<char*>(frames[i]) - reinterpret_cast<char*>(m)));
        out += frame;
    }
    return out;
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* e) {
    char line[200];
    snprintf(line, sizeof line, "CRASH exception %08lx at %p on the %s thread, from",
             static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode), e->ExceptionRecord->ExceptionAddress,
             ::GetCurrentThreadId() == g_mainThread ? "client's" : "another");
    WriteLog(line + Frames() + "\n");
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

const char* FlagsName(WORD flags) {
    switch (flags) {
        case DISPATCH_METHOD: return "call";
        case DISPATCH_PROPERTYGET: return "get";
        case DISPATCH_PROPERTYPUT: return "put";
        case DISPATCH_PROPERTYPUTREF: return "putref";
        case DISPATCH_METHOD | DISPATCH_PROPERTYGET: return "call|get";
        default: return "flags?";
    }
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

template <class F>
bool PumpUntil(F done, DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        PumpMessages();
        if (done()) return true;
        if (::GetTickCount() - start > ms) return done();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// ---- the simulated engine's test exports ------------------------------------------

class Engine {
public:
    bool Load(const std::string& folder) {
        module_ = ::LoadLibraryA((folder + "\\VexoAPI.dll").c_str());
        return module_ != nullptr && Export("VexoSimGetCounter") && Export("VexoSimConfigure");
    }
    int Counter(const char* name) const {
        auto f = reinterpret_cast<int32_t(WINAPI*)(const char*)>(Export("VexoSimGetCounter"));
        return f ? f(name) : -1;
    }
    std::string Text(const char* name) const {
        auto f = reinterpret_cast<int32_t(WINAPI*)(const char*, char*, int32_t)>(Export("VexoSimGetText"));
        char buf[512] = {};
        if (!f || f(name, buf, sizeof buf) < 0) return "";
        return buf;
    }
    int Configure(const std::string& text) const {
        auto f = reinterpret_cast<int32_t(WINAPI*)(const char*)>(Export("VexoSimConfigure"));
        return f ? f(text.c_str()) : -1;
    }

private:
    void* Export(const char* name) const {
        return module_ ? reinterpret_cast<void*>(::GetProcAddress(module_, name)) : nullptr;
    }
    HMODULE module_ = nullptr;  // held to the end of the process: the counters outlive the server's unloads
};

// Two recorders whose images go into the scratch folder, block media in
// memory, a small disc, quick operations and a few questions during burns.
std::string EngineConfiguration(const std::string& scratch) {
    return "[Engine]\nInitResult=0\n[Errors]\nError=Simulated engine ready\n"
           "[Device]\nName=Quarn SimWriter CD-RW 52x\nHostAdapterName=SIM\nHostAdapter=1\nDeviceId=0\nDevType=1\n"
           "DriveLetter=R\nCapabilities=0xFFFF\nReadBase=176\nReadSpeeds=8,16,24\nWriteBase=176\nWriteSpeeds=4,8,16\n"
           "MediaSupport=0xF\nMediaReadSupport=0x1F\nBufferSize=2048\nOperationMs=1\nDaeChunkBlocks=50\n"
           "EraseTimeQuick=60\nEraseTimeFull=600\nWriteable=1\nFreeBlocks=300000\nArtist=Fuzz Artist\nTitle=Fuzz Disc\n"
           "EraseModes=3\nMediaType=1\nTotalCapacity=360000\n"
           "Track=1|1|2|0|150|2352|Fuzz Artist|One|FUZ000000001\nTrack=1|2|2|150|100|2352|Fuzz Artist|Two|FUZ000000002\n"
           "Recorder=" + scratch + "\\recorder0.iso\nAccessModes=0x3\nMedium=synthetic:4294968296\n"
           "[Device]\nName=Quarn SimWriter DVD-RW 16x\nHostAdapterName=SIM\nHostAdapter=1\nDeviceId=1\nDevType=1\n"
           "DriveLetter=none\nCapabilities=0x3FFFF\nReadBase=1385\nReadSpeeds=2,4\nWriteBase=1385\nWriteSpeeds=1,2\n"
           "MediaSupport=0xFFF\nMediaReadSupport=0x1FFF\nBufferSize=8192\nOperationMs=1\n"
           "Recorder=" + scratch + "\\recorder1\nAccessModes=0x7\nMedium=synthetic:100000\nVmsNextWritable=40000\n"
           "VmsSession=First backup|2024-05-17 10:20:30|20000\nVmsSession=Second backup|2024-06-01 18:05:00|40000\n"
           "[Burn]\nSteps=2\nStepMs=1\nAsk=2\nAsk=13:100,200\n"
           "[MediaNames]\n1=CD-R\n2=CD-RW\n";
}

// ---- the server ----------------------------------------------------------------

struct Server {
    HMODULE module = nullptr;
    HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* canUnloadNow)() = nullptr;

    bool Load(const std::string& folder) {
        module = ::LoadLibraryA((folder + "\\VexoCOM.dll").c_str());
        if (!module) return false;
        auto get = [&](const char* n) { return reinterpret_cast<void*>(::GetProcAddress(module, n)); };
        getClassObject = reinterpret_cast<decltype(getClassObject)>(get("DllGetClassObject"));
        canUnloadNow = reinterpret_cast<decltype(canUnloadNow)>(get("DllCanUnloadNow"));
        return getClassObject && canUnloadNow;
    }
};

struct CreatableClass {
    CLSID clsid;
    std::string name;
};

// ---- the objects the fuzzer holds ------------------------------------------------------

struct Held {
    ComPtr<IDispatch> object;
    std::string path;
    int depth = 0;
    bool root = false;
    const MemberTable* table = nullptr;
};

struct HeldEnum {
    ComPtr<IEnumVARIANT> e;
    std::string path;
};

struct Advice {
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
};

constexpr size_t kMaxHeld = 64;
constexpr int kMaxDepth = 4;

class Slice final : public ObjectSource {
public:
    Slice(const SliceOptions& o, std::string scratch, std::string program)
        : options_(o), scratch_(std::move(scratch)), program_(std::move(program)), values_(*this, Wide(scratch_)) {}
    ~Slice() override {
        ReleaseAll();
        if (sink_) sink_->Release();
        if (plain_) plain_->Release();
    }

    int Run();

    // ObjectSource
    IDispatch* AnyServerObject(Rng& rng, std::string& description) override {
        if (held_.empty()) return nullptr;
        const Held& h = held_[rng.Below(static_cast<uint32_t>(held_.size()))];
        description = h.path;
        return h.object.get();
    }
    IDispatch* ServerObjectFor(REFIID iid, Rng& rng, std::string& description) override {
        for (int tries = 0; tries < 12 && !held_.empty(); ++tries) {
            const Held& h = held_[rng.Below(static_cast<uint32_t>(held_.size()))];
            ComPtr<IUnknown> probe;
            if (SUCCEEDED(h.object->QueryInterface(iid, probe.put_void()))) {
                description = h.path;
                return h.object.get();
            }
        }
        return nullptr;
    }
    IDispatch* ForeignDispatch() override { return sink_; }
    IUnknown* ForeignUnknown() override { return plain_; }

private:
    bool Start();
    void StartEpoch(Rng& rng);
    bool EndEpoch(std::uint64_t first, std::uint64_t last);
    void ReleaseAll();
    // Objects returned by calls and carried by events wait here until the
    // call is over, so that the held objects never change under a call.
    void Offer(IDispatch* object, std::string path, int depth) {
        if (object && depth <= kMaxDepth) offered_.push_back({ComPtr<IDispatch>(object), std::move(path), depth});
    }
    void KeepOffered();
    void Keep(IDispatch* object, const std::string& path, int depth);

    void OneCall(std::uint64_t n);
    void CallMember(Rng& rng, Held& h);
    void CallUnknownMember(Rng& rng, Held& h);
    void AskNames(Rng& rng, Held& h);
    void UseEnumerator(Rng& rng);
    void UseConnectionPoints(Rng& rng, Held& h);
    void AskPlumbing(Rng& rng, Held& h);
    HRESULT Invoke(Held& h, DISPID id, const std::string& member, WORD flags, CallArguments& args, Rng& rng,
                   const Member* declared);

    void Log(std::uint64_t n, const std::string& path, const std::string& member, const std::string& rest) {
        WriteLog(std::to_string(n) + "\t" + path + "\t" + member + "\t" + rest + "\n");
    }
    void Finding(const std::string& text) { findings_.push_back(text); }
    void Note(const std::string& text) {
        if (notes_.size() < 200 || notes_.count(text)) ++notes_[text];
    }
    void WriteResult() const;

    SliceOptions options_;
    std::string scratch_, program_;
    ValueMaker values_;
    Engine engine_;
    Server server_;
    ComPtr<ITypeLib> typeLib_;
    std::vector<CreatableClass> classes_;
    MemberTables tables_;
    FuzzSink* sink_ = new FuzzSink;
    PlainUnknown* plain_ = new PlainUnknown;
    std::vector<Held> held_;
    std::vector<HeldEnum> enums_;
    std::vector<Advice> advice_;
    struct Offered {
        ComPtr<IDispatch> object;
        std::string path;
        int depth;
    };
    std::vector<Offered> offered_;
    std::uint64_t current_ = 0;  // the call being made (for objects kept from events)
    std::uint64_t calls_ = 0;
    std::vector<std::string> findings_;
    std::map<std::string, long> notes_;
    std::map<HRESULT, long> answers_;
};

bool Slice::Start() {
    if (!engine_.Load(program_ + "\\engine")) {
        Finding("setup: bin/engine/VexoAPI.dll could not be loaded");
        return false;
    }
    if (int warnings = engine_.Configure(EngineConfiguration(scratch_)); warnings != 0) {
        Finding("setup: the engine did not understand " + std::to_string(warnings) + " configuration lines");
        return false;
    }
    if (!server_.Load(program_)) {
        Finding("setup: VexoCOM.dll could not be loaded");
        return false;
    }
    // The forwarders' proxies are registered by the parent, once for all children.
    if (FAILED(::LoadTypeLibEx(Wide(program_ + "\\VexoCOM.dll").c_str(), REGKIND_NONE, typeLib_.put()))) {
        Finding("setup: the type library of VexoCOM.dll could not be loaded");
        return false;
    }
    for (UINT i = 0, n = typeLib_->GetTypeInfoCount(); i < n; ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(typeLib_->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attr)) || !attr) continue;
        if (attr->typekind == TKIND_COCLASS && (attr->wTypeFlags & TYPEFLAG_FCANCREATE)) {
            BSTR name = nullptr;
            info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
            classes_.push_back({attr->guid, name ? Narrow(name) : "?"});
            ::SysFreeString(name);
        }
        info->ReleaseTypeAttr(attr);
    }
    if (classes_.empty()) {
        Finding("setup: the type library lists no creatable class");
        return false;
    }
    sink_->offer = [this](IDispatch* object, DISPID event) {
        Offer(object, "event" + std::to_string(event) + "@" + std::to_string(current_), 2);
    };
    return true;
}

void Slice::KeepOffered() {
    std::vector<Offered> offered;
    offered.swap(offered_);
    for (Offered& o : offered) Keep(o.object.get(), o.path, o.depth);
}

void Slice::Keep(IDispatch* object, const std::string& path, int depth) {
    if (!object || depth > kMaxDepth) return;
    // The fuzzer's own objects come back where the server keeps what it was given.
    ComPtr<IUnknown> identity, sink, plain;
    object->QueryInterface(IID_IUnknown, identity.put_void());
    sink_->QueryInterface(IID_IUnknown, sink.put_void());
    plain_->QueryInterface(IID_IUnknown, plain.put_void());
    if (identity.get() == sink.get() || identity.get() == plain.get()) return;
    Held h;
    h.object = ComPtr<IDispatch>(object);
    h.path = path;
    h.depth = depth;
    h.table = tables_.OfObject(object);
    if (held_.size() < kMaxHeld) {
        held_.push_back(std::move(h));
        return;
    }
    // Full: a kept object that is not a class's own instance makes room.
    Rng rng = Rng::ForCall(options_.seed ^ 0x5EED, current_ + held_.size());
    for (int tries = 0; tries < 8; ++tries) {
        Held& victim = held_[rng.Below(static_cast<uint32_t>(held_.size()))];
        if (!victim.root) {
            victim = std::move(h);
            return;
        }
    }
}

void Slice::StartEpoch(Rng& rng) {
    for (const CreatableClass& c : classes_) {
        ComPtr<IClassFactory> factory;
        ComPtr<IDispatch> object;
        if (FAILED(server_.getClassObject(c.clsid, IID_IClassFactory, factory.put_void())) ||
            FAILED(factory->CreateInstance(nullptr, IID_IDispatch, object.put_void())) || !object) {
            Finding("class " + c.name + " could not be created");
            continue;
        }
        ComPtr<IVexoSetup> setup;
        if (SUCCEEDED(object->QueryInterface(IID_IVexoSetup, setup.put_void()))) {
            BSTR path = ::SysAllocString(Wide(program_ + "\\engine").c_str());
            setup->put_VexoFilesPath(path);
            ::SysFreeString(path);
        }
        // Most sources get the fuzzer's sink; the others run without one.
        ComPtr<IConnectionPointContainer> container;
        if (rng.Percent(75) && SUCCEEDED(object->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) {
            ComPtr<IEnumConnectionPoints> points;
            if (SUCCEEDED(container->EnumConnectionPoints(points.put())) && points) {
                ComPtr<IConnectionPoint> point;
                while (points->Next(1, point.put(), nullptr) == S_OK && point) {
                    Advice a;
                    a.point = point;
                    if (SUCCEEDED(point->Advise(static_cast<IDispatch*>(sink_), &a.cookie))) advice_.push_back(a);
                }
            }
        }
        Keep(object.get(), c.name, 0);
        held_.back().root = true;
    }
}

void Slice::ReleaseAll() {
    for (Advice& a : advice_)
        if (a.point && a.cookie) a.point->Unadvise(a.cookie);
    advice_.clear();
    enums_.clear();
    held_.clear();
    offered_.clear();
}

bool Slice::EndEpoch(std::uint64_t first, std::uint64_t last) {
    WriteLog("epoch-end " + std::to_string(first) + ".." + std::to_string(last) + "\n");
    // End what runs: the engine object's Abort and abort answers to progress events.
    sink_->aborting = true;
    for (Held& h : held_) {
        if (!h.table) continue;
        for (const Member& m : h.table->members) {
            if (m.name != "Abort" || !m.params.empty()) continue;
            DISPPARAMS none{};
            h.object->Invoke(m.id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
        }
    }
    ReleaseAll();
    const bool unloaded =
        PumpUntil([&] { return server_.canUnloadNow() == S_OK; }, options_.settleSeconds * 1000u);
    sink_->aborting = false;
    const std::string range = " (calls " + std::to_string(first) + ".." + std::to_string(last) + ", seed " +
                              std::to_string(options_.seed) + ")";
    bool clean = true;
    if (!unloaded) {
        Finding("leak: DllCanUnloadNow still answers S_FALSE after everything was released" + range);
        clean = false;
    }
    // The engine is given back on the client's thread when the last object goes.
    if (unloaded && !PumpUntil([&] { return engine_.Counter("init.active") == 0; }, 10000)) {
        Finding("leak: the engine is still initialised after the server could unload" + range);
        clean = false;
    }
    if (int n = engine_.Counter("outstanding"); n != 0) {
        Finding("leak: the engine reports " + std::to_string(n) + " outstanding allocations" + range);
        clean = false;
    }
    if (int n = engine_.Counter("check.failures"); n != 0) {
        Finding("engine check failures: " + std::to_string(n) + ", the last: " + engine_.Text("check.last") + range);
        clean = false;
    }
    if (int n = engine_.Counter("free.bad"); n != 0) {
        Finding("engine bad frees: " + std::to_string(n) + range);
        clean = false;
    }
    // Counters start afresh for the next epoch.
    engine_.Configure(EngineConfiguration(scratch_));
    return clean;
}

int Slice::Run() {
    const DWORD started = ::GetTickCount();
    if (!Start()) {
        WriteResult();
        return 4;
    }
    held_.reserve(kMaxHeld);
    std::uint64_t epochFirst = 0;
    Rng epochRng = Rng::ForCall(options_.seed, ~0ull);
    StartEpoch(epochRng);
    for (std::uint64_t n = 0; n < options_.count; ++n) {
        if (n > epochFirst && n % options_.epoch == 0) {
            if (!EndEpoch(epochFirst, n - 1)) break;
            epochFirst = n;
            epochRng = Rng::ForCall(options_.seed, ~n);
            StartEpoch(epochRng);
        }
        current_ = n;
        OneCall(n);
        ++calls_;
        PumpMessages();
        KeepOffered();
    }
    if (findings_.empty()) EndEpoch(epochFirst, calls_ ? calls_ - 1 : 0);
    ReleaseAll();
    WriteLog("slice-end " + std::to_string(calls_) + " calls in " + std::to_string(::GetTickCount() - started) +
             " ms\n");
    WriteResult();
    return findings_.empty() ? 0 : 2;
}

void Slice::OneCall(std::uint64_t n) {
    Rng rng = Rng::ForCall(options_.seed, n);
    if (held_.empty()) return;
    Held& h = held_[rng.Below(static_cast<uint32_t>(held_.size()))];
    const unsigned what = rng.Below(100);
    if (what < 84)
        CallMember(rng, h);
    else if (what < 88)
        CallUnknownMember(rng, h);
    else if (what < 92)
        AskNames(rng, h);
    else if (what < 95)
        UseEnumerator(rng);
    else if (what < 97)
        UseConnectionPoints(rng, h);
    else
        AskPlumbing(rng, h);
}

HRESULT Slice::Invoke(Held& h, DISPID id, const std::string& member, WORD flags, CallArguments& args, Rng& rng,
                      const Member* declared) {
    const bool wantResult = rng.Percent(90), wantExcep = rng.Percent(90), wantArgErr = rng.Percent(90);
    Log(current_, h.path, member, std::string(FlagsName(flags)) + "\t" + args.Describe() +
                                      (wantResult ? "" : " no-result") + (wantExcep ? "" : " no-excepinfo"));
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO excep{};
    UINT argErr = 0;
    const HRESULT hr = h.object->Invoke(id, IID_NULL, 0, flags, args.Params(), wantResult ? &result : nullptr,
                                        wantExcep ? &excep : nullptr, wantArgErr ? &argErr : nullptr);
    ++answers_[hr];
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    ::SysFreeString(excep.bstrSource);
    ::SysFreeString(excep.bstrDescription);
    ::SysFreeString(excep.bstrHelpFile);

    // Doubtful answers: success with nothing where the member declares a result.
    if (hr == S_OK && declared && declared->returnsValue && wantResult && flags == declared->kind) {
        const VARTYPE want = declared->result.vt;
        if (V_VT(&result) == VT_EMPTY && want != VT_VARIANT && want != VT_EMPTY)
            Note("S_OK with no result from " + (h.table ? h.table->typeName : std::string("?")) + "." + member);
        if ((V_VT(&result) == VT_DISPATCH || V_VT(&result) == VT_UNKNOWN) && !V_UNKNOWN(&result))
            Note("S_OK with a null object from " + (h.table ? h.table->typeName : std::string("?")) + "." + member);
    }
    const std::string path = h.path + "." + member;
    const int depth = h.depth + 1;
    if (V_VT(&result) == VT_DISPATCH && V_DISPATCH(&result)) {
        Offer(V_DISPATCH(&result), path, depth);
    } else if (V_VT(&result) == VT_UNKNOWN && V_UNKNOWN(&result)) {
        ComPtr<IEnumVARIANT> e;
        ComPtr<IDispatch> d;
        if (SUCCEEDED(V_UNKNOWN(&result)->QueryInterface(IID_IEnumVARIANT, e.put_void())) && enums_.size() < 16)
            enums_.push_back({e, path});
        else if (SUCCEEDED(V_UNKNOWN(&result)->QueryInterface(IID_IDispatch, d.put_void())))
            Offer(d.get(), path, depth);
    }
    ::VariantClear(&result);
    for (IDispatch* d : args.ReturnedObjects()) {
        Offer(d, path + "(out)", depth);
        d->Release();
    }
    return hr;
}

void Slice::CallMember(Rng& rng, Held& h) {
    if (!h.table || h.table->members.empty()) return CallUnknownMember(rng, h);
    const Member& m = h.table->members[rng.Below(static_cast<uint32_t>(h.table->members.size()))];
    WORD flags = m.kind;
    if (rng.Percent(12))
        flags = rng.Pick<WORD>({DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF,
                                DISPATCH_METHOD | DISPATCH_PROPERTYGET, 0, 0x30});
    const size_t declared = m.params.size();
    size_t given = declared;
    if (rng.Percent(15)) {
        // Too few or too many.
        const int delta = static_cast<int>(rng.Below(5)) - 2;
        given = static_cast<size_t>(std::max(0, static_cast<int>(declared) + delta));
    } else if (declared && m.params.back().optional && rng.Percent(40)) {
        while (given > 0 && m.params[given - 1].optional && rng.Percent(60)) --given;
    }
    CallArguments args;
    for (size_t i = 0; i < given; ++i) {
        if (i < declared)
            values_.Plausible(m.params[i], rng, args);
        else
            values_.AnyValue(rng, args);
    }
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && given > 0 && rng.Percent(92)) {
        args.SetNamed({DISPID_PROPERTYPUT});
    } else if (given > 0 && rng.Percent(6)) {
        std::vector<DISPID> named;
        const unsigned k = 1 + rng.Below(static_cast<uint32_t>(given));
        for (unsigned i = 0; i < k; ++i)
            named.push_back(rng.Percent(70) ? static_cast<DISPID>(rng.Below(static_cast<uint32_t>(declared + 1)))
                                            : rng.Pick<DISPID>({DISPID_PROPERTYPUT, -1, 999, 0x7FFFFFFF}));
        args.SetNamed(std::move(named));
    }
    Invoke(h, m.id, m.name, flags, args, rng, &m);
}

void Slice::CallUnknownMember(Rng& rng, Held& h) {
    DISPID id = 0;
    for (int tries = 0; tries < 8; ++tries) {
        id = rng.Pick<DISPID>({static_cast<DISPID>(1000 + rng.Below(100000)), -1, -2, -5, 0x7FFFFFFF,
                               static_cast<DISPID>(0x80000000u), static_cast<DISPID>(rng.Below(64)), 0x60020000});
        bool known = false;
        if (h.table)
            for (const Member& m : h.table->members) known = known || m.id == id;
        if (!known) break;
    }
    const WORD flags = rng.Pick<WORD>({DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                                       DISPATCH_PROPERTYPUTREF, DISPATCH_METHOD | DISPATCH_PROPERTYGET});
    CallArguments args;
    for (unsigned i = 0, n = rng.Below(4); i < n; ++i) values_.AnyValue(rng, args);
    if ((flags & DISPATCH_PROPERTYPUT) && args.Count()) args.SetNamed({DISPID_PROPERTYPUT});
    bool known = false;
    if (h.table)
        for (const Member& m : h.table->members) known = known || m.id == id;
    const HRESULT hr = Invoke(h, id, "#" + std::to_string(id), flags, args, rng, nullptr);
    if (!known && SUCCEEDED(hr))
        Note("a member the type information does not list answered success: " +
             (h.table ? h.table->typeName : std::string("?")) + " #" + std::to_string(id));
}

void Slice::AskNames(Rng& rng, Held& h) {
    std::vector<std::wstring> names;
    const unsigned count = rng.Below(4);
    for (unsigned i = 0; i < std::max(count, 1u); ++i) {
        std::wstring n;
        if (h.table && !h.table->members.empty() && rng.Percent(50)) {
            n = Wide(h.table->members[rng.Below(static_cast<uint32_t>(h.table->members.size()))].name);
            if (rng.Percent(30))
                for (auto& c : n) c = static_cast<wchar_t>(rng.Percent(50) ? towupper(c) : towlower(c));
        } else {
            std::string d;
            BSTR b = values_.Text(rng, d);
            n = b ? std::wstring(b, ::SysStringLen(b)) : L"";
            ::SysFreeString(b);
            if (n.size() > 4096) n.resize(4096);
        }
        names.push_back(n);
    }
    std::vector<LPOLESTR> pointers;
    for (auto& n : names) pointers.push_back(n.data());
    std::vector<DISPID> ids(pointers.size() + 1, 0);
    const bool foreignIid = rng.Percent(5);
    std::string shown;
    for (auto& n : names) shown += (shown.empty() ? "" : ",") + Narrow(n.substr(0, 24));
    Log(current_, h.path, "GetIDsOfNames", std::to_string(count) + "\t" + shown + (foreignIid ? " iid" : ""));
    const HRESULT hr = h.object->GetIDsOfNames(foreignIid ? IID_IDispatch : IID_NULL, pointers.data(), count, 0,
                                               ids.data());
    ++answers_[hr];
    if (hr == S_OK && count > 0) {
        CallArguments args;
        for (unsigned i = 0, n = rng.Below(3); i < n; ++i) values_.AnyValue(rng, args);
        const Member* declared = nullptr;
        if (h.table)
            for (const Member& m : h.table->members)
                if (m.id == ids[0] && m.kind == DISPATCH_METHOD) declared = &m;
        Invoke(h, ids[0], "byname:" + Narrow(names[0]), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, rng, declared);
    }
}

void Slice::UseEnumerator(Rng& rng) {
    if (enums_.empty()) return;
    HeldEnum& he = enums_[rng.Below(static_cast<uint32_t>(enums_.size()))];
    switch (rng.Below(5)) {
        case 0:
        case 1: {
            const ULONG n = rng.Pick<ULONG>({0, 1, 1, 2, 5, 1000});
            std::vector<VARIANT> out(n ? n : 1);
            for (VARIANT& v : out) ::VariantInit(&v);
            ULONG fetched = 0;
            const bool countNull = n == 1 && rng.Percent(50);
            Log(current_, he.path, "IEnumVARIANT.Next", std::to_string(n));
            const HRESULT hr = he.e->Next(n, out.data(), countNull ? nullptr : &fetched);
            ++answers_[hr];
            if (!countNull && fetched > n) Finding("IEnumVARIANT.Next of " + he.path + " fetched more than asked");
            for (VARIANT& v : out) {
                if (V_VT(&v) == VT_DISPATCH && V_DISPATCH(&v)) Offer(V_DISPATCH(&v), he.path + "[i]", 2);
                ::VariantClear(&v);
            }
            break;
        }
        case 2: {
            const ULONG n = rng.Pick<ULONG>({0, 1, 3, 0x7FFFFFFF, 0xFFFFFFFF});
            Log(current_, he.path, "IEnumVARIANT.Skip", std::to_string(n));
            ++answers_[he.e->Skip(n)];
            break;
        }
        case 3:
            Log(current_, he.path, "IEnumVARIANT.Reset", "");
            ++answers_[he.e->Reset()];
            break;
        default: {
            ComPtr<IEnumVARIANT> clone;
            Log(current_, he.path, "IEnumVARIANT.Clone", "");
            const HRESULT hr = he.e->Clone(clone.put());
            ++answers_[hr];
            if (hr == S_OK && !clone) Finding("IEnumVARIANT.Clone of " + he.path + " answered S_OK with no clone");
            if (clone && enums_.size() < 16) enums_.push_back({clone, he.path + ".Clone"});
            break;
        }
    }
}

void Slice::UseConnectionPoints(Rng& rng, Held& h) {
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(h.object->QueryInterface(IID_IConnectionPointContainer, container.put_void()))) return;
    ComPtr<IConnectionPoint> point;
    if (rng.Percent(50)) {
        ComPtr<IEnumConnectionPoints> points;
        Log(current_, h.path, "EnumConnectionPoints", "");
        const HRESULT hr = container->EnumConnectionPoints(points.put());
        ++answers_[hr];
        if (hr == S_OK && !points) Finding("EnumConnectionPoints of " + h.path + " answered S_OK with no enumerator");
        if (points) {
            points->Skip(rng.Below(2));
            points->Next(1, point.put(), nullptr);
        }
    } else {
        const IID iid = rng.Pick<IID>({IID_IDispatch, IID_IUnknown, DIID__IVexoEvents, DIID__IVexoDriveEvents,
                                       DIID__IVexoAudioTrackEvents, DIID__IVexoFileProducerEvents});
        Log(current_, h.path, "FindConnectionPoint", "");
        ++answers_[container->FindConnectionPoint(iid, point.put())];
    }
    if (!point) return;
    IID iid{};
    point->GetConnectionInterface(&iid);
    ComPtr<IConnectionPointContainer> back;
    if (point->GetConnectionPointContainer(back.put()) == S_OK && !back)
        Finding("GetConnectionPointContainer of " + h.path + " answered S_OK with none");
    switch (rng.Below(3)) {
        case 0: {
            IUnknown* sink = rng.Pick<IUnknown*>({static_cast<IDispatch*>(sink_), plain_, nullptr});
            DWORD cookie = 0;
            Log(current_, h.path, "Advise", sink == plain_ ? "plain" : sink ? "sink" : "null");
            const HRESULT hr = point->Advise(sink, &cookie);
            ++answers_[hr];
            if (SUCCEEDED(hr)) {
                if (cookie == 0) Finding("Advise on " + h.path + " succeeded with cookie 0");
                advice_.push_back({point, cookie});
            }
            break;
        }
        case 1: {
            const DWORD cookie = rng.Pick<DWORD>({0, 1, 2, 0xFFFFFFFF, rng.Below(1000)});
            Log(current_, h.path, "Unadvise", std::to_string(cookie));
            ++answers_[point->Unadvise(cookie)];
            for (auto it = advice_.begin(); it != advice_.end(); ++it)
                if (it->point.get() == point.get() && it->cookie == cookie) {
                    advice_.erase(it);
                    break;
                }
            break;
        }
        default: {
            ComPtr<IEnumConnections> connections;
            Log(current_, h.path, "EnumConnections", "");
            if (SUCCEEDED(point->EnumConnections(connections.put())) && connections) {
                CONNECTDATA data[4]{};
                ULONG fetched = 0;
                if (SUCCEEDED(connections->Next(4, data, &fetched)))
                    for (ULONG i = 0; i < fetched && i < 4; ++i)
                        if (data[i].pUnk) data[i].pUnk->Release();
            }
            break;
        }
    }
}

void Slice::AskPlumbing(Rng& rng, Held& h) {
    switch (rng.Below(4)) {
        case 0: {
            UINT n = 99;
            Log(current_, h.path, "GetTypeInfoCount", "");
            if (h.object->GetTypeInfoCount(&n) == S_OK && n > 1) Finding(h.path + " says it has " + std::to_string(n) + " type infos");
            break;
        }
        case 1: {
            const UINT index = rng.Pick<UINT>({0, 1, 0xFFFFFFFF});
            ComPtr<ITypeInfo> info;
            Log(current_, h.path, "GetTypeInfo", std::to_string(index));
            const HRESULT hr = h.object->GetTypeInfo(index, 0, info.put());
            ++answers_[hr];
            if (hr == S_OK && !info) Finding("GetTypeInfo of " + h.path + " answered S_OK with none");
            break;
        }
        case 2: {
            ComPtr<ISupportErrorInfo> support;
            Log(current_, h.path, "InterfaceSupportsErrorInfo", "");
            if (SUCCEEDED(h.object->QueryInterface(IID_ISupportErrorInfo, support.put_void())))
                ++answers_[support->InterfaceSupportsErrorInfo(rng.Pick<IID>({IID_IDispatch, IID_NULL, IID_IVexo4}))];
            break;
        }
        default: {
            const IID iid = rng.Pick<IID>({IID_IProvideClassInfo, IID_IPersist, IID_IMarshal,
                                           IID_IConnectionPointContainer, IID_IVexoSetup, IID_IEnumVARIANT,
                                           IID_IVexoDrive5, IID_IVexoFileSystemBlockWriter});
            ComPtr<IUnknown> probe;
            Log(current_, h.path, "QueryInterface", "");
            const HRESULT hr = h.object->QueryInterface(iid, probe.put_void());
            ++answers_[hr];
            if (hr == S_OK && !probe) Finding("QueryInterface of " + h.path + " answered S_OK with no pointer");
            break;
        }
    }
}

void Slice::WriteResult() const {
    FILE* f = fopen(options_.result.c_str(), "w");
    if (!f) return;
    fprintf(f, "calls=%llu\n", static_cast<unsigned long long>(calls_));
    for (const std::string& s : findings_) fprintf(f, "finding=%s\n", s.c_str());
    for (const auto& [text, n] : notes_) fprintf(f, "note=%s (%ld times)\n", text.c_str(), n);
    for (const auto& [hr, n] : answers_) fprintf(f, "hr=%08lx %ld\n", static_cast<unsigned long>(hr), n);
    fclose(f);
}

}  // namespace

int RunSlice(const SliceOptions& options) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    g_log = ::CreateFileA(options.log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_log == INVALID_HANDLE_VALUE) return 4;
    g_mainThread = ::GetCurrentThreadId();
    ::SetUnhandledExceptionFilter(CrashFilter);
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 4;
    char folder[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryA(sizeof folder, folder);
    int code;
    {
        Slice slice(options, folder, win::ProgramFolder());
        code = slice.Run();
    }
    ::CoUninitialize();
    ::CloseHandle(g_log);
    return code;
}

}  // namespace fuzz

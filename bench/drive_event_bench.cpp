// drive_event_bench [ROUNDS [BURNS [CALLS]]]: how many OnProgress events per
// second reach a late-bound sink during an image burn on the simulated
// engine, against two references measured in the same round:
//   - an empty call through the same marshalled forwarder interface
//     (__IVexoDriveEvents__, the server's own proxy/stub code) from a worker
//     apartment into this one;
//   - a plain marshalled IDispatch::Invoke with one argument on the sink
//     itself, fetched from the global interface table in a worker apartment
//     (Wine's own IDispatch proxy): the least one event can cost.
// Every round runs all three; printed are the medians of the rounds' rates
// and ratios with their spread (lowest to highest). Asserts nothing. Run
// from the program folder (VexoCOM.dll, engine\VexoAPI.dll).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchCom.h"
#include "Vexo.h"

namespace {

using bench::ProgramFolder;
using bench::Ref;
using Clock = std::chrono::steady_clock;

// Counts what it receives; no type information, like a script host.
class CountingSink final : public IDispatch {
public:
    long progress = 0;
    bool done = false;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) ? static_cast<IDispatch*>(this)
                                                                                     : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == 1) ++progress;
        if (id == 8) done = true;
        return S_OK;
    }
};

// Every forwarder method does nothing.
class EmptyForwarder final : public __IVexoDriveEvents__ {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID___IVexoDriveEvents__))
                   ? static_cast<__IVexoDriveEvents__*>(this)
                   : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnProgress(LONG, VARIANT_BOOL*) override { return S_OK; }
    STDMETHODIMP OnAddLogLine(LONG, BSTR) override { return S_OK; }
    STDMETHODIMP OnSetPhase(BSTR) override { return S_OK; }
    STDMETHODIMP OnDisableAbort(VARIANT_BOOL) override { return S_OK; }
    STDMETHODIMP OnWriteDAE(LONG, VARIANT) override { return S_OK; }
    STDMETHODIMP OnDoneDAE(VARIANT_BOOL) override { return S_OK; }
    STDMETHODIMP OnDoneErase(VARIANT_BOOL) override { return S_OK; }
    STDMETHODIMP OnDoneBurn(VEXO_BURN_ERROR) override { return S_OK; }
    STDMETHODIMP OnAborted(VARIANT_BOOL*) override { return S_OK; }
    STDMETHODIMP OnDoneImport(VARIANT_BOOL, IVexoFolder*, IVexoCDStamp*) override { return S_OK; }
    STDMETHODIMP OnMajorPhase(LONG) override { return S_OK; }
    STDMETHODIMP OnSubTaskProgress(LONG, VARIANT_BOOL*) override { return S_OK; }
    STDMETHODIMP OnDoneWaitForMedia(LONG) override { return S_OK; }
    STDMETHODIMP OnDoneCDInfo(IVexoCDInfo2*) override { return S_OK; }
    STDMETHODIMP OnDoneImport2(VARIANT_BOOL, IVexoFolder*, IVexoCDStamp*, IVexoImportDataTrackInfo*,
                               VEXO_IMPORT_DATA_TRACK_RESULT) override {
        return S_OK;
    }
    STDMETHODIMP OnDriveStatusChanged(VEXO_DRIVESTATUS_RESULT) override { return S_OK; }
    STDMETHODIMP OnDoneEstimateTrackSize(VARIANT_BOOL, LONG) override { return S_OK; }
    STDMETHODIMP OnDoneBAOCreateHandle(VEXO_BURN_ERROR) override { return S_OK; }
    STDMETHODIMP OnDoneBAOWriteToFile(VEXO_BURN_ERROR, LONG) override { return S_OK; }
    STDMETHODIMP OnDoneBAOCloseHandle(VEXO_BURN_ERROR) override { return S_OK; }
};

struct CallerArgs {
    DWORD cookie;
    long calls;
    bool plainInvoke;  // IDispatch::Invoke on the sink, else the empty forwarder's OnMajorPhase
    double seconds = 0;
    volatile LONG finished = 0;
};

DWORD WINAPI Caller(void* param) {
    auto* a = static_cast<CallerArgs*>(param);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Ref<IGlobalInterfaceTable> git;
        CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalInterfaceTable,
                         reinterpret_cast<void**>(git.put()));
        if (a->plainInvoke) {
            Ref<IDispatch> d;
            if (git.p && SUCCEEDED(git->GetInterfaceFromGlobal(a->cookie, IID_IDispatch,
                                                               reinterpret_cast<void**>(d.put())))) {
                auto t0 = Clock::now();
                for (long i = 0; i < a->calls; ++i) {
                    VARIANT arg;
                    VariantInit(&arg);
                    V_VT(&arg) = VT_I4;
                    V_I4(&arg) = i;
                    DISPPARAMS params = {&arg, nullptr, 1, 0};
                    d->Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
                }
                a->seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            }
        } else {
            Ref<__IVexoDriveEvents__> f;
            if (git.p && SUCCEEDED(git->GetInterfaceFromGlobal(a->cookie, IID___IVexoDriveEvents__,
                                                               reinterpret_cast<void**>(f.put())))) {
                auto t0 = Clock::now();
                for (long i = 0; i < a->calls; ++i) f->OnMajorPhase(i);
                a->seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            }
        }
    }
    CoUninitialize();
    InterlockedExchange(&a->finished, 1);
    return 0;
}

template <class F>
void PumpUntil(F done) {
    while (!done()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

int Fail(const char* what, HRESULT hr) { return bench::Fail("drive_event_bench", what, hr); }

// Calls from a worker apartment to `object` (registered in the global
// interface table as `iid` for the run) per second.
double MarshalledCallRate(IUnknown* object, REFIID iid, bool plainInvoke, long calls) {
    Ref<IGlobalInterfaceTable> git;
    CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IGlobalInterfaceTable,
                     reinterpret_cast<void**>(git.put()));
    CallerArgs args{0, calls, plainInvoke};
    if (!git.p || FAILED(git->RegisterInterfaceInGlobal(object, iid, &args.cookie))) return 0;
    HANDLE t = CreateThread(nullptr, 0, &Caller, &args, 0, nullptr);
    if (t) {
        PumpUntil([&] { return args.finished != 0; });
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    git->RevokeInterfaceFromGlobal(args.cookie);
    return args.seconds > 0 ? calls / args.seconds : 0;
}

struct Spread {
    double median, low, high;
};

Spread Summary(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}

void Print(const char* what, const std::vector<double>& values, const char* format) {
    const Spread s = Summary(values);
    std::printf("%-58s ", what);
    std::printf(format, s.median);
    std::printf("  (spread ");
    std::printf(format, s.low);
    std::printf(" to ");
    std::printf(format, s.high);
    std::printf(")\n");
}

}  // namespace

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::max(1L, std::atol(argv[1])) : 15;
    const long burns = argc > 2 ? std::max(1L, std::atol(argv[2])) : 1;
    const long calls = argc > 3 ? std::max(1L, std::atol(argv[3])) : 1000;
    const long steps = 1000;  // the most the simulated engine takes
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string folder = ProgramFolder();
    if (const char* failed = bench::StartServer("[Burn]\nSteps=" + std::to_string(steps) + "\nStepMs=0\n"))
        return Fail(failed, E_FAIL);

    std::vector<double> events, empty, plain, toEmpty, toPlain;
    {
        Ref<IVexo4> vexo;
        HRESULT hr = CoCreateInstance(CLSID_Vexo, nullptr, CLSCTX_INPROC_SERVER, IID_IVexo4,
                                      reinterpret_cast<void**>(vexo.put()));
        if (FAILED(hr)) return Fail("creating Vexo", hr);
        Ref<IVexoSetup> setup;
        vexo->QueryInterface(IID_IVexoSetup, reinterpret_cast<void**>(setup.put()));
        std::wstring enginePath(folder.begin(), folder.end());
        enginePath += L"\\engine";
        BSTR path = SysAllocString(enginePath.c_str());
        if (setup.p) setup->put_VexoFilesPath(path);
        SysFreeString(path);
        Ref<IVexoDrives> drives;
        if (FAILED(hr = vexo->GetDrives(VEXO_MEDIA_ANY, drives.put()))) return Fail("GetDrives", hr);
        Ref<IVexoDrive5> drive;
        if (FAILED(hr = drives->Item(0, drive.put()))) return Fail("drive 0", hr);
        Ref<IConnectionPointContainer> cpc;
        drive->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.put()));
        Ref<IConnectionPoint> cp;
        if (!cpc.p || FAILED(cpc->FindConnectionPoint(DIID__IVexoDriveEvents, cp.put()))) return Fail("events", E_FAIL);
        CountingSink sink;
        DWORD cookie = 0;
        if (FAILED(hr = cp->Advise(&sink, &cookie))) return Fail("Advise", hr);
        EmptyForwarder forwarder;
        BSTR image = SysAllocString(L"bench.iso");
        for (long r = 0; r < rounds; ++r) {
            sink.progress = 0;
            auto t0 = Clock::now();
            for (long b = 0; b < burns; ++b) {
                sink.done = false;
                hr = drive->BurnImage(image, static_cast<VEXO_BURN_FLAGS>(0), 0);
                if (FAILED(hr)) break;
                PumpUntil([&] { return sink.done; });
            }
            if (FAILED(hr)) break;
            const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
            events.push_back(sink.progress / seconds);
            empty.push_back(MarshalledCallRate(&forwarder, IID___IVexoDriveEvents__, false, calls));
            plain.push_back(MarshalledCallRate(&sink, IID_IDispatch, true, calls));
            toEmpty.push_back(empty.back() > 0 ? events.back() / empty.back() : 0);
            toPlain.push_back(plain.back() > 0 ? events.back() / plain.back() : 0);
        }
        SysFreeString(image);
        if (FAILED(hr)) return Fail("BurnImage", hr);
        cp->Unadvise(cookie);
    }
    std::printf("drive events: %ld rounds of %ld burns of %ld steps (StepMs=0) and %ld calls of each reference; "
                "medians and spreads\n", rounds, burns, steps, calls);
    Print("OnProgress events per second", events, "%.0f");
    Print("empty forwarder calls per second (worker to this apartment)", empty, "%.0f");
    Print("plain marshalled Invoke, one argument, per second", plain, "%.0f");
    Print("ratio OnProgress events / empty forwarder calls", toEmpty, "%.3f");
    Print("ratio OnProgress events / plain marshalled Invoke", toPlain, "%.3f");
    std::printf("figure progress_per_s %.1f\nfigure empty_calls_per_s %.1f\nfigure invoke_per_s %.1f\n",
                Summary(events).median, Summary(empty).median, Summary(plain).median);
    std::printf("figure events_to_invoke %.4f\n", Summary(toPlain).median);
    CoUninitialize();
    return 0;
}

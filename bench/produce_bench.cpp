// produce_bench [MB [RUNS]]: the rate at which a file produced by the
// client reaches the image: a file-system container holding one produced
// file of MB megabytes, burnt with BurnFileSystemContent to the simulated
// engine's image recorder while an OnProduceFile handler writes it in 1 MiB
// byte arrays, against WriteFile of the same bytes in the same pieces to a
// file, in the same round. Printed are the medians of RUNS rounds with
// their spread; asserts nothing. Run from the program folder (VexoCOM.dll,
// engine\VexoAPI.dll).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchCom.h"
#include "Vexo.h"

namespace {

using bench::Bstr;
using bench::Make;
using bench::Print;
using bench::ProgramFolder;
using bench::Pump;
using bench::Ref;
using Clock = std::chrono::steady_clock;

constexpr LONG kPiece = 1 << 20;

// The drive's sink (notes the end of the burn) and the producer's (writes
// `bytes` in pieces of one prepared array).
class Sink final : public IDispatch {
public:
    bool producer = false;
    bool done = false;
    long result = -1;
    ULONGLONG bytes = 0;
    VARIANT piece{};

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) ? static_cast<IDispatch*>(this) : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        if (producer) {
            // OnProduceFile(id, stream, error): arguments last first.
            if (id != 1 || !p || p->cArgs != 3 || V_VT(&p->rgvarg[1]) != (VT_BYREF | VT_DISPATCH)) return S_OK;
            Ref<IVexoDataInputStream2> stream;
            IDispatch* d = *V_DISPATCHREF(&p->rgvarg[1]);
            if (!d || FAILED(d->QueryInterface(IID_IVexoDataInputStream2, reinterpret_cast<void**>(stream.put()))))
                return S_OK;
            for (ULONGLONG done = 0; done < bytes;) {
                const LONG n = static_cast<LONG>(std::min<ULONGLONG>(kPiece, bytes - done));
                if (FAILED(stream->Write(piece, n))) break;
                done += static_cast<ULONGLONG>(n);
            }
            return S_OK;
        }
        if (id == 8 && p && p->cArgs == 1) {  // OnDoneBurn
            VARIANT v;
            VariantInit(&v);
            if (SUCCEEDED(VariantChangeType(&v, &p->rgvarg[0], 0, VT_I4))) result = v.lVal;
            done = true;
        }
        return S_OK;
    }
};

DWORD Advise(IUnknown* source, REFIID events, IDispatch* sink) {
    Ref<IConnectionPointContainer> cpc;
    Ref<IConnectionPoint> cp;
    DWORD cookie = 0;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.put()))) ||
        FAILED(cpc->FindConnectionPoint(events, cp.put())) || FAILED(cp->Advise(sink, &cookie)))
        return 0;
    return cookie;
}

// WriteFile of `bytes` in pieces of the same array; seconds.
double WriteSeconds(const std::string& path, ULONGLONG bytes, const char* data) {
    const auto t0 = Clock::now();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    for (ULONGLONG done = 0; f != INVALID_HANDLE_VALUE && done < bytes;) {
        const DWORD n = static_cast<DWORD>(std::min<ULONGLONG>(kPiece, bytes - done));
        if (!WriteFile(f, data, n, &put, nullptr) || put != n) break;
        done += n;
    }
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    DeleteFileA(path.c_str());
    return s;
}

int Fail(const char* what, HRESULT hr) { return bench::Fail("produce_bench", what, hr); }

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::max(1L, std::atol(argv[1])) : 256;
    const long runs = argc > 2 ? std::max(1L, std::atol(argv[2])) : 3;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string folder = ProgramFolder();
    if (const char* failed = bench::StartServer("[Burn]\nSteps=1\nStepMs=0\n")) return Fail(failed, E_FAIL);

    const std::string dir = bench::TempPath("vexo-produce-bench");
    CreateDirectoryA(dir.c_str(), nullptr);
    const ULONGLONG bytes = ULONGLONG(megabytes) * 1048576;

    Sink producerSink;
    producerSink.producer = true;
    producerSink.bytes = bytes;
    V_VT(&producerSink.piece) = VT_ARRAY | VT_I1;
    V_ARRAY(&producerSink.piece) = SafeArrayCreateVector(VT_I1, 0, kPiece);
    {
        char* data = nullptr;
        SafeArrayAccessData(V_ARRAY(&producerSink.piece), reinterpret_cast<void**>(&data));
        for (LONG i = 0; i < kPiece; ++i) data[i] = static_cast<char>((i * 13) & 0xFF);
        SafeArrayUnaccessData(V_ARRAY(&producerSink.piece));
    }

    std::vector<double> produceRate, writeRate, ratio;
    {
        Ref<IVexo4> vexo;
        if (!Make(CLSID_Vexo, IID_IVexo4, vexo)) return Fail("creating Vexo", E_FAIL);
        Ref<IVexoSetup> setup;
        vexo->QueryInterface(IID_IVexoSetup, reinterpret_cast<void**>(setup.put()));
        Bstr enginePath(folder + "\\engine");
        if (setup.p) setup->put_VexoFilesPath(enginePath.b);
        Ref<IVexoDrives> drives;
        Ref<IVexoDrive5> drive;
        HRESULT hr = vexo->GetDrives(VEXO_MEDIA_ANY, drives.put());
        if (FAILED(hr) || FAILED(hr = drives->Item(0, drive.put()))) return Fail("drive 0", hr);
        Sink driveSink;
        const DWORD driveCookie = Advise(drive.p, DIID__IVexoDriveEvents, &driveSink);
        if (!driveCookie) return Fail("the drive's events", E_FAIL);

        Ref<IVexoFileSystemDescContainer> container;
        Ref<IVexoDirectoryContainer> root;
        Ref<IVexoFileProducer> producer;
        Ref<IVexoDirectoryEntryContainer> entry;
        if (!Make(CLSID_VexoFileSystemDescContainer, IID_IVexoFileSystemDescContainer, container) ||
            FAILED(container->get_RootDirectoryContainer(root.put())) ||
            !Make(CLSID_VexoFileProducer, IID_IVexoFileProducer, producer))
            return Fail("the container", E_FAIL);
        const DWORD producerCookie = Advise(producer.p, DIID__IVexoFileProducerEvents, &producerSink);
        Bstr name("produced.bin");
        if (!producerCookie ||
            FAILED(hr = root->AddFile(name.b, producer.p, static_cast<INT>(bytes >> 32), static_cast<INT>(bytes), 0, 0,
                                      entry.put())))
            return Fail("adding the produced file", hr);

        const std::string image = dir + "\\produced.iso";
        Bstr target(image);
        for (long r = 0; r < runs; ++r) {
            drive->InitImageRecorder(target.b, static_cast<VEXO_MEDIA_TYPE>(1));
            driveSink.done = false;
            const auto t0 = Clock::now();
            if (FAILED(hr = drive->BurnFileSystemContent(container.p, static_cast<VEXO_BURN_FLAGS>(4), 0,
                                                         static_cast<VEXO_MEDIA_TYPE>(1))))
                return Fail("BurnFileSystemContent", hr);
            Pump([&] { return driveSink.done; });
            const double burnt = std::chrono::duration<double>(Clock::now() - t0).count();
            if (driveSink.result != 0) return Fail("the burn", static_cast<HRESULT>(driveSink.result));
            DeleteFileA(image.c_str());
            char* data = nullptr;
            SafeArrayAccessData(V_ARRAY(&producerSink.piece), reinterpret_cast<void**>(&data));
            const double written = WriteSeconds(dir + "\\written.bin", bytes, data);
            SafeArrayUnaccessData(V_ARRAY(&producerSink.piece));
            produceRate.push_back(megabytes / burnt);
            writeRate.push_back(megabytes / written);
            ratio.push_back(written / burnt);
        }
        Ref<IConnectionPointContainer> cpc;
        Ref<IConnectionPoint> cp;
        if (SUCCEEDED(producer->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.put()))) &&
            SUCCEEDED(cpc->FindConnectionPoint(DIID__IVexoFileProducerEvents, cp.put())))
            cp->Unadvise(producerCookie);
        Ref<IConnectionPointContainer> dcpc;
        Ref<IConnectionPoint> dcp;
        if (SUCCEEDED(drive->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(dcpc.put()))) &&
            SUCCEEDED(dcpc->FindConnectionPoint(DIID__IVexoDriveEvents, dcp.put())))
            dcp->Unadvise(driveCookie);
    }
    VariantClear(&producerSink.piece);
    RemoveDirectoryA(dir.c_str());
    std::printf("produced files: %ld MB from OnProduceFile in 1 MiB arrays, %ld rounds; medians and spreads\n",
                megabytes, runs);
    Print("produced file burnt into an ISO image", produceRate, "MB/s");
    Print("WriteFile of the same bytes", writeRate, "MB/s");
    Print("ratio produce / write (1 = as fast as WriteFile)", ratio, "");
    CoUninitialize();
    return 0;
}

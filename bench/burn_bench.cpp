// burn_bench [MB [RUNS [MINUTES]]]: burns to images through VexoCOM and the
// simulated engine's image recorder, each against a reference run in the
// same round:
//   - a data compilation of MB megabytes (16 files) burnt to an ISO image
//     against CopyFile of the same files (as cp would copy them), and the
//     process's peak working set after a burn of an eighth of the files and
//     after the whole, to show it does not grow with the data;
//   - an audio CD of MINUTES minutes from four WAV files to a BIN/CUE image
//     against concatenating their PCM into one file (as cat would);
//   - an event-sourced audio track of MINUTES minutes whose every buffer is
//     asked of a late-bound sink, as a multiple of real time.
// Printed are the medians of RUNS rounds with their spread; asserts nothing.
// Run from the program folder (VexoCOM.dll, engine\VexoAPI.dll).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <psapi.h>

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

// Answers every event with S_OK (a track's error question with "no error");
// notes the end of a burn and its result.
class Sink final : public IDispatch {
public:
    bool done = false;
    long result = -1;
    long reads = 0;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) ? static_cast<IDispatch*>(this) : nullptr;
        if (!*out) return E_NOINTERFACE;
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
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        if (track) {
            if (id == 1) ++reads;  // OnReadAudioBurn: the buffer stays as it came (silence)
            // OnError asks with its answer preset to true: no error here.
            if (id == 3 && p && p->cArgs == 1 && V_VT(&p->rgvarg[0]) == (VT_BYREF | VT_BOOL))
                *V_BOOLREF(&p->rgvarg[0]) = VARIANT_FALSE;
            return S_OK;
        }
        if (id == 8 && p && p->cArgs == 1) {
            VARIANT v;
            VariantInit(&v);
            if (SUCCEEDED(VariantChangeType(&v, &p->rgvarg[0], 0, VT_I4))) result = v.lVal;
            done = true;
        }
        return S_OK;
    }
    bool track = false;
};

bool WriteFileOf(const std::string& path, ULONGLONG bytes, int seed, const std::string& head = "") {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    DWORD put = 0;
    bool ok = head.empty() || (WriteFile(f, head.data(), static_cast<DWORD>(head.size()), &put, nullptr) && put == head.size());
    for (ULONGLONG done = 0; ok && done < bytes;) {
        const DWORD n = static_cast<DWORD>(std::min<ULONGLONG>(chunk.size(), bytes - done));
        ok = WriteFile(f, chunk.data(), n, &put, nullptr) && put == n;
        done += n;
    }
    CloseHandle(f);
    return ok;
}

std::string WavHead(ULONGLONG pcm) {
    auto le = [](ULONGLONG v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    return "RIFF" + le(36 + pcm, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) + le(176400, 4) +
           le(4, 2) + le(16, 2) + "data" + le(pcm, 4);
}

// Copies the files after `skip` bytes each into one file (cat), or each to its own copy.
double CopySeconds(const std::vector<std::string>& files, const std::string& into, DWORD skip) {
    const auto t0 = Clock::now();
    if (skip == 0) {
        for (std::size_t i = 0; i < files.size(); ++i)
            CopyFileA(files[i].c_str(), (into + "." + std::to_string(i)).c_str(), FALSE);
    } else {
        HANDLE out = CreateFileA(into.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        std::vector<char> buffer(1 << 20);
        for (const std::string& name : files) {
            HANDLE in = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            SetFilePointer(in, static_cast<LONG>(skip), nullptr, FILE_BEGIN);
            DWORD got = 0, put = 0;
            while (ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got)
                WriteFile(out, buffer.data(), got, &put, nullptr);
            CloseHandle(in);
        }
        CloseHandle(out);
    }
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    for (std::size_t i = 0; i < files.size(); ++i) DeleteFileA((into + "." + std::to_string(i)).c_str());
    DeleteFileA(into.c_str());
    return s;
}

double PeakMb() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    return GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.PeakWorkingSetSize / 1048576.0 : 0;
}

int Fail(const char* what, HRESULT hr) { return bench::Fail("burn_bench", what, hr); }

}  // namespace

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::max(16L, std::atol(argv[1])) : 1024;
    const long runs = argc > 2 ? std::max(1L, std::atol(argv[2])) : 3;
    const long minutes = argc > 3 ? std::max(1L, std::atol(argv[3])) : 20;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::string folder = ProgramFolder();
    if (const char* failed = bench::StartServer("[Burn]\nSteps=1\nStepMs=0\n")) return Fail(failed, E_FAIL);

    const std::string dir = bench::TempPath("vexo-burn-bench");
    CreateDirectoryA(dir.c_str(), nullptr);
    std::vector<std::string> dataFiles, wavFiles;
    const ULONGLONG fileBytes = ULONGLONG(megabytes) * 1048576 / 16;
    for (int i = 0; i < 16; ++i) {
        dataFiles.push_back(dir + "\\data" + std::to_string(i) + ".bin");
        if (!WriteFileOf(dataFiles.back(), fileBytes, i)) return Fail("writing the data files", E_FAIL);
    }
    const ULONGLONG pcmBytes = ULONGLONG(minutes) * 60 * 75 * 2352 / 4;
    for (int i = 0; i < 4; ++i) {
        wavFiles.push_back(dir + "\\song" + std::to_string(i) + ".wav");
        if (!WriteFileOf(wavFiles.back(), pcmBytes, i, WavHead(pcmBytes))) return Fail("writing the WAV files", E_FAIL);
    }

    std::vector<double> dataRate, copyRate, dataRatio, audioRate, catRate, audioRatio, eventTimes;
    double peakSmall = 0, peakWhole = 0;
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
        Ref<IConnectionPointContainer> cpc;
        drive->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.put()));
        Ref<IConnectionPoint> cp;
        if (!cpc.p || FAILED(cpc->FindConnectionPoint(DIID__IVexoDriveEvents, cp.put()))) return Fail("events", E_FAIL);
        Sink sink;
        DWORD cookie = 0;
        if (FAILED(hr = cp->Advise(&sink, &cookie))) return Fail("Advise", hr);

        // Burns and waits; the seconds it took, or -1.
        auto burn = [&](const std::string& target, const std::function<HRESULT()>& start) {
            Bstr t(target);
            drive->InitImageRecorder(t.b, static_cast<VEXO_MEDIA_TYPE>(1));
            sink.done = false;
            const auto t0 = Clock::now();
            if (FAILED(start())) return -1.0;
            Pump([&] { return sink.done; });
            const double s = std::chrono::duration<double>(Clock::now() - t0).count();
            return sink.result == 0 ? s : -1.0;
        };
        auto dataBurn = [&](std::size_t files) {
            Ref<IVexoISOTrack2> iso;
            Ref<IVexoFolder> root;
            Ref<IVexoFiles> list;
            if (!Make(CLSID_VexoISOTrack, IID_IVexoISOTrack2, iso) || FAILED(iso->get_RootFolder(root.put())) ||
                FAILED(root->get_Files(list.put())))
                return -1.0;
            for (std::size_t i = 0; i < files; ++i) {
                Ref<IVexoFile> f;
                if (!Make(CLSID_VexoFile, IID_IVexoFile, f)) return -1.0;
                Bstr name("data" + std::to_string(i) + ".bin"), source(dataFiles[i]);
                f->put_Name(name.b);
                f->put_SourceFilePath(source.b);
                list->Add(f.p);
            }
            const std::string image = dir + "\\data.iso";
            const double s = burn(image, [&] {
                return drive->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, iso.p, nullptr, nullptr,
                                             static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0));
            });
            DeleteFileA(image.c_str());
            return s;
        };
        auto audioBurn = [&](bool events) {
            Ref<IVexoAudioTracks> tracks;
            if (!Make(CLSID_VexoAudioTracks, IID_IVexoAudioTracks, tracks)) return -1.0;
            std::vector<Ref<IVexoAudioTrack>> made(events ? 1 : wavFiles.size());
            Sink trackSink;
            trackSink.track = true;
            Ref<IConnectionPoint> trackCp;
            DWORD trackCookie = 0;
            for (std::size_t i = 0; i < made.size(); ++i) {
                if (!Make(CLSID_VexoAudioTrack, IID_IVexoAudioTrack, made[i])) return -1.0;
                if (events) {
                    made[i]->put_TrackType(VEXO_AUDIO_TRACK_THROUGH_EVENT);
                    made[i]->put_LengthInBlocks(minutes * 60 * 75);
                    Ref<IConnectionPointContainer> c;
                    made[i]->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(c.put()));
                    if (!c.p || FAILED(c->FindConnectionPoint(DIID__IVexoAudioTrackEvents, trackCp.put())) ||
                        FAILED(trackCp->Advise(&trackSink, &trackCookie)))
                        return -1.0;
                } else {
                    Bstr file(wavFiles[i]);
                    made[i]->put_Filename(file.b);
                }
                tracks->Add(made[i].p);
            }
            const std::string image = dir + "\\audio.cue";
            const double s = burn(image, [&] {
                return drive->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.p, nullptr,
                                             static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0));
            });
            if (trackCp.p) trackCp->Unadvise(trackCookie);
            DeleteFileA(image.c_str());
            DeleteFileA((dir + "\\audio.bin").c_str());
            return s;
        };

        if (dataBurn(2) < 0) return Fail("the data burn of an eighth", E_FAIL);
        peakSmall = PeakMb();
        for (long r = 0; r < runs; ++r) {
            const double burnt = dataBurn(dataFiles.size());
            if (burnt < 0) return Fail("the data burn", E_FAIL);
            const double copied = CopySeconds(dataFiles, dir + "\\copy", 0);
            dataRate.push_back(megabytes / burnt);
            copyRate.push_back(megabytes / copied);
            dataRatio.push_back(copied / burnt);
            const double audio = audioBurn(false);
            if (audio < 0) return Fail("the audio burn", E_FAIL);
            const double cat = CopySeconds(wavFiles, dir + "\\cat.pcm", 44);
            const double audioMb = 4.0 * pcmBytes / 1048576.0;
            audioRate.push_back(audioMb / audio);
            catRate.push_back(audioMb / cat);
            audioRatio.push_back(cat / audio);
            const double event = audioBurn(true);
            if (event < 0) return Fail("the event-sourced burn", E_FAIL);
            eventTimes.push_back(minutes * 60.0 / event);
        }
        peakWhole = PeakMb();
        cp->Unadvise(cookie);
    }
    for (const std::string& f : dataFiles) DeleteFileA(f.c_str());
    for (const std::string& f : wavFiles) DeleteFileA(f.c_str());
    RemoveDirectoryA(dir.c_str());
    std::printf("burns to images: %ld rounds; data %ld MB in 16 files, audio %ld minutes; medians and spreads\n", runs,
                megabytes, minutes);
    Print("data compilation burnt to an ISO image", dataRate, "MB/s");
    Print("CopyFile of the same files", copyRate, "MB/s");
    Print("ratio burn / copy (1 = as fast as a copy)", dataRatio, "");
    Print("audio CD from WAV files to BIN/CUE", audioRate, "MB/s");
    Print("concatenating their PCM", catRate, "MB/s");
    Print("ratio burn / concatenation", audioRatio, "");
    Print("event-sourced audio, times real time", eventTimes, "x");
    std::printf("  peak working set after %ld MB: %.1f MB; after %ld MB: %.1f MB\n", megabytes / 8, peakSmall, megabytes,
                peakWhole);
    CoUninitialize();
    return 0;
}

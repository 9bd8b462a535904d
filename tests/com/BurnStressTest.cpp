// Burns and block access over and over: a thousand small compilations burnt
// back to back to the image recorder (data discs, audio CDs from WAV files
// and audio pulled through a track's events, each built from new objects),
// and a thousand block reads and writes through objects made and let go
// along the way. Afterwards the process has no more threads, handles or
// private memory than before, the engine no more blocks, and the server
// can unload. The figures are printed for the record.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

#include <psapi.h>

using namespace drivetest;

namespace {

struct Figures {
    long threads = 0, handles = 0;
    int outstanding = 0;
    size_t heapBytes = 0, workingSet = 0;
};

size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    return GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m) ? m.WorkingSetSize : 0;
}

// Lets late events, workers and notification threads end, then reads the figures.
Figures Settled() {
    sim::WaitIdle(5000);
    PumpUntil([] { return false; }, 300);
    return {ThreadCount(), HandleCount(), sim::Counter("outstanding"), HeapBytes(), WorkingSet()};
}

// Caches that fill once (type information, the platform's marshalling
// tables) may still take a little; a leak of a hundred bytes a round over a
// thousand rounds is well above it.
constexpr size_t kHeapSlack = 16 * 1024;
// The platform makes a synchronisation object or two on first need, at a
// moment that depends on timing; a leak grows with the rounds.
constexpr long kMadeOnce = 2;

void ExpectNoGrowth(const char* what, const Figures& base, const Figures& now) {
    std::printf("%s: threads %ld -> %ld, handles %ld -> %ld, engine blocks %d -> %d, heap bytes in use %zu -> %zu, "
                "working set %.1f -> %.1f MB\n",
                what, base.threads, now.threads, base.handles, now.handles, base.outstanding, now.outstanding,
                base.heapBytes, now.heapBytes, base.workingSet / 1048576.0, now.workingSet / 1048576.0);
    EXPECT_LE(now.threads, base.threads) << what << ": threads grew";
    EXPECT_LE(now.handles, base.handles + kMadeOnce) << what << ": handles grew";
    EXPECT_EQ(now.outstanding, base.outstanding) << what << ": engine blocks left";
    EXPECT_LE(now.heapBytes, base.heapBytes + kHeapSlack) << what << ": heap memory grew";
}

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A 16-bit stereo 44.1 kHz WAV file of `blocks` CD blocks of a pattern.
std::string Wave(int blocks, int seed) {
    std::string pcm(static_cast<size_t>(blocks) * 2352, '\0');
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<char>(i * 5 + seed);
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(static_cast<uint32_t>(36 + pcm.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(2) + u32(44100) +
           u32(44100 * 4) + u16(4) + u16(16) + "data" + u32(static_cast<uint32_t>(pcm.size())) + pcm;
}

class BurnStressTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ProgramFolder() + "\\burn-stress";
        CreateDirectoryA(dir_.c_str(), nullptr);
        Write(dir_ + "\\one.wav", Wave(40, 1));
        Write(dir_ + "\\two.wav", Wave(25, 2));
        Write(dir_ + "\\readme.txt", "A small data disc, burnt again and again.\r\n");
        Write(dir_ + "\\pattern.bin", std::string(70000, 'p'));
    }
    void TearDown() override {
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        SetRegistryEngine("");
    }
    std::string dir_;
};

constexpr VEXO_BURN_FLAGS kSimulate = static_cast<VEXO_BURN_FLAGS>(4);

// One small compilation of kind k % 3, made of new objects, burnt to the
// image recorder; the burn's result (0: written).
LONG BurnOnce(DriveClient& c, const std::string& dir, int k) {
    const int kind = k % 3;
    Bstr target(Wide(dir + (kind == 0 ? "\\stress.iso" : "\\stress.cue")).c_str());
    EXPECT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(kind == 0 ? 1 : 0)), S_OK);
    Ptr<IVexoISOTrack2> iso;
    Ptr<IVexoAudioTracks> tracks;
    LateBoundSink* sink = nullptr;
    Ptr<IVexoAudioTrack> pulled;
    DWORD cookie = 0;
    if (kind == 0) {
        iso = Create<IVexoISOTrack2>(CLSID_VexoISOTrack);
        Ptr<IVexoFolder> root;
        Ptr<IVexoFiles> files;
        iso->get_RootFolder(root.put());
        root->get_Files(files.put());
        for (const char* name : {"readme.txt", "pattern.bin"}) {
            auto file = Create<IVexoFile>(CLSID_VexoFile);
            Bstr n(Wide(name).c_str()), source(Wide(dir + "\\" + name).c_str());
            file->put_Name(n.get());
            file->put_SourceFilePath(source.get());
            files->Add(file.get());
        }
        Bstr volume(L"STRESS");
        iso->put_Name(volume.get());
        iso->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(VEXO_BURN_OPTION_USE_JOLIET));
    } else {
        tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        if (kind == 1) {
            for (const char* name : {"one.wav", "two.wav"}) {
                auto t = Create<IVexoAudioTrack>(CLSID_VexoAudioTrack);
                Bstr f(Wide(dir + "\\" + name).c_str());
                t->put_Filename(f.get());
                t->put_TrackType(VEXO_AUDIO_TRACK_FILE_WAV);
                tracks->Add(t.get());
            }
        } else {
            pulled = Create<IVexoAudioTrack>(CLSID_VexoAudioTrack);
            pulled->put_TrackType(VEXO_AUDIO_TRACK_THROUGH_EVENT);
            pulled->put_LengthInBlocks(8);
            tracks->Add(pulled.get());
            sink = new LateBoundSink;
            sink->onEvent = [](DISPID id, std::vector<VARIANT*>& args) {
                if (id != 1) *V_BOOLREF(args.at(0)) = VARIANT_FALSE;  // no early end, no error
            };
            cookie = AdviseSink(pulled.get(), DIID__IVexoAudioTrackEvents, sink);
            EXPECT_NE(cookie, 0u);
        }
    }
    c.sink().Clear();  // the sink keeps every event it sees; only this burn's matter
    EXPECT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, iso.get(), tracks.get(), nullptr, kSimulate, 0,
                                        static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    const bool done = c.WaitFor(kOnDoneBurn, 1, 30000);
    if (sink) {
        UnadviseSink(pulled.get(), DIID__IVexoAudioTrackEvents, cookie);
        sink->Release();
    }
    if (!done) return -1;
    return c.sink().Last(kOnDoneBurn)->args.at(0).Long();
}

TEST_F(BurnStressTest, AThousandSmallBurnsToTheImageRecorderLeaveNothingBehind) {
    {
        DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=1\nStepMs=0\n"));
        ASSERT_TRUE(c.ok());
        for (int k = 0; k < 30; ++k) ASSERT_EQ(BurnOnce(c, dir_, k), 0) << "warm-up burn " << k;
        const Figures base = Settled();
        const int imagesBefore = sim::Counter("recorder.images");
        for (int k = 0; k < 1000; ++k) ASSERT_EQ(BurnOnce(c, dir_, k), 0) << "burn " << k;
        ExpectNoGrowth("1000 burns", base, Settled());
        EXPECT_GE(sim::Counter("recorder.images") - imagesBefore, 666) << "the audio burns were recorded";
        // The last ones really are images: an ISO with its descriptor, a BIN of the two tracks.
        std::ifstream iso(dir_ + "\\stress.iso", std::ios::binary);
        std::string descriptor(8, '\0');
        iso.seekg(16 * 2048);
        iso.read(descriptor.data(), 8);
        EXPECT_EQ(descriptor.substr(1, 5), "CD001");
        std::ifstream bin(dir_ + "\\stress.bin", std::ios::binary | std::ios::ate);
        EXPECT_EQ(static_cast<long long>(bin.tellg()), 8LL * 2352) << "the last burn was the event-sourced track";
    }
    PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000);
    EXPECT_EQ(TheServer().CanUnloadNow(), S_OK) << "every server object was released";
    EXPECT_EQ(sim::Counter("outstanding"), 0);
}

// ---- block access --------------------------------------------------------------

Ptr<IVexoFSSecNo> Sec(uint64_t v) {
    auto s = Create<IVexoFSSecNo>(CLSID_VexoFSSecNo);
    s->put_HiPart(static_cast<LONG>(v >> 32));
    s->put_LoPart(static_cast<LONG>(static_cast<uint32_t>(v)));
    return s;
}

// A VARIANT holding a byte array (VT_ARRAY | VT_I1), as block objects take and give.
struct Sectors {
    VARIANT v;
    Sectors() { VariantInit(&v); }
    explicit Sectors(const std::vector<uint8_t>& bytes) : Sectors() {
        SAFEARRAY* a = SafeArrayCreateVector(VT_I1, 0, static_cast<ULONG>(bytes.size()));
        void* p = nullptr;
        SafeArrayAccessData(a, &p);
        std::memcpy(p, bytes.data(), bytes.size());
        SafeArrayUnaccessData(a);
        V_VT(&v) = VT_ARRAY | VT_I1;
        V_ARRAY(&v) = a;
    }
    ~Sectors() { VariantClear(&v); }
    std::vector<uint8_t> Bytes() const {
        if (V_VT(&v) != (VT_ARRAY | VT_I1)) return {};
        void* p = nullptr;
        SafeArrayAccessData(V_ARRAY(&v), &p);
        std::vector<uint8_t> out(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + V_ARRAY(&v)->rgsabound[0].cElements);
        SafeArrayUnaccessData(V_ARRAY(&v));
        return out;
    }
};

std::vector<uint8_t> SectorOf(int k) { return std::vector<uint8_t>(2048, static_cast<uint8_t>(k * 7 + 1)); }

// Round k: a write of sector 20 + k % 40 through an image's block object
// (buffered or not), and a read of it back; a new object every 50 rounds,
// the drive's medium read through a reader made for the round.
void BlockRound(IVexo4* vexo, IVexoDrive5* drive, const std::string& image, int k,
                Ptr<IVexoFileSystemBlockWriter>& writer) {
    if (k % 50 == 0) {
        writer.reset();
        Bstr name(Wide(image).c_str());
        ASSERT_EQ(vexo->CreateBlockAccessFromImage(name.get(), eIAReadWrite, writer.put()), S_OK);
    }
    const uint64_t sector = 20 + k % 40;
    Sectors data(SectorOf(k));
    auto written = Sec(0);
    IVexoFSSecNo* writtenRef = written.get();
    VexoFSError error{};
    const HRESULT put = (k % 2) ? writer->WriteSectorsBuffered(&data.v, Sec(sector).get(), Sec(1).get(), &writtenRef, &error)
                                : writer->WriteSectorsUnBuffered(&data.v, Sec(sector).get(), Sec(1).get(), &writtenRef, &error);
    ASSERT_EQ(put, S_OK) << "round " << k;
    Sectors back;
    auto read = Sec(0);
    IVexoFSSecNo* readRef = read.get();
    ASSERT_EQ(writer->ReadSectorsUnBuffered(&back.v, Sec(sector).get(), Sec(1).get(), &readRef, &error), S_OK);
    ASSERT_EQ(back.Bytes(), SectorOf(k)) << "round " << k;

    Ptr<IVexoFileSystemBlockReader> reader;
    ASSERT_EQ(drive->CreateBlockReader(eNoWriting, reader.put()), S_OK);
    Sectors medium;
    auto mediumRead = Sec(0);
    IVexoFSSecNo* mediumRef = mediumRead.get();
    ASSERT_EQ(reader->ReadSectorsUnBuffered(&medium.v, Sec(16 + k % 8).get(), Sec(2).get(), &mediumRef, &error), S_OK);
    ASSERT_EQ(medium.Bytes().size(), 4096u);
}

TEST_F(BurnStressTest, AThousandBlockReadsAndWritesLeaveNothingBehind) {
    const std::string image = dir_ + "\\blocks.iso";
    std::vector<uint8_t> bytes(64 * 2048);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 3);
    std::memcpy(&bytes[16 * 2048], "\001CD001\001", 7);
    Write(image, std::string(bytes.begin(), bytes.end()));
    {
        DriveClient c(TwoDrives("AccessModes=0x3\nMedium=synthetic:100000\n"));
        ASSERT_TRUE(c.ok());
        Ptr<IVexoFileSystemBlockWriter> writer;
        for (int k = 0; k < 60; ++k) ASSERT_NO_FATAL_FAILURE(BlockRound(c.vexo(), c.drive(), image, k, writer));
        writer.reset();
        const Figures base = Settled();
        for (int k = 0; k < 1000; ++k) ASSERT_NO_FATAL_FAILURE(BlockRound(c.vexo(), c.drive(), image, k, writer));
        writer.reset();
        ExpectNoGrowth("1000 block rounds", base, Settled());
        EXPECT_EQ(sim::Counter("outstanding.block"), 0);
    }
    // What the last rounds wrote is in the file: sector 20 + k % 40 for k = 960..999.
    std::ifstream f(image, std::ios::binary);
    for (int k = 960; k < 1000; ++k) {
        std::vector<uint8_t> sector(2048);
        f.seekg(static_cast<std::streamoff>((20 + k % 40) * 2048));
        f.read(reinterpret_cast<char*>(sector.data()), 2048);
        EXPECT_EQ(sector, SectorOf(k)) << "sector " << 20 + k % 40;
    }
    PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000);
    EXPECT_EQ(TheServer().CanUnloadNow(), S_OK) << "every server object was released";
}

}  // namespace

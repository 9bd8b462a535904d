// Audio burns recorded as BIN/CUE images by the simulated engine, through
// the registered server: the sheet lists the tracks with the pauses and
// index positions given, the BIN holds the WAV files' PCM and an event
// track's bytes exactly; what the recorder refuses fails the burn and
// leaves no image. The round-trip image stays in bin/audio-roundtrip for
// tests/e2e/audio_burn_rip.py, which rips it back through CadrelConverter.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

constexpr size_t kSector = 2352;

class AudioBurnRoundTripTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        EXPECT_EQ(sim::Counter("outstanding"), 0) << "engine blocks left";
        SetRegistryEngine("");
    }
};

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

// A fresh folder under the program folder.
std::string Folder(const std::string& name) {
    const std::string dir = ProgramFolder() + "\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &f);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + "\\" + f.cFileName).c_str());
        } while (FindNextFileA(h, &f));
        FindClose(h);
    }
    return dir;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

void Put16(std::string& s, uint16_t v) { s.append({char(v), char(v >> 8)}); }
void Put32(std::string& s, uint32_t v) { s.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)}); }

// A WAVE file of the PCM, with a LIST chunk before the data when asked.
std::string Wave(const std::string& pcm, uint16_t channels = 2, uint32_t rate = 44100, bool list = false) {
    std::string body = "WAVEfmt ";
    Put32(body, 16);
    Put16(body, 1);
    Put16(body, channels);
    Put32(body, rate);
    Put32(body, rate * channels * 2);
    Put16(body, static_cast<uint16_t>(channels * 2));
    Put16(body, 16);
    if (list) {
        body += "LIST";
        Put32(body, 5);
        body += std::string("INFOx\0", 6);
    }
    body += "data";
    Put32(body, static_cast<uint32_t>(pcm.size()));
    body += pcm;
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

// Stereo 16-bit PCM that is never silent for long: `pairs` sample pairs from seed.
std::string Pcm(size_t pairs, uint32_t seed) {
    std::string s;
    uint32_t x = seed;
    for (size_t i = 0; i < pairs * 4; ++i) {
        x = x * 1103515245u + 12345u;
        s += static_cast<char>(x >> 16);
    }
    return s;
}

std::string Padded(std::string pcm) {
    pcm.resize((pcm.size() + kSector - 1) / kSector * kSector, '\0');
    return pcm;
}

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

Ptr<IVexoAudioTrack> Track(VEXO_AUDIO_TRACK_TYPE type, const std::string& file, LONG length, LONG pause,
                           std::vector<LONG> positions, const wchar_t* title, const wchar_t* artist) {
    auto t = Create<IVexoAudioTrack>(CLSID_VexoAudioTrack);
    Bstr f(std::wstring(file.begin(), file.end()).c_str()), n(title), a(artist);
    EXPECT_EQ(t->put_TrackType(type), S_OK);
    if (!file.empty()) {
        EXPECT_EQ(t->put_Filename(f.get()), S_OK);
    }
    EXPECT_EQ(t->put_Title(n.get()), S_OK);
    EXPECT_EQ(t->put_Artist(a.get()), S_OK);
    EXPECT_EQ(t->put_LengthInBlocks(length), S_OK);
    EXPECT_EQ(t->put_PauseInBlksBeforeThisTrack(pause), S_OK);
    Ptr<IVexoRelativeIndexBlkPositions> p;
    EXPECT_EQ(t->get_RelativeIndexBlkPositions(p.put()), S_OK);
    for (LONG v : positions) EXPECT_EQ(p->Add(v), S_OK);
    return t;
}

LONG DoneBurn(DriveClient& c) { return c.sink().Last(kOnDoneBurn)->args.at(0).Long(); }

HRESULT BurnAudio(DriveClient& c, IVexoAudioTracks* tracks, LONG flags, const wchar_t* artist = L"The Band",
                  const wchar_t* title = L"Round Trip") {
    Bstr a(artist), t(title);
    return c.drive()->BurnIsoAudioCD(a.get(), t.get(), VARIANT_FALSE, nullptr, tracks, nullptr,
                                     static_cast<VEXO_BURN_FLAGS>(flags), 8, static_cast<VEXO_MEDIA_TYPE>(1));
}

std::string Config(const std::string& device0 = "") { return TwoDrives(device0, "", "\n[Burn]\nSteps=2\nStepMs=5\n"); }

// The handler of an event track: fills each request with a counting
// pattern of 16-bit samples and keeps what it sent.
struct PatternSource {
    LateBoundSink* sink = new LateBoundSink;
    DWORD cookie = 0;
    IVexoAudioTrack* track;
    std::string sent;

    explicit PatternSource(IVexoAudioTrack* t) : track(t) {
        cookie = AdviseSink(track, DIID__IVexoAudioTrackEvents, sink);
        sink->onEvent = [this](DISPID id, std::vector<VARIANT*>& args) {
            if (id == 1) {
                SAFEARRAY* a = V_ARRAY(V_VARIANTREF(args.at(1)));
                int16_t* samples = nullptr;
                SafeArrayAccessData(a, reinterpret_cast<void**>(&samples));
                for (ULONG i = 0; i < a->rgsabound[0].cElements; ++i) {
                    const auto k = static_cast<uint32_t>(sent.size() / 2);
                    samples[i] = static_cast<int16_t>(k * 31 + 7);
                    sent.append(reinterpret_cast<const char*>(&samples[i]), 2);
                }
                SafeArrayUnaccessData(a);
            } else {
                *V_BOOLREF(args.at(0)) = VARIANT_FALSE;
            }
        };
    }
    ~PatternSource() {
        UnadviseSink(track, DIID__IVexoAudioTrackEvents, cookie);
        sink->Release();
    }
};

// ---- the round trip's image ---------------------------------------------------------

TEST_F(AudioBurnRoundTripTest, AnAudioBurnIsRecordedAsABinCueImageOfWhatTheEngineReceived) {
    const std::string dir = Folder("audio-roundtrip");
    // Two WAV files whose PCM does not end on a sector boundary.
    const std::string one = Pcm(3 * 588 + 250, 1), two = Pcm(2 * 588 + 309, 2);
    ASSERT_NE(one.size() % kSector, 0u);
    ASSERT_NE(two.size() % kSector, 0u);
    Write(dir + "\\one.wav", Wave(one));
    Write(dir + "\\two.wav", Wave(two, 2, 44100, true));
    std::string event;
    {
        DriveClient c(Config());
        ASSERT_TRUE(c.ok());
        auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        auto t1 = Track(VEXO_AUDIO_TRACK_FILE_WAV, dir + "\\one.wav", 4, 150, {1, 3}, L"First", L"Ann");
        auto t2 = Track(VEXO_AUDIO_TRACK_THROUGH_EVENT, "", 5, 75, {2}, L"Pattern \"Five\"", L"Generator");
        auto t3 = Track(VEXO_AUDIO_TRACK_FILE_WAV, dir + "\\two.wav", 3, 32, {}, L"Last", L"Bob");
        for (auto* t : {t1.get(), t2.get(), t3.get()}) ASSERT_EQ(tracks->Add(t), S_OK);
        PatternSource pattern(t2.get());
        Bstr target(std::wstring(dir.begin(), dir.end()).append(L"\\roundtrip.cue").c_str());
        ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4 | 32), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
        EXPECT_EQ(DoneBurn(c), 0) << sim::Text("recorder.error");
        event = pattern.sent;
    }
    ASSERT_EQ(event.size(), 5 * kSector) << "the event track is pulled up to its length";
    Write(dir + "\\event.pcm", event);
    EXPECT_EQ(sim::Text("recorder.cue"), dir + "\\roundtrip.cue");
    EXPECT_EQ(sim::Text("recorder.bin"), dir + "\\roundtrip.bin");
    EXPECT_EQ(sim::Counter("recorder.images"), 1);
    EXPECT_EQ(sim::Counter("recorder.sectors"), 150 + 4 + 75 + 5 + 32 + 3);
    EXPECT_EQ(sim::Text("burn.summary"), "artist=The Band;title=Round Trip;datatrack=none;cdextra=0;stamp=none;media=1;tracks=3");
    EXPECT_EQ(sim::Text("burn.track.2.pulled").substr(0, 12), "bytes=11760;");

    // The sheet: a pregap of silence before every track, the positions after INDEX 01, CD-TEXT.
    EXPECT_EQ(Read(dir + "\\roundtrip.cue"),
              "PERFORMER \"The Band\"\r\nTITLE \"Round Trip\"\r\nFILE \"roundtrip.bin\" BINARY\r\n"
              "  TRACK 01 AUDIO\r\n    TITLE \"First\"\r\n    PERFORMER \"Ann\"\r\n"
              "    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n    INDEX 02 00:02:01\r\n    INDEX 03 00:02:03\r\n"
              "  TRACK 02 AUDIO\r\n    TITLE \"Pattern 'Five'\"\r\n    PERFORMER \"Generator\"\r\n"
              "    INDEX 00 00:02:04\r\n    INDEX 01 00:03:04\r\n    INDEX 02 00:03:06\r\n"
              "  TRACK 03 AUDIO\r\n    TITLE \"Last\"\r\n    PERFORMER \"Bob\"\r\n"
              "    INDEX 00 00:03:09\r\n    INDEX 01 00:03:41\r\n");
    // The BIN: silence, the PCM bit-exact and zero-padded, the pattern exactly.
    const std::string expected = std::string(150 * kSector, '\0') + Padded(one) + std::string(75 * kSector, '\0') +
                                 event + std::string(32 * kSector, '\0') + Padded(two);
    const std::string bin = Read(dir + "\\roundtrip.bin");
    ASSERT_EQ(bin.size(), expected.size());
    EXPECT_TRUE(bin == expected) << "the BIN differs from the tracks";
    EXPECT_FALSE(Exists(dir + "\\roundtrip.bin.partial"));
    EXPECT_FALSE(Exists(dir + "\\roundtrip.cue.partial"));
}

// ---- where the image goes --------------------------------------------------------------

TEST_F(AudioBurnRoundTripTest, TheRecorderKeyOfTheDeviceNamesTheImageWhenNoPathWasGiven) {
    const std::string dir = Folder("audio-recorder-key");
    Write(dir + "\\a.wav", Wave(Pcm(588, 3)));
    {
        // Relative to the engine's folder; another extension gets .cue and .bin added.
        DriveClient c(Config("Recorder=..\\audio-recorder-key\\disc.img\n"));
        ASSERT_TRUE(c.ok());
        auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        auto t = Track(VEXO_AUDIO_TRACK_FILE_WAV, dir + "\\a.wav", 1, 0, {}, L"A", L"B");
        ASSERT_EQ(tracks->Add(t.get()), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
        EXPECT_EQ(DoneBurn(c), 0) << sim::Text("recorder.error");
        EXPECT_EQ(Read(dir + "\\disc.img.cue"), "FILE \"disc.img.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n")
            << "no CD-TEXT without its flag, no INDEX 00 without a pause";
        EXPECT_EQ(Read(dir + "\\disc.img.bin").size(), kSector);

        // A path given to the device wins over the key.
        Bstr target(std::wstring(dir.begin(), dir.end()).append(L"\\given.cue").c_str());
        ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2));
        EXPECT_EQ(DoneBurn(c), 0) << sim::Text("recorder.error");
        EXPECT_TRUE(Exists(dir + "\\given.cue"));
        EXPECT_TRUE(Exists(dir + "\\given.bin"));
        EXPECT_EQ(sim::Counter("recorder.images"), 2);
    }
    {
        // Without a target the burn records nothing, as before.
        DriveClient c(Config());
        ASSERT_TRUE(c.ok());
        auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        auto t = Track(VEXO_AUDIO_TRACK_FILE_WAV, dir + "\\missing.wav", 1, 0, {}, L"A", L"B");
        ASSERT_EQ(tracks->Add(t.get()), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
        EXPECT_EQ(DoneBurn(c), 0);
        EXPECT_EQ(sim::Text("recorder.target"), "");
        EXPECT_EQ(sim::Counter("recorder.images"), 0);
    }
}

// ---- what the recorder refuses ------------------------------------------------------------

TEST_F(AudioBurnRoundTripTest, SourcesTheRecorderCannotTakeFailTheBurnAndLeaveNoImage) {
    const std::string dir = Folder("audio-recorder-refused");
    Write(dir + "\\good.wav", Wave(Pcm(1000, 4)));
    Write(dir + "\\mono.wav", Wave(Pcm(1000, 5), 1));
    Write(dir + "\\fast.wav", Wave(Pcm(1000, 6), 2, 48000));
    Write(dir + "\\song.mp3", "ID3 not decoded");
    Write(dir + "\\disc.cue", "an older image");
    struct Case {
        VEXO_AUDIO_TRACK_TYPE type;
        const char* file;
        std::vector<LONG> positions;
        const char* error;
    } const cases[] = {
        {VEXO_AUDIO_TRACK_FILE_WAV, "mono.wav", {}, "44100 Hz 16-bit 1-channel PCM, not 44.1 kHz 16-bit stereo PCM"},
        {VEXO_AUDIO_TRACK_FILE_WAV, "fast.wav", {}, "48000 Hz 16-bit 2-channel PCM, not 44.1 kHz 16-bit stereo PCM"},
        {VEXO_AUDIO_TRACK_FILE_WAV, "none.wav", {}, "cannot open"},
        {VEXO_AUDIO_TRACK_FILE_WAV, "song.mp3", {}, "not a RIFF/WAVE file"},
        {VEXO_AUDIO_TRACK_FILE_MP3, "song.mp3", {}, "ffmpeg could not decode"},
        {VEXO_AUDIO_TRACK_FILE_WMA, "none.wma", {}, "ffmpeg could not decode"},
        {VEXO_AUDIO_TRACK_FILE_WAV, "good.wav", {1, 2}, "index position 2 (INDEX 03) lies beyond the track's 2 blocks"},
    };
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    Bstr target(std::wstring(dir.begin(), dir.end()).append(L"\\disc.cue").c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    size_t burns = 0;
    for (const Case& k : cases) {
        auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        // A good track first: its bytes were written before the failure.
        auto first = Track(VEXO_AUDIO_TRACK_FILE_WAV, dir + "\\good.wav", 2, 150, {}, L"", L"");
        auto bad = Track(k.type, dir + "\\" + k.file, 2, 0, k.positions, L"", L"");
        ASSERT_EQ(tracks->Add(first.get()), S_OK);
        ASSERT_EQ(tracks->Add(bad.get()), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn, ++burns));
        EXPECT_EQ(DoneBurn(c), 3) << k.file;
        const std::string error = sim::Text("recorder.error");
        EXPECT_EQ(error.rfind("Image recorder, track 2: ", 0), 0u) << error;
        EXPECT_NE(error.find(k.error), std::string::npos) << error;
        Bstr last;
        ASSERT_EQ(c.vexo()->get_LastError(last.put()), S_OK);
        EXPECT_EQ(std::wstring(last.get() ? last.get() : L""), std::wstring(error.begin(), error.end()))
            << "the engine's newest error line";
        EXPECT_EQ(Read(dir + "\\disc.cue"), "an older image") << k.file;
        EXPECT_FALSE(Exists(dir + "\\disc.bin")) << k.file;
        EXPECT_FALSE(Exists(dir + "\\disc.bin.partial")) << k.file;
        EXPECT_FALSE(Exists(dir + "\\disc.cue.partial")) << k.file;
        EXPECT_FALSE(Exists(dir + "\\disc.bin.track2.pcm.partial")) << k.file;
    }
    EXPECT_EQ(sim::Counter("recorder.images"), 0);
}

// ---- decoded sources ---------------------------------------------------------------------

TEST_F(AudioBurnRoundTripTest, Mp3AndWmaSourcesAreDecodedToCdAudioByFfmpeg) {
    // Made on the Linux side by make_audio_sources.sh with what ffmpeg decodes them to.
    const std::string dir = ProgramFolder() + "\\audio-decoded";
    const std::string mp3 = Read(dir + "\\tone.mp3.pcm"), wma = Read(dir + "\\tone.wma.pcm");
    ASSERT_GT(mp3.size(), 90 * kSector) << "no sources in " << dir;
    ASSERT_GT(wma.size(), 90 * kSector);
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
    auto t1 = Track(VEXO_AUDIO_TRACK_FILE_MP3, dir + "\\tone.mp3", 98, 0, {50}, L"", L"");
    auto t2 = Track(VEXO_AUDIO_TRACK_FILE_WMA, dir + "\\tone.wma", 98, 10, {}, L"", L"");
    ASSERT_EQ(tracks->Add(t1.get()), S_OK);
    ASSERT_EQ(tracks->Add(t2.get()), S_OK);
    Bstr target(std::wstring(dir.begin(), dir.end()).append(L"\\decoded.cue").c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    EXPECT_EQ(DoneBurn(c), 0) << sim::Text("recorder.error");
    const std::string bin = Read(dir + "\\decoded.bin");
    EXPECT_TRUE(bin == Padded(mp3) + std::string(10 * kSector, '\0') + Padded(wma))
        << "the BIN differs from the decoded sources (" << bin.size() << " bytes)";
    const auto s1 = static_cast<uint32_t>(Padded(mp3).size() / kSector);
    char second[16];
    snprintf(second, sizeof second, "%02u:%02u:%02u", (s1 + 10) / 4500, (s1 + 10) / 75 % 60, (s1 + 10) % 75);
    EXPECT_NE(Read(dir + "\\decoded.cue").find(std::string("INDEX 01 ") + second), std::string::npos)
        << Read(dir + "\\decoded.cue");
    EXPECT_FALSE(Exists(dir + "\\decoded.bin.track1.pcm.partial"));
    EXPECT_FALSE(Exists(dir + "\\decoded.bin.track2.pcm.partial"));
}

TEST_F(AudioBurnRoundTripTest, AnAbortedOrFailingBurnLeavesNoImage) {
    const std::string dir = Folder("audio-recorder-aborted");
    Write(dir + "\\a.wav", Wave(Pcm(5000, 7)));
    {
        // The client aborts at the first progress report: the image was complete, but is not named.
        DriveClient c(Config());
        ASSERT_TRUE(c.ok());
        auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        auto t = Track(VEXO_AUDIO_TRACK_FILE_WAV, dir + "\\a.wav", 9, 0, {}, L"", L"");
        ASSERT_EQ(tracks->Add(t.get()), S_OK);
        c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>& args) {
            if (id == kOnProgress && args.size() == 2) SetRefBool(args[1], true);
        };
        Bstr target(std::wstring(dir.begin(), dir.end()).append(L"\\aborted.cue").c_str());
        ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
        EXPECT_NE(DoneBurn(c), 0);
        EXPECT_FALSE(Exists(dir + "\\aborted.cue"));
        EXPECT_FALSE(Exists(dir + "\\aborted.bin"));
        EXPECT_FALSE(Exists(dir + "\\aborted.bin.partial"));
    }
    {
        // An event track whose handler is missing reports an error: the engine's failure, no image.
        DriveClient c(Config());
        ASSERT_TRUE(c.ok());
        auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
        auto t = Track(VEXO_AUDIO_TRACK_THROUGH_EVENT, "", 3, 0, {}, L"", L"");
        ASSERT_EQ(tracks->Add(t.get()), S_OK);
        Bstr target(std::wstring(dir.begin(), dir.end()).append(L"\\silent.cue").c_str());
        ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
        ASSERT_EQ(BurnAudio(c, tracks.get(), 4), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
        EXPECT_EQ(DoneBurn(c), 1);
        EXPECT_NE(sim::Text("burn.track.1.pulled").find("error=1"), std::string::npos) << sim::Text("burn.track.1.pulled");
        EXPECT_NE(sim::Text("recorder.error").find("the event source reported an error"), std::string::npos);
        EXPECT_FALSE(Exists(dir + "\\silent.cue"));
        EXPECT_FALSE(Exists(dir + "\\silent.bin"));
        EXPECT_FALSE(Exists(dir + "\\silent.bin.partial"));
    }
}

}  // namespace

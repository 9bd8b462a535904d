// Burns in-process against the simulated engine: what each burn member
// hands the engine (read back from the engine's own account of the record),
// the data track built from an ISO track, event-sourced tracks pulled from
// the engine's thread, the in-use marks from the member's start to the end
// of the engine call, the busy rule (both drives of a disc copy), and the
// import and estimate completions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

class BurnTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        SetRegistryEngine("");
    }
};

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

Ptr<IVexoAudioTrack> FileTrack(const wchar_t* file, VEXO_AUDIO_TRACK_TYPE type, const wchar_t* title, LONG length) {
    auto t = Create<IVexoAudioTrack>(CLSID_VexoAudioTrack);
    Bstr f(file), n(title);
    EXPECT_EQ(t->put_Filename(f.get()), S_OK);
    EXPECT_EQ(t->put_Title(n.get()), S_OK);
    EXPECT_EQ(t->put_TrackType(type), S_OK);
    EXPECT_EQ(t->put_LengthInBlocks(length), S_OK);
    return t;
}

std::string Burn(const std::string& extra = "") { return "\n[Burn]\nSteps=3\nStepMs=20\n" + extra; }

// The CRC-32 the engine reports for pulled bytes.
uint32_t Crc32(const std::vector<uint8_t>& bytes) {
    uint32_t crc = ~0u;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string Hex8(uint32_t v) {
    char s[16];
    snprintf(s, sizeof s, "%08X", v);
    return s;
}

LONG DoneBurn(DriveClient& c, int drive = 0) { return c.sink(drive).Last(kOnDoneBurn)->args.at(0).Long(); }

// ---- audio discs -----------------------------------------------------------------

TEST_F(BurnTest, AnAudioBurnHandsTheEngineEveryTrackInOrderAndLocksThemDuringTheCall) {
    DriveClient c(TwoDrives("", "", Burn()));
    ASSERT_TRUE(c.ok());
    auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
    auto one = FileTrack(L"C:\\music\\one.wav", VEXO_AUDIO_TRACK_FILE_WAV, L"One", 1000);
    auto two = FileTrack(L"C:\\music\\two.mp3", VEXO_AUDIO_TRACK_FILE_MP3, L"Two", 2000);
    two->put_PauseInBlksBeforeThisTrack(150);
    two->put_Index0ContainsData(VARIANT_TRUE);
    Ptr<IVexoRelativeIndexBlkPositions> positions;
    ASSERT_EQ(two->get_RelativeIndexBlkPositions(positions.put()), S_OK);
    positions->Add(75);
    positions->Add(300);
    ASSERT_EQ(tracks->Add(one.get()), S_OK);
    ASSERT_EQ(tracks->Add(two.get()), S_OK);

    // While the engine burns (its progress reports), the tracks and their
    // collection refuse changes.
    std::vector<HRESULT> during;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != kOnProgress || !during.empty()) return;
        Bstr t(L"changed");
        during.push_back(one->put_Title(t.get()));
        during.push_back(tracks->Remove(0));
        during.push_back(two->put_TrackType(VEXO_AUDIO_TRACK_FILE_WAV));
        Bstr title;
        during.push_back(one->get_Title(title.put()));
    };
    Bstr artist(L"Artist"), title(L"Album");
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(artist.get(), title.get(), VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4 | 32), 8, static_cast<VEXO_MEDIA_TYPE>(1)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(DoneBurn(c), 0);
    EXPECT_EQ(during, (std::vector<HRESULT>{Err(529), Err(529), Err(529), S_OK}));
    EXPECT_EQ(sim::Counter("burn.type"), 0);
    EXPECT_EQ(sim::Counter("burn.flags"), 36);
    EXPECT_EQ(sim::Counter("burn.speed"), 8);
    EXPECT_EQ(sim::Text("burn.summary"), "artist=Artist;title=Album;datatrack=none;cdextra=0;stamp=none;media=1;tracks=2");
    EXPECT_EQ(sim::Text("burn.track.1"),
              "pause=0;length=1000;kind=0;source=C:\\music\\one.wav;title=One;artist=<null>;indexes=0;index0=0");
    EXPECT_EQ(sim::Text("burn.track.2"),
              "pause=150;length=2000;kind=2;source=C:\\music\\two.mp3;title=Two;artist=<null>;indexes=2:75,300;"
              "index0=-1");
    // Once the burn is over, the objects take changes again.
    Bstr t(L"changed");
    EXPECT_EQ(one->put_Title(t.get()), S_OK);
    EXPECT_EQ(tracks->Remove(0), S_OK);
}

TEST_F(BurnTest, AnEventSourcedTrackIsPulledFromTheEnginesThreadThroughItsSink) {
    DriveClient c(TwoDrives("", "", Burn()));
    ASSERT_TRUE(c.ok());
    auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
    auto track = Create<IVexoAudioTrack>(CLSID_VexoAudioTrack);
    track->put_TrackType(VEXO_AUDIO_TRACK_THROUGH_EVENT);
    track->put_LengthInBlocks(10);
    tracks->Add(track.get());
    // The handler fills every request with a counting pattern.
    auto* sink = new LateBoundSink;
    DWORD cookie = AdviseSink(track.get(), DIID__IVexoAudioTrackEvents, sink);
    ASSERT_NE(cookie, 0u);
    std::vector<uint8_t> sent;
    DWORD handlerThread = 0;
    sink->onEvent = [&](DISPID id, std::vector<VARIANT*>& args) {
        handlerThread = GetCurrentThreadId();
        if (id == 1) {
            VARIANT* data = V_VARIANTREF(args.at(1));
            SAFEARRAY* a = V_ARRAY(data);
            int16_t* samples = nullptr;
            SafeArrayAccessData(a, reinterpret_cast<void**>(&samples));
            for (ULONG i = 0; i < a->rgsabound[0].cElements; ++i) {
                samples[i] = static_cast<int16_t>(sent.size() / 2 * 3 + 1);
                const auto* b = reinterpret_cast<const uint8_t*>(&samples[i]);
                sent.push_back(b[0]);
                sent.push_back(b[1]);
            }
            SafeArrayUnaccessData(a);
        } else {
            *V_BOOLREF(args.at(0)) = VARIANT_FALSE;  // no end before the length, no error
        }
    };
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(DoneBurn(c), 0);
    EXPECT_EQ(handlerThread, GetCurrentThreadId());
    ASSERT_EQ(sent.size(), 10u * 2352);
    EXPECT_EQ(sim::Text("burn.track.1.pulled"), "bytes=23520;crc=" + Hex8(Crc32(sent)) + ";eof=0;error=0");
    EXPECT_EQ(sim::Text("burn.summary"), "artist=;title=;datatrack=none;cdextra=0;stamp=none;media=0;tracks=1");
    UnadviseSink(track.get(), DIID__IVexoAudioTrackEvents, cookie);
    sink->Release();

    // With no sink the engine gets silence and is told of an error.
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2));
    EXPECT_EQ(DoneBurn(c), 1) << "the engine's failure";
    EXPECT_EQ(sim::Text("burn.track.1.pulled"),
              "bytes=23520;crc=" + Hex8(Crc32(std::vector<uint8_t>(23520, 0))) + ";eof=1;error=1");
}

// ---- the data track ----------------------------------------------------------------

TEST_F(BurnTest, TheDataTrackIsBuiltFromTheIsoTrackAndGivenBackAfterTheCall) {
    DriveClient c(TwoDrives("", "", Burn()));
    ASSERT_TRUE(c.ok());
    auto iso = Create<IVexoISOTrack2>(CLSID_VexoISOTrack);
    Ptr<IVexoFolder> root;
    ASSERT_EQ(iso->get_RootFolder(root.put()), S_OK);
    auto docs = Create<IVexoFolder>(CLSID_VexoFolder);
    auto readme = Create<IVexoFile>(CLSID_VexoFile);
    Bstr docsName(L"docs"), readmeName(L"readme.txt"), volume(L"BACKUP"), publisher(L"Quarn");
    docs->put_Name(docsName.get());
    readme->put_Name(readmeName.get());
    Ptr<IVexoFolders> folders;
    Ptr<IVexoFiles> files;
    root->get_Folders(folders.put());
    docs->get_Files(files.put());
    folders->Add(docs.get());
    files->Add(readme.get());
    iso->put_Name(volume.get());
    iso->put_Publisher(publisher.get());
    iso->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(1 | 4 | 8));

    std::vector<HRESULT> during;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != kOnProgress || !during.empty()) return;
        Bstr n(L"other");
        during.push_back(readme->put_Name(n.get()));
        during.push_back(iso->put_Publisher(n.get()));
        during.push_back(folders->Remove(0));
    };
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_TRUE, iso.get(), nullptr, nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(DoneBurn(c), 0);
    EXPECT_EQ(during, (std::vector<HRESULT>{Err(529), Err(529), Err(529)}));
    const std::string track =
        "volume=BACKUP;options=13;root=[docs/[ readme.txt ]];wrapper=[];system=;volumeset=;publisher=Quarn;"
        "preparer=;application=;copyright=;abstract=;bibliographic=";
    EXPECT_EQ(sim::Text("isotrack.last"), track);
    EXPECT_EQ(sim::Text("burn.summary"),
              "artist=;title=;datatrack={" + track + "};cdextra=-1;stamp=none;media=0;tracks=0");
    EXPECT_EQ(sim::Counter("freed.isotrack"), 1);
    EXPECT_EQ(sim::Counter("outstanding.isotrack"), 0);
    Bstr n(L"other");
    EXPECT_EQ(readme->put_Name(n.get()), S_OK);
}

TEST_F(BurnTest, AnIsoTrackWithoutRootOrRefusedByTheEngineFailsWithoutABurn) {
    DriveClient c(TwoDrives("", "", Burn("[Failures]\nVexoCreateIsoTrackEx=1\n")));
    ASSERT_TRUE(c.ok());
    auto bare = Create<IVexoISOTrack2>(CLSID_VexoISOTrack);  // its root folder was never read nor set
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, bare.get(), nullptr, nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(DoneBurn(c), 3);
    EXPECT_EQ(sim::Counter("calls.VexoCreateIsoTrackEx"), 0);
    EXPECT_EQ(sim::Counter("calls.VexoBurn"), 0);

    auto refused = Create<IVexoISOTrack2>(CLSID_VexoISOTrack);
    Ptr<IVexoFolder> root;
    refused->get_RootFolder(root.put());
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, refused.get(), nullptr, nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2));
    EXPECT_EQ(DoneBurn(c), 3);
    EXPECT_EQ(sim::Counter("calls.VexoCreateIsoTrackEx"), 1);
    EXPECT_EQ(sim::Counter("calls.VexoBurn"), 0);
    // And both are free for the next burn.
    Bstr n(L"X");
    EXPECT_EQ(refused->put_Name(n.get()), S_OK);
}

// ---- freestyle and video discs ---------------------------------------------------

TEST_F(BurnTest, FreestyleAndVideoRecordsCarryTheirTracksAndItems) {
    DriveClient c(TwoDrives("", "", Burn()));
    ASSERT_TRUE(c.ok());
    auto tracks = Create<IVexoFreestyleTracks>(CLSID_VexoFreestyleTracks);
    auto data = Create<IVexoFreestyleTrack>(CLSID_VexoFreestyleTrack);
    auto audio = Create<IVexoFreestyleTrack>(CLSID_VexoFreestyleTrack);
    Bstr dataFile(L"C:\\data.iso"), audioFile(L"C:\\song.wav");
    data->put_Filename(dataFile.get());
    data->put_LengthInBlocks(300);
    audio->put_Filename(audioFile.get());
    audio->put_TrackType(VEXO_FREESTYLE_TRACK_AUDIO);
    audio->put_LengthInBlocks(900);
    tracks->Add(data.get());
    tracks->Add(audio.get());
    // A content object that is not this server's own is refused.
    EXPECT_EQ(c.drive()->BurnFreestyleCD(reinterpret_cast<IVexoFileSystemContent*>(data.get()), nullptr, nullptr,
                                         VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                         static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              E_INVALIDARG);
    Bstr title(L"Mixed");
    ASSERT_EQ(c.drive()->BurnFreestyleCD(nullptr, nullptr, title.get(), VARIANT_TRUE, nullptr, tracks.get(), nullptr,
                                         static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(2)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(DoneBurn(c), 0);
    EXPECT_EQ(sim::Counter("burn.type"), 3);
    EXPECT_EQ(sim::Text("burn.summary"),
              "artist=;title=Mixed;datatrack=none;cdextra=-1;stamp=none;media=2;options=0;container=none;tracks=2");
    EXPECT_EQ(sim::Text("burn.track.1"),
              "pause=0;length=300;kind=4;source=C:\\data.iso;title=<null>;artist=<null>;indexes=0;type=0");
    EXPECT_EQ(sim::Text("burn.track.2"),
              "pause=0;length=900;kind=4;source=C:\\song.wav;title=<null>;artist=<null>;indexes=0;type=2");

    EXPECT_EQ(c.drive()->BurnVideoCD(nullptr, VARIANT_FALSE, nullptr, nullptr, static_cast<VEXO_BURN_FLAGS>(4), 0),
              E_POINTER);
    auto items = Create<IVexoVideoItems>(CLSID_VexoVideoItems);
    auto clip = Create<IVexoVideoItem>(CLSID_VexoVideoItem);
    auto still = Create<IVexoVideoItem>(CLSID_VexoVideoItem);
    Bstr clipName(L"C:\\clip.mpg"), stillName(std::wstring(260, L'j').c_str());
    clip->put_SourceFileName(clipName.get());
    clip->put_PauseAfterItem(5);
    still->put_SourceFileName(stillName.get());
    still->put_ItemType(VEXO_JPEG_ITEM);
    items->Add(clip.get());
    items->Add(still.get());
    Bstr temp(L"C:\\temp");
    ASSERT_EQ(c.drive()->BurnVideoCD(items.get(), VARIANT_TRUE, temp.get(), nullptr, static_cast<VEXO_BURN_FLAGS>(4),
                                     0),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2));
    EXPECT_EQ(DoneBurn(c), 0);
    EXPECT_EQ(sim::Counter("burn.type"), 1);
    EXPECT_EQ(sim::Text("burn.summary"), "svcd=-1;items=2;datatrack=none;temp=C:\\temp;resolution=0");
    EXPECT_EQ(sim::Text("burn.item.1"), "pause=5;type=0;long=no;name=C:\\clip.mpg");
    EXPECT_EQ(sim::Text("burn.item.2"), "pause=0;type=1;long=yes;name=" + std::string(260, 'j'));
}

// ---- the busy rule and shared objects ------------------------------------------------

TEST_F(BurnTest, ABurnWaitsForTheDriveAndObjectsServeOneBurnAtATime) {
    DriveClient c(TwoDrives("OperationMs=400\n", "", Burn()));
    ASSERT_TRUE(c.ok());
    auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
    tracks->Add(FileTrack(L"C:\\a.wav", VEXO_AUDIO_TRACK_FILE_WAV, L"A", 100).get());
    ASSERT_EQ(c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)), S_OK);
    EXPECT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              Err(520));
    ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo));

    // The same collection given to the second drive while the first burns it.
    c.SinkDrive1();
    HRESULT second = S_OK;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id == kOnProgress && second == S_OK)
            second = c.drive(1)->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                                static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0));
    };
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(second, Err(529));
    EXPECT_EQ(c.sink(1).Count(kOnDoneBurn), 0u);
    EXPECT_EQ(tracks->Remove(0), S_OK) << "the refused burn did not unlock what the first one held, nor keep it";
}

TEST_F(BurnTest, ADiscCopyHoldsBothDrivesUntilItEnds) {
    DriveClient c(TwoDrives("", "", Burn()));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.drive()->BurnDiscCopy(nullptr, VARIANT_FALSE, nullptr, VARIANT_FALSE, 0, 0, VARIANT_FALSE,
                                      VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, static_cast<VEXO_BURN_FLAGS>(4), 0,
                                      static_cast<VEXO_MEDIA_TYPE>(0)),
              E_POINTER);
    std::vector<HRESULT> during;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != kOnProgress || !during.empty()) return;
        BOOL ready = FALSE;
        during.push_back(c.drive(1)->get_DeviceReady(&ready));
        during.push_back(c.drive(1)->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)));
    };
    Bstr image(L"C:\\copy.bin");
    ASSERT_EQ(c.drive()->BurnDiscCopy(c.drive(1), VARIANT_TRUE, image.get(), VARIANT_TRUE, 4, 3, VARIANT_TRUE,
                                      VARIANT_FALSE, VARIANT_TRUE, VARIANT_TRUE, static_cast<VEXO_BURN_FLAGS>(4), 8,
                                      static_cast<VEXO_MEDIA_TYPE>(1)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(DoneBurn(c), 0);
    EXPECT_EQ(during, (std::vector<HRESULT>{Err(520), Err(520)}));
    EXPECT_EQ(sim::Counter("burn.type"), 1000);
    EXPECT_EQ(sim::Text("burn.summary"),
              "source=set;onthefly=-1;image=C:\\copy.bin;delete=-1;readspeed=4;retries=3;ignoredata=1;raw=-1;raw2=-1;"
              "ignoreaudio=0;isrc=-1;media=1");
    BOOL ready = FALSE;
    EXPECT_EQ(c.drive(1)->get_DeviceReady(&ready), S_OK) << "the source is free again";

    // A busy source refuses the copy and leaves the target free.
    c.SinkDrive1();
    ASSERT_EQ(c.drive(1)->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)), S_OK);
    EXPECT_EQ(c.drive()->BurnDiscCopy(c.drive(1), VARIANT_FALSE, nullptr, VARIANT_FALSE, 0, 0, VARIANT_FALSE,
                                      VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, static_cast<VEXO_BURN_FLAGS>(4), 0,
                                      static_cast<VEXO_MEDIA_TYPE>(0)),
              Err(520));
    EXPECT_EQ(c.drive()->get_DeviceReady(&ready), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo, 1, 10000, 1));
}

// ---- import and estimate --------------------------------------------------------------

TEST_F(BurnTest, ImportReportsItsCompletionWithItsObjects) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.drive()->ImportIsoTrack(1, static_cast<VEXO_IMPORT_ISO_TRACK_FLAGS>(1)), S_OK);
    ASSERT_TRUE(c.WaitFor(15));  // OnDoneImport2 comes after OnDoneImport
    ASSERT_EQ(c.sink().Count(10), 1u);
    const SinkEvent* done = c.sink().Last(15);
    EXPECT_EQ(done->args.at(0).Long(), VARIANT_FALSE) << "the engine found nothing to import";
    EXPECT_NE(done->args.at(1).Dispatch(), nullptr);
    EXPECT_NE(done->args.at(2).Dispatch(), nullptr);
    EXPECT_NE(done->args.at(3).Dispatch(), nullptr);
}

TEST_F(BurnTest, EstimateReportsItsCompletion) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    auto options = Create<IVexoFileSystemTrackOptions>(CLSID_VexoFileSystemTrackOptions);
    options->put_MediaType(static_cast<VEXO_MEDIA_TYPE>(1));
    ASSERT_EQ(c.drive()->EstimateTrackSize(nullptr, static_cast<VEXO_ESTIMATE_FLAGS>(4), options.get()), S_OK);
    ASSERT_TRUE(c.WaitFor(17));
    EXPECT_EQ(c.sink().Last(17)->args.at(0).Long(), VARIANT_FALSE);
    EXPECT_EQ(c.sink().Last(17)->args.at(1).Long(), 0);
    EXPECT_EQ(sim::Counter("calls.VexoEstimateTrackSize"), 1);
}

}  // namespace

// Drives in-process against the simulated engine: the quick members, the
// asynchronous operations with their events (received late-bound in this
// thread's apartment, in order), the busy rule and the abort request.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

class DriveTest : public ::testing::Test {
protected:
    void TearDown() override { SetRegistryEngine(""); }
};

// Ids and texts of an event, for order checks.
std::vector<DISPID> Ids(const LateBoundSink& s) {
    std::vector<DISPID> ids;
    for (const SinkEvent& e : s.Events()) ids.push_back(e.id);
    return ids;
}

std::string Utf8Of(const wchar_t* w) { return std::string(w, w + wcslen(w)); }

void ExpectAllInThisThread(const LateBoundSink& s) {
    for (const SinkEvent& e : s.Events()) EXPECT_EQ(e.thread, GetCurrentThreadId()) << "event " << e.id;
}

// ---- event sources ---------------------------------------------------------

// What a script host asks an object it was handed before it connects to its
// events: the object's class and default source interface.
void ExpectSourceClass(IUnknown* object, const wchar_t* className, REFIID events) {
    Ptr<IProvideClassInfo2> info2;
    ASSERT_EQ(object->QueryInterface(IID_IProvideClassInfo2, info2.put_void()), S_OK) << Utf8Of(className);
    Ptr<IProvideClassInfo> info;
    ASSERT_EQ(object->QueryInterface(IID_IProvideClassInfo, info.put_void()), S_OK);
    Ptr<ITypeInfo> type;
    ASSERT_EQ(info->GetClassInfo(type.put()), S_OK);
    Bstr name;
    type->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.str(), className);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(type->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    type->ReleaseTypeAttr(attr);
    GUID got{};
    ASSERT_EQ(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &got), S_OK);
    EXPECT_TRUE(IsEqualGUID(got, events)) << Utf8Of(className);
    EXPECT_EQ(info2->GetGUID(12345, &got), E_INVALIDARG);
    EXPECT_TRUE(IsEqualGUID(got, GUID_NULL));
    EXPECT_EQ(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, nullptr), E_POINTER);
    EXPECT_EQ(info->GetClassInfo(nullptr), E_POINTER);
}

TEST_F(DriveTest, EverySourceNamesItsClassAndDefaultEventsForScriptHosts) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    ExpectSourceClass(c.vexo(), L"Vexo", DIID__IVexoEvents);
    ExpectSourceClass(c.drive(), L"VexoDrive", DIID__IVexoDriveEvents);
    struct Created {
        const CLSID& clsid;
        const wchar_t* name;
        const IID& events;
    };
    for (const Created& k : {Created{CLSID_VexoAudioTrack, L"VexoAudioTrack", DIID__IVexoAudioTrackEvents},
                             Created{CLSID_VexoFreestyleTrack, L"VexoFreestyleTrack", DIID__IVexoFreestyleTrackEvents},
                             Created{CLSID_VexoFileProducer, L"VexoFileProducer", DIID__IVexoFileProducerEvents}}) {
        Ptr<IUnknown> object;
        ASSERT_EQ(CoCreateInstance(k.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()), S_OK);
        ExpectSourceClass(object.get(), k.name, k.events);
    }
    // An object without events answers no class information.
    Ptr<IUnknown> tracks, info;
    ASSERT_EQ(CoCreateInstance(CLSID_VexoAudioTracks, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, tracks.put_void()),
              S_OK);
    EXPECT_EQ(tracks->QueryInterface(IID_IProvideClassInfo, info.put_void()), E_NOINTERFACE);
}

// ---- quick members ---------------------------------------------------------

TEST_F(DriveTest, DriveLetterIsQuestionMarkWithoutLetter) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    Bstr letter;
    ASSERT_EQ(c.drive(0)->get_DriveLetter(letter.put()), S_OK);
    EXPECT_EQ(letter.str(), L"R");
    ASSERT_EQ(c.drive(1)->get_DriveLetter(letter.put()), S_OK);
    EXPECT_EQ(letter.str(), L"?");
}

TEST_F(DriveTest, ReadSpeedsSameObjectUntilUpdateDeviceInfo) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    Ptr<IVexoSpeeds> a, b, after;
    ASSERT_EQ(c.drive()->get_ReadSpeeds(a.put()), S_OK);
    ASSERT_EQ(c.drive()->get_ReadSpeeds(b.put()), S_OK);
    EXPECT_EQ(a.get(), b.get());
    VEXO_DRIVE_ERROR error{};
    ASSERT_EQ(c.drive()->UpdateDeviceInfo(VEXO_MEDIA_ANY, &error), S_OK);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(c.drive()->get_ReadSpeeds(after.put()), S_OK);
    EXPECT_NE(after.get(), a.get());
    LONG count = 0, base = 0;
    ASSERT_EQ(after->get_Count(&count), S_OK);
    ASSERT_EQ(after->get_BaseSpeedKBs(&base), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(base, 176);
    EXPECT_EQ(c.drive()->UpdateDeviceInfo(VEXO_MEDIA_ANY, nullptr), E_POINTER);
}

TEST_F(DriveTest, DeviceOptionsRangeConversionAndResult) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = 7;
    struct Bad {
        int option;
    } const bad[] = {{4}, {-1}, {100}};
    for (const Bad& b : bad) {
        EXPECT_EQ(c.drive()->SetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(b.option), v), E_INVALIDARG) << b.option;
        VARIANT out;
        EXPECT_EQ(c.drive()->GetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(b.option), &out), E_INVALIDARG)
            << b.option;
    }
    EXPECT_EQ(sim::Counter("calls.VexoOpenDevice"), 0) << "range checks come before the device";

    // Options 1 and 3 take numbers, 0 and 2 booleans (a 16-bit -1 for true).
    EXPECT_EQ(c.drive()->SetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(1), v), S_OK);
    EXPECT_EQ(sim::Counter("option.device.1"), 7);
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"-1");
    EXPECT_EQ(c.drive()->SetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(0), text), S_OK);
    EXPECT_EQ(sim::Counter("option.device.0"), -1);
    VariantClear(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"not a number");
    EXPECT_EQ(c.drive()->SetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(3), text), DISP_E_TYPEMISMATCH);
    VariantClear(&text);

    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(c.drive()->GetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(1), &out), S_FALSE);
    EXPECT_EQ(V_VT(&out), VT_I4);
    EXPECT_EQ(V_I4(&out), 7);
    EXPECT_EQ(c.drive()->GetDeviceOption(static_cast<VEXO_DEVICE_OPTION>(1), nullptr), E_POINTER);
}

TEST_F(DriveTest, QuickMembersReportEngineFailures) {
    DriveClient c(TwoDrives("EjectResult=1\nReady=1\n", "EraseTimeQuick=-2\nEraseTimeFull=-3\n"));
    ASSERT_TRUE(c.ok());
    const int outstanding = sim::Counter("outstanding");
    BOOL ready = TRUE;
    EXPECT_EQ(c.drive()->get_DeviceReady(&ready), S_OK);
    EXPECT_EQ(ready, FALSE);
    EXPECT_EQ(c.drive()->EjectCD(), Err(516));
    EXPECT_EQ(sim::Counter("eject.last"), 1);
    EXPECT_EQ(c.drive()->LoadCD(), Err(516));
    EXPECT_EQ(sim::Counter("eject.last"), 0);
    EXPECT_EQ(c.drive(1)->EjectCD(), S_OK);

    struct Case {
        int drive;
        VARIANT_BOOL quick;
        HRESULT hr;
        LONG time;
    } const cases[] = {
        {0, VARIANT_TRUE, S_OK, 60},
        {0, VARIANT_FALSE, S_OK, 600},
        {1, VARIANT_TRUE, Err(518), 0},
        {1, VARIANT_FALSE, Err(534), 0},
    };
    for (const Case& k : cases) {
        LONG t = -5;
        EXPECT_EQ(c.drive(k.drive)->get_CDRWErasingTime(k.quick, &t), k.hr) << k.drive << " " << k.quick;
        EXPECT_EQ(t, k.time);
    }

    Ptr<IVexoSpeeds> speeds;
    EXPECT_EQ(c.drive()->get_AvailableSpeeds(static_cast<VEXO_ACCESSTYPE>(0), VEXO_MEDIA_ANY, speeds.put()), S_OK);
    LONG count = 0, first = 0;
    ASSERT_TRUE(speeds);
    speeds->get_Count(&count);
    speeds->Item(0, &first);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(c.drive()->get_AvailableSpeeds(static_cast<VEXO_ACCESSTYPE>(7), VEXO_MEDIA_ANY, speeds.put()),
              Err(537));
    EXPECT_EQ(sim::Counter("outstanding"), outstanding) << "the speed record is given back";
}

TEST_F(DriveTest, DeviceOpenedOnFirstGuardedUseAndRetried) {
    DriveClient c(TwoDrives("OpenFails=1\n"));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(sim::Counter("calls.VexoOpenDevice"), 0);
    LONG modes = 0;
    EXPECT_EQ(c.drive()->get_SupportedAccessModes(&modes), Err(515));
    EXPECT_EQ(c.drive()->get_SupportedAccessModes(&modes), S_OK);
    EXPECT_EQ(c.drive()->get_SupportedAccessModes(&modes), S_OK);
    EXPECT_EQ(sim::Counter("calls.VexoOpenDevice"), 2);
    EXPECT_EQ(sim::Counter("devices.open"), 1);
    c.DropAll();
    EXPECT_EQ(sim::Counter("devices.open"), 0) << "the drive closes its device";
}

TEST_F(DriveTest, InitImageRecorderPassesPathOrNull) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    Bstr path(L"C:\\images\\disc.iso");
    EXPECT_EQ(c.drive()->InitImageRecorder(path.get(), static_cast<VEXO_MEDIA_TYPE>(4)), S_OK);
    EXPECT_EQ(sim::Text("imagerecorder.path"), "C:\\images\\disc.iso");
    EXPECT_EQ(sim::Counter("imagerecorder.mediatype"), 4);
    EXPECT_EQ(c.drive()->InitImageRecorder(nullptr, static_cast<VEXO_MEDIA_TYPE>(0)), S_OK);
    EXPECT_EQ(sim::Text("imagerecorder.path"), "");
}

// ---- erase -----------------------------------------------------------------

TEST_F(DriveTest, EraseWithoutRewritableDiscFailsAndStartsNothing) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    LONG t = -5;
    EXPECT_EQ(c.drive(1)->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), Err(517));
    EXPECT_EQ(t, 0);
    EXPECT_EQ(c.drive(1)->EraseCDRW(VARIANT_FALSE, &t), Err(517));
    EXPECT_EQ(sim::Counter("calls.VexoEraseDisc"), 0);
    BOOL ready = FALSE;
    EXPECT_EQ(c.drive(1)->get_DeviceReady(&ready), S_OK) << "nothing left registered";
    EXPECT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), nullptr), E_POINTER);
}

TEST_F(DriveTest, EraseRunsOnWorkerAndCompletesInClientThread) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    LONG t = 0;
    ASSERT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(2), &t), S_OK);
    EXPECT_EQ(t, 60);
    ASSERT_TRUE(c.WaitFor(kOnDoneErase));
    EXPECT_EQ(c.sink().Last(kOnDoneErase)->args.at(0).Long(), VARIANT_TRUE);
    EXPECT_EQ(sim::Counter("erase.quick"), 1);
    EXPECT_EQ(sim::Counter("erase.mode"), 2);
    ASSERT_EQ(c.drive()->EraseCDRW(VARIANT_FALSE, &t), S_OK);
    EXPECT_EQ(t, 600);
    ASSERT_TRUE(c.WaitFor(kOnDoneErase, 2));
    EXPECT_EQ(sim::Counter("erase.quick"), 0);
    EXPECT_EQ(sim::Counter("erase.mode"), 0);
    ExpectAllInThisThread(c.sink());
}

TEST_F(DriveTest, EngineEraseFailureArrivesAsEventResult) {
    DriveClient c(TwoDrives("EraseResult=3\n"));
    ASSERT_TRUE(c.ok());
    LONG t = 0;
    ASSERT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneErase));
    EXPECT_EQ(c.sink().Last(kOnDoneErase)->args.at(0).Long(), VARIANT_FALSE);
}

// ---- the busy rule -----------------------------------------------------------

TEST_F(DriveTest, GuardedMembersRefusedWhileOperationRuns) {
    DriveClient c(TwoDrives("OperationMs=400\n"));
    ASSERT_TRUE(c.ok());
    LONG t = 0;
    ASSERT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), S_OK);
    BOOL ready = FALSE;
    EXPECT_EQ(c.drive()->get_DeviceReady(&ready), Err(520));
    EXPECT_EQ(c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)), Err(520));
    EXPECT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), Err(520));
    EXPECT_EQ(c.drive()->WaitForMedia(VEXO_MEDIA_ANY, static_cast<VEXO_BURN_FLAGS>(0), nullptr), Err(520));
    EXPECT_EQ(c.drive(1)->get_DeviceReady(&ready), S_OK) << "the other drive is free";
    // Not guarded: the fixed properties and UpdateDeviceInfo.
    VEXO_DRIVE_ERROR error{};
    EXPECT_EQ(c.drive()->UpdateDeviceInfo(VEXO_MEDIA_ANY, &error), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneErase));
    EXPECT_EQ(c.drive()->get_DeviceReady(&ready), S_OK);
}

TEST_F(DriveTest, NextOperationMayStartFromCompletionHandler) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    HRESULT fromHandler = E_FAIL;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id == kOnDoneErase) fromHandler = c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(1));
    };
    LONG t = 0;
    ASSERT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo));
    EXPECT_EQ(fromHandler, S_OK);
    EXPECT_EQ((std::vector<DISPID>{kOnDoneErase, kOnDoneCDInfo}), Ids(c.sink()));
    EXPECT_EQ(sim::Counter("cdinfo.flags"), 1);
}

// ---- disc information ----------------------------------------------------------

TEST_F(DriveTest, CDInfoDeliversOwnObjectThatOutlivesTheWorker) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(3)), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo));
    IDispatch* disp = c.sink().Last(kOnDoneCDInfo)->args.at(0).Dispatch();
    ASSERT_NE(disp, nullptr);
    Ptr<IVexoCDInfo2> info;
    ASSERT_EQ(disp->QueryInterface(IID_IVexoCDInfo2, info.put_void()), S_OK);
    // The worker and its apartment are gone by now; the object is the
    // client's own, not a proxy into them.
    PumpUntil([] { return false; }, 300);
    LONG free = 0, media = 0, total = 0;
    ASSERT_EQ(info->get_FreeCapacityInBlocks(&free), S_OK);
    EXPECT_EQ(free, 300000);
    EXPECT_EQ(info->get_MediaType(reinterpret_cast<VEXO_MEDIA_TYPE*>(&media)), S_OK);
    EXPECT_EQ(media, 1);
    EXPECT_EQ(info->get_TotalCapacity(&total), S_OK);
    EXPECT_EQ(total, 360000);
    Bstr title;
    ASSERT_EQ(info->get_Title(title.put()), S_OK);
    EXPECT_EQ(title.str(), L"Sim Disc");
    Ptr<IVexoTracks> tracks;
    ASSERT_EQ(info->get_Tracks(tracks.put()), S_OK);
    LONG count = 0;
    ASSERT_EQ(tracks->get_Count(&count), S_OK);
    ASSERT_EQ(count, 2);
    Ptr<IVexoTrack2> second;
    ASSERT_EQ(tracks->Item(1, second.put()), S_OK);
    LONG start = 0, length = 0;
    second->get_TrackStartBlk(&start);
    second->get_TrackLengthInBlks(&length);
    EXPECT_EQ(start, 1000);
    EXPECT_EQ(length, 1500);
    Bstr isrc, songTitle;
    second->get_ISRC(isrc.put());
    second->get_Title(songTitle.put());
    EXPECT_EQ(isrc.str(), L"SIM000000002");
    EXPECT_EQ(songTitle.str(), L"Second Song");
    EXPECT_EQ(sim::Counter("outstanding.info"), 0) << "the engine's record is given back";
    EXPECT_EQ(sim::Counter("outstanding"), 2) << "each drive keeps its progress record; info "
                                              << sim::Counter("outstanding.info") << " progress "
                                              << sim::Counter("outstanding.progress") << " list "
                                              << sim::Counter("outstanding.list") << " text "
                                              << sim::Counter("outstanding.text");
}

TEST_F(DriveTest, DiscInformationLeavesNoServerObjectBehind) {
    {
        DriveClient c(TwoDrives());
        ASSERT_TRUE(c.ok());
        for (int i = 1; i <= 3; ++i) {
            ASSERT_EQ(c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)), S_OK);
            ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo, static_cast<size_t>(i)));
        }
    }
    // Everything the client had is released: the server may be unloaded.
    EXPECT_TRUE(PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000));
}

TEST_F(DriveTest, CDInfoWithoutDiscDeliversNull) {
    DriveClient c(TwoDrives("Disc=none\n"));
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.drive()->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(0)), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneCDInfo));
    const OwnedVariant& arg = c.sink().Last(kOnDoneCDInfo)->args.at(0);
    EXPECT_TRUE(arg.vt() == VT_DISPATCH || arg.vt() == VT_UNKNOWN);
    EXPECT_EQ(arg.Dispatch(), nullptr);
}

// ---- audio extraction ------------------------------------------------------------

TEST_F(DriveTest, DaeThroughEventsDeliversTheDiscAudioInOrder) {
    DriveClient c(TwoDrives("DaeChunkBlocks=10\n"));
    ASSERT_TRUE(c.ok());
    const long start = 100, blocks = 25;
    ASSERT_EQ(c.drive()->DAE(start, blocks, nullptr, 4), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneDAE));
    ExpectAllInThisThread(c.sink());
    EXPECT_EQ(c.sink().Last(kOnDoneDAE)->args.at(0).Long(), VARIANT_TRUE);
    EXPECT_EQ(sim::Counter("dae.kind"), 1);
    EXPECT_EQ(sim::Counter("dae.speed"), 4);

    // Chunks of 10, 10 and 5 blocks, each followed by its progress; done last.
    std::vector<int16_t> samples;
    std::vector<DISPID> order;
    for (const SinkEvent& e : c.sink().Events()) {
        order.push_back(e.id);
        if (e.id != kOnWriteDAE) continue;
        ASSERT_EQ(e.args.size(), 2u);
        EXPECT_EQ(e.args[0].Long(), 0);
        const VARIANT& v = e.args[1].get();
        ASSERT_EQ(V_VT(&v), VT_ARRAY | VT_I2);
        SAFEARRAY* a = V_ARRAY(&v);
        ASSERT_EQ(SafeArrayGetDim(a), 1u);
        LONG lo = 0, hi = -1;
        SafeArrayGetLBound(a, 1, &lo);
        SafeArrayGetUBound(a, 1, &hi);
        void* data = nullptr;
        ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
        const auto* p = static_cast<const int16_t*>(data);
        samples.insert(samples.end(), p, p + (hi - lo + 1));
        SafeArrayUnaccessData(a);
    }
    EXPECT_EQ((std::vector<DISPID>{kOnWriteDAE, kOnProgress, kOnWriteDAE, kOnProgress, kOnWriteDAE, kOnProgress,
                                   kOnDoneDAE}),
              order);
    ASSERT_EQ(samples.size(), static_cast<size_t>(blocks) * 1176);
    size_t wrong = 0;
    for (long b = 0; b < blocks; ++b)
        for (int i = 0; i < 588; ++i) {
            const size_t at = (static_cast<size_t>(b) * 588 + i) * 2;
            wrong += samples[at] != LeftSample(start + b, i) || samples[at + 1] != RightSample(start + b, i);
        }
    EXPECT_EQ(wrong, 0u);
    const SinkEvent* progress = c.sink().Last(kOnProgress);
    EXPECT_EQ(progress->args.at(0).Long(), 100);
}

TEST_F(DriveTest, SinkSettingAbortInProgressAbortsTheDae) {
    DriveClient c(TwoDrives("DaeChunkBlocks=5\n"));
    ASSERT_TRUE(c.ok());
    c.sink().onEvent = [](DISPID id, std::vector<VARIANT*>& args) {
        if (id == kOnProgress && args.size() == 2) SetRefBool(args[1], true);
    };
    ASSERT_EQ(c.drive()->DAE(0, 50, nullptr, 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneDAE));
    EXPECT_EQ(c.sink().Last(kOnDoneDAE)->args.at(0).Long(), VARIANT_FALSE);
    EXPECT_EQ(c.sink().Count(kOnProgress), 1u);
    EXPECT_EQ(sim::Counter("dae.chunks"), 1);
    // The abort value the sink left is what the progress event read back.
    EXPECT_EQ(c.sink().Last(kOnProgress)->args.at(1).Long(), VARIANT_TRUE);
}

TEST_F(DriveTest, AbortThenNewOperationIsNotAborted) {
    DriveClient c(TwoDrives("DaeChunkBlocks=5\nOperationMs=100\n"));
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.drive()->DAE(0, 50, nullptr, 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnProgress));
    EXPECT_EQ(c.vexo()->Abort(), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneDAE));
    EXPECT_EQ(c.sink().Last(kOnDoneDAE)->args.at(0).Long(), VARIANT_FALSE) << "Abort stops the running DAE";

    EXPECT_EQ(c.vexo()->Abort(), S_OK);
    c.sink().Clear();
    ASSERT_EQ(c.drive()->DAE(0, 20, nullptr, 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneDAE));
    EXPECT_EQ(c.sink().Last(kOnDoneDAE)->args.at(0).Long(), VARIANT_TRUE);
    EXPECT_EQ(c.sink().Count(kOnWriteDAE), 4u);
}

TEST_F(DriveTest, DaeFileNameLengthRule) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string dir = temp;
    auto nameOf = [&](size_t total) { return dir + std::string(total - dir.size() - 4, 'a') + ".wav"; };

    const std::string fits = nameOf(255);
    DeleteFileA(fits.c_str());
    std::wstring w(fits.begin(), fits.end());
    Bstr name(w.c_str());
    ASSERT_EQ(c.drive()->DAE(0, 3, name.get(), 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneDAE));
    EXPECT_EQ(c.sink().Last(kOnDoneDAE)->args.at(0).Long(), VARIANT_TRUE);
    EXPECT_EQ(sim::Text("dae.file"), fits);
    WIN32_FILE_ATTRIBUTE_DATA attr{};
    ASSERT_TRUE(GetFileAttributesExA(fits.c_str(), GetFileExInfoStandard, &attr));
    EXPECT_EQ(attr.nFileSizeLow, 44u + 3 * 2352);
    EXPECT_EQ(c.sink().Count(kOnWriteDAE), 0u);
    DeleteFileA(fits.c_str());

    const std::string tooLong = nameOf(256);
    std::wstring w2(tooLong.begin(), tooLong.end());
    Bstr name2(w2.c_str());
    const int calls = sim::Counter("calls.VexoDAE");
    EXPECT_EQ(c.drive()->DAE(0, 3, name2.get(), 0), Err(524));
    EXPECT_EQ(sim::Counter("calls.VexoDAE"), calls);
    BOOL ready = FALSE;
    EXPECT_EQ(c.drive()->get_DeviceReady(&ready), S_OK) << "nothing left registered";
}

TEST_F(DriveTest, DaeOutsideTheDiscFails) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.drive()->DAE(2400, 500, nullptr, 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneDAE));
    EXPECT_EQ(c.sink().Last(kOnDoneDAE)->args.at(0).Long(), VARIANT_FALSE);
}

// ---- waiting for a disc ----------------------------------------------------------

TEST_F(DriveTest, WaitForMediaAndWaitForDiscPassTheirValues) {
    DriveClient c(TwoDrives("WaitResult=5\n"));
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(c.drive()->WaitForMedia(static_cast<VEXO_MEDIA_TYPE>(2), static_cast<VEXO_BURN_FLAGS>(4), nullptr), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneWaitForMedia));
    EXPECT_EQ(c.sink().Last(kOnDoneWaitForMedia)->args.at(0).Long(), 5);
    EXPECT_EQ(sim::Counter("wait.mediatype"), 2);
    EXPECT_EQ(sim::Counter("wait.burnflags"), 4);
    EXPECT_EQ(sim::Counter("wait.flags"), 0);
    EXPECT_EQ(sim::Counter("wait.stamp"), 0);
    ASSERT_EQ(c.drive()->WaitForDisc(static_cast<VEXO_MEDIA_TYPE>(8), static_cast<VEXO_BURN_FLAGS>(0), nullptr,
                                     static_cast<VEXO_WAITFORDISC_FLAGS>(1)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneWaitForMedia, 2));
    EXPECT_EQ(sim::Counter("wait.mediatype"), 8);
    EXPECT_EQ(sim::Counter("wait.flags"), 1);
    ExpectAllInThisThread(c.sink());
}

TEST_F(DriveTest, ForeignStampObjectIsPassedAsNoStamp) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    // Any object can arrive where a stamp is expected: only the server's own
    // stamps carry an engine pointer.
    LateBoundSink foreign;
    ASSERT_EQ(c.drive()->WaitForMedia(VEXO_MEDIA_ANY, static_cast<VEXO_BURN_FLAGS>(0),
                                      reinterpret_cast<IVexoCDStamp*>(static_cast<IDispatch*>(&foreign))),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneWaitForMedia));
    EXPECT_EQ(sim::Counter("wait.stamp"), 0);
}

TEST_F(DriveTest, DriveReleasedWhileItsOperationRunsLastsUntilTheEnd) {
    DriveClient c(TwoDrives("OperationMs=300\n"));
    ASSERT_TRUE(c.ok());
    LONG t = 0;
    ASSERT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), S_OK);
    c.DropAll();  // the client holds nothing of the drive any more
    EXPECT_EQ(sim::Counter("devices.open"), 1) << "the running operation keeps its drive";
    EXPECT_TRUE(PumpUntil([] { return sim::Counter("devices.open") == 0; }, 5000)) << "the drive goes after it";
    EXPECT_EQ(sim::Counter("erase.calls"), 1);
}

// ---- drive-status notifications ------------------------------------------------

TEST_F(DriveTest, StatusCallbackFiresDriveStatusChanged) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(2), TRUE), E_INVALIDARG);
    EXPECT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(-1), TRUE), E_INVALIDARG);
    EXPECT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(0), FALSE), S_OK);
    ASSERT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(0), TRUE), S_OK);
    ASSERT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(0), TRUE), S_OK);
    EXPECT_EQ(sim::Counter("status.registered"), 1);
    EXPECT_EQ(FireDriveStatus(0, 0, 3), 1);
    ASSERT_TRUE(c.WaitFor(kOnDriveStatusChanged));
    EXPECT_EQ(c.sink().Last(kOnDriveStatusChanged)->args.at(0).Long(), 3);
    ExpectAllInThisThread(c.sink());
    EXPECT_EQ(sim::Counter("status.accepted"), 1);
    EXPECT_EQ(FireDriveStatus(0, 1, 0), 0) << "type 1 was never enabled";

    ASSERT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(1), TRUE), S_OK);
    EXPECT_EQ(sim::Counter("status.registered"), 2);
    ASSERT_EQ(c.drive()->EnableStatusCallback(static_cast<VEXO_DRIVESTATUS_TYPE>(0), FALSE), S_OK);
    EXPECT_EQ(sim::Counter("status.registered"), 1);
    c.DropAll();
    EXPECT_EQ(sim::Counter("status.registered"), 0) << "the drive unregisters what is left";
}

// ---- image burns -----------------------------------------------------------------

TEST_F(DriveTest, BurnImageReportsProgressPhasesAndResult) {
    DriveClient c(TwoDrives("", "", "[Burn]\nSteps=4\nStepMs=5\n"));
    ASSERT_TRUE(c.ok());
    Bstr image(L"C:\\images\\disc.iso");
    ASSERT_EQ(c.drive()->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(4 | 16), 8), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    ExpectAllInThisThread(c.sink());
    EXPECT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 0);
    EXPECT_EQ(sim::Counter("burn.type"), 2);
    EXPECT_EQ(sim::Counter("burn.flags"), 20);
    EXPECT_EQ(sim::Counter("burn.speed"), 8);
    EXPECT_EQ(sim::Counter("burn.mediatype"), 0);
    EXPECT_EQ(sim::Text("burn.image"), "C:\\images\\disc.iso");
    EXPECT_EQ(c.sink().Count(kOnProgress), 4u);
    EXPECT_EQ(c.sink().Count(kOnSetPhase), 1u);
    EXPECT_EQ(c.sink().Count(kOnAddLogLine), 1u);
    EXPECT_EQ(c.sink().Count(kOnMajorPhase), 1u);
    EXPECT_EQ(c.sink().Count(kOnSubTaskProgress), 1u);
    EXPECT_EQ(c.sink().Events().back().id, kOnDoneBurn);
    Bstr phase(nullptr);
    const VARIANT& p = c.sink().Last(kOnSetPhase)->args.at(0).get();
    ASSERT_EQ(V_VT(&p), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&p)), L"Burning image");
    EXPECT_EQ(sim::Counter("outstanding"), 2) << "the burn's progress record is given back (each drive keeps its own)";

    Bstr image2(L"second.img");
    ASSERT_EQ(c.drive()->BurnImage2(image2.get(), static_cast<VEXO_BURN_FLAGS>(0), 0, static_cast<VEXO_MEDIA_TYPE>(8)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2));
    EXPECT_EQ(sim::Counter("burn.mediatype"), 8);
    EXPECT_EQ(sim::Text("burn.image"), "second.img");
}

TEST_F(DriveTest, EraseDuringBurnRefusedOutsideTheQuestion) {
    DriveClient c(TwoDrives("", "", "[Burn]\nSteps=20\nStepMs=20\n"));
    ASSERT_TRUE(c.ok());
    HRESULT duringProgress = S_OK;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>& args) {
        if (id == kOnProgress && duringProgress == S_OK) {
            LONG t = 0;
            duringProgress = c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t);
        }
        if (id == kOnProgress && c.sink().Count(kOnProgress) == 2) SetRefBool(args[1], true);
    };
    Bstr image(L"disc.iso");
    ASSERT_EQ(c.drive()->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(0), 0), S_OK);
    LONG t = 0;
    EXPECT_EQ(c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), Err(520));
    BOOL ready = FALSE;
    EXPECT_EQ(c.drive()->get_DeviceReady(&ready), Err(520));
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(duringProgress, Err(520));
    EXPECT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 6) << "the sink's abort ends the burn";
    EXPECT_EQ(sim::Counter("burn.progress.answer"), -1) << "the engine hears the client's True as it is";
    EXPECT_EQ(sim::Counter("calls.VexoEraseDisc"), 0);
}

// A client that lets go of everything while a burn runs: the operation
// holds the drive to its end, and its last release, the device close and
// the engine's shutdown happen on the client's thread, not the worker's.
TEST_F(DriveTest, TheLastReleaseAfterAnOperationHappensOnTheClientsThread) {
    {
        DriveClient c(TwoDrives("", "", "[Burn]\nSteps=5\nStepMs=40\n"));
        ASSERT_TRUE(c.ok());
        Bstr image(L"disc.iso");
        ASSERT_EQ(c.drive()->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(0), 0), S_OK);
        c.DropAll();
    }
    const int closesBefore = sim::Counter("calls.VexoCloseDevice");
    ASSERT_TRUE(PumpUntil([&] { return sim::Counter("done.calls") > 0; }, 10000)) << "the engine was shut down";
    EXPECT_GE(sim::Counter("calls.VexoCloseDevice") - closesBefore, 0);
    EXPECT_EQ(static_cast<DWORD>(sim::Counter("closedevice.thread")), GetCurrentThreadId());
    EXPECT_EQ(static_cast<DWORD>(sim::Counter("done.thread")), GetCurrentThreadId());
    EXPECT_EQ(sim::Counter("burn.steps"), 5) << "the burn ran to its end";
}

// An object handed to a late-bound call that fails on its arguments is
// given back: nothing keeps a reference on it.
TEST_F(DriveTest, ALateBoundCallRefusedForItsArgumentsKeepsNoReference) {
    DriveClient c(TwoDrives());
    ASSERT_TRUE(c.ok());
    struct Counted final : IDispatch {
        LONG refs = 1;
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            *out = (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) ? this : nullptr;
            if (!*out) return E_NOINTERFACE;
            AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
        STDMETHODIMP_(ULONG) Release() override { return --refs; }
        STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
        STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
        STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
            return DISP_E_MEMBERNOTFOUND;
        }
    } object;
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"BAOWriteToFile");
    ASSERT_EQ(c.drive()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    auto call = [&](std::vector<VARIANT> reversed) {
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT argErr = 0;
        HRESULT hr = c.drive()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &excep,
                                       &argErr);
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        return hr;
    };
    VARIANT obj;
    V_VT(&obj) = VT_DISPATCH;
    V_DISPATCH(&obj) = &object;
    EXPECT_EQ(call({obj}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(object.refs, 1);
    VARIANT huge;
    V_VT(&huge) = VT_CY;
    V_CY(&huge).int64 = 1000000000000000LL;  // beyond a 32-bit count
    EXPECT_EQ(call({huge, obj}), DISP_E_OVERFLOW);
    EXPECT_EQ(object.refs, 1);
    VARIANT three;
    V_VT(&three) = VT_I4;
    V_I4(&three) = 3;
    EXPECT_EQ(call({three, obj, obj}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(object.refs, 1);
    // An object, by value or by reference, for the count is refused as well:
    // its conversion would call into it.
    IDispatch* objectRef = &object;
    VARIANT countByRef;
    V_VT(&countByRef) = VT_BYREF | VT_DISPATCH;
    V_DISPATCHREF(&countByRef) = &objectRef;
    EXPECT_EQ(call({countByRef, obj}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(call({obj, obj}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(object.refs, 1);
    // A count by reference is read through the reference.
    VARIANT hugeByRef;
    V_VT(&hugeByRef) = VT_BYREF | VT_CY;
    CY cy;
    cy.int64 = 1000000000000000LL;
    V_CYREF(&hugeByRef) = &cy;
    EXPECT_EQ(call({hugeByRef, obj}), DISP_E_OVERFLOW);
    EXPECT_EQ(object.refs, 1);
    // A call that fits goes through as before: no handle here, so 546.
    EXPECT_EQ(call({three, obj}), DISP_E_EXCEPTION);
    EXPECT_EQ(object.refs, 1);
}

// Objects of the wrong class handed late-bound for a burn's interface
// arguments: the call is refused and no reference stays behind, so the server
// can unload once the client lets go.
TEST_F(DriveTest, ALateBoundBurnGivenObjectsOfTheWrongClassKeepsNoReference) {
    {
        DriveClient c(TwoDrives());
        ASSERT_TRUE(c.ok());
        Ptr<IVexoFolder> folder;
        Ptr<IVexoVideoItems> items;
        ASSERT_EQ(CoCreateInstance(CLSID_VexoFolder, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFolder, folder.put_void()), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_VexoVideoItems, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoVideoItems,
                                   items.put_void()), S_OK);
        Ptr<IVexoFolders> folders;
        ASSERT_EQ(folder->get_Folders(folders.put()), S_OK);
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(L"BurnVideoCD");
        ASSERT_EQ(c.drive()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        Bstr temp(L"sub\\");
        VARIANT args[6];
        for (VARIANT& a : args) VariantInit(&a);
        // Declared order: VideoItems, SuperVideoCD, TempPath, ISOTrack, Flags, Speed (laid out last first).
        V_VT(&args[5]) = VT_UNKNOWN;
        V_UNKNOWN(&args[5]) = folders.get();
        V_VT(&args[4]) = VT_BOOL;
        V_BOOL(&args[4]) = VARIANT_TRUE;
        V_VT(&args[3]) = VT_BSTR;
        V_BSTR(&args[3]) = temp.get();
        V_VT(&args[2]) = VT_DISPATCH;
        V_DISPATCH(&args[2]) = items.get();
        V_VT(&args[1]) = VT_I4;
        V_I4(&args[1]) = 16;
        V_VT(&args[0]) = VT_I4;
        V_I4(&args[0]) = 1;
        DISPPARAMS params{args, nullptr, 6, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep{};
        UINT argErr = 0;
        const HRESULT hr =
            c.drive()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &excep, &argErr);
        EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(argErr, 5u) << "the first argument, laid out last";
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        VariantClear(&result);
    }
    EXPECT_TRUE(PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000));
}

// The same for an object passed by reference, alone or inside a VARIANT.
TEST_F(DriveTest, ALateBoundAddGivenAnObjectOfTheWrongClassByReferenceKeepsNoReference) {
    for (VARTYPE how : {VARTYPE(VT_BYREF | VT_DISPATCH), VARTYPE(VT_BYREF | VT_VARIANT)}) {
        {
            Ptr<IVexoFolder> folder;
            Ptr<IVexoAudioTrack> track;
            ASSERT_EQ(CoCreateInstance(CLSID_VexoFolder, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFolder,
                                       folder.put_void()), S_OK);
            ASSERT_EQ(CoCreateInstance(CLSID_VexoAudioTrack, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoAudioTrack,
                                       track.put_void()), S_OK);
            Ptr<IVexoFolders> folders;
            ASSERT_EQ(folder->get_Folders(folders.put()), S_OK);
            Ptr<IVexoRelativeIndexBlkPositions> positions;
            ASSERT_EQ(track->get_RelativeIndexBlkPositions(positions.put()), S_OK);
            DISPID id = 0;
            LPOLESTR name = const_cast<LPOLESTR>(L"Add");
            ASSERT_EQ(folders->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
            IDispatch* object = positions.get();
            VARIANT inner, arg;
            V_VT(&inner) = VT_DISPATCH;
            V_DISPATCH(&inner) = object;
            V_VT(&arg) = how;
            if (how == (VT_BYREF | VT_DISPATCH))
                V_DISPATCHREF(&arg) = &object;
            else
                V_VARIANTREF(&arg) = &inner;
            DISPPARAMS params{&arg, nullptr, 1, 0};
            EXCEPINFO excep{};
            UINT argErr = 0;
            EXPECT_EQ(folders->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &excep,
                                      &argErr),
                      DISP_E_TYPEMISMATCH)
                << how;
            SysFreeString(excep.bstrSource);
            SysFreeString(excep.bstrDescription);
            SysFreeString(excep.bstrHelpFile);
            EXPECT_EQ(object, positions.get());
        }
        EXPECT_TRUE(PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000)) << how;
    }
}

// An object of the right class passed by reference is handed on as such;
// when the member then refuses the call, no reference stays behind either.
TEST_F(DriveTest, ALateBoundBurnGivenItsItemsByReferenceKeepsNoReferenceWhenRefused) {
    {
        DriveClient c(TwoDrives());
        ASSERT_TRUE(c.ok());
        Ptr<IVexoVideoItems> items;
        Ptr<IVexoFolder> folder;
        ASSERT_EQ(CoCreateInstance(CLSID_VexoVideoItems, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoVideoItems,
                                   items.put_void()), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_VexoFolder, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFolder, folder.put_void()),
                  S_OK);
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(L"BurnVideoCD");
        ASSERT_EQ(c.drive()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        IDispatch* itemsObject = items.get();
        Bstr temp(L"temp");
        VARIANT args[6];
        V_VT(&args[5]) = VT_BYREF | VT_DISPATCH;  // VideoItems, right class
        V_DISPATCHREF(&args[5]) = &itemsObject;
        V_VT(&args[4]) = VT_BOOL;
        V_BOOL(&args[4]) = VARIANT_FALSE;
        V_VT(&args[3]) = VT_BSTR;
        V_BSTR(&args[3]) = temp.get();
        V_VT(&args[2]) = VT_DISPATCH;  // ISOTrack: a folder, refused by the member
        V_DISPATCH(&args[2]) = folder.get();
        V_VT(&args[1]) = VT_I4;
        V_I4(&args[1]) = 0;
        V_VT(&args[0]) = VT_I4;
        V_I4(&args[0]) = 1;
        DISPPARAMS params{args, nullptr, 6, 0};
        EXCEPINFO excep{};
        UINT argErr = 0;
        const HRESULT hr =
            c.drive()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &excep, &argErr);
        EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        EXPECT_EQ(itemsObject, items.get());
    }
    EXPECT_TRUE(PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000));
}

// Named arguments that name no parameter of the member (or one a
// positional argument already fills) are refused before any argument is
// converted, so the object passed beside them keeps no reference.
TEST_F(DriveTest, ALateBoundCallWithAnUnknownNamedArgumentKeepsNoReference) {
    for (DISPID bad : std::initializer_list<DISPID>{999, -1, 0, DISPID_PROPERTYPUT}) {
        {
            DriveClient c(TwoDrives());
            ASSERT_TRUE(c.ok());
            Ptr<IVexoFolder> folder;
            ASSERT_EQ(CoCreateInstance(CLSID_VexoFolder, nullptr, CLSCTX_INPROC_SERVER, IID_IVexoFolder,
                                       folder.put_void()), S_OK);
            DISPID id = 0;
            LPOLESTR name = const_cast<LPOLESTR>(L"BAOWriteToFile");
            ASSERT_EQ(c.drive()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
            VARIANT args[2];
            V_VT(&args[0]) = VT_I4;  // named `bad`
            V_I4(&args[0]) = 5;
            V_VT(&args[1]) = VT_UNKNOWN;  // positional: the buffer
            V_UNKNOWN(&args[1]) = folder.get();
            DISPPARAMS params{args, &bad, 2, 1};
            EXCEPINFO excep{};
            UINT argErr = 7;
            EXPECT_EQ(c.drive()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &excep,
                                        &argErr),
                      DISP_E_PARAMNOTFOUND)
                << bad;
            EXPECT_EQ(argErr, 0u);
            SysFreeString(excep.bstrSource);
            SysFreeString(excep.bstrDescription);
            SysFreeString(excep.bstrHelpFile);
        }
        EXPECT_TRUE(PumpUntil([] { return TheServer().CanUnloadNow() == S_OK; }, 5000)) << bad;
    }
}

TEST_F(DriveTest, TheSubTaskAnswerReachesTheEngineAsTheClientLeftIt) {
    DriveClient c(TwoDrives("", "", "[Burn]\nSteps=2\nStepMs=5\n"));
    ASSERT_TRUE(c.ok());
    Bstr image(L"disc.iso");
    ASSERT_EQ(c.drive()->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(0), 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    EXPECT_EQ(sim::Counter("burn.subtask.answer"), 0);
    EXPECT_EQ(sim::Counter("burn.progress.answer"), 0);

    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>& args) {
        if (id == kOnSubTaskProgress && args.size() == 2) SetRefBool(args[1], true);
    };
    ASSERT_EQ(c.drive()->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(0), 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2));
    EXPECT_EQ(sim::Counter("burn.subtask.answer"), -1);
    EXPECT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 6);
}

TEST_F(DriveTest, EraseFromNonEmptyRewritableQuestionIsAccepted) {
    DriveClient c(TwoDrives("", "", "[Burn]\nNonEmptyCDRW=1\nSteps=2\n"));
    ASSERT_TRUE(c.ok());
    LateBoundSink* engineSink = new LateBoundSink;
    DWORD cookie = AdviseSink(c.vexo(), DIID__IVexoEvents, engineSink);
    ASSERT_NE(cookie, 0u);
    HRESULT fromQuestion = E_FAIL;
    LONG estimate = 0;
    engineSink->onEvent = [&](DISPID id, std::vector<VARIANT*>& args) {
        if (id != 17) return;  // OnNonEmptyCDRW
        fromQuestion = c.drive()->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &estimate);
        if (!args.empty()) SetRefLong(args[0], 4);
    };
    Bstr image(L"disc.iso");
    ASSERT_EQ(c.drive()->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(256 | 4), 0), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn));
    c.WaitFor(kOnDoneErase, 1, 3000);
    const size_t questions = engineSink->Count(17);
    UnadviseSink(c.vexo(), DIID__IVexoEvents, cookie);
    engineSink->Release();
    ASSERT_EQ(questions, 1u) << "the burn asks whether to erase the disc";
    EXPECT_EQ(fromQuestion, S_OK);
    EXPECT_EQ(estimate, 60);
    EXPECT_EQ(c.sink().Count(kOnDoneErase), 1u);
    EXPECT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 0);
}

}  // namespace

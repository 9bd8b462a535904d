// The server in-process, in this thread's apartment, against the simulated
// engine: loading and initialising the engine, the shutdown rule, the
// configuration setters, the current engine object, drive collections and
// their enumeration, drive properties, disc-image information, drive-change
// events, bad input, registration.
#include <gtest/gtest.h>

#include <vector>

#include "ServerTestSupport.h"

using namespace servertest;

namespace {

constexpr HRESULT Err(unsigned id) { return static_cast<HRESULT>(0x80040000u + id); }

const char* const kTwoDevices =
    "[Device]\n"
    "Name=Test Writer A\nHostAdapterName=SIMA\nHostAdapter=2\nDeviceId=3\nDevType=1\nDriveLetter=E\n"
    "Capabilities=0x1234\nReadBase=176\nReadSpeeds=8,16,24\nWriteBase=150\nWriteSpeeds=4,8\n"
    "BupName=Guard\nBupSpeed=12\nMediaSupport=0xF\nMediaReadSupport=0x1F\nBufferSize=2048\n"
    "[Device]\n"
    "Name=Test Reader B\nDriveLetter=none\nDevType=2\n";

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::Configure(kTwoDevices);
        SetRegistryEngine("");
    }
    void TearDown() override {
        // Every object of a test is gone by now: the engine must be shut down.
        EXPECT_EQ(sim::Counter("init.ok"), sim::Counter("done.ok")) << "engine left initialised";
        SetRegistryEngine("");
    }

    static std::wstring Text(unsigned id) {
        char buf[1024] = {};
        LoadStringA(TheServer().module, id, buf, sizeof buf);
        std::string s = buf;
        return std::wstring(s.begin(), s.end());
    }
};

Ptr<IVexoDrives> Drives(IVexo4* v, HRESULT* hr = nullptr) {
    Ptr<IVexoDrives> d;
    HRESULT r = v->GetDrives(VEXO_MEDIA_ANY, d.put());
    if (hr) *hr = r;
    return d;
}

Ptr<IVexoDrive5> DriveAt(IVexoDrives* drives, int index) {
    Ptr<IVexoDrive5> d;
    EXPECT_EQ(drives->Item(index, d.put()), S_OK);
    return d;
}

}  // namespace

// ---- loading and initialising ------------------------------------------------

TEST_F(ServerTest, FilesPathWithAndWithoutTrailingBackslashLoadsTheSameEngine) {
    SetRegistryEngine("C:\\nowhere");  // never consulted with an explicit directory
    for (const std::string& path : {EngineFolder(), EngineFolder() + "\\"}) {
        sim::Configure(kTwoDevices);
        {
            Ptr<IVexo4> v = NewVexo(path);
            ASSERT_EQ(v->ClearErrors(), S_OK) << path;
            EXPECT_EQ(sim::Counter("init.ok"), 1) << path;
            EXPECT_EQ(sim::Text("init.directory"), EngineFolder() + "\\") << path;
            EXPECT_EQ(sim::Text("init.maker"), "Quarn");
            EXPECT_EQ(sim::Counter("init.idlecb"), 1);
            EXPECT_EQ(sim::Counter("init.dialogcb"), 1);
        }
        EXPECT_EQ(sim::Counter("done.ok"), 1) << path;
    }
}

TEST_F(ServerTest, RegistryCopyIsUsedWithoutFilesPath) {
    SetRegistryEngine(EngineFolder());
    Ptr<IVexo4> v = NewVexo("");
    ASSERT_EQ(v->ClearErrors(), S_OK);
    EXPECT_EQ(sim::Counter("init.ok"), 1);
    EXPECT_EQ(sim::Counter("init.directory.null"), 1) << "no directory without VexoFilesPath";
}

TEST_F(ServerTest, NoEngineAnywhereFailsWith513AndTellsNotLoaded) {
    Ptr<IVexo4> v = NewVexo("");
    Bstr text;
    ASSERT_EQ(v->get_LastError(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"VexoAPI.DLL was not loaded!");
    Ptr<IVexoDrives> d;
    EXPECT_EQ(v->GetDrives(VEXO_MEDIA_ANY, d.put()), Err(513));
    EXPECT_FALSE(d);
    ErrorInfo e = TakeErrorInfo();
    ASSERT_TRUE(e.present);
    EXPECT_EQ(e.description, Text(513));
    EXPECT_EQ(e.source, L"Vexo.Vexo.1");
    EXPECT_TRUE(IsEqualGUID(e.guid, GUID_NULL));
    ASSERT_EQ(v->get_ErrorLog(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"VexoAPI.DLL was not loaded!");
    EXPECT_EQ(v->ClearErrors(), Err(513));
    EXPECT_EQ(sim::Counter("init.calls"), 0);
}

TEST_F(ServerTest, FailedInitIsReportedAndRetriedAtTheNextCall) {
    sim::Configure((std::string(kTwoDevices) + "[Failures]\nVexoInit=1,1\n").c_str());
    Ptr<IVexo4> v = NewVexoWithEngine();
    EXPECT_EQ(v->ClearErrors(), Err(513));
    Bstr text;
    ASSERT_EQ(v->get_LastError(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"Invalid arguments detected while initializing library!");
    EXPECT_EQ(v->ClearErrors(), S_OK) << "the next call initialises again";
    EXPECT_EQ(sim::Counter("init.calls"), 2);
}

TEST_F(ServerTest, LanguageFileReachesInitAndIsClosedAfterwards) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Bstr name;
    ASSERT_EQ(v->get_LanguageFile(name.put()), S_OK);
    EXPECT_EQ(name.str(), L"vexo.txt");
    Bstr custom(L"deutsch.txt");
    ASSERT_EQ(v->put_LanguageFile(custom.get()), S_OK);
    ASSERT_EQ(v->put_EnableOverburn(VARIANT_TRUE), S_OK);
    ASSERT_EQ(v->put_OverburnSize(4500), S_OK);
    ASSERT_EQ(v->ClearErrors(), S_OK);
    EXPECT_EQ(sim::Text("init.language"), "deutsch.txt");
    EXPECT_EQ(sim::Counter("init.overburn"), -1);
    EXPECT_EQ(sim::Counter("init.overburnsize"), 4500);

    Bstr late(L"late.txt");
    EXPECT_EQ(v->put_LanguageFile(late.get()), Err(538));
    ErrorInfo e = TakeErrorInfo();
    EXPECT_EQ(e.description, Text(538));
    EXPECT_EQ(v->put_EnableOverburn(VARIANT_FALSE), Err(538));
    EXPECT_EQ(v->put_OverburnSize(1), Err(538));
    VARIANT_BOOL on = 0;
    ASSERT_EQ(v->get_EnableOverburn(&on), S_OK);
    EXPECT_EQ(on, VARIANT_TRUE);
    // Put back the defaults for the tests that follow (the engine is shut down).
    v.reset();
    v = NewVexoWithEngine();
    Bstr def(L"vexo.txt");
    EXPECT_EQ(v->put_LanguageFile(def.get()), S_OK);
    EXPECT_EQ(v->put_EnableOverburn(VARIANT_FALSE), S_OK);
    EXPECT_EQ(v->put_OverburnSize(0), S_OK);
}

TEST_F(ServerTest, EngineOptionsPassTheirValues) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    ASSERT_EQ(v->put_DVDOverburnSize(0), S_OK);
    EXPECT_EQ(sim::Counter("option.5.null"), 1) << "0 disables DVD overburning with a null value";
    ASSERT_EQ(v->put_DVDOverburnSize(777), S_OK);
    EXPECT_EQ(sim::Counter("option.5.null"), 0);
    EXPECT_EQ(sim::Counter("option.5"), 777);
    ASSERT_EQ(v->put_WriteBufferSize(4096), S_OK);
    EXPECT_EQ(sim::Counter("option.1"), 4096);
    Bstr file(L"runtime.txt");
    ASSERT_EQ(v->put_RuntimeLanguageFile(file.get()), S_OK);
    EXPECT_EQ(sim::Text("option.0"), "runtime.txt");
}

TEST_F(ServerTest, EngineErrorTextsAndDriveErrorPassThrough) {
    sim::Configure((std::string(kTwoDevices) +
                    "[Engine]\nDriveError=6\n[Errors]\nError=first problem\nError=second problem\n"
                    "LastError=the last one\nErrorLog=the whole log\n[MediaNames]\n2=CD-RW\n")
                       .c_str());
    Ptr<IVexo4> v = NewVexoWithEngine();
    VEXO_DRIVE_ERROR drive = VDE_NO_ERROR;
    ASSERT_EQ(v->get_LastDriveError(&drive), S_OK);
    EXPECT_EQ(drive, VDE_DISC_NOT_PRESENT_TRAY_OPEN);
    Bstr text;
    ASSERT_EQ(v->get_LastError(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"the last one");
    ASSERT_EQ(v->get_ErrorLog(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"the whole log");
    ASSERT_EQ(v->LastErrors(2, VEXO_LAST_ERRORS_FLAG_REPORT, text.put()), S_OK);
    EXPECT_FALSE(text.null());
    EXPECT_EQ(sim::Counter("lasterrors.count"), 2);
    EXPECT_EQ(sim::Counter("lasterrors.flags"), 2);
    ASSERT_EQ(v->get_TypeNameOfMedia(VEXO_MEDIA_CDRW, text.put()), S_OK);
    EXPECT_EQ(text.str(), L"CD-RW");
    ASSERT_EQ(v->ClearErrors(), S_OK);
    EXPECT_EQ(sim::Counter("calls.VexoClearErrors"), 1);
}

TEST_F(ServerTest, ApiVersionComesFromTheEngine) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    SHORT a = 9, b = 9, c = 9, d = 9;
    EXPECT_EQ(v->APIVersion(&a, &b, nullptr, &d), E_POINTER);
    ASSERT_EQ(v->APIVersion(&a, &b, &c, &d), S_OK);
    EXPECT_EQ(a, 6);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(d, 24);
}

// ---- lifetime --------------------------------------------------------------------

TEST_F(ServerTest, ReleasingEveryObjectShutsTheEngineDownAndLetsTheServerUnload) {
    {
        Ptr<IVexo4> v = NewVexoWithEngine();
        Ptr<IVexoDrives> drives = Drives(v.get());
        ASSERT_TRUE(drives);
        Ptr<IVexoDrive5> drive = DriveAt(drives.get(), 0);
        Ptr<IVexoSpeeds> speeds;
        ASSERT_EQ(drive->get_ReadSpeeds(speeds.put()), S_OK);
        v.reset();
        drives.reset();
        EXPECT_EQ(sim::Counter("done.ok"), 0) << "the drive still holds the engine";
        EXPECT_EQ(TheServer().CanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(sim::Counter("init.ok"), 1);
    EXPECT_EQ(sim::Counter("done.ok"), 1);
    EXPECT_EQ(sim::Counter("done.unbalanced"), 0);
    EXPECT_EQ(sim::Counter("outstanding"), 0) << "every engine block was given back";
    EXPECT_EQ(sim::Counter("free.bad"), 0);
    EXPECT_EQ(TheServer().CanUnloadNow(), S_OK);

    // A new engine object starts from scratch.
    Ptr<IVexo4> again = NewVexoWithEngine();
    EXPECT_TRUE(Drives(again.get()));
    EXPECT_EQ(sim::Counter("init.ok"), 2);
}

TEST_F(ServerTest, EngineObjectAloneDoesNotInitialise) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Bstr text;
    ASSERT_EQ(v->get_LastError(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"VexoAPI.DLL was not loaded!");
    EXPECT_EQ(sim::Counter("init.calls"), 0);
}

TEST_F(ServerTest, LastCreatedEngineObjectIsTheCurrentOne) {
    Ptr<IVexo4> first = NewVexoWithEngine();
    ASSERT_EQ(first->ClearErrors(), S_OK);
    Ptr<IVexo4> second = NewVexoWithEngine();
    const int kNonEmptyDisc = 22;
    EXPECT_EQ(sim::Ask(kNonEmptyDisc, 0), 0) << "a current object answers the preset";
    second.reset();
    EXPECT_EQ(sim::Ask(kNonEmptyDisc, 0), -1) << "destroying either object leaves none current";
    Ptr<IVexo4> third = NewVexoWithEngine();
    EXPECT_EQ(sim::Ask(kNonEmptyDisc, 0), 0);
    EXPECT_EQ(sim::Ask(10, 0), -1);  // a restart notice answers "not handled"
}

TEST_F(ServerTest, AbortSetsTheFlagTheIdleCallbackReads) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    ASSERT_EQ(v->ClearErrors(), S_OK);
    ASSERT_EQ(v->Abort(), S_OK);
    int (WINAPI * idle)() = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA((EngineFolder() + "\\VexoAPI.dll").c_str()), "VexoSimIdle")));
    ASSERT_TRUE(idle);
    EXPECT_NE(idle(), 0);
}

// ---- drive collections ----------------------------------------------------------

TEST_F(ServerTest, EmptyEngineListGivesEmptyCollectionNoListGives514) {
    sim::Configure("[Engine]\nDefaultDevices=0\n");
    Ptr<IVexo4> v = NewVexoWithEngine();
    HRESULT hr = E_FAIL;
    Ptr<IVexoDrives> drives = Drives(v.get(), &hr);
    ASSERT_EQ(hr, S_OK);
    LONG count = -1;
    ASSERT_EQ(drives->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    drives.reset();
    v.reset();

    sim::Configure((std::string(kTwoDevices) + "[Failures]\nVexoGetAvailableDrivesEx=always\n").c_str());
    v = NewVexoWithEngine();
    drives = Drives(v.get(), &hr);
    EXPECT_EQ(hr, Err(514));
    EXPECT_FALSE(drives);
    ErrorInfo e = TakeErrorInfo();
    EXPECT_EQ(e.description, Text(514));
    EXPECT_TRUE(IsEqualGUID(e.guid, IID_IVexo));
    EXPECT_EQ(e.source, L"Vexo.Vexo.1");
}

TEST_F(ServerTest, ItemIsZeroBasedAndKeepsItsDriveObjects) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Ptr<IVexoDrives> drives = Drives(v.get());
    ASSERT_TRUE(drives);
    LONG count = 0;
    ASSERT_EQ(drives->get_Count(&count), S_OK);
    ASSERT_EQ(count, 2);
    Ptr<IVexoDrive5> d;
    EXPECT_EQ(drives->Item(count, d.put()), E_INVALIDARG);
    EXPECT_EQ(drives->Item(-1, d.put()), E_INVALIDARG);
    EXPECT_FALSE(d);
    Ptr<IVexoDrive5> a = DriveAt(drives.get(), 0), b = DriveAt(drives.get(), 0);
    EXPECT_EQ(a.get(), b.get());
    Ptr<IVexoDrive5> c = DriveAt(drives.get(), 1);
    EXPECT_NE(a.get(), c.get());
}

TEST_F(ServerTest, EnumeratorSharesOneCursorInTheCollection) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Ptr<IVexoDrives> drives = Drives(v.get());
    ASSERT_TRUE(drives);
    Ptr<IUnknown> unk;
    ASSERT_EQ(drives->get__NewEnum(unk.put()), S_OK);
    Ptr<IEnumVARIANT> e;
    ASSERT_EQ(unk->QueryInterface(IID_IEnumVARIANT, e.put_void()), S_OK);

    VARIANT var;
    VariantInit(&var);
    ULONG fetched = 7;
    EXPECT_EQ(e->Next(0, &var, &fetched), E_INVALIDARG);
    EXPECT_EQ(fetched, 0u);
    ASSERT_EQ(e->Next(1, &var, &fetched), S_OK);
    EXPECT_EQ(fetched, 1u);
    ASSERT_EQ(V_VT(&var), VT_DISPATCH);
    Ptr<IVexoDrive5> first = DriveAt(drives.get(), 0);
    Ptr<IUnknown> a, b;
    V_DISPATCH(&var)->QueryInterface(IID_IUnknown, a.put_void());
    first->QueryInterface(IID_IUnknown, b.put_void());
    EXPECT_EQ(a.get(), b.get()) << "the enumerator yields the collection's drive objects";
    VariantClear(&var);

    // A second _NewEnum restarts the enumeration in progress.
    Ptr<IUnknown> again;
    ASSERT_EQ(drives->get__NewEnum(again.put()), S_OK);
    ASSERT_EQ(e->Next(1, &var, &fetched), S_OK);
    VariantClear(&var);
    ASSERT_EQ(e->Next(5, &var, &fetched), S_OK) << "one element per call";
    EXPECT_EQ(fetched, 1u);
    VariantClear(&var);
    EXPECT_EQ(e->Next(1, &var, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(e->Next(1, nullptr, &fetched), E_POINTER);

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    EXPECT_EQ(e->Skip(1), S_FALSE) << "reaching the count";
    EXPECT_EQ(e->Next(1, &var, nullptr), S_FALSE);
    Ptr<IEnumVARIANT> clone;
    EXPECT_EQ(e->Clone(clone.put()), E_NOTIMPL);
}

TEST_F(ServerTest, DrivePropertiesComeFromTheEntryCopy) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Ptr<IVexoDrives> drives = Drives(v.get());
    ASSERT_TRUE(drives);
    Ptr<IVexoDrive5> a = DriveAt(drives.get(), 0), b = DriveAt(drives.get(), 1);
    Bstr text;
    ASSERT_EQ(a->get_DeviceName(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"Test Writer A");
    ASSERT_EQ(a->get_HostAdapterName(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"SIMA");
    ASSERT_EQ(a->get_DriveLetter(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"E");
    ASSERT_EQ(b->get_DriveLetter(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"?") << "a device without a letter";
    ASSERT_EQ(a->get_BufUnderrunProtName(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"Guard");
    LONG n = 0;
    ASSERT_EQ(a->get_HostAdapterNo(&n), S_OK);
    EXPECT_EQ(n, 2);
    ASSERT_EQ(a->get_DeviceID(&n), S_OK);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(a->get_MandatoryBUPSpeed(&n), S_OK);
    EXPECT_EQ(n, 12);
    ASSERT_EQ(a->get_MediaSupport(&n), S_OK);
    EXPECT_EQ(n, 0xF);
    ASSERT_EQ(a->get_DriveBufferSize(&n), S_OK);
    EXPECT_EQ(n, 2048);
    VEXO_MEDIA_TYPE media{};
    ASSERT_EQ(a->get_MediaReadSupport(&media), S_OK);
    EXPECT_EQ(media, 0x1F);
    VEXO_CAPABILITIES caps{};
    ASSERT_EQ(a->get_Capabilities(&caps), S_OK);
    EXPECT_EQ(caps, 0x1234);
    VEXO_SCSI_DEVTYPE type{};
    ASSERT_EQ(b->get_DevType(&type), S_OK);
    EXPECT_EQ(type, 2);

    Ptr<IVexoSpeeds> read, readAgain, write;
    ASSERT_EQ(a->get_ReadSpeeds(read.put()), S_OK);
    ASSERT_EQ(a->get_ReadSpeeds(readAgain.put()), S_OK);
    EXPECT_EQ(read.get(), readAgain.get()) << "the speed list is kept";
    ASSERT_EQ(a->get_WriteSpeeds(write.put()), S_OK);
    LONG count = 0, base = 0, speed = 0;
    ASSERT_EQ(read->get_Count(&count), S_OK);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(read->get_BaseSpeedKBs(&base), S_OK);
    EXPECT_EQ(base, 176);
    ASSERT_EQ(read->Item(2, &speed), S_OK);
    EXPECT_EQ(speed, 24);
    EXPECT_EQ(read->Item(3, &speed), E_INVALIDARG);
    ASSERT_EQ(write->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(write->get_BaseSpeedKBs(&base), S_OK);
    EXPECT_EQ(base, 150);
}

TEST_F(ServerTest, ErrorInfoIsSupportedForTheInterfaceChainsOnly) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Ptr<ISupportErrorInfo> sei;
    ASSERT_EQ(v->QueryInterface(IID_ISupportErrorInfo, sei.put_void()), S_OK);
    for (const IID* iid : {&IID_IVexo, &IID_IVexo2, &IID_IVexo3, &IID_IVexo4})
        EXPECT_EQ(sei->InterfaceSupportsErrorInfo(*iid), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IVexoDrive), S_FALSE);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    Ptr<IVexoDrives> drives = Drives(v.get());
    ASSERT_TRUE(drives);
    Ptr<IVexoDrive5> d = DriveAt(drives.get(), 0);
    ASSERT_EQ(d->QueryInterface(IID_ISupportErrorInfo, sei.put_void()), S_OK);
    for (const IID* iid : {&IID_IVexoDrive, &IID_IVexoDrive2, &IID_IVexoDrive3, &IID_IVexoDrive4, &IID_IVexoDrive5})
        EXPECT_EQ(sei->InterfaceSupportsErrorInfo(*iid), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IVexo), S_FALSE);
}

// ---- disc image information ------------------------------------------------------

TEST_F(ServerTest, DiscImageInfoIsCopiedFromTheEngineRecord) {
    sim::Configure((std::string(kTwoDevices) +
                    "[Image]\nFile=C:\\discs\\music.iso\nFreeBlocks=1000\nWriteable=1\nArtist=The Band\n"
                    "Title=Songs\nMediaType=2\nTotalCapacity=360000\n"
                    "Track=1|1|2|0|15000|2352|A1|T1|ISRC00000001\nTrack=1|2|1|15000|500|2048|A2|T2|\n")
                       .c_str());
    Ptr<IVexo4> v = NewVexoWithEngine();
    Ptr<IVexoCDInfo2> info;
    Bstr unknown(L"C:\\discs\\other.iso");
    EXPECT_EQ(v->GetDiscImageInfo(unknown.get(), info.put()), S_FALSE);
    EXPECT_FALSE(info);
    Bstr known(L"C:\\discs\\music.iso");
    EXPECT_EQ(v->GetDiscImageInfo(known.get(), info.put()), S_FALSE);
    ASSERT_TRUE(info);
    LONG n = 0;
    ASSERT_EQ(info->get_FreeCapacityInBlocks(&n), S_OK);
    EXPECT_EQ(n, 1000);
    ASSERT_EQ(info->get_TotalCapacity(&n), S_OK);
    EXPECT_EQ(n, 360000);
    VARIANT_BOOL w = 0;
    ASSERT_EQ(info->get_IsWriteable(&w), S_OK);
    EXPECT_NE(w, 0);
    Bstr text;
    ASSERT_EQ(info->get_Artist(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"The Band");
    Ptr<IVexoTracks> tracks, tracksAgain;
    ASSERT_EQ(info->get_Tracks(tracks.put()), S_OK);
    ASSERT_EQ(info->get_Tracks(tracksAgain.put()), S_OK);
    EXPECT_EQ(tracks.get(), tracksAgain.get());
    ASSERT_EQ(tracks->get_Count(&n), S_OK);
    ASSERT_EQ(n, 2);
    Ptr<IVexoTrack2> t;
    EXPECT_EQ(tracks->Item(2, t.put()), E_INVALIDARG);
    ASSERT_EQ(tracks->Item(1, t.put()), S_OK);
    ASSERT_EQ(t->get_TrackStartBlk(&n), S_OK);
    EXPECT_EQ(n, 15000);
    ASSERT_EQ(t->get_BlockSize(&n), S_OK);
    EXPECT_EQ(n, 2048);
    ASSERT_EQ(t->get_Title(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"T2");
    ASSERT_EQ(tracks->Item(0, t.put()), S_OK);
    ASSERT_EQ(t->get_ISRC(text.put()), S_OK);
    EXPECT_EQ(text.str(), L"ISRC00000001");
}

// ---- drive-change events ---------------------------------------------------------

namespace {

// A sink of _IVexoEvents that records OnDriveStatusChanged.
class EventSink : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch) || IsEqualGUID(iid, DIID__IVexoEvents)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == 19 && p && p->cArgs == 3) {
            // Arguments arrive last first.
            calls.push_back({V_I4(&p->rgvarg[2]), V_I4(&p->rgvarg[1]), V_I4(&p->rgvarg[0])});
            threadOk = GetCurrentThreadId() == clientThread;
        }
        return S_OK;
    }
    ULONG refs = 1;
    DWORD clientThread = GetCurrentThreadId();
    bool threadOk = false;
    std::vector<std::vector<LONG>> calls;
};

}  // namespace

TEST_F(ServerTest, DriveChangesArriveAsEventsInTheClientApartment) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    ASSERT_EQ(v->ClearErrors(), S_OK);
    Ptr<IConnectionPointContainer> cpc;
    ASSERT_EQ(v->QueryInterface(IID_IConnectionPointContainer, cpc.put_void()), S_OK);
    Ptr<IConnectionPoint> cp;
    ASSERT_EQ(cpc->FindConnectionPoint(DIID__IVexoEvents, cp.put()), S_OK);
    Ptr<IConnectionPoint> none;
    EXPECT_EQ(cpc->FindConnectionPoint(DIID__IVexoDriveEvents, none.put()), CONNECT_E_NOCONNECTION);
    EventSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);

    EXPECT_EQ(v->EnableDriveChangeCallback(FALSE), S_OK) << "disabling while not registered does nothing";
    ASSERT_EQ(v->EnableDriveChangeCallback(TRUE), S_OK);
    EXPECT_EQ(v->EnableDriveChangeCallback(TRUE), S_OK);
    ASSERT_EQ(sim::FireDriveChange(1, 0, 5), 1);
    EXPECT_TRUE(PumpUntil([&] { return !sink.calls.empty(); }));
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0], (std::vector<LONG>{1, 0, 5}));
    EXPECT_TRUE(sink.threadOk) << "the event is delivered on the client's thread";
    EXPECT_TRUE(sim::WaitIdle(5000));

    ASSERT_EQ(v->EnableDriveChangeCallback(FALSE), S_OK);
    EXPECT_EQ(sim::FireDriveChange(1, 0, 4), 0) << "no callback registered any more";
    EXPECT_EQ(cp->Unadvise(cookie), S_OK);
    EXPECT_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(sink.refs, 1u) << "the connection point gave its sink back";
}

TEST_F(ServerTest, FailingDriveChangeRegistrationReports539) {
    sim::Configure((std::string(kTwoDevices) + "[Failures]\nVexoRegisterDriveChangeCallback=1\n").c_str());
    Ptr<IVexo4> v = NewVexoWithEngine();
    ASSERT_EQ(v->ClearErrors(), S_OK);
    EXPECT_EQ(v->EnableDriveChangeCallback(TRUE), Err(539));
    EXPECT_EQ(v->EnableDriveChangeCallback(FALSE), S_OK) << "not registered after the failure";
}

// ---- bad input ---------------------------------------------------------------------

TEST_F(ServerTest, NullOutPointersGiveEPointer) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    EXPECT_EQ(v->get_LanguageFile(nullptr), E_POINTER);
    EXPECT_EQ(v->get_EnableOverburn(nullptr), E_POINTER);
    EXPECT_EQ(v->get_OverburnSize(nullptr), E_POINTER);
    EXPECT_EQ(v->get_LastError(nullptr), E_POINTER);
    EXPECT_EQ(v->get_ErrorLog(nullptr), E_POINTER);
    EXPECT_EQ(v->GetDrives(VEXO_MEDIA_ANY, nullptr), E_POINTER);
    EXPECT_EQ(v->get_TypeNameOfMedia(VEXO_MEDIA_CDR, nullptr), E_POINTER);
    EXPECT_EQ(v->LastErrors(1, VEXO_LAST_ERRORS_FLAG_ALL, nullptr), E_POINTER);
    EXPECT_EQ(v->get_LastDriveError(nullptr), E_POINTER);
    EXPECT_EQ(v->GetDiscImageInfo(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(v->APIVersion(nullptr, nullptr, nullptr, nullptr), E_POINTER);
    Ptr<IVexoDrives> drives = Drives(v.get());
    ASSERT_TRUE(drives);
    EXPECT_EQ(drives->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(drives->get_Count(nullptr), E_POINTER);
    EXPECT_EQ(drives->get__NewEnum(nullptr), E_POINTER);
    Ptr<IVexoDrive5> d = DriveAt(drives.get(), 0);
    EXPECT_EQ(d->get_DeviceName(nullptr), E_POINTER);
    EXPECT_EQ(d->get_DriveLetter(nullptr), E_POINTER);
    EXPECT_EQ(d->get_ReadSpeeds(nullptr), E_POINTER);
    EXPECT_EQ(d->get_HostAdapterNo(nullptr), E_POINTER);
}

TEST_F(ServerTest, NullTextsCountAsEmpty) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    ASSERT_EQ(v->put_LanguageFile(nullptr), S_OK);
    Bstr name;
    ASSERT_EQ(v->get_LanguageFile(name.put()), S_OK);
    EXPECT_FALSE(name.null());
    EXPECT_EQ(name.str(), L"");
    Ptr<IVexoCDInfo2> info;
    EXPECT_EQ(v->GetDiscImageInfo(nullptr, info.put()), S_FALSE);
    ASSERT_EQ(v->put_RuntimeLanguageFile(nullptr), S_OK);
    EXPECT_EQ(sim::Text("option.0"), "");
    Bstr def(L"vexo.txt");
    v.reset();
    v = NewVexoWithEngine();
    EXPECT_EQ(v->put_LanguageFile(def.get()), S_OK);
}

TEST_F(ServerTest, LateBoundCallsWithBadArgumentsFailWithoutCrashing) {
    Ptr<IVexo4> v = NewVexoWithEngine();
    Ptr<IDispatch> disp;
    ASSERT_EQ(v->QueryInterface(IID_IDispatch, disp.put_void()), S_OK);
    UINT count = 0;
    ASSERT_EQ(disp->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    LPOLESTR names[] = {const_cast<LPOLESTR>(L"GetDrives")};
    DISPID id = 0;
    ASSERT_EQ(disp->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 6);
    LPOLESTR bogus[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, bogus, 1, 0, &id), DISP_E_UNKNOWNNAME);

    VARIANT result;
    VariantInit(&result);
    EXCEPINFO ex{};
    UINT argErr = 0;
    // Missing argument.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    HRESULT hr = disp->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &none, &result, &ex, &argErr);
    EXPECT_TRUE(hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTOPTIONAL) << std::hex << hr;
    // An argument that does not convert.
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = SysAllocString(L"not a number");
    DISPPARAMS one{&arg, nullptr, 1, 0};
    hr = disp->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &one, &result, &ex, &argErr);
    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    VariantClear(&arg);
    // Unknown member, wrong interface id, null parameters.
    EXPECT_EQ(disp->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, &result, &ex, &argErr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(disp->Invoke(6, IID_IVexo, 0, DISPATCH_METHOD, &none, &result, &ex, &argErr), DISP_E_UNKNOWNINTERFACE);
    hr = disp->Invoke(4, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr);
    EXPECT_EQ(hr, S_OK) << "LastError through Invoke with no parameter block";
    EXPECT_EQ(V_VT(&result), VT_BSTR);
    VariantClear(&result);
    // A put of the wrong type.
    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"x");
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS putParams{&text, &put, 1, 1};
    EXPECT_EQ(disp->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYPUT, &putParams, nullptr, &ex, &argErr),
              DISP_E_TYPEMISMATCH);
    VariantClear(&text);
}

TEST_F(ServerTest, ServerErrorsReachLateBoundCallersAsExceptions) {
    Ptr<IVexo4> v = NewVexo("");
    Ptr<IDispatch> disp;
    ASSERT_EQ(v->QueryInterface(IID_IDispatch, disp.put_void()), S_OK);
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = 0;
    DISPPARAMS one{&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO ex{};
    HRESULT hr = disp->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &one, &result, &ex, nullptr);
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, Err(513));
    EXPECT_EQ(std::wstring(ex.bstrDescription ? ex.bstrDescription : L""), Text(513));
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
}

// ---- classes and registration ----------------------------------------------------

TEST_F(ServerTest, EveryCreatableClassHasAFactoryAndDispatch) {
    const CLSID* classes[] = {&CLSID_Vexo, &CLSID_VexoVideoItem, &CLSID_VexoAudioTrack, &CLSID_VexoFile,
                              &CLSID_VexoFolder, &CLSID_VexoISOTrack, &CLSID_VexoFreestyleTrack,
                              &CLSID_VexoFileSystemDescContainer, &CLSID_VexoFileProducer, &CLSID_VexoVideoItems,
                              &CLSID_VexoAudioTracks, &CLSID_VexoFreestyleTracks, &CLSID_VexoFSSecNo,
                              &CLSID_VexoFileSystemTrackOptions};
    for (const CLSID* clsid : classes) {
        Ptr<IClassFactory> factory;
        ASSERT_EQ(TheServer().GetClassObject(*clsid, IID_IClassFactory, factory.put_void()), S_OK);
        Ptr<IDispatch> obj;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, obj.put_void()), S_OK);
        Ptr<ITypeInfo> info;
        EXPECT_EQ(obj->GetTypeInfo(0, 0, info.put()), S_OK);
        Ptr<IUnknown> outer;
        EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(obj.get()), IID_IUnknown, outer.put_void()),
                  CLASS_E_NOAGGREGATION);
    }
    Ptr<IClassFactory> none;
    EXPECT_EQ(TheServer().GetClassObject(CLSID_VexoDrive, IID_IClassFactory, none.put_void()),
              CLASS_E_CLASSNOTAVAILABLE) << "drives are made by the server only";
}

TEST_F(ServerTest, FactoryLockHoldsTheServer) {
    // Proxies and stubs of earlier tests may still hold the proxy/stub part.
    const HRESULT before = TheServer().CanUnloadNow();
    Ptr<IClassFactory> factory;
    ASSERT_EQ(TheServer().GetClassObject(CLSID_Vexo, IID_IClassFactory, factory.put_void()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(TheServer().CanUnloadNow(), S_FALSE);
    ASSERT_EQ(TheServer().GetClassObject(CLSID_Vexo, IID_IClassFactory, factory.put_void()), S_OK);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(TheServer().CanUnloadNow(), before);
}

namespace {

bool KeyExists(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::string GuidText(const GUID& g) {
    wchar_t w[64] = {};
    StringFromGUID2(g, w, 64);
    std::wstring s = w;
    return std::string(s.begin(), s.end());
}

}  // namespace

TEST_F(ServerTest, UnregisteringRemovesEveryKeyRegisteringWrote) {
    const char* names[] = {"Vexo", "VexoVideoItem", "VexoAudioTrack", "VexoFile", "VexoFolder", "VexoIsoTrack",
                           "VexoFreestyleTrack", "VexoFileSystemDescContainer", "VexoFileProducer",
                           "VexoVideoItems", "VexoAudioTracks", "VexoFreestyleTracks", "VexoFSSecNo",
                           "VexoFileSystemTrackOptions"};
    const std::string vexoClass = "CLSID\\" + GuidText(CLSID_Vexo);
    const std::string typeLib = "TypeLib\\" + GuidText(LIBID_VEXOLib);
    const std::string forwarder = "Interface\\" + GuidText(IID___IVexoEvents__);
    ASSERT_EQ(TheServer().Register(), S_OK);
    for (const char* n : names) {
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("Vexo.") + n)) << n;
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("Vexo.") + n + ".1\\CLSID")) << n;
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, vexoClass + "\\InprocServer32"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, vexoClass + "\\Programmable"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, typeLib + "\\1.3"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, forwarder + "\\ProxyStubClsid32"));

    ASSERT_EQ(TheServer().Unregister(), S_OK);
    for (const char* n : names) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Vexo.") + n)) << n;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("Vexo.") + n + ".1")) << n;
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, vexoClass));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, typeLib));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, forwarder));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID")) << "the shared CLSID key stays";

    ASSERT_EQ(TheServer().Register(), S_OK);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, vexoClass + "\\ProgID"));
}

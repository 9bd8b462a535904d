// The simulated burning engine VexoAPI.dll, bound by name as a client binds
// it. Records are read and written with this file's own offsets, taken
// from the engine's published layouts, independently of the engine's and
// the server's tables.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\'));
}

std::string EnginePath(const std::string& folder) { return ProgramFolder() + "\\" + folder + "\\VexoAPI.dll"; }

// --- this test's own reading of the records ---------------------------------

constexpr std::size_t P = sizeof(void*);

// Init record: eight pointer-sized fields, then two 32-bit numbers.
struct InitRecord {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(8 * P + 8, 0);
    void Pointer(int field, const void* p) { std::memcpy(bytes.data() + (field - 1) * P, &p, P); }
    void Number(int field, std::int32_t v) { std::memcpy(bytes.data() + 8 * P + (field - 9) * 4, &v, 4); }
};

std::uint32_t U32(const std::uint8_t* p, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, p + offset, 4);
    return v;
}
std::string Chars(const std::uint8_t* p, std::size_t offset, std::size_t width) {
    return std::string(reinterpret_cast<const char*>(p + offset), strnlen(reinterpret_cast<const char*>(p + offset), width));
}

constexpr std::size_t kEntrySize = 1720;

// --- the engine, bound by name ----------------------------------------------

class Engine {
public:
    explicit Engine(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~Engine() {
        if (module_) FreeLibrary(module_);
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    HMODULE module() const { return module_; }
    FARPROC Proc(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }
    template <class Fn>
    Fn Get(const char* name) const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(Proc(name)));
    }

    int Counter(const char* name) const { return Get<int(WINAPI*)(const char*)>("VexoSimGetCounter")(name); }
    std::string Text(const char* name) const {
        char buffer[2048];
        int n = Get<int(WINAPI*)(const char*, char*, int)>("VexoSimGetText")(name, buffer, sizeof buffer);
        return n < 0 ? std::string("<none>") : std::string(buffer);
    }
    int Configure(const std::string& text) const { return Get<int(WINAPI*)(const char*)>("VexoSimConfigure")(text.c_str()); }
    int FreeMem(const void* p) const { return Get<int(WINAPI*)(const void*)>("VexoFreeMem")(p); }

    int Init(const InitRecord& r, const char* text = "") const {
        return Get<int(WINAPI*)(const void*, const char*)>("VexoInit")(r.bytes.data(), text);
    }
    int Done() const { return Get<int(WINAPI*)()>("VexoDone")(); }

private:
    HMODULE module_;
};

std::int32_t WINAPI TestIdle(void* userData) { return *static_cast<int*>(userData); }
std::int32_t WINAPI TestDialog(void* userData, std::int32_t request, std::intptr_t data) {
    return request == 7 ? static_cast<std::int32_t>(data) + 1 : -1;
}

const char kMaker[] = "Quarn";
const char kProduct[] = "VexoCOM test";
const char kLanguage[] = "german.txt";
int gIdleAnswer = 0;

InitRecord GoodRecord() {
    InitRecord r;
    r.Pointer(2, kProduct);
    r.Pointer(3, kMaker);
    r.Pointer(4, kLanguage);
    r.Pointer(5, reinterpret_cast<const void*>(&TestIdle));
    r.Pointer(6, &gIdleAnswer);
    r.Pointer(7, reinterpret_cast<const void*>(&TestDialog));
    r.Number(9, -1);
    r.Number(10, 4500);
    return r;
}

class VexoApiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { engine_ = new Engine(EnginePath("vexoapi-v2")); }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(engine_->module(), nullptr) << EnginePath("vexoapi-v2");
        ASSERT_EQ(e().Configure(""), 0);
    }
    void TearDown() override {
        if (engine_->module()) {
            EXPECT_EQ(e().Counter("check.failures"), expectedCheckFailures_) << e().Text("check.last");
        }
    }
    const Engine& e() const { return *engine_; }
    void Initialise() { ASSERT_EQ(e().Init(GoodRecord()), 0); }

    int expectedCheckFailures_ = 0;
    static Engine* engine_;
};
Engine* VexoApiTest::engine_ = nullptr;

// --- initialisation -----------------------------------------------------------

TEST_F(VexoApiTest, InitRecordsWhatTheRecordCarries) {
    InitRecord r = GoodRecord();
    const char directory[] = "C:\\Program Files\\Vexo\\";
    r.Pointer(1, directory);
    EXPECT_EQ(e().Init(r, ""), 0);
    EXPECT_EQ(e().Text("init.directory"), directory);
    EXPECT_EQ(e().Text("init.product"), kProduct);
    EXPECT_EQ(e().Text("init.maker"), "Quarn");
    EXPECT_EQ(e().Text("init.language"), "german.txt");
    EXPECT_EQ(e().Counter("init.overburn"), -1);
    EXPECT_EQ(e().Counter("init.overburnsize"), 4500);
    EXPECT_EQ(e().Counter("init.idlecb"), 1);
    EXPECT_EQ(e().Counter("init.dialogcb"), 1);
    EXPECT_EQ(e().Counter("init.directory.null"), 0);
}

TEST_F(VexoApiTest, InitAndDoneBalance) {
    Initialise();
    EXPECT_EQ(e().Counter("init.active"), 1);
    EXPECT_EQ(e().Init(GoodRecord()), 5) << "a second init while initialised";
    EXPECT_EQ(e().Done(), 0);
    EXPECT_EQ(e().Counter("init.active"), 0);
    EXPECT_EQ(e().Done(), 1) << "done without init";
    EXPECT_EQ(e().Counter("init.calls"), 2);
    EXPECT_EQ(e().Counter("init.ok"), 1);
    EXPECT_EQ(e().Counter("done.calls"), 2);
    EXPECT_EQ(e().Counter("done.unbalanced"), 1);
    Initialise();  // after done, a fresh init works again
    EXPECT_EQ(e().Done(), 0);
}

TEST_F(VexoApiTest, ConfiguredInitResultLeavesTheEngineUninitialised) {
    e().Configure("[Engine]\nInitResult=6\n");
    EXPECT_EQ(e().Init(GoodRecord()), 6);
    EXPECT_EQ(e().Counter("init.active"), 0);
    EXPECT_EQ(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0), nullptr);
    EXPECT_EQ(e().Counter("notinit.calls"), 1);
}

TEST_F(VexoApiTest, ScriptedInitFailuresRunOut) {
    e().Configure("[Failures]\nVexoInit=2\n");
    EXPECT_EQ(e().Init(GoodRecord()), 1);
    EXPECT_EQ(e().Init(GoodRecord()), 1);
    EXPECT_EQ(e().Init(GoodRecord()), 0);
    EXPECT_EQ(e().Counter("failures.scripted"), 2);
}

TEST_F(VexoApiTest, AWrongMakerOrAnOverburnFlagNotSignExtendedIsACheckFailure) {
    InitRecord wrongMaker = GoodRecord();
    wrongMaker.Pointer(3, "Quarm");
    EXPECT_EQ(e().Init(wrongMaker), 1);
    InitRecord narrowFlag = GoodRecord();
    narrowFlag.Number(9, 0xFFFF);  // a 16-bit true that was not widened with sign
    EXPECT_EQ(e().Init(narrowFlag), 1);
    EXPECT_EQ(e().Counter("init.active"), 0);
    expectedCheckFailures_ = 2;
}

TEST_F(VexoApiTest, CallbacksFromTheInitRecordAreTheOnesCalled) {
    Initialise();
    gIdleAnswer = 1;
    EXPECT_EQ(e().Get<int(WINAPI*)()>("VexoSimIdle")(), 1);
    gIdleAnswer = 0;
    EXPECT_EQ(e().Get<int(WINAPI*)()>("VexoSimIdle")(), 0);
    EXPECT_EQ(e().Get<int(WINAPI*)(int, std::intptr_t)>("VexoSimAsk")(7, 41), 42);
    EXPECT_EQ(e().Counter("ask.response"), 42);
}

// --- texts and memory ---------------------------------------------------------

TEST_F(VexoApiTest, ErrorTextsAreAllocatedCountedAndFreed) {
    e().Configure("[Errors]\nError=first\nError=second\nError=third\n");
    auto lastError = e().Get<const char*(WINAPI*)()>("VexoGetLastError");
    auto errorLog = e().Get<const char*(WINAPI*)()>("VexoGetErrorLog");
    auto lastErrors = e().Get<const char*(WINAPI*)(int, int, int)>("VexoGetLastErrors");
    const char* last = lastError();
    const char* log = errorLog();
    const char* two = lastErrors(2, 0, 0);
    const char* all = lastErrors(1, 1, 0);
    ASSERT_TRUE(last && log && two && all);
    EXPECT_STREQ(last, "third");
    EXPECT_STREQ(log, "first\r\nsecond\r\nthird");
    EXPECT_STREQ(two, "second\r\nthird");
    EXPECT_STREQ(all, "first\r\nsecond\r\nthird");
    EXPECT_EQ(e().Counter("outstanding.text"), 4);
    for (const char* t : {last, log, two, all}) EXPECT_EQ(e().FreeMem(t), 0);
    EXPECT_EQ(e().Counter("outstanding"), 0);
    EXPECT_EQ(e().Counter("free.bad"), 0);
}

TEST_F(VexoApiTest, ClearErrorsEmptiesTheTexts) {
    e().Configure("[Errors]\nError=old trouble\nNullTexts=1\n");
    e().Get<void(WINAPI*)()>("VexoClearErrors")();
    EXPECT_EQ(e().Get<const char*(WINAPI*)()>("VexoGetLastError")(), nullptr);
    EXPECT_EQ(e().Counter("outstanding"), 0);
}

TEST_F(VexoApiTest, BadFreesAreCountedAndNeverCrash) {
    Initialise();
    const char* text = e().Get<const char*(WINAPI*)(int, int)>("VexoGetTypeNameOfMedia")(1, 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(e().FreeMem(text), 0);
    EXPECT_NE(e().FreeMem(text), 0) << "double free";
    int local = 0;
    EXPECT_NE(e().FreeMem(&local), 0) << "foreign pointer";
    EXPECT_EQ(e().FreeMem(nullptr), 0);
    EXPECT_EQ(e().Counter("free.bad"), 2);
    EXPECT_EQ(e().Counter("free.null"), 1);
    EXPECT_EQ(e().Counter("free.ok"), 1);
}

TEST_F(VexoApiTest, TheLogFileNamesBadFreesAndCheckFailures) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string log = std::string(temp) + "vexoapi_test.log";
    DeleteFileA(log.c_str());
    e().Configure("[Engine]\nLog=" + log + "\n");
    int local = 0;
    e().FreeMem(&local);
    e().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn")(nullptr, 4, nullptr, 0, 0, nullptr);
    expectedCheckFailures_ = 1;
    std::ifstream in(log);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_NE(content.str().find("BAD FREE"), std::string::npos) << content.str();
    EXPECT_NE(content.str().find("CHECK FAILED VexoBurn"), std::string::npos) << content.str();
}

TEST_F(VexoApiTest, WaitForDiscTextsFollowTheEngineTable) {
    auto text = e().Get<const char*(WINAPI*)(int)>("VexoGetLocalizedWaitCDTexts");
    const char* next = text(4);
    const char* beyond = text(99);
    ASSERT_TRUE(next && beyond);
    EXPECT_STREQ(next, "Please remove the disc and  insert the next recordable disc to write to... ");
    EXPECT_STREQ(beyond, "unknown VEXO_WAITCD_TYPE");
    e().FreeMem(next);
    e().FreeMem(beyond);
    EXPECT_EQ(e().Counter("outstanding"), 0);
}

// --- versions and options -------------------------------------------------------

TEST_F(VexoApiTest, VersionsAndTheAnnouncedExpectation) {
    std::uint16_t v[4] = {};
    ASSERT_NE(e().Get<int(WINAPI*)(std::uint16_t*, std::uint16_t*, std::uint16_t*, std::uint16_t*, int)>("VexoGetAPIVersionEx")(
                  &v[0], &v[1], &v[2], &v[3], 0),
              0);
    EXPECT_EQ(v[0], 6);
    EXPECT_EQ(v[1], 3);
    EXPECT_EQ(v[2], 1);
    EXPECT_EQ(v[3], 24);
    EXPECT_EQ(e().Get<unsigned(WINAPI*)()>("VexoGetAPIVersion")(), 6319u);
    e().Get<int(WINAPI*)(std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t, int)>("VexoSetExpectedAPIVersionEx")(6, 3, 1, 24, 0);
    EXPECT_EQ(e().Text("expected.versionex"), "6.3.1.24");
    e().Get<int(WINAPI*)(unsigned)>("VexoSetExpectedAPIVersion")(6319);
    EXPECT_EQ(e().Counter("expected.version"), 6319);
}

TEST_F(VexoApiTest, OptionsAreRecordedAndOptionFiveWithNullDisables) {
    auto setOption = e().Get<int(WINAPI*)(int, const void*)>("VexoSetOption");
    EXPECT_EQ(setOption(1, nullptr), -1) << "before init";
    Initialise();
    std::int32_t size = 4096;
    EXPECT_EQ(setOption(1, &size), 0);
    EXPECT_EQ(setOption(0, "runtime.txt"), 0);
    std::int32_t blocks = 1000;
    EXPECT_EQ(setOption(5, &blocks), 0);
    EXPECT_EQ(e().Counter("option.5"), 1000);
    EXPECT_EQ(setOption(5, nullptr), 0);
    EXPECT_EQ(e().Counter("option.1"), 4096);
    EXPECT_EQ(e().Text("option.0"), "runtime.txt");
    EXPECT_EQ(e().Counter("option.5"), 0);
    EXPECT_EQ(e().Counter("option.5.null"), 1);
    EXPECT_EQ(e().Counter("option.5.calls"), 2);
}

// --- devices and discs ------------------------------------------------------------

TEST_F(VexoApiTest, DriveListLayoutReadWithOwnOffsets) {
    e().Configure(
        "[Device]\nName=Writer One\nHostAdapterName=HA7\nHostAdapter=3\nDeviceId=5\nDevType=1\nDriveLetter=e\n"
        "Capabilities=0x1234\nReadBase=176\nReadSpeeds=8,16,24\nWriteBase=150\nWriteSpeeds=4,10\n"
        "BupName=Guard\nBupSpeed=12\nMediaSupport=0x30\nMediaReadSupport=0x70\nBufferSize=4096\n"
        "[Device]\nName=Reader Two\nDriveLetter=none\nDevType=2\n");
    Initialise();
    auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(U32(list, 0), 2u);
    const std::uint8_t* d = list + 4;
    EXPECT_EQ(Chars(d, 0, 64), "Writer One");
    EXPECT_EQ(Chars(d, 64, 8), "HA7");
    EXPECT_EQ(U32(d, 72), 3u);
    EXPECT_EQ(U32(d, 76), 5u);
    EXPECT_EQ(U32(d, 80), 1u);
    EXPECT_EQ(d[84], 'E');
    EXPECT_EQ(U32(d, 88), 0x1234u);
    // read speed block at 92: count, base, list A (64), list B (64)
    EXPECT_EQ(U32(d, 92), 3u);
    EXPECT_EQ(U32(d, 96), 176u);
    EXPECT_EQ(U32(d, 92 + 8 + 256 + 0), 8u);
    EXPECT_EQ(U32(d, 92 + 8 + 256 + 8), 24u);
    // write speed block at 740
    EXPECT_EQ(U32(d, 740), 2u);
    EXPECT_EQ(U32(d, 744), 150u);
    EXPECT_EQ(U32(d, 740 + 8 + 256 + 4), 10u);
    EXPECT_EQ(Chars(d, 1392, 64), "Guard");
    EXPECT_EQ(U32(d, 1456), 12u);
    EXPECT_EQ(U32(d, 1460), 0x30u);
    EXPECT_EQ(U32(d, 1464), 4096u);
    EXPECT_EQ(U32(d, 1472), 0x70u);
    const std::uint8_t* second = list + 4 + kEntrySize;
    EXPECT_EQ(Chars(second, 0, 64), "Reader Two");
    EXPECT_EQ(second[84], 0) << "no drive letter";
    EXPECT_EQ(U32(second, 80), 2u);
    EXPECT_EQ(e().Counter("outstanding.list"), 1);
    EXPECT_EQ(e().FreeMem(list), 0);
    EXPECT_EQ(e().Counter("outstanding"), 0);
}

TEST_F(VexoApiTest, WithoutConfiguredDevicesTwoRecordersAreListed) {
    Initialise();
    auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(U32(list, 0), 2u);
    EXPECT_EQ(U32(list + 4, 80), 1u) << "a recorder";
    EXPECT_EQ(U32(list + 4 + kEntrySize, 80), 1u) << "a recorder";
    e().FreeMem(list);
}

TEST_F(VexoApiTest, NoDevicesGiveAnEmptyListAndAScriptedFailureNoList) {
    e().Configure("[Engine]\nDefaultDevices=0\n[Failures]\nVexoGetAvailableDrivesEx=1\n");
    Initialise();
    auto drives = e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx");
    EXPECT_EQ(drives(0, 0), nullptr);
    auto* list = static_cast<const std::uint8_t*>(drives(0, 0));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(U32(list, 0), 0u);
    e().FreeMem(list);
}

TEST_F(VexoApiTest, DiscImageInfoForAConfiguredImage) {
    e().Configure(
        "[Image]\nFile=C:\\discs\\Album.iso\nFreeBlocks=77\nWriteable=1\nArtist=The Band\nTitle=The Album\n"
        "EraseModes=3\nUnusedBlocks=9\nMediaType=0x10\nMediumFlags=1\nLayer0MaxBlocks=11\nTotalCapacity=359847\n"
        "Track=1|1|2|0|13500|2352|A1|T1|QUA000000001\nTrack=1|2|1|13500|9000|2048|A2|T2|\n");
    Initialise();
    auto info = e().Get<void*(WINAPI*)(const char*, int)>("VexoGetDiscImageInfo");
    EXPECT_EQ(info("D:\\other.iso", 0), nullptr);
    auto* r = static_cast<const std::uint8_t*>(info("z:\\somewhere\\album.ISO", 0));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(U32(r, 0), 77u);
    EXPECT_EQ(U32(r, 4) & 0xFFFF, 1u);
    EXPECT_EQ(Chars(r, 12, 65), "The Band");
    EXPECT_EQ(Chars(r, 77, 65), "The Album");
    EXPECT_EQ(U32(r, 144), 3u);
    EXPECT_EQ(U32(r, 148), 9u);
    EXPECT_EQ(U32(r, 152), 0x10u);
    EXPECT_EQ(U32(r, 156), 1u);
    EXPECT_EQ(U32(r, 160), 11u);
    EXPECT_EQ(U32(r, 164), 359847u);
    ASSERT_EQ(U32(r, 272), 2u);
    const std::uint8_t* t2 = r + 276 + 280;
    EXPECT_EQ(U32(t2, 0), 1u);
    EXPECT_EQ(U32(t2, 4), 2u);
    EXPECT_EQ(U32(t2, 8), 1u);
    EXPECT_EQ(U32(t2, 12), 13500u);
    EXPECT_EQ(U32(t2, 16), 9000u);
    EXPECT_EQ(Chars(t2, 20, 65), "A2");
    EXPECT_EQ(Chars(t2, 85, 65), "T2");
    EXPECT_EQ(U32(t2, 164), 2048u);
    EXPECT_EQ(Chars(r + 276, 150, 14), "QUA000000001");
    EXPECT_EQ(e().Counter("outstanding.info"), 1);
    e().FreeMem(r);
    EXPECT_EQ(e().Counter("outstanding"), 0);
}

// --- drive-change notifications ---------------------------------------------------

struct ChangeLog {
    std::atomic<int> calls{0};
    std::atomic<int> host{0}, target{0}, status{0};
    std::atomic<DWORD> thread{0};
};

std::int32_t WINAPI OnDriveChange(std::int32_t host, std::int32_t target, std::int32_t status, void* userData) {
    auto* log = static_cast<ChangeLog*>(userData);
    log->host = host;
    log->target = target;
    log->status = status;
    log->thread = GetCurrentThreadId();
    ++log->calls;
    return 1;
}

using RegisterFn = int(WINAPI*)(std::int32_t(WINAPI*)(std::int32_t, std::int32_t, std::int32_t, void*), void*);

TEST_F(VexoApiTest, DriveChangesArriveOnAnEngineThread) {
    auto reg = e().Get<RegisterFn>("VexoRegisterDriveChangeCallback");
    auto unreg = e().Get<RegisterFn>("VexoUnregisterDriveChangeCallback");
    auto fire = e().Get<int(WINAPI*)(int, int, int)>("VexoSimFireDriveChange");
    auto waitIdle = e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle");
    ChangeLog log;
    ASSERT_EQ(reg(&OnDriveChange, &log), 0);
    EXPECT_EQ(reg(&OnDriveChange, &log), -1) << "the same pair twice";
    EXPECT_EQ(fire(1, 2, 5), 1);
    ASSERT_EQ(waitIdle(20000), 1);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.host, 1);
    EXPECT_EQ(log.target, 2);
    EXPECT_EQ(log.status, 5);
    EXPECT_NE(log.thread, GetCurrentThreadId());
    EXPECT_EQ(e().Counter("drivechange.accepted"), 1);
    EXPECT_EQ(unreg(&OnDriveChange, &log), 0);
    EXPECT_EQ(unreg(&OnDriveChange, &log), -1);
    EXPECT_EQ(fire(1, 2, 4), 0);
    EXPECT_EQ(waitIdle(20000), 1);
    EXPECT_EQ(log.calls, 1) << "nothing after unregistration";
}

TEST_F(VexoApiTest, ConfiguredDriveChangesFollowRegistration) {
    e().Configure("[DriveChange]\nEvent=20,3,1,4\nEvent=40,3,1,5\n");
    auto reg = e().Get<RegisterFn>("VexoRegisterDriveChangeCallback");
    auto unreg = e().Get<RegisterFn>("VexoUnregisterDriveChangeCallback");
    ChangeLog log;
    ASSERT_EQ(reg(&OnDriveChange, &log), 0);
    ASSERT_EQ(e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle")(20000), 1);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(log.status, 5) << "the later event last";
    EXPECT_EQ(e().Text("drivechange.last"), "3,1,5");
    EXPECT_EQ(unreg(&OnDriveChange, &log), 0);
}

TEST_F(VexoApiTest, ScriptedRegistrationFailure) {
    e().Configure("[Failures]\nVexoRegisterDriveChangeCallback=always\n");
    ChangeLog log;
    EXPECT_EQ(e().Get<RegisterFn>("VexoRegisterDriveChangeCallback")(&OnDriveChange, &log), -1);
    EXPECT_EQ(e().Get<int(WINAPI*)(int, int, int)>("VexoSimFireDriveChange")(1, 1, 5), 0);
}

// --- what is not simulated yet, and the fixed-field checks -------------------------

TEST_F(VexoApiTest, UnsimulatedExportsAnswerTheirFailureValues) {
    Initialise();
    EXPECT_EQ(e().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(nullptr), nullptr);
    EXPECT_EQ(e().Get<int(WINAPI*)(void*, int)>("VexoEjectLoadCD")(nullptr, 1), -1);
    EXPECT_EQ(e().Get<int(WINAPI*)(void*, int, int)>("VexoBAOCloseHandle")(nullptr, 0, 0), 3);
    EXPECT_EQ(e().Get<void*(WINAPI*)(int)>("VexoCreateIsoItemOfSize")(592), nullptr);
    EXPECT_EQ(e().Counter("calls.VexoOpenDevice"), 1);
    expectedCheckFailures_ = 1;  // a null entry is not one of the engine's entries
}

TEST_F(VexoApiTest, OpenDeviceKnowsItsOwnEntries) {
    Initialise();
    auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
    ASSERT_NE(list, nullptr);
    std::vector<std::uint8_t> copy(list + 4 + kEntrySize, list + 4 + 2 * kEntrySize);  // the client's whole copy
    e().FreeMem(list);
    e().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(copy.data());
    EXPECT_EQ(e().Counter("opendevice.index"), 1);
}

TEST_F(VexoApiTest, BurnRecordsWithWrongFixedFieldsAreCheckFailures) {
    Initialise();
    auto burn = e().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn");
    std::vector<std::uint8_t> fs(256, 0);
    std::uint32_t size = 144;
    std::memcpy(fs.data(), &size, 4);
    EXPECT_EQ(burn(nullptr, 4, fs.data(), 0, 0, nullptr), 1);
    EXPECT_EQ(e().Counter("check.failures"), 0) << e().Text("check.last");
    size = 140;
    std::memcpy(fs.data(), &size, 4);
    burn(nullptr, 4, fs.data(), 0, 0, nullptr);
    EXPECT_EQ(e().Counter("check.failures"), 1);
    std::vector<std::uint8_t> freestyle(80000, 0);
    std::uint32_t notMagic = 68168;
    std::memcpy(freestyle.data(), &notMagic, 4);
    burn(nullptr, 3, freestyle.data(), 0, 0, nullptr);
    EXPECT_EQ(e().Counter("check.failures"), 2);
    int foreignProgress = 0;
    size = 144;
    std::memcpy(fs.data(), &size, 4);
    burn(nullptr, 4, fs.data(), 0, 0, &foreignProgress);
    EXPECT_EQ(e().Counter("check.failures"), 3) << "a progress record not made by the engine";
    void* progress = e().Get<void*(WINAPI*)()>("VexoCreateProgress")();
    ASSERT_NE(progress, nullptr);
    burn(nullptr, 4, fs.data(), 0, 0, progress);
    EXPECT_EQ(e().Counter("check.failures"), 3);
    e().FreeMem(progress);
    expectedCheckFailures_ = 3;
}

// --- variants -----------------------------------------------------------------------

struct Variant {
    const char* folder;
    const char* name;
    const char* productVersion;  // nullptr: no version resource
    std::vector<const char*> missing;
};

std::string ProductVersionOf(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return "";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info) return "";
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(HIWORD(info->dwProductVersionMS)), unsigned(LOWORD(info->dwProductVersionMS)),
                  unsigned(HIWORD(info->dwProductVersionLS)), unsigned(LOWORD(info->dwProductVersionLS)));
    return text;
}

class VexoApiVariantTest : public ::testing::TestWithParam<Variant> {};

TEST_P(VexoApiVariantTest, LacksWhatItShouldAndCarriesItsVersion) {
    const Variant& v = GetParam();
    std::string path = EnginePath(v.folder);
    EXPECT_EQ(ProductVersionOf(path), v.productVersion ? v.productVersion : "");
    Engine engine(path);
    ASSERT_NE(engine.module(), nullptr) << path;
    EXPECT_EQ(engine.Text("variant"), v.name) << "the copy in " << v.folder << " was loaded";
    for (const char* name : v.missing) EXPECT_EQ(engine.Proc(name), nullptr) << name;
    for (const char* name : {"VexoInit", "VexoDone", "VexoFreeMem", "VexoGetAPIVersion", "VexoWaitForMedia", "VexoSetExpectedAPIVersion"})
        EXPECT_NE(engine.Proc(name), nullptr) << name;
}

INSTANTIATE_TEST_SUITE_P(Folders, VexoApiVariantTest,
                         ::testing::Values(Variant{"vexoapi-v2", "v2", "6.3.1.24", {}},
                                           Variant{"vexoapi-v1", "v1", "6.3.1.9", {}},
                                           Variant{"vexoapi-noex", "noex", "6.3.1.16", {"VexoGetAPIVersionEx", "VexoSetExpectedAPIVersionEx"}},
                                           Variant{"vexoapi-nowait", "nowait", "6.3.1.20", {"VexoWaitForDisc"}},
                                           Variant{"vexoapi-novers", "novers", nullptr, {}},
                                           Variant{"engine", "v2", "6.3.1.24", {}}),
                         [](const auto& info) {
                             std::string n = info.param.folder;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

TEST(VexoApiNoEx, OldVersionNumberStandsForTheExtendedOne) {
    Engine engine(EnginePath("vexoapi-noex"));
    ASSERT_NE(engine.module(), nullptr);
    EXPECT_EQ(engine.Get<unsigned(WINAPI*)()>("VexoGetAPIVersion")(), 6319u);
}

}  // namespace

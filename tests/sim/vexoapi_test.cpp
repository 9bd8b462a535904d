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
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../support/SimEngineLibrary.h"

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

class Engine : public testing_support::SimEngineLibrary {
public:
    using SimEngineLibrary::SimEngineLibrary;

    int Init(const InitRecord& r, const char* text = "") const {
        return Get<int(WINAPI*)(const void*, const char*)>("VexoInit")(r.bytes.data(), text);
    }
    int Done() const { return Get<int(WINAPI*)()>("VexoDone")(); }
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
    EXPECT_EQ(e().Get<int(WINAPI*)(void*, int, int)>("VexoBAOCloseHandle")(nullptr, 0, 0), 4);  // no such handle
    EXPECT_EQ(e().Counter("calls.VexoOpenDevice"), 1);
    expectedCheckFailures_ = 1;  // a null entry is not one of the engine's entries
}

// --- ISO items ------------------------------------------------------------------

// The item as the engine publishes it for 32-bit callers (592 bytes), with
// pointer fields widened on a 64-bit build.
namespace isoitem {
constexpr std::size_t Align(std::size_t v) { return (v + P - 1) / P * P; }
constexpr std::size_t LongName = Align(252);
constexpr std::size_t IsDirectory = LongName + P;
constexpr std::size_t SourcePath = IsDirectory + 8;
constexpr std::size_t LongSourcePath = Align(SourcePath + 252);
constexpr std::size_t FirstChild = LongSourcePath + P;
constexpr std::size_t Next = FirstChild + P;
constexpr std::size_t UserData = Next + P;
constexpr std::size_t Size = Align(UserData + P + 12 + 36 + 12);
static_assert(P != 4 || (FirstChild == 520 && Next == 524 && Size == 592));
}  // namespace isoitem

void* PtrAt(const void* item, std::size_t offset) {
    void* p;
    std::memcpy(&p, static_cast<const std::uint8_t*>(item) + offset, P);
    return p;
}
void SetPtrAt(void* item, std::size_t offset, const void* p) { std::memcpy(static_cast<std::uint8_t*>(item) + offset, &p, P); }

class VexoIsoItemTest : public VexoApiTest {
protected:
    void* Make(int size = static_cast<int>(isoitem::Size)) const { return e().Get<void*(WINAPI*)(int)>("VexoCreateIsoItemOfSize")(size); }
    void Free(void* item) const { e().Get<void(WINAPI*)(void*)>("VexoFreeIsoItem")(item); }
    void FreeTree(void* item) const { e().Get<void(WINAPI*)(void*)>("VexoFreeIsoItemTree")(item); }
    void* Build(const char* text) const { return e().Get<void*(WINAPI*)(const char*)>("VexoSimBuildIsoTree")(text); }
    std::string Describe(void* item) const {
        char buffer[512];
        int n = e().Get<int(WINAPI*)(void*, char*, int)>("VexoSimDescribeIsoTree")(item, buffer, sizeof buffer);
        return n < 0 ? "<failed>" : buffer;
    }
};

TEST_F(VexoIsoItemTest, ItemsAreMadeEmptyAndFreedOneByOne) {
    void* a = Make();
    void* b = Make(static_cast<int>(isoitem::Size) + 64);  // a larger ask is fine
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    auto* bytes = static_cast<const std::uint8_t*>(a);
    EXPECT_EQ(U32(bytes, isoitem::IsDirectory), 0u);
    EXPECT_EQ(PtrAt(a, isoitem::FirstChild), nullptr);
    EXPECT_EQ(PtrAt(a, isoitem::Next), nullptr);
    EXPECT_EQ(PtrAt(a, isoitem::LongName), nullptr);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 2);

    SetPtrAt(a, isoitem::Next, b);  // VexoFreeIsoItem never follows links
    Free(a);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 1);
    Free(a);
    EXPECT_EQ(e().Counter("free.bad"), 1) << "double free";
    Free(b);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 0);

    EXPECT_EQ(Make(static_cast<int>(isoitem::Size) - 1), nullptr) << "smaller than an item";
    EXPECT_EQ(Make(-1), nullptr);
    expectedCheckFailures_ = 2;
}

TEST_F(VexoIsoItemTest, BuiltTreesReadBackAndGoWhole) {
    const char* text = "A/[ a1 a2/[ z ] ] B/[ ] x y";
    void* first = Build(text);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Describe(first), text);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 7);
    EXPECT_EQ(U32(static_cast<const std::uint8_t*>(first), isoitem::IsDirectory), 1u);
    EXPECT_NE(PtrAt(first, isoitem::UserData), nullptr) << "an import leaves the engine's user data";

    // A long name is read through its pointer.
    void* x = PtrAt(PtrAt(first, isoitem::Next), isoitem::Next);
    std::string longName(300, 'n');
    static_cast<std::uint8_t*>(x)[0] = 0;
    SetPtrAt(x, isoitem::LongName, longName.c_str());
    EXPECT_EQ(Describe(first), "A/[ a1 a2/[ z ] ] B/[ ] " + longName + " y");

    FreeTree(first);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 0);
    EXPECT_EQ(e().Counter("free.bad"), 0);

    EXPECT_EQ(Build("A/[ x"), nullptr) << "unclosed directory";
    EXPECT_EQ(Build("x ]"), nullptr);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 0) << "nothing kept of a malformed text";
}

TEST_F(VexoIsoItemTest, TreeFreeLeavesBlocksOfOtherKindsAndLoopsAlone) {
    Initialise();
    void* first = Build("A/[ a1 ] x");
    ASSERT_NE(first, nullptr);
    void* x = PtrAt(first, isoitem::Next);
    const char* text = e().Get<const char*(WINAPI*)(int, int)>("VexoGetTypeNameOfMedia")(1, 0);
    ASSERT_NE(text, nullptr);
    SetPtrAt(x, isoitem::Next, text);
    EXPECT_EQ(Describe(first), "A/[ a1 ] x <bad>");
    FreeTree(first);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 0);
    EXPECT_EQ(e().Counter("free.wrongkind"), 1);
    EXPECT_EQ(e().FreeMem(text), 0) << "the text block was not touched";

    void* loop = Build("L/[ m ]");
    SetPtrAt(PtrAt(loop, isoitem::FirstChild), isoitem::Next, loop);
    EXPECT_EQ(Describe(loop), "L/[ m <loop> ]");
    FreeTree(loop);
    EXPECT_EQ(e().Counter("outstanding.isoitem"), 0);
    EXPECT_EQ(e().Counter("free.bad"), 0) << "each block freed once";
    expectedCheckFailures_ = 1;  // the wrong-kind block
}

TEST_F(VexoApiTest, OpenDeviceKnowsItsOwnEntries) {
    Initialise();
    auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
    ASSERT_NE(list, nullptr);
    std::vector<std::uint8_t> copy(list + 4 + kEntrySize, list + 4 + 2 * kEntrySize);  // the client's whole copy
    e().FreeMem(list);
    void* handle = e().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(copy.data());
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(e().Counter("opendevice.index"), 1);
    e().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(handle);
    EXPECT_EQ(e().Counter("devices.open"), 0);
}

TEST_F(VexoApiTest, BurnRecordsWithWrongFixedFieldsAreCheckFailures) {
    Initialise();
    auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
    ASSERT_NE(list, nullptr);
    void* device = e().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(list + 4);
    e().FreeMem(list);
    ASSERT_NE(device, nullptr);
    auto burnOn = e().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn");
    auto burn = [&](void*, int type, const void* record, int flags, int speed, const void* progress) {
        return burnOn(device, type, record, flags, speed, progress);
    };
    std::vector<std::uint8_t> fs(256, 0);
    std::uint32_t size = 144;
    std::memcpy(fs.data(), &size, 4);
    // An empty file-system container: burnt with nothing to write.
    void* container = e().Get<void*(WINAPI*)(void*)>("VexoCreateFileSystemContainer")(nullptr);
    ASSERT_NE(container, nullptr);
    std::memcpy(fs.data() + sizeof(void*), &container, sizeof container);
    EXPECT_EQ(burn(nullptr, 4, fs.data(), 0, 0, nullptr), 0);
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
    // The container's Release, the first operation of its table.
    (*static_cast<void(WINAPI* const*)(void*)>(*static_cast<void**>(container)))(container);
    e().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(device);
    expectedCheckFailures_ = 3;
}

// --- drive operations ------------------------------------------------------------
//
// Records below are read and written with this test's own offsets: pointer
// fields take P bytes on a P boundary, the rest keep their published places.

std::int16_t Left(std::int64_t block, int pair) { return static_cast<std::int16_t>(static_cast<std::uint16_t>((block * 588 + pair) * 7)); }
std::int16_t Right(std::int64_t block, int pair) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(Left(block, pair) ^ 0x5555)); }

// The first sample pair that differs from the disc's audio from startBlock on, or -1.
long long FirstWrongPair(const std::vector<std::uint8_t>& pcm, std::int64_t startBlock) {
    for (std::size_t at = 0; at + 4 <= pcm.size(); at += 4) {
        std::int64_t pair = static_cast<std::int64_t>(at / 4);
        std::int64_t block = startBlock + pair / 588;
        std::int16_t l, r;
        std::memcpy(&l, pcm.data() + at, 2);
        std::memcpy(&r, pcm.data() + at + 2, 2);
        if (l != Left(block, static_cast<int>(pair % 588)) || r != Right(block, static_cast<int>(pair % 588))) return pair;
    }
    return -1;
}

template <class T>
void PutAt(std::vector<std::uint8_t>& b, std::size_t offset, T v) {
    std::memcpy(b.data() + offset, &v, sizeof v);
}
std::size_t AlignP(std::size_t o) { return (o + P - 1) / P * P; }

using Fn = void*;
using OpenFn = void*(WINAPI*)(const void*);
using CloseFn = void(WINAPI*)(void*);
using DaeFn = int(WINAPI*)(void*, int, int, const void*, int, const void*);
using BurnFn = int(WINAPI*)(void*, int, const void*, int, int, const void*);
using StatusCb = std::int32_t(WINAPI*)(std::int32_t, std::int32_t, std::int32_t, void*);
using StatusRegFn = int(WINAPI*)(int, const void*, StatusCb, void*);

class VexoDriveTest : public VexoApiTest {
protected:
    void SetUp() override {
        VexoApiTest::SetUp();
        if (HasFatalFailure()) return;
        Initialise();
    }
    void TearDown() override {
        for (void* h : open_) e().Get<CloseFn>("VexoCloseDevice")(h);
        if (engine_->module()) {
            EXPECT_EQ(e().Counter("devices.open"), 0);
            EXPECT_EQ(e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle")(20000), 1);
            EXPECT_EQ(e().Counter("threads.engine"), 0);
            EXPECT_EQ(e().Counter("outstanding"), 0);
        }
        VexoApiTest::TearDown();
    }
    // A whole copy of device i's entry, as a client keeps it.
    std::vector<std::uint8_t> Entry(int i) {
        auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
        std::vector<std::uint8_t> copy;
        if (list && static_cast<int>(U32(list, 0)) > i) copy.assign(list + 4 + i * kEntrySize, list + 4 + (i + 1) * kEntrySize);
        e().FreeMem(list);
        return copy;
    }
    void* Open(int i) {
        std::vector<std::uint8_t> entry = Entry(i);
        void* h = entry.empty() ? nullptr : e().Get<OpenFn>("VexoOpenDevice")(entry.data());
        if (h) open_.push_back(h);
        return h;
    }
    void Close(void* h) {
        e().Get<CloseFn>("VexoCloseDevice")(h);
        std::erase(open_, h);
    }
    std::vector<void*> open_;
};

TEST_F(VexoDriveTest, HandlesAreFreshCountedAndClosedOnce) {
    void* a = Open(0);
    void* b = Open(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(e().Counter("devices.open"), 2);
    Close(a);
    EXPECT_EQ(e().Counter("devices.open"), 1);
    e().Get<CloseFn>("VexoCloseDevice")(a);  // closed before
    int foreign = 0;
    e().Get<CloseFn>("VexoCloseDevice")(&foreign);
    e().Get<CloseFn>("VexoCloseDevice")(nullptr);
    EXPECT_EQ(e().FreeMem(b), -1) << "a handle is not a block";
    EXPECT_EQ(e().Counter("devices.open"), 1);
    expectedCheckFailures_ = 3;
}

TEST_F(VexoDriveTest, OpenFailsForTheConfiguredNumberOfCalls) {
    e().Configure("[Device]\nName=A\nOpenFails=2\n[Device]\nName=B\n");
    Initialise();
    EXPECT_EQ(Open(0), nullptr);
    EXPECT_NE(Open(1), nullptr) << "the count is per device";
    EXPECT_EQ(Open(0), nullptr);
    EXPECT_NE(Open(0), nullptr);
    EXPECT_EQ(e().Counter("opendevice.failed"), 2);
}

// Every export taking a device handle, called with a handle that is not an
// open one: a check failure and the export's failure value, never a crash.
TEST_F(VexoDriveTest, NullForeignAndClosedHandlesAreCheckFailures) {
    void* closed = Open(0);
    Close(closed);
    int foreignBlock[64] = {};
    std::vector<std::uint8_t> target(4 + 256, 0);
    std::memcpy(target.data() + 4, "C:\\x.wav", 8);
    std::vector<std::uint8_t> image(264, 0);
    std::int32_t value = 1;
    struct Call {
        const char* name;
        std::intptr_t expected;
        std::intptr_t (*call)(const Engine&, void*, const void*, const void*);
    };
    const Call calls[] = {
        {"VexoIsDeviceReady", 1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*)>("VexoIsDeviceReady")(h); }},
        {"VexoEjectLoadCD", -1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, int)>("VexoEjectLoadCD")(h, 1); }},
        {"VexoGetAvailableSpeeds", 0, [](const Engine& x, void* h, const void*, const void*) { return reinterpret_cast<std::intptr_t>(x.Get<void*(WINAPI*)(void*, int, int, int)>("VexoGetAvailableSpeeds")(h, 0, 1, 0)); }},
        {"VexoGetCDRWErasingTime", -1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, int)>("VexoGetCDRWErasingTime")(h, 1); }},
        {"VexoEraseDisc", -1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, int, int, int)>("VexoEraseDisc")(h, 1, 0, 0); }},
        {"VexoGetCDInfo", 0, [](const Engine& x, void* h, const void*, const void*) { return reinterpret_cast<std::intptr_t>(x.Get<void*(WINAPI*)(void*, int)>("VexoGetCDInfo")(h, 0)); }},
        {"VexoDAE", 4, [](const Engine& x, void* h, const void* t, const void*) -> std::intptr_t { return x.Get<DaeFn>("VexoDAE")(h, 0, 10, t, 0, nullptr); }},
        {"VexoWaitForDisc", 1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, int, int, void*, int, int)>("VexoWaitForDisc")(h, 1, 0, nullptr, 0, 0); }},
        {"VexoWaitForMedia", 1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, int, int, void*)>("VexoWaitForMedia")(h, 1, 0, nullptr); }},
        {"VexoSetDeviceOption", -1, [](const Engine& x, void* h, const void*, const void* v) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, int, const void*)>("VexoSetDeviceOption")(h, 1, v); }},
        {"VexoGetDeviceOption", 0, [](const Engine& x, void* h, const void*, const void*) { return reinterpret_cast<std::intptr_t>(x.Get<void*(WINAPI*)(void*, int, int)>("VexoGetDeviceOption")(h, 1, 0)); }},
        {"VexoInitImageRecorder", 1, [](const Engine& x, void* h, const void*, const void*) -> std::intptr_t { return x.Get<int(WINAPI*)(void*, const char*, int, int, int)>("VexoInitImageRecorder")(h, "C:\\i.iso", 0, 1, 0); }},
        {"VexoBurn", 2, [](const Engine& x, void* h, const void* r, const void*) -> std::intptr_t { return x.Get<BurnFn>("VexoBurn")(h, 2, r, 0, 0, nullptr); }},
    };
    void* handles[] = {nullptr, foreignBlock, closed};
    int failures = 0;
    for (const Call& c : calls) {
        for (void* h : handles) {
            const void* record = std::strcmp(c.name, "VexoBurn") == 0 ? static_cast<const void*>(image.data()) : target.data();
            EXPECT_EQ(c.call(e(), h, record, &value), c.expected) << c.name << " with handle " << h;
            EXPECT_EQ(e().Counter("check.failures"), ++failures) << c.name << " with handle " << h;
        }
    }
    EXPECT_EQ(e().Text("dae.file"), "<none>") << "nothing was extracted";
    expectedCheckFailures_ = failures;
}

TEST_F(VexoDriveTest, ReadinessEjectErasingAndWaitingFollowTheDevice) {
    auto ready = e().Get<int(WINAPI*)(void*)>("VexoIsDeviceReady");
    auto eject = e().Get<int(WINAPI*)(void*, int)>("VexoEjectLoadCD");
    auto eraseTime = e().Get<int(WINAPI*)(void*, int)>("VexoGetCDRWErasingTime");
    auto erase = e().Get<int(WINAPI*)(void*, int, int, int)>("VexoEraseDisc");
    auto wait = e().Get<int(WINAPI*)(void*, int, int, void*, int, int)>("VexoWaitForDisc");
    auto waitMedia = e().Get<int(WINAPI*)(void*, int, int, void*)>("VexoWaitForMedia");
    // The two default recorders: a rewritable disc in the first only.
    void* first = Open(0);
    void* second = Open(1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(ready(first), 0);
    EXPECT_EQ(eject(first, 1), 0);
    EXPECT_EQ(e().Counter("eject.last"), 1);
    EXPECT_EQ(eject(first, 0), 0);
    EXPECT_EQ(e().Counter("eject.last"), 0);
    EXPECT_EQ(eraseTime(first, 1), 60);
    EXPECT_EQ(eraseTime(first, 0), 600);
    EXPECT_EQ(eraseTime(second, 1), -1);
    EXPECT_EQ(erase(first, 1, 2, 0), 0);
    EXPECT_EQ(e().Counter("erase.quick"), 1);
    EXPECT_EQ(e().Counter("erase.mode"), 2);
    EXPECT_NE(erase(second, 0, 0, 0), 0) << "no rewritable disc";
    EXPECT_EQ(e().Counter("erase.quick"), 0);
    int stamp = 0;
    EXPECT_EQ(wait(first, 0x10, 256, &stamp, 1, 0), 0);
    EXPECT_EQ(e().Counter("wait.mediatype"), 0x10);
    EXPECT_EQ(e().Counter("wait.burnflags"), 256);
    EXPECT_EQ(e().Counter("wait.flags"), 1);
    EXPECT_EQ(e().Counter("wait.stamp"), 1);
    EXPECT_EQ(waitMedia(first, 4, 8, nullptr), 0);
    EXPECT_EQ(e().Counter("wait.mediatype"), 4);
    EXPECT_EQ(e().Counter("wait.stamp"), 0);
    EXPECT_EQ(e().Counter("wait.flags"), 1) << "VexoWaitForMedia has no wait flags";
    EXPECT_EQ(e().Counter("wait.media.calls"), 1);

    e().Configure("[Device]\nReady=1\nEjectResult=5\nEraseTimeQuick=-2\nEraseTimeFull=-3\nEraseResult=7\nWaitResult=3\nOperationMs=0\n");
    Initialise();
    open_.clear();  // closed below, after the new configuration
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ready(d), 1);
    EXPECT_EQ(eject(d, 1), 5);
    EXPECT_EQ(eraseTime(d, 1), -2);
    EXPECT_EQ(eraseTime(d, 0), -3);
    EXPECT_EQ(erase(d, 1, 0, 0), 7);
    EXPECT_EQ(wait(d, 0, 0, nullptr, 0, 0), 3);
    EXPECT_EQ(waitMedia(d, 0, 0, nullptr), 3);
    Close(d);
    Close(second);
    Close(first);
    expectedCheckFailures_ = 0;  // counters start afresh with a configuration; handles stay open across it
}

TEST_F(VexoDriveTest, AvailableSpeedsRecordIsCountedAndFreed) {
    e().Configure("[Device]\nReadBase=176\nReadSpeeds=8,16,24\nWriteBase=177\nWriteSpeeds=4,8\n");
    Initialise();
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    auto speeds = e().Get<void*(WINAPI*)(void*, int, int, int)>("VexoGetAvailableSpeeds");
    struct Case {
        int access;
        std::uint32_t base;
        std::vector<std::uint32_t> list;
    };
    for (const Case& c : {Case{0, 177, {4, 8}}, Case{1, 176, {8, 16, 24}}}) {
        auto* r = static_cast<const std::uint8_t*>(speeds(d, c.access, 0x10, 0));
        ASSERT_NE(r, nullptr) << c.access;
        ASSERT_EQ(U32(r, 0), c.list.size());
        EXPECT_EQ(U32(r, 4), c.base);
        for (std::size_t i = 0; i < c.list.size(); ++i) EXPECT_EQ(U32(r, 8 + 4 * i), c.list[i]);
        EXPECT_EQ(e().Counter("outstanding.speeds"), 1);
        EXPECT_EQ(e().FreeMem(r), 0);
    }
    EXPECT_EQ(e().Counter("speeds.mediatype"), 0x10);
    EXPECT_EQ(speeds(d, 2, 0, 0), nullptr) << "neither write nor read";
}

TEST_F(VexoDriveTest, DiscInformationOfTheDiscInTheDrive) {
    auto cdInfo = e().Get<void*(WINAPI*)(void*, int)>("VexoGetCDInfo");
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    struct Case {
        int flags;
        const char* title;
        const char* trackTitle;
        const char* isrc;
    };
    for (const Case& c : {Case{0, "", "", ""}, Case{1, "Sim Disc", "Second Song", ""}, Case{2, "", "", "SIM000000002"},
                          Case{3, "Sim Disc", "Second Song", "SIM000000002"}}) {
        auto* r = static_cast<const std::uint8_t*>(cdInfo(d, c.flags));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(e().Counter("cdinfo.flags"), c.flags);
        EXPECT_EQ(U32(r, 0), 300000u);
        EXPECT_EQ(U32(r, 4) & 0xFFFF, 1u);
        EXPECT_EQ(Chars(r, 77, 65), c.title) << c.flags;
        ASSERT_EQ(U32(r, 272), 2u);
        const std::uint8_t* t = r + 276 + 280;
        EXPECT_EQ(U32(t, 4), 2u);
        EXPECT_EQ(U32(t, 8), 2u) << "audio";
        EXPECT_EQ(U32(t, 12), 1000u);
        EXPECT_EQ(U32(t, 16), 1500u);
        EXPECT_EQ(Chars(t, 85, 65), c.trackTitle) << c.flags;
        EXPECT_EQ(Chars(t, 150, 14), c.isrc) << c.flags;
        EXPECT_EQ(U32(t, 164), 2352u);
        EXPECT_EQ(e().FreeMem(r), 0);
    }
    e().Configure("[Device]\nDisc=none\n[Device]\nFreeBlocks=5\nTrack=1|1|1|0|300|2048|||\n");
    Initialise();
    open_.clear();
    void* none = Open(0);
    void* data = Open(1);
    ASSERT_TRUE(none && data);
    EXPECT_EQ(cdInfo(none, 1), nullptr);
    auto* r = static_cast<const std::uint8_t*>(cdInfo(data, 1));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(U32(r, 0), 5u);
    EXPECT_EQ(U32(r, 4), 0u) << "unset keys are 0: the default disc is replaced whole";
    ASSERT_EQ(U32(r, 272), 1u);
    EXPECT_EQ(U32(r + 276, 8), 1u);
    e().FreeMem(r);
    Close(none);
    Close(data);
    Close(d);
    expectedCheckFailures_ = 0;  // counters start afresh with a configuration; handles stay open across it
}

// --- audio extraction --------------------------------------------------------------

struct DaeSink {
    std::vector<std::uint8_t> pcm;
    std::vector<int> chunkBytes;
    std::vector<int> percents;
    int takeChunks = 1 << 30;  // chunks taken whole; the next one is refused
    int abortAtPercent = 1000;
};

std::int32_t WINAPI OnDaeWrite(void* userData, const void* buffer, std::int32_t bytes) {
    auto* s = static_cast<DaeSink*>(userData);
    if (static_cast<int>(s->chunkBytes.size()) >= s->takeChunks) return bytes / 2;
    s->chunkBytes.push_back(bytes);
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    s->pcm.insert(s->pcm.end(), b, b + bytes);
    return bytes;
}

std::int32_t WINAPI OnDaeProgress(void* userData, std::int32_t percent) {
    auto* s = static_cast<DaeSink*>(userData);
    s->percents.push_back(percent);
    return percent >= s->abortAtPercent ? 1 : 0;
}

std::vector<std::uint8_t> CallbackTarget(DaeSink& sink) {
    std::vector<std::uint8_t> t(AlignP(4) + 2 * P + 8, 0);
    PutAt<std::uint32_t>(t, 0, 1);
    PutAt<void*>(t, AlignP(4), &sink);
    PutAt<void*>(t, AlignP(4) + P, reinterpret_cast<void*>(&OnDaeWrite));
    return t;
}

std::vector<std::uint8_t> FileTarget(const std::string& name) {
    std::vector<std::uint8_t> t(4 + 256, 0);
    std::memcpy(t.data() + 4, name.data(), std::min<std::size_t>(name.size(), 256));
    return t;
}

std::vector<std::uint8_t> ProgressPair(DaeSink& sink) {
    std::vector<std::uint8_t> p(2 * P, 0);
    PutAt<void*>(p, 0, reinterpret_cast<void*>(&OnDaeProgress));
    PutAt<void*>(p, P, &sink);
    return p;
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

TEST_F(VexoDriveTest, AudioThroughTheWriteCallbackInChunks) {
    e().Configure("[Device]\nDaeChunkBlocks=3\nOperationMs=0\n");
    Initialise();
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    DaeSink sink;
    auto target = CallbackTarget(sink);
    auto progress = ProgressPair(sink);
    ASSERT_EQ(e().Get<DaeFn>("VexoDAE")(d, 1234, 10, target.data(), 4, progress.data()), 0);
    EXPECT_EQ(sink.chunkBytes, (std::vector<int>{3 * 2352, 3 * 2352, 3 * 2352, 2352}));
    EXPECT_EQ(sink.percents, (std::vector<int>{30, 60, 90, 100}));
    ASSERT_EQ(sink.pcm.size(), 10u * 2352);
    EXPECT_EQ(FirstWrongPair(sink.pcm, 1234), -1);
    EXPECT_EQ(e().Counter("dae.chunks"), 4);
    EXPECT_EQ(e().Counter("dae.kind"), 1);
    EXPECT_EQ(e().Counter("dae.speed"), 4);
    // The formula wraps at 16 bits: a late block checks the casts.
    DaeSink late;
    auto lateTarget = CallbackTarget(late);
    ASSERT_EQ(e().Get<DaeFn>("VexoDAE")(d, 2499, 1, lateTarget.data(), 0, nullptr), 0) << "no progress pair is fine";
    EXPECT_EQ(FirstWrongPair(late.pcm, 2499), -1);
}

TEST_F(VexoDriveTest, ExtractionStopsWhenTheCallbacksSaySo) {
    e().Configure("[Device]\nDaeChunkBlocks=2\nOperationMs=0\n");
    Initialise();
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    DaeSink refuses;
    refuses.takeChunks = 2;
    auto t1 = CallbackTarget(refuses);
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 0, 10, t1.data(), 0, nullptr), 1);
    EXPECT_EQ(refuses.chunkBytes.size(), 2u);
    EXPECT_EQ(e().Counter("dae.chunks"), 3) << "the refused chunk was the last";
    DaeSink aborts;
    aborts.abortAtPercent = 40;
    auto t2 = CallbackTarget(aborts);
    auto p2 = ProgressPair(aborts);
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 0, 10, t2.data(), 0, p2.data()), 1);
    EXPECT_EQ(aborts.percents, (std::vector<int>{20, 40}));
    EXPECT_EQ(aborts.chunkBytes.size(), 2u);
}

TEST_F(VexoDriveTest, AudioIntoAWaveFile) {
    e().Configure("[Device]\nDaeChunkBlocks=4\n");
    Initialise();
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    std::string path = TempFile("vexosim_dae_test.wav");
    DeleteFileA(path.c_str());
    DaeSink sink;
    auto target = FileTarget(path);
    auto progress = ProgressPair(sink);
    ASSERT_EQ(e().Get<DaeFn>("VexoDAE")(d, 990, 20, target.data(), 0, progress.data()), 0) << "across the track boundary";
    EXPECT_EQ(e().Text("dae.file"), path);
    EXPECT_EQ(e().Counter("dae.kind"), 0);
    EXPECT_EQ(sink.percents, (std::vector<int>{20, 40, 60, 80, 100}));
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    ASSERT_EQ(bytes.size(), 44u + 20 * 2352);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(U32(bytes.data(), 4), 36u + 20 * 2352);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(bytes.data(), 16), 16u);
    EXPECT_EQ(U32(bytes.data(), 20), 0x00020001u) << "PCM, two channels";
    EXPECT_EQ(U32(bytes.data(), 24), 44100u);
    EXPECT_EQ(U32(bytes.data(), 28), 176400u);
    EXPECT_EQ(U32(bytes.data(), 32), 0x00100004u) << "4 bytes a frame, 16 bits";
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(U32(bytes.data(), 40), 20u * 2352);
    EXPECT_EQ(FirstWrongPair(std::vector<std::uint8_t>(bytes.begin() + 44, bytes.end()), 990), -1);
    DeleteFileA(path.c_str());

    // A name of 255 characters fits; the file cannot be made in a missing folder.
    std::string missing = "C:\\no such folder\\" + std::string(255 - 18 - 4, 'a') + ".wav";
    ASSERT_EQ(missing.size(), 255u);
    auto t2 = FileTarget(missing);
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 0, 1, t2.data(), 0, nullptr), 3);
    EXPECT_EQ(e().Text("dae.file"), missing);
    // Aborted: the partial file is gone.
    DaeSink aborts;
    aborts.abortAtPercent = 50;
    auto p3 = ProgressPair(aborts);
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 0, 8, target.data(), 0, p3.data()), 1);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(VexoDriveTest, ExtractionOutsideTheDiscOrWithABadTargetFails) {
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    DaeSink sink;
    auto target = CallbackTarget(sink);
    struct Range {
        int start, length;
    };
    for (Range r : {Range{-1, 10}, Range{0, 0}, Range{0, -5}, Range{2400, 101}, Range{2500, 1}, Range{0x7FFFFFF0, 0x20}})
        EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, r.start, r.length, target.data(), 0, nullptr), 2) << r.start << "+" << r.length;
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 2400, 100, target.data(), 0, nullptr), 0) << "up to the disc's end";
    EXPECT_EQ(e().Counter("check.failures"), 0);

    std::vector<std::uint8_t> noCallback = target;
    PutAt<void*>(noCallback, AlignP(4) + P, nullptr);
    std::vector<std::uint8_t> badKind = target;
    PutAt<std::uint32_t>(badKind, 0, 2);
    std::vector<std::uint8_t> unterminated(4 + 256, 'a');
    PutAt<std::uint32_t>(unterminated, 0, 0);
    std::vector<std::uint8_t> emptyName(4 + 256, 0);
    for (const std::vector<std::uint8_t>* t : {&noCallback, &badKind, &unterminated, &emptyName})
        EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 0, 1, t->data(), 0, nullptr), 4);
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(d, 0, 1, nullptr, 0, nullptr), 4);
    expectedCheckFailures_ = 5;
    sink.pcm.clear();

    e().Configure("[Device]\nDisc=none\n");
    Initialise();
    open_.clear();
    void* empty = Open(0);
    EXPECT_EQ(e().Get<DaeFn>("VexoDAE")(empty, 0, 1, target.data(), 0, nullptr), 2);
    Close(empty);
    Close(d);
    expectedCheckFailures_ = 0;  // counters start afresh with a configuration; handles stay open across it
}

// --- options, image recorder, update ------------------------------------------------

TEST_F(VexoDriveTest, DeviceOptionsAreKeptPerDevice) {
    void* a = Open(0);
    void* b = Open(1);
    ASSERT_TRUE(a && b);
    auto set = e().Get<int(WINAPI*)(void*, int, const void*)>("VexoSetDeviceOption");
    auto get = e().Get<void*(WINAPI*)(void*, int, int)>("VexoGetDeviceOption");
    auto read = [&](void* h, int option) {
        void* p = get(h, option, 0);
        std::int32_t v = p ? *static_cast<std::int32_t*>(p) : 12345;
        EXPECT_EQ(e().Counter("outstanding.option"), p ? 1 : 0);
        e().FreeMem(p);
        return v;
    };
    std::int16_t yes = -1;
    std::int32_t layer = 0x10000 + 7;  // 32 bits read whole
    // A boolean option reads 16 bits only: what follows them is not looked at.
    std::int16_t yesThenJunk[2] = {-1, 0x7777};
    EXPECT_EQ(set(a, 0, &yes), 0);
    EXPECT_EQ(e().Counter("option.device.0"), -1);
    EXPECT_EQ(set(a, 1, &layer), 0);
    EXPECT_EQ(set(a, 2, yesThenJunk), 0);
    EXPECT_EQ(set(a, 3, &layer), 0);
    EXPECT_EQ(read(a, 0), -1);
    EXPECT_EQ(read(a, 1), 0x10007);
    EXPECT_EQ(read(a, 2), -1);
    EXPECT_EQ(read(a, 3), 0x10007);
    EXPECT_EQ(read(b, 0), 0) << "the other device keeps its own";
    EXPECT_EQ(set(a, 4, &layer), -1);
    EXPECT_EQ(set(a, -1, &layer), -1);
    EXPECT_EQ(get(a, 4, 0), nullptr);
    EXPECT_EQ(set(a, 1, nullptr), -1);
    expectedCheckFailures_ = 1;  // the null value
}

TEST_F(VexoDriveTest, ImageRecorderAndDeviceInfoUpdate) {
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    auto init = e().Get<int(WINAPI*)(void*, const char*, int, int, int)>("VexoInitImageRecorder");
    EXPECT_EQ(init(d, "C:\\images\\out.iso", 0, 0x20, 0), 0);
    EXPECT_EQ(e().Text("imagerecorder.path"), "C:\\images\\out.iso");
    EXPECT_EQ(e().Counter("imagerecorder.mediatype"), 0x20);
    EXPECT_EQ(init(d, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(e().Text("imagerecorder.path"), "");

    auto update = e().Get<int(WINAPI*)(void*, int, int)>("VexoUpdateDeviceInfo");
    std::vector<std::uint8_t> entry = Entry(1);
    std::vector<std::uint8_t> before = entry;
    EXPECT_EQ(update(entry.data(), 0x10, 0), 0);
    EXPECT_EQ(entry, before) << "the same configuration writes the same entry";
    EXPECT_EQ(e().Counter("updatedevice.index"), 1);
    EXPECT_EQ(e().Counter("updatedevice.mediatype"), 0x10);
    std::vector<std::uint8_t> foreign(kEntrySize, 0);
    EXPECT_EQ(update(foreign.data(), 0, 0), 1);
    EXPECT_EQ(update(d, 0, 0), 1) << "a handle where the entry belongs";
    expectedCheckFailures_ = 2;
}

// --- drive-status notifications -------------------------------------------------------

struct StatusLog {
    std::atomic<int> calls{0};
    std::atomic<int> value1{0}, value2{0}, status{-1};
    std::atomic<DWORD> thread{0};
    std::atomic<int> busyMs{0};  // how long each call takes
};

std::int32_t WINAPI OnStatus(std::int32_t value1, std::int32_t value2, std::int32_t status, void* userData) {
    auto* log = static_cast<StatusLog*>(userData);
    if (log->busyMs) Sleep(static_cast<DWORD>(log->busyMs.load()));
    log->value1 = value1;
    log->value2 = value2;
    log->status = status;
    log->thread = GetCurrentThreadId();
    ++log->calls;
    return 1;
}

TEST_F(VexoDriveTest, StatusCallbacksByTypeAndDeviceFromAnEngineThread) {
    auto reg = e().Get<StatusRegFn>("VexoRegisterDriveStatusCallback");
    auto unreg = e().Get<StatusRegFn>("VexoUnregisterDriveStatusCallback");
    auto fire = e().Get<int(WINAPI*)(int, int, int)>("VexoSimFireDriveStatus");
    std::vector<std::uint8_t> entry0 = Entry(0), entry1 = Entry(1);
    StatusLog discLog, useLog, otherLog;
    ASSERT_EQ(reg(0, entry1.data(), &OnStatus, &discLog), 0);
    ASSERT_EQ(reg(1, entry1.data(), &OnStatus, &useLog), 0);
    ASSERT_EQ(reg(0, entry0.data(), &OnStatus, &otherLog), 0);
    EXPECT_EQ(reg(0, entry1.data(), &OnStatus, &discLog), -1) << "the same four twice";
    EXPECT_EQ(reg(2, entry1.data(), &OnStatus, &discLog), -1) << "no such type";
    EXPECT_EQ(reg(0, entry1.data(), nullptr, &discLog), -1);
    EXPECT_EQ(e().Counter("status.registered"), 3);

    EXPECT_EQ(fire(1, 0, 3), 1);
    EXPECT_EQ(discLog.calls, 1) << "delivered before the fire returns";
    EXPECT_EQ(discLog.status, 3);
    EXPECT_EQ(discLog.value1, 1) << "host adapter";
    EXPECT_EQ(discLog.value2, 1) << "device id";
    EXPECT_NE(discLog.thread, GetCurrentThreadId());
    EXPECT_EQ(useLog.calls, 0);
    EXPECT_EQ(otherLog.calls, 0);
    EXPECT_EQ(fire(1, 1, 0), 1);
    EXPECT_EQ(useLog.status, 0);
    EXPECT_EQ(e().Counter("status.fired"), 2);
    EXPECT_EQ(e().Counter("status.accepted"), 2);
    EXPECT_EQ(e().Text("status.last"), "1,1,0");

    EXPECT_EQ(unreg(0, entry1.data(), &OnStatus, &discLog), 0);
    EXPECT_EQ(unreg(0, entry1.data(), &OnStatus, &discLog), -1);
    EXPECT_EQ(unreg(1, entry0.data(), &OnStatus, &useLog), -1) << "registered for the other device";
    EXPECT_EQ(fire(1, 0, 2), 0);
    EXPECT_EQ(discLog.calls, 1);
    EXPECT_EQ(unreg(1, entry1.data(), &OnStatus, &useLog), 0);
    EXPECT_EQ(unreg(0, entry0.data(), &OnStatus, &otherLog), 0);
    EXPECT_EQ(e().Counter("status.registered"), 0);
    std::vector<std::uint8_t> foreign(kEntrySize, 0);
    EXPECT_EQ(reg(0, foreign.data(), &OnStatus, &discLog), -1);
    EXPECT_EQ(unreg(0, nullptr, &OnStatus, &discLog), -1);
    expectedCheckFailures_ = 2;
}

TEST_F(VexoDriveTest, ConfiguredStatusEventsFollowEachRegistrationOfTheirType) {
    e().Configure("[Device]\nStatusEvent=10,0,2\nStatusEvent=30,0,3\nStatusEvent=5,1,0\n");
    Initialise();
    auto reg = e().Get<StatusRegFn>("VexoRegisterDriveStatusCallback");
    auto unreg = e().Get<StatusRegFn>("VexoUnregisterDriveStatusCallback");
    std::vector<std::uint8_t> entry = Entry(0);
    StatusLog log;
    ASSERT_EQ(reg(0, entry.data(), &OnStatus, &log), 0);
    ASSERT_EQ(e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle")(20000), 1);
    EXPECT_EQ(log.calls, 2) << "the type-1 event is not for this registration";
    EXPECT_EQ(log.status, 3) << "the later one last";
    ASSERT_EQ(unreg(0, entry.data(), &OnStatus, &log), 0);
    ASSERT_EQ(reg(0, entry.data(), &OnStatus, &log), 0);
    ASSERT_EQ(unreg(0, entry.data(), &OnStatus, &log), 0) << "at once: the pending events are dropped";
    ASSERT_EQ(e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle")(20000), 1);
    EXPECT_EQ(log.calls, 2);
}

TEST_F(VexoDriveTest, UnregisteringWaitsForARunningCallbackAndThreadsEnd) {
    e().Configure("[Device]\nStatusEvent=0,0,3\n");
    Initialise();
    auto reg = e().Get<StatusRegFn>("VexoRegisterDriveStatusCallback");
    auto unreg = e().Get<StatusRegFn>("VexoUnregisterDriveStatusCallback");
    std::vector<std::uint8_t> entry = Entry(0);
    for (int round = 0; round < 20; ++round) {
        auto log = std::make_unique<StatusLog>();
        log->busyMs = 5;
        ASSERT_EQ(reg(0, entry.data(), &OnStatus, log.get()), 0);
        Sleep(1);
        ASSERT_EQ(unreg(0, entry.data(), &OnStatus, log.get()), 0);
        // The log may go now: a call under way has ended, none follows.
        int calls = log->calls;
        log.reset();
        EXPECT_LE(calls, 1);
    }
    ASSERT_EQ(e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle")(20000), 1);
    for (int i = 0; i < 200 && e().Counter("threads.engine") != 0; ++i) Sleep(5);
    EXPECT_EQ(e().Counter("threads.engine"), 0);
}

struct RefiringLog {
    const Engine* engine;
    std::atomic<int> nested{0};
};

std::int32_t WINAPI OnStatusFiringAgain(std::int32_t, std::int32_t, std::int32_t, void* userData) {
    auto* log = static_cast<RefiringLog*>(userData);
    log->nested = log->engine->Get<int(WINAPI*)(int, int, int)>("VexoSimFireDriveStatus")(0, 0, 1);
    return 1;
}

TEST_F(VexoDriveTest, ManyNotificationsLeaveNoEngineThreadBehind) {
    auto reg = e().Get<StatusRegFn>("VexoRegisterDriveStatusCallback");
    auto unreg = e().Get<StatusRegFn>("VexoUnregisterDriveStatusCallback");
    auto fire = e().Get<int(WINAPI*)(int, int, int)>("VexoSimFireDriveStatus");
    std::vector<std::uint8_t> entry = Entry(0);
    StatusLog log;
    ASSERT_EQ(reg(1, entry.data(), &OnStatus, &log), 0);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(fire(0, 1, i & 1), 1) << i;
    EXPECT_EQ(log.calls, 200);
    EXPECT_EQ(e().Counter("status.fired"), 200);
    ASSERT_EQ(unreg(1, entry.data(), &OnStatus, &log), 0);
    ASSERT_EQ(e().Get<int(WINAPI*)(int)>("VexoSimWaitIdle")(20000), 1);
    EXPECT_EQ(e().Counter("threads.engine"), 0);

    // A callback asking for a notification from the engine thread gets -1, not a hang.
    RefiringLog refire{&e()};
    ASSERT_EQ(reg(0, entry.data(), &OnStatusFiringAgain, &refire), 0);
    EXPECT_EQ(fire(0, 0, 2), 1);
    EXPECT_EQ(refire.nested, -1);
    ASSERT_EQ(unreg(0, entry.data(), &OnStatusFiringAgain, &refire), 0);
}

// --- image burns and questions ----------------------------------------------------------

struct BurnLog {
    std::vector<int> percents, subTask;
    std::vector<std::string> phases, lines;
    std::vector<int> majors;
    int abortAt = 1000;
};

std::int32_t WINAPI BurnProgress(void* ud, std::int32_t percent) {
    auto* b = static_cast<BurnLog*>(ud);
    b->percents.push_back(percent);
    return percent >= b->abortAt ? 1 : 0;
}
std::int32_t WINAPI BurnSubTask(void* ud, std::int32_t percent) {
    static_cast<BurnLog*>(ud)->subTask.push_back(percent);
    return 0;
}
void WINAPI BurnLogLine(void* ud, std::int32_t, const char* text) { static_cast<BurnLog*>(ud)->lines.push_back(text); }
void WINAPI BurnPhase(void* ud, const char* text) { static_cast<BurnLog*>(ud)->phases.push_back(text); }
void WINAPI BurnMajor(void* ud, std::int32_t phase) { static_cast<BurnLog*>(ud)->majors.push_back(phase); }

// What the dialog callback saw, read with this test's offsets, and how it answers.
struct Asked {
    int request = 0;
    std::intptr_t data = 0;
    std::vector<std::uint32_t> numbers;
    std::vector<std::string> texts;
    std::string buffer;  // the buffer's first bytes as they came
};
std::vector<Asked> gAsked;
std::function<int(int request, std::intptr_t data)> gAnswer;

std::string TextAt(const void* p) { return p ? std::string(static_cast<const char*>(p)) : std::string("<null>"); }
const void* PtrAt(const std::uint8_t* r, std::size_t offset) {
    const void* p;
    std::memcpy(&p, r + offset, P);
    return p;
}

std::int32_t WINAPI RecordingDialog(void*, std::int32_t request, std::intptr_t data) {
    Asked a;
    a.request = request;
    a.data = data;
    const auto* r = reinterpret_cast<const std::uint8_t*>(data);
    if (r) {
        switch (request) {
        case 13: a.numbers = {U32(r, 0), U32(r, 4)}; break;
        case 20: a.buffer.assign(reinterpret_cast<const char*>(r), 260); break;
        case 28:
            a.numbers = {U32(r, 0), U32(r, 4), U32(r, 8)};
            a.texts = {TextAt(PtrAt(r, AlignP(12))), TextAt(PtrAt(r, AlignP(12) + P))};
            break;
        case 29: a.numbers = {U32(r, 0), U32(r, 4), U32(r, 8)}; a.texts = {TextAt(PtrAt(r, AlignP(12)))}; break;
        case 30: {
            a.texts = {TextAt(PtrAt(r, 0))};
            std::size_t n = P + 4;
            std::size_t buffer = AlignP(n + 16);
            a.numbers = {U32(r, n), U32(r, n + 4), U32(r, n + 8), U32(r, n + 12), U32(r, buffer + P)};
            const char* out = static_cast<const char*>(PtrAt(r, buffer));
            a.texts.push_back(out ? "buffer" : "<null>");
            break;
        }
        default: break;
        }
    }
    gAsked.push_back(a);
    int answer = gAnswer ? gAnswer(request, data) : -1;
    return answer;
}

InitRecord AskingRecord() {
    InitRecord r = GoodRecord();
    r.Pointer(7, reinterpret_cast<const void*>(&RecordingDialog));
    return r;
}

class VexoQuestionTest : public VexoDriveTest {
protected:
    void SetUp() override {
        VexoApiTest::SetUp();
        if (HasFatalFailure()) return;
        gAsked.clear();
        gAnswer = nullptr;
        gIdleAnswer = 0;
        ASSERT_EQ(e().Init(AskingRecord()), 0);
    }
    void TearDown() override {
        gAnswer = nullptr;
        gIdleAnswer = 0;
        VexoDriveTest::TearDown();
    }
    void Reconfigure(const std::string& text) {
        e().Configure(text);
        ASSERT_EQ(e().Init(AskingRecord()), 0);
    }
    int AskSpec(int request, const char* dataText) { return e().Get<int(WINAPI*)(int, const char*)>("VexoSimAskSpec")(request, dataText); }
};

TEST_F(VexoQuestionTest, AskSpecBuildsEachRequestsData) {
    e().Configure("[MediaNames]\n1=CD-R\n16=DVD-R\n");
    ASSERT_EQ(e().Init(AskingRecord()), 0);
    gAnswer = [](int request, std::intptr_t) { return request == 13 ? 1 : 0; };
    struct Case {
        int request;
        const char* dataText;
        std::vector<std::uint32_t> numbers;
        std::vector<std::string> texts;
        bool nullData;
    };
    const Case cases[] = {
        {13, "", {360000, 359847}, {}, false},
        {13, "400000,359000", {400000, 359000}, {}, false},
        {13, "null", {}, {}, true},
        {28, "1,16", {0, 1, 16}, {"CD-R", "DVD-R"}, false},
        {28, "2,1", {0, 2, 1}, {"Media 0x2", "CD-R"}, false},
        {29, "1,3,-7,Insert, please", {1, 3, static_cast<std::uint32_t>(-7)}, {"Insert, please"}, false},
        {29, "null", {}, {}, true},
        {30, "100,1,200,2,64", {100, 1, 200, 2, 64}, {"C:\\windows\\temp", "buffer"}, false},
        {30, "5,0,6,0,260,D:\\scratch", {5, 0, 6, 0, 260}, {"D:\\scratch", "buffer"}, false},
        {30, "nulldir", {1, 0, 2, 0, 260}, {"<null>", "buffer"}, false},
        {30, "nullbuffer", {1, 0, 2, 0, 260}, {"C:\\windows\\temp", "<null>"}, false},
        {30, "null", {}, {}, true},
    };
    for (const Case& c : cases) {
        gAsked.clear();
        int answer = AskSpec(c.request, c.dataText);
        ASSERT_EQ(gAsked.size(), 1u) << c.request << " " << c.dataText;
        const Asked& a = gAsked[0];
        EXPECT_EQ(answer, c.request == 13 ? 1 : 0);
        EXPECT_EQ(a.request, c.request);
        EXPECT_EQ(a.data == 0, c.nullData) << c.request << " " << c.dataText;
        EXPECT_EQ(a.numbers, c.numbers) << c.request << " " << c.dataText;
        EXPECT_EQ(a.texts, c.texts) << c.request << " " << c.dataText;
        EXPECT_EQ(e().Counter("ask.request"), c.request);
        EXPECT_EQ(e().Counter("ask.response"), answer);
    }
    for (int request : {14, 15, 7}) {
        gAsked.clear();
        AskSpec(request, "-1");
        ASSERT_EQ(gAsked.size(), 1u);
        EXPECT_EQ(gAsked[0].data, -1);
        AskSpec(request, "");
        EXPECT_EQ(gAsked[1].data, 0) << "default 0";
    }
    EXPECT_EQ(e().Counter("ask.calls"), 18);
    EXPECT_EQ(AskSpec(14, "twelve"), -2) << "a data text that is not understood";
    EXPECT_EQ(AskSpec(30, "1,2,3,4,-1"), -2);
}

TEST_F(VexoQuestionTest, TheBufferAnswersAreReadBackAndOverrunsCaught) {
    gAnswer = [](int request, std::intptr_t data) {
        if (request == 20) {
            char* buffer = reinterpret_cast<char*>(data);
            std::memset(buffer, 0, 260);
            std::strcpy(buffer, "C:\\images\\chosen.iso");
            return 5;
        }
        if (request == 30) {
            const auto* r = reinterpret_cast<const std::uint8_t*>(data);
            std::size_t buffer = AlignP(P + 4 + 16);
            char* out = static_cast<char*>(const_cast<void*>(PtrAt(r, buffer)));
            std::uint32_t size = U32(r, buffer + P);
            std::string answer = "E:\\roomy";
            std::memset(out, 0, size);
            std::memcpy(out, answer.data(), std::min<std::size_t>(answer.size(), size - 1));
            return 1;
        }
        return -1;
    };
    gAsked.clear();
    EXPECT_EQ(AskSpec(20, ""), 5);
    ASSERT_EQ(gAsked.size(), 1u);
    EXPECT_EQ(gAsked[0].buffer, std::string(260, 'x')) << "prefilled, no terminator";
    EXPECT_EQ(e().Text("ask.text"), "C:\\images\\chosen.iso");
    EXPECT_EQ(AskSpec(30, "1,0,2,0,5"), 1);
    EXPECT_EQ(e().Text("ask.text"), "E:\\r") << "at most size - 1 characters";
    EXPECT_EQ(e().Counter("check.failures"), 0);
    // A callback writing 261 bytes into the 260-byte buffer is caught.
    gAnswer = [](int, std::intptr_t data) {
        std::memset(reinterpret_cast<char*>(data), 'y', 261);
        return 5;
    };
    EXPECT_EQ(AskSpec(20, ""), 5);
    EXPECT_EQ(e().Text("ask.text"), std::string(260, 'y')) << "read no further than the buffer";
    expectedCheckFailures_ = 1;
}

std::vector<std::uint8_t> ImageRecord(const char* file, std::uint32_t mediaType) {
    std::vector<std::uint8_t> r(AlignP(252) + P + 8, 0);
    PutAt<const void*>(r, AlignP(252), file);
    PutAt<std::uint32_t>(r, AlignP(252) + P, mediaType);
    return r;
}

// Fills the engine's progress record with this test's callbacks.
void FillProgress(void* record, BurnLog* log) {
    auto* r = static_cast<std::uint8_t*>(record);
    const void* slots[8] = {reinterpret_cast<const void*>(&BurnProgress), nullptr, reinterpret_cast<const void*>(&BurnLogLine),
                            reinterpret_cast<const void*>(&BurnPhase), log, nullptr, reinterpret_cast<const void*>(&BurnMajor),
                            reinterpret_cast<const void*>(&BurnSubTask)};
    std::memcpy(r, slots, sizeof slots);
}

TEST_F(VexoQuestionTest, AnImageBurnReportsProgressAndAsks) {
    Reconfigure("[Burn]\nSteps=4\nStepMs=1\nAsk=13:1,2\nAsk=20\nAsk=30:1,0,2,0,32,F:\\t\nAsk=15:7\nResult=3\n");
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    gAnswer = [](int request, std::intptr_t data) {
        if (request == 20) {
            std::strcpy(reinterpret_cast<char*>(data), "G:\\pick.iso");
            return 5;
        }
        if (request == 30) {
            const auto* r = reinterpret_cast<const std::uint8_t*>(data);
            std::strcpy(static_cast<char*>(const_cast<void*>(PtrAt(r, AlignP(P + 20)))), "H:\\");
            return 1;
        }
        return request == 13 ? 1 : -1;
    };
    void* progress = e().Get<void*(WINAPI*)()>("VexoCreateProgress")();
    ASSERT_NE(progress, nullptr);
    BurnLog log;
    FillProgress(progress, &log);
    auto record = ImageRecord("C:\\discs\\music.iso", 0x10);
    EXPECT_EQ(e().Get<BurnFn>("VexoBurn")(d, 2, record.data(), 4 | 16, 8, progress), 3);
    EXPECT_EQ(e().Text("burn.image"), "C:\\discs\\music.iso");
    EXPECT_EQ(e().Counter("burn.mediatype"), 0x10);
    EXPECT_EQ(e().Counter("burn.flags"), 20);
    EXPECT_EQ(e().Counter("burn.speed"), 8);
    EXPECT_EQ(log.percents, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(log.subTask, (std::vector<int>{100}));
    EXPECT_EQ(log.phases.size(), 1u);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Burning C:\\discs\\music.iso"}));
    EXPECT_EQ(log.majors.size(), 1u);
    ASSERT_EQ(gAsked.size(), 4u);
    EXPECT_EQ(gAsked[0].numbers, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(gAsked[3].data, 7);
    EXPECT_EQ(e().Counter("ask.count"), 4);
    EXPECT_EQ(e().Counter("answer.0"), 1);
    EXPECT_EQ(e().Counter("answer.1"), 5);
    EXPECT_EQ(e().Counter("answer.2"), 1);
    EXPECT_EQ(e().Counter("answer.3"), -1);
    EXPECT_EQ(e().Counter("ask.response"), -1);
    EXPECT_EQ(e().Text("answer.1.text"), "G:\\pick.iso");
    EXPECT_EQ(e().Text("answer.2.text"), "H:\\");
    EXPECT_EQ(e().Text("answer.0.text"), "<none>");
    EXPECT_EQ(e().Counter("burn.result"), 3);
    EXPECT_EQ(e().FreeMem(progress), 0);
}

TEST_F(VexoQuestionTest, TheNonEmptyRewritableQuestionDecidesTheBurn) {
    Reconfigure("[Burn]\nSteps=2\nStepMs=0\nNonEmptyCDRW=1\n");
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    auto record = ImageRecord("C:\\a.iso", 0);
    struct Case {
        int flags;
        int answer;
        int result;
        int asked;
    };
    for (Case c : {Case{256, 5, 0, 1}, Case{256, 4, 0, 1}, Case{256 | 4, 0, 6, 1}, Case{256, -1, 6, 1}, Case{256, 1, 6, 1}, Case{4, 0, 0, 0}}) {
        gAsked.clear();
        gAnswer = [c](int, std::intptr_t) { return c.answer; };
        EXPECT_EQ(e().Get<BurnFn>("VexoBurn")(d, 2, record.data(), c.flags, 0, nullptr), c.result) << c.flags << " " << c.answer;
        ASSERT_EQ(static_cast<int>(gAsked.size()), c.asked);
        if (c.asked) {
            EXPECT_EQ(gAsked[0].request, 22);
        }
        EXPECT_EQ(e().Counter("burn.steps"), c.result == 0 ? 2 : 0);
    }
}

TEST_F(VexoQuestionTest, IdleAndProgressAnswersAbortTheBurn) {
    Reconfigure("[Burn]\nSteps=5\nStepMs=0\n");
    void* d = Open(0);
    ASSERT_NE(d, nullptr);
    auto record = ImageRecord("C:\\a.iso", 0);
    void* progress = e().Get<void*(WINAPI*)()>("VexoCreateProgress")();
    ASSERT_NE(progress, nullptr);
    BurnLog log;
    log.abortAt = 60;
    FillProgress(progress, &log);
    EXPECT_EQ(e().Get<BurnFn>("VexoBurn")(d, 2, record.data(), 0, 0, progress), 6);
    EXPECT_EQ(log.percents, (std::vector<int>{20, 40, 60}));
    log = BurnLog();
    gIdleAnswer = 1;
    EXPECT_EQ(e().Get<BurnFn>("VexoBurn")(d, 2, record.data(), 0, 0, progress), 6);
    EXPECT_TRUE(log.percents.empty()) << "the idle callback is asked before the first step's progress";
    gIdleAnswer = 0;
    EXPECT_EQ(e().Get<BurnFn>("VexoBurn")(d, 2, record.data(), 0, 0, nullptr), 0) << "no progress record";
    EXPECT_EQ(e().Get<BurnFn>("VexoBurn")(d, 3, record.data(), 0, 0, nullptr), 1) << "other types are not simulated";
    e().FreeMem(progress);
    expectedCheckFailures_ = 1;  // the image record is no freestyle record
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

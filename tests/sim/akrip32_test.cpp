// akrip32.dll as the ripper uses it: bound by name, records as byte arrays,
// discs put into the virtual drive with testdisc.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "VirtualDisc.h"

namespace {

// Record sizes and offsets as the callers of the library know them.
constexpr size_t kCdRecSize = 121, kListSize = 970, kTocSize = 804, kHeader = 24;
constexpr uint32_t kFrame = 2352;

using GetNumAdaptersFn = int(WINAPI*)();
using GetCDListFn = int(WINAPI*)(BYTE*);
using GetCDHandleFn = BYTE(WINAPI*)(BYTE*);
using ModifyCDParmsFn = int(WINAPI*)(BYTE, int, DWORD);
using QueryCDParmsFn = int(WINAPI*)(BYTE, int, DWORD*);
using ReadTOCFn = DWORD(WINAPI*)(BYTE, BYTE*);
using ReadCDAudioLBAFn = DWORD(WINAPI*)(BYTE, BYTE*);
using CloseCDHandleFn = int(WINAPI*)(BYTE);
using GetAspiLibErrorFn = int(WINAPI*)();

struct Api {
    HMODULE dll = nullptr;
    GetNumAdaptersFn GetNumAdapters = nullptr;
    GetCDListFn GetCDList = nullptr;
    GetCDHandleFn GetCDHandle = nullptr;
    ModifyCDParmsFn ModifyCDParms = nullptr;
    QueryCDParmsFn QueryCDParms = nullptr;
    ReadTOCFn ReadTOC = nullptr;
    ReadCDAudioLBAFn ReadCDAudioLBA = nullptr;
    CloseCDHandleFn CloseCDHandle = nullptr;
    GetAspiLibErrorFn GetAspiLibError = nullptr;
};

template <typename T>
void Bind(HMODULE dll, const char* name, T& fn) {
    fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

const Api& Lib() {
    static Api api = [] {
        Api a;
        a.dll = LoadLibraryA("akrip32.dll");
        if (!a.dll) return a;
        Bind(a.dll, "GetNumAdapters", a.GetNumAdapters);
        Bind(a.dll, "GetCDList", a.GetCDList);
        Bind(a.dll, "GetCDHandle", a.GetCDHandle);
        Bind(a.dll, "ModifyCDParms", a.ModifyCDParms);
        Bind(a.dll, "QueryCDParms", a.QueryCDParms);
        Bind(a.dll, "ReadTOC", a.ReadTOC);
        Bind(a.dll, "ReadCDAudioLBA", a.ReadCDAudioLBA);
        Bind(a.dll, "CloseCDHandle", a.CloseCDHandle);
        Bind(a.dll, "GetAspiLibError", a.GetAspiLibError);
        return a;
    }();
    return api;
}

uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t LE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> CdList() {
    std::vector<uint8_t> list(kListSize, 0);
    Lib().GetCDList(list.data());
    return list;
}

std::string IdText(const std::vector<uint8_t>& list, size_t n) {
    const char* id = reinterpret_cast<const char*>(list.data() + 2 + n * kCdRecSize + 4);
    return std::string(id, strnlen(id, 65));
}

// Index of the virtual drive (DriveRoot) in the CD list, -1 when absent.
int VirtualIndex() {
    std::vector<uint8_t> list = CdList();
    std::string tag = testdisc::DriveRoot().substr(0, 2);
    tag.insert(tag.begin(), '(');
    tag.push_back(')');
    for (size_t n = 0; n < list[1] && n < 8; ++n)
        if (IdText(list, n).find(tag) != std::string::npos) return int(n);
    return -1;
}

std::vector<uint8_t> Request(uint8_t ha, uint8_t tgt, uint8_t lun) {
    std::vector<uint8_t> r(12, 0);
    r[0] = 12;
    r[1] = 1;
    r[2] = ha;
    r[3] = tgt;
    r[4] = lun;
    return r;
}

// A handle on the virtual drive, closed when the test ends.
class Handle {
public:
    Handle() {
        int n = VirtualIndex();
        if (n < 0) return;
        std::vector<uint8_t> list = CdList();
        const uint8_t* rec = list.data() + 2 + n * kCdRecSize;
        std::vector<uint8_t> r = Request(rec[0], rec[1], rec[2]);
        h_ = Lib().GetCDHandle(r.data());
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (h_) Lib().CloseCDHandle(h_);
    }
    BYTE get() const { return h_; }
    explicit operator bool() const { return h_ != 0; }

private:
    BYTE h_ = 0;
};

struct Toc {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kTocSize + 16, 0xEE);  // 16 guard bytes
    uint32_t Address(size_t k) const { return BE32(bytes.data() + 4 + k * 8 + 4); }
    uint8_t Track(size_t k) const { return bytes[4 + k * 8 + 2]; }
    uint8_t Control(size_t k) const { return bytes[4 + k * 8 + 1]; }
    bool GuardIntact() const {
        for (size_t i = kTocSize; i < bytes.size(); ++i)
            if (bytes[i] != 0xEE) return false;
        return true;
    }
};

DWORD ReadToc(BYTE h, Toc& toc, bool lba = true) {
    if (lba) Lib().ModifyCDParms(h, 36, 0);
    std::fill(toc.bytes.begin(), toc.bytes.begin() + kTocSize, 0);
    return Lib().ReadTOC(h, toc.bytes.data());
}

// One TrackBuffer block with room for maxFrames, plus guard bytes.
struct Block {
    std::vector<uint8_t> bytes;
    explicit Block(uint32_t maxFrames) : bytes(kHeader + size_t(maxFrames) * kFrame + 16, 0xEE) {
        std::fill(bytes.begin(), bytes.begin() + kHeader, 0);
        PutLE32(bytes.data() + 8, maxFrames * kFrame);
    }
    DWORD Read(BYTE h, uint32_t start, uint32_t frames) {
        PutLE32(bytes.data() + 0, start);
        PutLE32(bytes.data() + 4, frames);
        PutLE32(bytes.data() + 12, 0);
        PutLE32(bytes.data() + 16, 0);
        PutLE32(bytes.data() + 20, 0);
        return Lib().ReadCDAudioLBA(h, bytes.data());
    }
    std::string Data(uint32_t frames) const {
        return std::string(reinterpret_cast<const char*>(bytes.data() + kHeader), size_t(frames) * kFrame);
    }
    uint32_t Len() const { return LE32(bytes.data() + 12); }
};

// Reads [start, end) in blocks of 26 frames as the rip job does.
std::string ReadRange(BYTE h, uint32_t start, uint32_t end) {
    Block block(26);
    std::string out;
    for (uint32_t at = start; at < end;) {
        uint32_t n = std::min<uint32_t>(26, end - at);
        if (block.Read(h, at, n) != 1) {
            ADD_FAILURE() << "read of " << at << "+" << n << " failed";
            return out;
        }
        out += block.Data(n);
        at += n;
    }
    return out;
}

std::string Swapped(std::string s) {
    for (size_t i = 0; i + 1 < s.size(); i += 2) std::swap(s[i], s[i + 1]);
    return s;
}

class Akrip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Lib().dll, nullptr) << "akrip32.dll not loadable";
        ASSERT_TRUE(Lib().GetNumAdapters && Lib().GetCDList && Lib().GetCDHandle && Lib().ModifyCDParms &&
                    Lib().QueryCDParms && Lib().ReadTOC && Lib().ReadCDAudioLBA && Lib().CloseCDHandle &&
                    Lib().GetAspiLibError)
            << "an export is missing";
        ASSERT_GE(VirtualIndex(), 0) << "no virtual drive in the CD list";
    }
    void TearDown() override { testdisc::Eject(); }
    int Error() const { return Lib().GetAspiLibError(); }
};

// --- drive list --------------------------------------------------------------

TEST_F(Akrip, ListsTheVirtualDriveAsUnitZeroIndexZero) {
    std::vector<uint8_t> list = CdList();
    int count = Lib().GetCDList(list.data());
    EXPECT_GE(count, 1);
    EXPECT_EQ(list[1], count);
    EXPECT_EQ(Lib().GetNumAdapters(), count);
    int n = VirtualIndex();
    const uint8_t* rec = list.data() + 2 + n * kCdRecSize;
    EXPECT_EQ(rec[0], 0);
    EXPECT_EQ(rec[1], n);
    EXPECT_EQ(rec[2], 0);
    std::string id = IdText(list, n);
    EXPECT_EQ(id.rfind("0:" + std::to_string(n) + ":0 VIRTUAL CD-ROM", 0), 0u) << id;
    EXPECT_LT(id.size(), 65u);
    // Records after the last drive stay as the caller passed them.
    for (size_t i = 2 + size_t(count) * kCdRecSize; i < kListSize; ++i) ASSERT_EQ(list[i], 0) << i;
}

TEST_F(Akrip, NullListFails) {
    EXPECT_EQ(Lib().GetCDList(nullptr), 0);
    EXPECT_EQ(Error(), -9);
}

// --- handles -----------------------------------------------------------------

TEST_F(Akrip, HandleRequestIsValidated) {
    EXPECT_EQ(Lib().GetCDHandle(nullptr), 0);
    EXPECT_EQ(Error(), -13);

    uint8_t tgt = uint8_t(VirtualIndex());
    std::vector<uint8_t> r = Request(0, tgt, 0);
    r[0] = 11;
    EXPECT_EQ(Lib().GetCDHandle(r.data()), 0);
    EXPECT_EQ(Error(), -14);
    r = Request(0, tgt, 0);
    r[1] = 2;
    EXPECT_EQ(Lib().GetCDHandle(r.data()), 0);
    EXPECT_EQ(Error(), -14);

    for (auto bad : {Request(1, tgt, 0), Request(0, tgt, 1), Request(0, 8, 0), Request(0, 255, 0)}) {
        EXPECT_EQ(Lib().GetCDHandle(bad.data()), 0);
        EXPECT_EQ(Error(), -10);
    }
}

TEST_F(Akrip, OneHandlePerUnitUntilClosed) {
    std::vector<uint8_t> r = Request(0, uint8_t(VirtualIndex()), 0);
    BYTE h = Lib().GetCDHandle(r.data());
    ASSERT_NE(h, 0);
    EXPECT_EQ(Error(), 0);
    EXPECT_EQ(Lib().GetCDHandle(r.data()), 0);
    EXPECT_EQ(Error(), -12);
    EXPECT_EQ(Lib().CloseCDHandle(h), 1);
    BYTE again = Lib().GetCDHandle(r.data());
    EXPECT_NE(again, 0);
    EXPECT_EQ(Lib().CloseCDHandle(again), 1);
}

TEST_F(Akrip, ClosedAndUnknownHandlesAreRefused) {
    testdisc::Insert({{30}});
    std::vector<uint8_t> r = Request(0, uint8_t(VirtualIndex()), 0);
    BYTE h = Lib().GetCDHandle(r.data());
    ASSERT_NE(h, 0);
    ASSERT_EQ(Lib().CloseCDHandle(h), 1);
    Toc toc;
    Block block(26);
    for (BYTE bad : {h, BYTE(0), BYTE(9), BYTE(200), BYTE(255)}) {
        EXPECT_EQ(Lib().ReadTOC(bad, toc.bytes.data()), 0u);
        EXPECT_EQ(Error(), -7);
        EXPECT_EQ(block.Read(bad, 0, 1), 0u);
        EXPECT_EQ(Error(), -7);
        EXPECT_EQ(Lib().ModifyCDParms(bad, 36, 0), 0);
        EXPECT_EQ(Error(), -7);
        EXPECT_EQ(Lib().CloseCDHandle(bad), 0);
        EXPECT_EQ(Error(), -7);
    }
}

TEST_F(Akrip, SuccessClearsTheLastError) {
    EXPECT_EQ(Lib().GetCDHandle(nullptr), 0);
    ASSERT_EQ(Error(), -13);
    EXPECT_EQ(Error(), -13);  // asking does not clear it
    EXPECT_GE(Lib().GetNumAdapters(), 1);
    EXPECT_EQ(Error(), 0);
}

// --- table of contents ------------------------------------------------------------

TEST_F(Akrip, TocInLbaForThreeTracksWithLeadOut) {
    testdisc::Insert({{100}, {150}, {75, true}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(Error(), 0);
    EXPECT_EQ(toc.bytes[2], 1);
    EXPECT_EQ(toc.bytes[3], 3);
    EXPECT_EQ(toc.Address(0), 0u);
    EXPECT_EQ(toc.Address(1), 100u);
    EXPECT_EQ(toc.Address(2), 250u);
    EXPECT_EQ(toc.Address(3), 325u);
    EXPECT_EQ(toc.Track(2), 3);
    EXPECT_EQ(toc.Track(3), 0xAA);
    EXPECT_EQ(toc.Control(0) & 0x04, 0);     // audio
    EXPECT_EQ(toc.Control(2) & 0x04, 0x04);  // data
    EXPECT_EQ(toc.Address(4), 0u);
    EXPECT_TRUE(toc.GuardIntact());
}

TEST_F(Akrip, TocIsMsfUntilSwitchedOff) {
    testdisc::Insert({{100}, {4500}});
    Handle h;
    ASSERT_TRUE(h);
    DWORD msf = 7;
    ASSERT_EQ(Lib().QueryCDParms(h.get(), 36, &msf), 1);
    EXPECT_EQ(msf, 1u);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc, false), 1u);
    EXPECT_EQ(toc.Address(0), 0x00000200u);                       // 00:02:00
    EXPECT_EQ(toc.Address(1), (0u << 16) | (3u << 8) | 25u);      // 250 = 00:03:25
    EXPECT_EQ(toc.Address(2), (1u << 16) | (3u << 8) | 25u);      // 4750 = 01:03:25
    ASSERT_EQ(Lib().ModifyCDParms(h.get(), 36, 0), 1);
    ASSERT_EQ(Lib().ReadTOC(h.get(), toc.bytes.data()), 1u);
    EXPECT_EQ(toc.Address(2), 4600u);
    ASSERT_EQ(Lib().ModifyCDParms(h.get(), 36, 1), 1);
    ASSERT_EQ(Lib().ReadTOC(h.get(), toc.bytes.data()), 1u);
    EXPECT_EQ(toc.Address(2), (1u << 16) | (3u << 8) | 25u);
}

TEST_F(Akrip, AnotherImageIsSeenOnTheNextTocRead) {
    testdisc::Insert({{100}, {100}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(toc.Address(2), 200u);
    testdisc::Insert({{10}, {20}, {30}}, "other");
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(toc.Address(3), 60u);
    EXPECT_EQ(toc.Track(3), 0xAA);
    EXPECT_EQ(ReadRange(h.get(), 30, 60), testdisc::PatternFrames(30, 30));
}

TEST_F(Akrip, PregapAndSeveralFilesWithSpacesInNames) {
    std::string a = testdisc::PatternFrames(0, 40), b = testdisc::PatternFrames(40, 60);
    testdisc::InsertRaw("REM two files\r\nTITLE \"x\"\r\nFILE \"part one.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n"
                        "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:30\r\n"
                        "FILE \"part two.bin\" BINARY\r\n    INDEX 01 00:00:00\r\n  TRACK 03 AUDIO\r\n"
                        "    PREGAP 00:02:00\r\n    INDEX 01 00:00:50\r\n",
                        {{"part one.bin", a}, {"part two.bin", b}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(toc.Address(1), 40u);
    EXPECT_EQ(toc.Address(2), 90u);
    EXPECT_EQ(toc.Address(3), 100u);
    EXPECT_EQ(ReadRange(h.get(), 0, 100), a + b);
}

// --- reading audio -------------------------------------------------------------

TEST_F(Akrip, WholeTrackReadEqualsTheImage) {
    testdisc::Insert({{100}, {151}, {60}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    uint32_t start = toc.Address(1), end = toc.Address(2);
    std::string data = ReadRange(h.get(), start, end);
    EXPECT_EQ(data.size(), size_t(151) * kFrame);
    EXPECT_TRUE(data == testdisc::PatternFrames(100, 151));
}

TEST_F(Akrip, ReadFillsTheHeaderAndStaysInsideTheBuffer) {
    testdisc::Insert({{100}});
    Handle h;
    ASSERT_TRUE(h);
    Block block(26);
    ASSERT_EQ(block.Read(h.get(), 74, 26), 1u);
    EXPECT_EQ(block.Len(), 26u * kFrame);
    EXPECT_EQ(LE32(block.bytes.data()), 74u);
    EXPECT_EQ(LE32(block.bytes.data() + 4), 26u);
    EXPECT_EQ(LE32(block.bytes.data() + 8), 26u * kFrame);
    EXPECT_EQ(block.Data(26), testdisc::PatternFrames(74, 26));
    for (size_t i = block.bytes.size() - 16; i < block.bytes.size(); ++i) ASSERT_EQ(block.bytes[i], 0xEE);
    // A shorter read in the same buffer leaves the rest of it alone.
    std::fill(block.bytes.begin() + kHeader, block.bytes.end() - 16, 0x11);
    ASSERT_EQ(block.Read(h.get(), 0, 3), 1u);
    EXPECT_EQ(block.Data(3), testdisc::PatternFrames(0, 3));
    EXPECT_EQ(block.bytes[kHeader + 3 * kFrame], 0x11);
}

TEST_F(Akrip, MotorolaImagesAreSwappedToLittleEndian) {
    std::string little = testdisc::PatternFrames(0, 30);
    testdisc::InsertRaw("FILE \"m.bin\" MOTOROLA\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", {{"m.bin", Swapped(little)}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(toc.Address(1), 30u);
    EXPECT_TRUE(ReadRange(h.get(), 0, 30) == little);
}

TEST_F(Akrip, ReadsPastTheDiscFail) {
    testdisc::Insert({{100}});
    Handle h;
    ASSERT_TRUE(h);
    Block block(26);
    EXPECT_EQ(block.Read(h.get(), 74, 26), 1u);  // ends at the lead-out
    for (auto [start, n] : {std::pair<uint32_t, uint32_t>{75, 26}, {100, 1}, {99, 2}, {5000, 26},
                            {0xFFFFFFFFu, 1}, {0xFFFFFFF0u, 26}}) {
        EXPECT_EQ(block.Read(h.get(), start, n), 0u) << start << "+" << n;
        EXPECT_EQ(Error(), -4);
        EXPECT_EQ(block.Len(), 0u);
    }
    EXPECT_EQ(block.Read(h.get(), 0, 0), 0u);  // nothing asked for
}

TEST_F(Akrip, TooSmallBufferIsRefusedBeforeReading) {
    testdisc::Insert({{100}});
    Handle h;
    ASSERT_TRUE(h);
    Block block(26);
    PutLE32(block.bytes.data() + 8, 26 * kFrame - 1);
    EXPECT_EQ(block.Read(h.get(), 0, 26), 0u);
    EXPECT_EQ(Error(), -6);
    EXPECT_EQ(block.bytes[kHeader], 0xEE);  // nothing written
    PutLE32(block.bytes.data() + 8, 0xFFFFFFFFu);
    EXPECT_EQ(block.Read(h.get(), 0, 0x80000000u), 0u);  // frames x 2352 overflows 32 bits
    EXPECT_EQ(Error(), -6);
    EXPECT_EQ(Lib().ReadCDAudioLBA(h.get(), nullptr), 0u);
    EXPECT_EQ(Error(), -6);
    EXPECT_EQ(Lib().ReadTOC(h.get(), nullptr), 0u);
    EXPECT_EQ(Error(), -9);
}

// --- unreadable frames ----------------------------------------------------------------

TEST_F(Akrip, UnreadableFramesFailTheGivenAttemptsThenRead) {
    testdisc::Insert({{200}});
    testdisc::SetUnreadable("# third block, twice\n60 2\n");
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    Block block(26);
    EXPECT_EQ(block.Read(h.get(), 26, 26), 1u);
    EXPECT_EQ(block.Read(h.get(), 52, 26), 0u);
    EXPECT_EQ(Error(), -4);
    EXPECT_EQ(block.Read(h.get(), 52, 26), 0u);
    EXPECT_EQ(block.Read(h.get(), 52, 26), 1u);
    EXPECT_EQ(Error(), 0);
    EXPECT_EQ(block.Data(26), testdisc::PatternFrames(52, 26));
    EXPECT_EQ(block.Read(h.get(), 60, 1), 1u);
}

TEST_F(Akrip, AlwaysUnreadableNeverReads) {
    testdisc::Insert({{200}});
    testdisc::SetUnreadable("100-101 always\n150\n");
    Handle h;
    ASSERT_TRUE(h);
    Block block(26);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(block.Read(h.get(), 78, 26), 0u);
        EXPECT_EQ(Error(), -4);
        EXPECT_EQ(block.Read(h.get(), 150, 1), 0u);
    }
    EXPECT_EQ(block.Read(h.get(), 102, 26), 1u);
    EXPECT_EQ(block.Read(h.get(), 74, 26), 1u);  // 74..99
}

TEST_F(Akrip, CountsStartAfreshWhenTheDiscIsReadAgain) {
    testdisc::Insert({{100}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    Block block(26);
    ASSERT_EQ(block.Read(h.get(), 0, 26), 1u);
    testdisc::SetUnreadable("10 1\n");
    EXPECT_EQ(block.Read(h.get(), 0, 26), 1u);  // not looked at before the next TOC read
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(block.Read(h.get(), 0, 26), 0u);
    EXPECT_EQ(block.Read(h.get(), 0, 26), 1u);
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(block.Read(h.get(), 0, 26), 0u);
}

// --- no disc and broken images ------------------------------------------------------------

void ExpectNoDisc(const char* what) {
    SCOPED_TRACE(what);
    Handle h;
    ASSERT_TRUE(h) << "a drive without a readable disc still gives a handle";
    Toc toc;
    EXPECT_NE(ReadToc(h.get(), toc), 1u);
    EXPECT_EQ(Lib().GetAspiLibError(), -4);
    EXPECT_EQ(toc.Address(0), 0u);
    EXPECT_EQ(toc.Address(1), 0u);
    EXPECT_TRUE(toc.GuardIntact());
    Block block(26);
    EXPECT_EQ(block.Read(h.get(), 0, 1), 0u);
    EXPECT_EQ(Lib().GetAspiLibError(), -4);
}

TEST_F(Akrip, EmptyDriveHasNoDisc) {
    testdisc::Eject();
    ExpectNoDisc("empty drive");
}

TEST_F(Akrip, BrokenImagesAreNoDisc) {
    const std::string cue = "FILE \"x.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n";
    const std::string bin = testdisc::PatternFrames(0, 100);
    testdisc::InsertRaw(cue, {});
    ExpectNoDisc("missing bin");
    testdisc::InsertRaw(cue, {{"x.bin", bin.substr(0, bin.size() - 100)}});
    ExpectNoDisc("bin not whole frames");
    testdisc::InsertRaw(cue, {{"x.bin", bin.substr(0, 75 * kFrame)}});
    ExpectNoDisc("bin shorter than the sheet");
    testdisc::InsertRaw(cue, {{"x.bin", ""}});
    ExpectNoDisc("empty bin");
    testdisc::InsertRaw("", {{"x.bin", bin}});
    ExpectNoDisc("empty sheet");
    testdisc::InsertRaw(std::string("\x7F" "ELF\0\0\x01\x02 garbage FILE TRACK", 26), {{"x.bin", bin}});
    ExpectNoDisc("binary garbage");
    testdisc::InsertRaw("FILE \"x.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:00:10\n",
                        {{"x.bin", bin}});
    ExpectNoDisc("indexes going backwards");
    testdisc::InsertRaw(cue.substr(0, cue.size() - 10), {{"x.bin", bin}});
    ExpectNoDisc("truncated sheet");
    std::string many = "FILE \"x.bin\" BINARY\n";
    for (int t = 1; t <= 100; ++t)
        many += "TRACK " + std::to_string(t) + " AUDIO\nINDEX 01 " + testdisc::CueTime(uint32_t(t - 1)) + "\n";
    testdisc::InsertRaw(many, {{"x.bin", bin}});
    ExpectNoDisc("100 tracks");
}

// An image replaced or ejected between two reads of a track is seen at the
// very next read, with no table of contents read in between.
TEST_F(Akrip, ImageReplacedOrEjectedBetweenReadsIsSeenAtTheNextRead) {
    testdisc::Insert({{100}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    Block block(26);
    ASSERT_EQ(block.Read(h.get(), 0, 26), 1u);
    EXPECT_TRUE(block.Data(26) == testdisc::PatternFrames(0, 26));
    ASSERT_EQ(block.Read(h.get(), 26, 26), 1u);

    // Another BIN of the same length under the same name, the sheet unchanged.
    const std::string cue = "FILE \"test.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n";
    testdisc::InsertRaw(cue, {{"test.bin", testdisc::PatternFrames(500, 100)}});
    ASSERT_EQ(block.Read(h.get(), 0, 26), 1u);
    EXPECT_TRUE(block.Data(26) == testdisc::PatternFrames(500, 26));

    testdisc::Eject();
    EXPECT_EQ(block.Read(h.get(), 26, 26), 0u);
    EXPECT_EQ(Error(), -4);

    // Put back, it reads again.
    testdisc::InsertRaw(cue, {{"test.bin", testdisc::PatternFrames(0, 100)}});
    ASSERT_EQ(block.Read(h.get(), 52, 26), 1u);
    EXPECT_TRUE(block.Data(26) == testdisc::PatternFrames(52, 26));
}

// Sets the write time of the image file `name` `hours` hours back, as an
// image copied in long ago has: its frames are then read ahead and cached.
void Backdate(const std::string& name, int hours) {
    const std::string path = testdisc::DriveFolderWin() + "\\" + name;
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= uint64_t(hours) * 3600 * 10'000'000;
    const FILETIME then{t.LowPart, t.HighPart};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &then));
    CloseHandle(file);
}

// An image written long ago is read through the drive's read-ahead: blocks
// across the cached windows and files, at odd starts and backwards, equal
// the image; one replaced or ejected under it is still seen at the next read.
TEST_F(Akrip, ASettledImageReadsAheadAndStillSeesAChange) {
    std::string a = testdisc::PatternFrames(0, 1000), b = testdisc::PatternFrames(1000, 900);
    const std::string cue = "FILE \"a.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                            "FILE \"b.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n";
    testdisc::InsertRaw(cue, {{"a.bin", a}, {"b.bin", b}});
    Backdate("a.bin", 2);
    Backdate("b.bin", 2);
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    EXPECT_TRUE(ReadRange(h.get(), 0, 1900) == a + b);
    Block block(100);
    for (uint32_t start : {1890u, 990u, 831u, 5u, 1000u, 1799u}) {
        const uint32_t n = std::min<uint32_t>(100, 1900 - start);
        ASSERT_EQ(block.Read(h.get(), start, n), 1u) << start;
        EXPECT_TRUE(block.Data(n) == (a + b).substr(size_t(start) * kFrame, size_t(n) * kFrame)) << start;
    }

    // a.bin written again, as long ago but not at the same moment, while
    // the window read ahead from its start is held.
    ASSERT_EQ(block.Read(h.get(), 0, 26), 1u);
    const std::string other = testdisc::PatternFrames(5000, 1000);
    testdisc::InsertRaw(cue, {{"a.bin", other}, {"b.bin", b}});
    Backdate("a.bin", 3);
    Backdate("b.bin", 2);
    ASSERT_EQ(block.Read(h.get(), 26, 26), 1u);
    EXPECT_TRUE(block.Data(26) == testdisc::PatternFrames(5026, 26));

    testdisc::Eject();
    EXPECT_EQ(block.Read(h.get(), 52, 26), 0u);
    EXPECT_EQ(Error(), -4);
    EXPECT_EQ(block.Read(h.get(), 1200, 26), 0u);
}

TEST_F(Akrip, ImageCutShortAfterTheTocReadFailsTheLostFrames) {
    testdisc::Insert({{100}});
    Handle h;
    ASSERT_TRUE(h);
    Toc toc;
    ASSERT_EQ(ReadToc(h.get(), toc), 1u);
    // Same sheet, the BIN now holds only 50 frames.
    std::string cue = "FILE \"test.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n";
    testdisc::InsertRaw(cue, {{"test.bin", testdisc::PatternFrames(0, 50)}});
    Block block(26);
    EXPECT_EQ(block.Read(h.get(), 0, 26), 1u);
    EXPECT_EQ(block.Read(h.get(), 26, 26), 0u);
    EXPECT_EQ(Error(), -4);
    testdisc::Eject();
    EXPECT_EQ(block.Read(h.get(), 0, 26), 0u);
    EXPECT_EQ(Error(), -4);
}

}  // namespace

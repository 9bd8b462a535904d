// Block access and virtual-multisession information of the simulated engine
// VexoAPI.dll, bound by name as a client binds it. The operation tables and
// records are read with this file's own offsets, taken from the engine's
// published layouts, independently of the engine's and the server's
// headers. Image files are made here, in the temporary folder.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "../support/SimEngineLibrary.h"

namespace {

constexpr std::uint64_t kTwo32 = std::uint64_t(1) << 32;

// VexoFSError values.
constexpr int errOK = 0, errEndOfFile = 2, errReadError = 3, errNotSupported = 7, errIllegalArgument = 8, errWriteError = 9;

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\'));
}

std::string TempFile(const std::string& name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

std::uint32_t U32(const void* p, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 4);
    return v;
}
std::uint64_t U64(const void* p, std::size_t offset) {
    std::uint64_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 8);
    return v;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An ISO image of `sectors` sectors: every byte of sector s is (s * 7 + 1) & 0xFF,
// and sector 16 starts with the volume descriptor's mark.
std::vector<std::uint8_t> IsoBytes(std::size_t sectors) {
    std::vector<std::uint8_t> b(sectors * 2048);
    for (std::size_t s = 0; s < sectors; ++s) std::memset(b.data() + s * 2048, static_cast<int>((s * 7 + 1) & 0xFF), 2048);
    if (sectors > 16) std::memcpy(b.data() + 16 * 2048, "\x01" "CD001", 6);
    return b;
}

// The synthetic medium's sector content: the sector number, 8 bytes little-endian, repeated.
bool IsSyntheticSector(const std::uint8_t* p, std::uint64_t sector) {
    for (std::size_t at = 0; at < 2048; at += 8)
        if (U64(p, at) != sector) return false;
    return true;
}

// --- the engine and its objects, bound by name ---------------------------------------

using ObjectPtr = void*;
// The block object's table: one pointer per operation, in this order.
struct BlockTable {
    void(WINAPI* Release)(ObjectPtr);
    ObjectPtr(WINAPI* QueryView)(ObjectPtr, const char*);
    int(WINAPI* PartitionCount)(ObjectPtr);
    const void*(WINAPI* PartitionByIndex)(ObjectPtr, int);
    const void*(WINAPI* PartitionForSector)(ObjectPtr, std::uint32_t, std::uint32_t);
    int(WINAPI* ReadBuffered)(ObjectPtr, void*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t*);
    int(WINAPI* ReadUnbuffered)(ObjectPtr, void*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t*);
    int(WINAPI* WriteBuffered)(ObjectPtr, const void*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t*);
    int(WINAPI* WriteUnbuffered)(ObjectPtr, const void*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t*);
    int(WINAPI* FlushSectorCache)(ObjectPtr);
};
static_assert(sizeof(BlockTable) == 10 * sizeof(void*));

std::uint32_t Lo(std::uint64_t v) { return static_cast<std::uint32_t>(v); }
std::uint32_t Hi(std::uint64_t v) { return static_cast<std::uint32_t>(v >> 32); }

// A block object the test holds; released when it goes unless released before.
class Block {
public:
    explicit Block(ObjectPtr p = nullptr) : p_(p) {}
    ~Block() { Release(); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    Block(Block&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }

    explicit operator bool() const { return p_ != nullptr; }
    ObjectPtr get() const { return p_; }
    const BlockTable& T() const { return **static_cast<const BlockTable* const*>(p_); }
    void Release() {
        if (p_) T().Release(p_);
        p_ = nullptr;
    }

    int Count() const { return T().PartitionCount(p_); }
    const void* Partition(int i) const { return T().PartitionByIndex(p_, i); }
    const void* PartitionAt(std::uint64_t s) const { return T().PartitionForSector(p_, Lo(s), Hi(s)); }
    int Read(void* buf, std::uint64_t start, std::uint64_t count, std::uint64_t* done, bool buffered = true) const {
        return (buffered ? T().ReadBuffered : T().ReadUnbuffered)(p_, buf, Lo(start), Hi(start), Lo(count), Hi(count), done);
    }
    int Write(const void* buf, std::uint64_t start, std::uint64_t count, std::uint64_t* done, bool buffered = true) const {
        return (buffered ? T().WriteBuffered : T().WriteUnbuffered)(p_, buf, Lo(start), Hi(start), Lo(count), Hi(count), done);
    }
    int Flush() const { return T().FlushSectorCache(p_); }

private:
    ObjectPtr p_;
};

// Partition record: number, start, sectors, type, sector size.
struct PartitionView {
    std::uint32_t number;
    std::uint64_t start;
    std::uint64_t sectors;
    std::uint32_t type;
    std::uint32_t sectorSize;
};
PartitionView View(const void* r) { return {U32(r, 0), U64(r, 8), U64(r, 16), U32(r, 24), U32(r, 28)}; }

class Engine : public testing_support::SimEngineLibrary {
public:
    using SimEngineLibrary::SimEngineLibrary;

    ObjectPtr FromImage(const char* file, int mode) const {
        return Get<ObjectPtr(WINAPI*)(const char*, int)>("VexoCreateBlockAccessFromImage")(file, mode);
    }
    ObjectPtr Reader(void* device, int mode) const {
        return Get<ObjectPtr(WINAPI*)(void*, int)>("VexoCreateBlockReaderInterface")(device, mode);
    }
    ObjectPtr Writer(void* device, int mode) const {
        return Get<ObjectPtr(WINAPI*)(void*, int)>("VexoCreateBlockWriterInterface")(device, mode);
    }
    int AccessModes(void* device) const { return Get<int(WINAPI*)(void*)>("VexoGetSupportedAccessModesForDevice")(device); }
    void* VmsInfo(void* device) const { return Get<void*(WINAPI*)(void*, int)>("VexoGetVMSInfo")(device, 0); }
};

constexpr std::size_t kEntrySize = 1720;
const char kMaker[] = "Quarn";
const char kLanguage[] = "english.txt";

class VexoBlockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { engine_ = new Engine(ProgramFolder() + "\\vexoapi-v2\\VexoAPI.dll"); }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(engine_->module(), nullptr);
        ASSERT_EQ(e().Configure(""), 0);
    }
    void TearDown() override {
        for (void* h : open_) e().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(h);
        EXPECT_EQ(e().Counter("outstanding.block"), 0);
        EXPECT_EQ(e().Counter("outstanding"), 0);
        EXPECT_EQ(e().Counter("check.failures"), expectedCheckFailures_) << e().Text("check.last");
        for (const std::string& f : files_) DeleteFileA(f.c_str());
    }
    const Engine& e() const { return *engine_; }

    // Configures the engine with the text, initialises it and opens device i.
    void* ConfigureAndOpen(const std::string& config, int i = 0) {
        EXPECT_EQ(e().Configure(config), 0);
        std::vector<std::uint8_t> init(8 * sizeof(void*) + 8, 0);
        const void* maker = kMaker;
        const void* language = kLanguage;
        std::memcpy(init.data() + 2 * sizeof(void*), &maker, sizeof(void*));
        std::memcpy(init.data() + 3 * sizeof(void*), &language, sizeof(void*));
        EXPECT_EQ(e().Get<int(WINAPI*)(const void*, const char*)>("VexoInit")(init.data(), ""), 0);
        auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
        void* h = nullptr;
        if (list && static_cast<int>(U32(list, 0)) > i) {
            std::vector<std::uint8_t> entry(list + 4 + i * kEntrySize, list + 4 + (i + 1) * kEntrySize);
            h = e().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(entry.data());
        }
        e().FreeMem(list);
        if (h) open_.push_back(h);
        return h;
    }
    // A file made for this test, deleted afterwards.
    std::string MakeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string path = TempFile(name);
        WriteFileBytes(path, bytes);
        files_.push_back(path);
        return path;
    }

    int expectedCheckFailures_ = 0;
    std::vector<void*> open_;
    std::vector<std::string> files_;
    static Engine* engine_;
};
Engine* VexoBlockTest::engine_ = nullptr;

// --- images -----------------------------------------------------------------------------

TEST_F(VexoBlockTest, AnIsoImageIsOneDataPartitionOf2048ByteSectors) {
    std::vector<std::uint8_t> iso = IsoBytes(20);
    iso.resize(iso.size() + 100);  // a partial sector at the end is not part of the medium
    std::string path = MakeFile("vexosim_blocks.iso", iso);
    Block b(e().FromImage(path.c_str(), 0));
    ASSERT_TRUE(b) << e().Text("block.refused");
    EXPECT_EQ(e().Counter("outstanding.block"), 1);
    EXPECT_EQ(e().Counter("outstanding"), 1) << "block objects count among the outstanding";
    ASSERT_EQ(b.Count(), 1);
    const void* r = b.Partition(0);
    ASSERT_NE(r, nullptr);
    PartitionView p = View(r);
    EXPECT_EQ(p.number, 1u);
    EXPECT_EQ(U32(r, 4), 0u) << "unused";
    EXPECT_EQ(p.start, 0u);
    EXPECT_EQ(p.sectors, 20u);
    EXPECT_EQ(p.type, 0u);
    EXPECT_EQ(p.sectorSize, 2048u);
    EXPECT_EQ(b.Partition(1), nullptr);
    EXPECT_EQ(b.Partition(-1), nullptr);
    EXPECT_EQ(b.Partition(0x7FFFFFFF), nullptr);
    ASSERT_NE(b.PartitionAt(19), nullptr);
    EXPECT_EQ(View(b.PartitionAt(19)).sectors, 20u);
    EXPECT_EQ(b.PartitionAt(20), nullptr);
    EXPECT_EQ(b.PartitionAt(kTwo32), nullptr) << "the high half counts";
    EXPECT_EQ(b.T().QueryView(b.get(), "anything"), nullptr);

    std::vector<std::uint8_t> buf(2 * 2048);
    std::uint64_t done = 99;
    ASSERT_EQ(b.Read(buf.data(), 16, 2, &done), errOK);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(std::memcmp(buf.data(), "\x01" "CD001", 6), 0);
    EXPECT_EQ(std::memcmp(buf.data(), iso.data() + 16 * 2048, buf.size()), 0);
    ASSERT_EQ(b.Read(buf.data(), 3, 1, &done, false), errOK);
    EXPECT_EQ(buf[0], 22);

    // Read-only: writes are refused and the file stays as it was.
    EXPECT_EQ(b.Write(buf.data(), 0, 1, &done), errWriteError);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(b.Write(buf.data(), 0, 1, &done, false), errWriteError);
    EXPECT_EQ(b.Flush(), errOK);
    b.Release();
    EXPECT_EQ(ReadFileBytes(path), iso);
    EXPECT_EQ(e().Counter("calls.VexoCreateBlockAccessFromImage"), 1);
    EXPECT_EQ(e().Counter("block.made"), 1);
    EXPECT_EQ(e().Counter("block.released"), 1);
    EXPECT_EQ(e().Text("block.last"), path);
}

// A BIN/CUE image: an audio track of 3 sectors, then a MODE1/2048 track of 4.
struct BinCue {
    std::vector<std::uint8_t> bin;
    std::string cue;
};
BinCue AudioAndData() {
    BinCue c;
    c.bin.resize(3 * 2352 + 4 * 2048);
    for (std::size_t i = 0; i < c.bin.size(); ++i) c.bin[i] = static_cast<std::uint8_t>((i * 31 + i / 2352) & 0xFF);
    c.cue = "FILE \"vexosim_blocks.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
            "  TRACK 02 MODE1/2048\r\n    INDEX 01 00:00:03\r\n";
    return c;
}

TEST_F(VexoBlockTest, ABinCueImageHasOnePartitionPerTrack) {
    BinCue image = AudioAndData();
    MakeFile("vexosim_blocks.bin", image.bin);
    std::string cue = MakeFile("vexosim_blocks.cue", std::vector<std::uint8_t>(image.cue.begin(), image.cue.end()));
    Block b(e().FromImage(cue.c_str(), 0));
    ASSERT_TRUE(b) << e().Text("block.refused");
    ASSERT_EQ(b.Count(), 2);
    PartitionView audio = View(b.Partition(0));
    EXPECT_EQ(audio.number, 1u);
    EXPECT_EQ(audio.start, 0u);
    EXPECT_EQ(audio.sectors, 3u);
    EXPECT_EQ(audio.type, 1u);
    EXPECT_EQ(audio.sectorSize, 2352u);
    PartitionView data = View(b.Partition(1));
    EXPECT_EQ(data.number, 2u);
    EXPECT_EQ(data.start, 3u);
    EXPECT_EQ(data.sectors, 4u);
    EXPECT_EQ(data.type, 0u);
    EXPECT_EQ(data.sectorSize, 2048u);
    EXPECT_EQ(View(b.PartitionAt(2)).number, 1u);
    EXPECT_EQ(View(b.PartitionAt(3)).number, 2u);
    EXPECT_EQ(b.PartitionAt(7), nullptr);

    // An audio sector is the BIN's 2352 bytes.
    std::vector<std::uint8_t> buf(2352 + 2048 + 16, 0xEE);
    std::uint64_t done = 0;
    ASSERT_EQ(b.Read(buf.data(), 1, 1, &done), errOK);
    EXPECT_EQ(std::memcmp(buf.data(), image.bin.data() + 2352, 2352), 0);
    // Across the tracks each sector keeps its own partition's size, back to back.
    std::fill(buf.begin(), buf.end(), 0xEE);
    ASSERT_EQ(b.Read(buf.data(), 2, 2, &done, false), errOK);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(std::memcmp(buf.data(), image.bin.data() + 2 * 2352, 2352 + 2048), 0);
    EXPECT_EQ(buf[2352 + 2048], 0xEE) << "nothing beyond the two sectors";
    // The last data sector, then the end.
    ASSERT_EQ(b.Read(buf.data(), 6, 1, &done), errOK);
    EXPECT_EQ(std::memcmp(buf.data(), image.bin.data() + 3 * 2352 + 3 * 2048, 2048), 0);
    EXPECT_EQ(b.Read(buf.data(), 6, 3, &done), errEndOfFile);
    EXPECT_EQ(done, 1u) << "the sector that exists is read";
}

TEST_F(VexoBlockTest, ImagesThatCannotBeOpenedOrUnderstoodGiveNoObject) {
    std::string missing = TempFile("vexosim_blocks_missing.iso");
    DeleteFileA(missing.c_str());
    EXPECT_EQ(e().FromImage(missing.c_str(), 0), nullptr);
    EXPECT_EQ(e().FromImage(missing.c_str(), 1), nullptr);
    std::string bad = "FILE \"nowhere.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    std::string cue = MakeFile("vexosim_blocks_bad.cue", std::vector<std::uint8_t>(bad.begin(), bad.end()));
    EXPECT_EQ(e().FromImage(cue.c_str(), 0), nullptr) << "the BIN file is missing";
    std::string garbage = "this is not a cue sheet\n";
    std::string cue2 = MakeFile("vexosim_blocks_garbage.cue", std::vector<std::uint8_t>(garbage.begin(), garbage.end()));
    EXPECT_EQ(e().FromImage(cue2.c_str(), 0), nullptr);
    std::string iso = MakeFile("vexosim_blocks_modes.iso", IsoBytes(4));
    EXPECT_EQ(e().FromImage(iso.c_str(), 2), nullptr) << "neither read-only nor read-write";
    EXPECT_EQ(e().FromImage(iso.c_str(), -1), nullptr);
    EXPECT_EQ(e().FromImage("synthetic:0", 0), nullptr);
    EXPECT_EQ(e().FromImage("", 0), nullptr);
    EXPECT_EQ(e().Counter("block.refused"), 8);
    EXPECT_EQ(e().Counter("check.failures"), 0) << "none of these is a caller's fault";
    EXPECT_EQ(e().FromImage(nullptr, 0), nullptr);
    expectedCheckFailures_ = 1;
}

// --- writing ------------------------------------------------------------------------------

TEST_F(VexoBlockTest, BufferedWritesReachTheFileAtFlushAndUnbufferedAtOnce) {
    std::vector<std::uint8_t> iso = IsoBytes(8);
    std::string path = MakeFile("vexosim_blocks_rw.iso", iso);
    Block b(e().FromImage(path.c_str(), 1));
    ASSERT_TRUE(b);
    std::vector<std::uint8_t> sector(2048, 0xA5);
    std::uint64_t done = 0;

    ASSERT_EQ(b.Write(sector.data(), 2, 1, &done), errOK);
    EXPECT_EQ(done, 1u);
    EXPECT_EQ(ReadFileBytes(path), iso) << "a buffered write waits in the object";
    std::vector<std::uint8_t> back(2048);
    ASSERT_EQ(b.Read(back.data(), 2, 1, &done), errOK);
    EXPECT_EQ(back, sector) << "the object reads what it holds back";
    ASSERT_EQ(b.Read(back.data(), 2, 1, &done, false), errOK);
    EXPECT_EQ(back, sector);
    ASSERT_EQ(b.Flush(), errOK);
    std::vector<std::uint8_t> file = ReadFileBytes(path);
    EXPECT_EQ(std::memcmp(file.data() + 2 * 2048, sector.data(), 2048), 0);
    EXPECT_EQ(std::memcmp(file.data() + 3 * 2048, iso.data() + 3 * 2048, 2048), 0) << "only that sector";

    std::vector<std::uint8_t> two(2 * 2048, 0x3C);
    ASSERT_EQ(b.Write(two.data(), 4, 2, &done, false), errOK);
    EXPECT_EQ(done, 2u);
    file = ReadFileBytes(path);
    EXPECT_EQ(std::memcmp(file.data() + 4 * 2048, two.data(), two.size()), 0) << "an unbuffered write is in the file at once";

    // A later unbuffered write of a sector wins over an older buffered copy.
    std::vector<std::uint8_t> older(2048, 0x11), newer(2048, 0x22);
    ASSERT_EQ(b.Write(older.data(), 7, 1, &done), errOK);
    ASSERT_EQ(b.Write(newer.data(), 7, 1, &done, false), errOK);
    ASSERT_EQ(b.Flush(), errOK);
    file = ReadFileBytes(path);
    EXPECT_EQ(file[7 * 2048], 0x22);

    // What is still buffered at the Release reaches the file then.
    std::vector<std::uint8_t> last(2048, 0x5A);
    ASSERT_EQ(b.Write(last.data(), 0, 1, &done), errOK);
    EXPECT_EQ(ReadFileBytes(path)[0], iso[0]);
    b.Release();
    EXPECT_EQ(ReadFileBytes(path)[0], 0x5A);
    EXPECT_EQ(ReadFileBytes(path).size(), iso.size()) << "the file keeps its size";
}

TEST_F(VexoBlockTest, WritesPastTheEndWriteWhatExists) {
    std::vector<std::uint8_t> iso = IsoBytes(4);
    std::string path = MakeFile("vexosim_blocks_end.iso", iso);
    Block b(e().FromImage(path.c_str(), 1));
    ASSERT_TRUE(b);
    std::vector<std::uint8_t> data(3 * 2048, 0x77);
    std::uint64_t done = 0;
    EXPECT_EQ(b.Write(data.data(), 2, 3, &done, false), errEndOfFile);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(b.Write(data.data(), 4, 1, &done), errEndOfFile);
    EXPECT_EQ(done, 0u);
    std::vector<std::uint8_t> file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), iso.size()) << "the image does not grow";
    EXPECT_EQ(file[3 * 2048], 0x77);
}

// --- reads and arguments -------------------------------------------------------------

TEST_F(VexoBlockTest, ReadsPastTheEndZeroCountsAndNullArguments) {
    std::string path = MakeFile("vexosim_blocks_args.iso", IsoBytes(10));
    Block b(e().FromImage(path.c_str(), 1));
    ASSERT_TRUE(b);
    std::vector<std::uint8_t> buf(4 * 2048, 0xEE);
    std::uint64_t done = 77;
    EXPECT_EQ(b.Read(buf.data(), 8, 4, &done), errEndOfFile);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(buf[2 * 2048], 0xEE) << "nothing written past the sectors that exist";
    EXPECT_EQ(b.Read(buf.data(), 10, 1, &done, false), errEndOfFile);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(b.Read(buf.data(), kTwo32 * 3, 1, &done), errEndOfFile);
    EXPECT_EQ(b.Read(buf.data(), 9, ~std::uint64_t(0), &done), errEndOfFile) << "a huge count reads what exists";
    EXPECT_EQ(done, 1u);
    EXPECT_EQ(b.Read(buf.data(), ~std::uint64_t(0), ~std::uint64_t(0), &done), errEndOfFile);
    done = 5;
    EXPECT_EQ(b.Read(buf.data(), 3, 0, &done), errOK);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(b.Write(buf.data(), 3, 0, &done), errOK);
    EXPECT_EQ(done, 0u);
    done = 5;
    EXPECT_EQ(b.Read(nullptr, 0, 1, &done), errIllegalArgument);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(b.Read(buf.data(), 0, 1, nullptr), errIllegalArgument);
    EXPECT_EQ(b.Read(nullptr, 0, 1, nullptr, false), errIllegalArgument);
    EXPECT_EQ(b.Write(nullptr, 0, 1, &done), errIllegalArgument);
    EXPECT_EQ(b.Write(buf.data(), 0, 1, nullptr, false), errIllegalArgument);
    EXPECT_EQ(e().Counter("calls.BlockReadBuffered"), 7);
    EXPECT_EQ(e().Counter("calls.BlockReadUnbuffered"), 2);
}

// --- the synthetic medium ----------------------------------------------------------------

TEST_F(VexoBlockTest, TheSyntheticMediumReachesBeyond2To32Sectors) {
    Block b(e().FromImage("synthetic:4294968296", 1));
    ASSERT_TRUE(b) << e().Text("block.refused");
    ASSERT_EQ(b.Count(), 1);
    PartitionView p = View(b.Partition(0));
    EXPECT_EQ(p.sectors, kTwo32 + 1000);
    EXPECT_EQ(p.sectorSize, 2048u);
    EXPECT_EQ(p.type, 0u);
    ASSERT_NE(b.PartitionAt(kTwo32 + 999), nullptr);
    EXPECT_EQ(b.PartitionAt(kTwo32 + 1000), nullptr);

    std::vector<std::uint8_t> buf(3 * 2048);
    std::uint64_t done = 0;
    ASSERT_EQ(b.Read(buf.data(), kTwo32 - 1, 3, &done), errOK);
    EXPECT_EQ(done, 3u);
    EXPECT_TRUE(IsSyntheticSector(buf.data(), kTwo32 - 1));
    EXPECT_TRUE(IsSyntheticSector(buf.data() + 2048, kTwo32));
    EXPECT_TRUE(IsSyntheticSector(buf.data() + 4096, kTwo32 + 1));

    std::vector<std::uint8_t> mine(2048, 0xC3);
    ASSERT_EQ(b.Write(mine.data(), kTwo32, 1, &done, false), errOK);
    ASSERT_EQ(b.Write(mine.data(), kTwo32 + 2, 1, &done), errOK);
    ASSERT_EQ(b.Read(buf.data(), kTwo32, 3, &done, false), errOK);
    EXPECT_EQ(std::memcmp(buf.data(), mine.data(), 2048), 0);
    EXPECT_TRUE(IsSyntheticSector(buf.data() + 2048, kTwo32 + 1)) << "the sector between is untouched";
    EXPECT_EQ(std::memcmp(buf.data() + 4096, mine.data(), 2048), 0);
    EXPECT_FALSE(IsSyntheticSector(buf.data(), kTwo32));
    ASSERT_EQ(b.Read(buf.data(), 0, 1, &done), errOK);
    EXPECT_TRUE(IsSyntheticSector(buf.data(), 0)) << "the low sector with the same low half is not the one written";

    EXPECT_EQ(b.Read(buf.data(), kTwo32 + 998, 3, &done), errEndOfFile);
    EXPECT_EQ(done, 2u);
    EXPECT_TRUE(IsSyntheticSector(buf.data() + 2048, kTwo32 + 999));
}

// --- devices ---------------------------------------------------------------------------

TEST_F(VexoBlockTest, DevicesOfferTheirAccessModesAndMedium) {
    std::string path = MakeFile("vexosim_blocks_dev.iso", IsoBytes(6));
    void* d = ConfigureAndOpen("[Device]\nName=A\nAccessModes=0x3\nMedium=" + path + "\n[Device]\nName=B\n");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(e().AccessModes(d), 3);
    EXPECT_EQ(e().Counter("calls.VexoGetSupportedAccessModesForDevice"), 1);
    {
        Block reader(e().Reader(d, 0));
        ASSERT_TRUE(reader) << "no writing is fine for a reader: " << e().Text("block.refused");
        std::vector<std::uint8_t> sector(2048);
        std::uint64_t done = 0;
        ASSERT_EQ(reader.Read(sector.data(), 5, 1, &done), errOK);
        EXPECT_EQ(sector[0], (5 * 7 + 1) & 0xFF);
        EXPECT_EQ(reader.Write(sector.data(), 5, 1, &done), errNotSupported);
        EXPECT_EQ(reader.Write(sector.data(), 5, 1, &done, false), errNotSupported);
        EXPECT_EQ(done, 0u);
        EXPECT_EQ(reader.Flush(), errOK);
        Block packetReader(e().Reader(d, 1));
        EXPECT_TRUE(packetReader);
        EXPECT_EQ(e().Counter("outstanding.block"), 2);
    }
    EXPECT_EQ(e().Reader(d, 4), nullptr) << "raw MRW is not among the device's modes";
    EXPECT_EQ(e().Reader(d, 3), nullptr) << "one mode at a time";
    EXPECT_EQ(e().Writer(d, 0), nullptr) << "a writer needs a writing mode";
    {
        Block writer(e().Writer(d, 2));
        ASSERT_TRUE(writer);
        std::vector<std::uint8_t> sector(2048, 0x42);
        std::uint64_t done = 0;
        ASSERT_EQ(writer.Write(sector.data(), 1, 1, &done, false), errOK);
        EXPECT_EQ(ReadFileBytes(path)[2048], 0x42) << "the device's medium is the file";
    }
    EXPECT_EQ(e().Counter("block.refused"), 3);

    void* other = ConfigureAndOpen("[Device]\nName=A\nAccessModes=0x3\nMedium=" + path + "\n[Device]\nName=B\n", 1);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(e().AccessModes(other), 0) << "no modes configured";
    EXPECT_EQ(e().Reader(other, 0), nullptr) << "no medium";
    EXPECT_EQ(e().Text("block.refused"), "VexoCreateBlockReaderInterface: the device has no medium");
}

TEST_F(VexoBlockTest, AReadOnlyDeviceMediumHasReadersButNoWriter) {
    std::string path = MakeFile("vexosim_blocks_ro.iso", IsoBytes(3));
    void* d = ConfigureAndOpen("[Device]\nAccessModes=1\nMediumReadOnly=1\nMedium=" + path + "\n");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(e().Writer(d, 1), nullptr);
    Block reader(e().Reader(d, 1));
    ASSERT_TRUE(reader);
    // The object outlives its device handle and a new configuration.
    e().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(d);
    open_.clear();
    ASSERT_EQ(e().Configure(""), 0);
    std::vector<std::uint8_t> sector(2048);
    std::uint64_t done = 0;
    ASSERT_EQ(reader.Read(sector.data(), 2, 1, &done), errOK);
    EXPECT_EQ(sector[0], (2 * 7 + 1) & 0xFF);
    EXPECT_EQ(e().Counter("outstanding.block"), 1);
}

TEST_F(VexoBlockTest, ARelativeMediumPathIsBesideTheEngine) {
    std::string beside = ProgramFolder() + "\\vexoapi-v2\\vexosim_blocks_beside.iso";
    WriteFileBytes(beside, IsoBytes(2));
    files_.push_back(beside);
    void* d = ConfigureAndOpen("[Device]\nMedium=vexosim_blocks_beside.iso\n");
    ASSERT_NE(d, nullptr);
    Block reader(e().Reader(d, 0));
    ASSERT_TRUE(reader) << e().Text("block.refused");
    EXPECT_EQ(View(reader.Partition(0)).sectors, 2u);
}

TEST_F(VexoBlockTest, ADevicesSyntheticMediumKeepsItsWritesAcrossObjects) {
    void* d = ConfigureAndOpen("[Device]\nAccessModes=1\nMedium=synthetic:4294968296\n");
    ASSERT_NE(d, nullptr);
    std::vector<std::uint8_t> mine(2048, 0x9D), back(2048);
    std::uint64_t done = 0;
    {
        Block writer(e().Writer(d, 1));
        ASSERT_TRUE(writer);
        ASSERT_EQ(writer.Write(mine.data(), kTwo32, 1, &done), errOK);
    }  // the buffered write goes to the medium at the Release
    Block reader(e().Reader(d, 0));
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader.Read(back.data(), kTwo32, 1, &done), errOK);
    EXPECT_EQ(back, mine);
    Block image(e().FromImage("synthetic:4294968296", 0));
    ASSERT_TRUE(image);
    ASSERT_EQ(image.Read(back.data(), kTwo32, 1, &done), errOK);
    EXPECT_TRUE(IsSyntheticSector(back.data(), kTwo32)) << "an image's synthetic medium is its own";
}

// --- more of the media ----------------------------------------------------------------

TEST_F(VexoBlockTest, ARawDataTrackAndAPregapInACueImage) {
    // Two sectors before the audio track's INDEX 01, three audio sectors, two raw data sectors.
    std::vector<std::uint8_t> bin(7 * 2352);
    for (std::size_t i = 0; i < bin.size(); ++i) bin[i] = static_cast<std::uint8_t>((i / 2352) * 16 + i % 13);
    MakeFile("vexosim_blocks_raw.bin", bin);
    std::string text = "REM raw\nFILE vexosim_blocks_raw.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\nINDEX 01 00:00:02\n"
                       "TRACK 02 MODE1/2352\nINDEX 01 00:00:05\n";
    std::string cue = MakeFile("vexosim_blocks_raw.cue", std::vector<std::uint8_t>(text.begin(), text.end()));
    Block b(e().FromImage(cue.c_str(), 1));
    ASSERT_TRUE(b) << e().Text("block.refused");
    ASSERT_EQ(b.Count(), 2);
    PartitionView audio = View(b.Partition(0));
    EXPECT_EQ(audio.start, 2u);
    EXPECT_EQ(audio.sectors, 3u);
    PartitionView raw = View(b.Partition(1));
    EXPECT_EQ(raw.start, 5u);
    EXPECT_EQ(raw.sectors, 2u);
    EXPECT_EQ(raw.type, 0u);
    EXPECT_EQ(raw.sectorSize, 2352u) << "raw data sectors are handed over whole";
    EXPECT_EQ(b.PartitionAt(1), nullptr) << "the pregap belongs to no partition";

    std::vector<std::uint8_t> buf(2 * 2352);
    std::uint64_t done = 7;
    EXPECT_EQ(b.Read(buf.data(), 0, 3, &done), errReadError);
    EXPECT_EQ(done, 0u);
    ASSERT_EQ(b.Read(buf.data(), 2, 1, &done), errOK);
    EXPECT_EQ(std::memcmp(buf.data(), bin.data() + 2 * 2352, 2352), 0) << "sector numbers are positions in the BIN";
    ASSERT_EQ(b.Read(buf.data(), 5, 2, &done), errOK);
    EXPECT_EQ(std::memcmp(buf.data(), bin.data() + 5 * 2352, 2 * 2352), 0);

    std::vector<std::uint8_t> sector(2352, 0x61);
    ASSERT_EQ(b.Write(sector.data(), 6, 1, &done, false), errOK);
    std::vector<std::uint8_t> file = ReadFileBytes(TempFile("vexosim_blocks_raw.bin"));
    ASSERT_EQ(file.size(), bin.size());
    EXPECT_EQ(std::memcmp(file.data() + 6 * 2352, sector.data(), 2352), 0) << "written into the BIN at the sector's place";
    EXPECT_EQ(std::memcmp(file.data(), bin.data(), 6 * 2352), 0);
}

TEST_F(VexoBlockTest, ManyBufferedWritesAreWrittenOutBeforeTheyGrowTooLarge) {
    void* d = ConfigureAndOpen("[Device]\nAccessModes=1\nMedium=synthetic:100000\n");
    ASSERT_NE(d, nullptr);
    Block writer(e().Writer(d, 1));
    Block reader(e().Reader(d, 0));
    ASSERT_TRUE(writer);
    ASSERT_TRUE(reader);
    std::vector<std::uint8_t> small(2048, 0x12);
    std::uint64_t done = 0;
    ASSERT_EQ(writer.Write(small.data(), 10, 1, &done), errOK);
    std::vector<std::uint8_t> back(2048);
    ASSERT_EQ(reader.Read(back.data(), 10, 1, &done), errOK);
    EXPECT_TRUE(IsSyntheticSector(back.data(), 10)) << "another object does not see what waits in the writer";
    // 32 MB and one sector more: written out at once.
    const std::size_t sectors = 16385;
    std::vector<std::uint8_t> big(sectors * 2048, 0x34);
    ASSERT_EQ(writer.Write(big.data(), 20, sectors, &done), errOK);
    EXPECT_EQ(done, sectors);
    ASSERT_EQ(reader.Read(back.data(), 20 + sectors - 1, 1, &done), errOK);
    EXPECT_EQ(back[0], 0x34);
    ASSERT_EQ(reader.Read(back.data(), 10, 1, &done), errOK);
    EXPECT_EQ(back[0], 0x12) << "everything waiting went out";
    EXPECT_EQ(e().Counter("block.sectors.written"), static_cast<int>(sectors + 1));
}

TEST_F(VexoBlockTest, OneObjectServesSeveralThreads) {
    Block b(e().FromImage("synthetic:10000", 1));
    ASSERT_TRUE(b);
    auto work = [&](std::uint64_t first, std::uint8_t value, int* failures) {
        std::vector<std::uint8_t> sector(2048, value), back(2048);
        for (std::uint64_t s = first; s < first + 200; ++s) {
            std::uint64_t done = 0;
            if (b.Write(sector.data(), s, 1, &done, s % 2 == 0) != errOK || done != 1) ++*failures;
            if (b.Read(back.data(), s, 1, &done, s % 3 == 0) != errOK || back != sector) ++*failures;
            if (s % 50 == 0 && b.Flush() != errOK) ++*failures;
        }
    };
    int failuresA = 0, failuresB = 0;
    std::thread a(work, 0, std::uint8_t(0xAA), &failuresA);
    std::thread c(work, 5000, std::uint8_t(0xBB), &failuresB);
    a.join();
    c.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
    std::vector<std::uint8_t> back(2048);
    std::uint64_t done = 0;
    ASSERT_EQ(b.Read(back.data(), 200, 1, &done), errOK);
    EXPECT_TRUE(IsSyntheticSector(back.data(), 200)) << "untouched between the two ranges";
}

// --- virtual multisession --------------------------------------------------------------

TEST_F(VexoBlockTest, VmsRecordHoldsTheConfiguredSessions) {
    void* d = ConfigureAndOpen(
        "[Device]\nVmsNextWritable=12345\nVmsSession=Monday|2024-05-13 08:00:00|1000\n"
        "VmsSession=Tuesday backup|2024-05-14 09:30:15|2000\nVmsSession=Friday|2024-05-17 10:20:30|3000\n");
    ASSERT_NE(d, nullptr);
    auto* r = static_cast<const std::uint8_t*>(e().VmsInfo(d));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(e().Counter("outstanding.vms"), 1);
    EXPECT_EQ(U32(r, 0), 12345u);
    ASSERT_EQ(U32(r, 4), 3u);
    for (std::size_t i = 8; i < 136; ++i) ASSERT_EQ(r[i], 0) << i;
    const std::uint8_t* s = r + 136 + 2 * 424;  // the third session
    EXPECT_STREQ(reinterpret_cast<const char*>(r + 136 + 424), "Tuesday backup");
    EXPECT_STREQ(reinterpret_cast<const char*>(s), "Friday");
    const std::uint32_t tm[9] = {30, 20, 10, 17, 4, 124, 5, 137, 0};
    for (int f = 0; f < 9; ++f) EXPECT_EQ(U32(s, 256 + 4 * f), tm[f]) << "struct tm field " << f;
    EXPECT_EQ(U32(s, 292), 3000u);
    EXPECT_EQ(U32(r + 136, 292), 1000u);
    for (std::size_t i = 296; i < 424; ++i) ASSERT_EQ(s[i], 0) << i;
    EXPECT_EQ(e().FreeMem(r), 0);
    EXPECT_EQ(e().Counter("freed.vms"), 1);
    EXPECT_EQ(e().FreeMem(r), -1) << "a second free is a bad one";
    EXPECT_EQ(e().Counter("free.bad"), 1);
}

TEST_F(VexoBlockTest, VmsInfoIsNullWithoutSessionsConfiguredAndHeadOnlyWithoutSessions) {
    void* plain = ConfigureAndOpen("[Device]\nName=A\n[Device]\nName=B\nVmsNextWritable=500\n");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(e().VmsInfo(plain), nullptr) << "not a VMS medium";
    EXPECT_EQ(e().Counter("vms.none"), 1);
    void* empty = nullptr;
    std::vector<std::uint8_t> entry;
    {
        auto* list = static_cast<const std::uint8_t*>(e().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
        ASSERT_NE(list, nullptr);
        entry.assign(list + 4 + kEntrySize, list + 4 + 2 * kEntrySize);
        e().FreeMem(list);
        empty = e().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(entry.data());
        open_.push_back(empty);
    }
    auto* r = static_cast<const std::uint8_t*>(e().VmsInfo(empty));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(U32(r, 0), 500u);
    EXPECT_EQ(U32(r, 4), 0u);
    EXPECT_EQ(e().FreeMem(r), 0);
    EXPECT_EQ(e().Counter("calls.VexoGetVMSInfo"), 2);
}

// --- bad handles, releases and scripted failures ---------------------------------------

TEST_F(VexoBlockTest, BadDeviceHandlesAreCheckFailuresNeverCrashes) {
    void* d = ConfigureAndOpen("[Device]\nAccessModes=7\nMedium=synthetic:100\nVmsNextWritable=1\n");
    ASSERT_NE(d, nullptr);
    e().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(d);
    open_.clear();
    int foreign[16] = {};
    for (void* h : {static_cast<void*>(nullptr), static_cast<void*>(foreign), d}) {
        EXPECT_EQ(e().AccessModes(h), 0);
        EXPECT_EQ(e().Reader(h, 0), nullptr);
        EXPECT_EQ(e().Writer(h, 1), nullptr);
        EXPECT_EQ(e().VmsInfo(h), nullptr);
    }
    expectedCheckFailures_ = 12;
}

TEST_F(VexoBlockTest, ASecondReleaseIsABadFreeAndTheObjectIsGone) {
    Block b(e().FromImage("synthetic:10", 0));
    ASSERT_TRUE(b);
    const BlockTable& table = b.T();
    ObjectPtr p = b.get();
    b.Release();
    EXPECT_EQ(e().Counter("outstanding.block"), 0);
    table.Release(p);  // through the table pointer the object still holds
    EXPECT_EQ(e().Counter("free.bad"), 1);
    EXPECT_EQ(e().Counter("block.badrelease"), 1);
    int foreign[4] = {};
    table.Release(foreign);
    table.Release(nullptr);
    EXPECT_EQ(e().Counter("free.bad"), 3);
    std::vector<std::uint8_t> buf(2048);
    std::uint64_t done = 9;
    EXPECT_EQ(table.ReadBuffered(p, buf.data(), 0, 0, 1, 0, &done), errIllegalArgument);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(table.WriteUnbuffered(p, buf.data(), 0, 0, 1, 0, &done), errIllegalArgument);
    EXPECT_EQ(table.PartitionCount(p), 0);
    EXPECT_EQ(table.PartitionByIndex(p, 0), nullptr);
    EXPECT_EQ(table.FlushSectorCache(p), errIllegalArgument);
    expectedCheckFailures_ = 5;  // operations on an object that is gone
}

TEST_F(VexoBlockTest, ScriptedFailuresReachCreationAndOperations) {
    void* d = ConfigureAndOpen(
        "[Device]\nAccessModes=1\nMedium=synthetic:100\nVmsNextWritable=1\n"
        "[Failures]\nVexoCreateBlockAccessFromImage=1\nVexoCreateBlockReaderInterface=1\nVexoGetVMSInfo=1\n"
        "VexoGetSupportedAccessModesForDevice=1,-3\nBlockReadBuffered=1,3\nBlockWriteUnbuffered=1\nBlockFlushSectorCache=1\n");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(e().FromImage("synthetic:10", 1), nullptr);
    EXPECT_EQ(e().Reader(d, 0), nullptr);
    EXPECT_EQ(e().VmsInfo(d), nullptr);
    EXPECT_EQ(e().AccessModes(d), -3);
    EXPECT_EQ(e().AccessModes(d), 1) << "once only";
    void* vms = e().VmsInfo(d);
    EXPECT_NE(vms, nullptr);
    e().FreeMem(vms);
    Block b(e().FromImage("synthetic:10", 1));
    ASSERT_TRUE(b);
    std::vector<std::uint8_t> buf(2048);
    std::uint64_t done = 5;
    EXPECT_EQ(b.Read(buf.data(), 0, 1, &done), errReadError);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(b.Read(buf.data(), 0, 1, &done), errOK);
    EXPECT_EQ(b.Write(buf.data(), 0, 1, &done, false), errWriteError);
    EXPECT_EQ(b.Write(buf.data(), 0, 1, &done, false), errOK);
    ASSERT_EQ(b.Write(buf.data(), 1, 1, &done), errOK);
    EXPECT_EQ(b.Flush(), errWriteError);
    EXPECT_EQ(b.Flush(), errOK);
    EXPECT_EQ(e().Counter("failures.scripted"), 7);
    Block reader(e().Reader(d, 0));
    EXPECT_TRUE(reader);
}

}  // namespace

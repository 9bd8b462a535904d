// The simulated engine's file-system containers, bound by name as a client
// binds them: the model through its operation tables, file-system burns
// that pull produced files on an engine thread, and burn-at-once in both
// forms. Images are read back with the project's ISO 9660 library; the
// handle form's image is also left for vexoapi_fs_outside.sh to check with
// xorriso and isoinfo.

#include "../support/SimEngineLibrary.h"
#include "../support/TestFiles.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "EngineObjects.h"
#include "Reader.h"

namespace EO = EngineObjects;

namespace {

constexpr std::size_t P = sizeof(void*);
constexpr std::size_t Align(std::size_t v) { return (v + P - 1) / P * P; }
constexpr std::size_t kEntrySize = 1720;

// The file-system record (type 4): size, container, media type, burn options.
namespace fsrecord {
constexpr std::size_t Container = Align(4);
constexpr std::size_t BurnOptions = Container + P + 4;
constexpr std::size_t Size = Align(BurnOptions + 4 + 128);
}  // namespace fsrecord
// The burn-at-once record: size, temporary directory, container, 256 zero bytes.
namespace baorecord {
constexpr std::size_t TempDirectory = Align(4);
constexpr std::size_t Container = TempDirectory + P;
constexpr std::size_t Size = Align(Container + P + 256);
}  // namespace baorecord
// The estimate options: size, stamp, media, device, flags, container, options.
namespace estimate {
constexpr std::size_t Container = Align(Align(Align(4) + P + 4) + P + 4);
constexpr std::size_t BurnOptions = Container + P;
constexpr std::size_t Size = Align(BurnOptions + 4 + 128);
static_assert(P != 4 || Size == 156);
}  // namespace estimate

void SetPtr(void* p, std::size_t offset, const void* v) { std::memcpy(static_cast<std::uint8_t*>(p) + offset, &v, P); }
void Set32(void* p, std::size_t offset, std::uint32_t v) { std::memcpy(static_cast<std::uint8_t*>(p) + offset, &v, 4); }

using testing_support::Exists;
using testing_support::ProgramFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed * 17 + i / 4096) & 0xFF);
    return s;
}

class Engine : public testing_support::SimEngineLibrary {
public:
    Engine() : SimEngineLibrary(ProgramFolder() + "\\vexoapi-v2\\VexoAPI.dll") {}
    EO::Object* NewContainer() const { return Get<EO::Object*(WINAPI*)(void*)>("VexoCreateFileSystemContainer")(nullptr); }
};

Engine& E() {
    static Engine engine;
    return engine;
}

// --- calling the engine's objects ----------------------------------------------

template <class Table>
const Table& Ops(EO::Object* o) {
    return *static_cast<const Table*>(o->operations);
}
void Release(EO::Object* o) { Ops<EO::ObjectOperations>(o).Release(o); }

// One reference, given back when the holder goes.
struct Ref {
    EO::Object* p = nullptr;
    Ref() = default;
    explicit Ref(EO::Object* o) : p(o) {}
    Ref(Ref&& o) noexcept : p(o.p) { o.p = nullptr; }
    Ref& operator=(Ref&& o) noexcept {
        reset();
        p = o.p;
        o.p = nullptr;
        return *this;
    }
    ~Ref() { reset(); }
    void reset() {
        if (p) Release(p);
        p = nullptr;
    }
    EO::Object* get() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

Ref View(EO::Object* o, const char* name) { return Ref(Ops<EO::ObjectOperations>(o).QueryView(o, name)); }
Ref WritableRoot(const Ref& c) { return Ref(Ops<EO::ContainerOperations>(c.get()).GetRootDirectory(c.get())); }
Ref AddDir(const Ref& d, const char* name, int priority = 0) {
    return Ref(Ops<EO::WritableDirectoryOperations>(d.get()).AddDirectory(d.get(), name, priority));
}
Ref AddFile(const Ref& d, const char* name, const std::string& source, int priority = 0, int dirPriority = 0) {
    return Ref(Ops<EO::WritableDirectoryOperations>(d.get()).AddFile(d.get(), name, source.c_str(), priority, dirPriority));
}
void SetName(const Ref& c, const char* name) { Ops<EO::ContainerOperations>(c.get()).SetName(c.get(), name); }
std::uint64_t SizeOf(const Ref& entry) {
    std::uint64_t size = 0;
    Ops<EO::EntryOperations>(entry.get()).Size(entry.get(), &size);
    return size;
}

// --- a producer of the test, called by the engine ---------------------------------

struct Producer {
    EO::Object object;  // first: what the engine holds
    std::uint64_t deliver = 0;
    int seed = 0;
    std::int32_t answer = EO::entryNoError;
    std::atomic<int> releases{0};
    std::atomic<int> produces{0};
    std::atomic<DWORD> thread{0};
    std::atomic<std::int32_t> offset{-1};   // the stream's burn-at-once offset, -1 without one
    std::atomic<std::int32_t> writeError{0};  // the first write answered other than entryNoError

    Producer(std::uint64_t bytes, int patternSeed);
    std::string Bytes() const { return Pattern(static_cast<std::size_t>(deliver), seed); }
};

void __stdcall ProducerRelease(EO::Object* self) { ++reinterpret_cast<Producer*>(self)->releases; }
EO::Object* __stdcall ProducerQueryView(EO::Object*, const char*) { return nullptr; }
std::int32_t __stdcall ProducerProduce(EO::Object* self, EO::Object* stream) {
    auto* p = reinterpret_cast<Producer*>(self);
    ++p->produces;
    p->thread = GetCurrentThreadId();
    if (Ref info = View(stream, EO::kBurnAtOnceInfoView))
        p->offset = Ops<EO::BurnAtOnceInfoOperations>(info.get()).Offset(info.get());
    const std::string bytes = p->Bytes();
    for (std::size_t at = 0; at < bytes.size(); at += 100000) {
        const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(100000, bytes.size() - at));
        std::int32_t r = Ops<EO::OutputStreamOperations>(stream).Write(stream, bytes.data() + at, n);
        if (r != EO::entryNoError) {
            p->writeError = r;
            break;
        }
    }
    return p->answer;
}
const EO::ProducerOperations kProducer = {{&ProducerRelease, &ProducerQueryView}, &ProducerProduce};

Producer::Producer(std::uint64_t bytes, int patternSeed) : deliver(bytes), seed(patternSeed) { object.operations = &kProducer; }

Ref AddProduced(const Ref& d, const char* name, Producer& p, std::uint64_t declared) {
    return Ref(Ops<EO::WritableDirectoryOperations>(d.get()).AddProducedFile(
        d.get(), name, &p.object, static_cast<std::uint32_t>(declared), static_cast<std::uint32_t>(declared >> 32), 0, 0));
}

// --- reading images back -----------------------------------------------------------

std::string Contents(iso9660::SectorSource& src, const iso9660::Node& file) {
    std::string bytes;
    iso9660::ReadContents(src, {}, file, [&](std::span<const std::uint8_t> b) { bytes.append(reinterpret_cast<const char*>(b.data()), b.size()); });
    return bytes;
}

class FsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(E().module(), nullptr);
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "vexoapi-fs";
        CreateDirectoryA(dir_.c_str(), nullptr);
        ASSERT_EQ(E().Configure(""), 0);
    }
    void TearDown() override {
        if (device_) E().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(device_);
        if (E().Counter("init.active")) E().Get<int(WINAPI*)()>("VexoDone")();
        EXPECT_EQ(E().Counter("check.failures"), expectedCheckFailures_) << E().Text("check.last");
        EXPECT_EQ(E().Counter("outstanding"), 0);
        EXPECT_EQ(E().Counter("producers.held"), 0);
    }

    // Configures one device recording to `target`, initialises and opens it.
    void Start(const std::string& target) {
        ASSERT_EQ(E().Configure("[Device]\nName=Fs Writer\nRecorder=" + target + "\n[Burn]\nSteps=1\nStepMs=0\n"), 0);
        std::vector<std::uint8_t> init(8 * P + 8, 0);
        static const char maker[] = "Quarn", product[] = "fs test", language[] = "english.txt";
        SetPtr(init.data(), P, product);
        SetPtr(init.data(), 2 * P, maker);
        SetPtr(init.data(), 3 * P, language);
        ASSERT_EQ(E().Get<int(WINAPI*)(const void*, const char*)>("VexoInit")(init.data(), ""), 0);
        auto* list = static_cast<const std::uint8_t*>(E().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
        ASSERT_NE(list, nullptr);
        std::vector<std::uint8_t> entry(list + 4, list + 4 + kEntrySize);
        E().Get<int(WINAPI*)(const void*)>("VexoFreeMem")(list);
        device_ = E().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(entry.data());
        ASSERT_NE(device_, nullptr);
    }

    int BurnContainer(const Ref& container, std::uint32_t options) {
        std::vector<std::uint8_t> record(fsrecord::Size, 0);
        Set32(record.data(), 0, 144);
        SetPtr(record.data(), fsrecord::Container, container.get());
        Set32(record.data(), fsrecord::BurnOptions, options);
        return E().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn")(device_, 4, record.data(), 4, 0,
                                                                                                nullptr);
    }
    std::vector<std::uint8_t> BaoRecord(const Ref& container) {
        std::vector<std::uint8_t> record(baorecord::Size, 0);
        Set32(record.data(), 0, 268);
        SetPtr(record.data(), baorecord::Container, container.get());
        return record;
    }
    int CreateHandle(const std::vector<std::uint8_t>& record, void** handle) {
        return E().Get<int(WINAPI*)(void*, const void*, int, int, const void*, void**, int)>("VexoBAOCreateHandle")(
            device_, record.data(), 4, 0, nullptr, handle, 0);
    }
    int Open(void* h, const char* name, std::int32_t* offset) {
        return E().Get<int(WINAPI*)(void*, const char*, std::int32_t*, int)>("VexoBAOOpenFile")(h, name, offset, 0);
    }
    int Write(void* h, const std::string& bytes) {
        std::int32_t written = -1;
        int r = E().Get<int(WINAPI*)(void*, const void*, int, std::int32_t*, int)>("VexoBAOWriteToFile")(
            h, bytes.data(), static_cast<int>(bytes.size()), &written, 0);
        if (r == 0) { EXPECT_EQ(written, static_cast<std::int32_t>(bytes.size())); }
        return r;
    }
    int CloseFile(void* h) { return E().Get<int(WINAPI*)(void*, int)>("VexoBAOCloseFile")(h, 0); }
    int CloseHandle(void* h, int flags) { return E().Get<int(WINAPI*)(void*, int, int)>("VexoBAOCloseHandle")(h, flags, 0); }

    std::string dir_;
    void* device_ = nullptr;
    int expectedCheckFailures_ = 0;
};

// ---- the model -------------------------------------------------------------------

TEST_F(FsTest, EntriesAreAddedFoundRemovedAndKeepWhatIsSetOnThem) {
    WriteFileBytes(dir_ + "\\a.txt", Pattern(5000, 1));
    Ref c(E().NewContainer());
    ASSERT_TRUE(c);
    EXPECT_EQ(E().Counter("outstanding.fscontainer"), 1);
    SetName(c, "My Volume");
    EXPECT_STREQ(Ops<EO::ContainerOperations>(c.get()).GetName(c.get()), "My Volume");
    {
        Ref root = WritableRoot(c);
        Ref docs = AddDir(root, "Docs", 7);
        ASSERT_TRUE(docs);
        Ref a = AddFile(docs, "a.txt", dir_ + "\\a.txt", 3, 4);
        ASSERT_TRUE(a);
        Producer big(0, 1);
        const std::uint64_t threeGiB = 3ull << 30;
        Ref produced = AddProduced(root, "big.bin", big, threeGiB);
        ASSERT_TRUE(produced);

        // Refused: a duplicate (case-sensitive), a missing source, a separator, an empty name.
        EXPECT_FALSE(AddFile(docs, "a.txt", dir_ + "\\a.txt"));
        EXPECT_TRUE(AddFile(docs, "A.txt", dir_ + "\\a.txt"));
        EXPECT_FALSE(AddFile(docs, "missing.txt", dir_ + "\\no-such-file.txt"));
        EXPECT_FALSE(AddDir(root, "x/y"));
        EXPECT_FALSE(AddDir(root, ""));
        Producer refused(0, 2);
        EXPECT_FALSE(AddProduced(root, "Docs", refused, 10));
        EXPECT_EQ(refused.releases, 1);  // a refused add gives the reference back at once

        // Properties go in through the writable entry and come back through its view.
        const auto& w = Ops<EO::WritableEntryOperations>(a.get());
        EXPECT_EQ(w.SetDataStartSector(a.get(), 1234), EO::entryNoError);
        w.SetFixedDataStartSector(a.get(), 55);
        w.SetFileNumber(a.get(), 9);
        w.SetId(a.get(), 42);
        w.SetFlags(a.get(), 1, 0x80);
        Ref av = View(a.get(), EO::kDirectoryEntryView);
        ASSERT_TRUE(av);
        const auto& r = Ops<EO::EntryOperations>(av.get());
        EXPECT_STREQ(r.Name(av.get()), "a.txt");
        EXPECT_EQ(SizeOf(av), 5000u);
        EXPECT_EQ(r.FilePriority(av.get()), 3);
        EXPECT_EQ(r.DirOrder(av.get()), 4);
        EXPECT_EQ(r.Id(av.get()), 42);
        EXPECT_EQ(r.DataStartSector(av.get()), 1234);
        EXPECT_EQ(std::string(r.SourcePath(av.get())), dir_ + "\\a.txt");
        EXPECT_FALSE(Ref(r.SubDirectory(av.get())));

        // 64-bit sizes travel as halves and come back whole.
        Ref pv = View(produced.get(), EO::kDirectoryEntryView);
        EXPECT_EQ(SizeOf(pv), threeGiB);
        Ops<EO::WritableEntryOperations>(produced.get()).SetSize(produced.get(), 0x00000010u, 0x1u);
        EXPECT_EQ(SizeOf(pv), 0x100000010ull);
        std::int32_t error = -1;
        EXPECT_FALSE(Ref(Ops<EO::EntryOperations>(pv.get()).ReadContent(pv.get(), &error)));
        EXPECT_EQ(error, EO::entryNotAvailable);

        // Look-ups: by name, by index, subdirectories, the read-only views.
        const auto& wd = Ops<EO::WritableDirectoryOperations>(root.get());
        EXPECT_TRUE(Ref(wd.EntryByName(root.get(), "Docs")));
        EXPECT_FALSE(Ref(wd.EntryByName(root.get(), "docs")));
        EXPECT_TRUE(Ref(wd.SubDirectory(root.get(), "Docs")));
        EXPECT_FALSE(Ref(wd.SubDirectory(root.get(), "big.bin")));
        Ref second(wd.EntryByIndex(root.get(), 1));
        Ref secondView = View(second.get(), EO::kDirectoryEntryView);
        EXPECT_STREQ(Ops<EO::EntryOperations>(secondView.get()).Name(secondView.get()), "big.bin");
        EXPECT_FALSE(Ref(wd.EntryByIndex(root.get(), 2)));
        Ref ro(Ops<EO::ContainerOperations>(c.get()).GetRoot(c.get()));
        EXPECT_EQ(Ops<EO::DirectoryOperations>(ro.get()).EntryCount(ro.get()), 2);
        Ref docsEntry(Ops<EO::DirectoryOperations>(ro.get()).EntryByIndex(ro.get(), 0));
        Ref docsDir(Ops<EO::EntryOperations>(docsEntry.get()).SubDirectory(docsEntry.get()));
        ASSERT_TRUE(docsDir);
        EXPECT_EQ(Ops<EO::DirectoryOperations>(docsDir.get()).EntryCount(docsDir.get()), 2);
        EXPECT_EQ(Ops<EO::EntryOperations>(docsEntry.get()).DirOrder(docsEntry.get()), 7);

        // The content of a source file reads back its bytes, then reports its end.
        Ref content(r.ReadContent(av.get(), &error));
        ASSERT_TRUE(content);
        EXPECT_EQ(error, EO::entryNoError);
        std::string read(6000, '\0');
        const auto& cr = Ops<EO::ContentOperations>(content.get());
        EXPECT_EQ(cr.Read(content.get(), read.data(), 3000), 3000);
        EXPECT_EQ(cr.EndOfFile(content.get()), 0);
        EXPECT_EQ(cr.Read(content.get(), read.data() + 3000, 3000), 2000);
        EXPECT_EQ(cr.EndOfFile(content.get()), 1);
        EXPECT_EQ(cr.Error(content.get()), 0);
        EXPECT_EQ(read.substr(0, 5000), Pattern(5000, 1));
        Ref docsView = View(docs.get(), EO::kDirectoryView);
        Ref docsRo(Ops<EO::DirectoryOperations>(docsView.get()).EntryByIndex(docsView.get(), 0));
        EXPECT_FALSE(Ref(Ops<EO::EntryOperations>(docsRo.get()).ReadContent(docsEntry.get(), &error)));
        EXPECT_EQ(error, EO::entryNotAFile);

        // Removing: 1 then 0; the producer goes back at once; a view of the
        // removed entry stays usable.
        EXPECT_EQ(big.releases, 0);
        EXPECT_EQ(E().Counter("producers.held"), 1);
        EXPECT_EQ(wd.RemoveEntry(root.get(), "big.bin"), 1);
        EXPECT_EQ(wd.RemoveEntry(root.get(), "big.bin"), 0);
        EXPECT_EQ(big.releases, 1);
        EXPECT_EQ(SizeOf(pv), 0x100000010ull);
        EXPECT_EQ(Ops<EO::DirectoryOperations>(ro.get()).EntryCount(ro.get()), 1);
    }
    // Views outlive their container.
    Ref root = WritableRoot(c);
    c.reset();
    EXPECT_EQ(E().Counter("outstanding.fscontainer"), 0);
    EXPECT_TRUE(Ref(Ops<EO::WritableDirectoryOperations>(root.get()).SubDirectory(root.get(), "Docs")));
    EXPECT_EQ(E().Counter("outstanding.fsdirectory"), 1);
}

TEST_F(FsTest, TheTreeGivesItsProducersBackOnceAndBadReleasesAreCounted) {
    Producer p1(0, 1), p2(0, 2);
    EO::Object* gone = nullptr;
    {
        Ref c(E().NewContainer());
        Ref root = WritableRoot(c);
        Ref sub = AddDir(root, "sub");
        Ref e1 = AddProduced(root, "one", p1, 1);
        Ref e2 = AddProduced(sub, "two", p2, 2);
        EXPECT_EQ(E().Counter("producers.held"), 2);
        gone = e1.get();
    }
    // The last view went: the tree with it, each producer given back once.
    EXPECT_EQ(p1.releases, 1);
    EXPECT_EQ(p2.releases, 1);
    EXPECT_EQ(E().Counter("outstanding"), 0);
    const int before = E().Counter("free.bad");
    Ops<EO::ObjectOperations>(gone).Release(gone);  // released before
    Producer foreign(0, 3);
    Ops<EO::ObjectOperations>(gone).Release(&foreign.object);  // never the engine's
    EXPECT_EQ(E().Counter("free.bad"), before + 2);
    EXPECT_EQ(E().Counter("fs.badrelease"), 2);
    EXPECT_EQ(foreign.releases, 0);
    // Another operation on an object that is gone is a check failure, not a crash.
    EXPECT_EQ(Ops<EO::WritableEntryOperations>(gone).SetId(gone, 1), EO::entryInterfaceError);
    EXPECT_EQ(E().Get<EO::Object*(WINAPI*)(void*)>("VexoCreateFileSystemContainer")(reinterpret_cast<void*>(1)), nullptr);
    expectedCheckFailures_ = 2;
}

TEST_F(FsTest, SeveralThreadsMayChangeOneTreeAtOnce) {
    WriteFileBytes(dir_ + "\\shared.bin", Pattern(100, 1));
    Ref c(E().NewContainer());
    constexpr int kThreads = 4, kFiles = 100;
    std::vector<std::unique_ptr<Producer>> producers;
    for (int t = 0; t < kThreads; ++t) producers.push_back(std::make_unique<Producer>(0, t));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            Ref root = WritableRoot(c);
            Ref own = AddDir(root, ("thread " + std::to_string(t)).c_str());
            for (int i = 0; i < kFiles; ++i) {
                const std::string name = "f" + std::to_string(t) + "-" + std::to_string(i);
                Ref shared = AddFile(root, name.c_str(), dir_ + "\\shared.bin");
                Ref mine = AddProduced(own, name.c_str(), *producers[static_cast<std::size_t>(t)], 10);
                Ref view = View(mine.get(), EO::kDirectoryEntryView);
                EXPECT_EQ(SizeOf(view), 10u);
                if (i % 2) { EXPECT_EQ(Ops<EO::WritableDirectoryOperations>(own.get()).RemoveEntry(own.get(), name.c_str()), 1); }
            }
        });
    for (auto& th : threads) th.join();
    Ref ro(Ops<EO::ContainerOperations>(c.get()).GetRoot(c.get()));
    EXPECT_EQ(Ops<EO::DirectoryOperations>(ro.get()).EntryCount(ro.get()), kThreads + kThreads * kFiles);
    EXPECT_EQ(E().Counter("producers.held"), kThreads * kFiles / 2);
    ro.reset();
    c.reset();
    for (const auto& p : producers) EXPECT_EQ(p->releases, kFiles);
}

// ---- file-system burns ---------------------------------------------------------------

TEST_F(FsTest, ABurnWritesTheContainerAndPullsProducedFilesOnAnEngineThread) {
    const std::string target = dir_ + "\\burn.iso";
    DeleteFileA(target.c_str());
    WriteFileBytes(dir_ + "\\src1.bin", Pattern(70000, 5));
    WriteFileBytes(dir_ + "\\empty.bin", "");
    Start(target);
    Producer big(5 * 1024 * 1024 + 123, 9);
    Ref c(E().NewContainer());
    SetName(c, "Burnt Volume");
    {
        Ref root = WritableRoot(c);
        Ref music = AddDir(root, "Music");
        ASSERT_TRUE(AddFile(music, "track one.bin", dir_ + "\\src1.bin"));
        ASSERT_TRUE(AddFile(root, "empty.bin", dir_ + "\\empty.bin"));
        ASSERT_TRUE(AddProduced(root, "produced.dat", big, big.deliver));
    }
    EXPECT_EQ(BurnContainer(c, 1 | 4), 0) << E().LastError();
    EXPECT_EQ(big.produces, 1);
    EXPECT_NE(big.thread.load(), 0u);
    EXPECT_NE(big.thread.load(), GetCurrentThreadId());  // an engine thread, not the caller's
    EXPECT_EQ(big.offset, -1);  // no burn-at-once information outside burn-at-once
    ASSERT_TRUE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));

    iso9660::FileSectorSource src(target);
    iso9660::Volume v = iso9660::Read(src);
    EXPECT_EQ(v.name, "BURNT_VOLUME");  // d-characters only
    EXPECT_EQ(v.jolietName, "Burnt Volume");
    const iso9660::Node* music = v.root.Find("Music");
    ASSERT_NE(music, nullptr);
    ASSERT_NE(music->Find("track one.bin"), nullptr);
    EXPECT_EQ(Contents(src, *music->Find("track one.bin")), Pattern(70000, 5));
    ASSERT_NE(v.root.Find("produced.dat"), nullptr);
    EXPECT_EQ(Contents(src, *v.root.Find("produced.dat")), big.Bytes());
    EXPECT_EQ(v.root.Find("empty.bin")->size, 0u);

    // The estimate of the same container is the image's size.
    std::vector<std::uint8_t> options(estimate::Size, 0);
    Set32(options.data(), 0, 156);
    SetPtr(options.data(), estimate::Container, c.get());
    Set32(options.data(), estimate::BurnOptions, 1 | 4);
    const int blocks = E().Get<int(WINAPI*)(void*, int, const void*)>("VexoEstimateTrackSize")(nullptr, 4, options.data());
    EXPECT_EQ(static_cast<std::uint32_t>(blocks), v.sectors);
    EXPECT_EQ(E().Get<int(WINAPI*)(void*, int, const void*)>("VexoEstimateTrackSize")(nullptr, 2, options.data()),
              35 + (5 * 1024 * 1024 + 123 + 2047) / 2048);

    // UDF is refused as for data tracks.
    EXPECT_EQ(BurnContainer(c, 16), 3);
    EXPECT_NE(E().LastError().find("UDF"), std::string::npos);
}

TEST_F(FsTest, ProducersThatFailOrDeliverTheWrongLengthFailTheBurnAndLeaveNoImage) {
    const std::string target = dir_ + "\\failed.iso";
    Start(target);
    struct Case {
        std::uint64_t deliver;
        std::int32_t answer;
        const char* expected;
    } cases[] = {
        {300000, EO::entryNoError, "delivered 300000 of the 400000"},
        {400000, EO::entryNotAvailable, "answered 3"},
        {500000, EO::entryNoError, "more than the 400000"},
    };
    for (const Case& k : cases) {
        DeleteFileA(target.c_str());
        Producer p(k.deliver, 4);
        p.answer = k.answer;
        {
            Ref c(E().NewContainer());
            Ref root = WritableRoot(c);
            Ref folder = AddDir(root, "inner");
            ASSERT_TRUE(AddProduced(folder, "bad file.bin", p, 400000));
            EXPECT_EQ(BurnContainer(c, 4), 3);
        }
        const std::string error = E().LastError();
        EXPECT_NE(error.find("inner/bad file.bin"), std::string::npos) << error;
        EXPECT_NE(error.find(k.expected), std::string::npos) << error;
        EXPECT_FALSE(Exists(target));
        EXPECT_FALSE(Exists(target + ".part"));
        EXPECT_EQ(p.releases, 1);
        if (k.deliver > 400000) { EXPECT_EQ(p.writeError, EO::entryInterfaceError); }
    }
}

// ---- burn-at-once ------------------------------------------------------------------

TEST_F(FsTest, TheHandleFormPlacesFilesWhereOpenFileSaidAndWritesTheRestAtTheClose) {
    const std::string out = ProgramFolder() + "\\vexoapi-fs";
    CreateDirectoryA(out.c_str(), nullptr);
    const std::string target = out + "\\bao.iso";
    DeleteFileA(target.c_str());
    WriteFileBytes(dir_ + "\\kept.bin", Pattern(9000, 7));
    Start(target);
    Producer late(123456, 8);
    Ref c(E().NewContainer());
    SetName(c, "At Once");
    {
        Ref root = WritableRoot(c);
        ASSERT_TRUE(AddFile(root, "kept.bin", dir_ + "\\kept.bin"));
        ASSERT_TRUE(AddProduced(root, "late.dat", late, late.deliver));
    }
    void* h = nullptr;
    ASSERT_EQ(CreateHandle(BaoRecord(c), &h), 0);
    ASSERT_NE(h, nullptr);
    void* second = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateHandle(BaoRecord(c), &second), 4);  // one handle per device
    EXPECT_EQ(second, nullptr);

    struct Written {
        std::string name, path, bytes;
        std::int32_t offset = -1;
    } files[] = {
        {"first.bin", "first.bin", Pattern(10000, 1)},
        {"sub\\deeper\\second.bin", "sub/deeper/second.bin", Pattern(3 * 2048, 2)},
        {"/sub/third.txt", "sub/third.txt", Pattern(777, 3)},
    };
    for (Written& f : files) {
        ASSERT_EQ(Open(h, f.name.c_str(), &f.offset), 0) << E().LastError();
        for (std::size_t at = 0; at < f.bytes.size(); at += 1000) ASSERT_EQ(Write(h, f.bytes.substr(at, 1000)), 0);
        ASSERT_EQ(CloseFile(h), 0);
    }
    EXPECT_EQ(files[1].offset, files[0].offset + 5);
    EXPECT_EQ(files[2].offset, files[1].offset + 3);
    EXPECT_FALSE(Exists(target));
    ASSERT_EQ(CloseHandle(h, 0), 0) << E().LastError();
    ASSERT_TRUE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));
    // The producer not written through the handle was pulled at the close, with its start sector.
    EXPECT_EQ(late.produces, 1);
    EXPECT_NE(late.thread.load(), GetCurrentThreadId());

    iso9660::FileSectorSource src(target);
    iso9660::Volume v = iso9660::Read(src);
    EXPECT_EQ(v.jolietName, "At Once");
    std::ofstream offsets(out + "\\bao.offsets", std::ios::trunc);
    for (const Written& f : files) {
        const iso9660::Node* n = &v.root;
        std::string rest = f.path;
        for (std::size_t slash; (slash = rest.find('/')) != std::string::npos; rest = rest.substr(slash + 1))
            n = n ? n->Find(rest.substr(0, slash)) : nullptr;
        n = n ? n->Find(rest) : nullptr;
        ASSERT_NE(n, nullptr) << f.path;
        EXPECT_EQ(static_cast<std::int32_t>(n->extent), f.offset) << f.path;
        EXPECT_EQ(Contents(src, *n), f.bytes) << f.path;
        offsets << "/" << f.path << " " << f.offset << "\n";
    }
    ASSERT_NE(v.root.Find("late.dat"), nullptr);
    EXPECT_EQ(static_cast<std::int32_t>(v.root.Find("late.dat")->extent), late.offset.load());
    EXPECT_EQ(Contents(src, *v.root.Find("late.dat")), late.Bytes());
    EXPECT_EQ(Contents(src, *v.root.Find("kept.bin")), Pattern(9000, 7));
    offsets << "/late.dat " << late.offset.load() << "\n";
    // The handle is gone with its close.
    EXPECT_EQ(CloseHandle(h, 0), 4);
}

TEST_F(FsTest, CallsOutOfOrderAreRefusedAndACancelledHandleLeavesNoImage) {
    const std::string target = dir_ + "\\cancelled.iso";
    DeleteFileA(target.c_str());
    WriteFileBytes(dir_ + "\\declared.bin", Pattern(5000, 1));
    Start(target);
    Ref c(E().NewContainer());
    {
        Ref root = WritableRoot(c);
        ASSERT_TRUE(AddFile(root, "declared.bin", dir_ + "\\declared.bin"));
    }
    void* h = nullptr;
    ASSERT_EQ(CreateHandle(BaoRecord(c), &h), 0);
    std::int32_t offset = 0;
    EXPECT_EQ(Write(h, "abc"), 4);
    EXPECT_EQ(CloseFile(h), 4);
    ASSERT_EQ(Open(h, "a.bin", &offset), 0);
    EXPECT_EQ(Open(h, "b.bin", &offset), 4);
    EXPECT_EQ(CloseFile(h), 0);
    EXPECT_EQ(Open(h, nullptr, &offset), 1);
    // A file that declares its size: no more than that, and a short close fails.
    ASSERT_EQ(Open(h, "declared.bin", &offset), 0);
    EXPECT_EQ(Write(h, Pattern(4000, 1)), 0);
    EXPECT_EQ(Write(h, Pattern(2000, 1)), 3);
    EXPECT_EQ(CloseFile(h), 3);
    EXPECT_EQ(E().Counter("bao.sequencing"), 3);
    EXPECT_EQ(CloseHandle(h, 1), 0);
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));
    EXPECT_EQ(Open(h, "c.bin", &offset), 4);
    EXPECT_EQ(Open(reinterpret_cast<void*>(0x1234), "c.bin", &offset), 4);
    EXPECT_EQ(E().Counter("bao.sequencing"), 5);
    // A null container in the record is a check failure answered 1.
    std::vector<std::uint8_t> record = BaoRecord(c);
    SetPtr(record.data(), baorecord::Container, nullptr);
    EXPECT_EQ(CreateHandle(record, &h), 1);
    expectedCheckFailures_ = 2;
}

TEST_F(FsTest, BurnAtOnceWritesTheWholeContainerInItsOrder) {
    const std::string target = dir_ + "\\whole.iso";
    DeleteFileA(target.c_str());
    WriteFileBytes(dir_ + "\\one.bin", Pattern(4096, 1));
    WriteFileBytes(dir_ + "\\three.bin", Pattern(100, 3));
    Start(target);
    Producer two(50000, 2);
    Ref c(E().NewContainer());
    {
        Ref root = WritableRoot(c);
        ASSERT_TRUE(AddFile(root, "one.bin", dir_ + "\\one.bin"));
        Ref sub = AddDir(root, "sub");
        ASSERT_TRUE(AddProduced(sub, "two.dat", two, two.deliver));
        ASSERT_TRUE(AddFile(root, "three.bin", dir_ + "\\three.bin"));
    }
    std::vector<std::uint8_t> record = BaoRecord(c);
    ASSERT_EQ(E().Get<int(WINAPI*)(void*, const void*, int, int, const void*, int)>("VexoBurnAtOnce")(device_, record.data(), 4,
                                                                                                    0, nullptr, 0),
              0)
        << E().LastError();
    iso9660::FileSectorSource src(target);
    iso9660::Volume v = iso9660::Read(src);
    const iso9660::Node* one = v.root.Find("one.bin");
    const iso9660::Node* twoNode = v.root.Find("sub") ? v.root.Find("sub")->Find("two.dat") : nullptr;
    const iso9660::Node* three = v.root.Find("three.bin");
    ASSERT_TRUE(one && twoNode && three);
    // In the container's order, each right after the one before, from sector 19.
    EXPECT_EQ(one->extent, 19u);
    EXPECT_EQ(twoNode->extent, 21u);
    EXPECT_EQ(static_cast<std::int32_t>(twoNode->extent), two.offset.load());
    EXPECT_EQ(three->extent, 21u + (50000 + 2047) / 2048);
    EXPECT_EQ(Contents(src, *twoNode), two.Bytes());
    EXPECT_EQ(Contents(src, *three), Pattern(100, 3));
}

}  // namespace

// Data discs of the simulated engine VexoAPI.dll, bound by name as a client
// binds it: a burn with an image recorder writes the data track as an ISO
// 9660 image, the estimate gives that image's size, and the import reads a
// medium's data track back into engine items. Records and items are written
// with this file's own offsets, taken from the engine's published layouts;
// images are read back (and import media written) with the project's ISO
// 9660 library. Files live in a folder of the temporary folder.

#include "../support/SimEngineLibrary.h"
#include "../support/TestFiles.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "Reader.h"
#include "Writer.h"

namespace {

constexpr std::size_t P = sizeof(void*);
constexpr std::size_t Align(std::size_t v) { return (v + P - 1) / P * P; }
constexpr std::size_t kEntrySize = 1720;

// The ISO item (592 bytes for 32-bit callers, pointer fields widened on 64-bit).
namespace item {
constexpr std::size_t Name = 0;
constexpr std::size_t LongName = Align(252);
constexpr std::size_t IsDirectory = LongName + P;
constexpr std::size_t SourcePath = IsDirectory + 8;
constexpr std::size_t LongSourcePath = Align(SourcePath + 252);
constexpr std::size_t FirstChild = LongSourcePath + P;
constexpr std::size_t Next = FirstChild + P;
constexpr std::size_t UserData = Next + P;
constexpr std::size_t EntryTime = UserData + P + 12;
constexpr std::size_t Size = Align(EntryTime + 36 + 12);
static_assert(P != 4 || (EntryTime == 544 && Size == 592));
}  // namespace item

// The ISO track's creation arguments (flags 128).
namespace args {
constexpr std::size_t RootFirst = P;
constexpr std::size_t WrapperFirst = 2 * P;
constexpr std::size_t VolumeName = 3 * P;
constexpr std::size_t BurnOptions = 4 * P;
constexpr std::size_t Texts = Align(4 * P + 4);
constexpr std::size_t Size = Texts + 8 * P;
}  // namespace args

// The ISO/audio record (compilation type 0): only its head matters here.
namespace isoaudio {
constexpr std::size_t DataTrack = 2 * P;
constexpr std::size_t Stamp = Align(3 * P + 4);
constexpr std::size_t TrackCount = Stamp + P;
constexpr std::size_t Size = 100000 * (P / 4);  // larger than the record on either build
}  // namespace isoaudio

// The estimate options: their size field, then stamp, media, device, flags, container, options.
namespace estimate {
constexpr std::size_t MediaType = Align(4) + P;
constexpr std::size_t Device = Align(MediaType + 4);
constexpr std::size_t Container = Align(Device + P + 4);
constexpr std::size_t Size = Align(Container + P + 4 + 128);
static_assert(P != 4 || Size == 156);
}  // namespace estimate

std::vector<std::uint8_t> EstimateOptions(std::uint32_t sizeField = estimate::Size) {
    std::vector<std::uint8_t> o(estimate::Size, 0);
    std::memcpy(o.data(), &sizeField, 4);
    return o;
}

void* PtrAt(const void* p, std::size_t offset) {
    void* v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, P);
    return v;
}
void SetPtr(void* p, std::size_t offset, const void* v) { std::memcpy(static_cast<std::uint8_t*>(p) + offset, &v, P); }
void Set32(void* p, std::size_t offset, std::uint32_t v) { std::memcpy(static_cast<std::uint8_t*>(p) + offset, &v, 4); }
std::uint32_t U32(const void* p, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(p) + offset, 4);
    return v;
}

using testing_support::Exists;
using testing_support::ProgramFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;


// A pattern of `size` bytes that differs from file to file.
std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + seed * 7 + i / 2048) & 0xFF);
    return s;
}

// The tree of an image as "name/[ ... ]" text, each folder's entries in
// byte order of their names.
std::string Describe(const iso9660::Node& folder) {
    std::string out;
    std::vector<const iso9660::Node*> sorted;
    for (const iso9660::Node& n : folder.children) sorted.push_back(&n);
    std::sort(sorted.begin(), sorted.end(), [](auto* x, auto* y) { return x->name < y->name; });
    for (const iso9660::Node* node : sorted) {
        const iso9660::Node& n = *node;
        if (!out.empty()) out += ' ';
        out += n.name;
        if (n.directory) {
            out += "/[ ";
            std::string inner = Describe(n);
            out += inner.empty() ? "]" : inner + " ]";
        }
    }
    return out;
}

std::string FileContents(iso9660::SectorSource& src, const iso9660::Node& file) {
    std::string bytes;
    iso9660::ReadContents(src, {}, file, [&](std::span<const std::uint8_t> b) { bytes.append(reinterpret_cast<const char*>(b.data()), b.size()); });
    return bytes;
}

// --- the engine, bound by name -------------------------------------------------------

class Engine : public testing_support::SimEngineLibrary {
public:
    Engine() : SimEngineLibrary(ProgramFolder() + "\\vexoapi-v2\\VexoAPI.dll") {}
    void* MakeItem() const { return Get<void*(WINAPI*)(int)>("VexoCreateIsoItemOfSize")(static_cast<int>(item::Size)); }
    void FreeTree(void* first) const { Get<void(WINAPI*)(void*)>("VexoFreeIsoItemTree")(first); }
    std::string DescribeItems(void* first) const {
        char buffer[8192];
        int n = Get<int(WINAPI*)(void*, char*, int)>("VexoSimDescribeIsoTree")(first, buffer, sizeof buffer);
        return n < 0 ? "<failed>" : buffer;
    }
    void* MakeTrack(const void* arguments) const {
        return Get<void*(WINAPI*)(void*, const void*, int)>("VexoCreateIsoTrackEx")(nullptr, arguments, 128);
    }
    void FreeTrack(void* track) const { Get<void(WINAPI*)(void*)>("VexoFreeIsoTrack")(track); }
    int Estimate(void* track, int flags, const void* options) const {
        return Get<int(WINAPI*)(void*, int, const void*)>("VexoEstimateTrackSize")(track, flags, options);
    }
};

Engine& E() {
    static Engine engine;
    return engine;
}

// An item tree the test builds, given back whole at the end unless released.
class Items {
public:
    ~Items() {
        for (void* first : roots_) E().FreeTree(first);
    }
    // A folder or file item; the source path of a file is given.
    void* Make(const std::string& name, bool directory, const std::string& source = "") {
        void* p = E().MakeItem();
        EXPECT_NE(p, nullptr);
        if (!p) return nullptr;
        auto* b = static_cast<std::uint8_t*>(p);
        if (name.size() < 252) {
            std::memcpy(b + item::Name, name.c_str(), name.size() + 1);
        } else {
            texts_.push_back(std::make_unique<std::string>(name));
            SetPtr(p, item::LongName, texts_.back()->c_str());
        }
        if (source.size() < 252) {
            std::memcpy(b + item::SourcePath, source.c_str(), source.size() + 1);
        } else {
            texts_.push_back(std::make_unique<std::string>(source));
            SetPtr(p, item::LongSourcePath, texts_.back()->c_str());
        }
        Set32(p, item::IsDirectory, directory ? 1 : 0);
        return p;
    }
    // Links `items` as a chain and, with a parent, as its children.
    void* Chain(std::vector<void*> items, void* parent = nullptr) {
        for (std::size_t i = 0; i + 1 < items.size(); ++i) SetPtr(items[i], item::Next, items[i + 1]);
        void* first = items.empty() ? nullptr : items.front();
        if (parent) SetPtr(parent, item::FirstChild, first);
        return first;
    }
    void Own(void* first) { roots_.push_back(first); }
    void Release() { roots_.clear(); }

private:
    std::vector<void*> roots_;
    std::vector<std::unique_ptr<std::string>> texts_;
};

// The creation arguments of an ISO track, with the texts they point to.
struct TrackArguments {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(args::Size, 0);
    std::string volume;
    std::string texts[8];
    TrackArguments(void* root, void* wrapper, const std::string& volumeName, std::uint32_t options) : volume(volumeName) {
        SetPtr(bytes.data(), args::RootFirst, root);
        SetPtr(bytes.data(), args::WrapperFirst, wrapper);
        SetPtr(bytes.data(), args::VolumeName, volume.c_str());
        Set32(bytes.data(), args::BurnOptions, options);
        texts[2] = "Quarn Publishing";
        texts[3] = "Data Recorder";
        for (int i = 0; i < 8; ++i) SetPtr(bytes.data(), args::Texts + i * P, texts[i].c_str());
    }
};

// The idle callback the engine calls at each progress step: non-zero aborts the burn.
int gIdleAnswer = 0;
std::int32_t WINAPI Idle(void*) { return gIdleAnswer; }

class DataDiscTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(E().module(), nullptr);
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "vexoapi-data";
        CreateDirectoryA(dir_.c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\src").c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\src\\deep").c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\out").c_str(), nullptr);
    }
    void TearDown() override {
        if (device_) E().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(device_);
        if (E().Counter("init.active")) E().Get<int(WINAPI*)()>("VexoDone")();
        EXPECT_EQ(E().Counter("check.failures"), expectedCheckFailures_) << E().Text("check.last");
        EXPECT_EQ(E().Counter("outstanding.isoitem"), 0);
        EXPECT_EQ(E().Counter("outstanding.isotrack"), 0);
        EXPECT_EQ(E().Counter("outstanding.text"), 0);
    }

    // Configures one device with `deviceKeys`, initialises and opens it.
    void Start(const std::string& deviceKeys) {
        if (device_) E().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(device_);
        device_ = nullptr;
        ASSERT_EQ(E().Configure("[Device]\nName=Data Writer\n" + deviceKeys + "\n"), 0);
        std::vector<std::uint8_t> init(8 * P + 8, 0);
        static const char maker[] = "Quarn", product[] = "data test", language[] = "english.txt";
        SetPtr(init.data(), P, product);
        SetPtr(init.data(), 2 * P, maker);
        SetPtr(init.data(), 3 * P, language);
        SetPtr(init.data(), 4 * P, reinterpret_cast<const void*>(&Idle));
        gIdleAnswer = 0;
        ASSERT_EQ(E().Get<int(WINAPI*)(const void*, const char*)>("VexoInit")(init.data(), ""), 0);
        auto* list = static_cast<const std::uint8_t*>(E().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
        ASSERT_NE(list, nullptr);
        std::vector<std::uint8_t> entry(list + 4, list + 4 + kEntrySize);
        E().FreeMem(list);
        device_ = E().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(entry.data());
        ASSERT_NE(device_, nullptr);
    }

    // Burns a type 0 compilation holding only the data track.
    int Burn(void* track, std::uint32_t audioTracks = 0) {
        std::vector<std::uint8_t> record(isoaudio::Size, 0);
        SetPtr(record.data(), isoaudio::DataTrack, track);
        Set32(record.data(), isoaudio::TrackCount, audioTracks);
        return E().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn")(device_, 0, record.data(), 4, 0,
                                                                                                nullptr);
    }

    int InitRecorder(const std::string& path) {
        return E().Get<int(WINAPI*)(void*, const char*, int, int, int)>("VexoInitImageRecorder")(
            device_, path.empty() ? nullptr : path.c_str(), 0, 1, 0);
    }

    // Imports a track of the device's medium; the volume name lands in *volume.
    void* Import(int track, int flags, int* result, std::string* volume = nullptr) {
        std::vector<std::uint8_t> info(8 + P, 0);
        Set32(info.data(), 0, static_cast<std::uint32_t>(P == 4 ? 8 : 16));
        void* stamp = reinterpret_cast<void*>(1);
        void* first = E().Get<void*(WINAPI*)(void*, int, void**, void*, int, int*, int)>("VexoImportDataTrack")(
            device_, track, &stamp, info.data(), flags, result, 0);
        EXPECT_EQ(stamp, nullptr);
        const char* name = static_cast<const char*>(PtrAt(info.data(), P == 4 ? 4 : 8));
        if (volume) *volume = name ? name : "<null>";
        if (name) {
            EXPECT_EQ(E().FreeMem(name), 0);
        }
        return first;
    }

    std::string dir_;
    void* device_ = nullptr;
    int expectedCheckFailures_ = 0;
};

// ---- burns -------------------------------------------------------------------------

TEST_F(DataDiscTest, ABurnWithARecorderWritesTheTrackAsAnIsoImageWithItsTreeTextsAndBytes) {
    const std::string target = dir_ + "\\out\\first";  // ".iso" is appended
    DeleteFileA((target + ".iso").c_str());
    Start("Recorder=" + target);
    const std::string longName = std::string(70, 'L') + " name.txt";
    const std::string longerName = std::string(253, 'n');  // beyond the inline field: behind the long pointer
    WriteFileBytes(dir_ + "\\src\\a.txt", Pattern(5000, 1));
    WriteFileBytes(dir_ + "\\src\\deep\\" + longName, Pattern(2048 * 3, 2));
    WriteFileBytes(dir_ + "\\src\\empty.bin", "");
    WriteFileBytes(dir_ + "\\src\\wrapped.dat", Pattern(1, 3));
    // A source path beyond the inline field (through "." steps), behind the long pointer.
    std::string longSource = dir_ + "\\src";
    while (longSource.size() < 248) longSource += "\\.";
    longSource += "\\a.txt";

    Items items;
    void* docs = items.Make("docs", true);
    void* sub = items.Make("sub", true);
    void* emptyFolder = items.Make("nothing here", true);
    void* a = items.Make("a.txt", false, dir_ + "\\src\\a.txt");
    void* b = items.Make(longName, false, dir_ + "\\src\\deep\\" + longName);
    void* c = items.Make(longerName, false, longSource);
    void* z = items.Make("zero.bin", false, dir_ + "\\src\\empty.bin");
    void* w = items.Make("wrapped.dat", false, dir_ + "\\src\\wrapped.dat");
    // a.txt's entry time: 2024-05-17 10:20:30 local.
    const int tm[9] = {30, 20, 10, 17, 4, 124, 5, 137, -1};
    for (int i = 0; i < 9; ++i) Set32(a, item::EntryTime + 4 * i, static_cast<std::uint32_t>(tm[i]));
    items.Chain({b}, sub);
    items.Chain({sub, emptyFolder, a}, docs);
    items.Own(items.Chain({docs, c, z}));
    items.Own(items.Chain({w}));

    TrackArguments arguments(docs, w, "Data Volume", 1 | 4);
    void* track = E().MakeTrack(arguments.bytes.data());
    ASSERT_NE(track, nullptr);
    ASSERT_EQ(Burn(track), 0) << E().LastError();
    ASSERT_TRUE(Exists(target + ".iso"));
    EXPECT_FALSE(Exists(target + ".iso.part"));
    EXPECT_EQ(E().Counter("dataimage.written"), 1);
    EXPECT_EQ(E().Text("dataimage.path"), target + ".iso");

    iso9660::FileSectorSource src(target + ".iso");
    iso9660::Volume v = iso9660::Read(src);
    EXPECT_EQ(v.sectors, src.SectorCount());
    EXPECT_EQ(static_cast<int>(v.sectors), E().Counter("dataimage.sectors"));
    EXPECT_TRUE(v.hasJoliet);
    EXPECT_TRUE(v.hasRockRidge);
    EXPECT_EQ(v.name, "DATA_VOLUME");
    EXPECT_EQ(v.jolietName, "Data Volume");
    EXPECT_EQ(v.publisher, "QUARN PUBLISHING");
    EXPECT_EQ(v.dataPreparer, "DATA RECORDER");
    EXPECT_EQ(Describe(v.root), "docs/[ a.txt nothing here/[ ] sub/[ " + longName + " ] ] " + longerName +
                                    " wrapped.dat zero.bin")
        << "Rock Ridge names";
    const iso9660::Node* docsNode = v.root.Find("docs");
    ASSERT_NE(docsNode, nullptr);
    const iso9660::Node* aNode = docsNode->Find("a.txt");
    ASSERT_NE(aNode, nullptr);
    EXPECT_EQ(FileContents(src, *aNode), Pattern(5000, 1));
    std::tm local{30, 20, 10, 17, 4, 124, 0, 0, -1};
    EXPECT_EQ(aNode->mtime, static_cast<std::int64_t>(std::mktime(&local))) << "the local entry time, kept as UTC";
    EXPECT_EQ(FileContents(src, *docsNode->Find("sub")->Find(longName)), Pattern(2048 * 3, 2));
    EXPECT_EQ(FileContents(src, *v.root.Find(longerName)), Pattern(5000, 1)) << "read through the long source path";
    EXPECT_EQ(FileContents(src, *v.root.Find("wrapped.dat")), Pattern(1, 3)) << "the wrapper root's items";
    EXPECT_EQ(v.root.Find("zero.bin")->size, 0u);

    // The estimate is the image's size; its two parts add up to it.
    std::vector<std::uint8_t> options = EstimateOptions();
    EXPECT_EQ(E().Estimate(track, 4, options.data()), static_cast<int>(v.sectors));
    EXPECT_EQ(E().Estimate(track, 0, options.data()), static_cast<int>(v.sectors));
    const int data = E().Estimate(track, 2, options.data());
    EXPECT_EQ(data, 3 + 3 + 3 + 1) << "a.txt twice (3 sectors each), the long file 3, wrapped.dat 1, zero.bin none";
    EXPECT_EQ(E().Estimate(track, 1, options.data()) + data, static_cast<int>(v.sectors));
    EXPECT_EQ(E().Estimate(track, 1 | 4, options.data()) + data, static_cast<int>(v.sectors));
    E().FreeTrack(track);
}

TEST_F(DataDiscTest, TheRecorderPathComesFromTheDeviceAndOptionsChooseTheNames) {
    Start("");
    WriteFileBytes(dir_ + "\\src\\a.txt", Pattern(100, 4));
    Items items;
    void* a = items.Make("Mixed Case Name.txt", false, dir_ + "\\src\\a.txt");
    items.Own(a);
    TrackArguments arguments(a, nullptr, "plain", 0);
    void* track = E().MakeTrack(arguments.bytes.data());

    // No recorder: the burn is what it always was, no image.
    EXPECT_EQ(Burn(track), 0);
    EXPECT_EQ(E().Counter("dataimage.written"), 0);

    // The recorder path of the device; a name ending in .ISO is kept.
    const std::string target = dir_ + "\\out\\Plain.ISO";
    DeleteFileA(target.c_str());
    ASSERT_EQ(InitRecorder(target), 0);
    EXPECT_EQ(Burn(track), 0) << E().LastError();
    ASSERT_TRUE(Exists(target));
    {
        iso9660::FileSectorSource src(target);
        iso9660::Volume v = iso9660::Read(src);
        EXPECT_FALSE(v.hasJoliet);
        EXPECT_FALSE(v.hasRockRidge);
        EXPECT_EQ(Describe(v.root), "MIXED_CASE_NAME.TXT") << "without options: ISO 9660 names only";
        EXPECT_EQ(v.name, "PLAIN");
    }
    // A compilation with audio tracks is not a data disc image; an aborted burn writes none.
    EXPECT_TRUE(DeleteFileA(target.c_str()));
    Burn(track, 1);
    EXPECT_FALSE(Exists(target));
    gIdleAnswer = 1;
    EXPECT_EQ(Burn(track), 6);
    gIdleAnswer = 0;
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));
    EXPECT_EQ(E().Counter("dataimage.written"), 1);

    // Joliet alone; the wrapper given as the root itself adds nothing.
    E().FreeTrack(track);
    TrackArguments joliet(a, a, "joliet", 1);
    track = E().MakeTrack(joliet.bytes.data());
    EXPECT_EQ(Burn(track), 0);
    {
        iso9660::FileSectorSource src(target);
        iso9660::Volume v = iso9660::Read(src);
        EXPECT_TRUE(v.hasJoliet);
        EXPECT_FALSE(v.hasRockRidge);
        EXPECT_EQ(Describe(v.root), "Mixed Case Name.txt");
    }
    E().FreeTrack(track);
}

TEST_F(DataDiscTest, ARelativeRecorderTargetIsTakenFromTheEnginesFolder) {
    const std::string target = ProgramFolder() + "\\vexoapi-v2\\relative target.iso";
    DeleteFileA(target.c_str());
    Start("Recorder=relative target");
    WriteFileBytes(dir_ + "\\src\\a.txt", Pattern(10, 6));
    Items items;
    void* a = items.Make("a.txt", false, dir_ + "\\src\\a.txt");
    items.Own(a);
    TrackArguments arguments(a, nullptr, "R", 5);
    void* track = E().MakeTrack(arguments.bytes.data());
    EXPECT_EQ(Burn(track), 0) << E().LastError();
    EXPECT_EQ(E().Text("dataimage.path"), target);
    EXPECT_TRUE(DeleteFileA(target.c_str()));
    E().FreeTrack(track);
}

TEST_F(DataDiscTest, RefusedAndFailedBurnsAnswerThreeWithAnErrorLineAndLeaveTheTargetAlone) {
    const std::string target = dir_ + "\\out\\refused.iso";
    Start("Recorder=" + target);
    WriteFileBytes(target, "an earlier image");
    WriteFileBytes(dir_ + "\\src\\a.txt", Pattern(10, 5));
    Items items;
    void* a = items.Make("a.txt", false, dir_ + "\\src\\a.txt");
    items.Own(a);
    auto burnWith = [&](void* root, std::uint32_t options) {
        TrackArguments arguments(root, nullptr, "V", options);
        void* track = E().MakeTrack(arguments.bytes.data());
        int result = Burn(track);
        E().FreeTrack(track);
        return result;
    };
    auto untouched = [&] {
        EXPECT_EQ(ReadFileBytes(target), "an earlier image");
        EXPECT_FALSE(Exists(target + ".part"));
    };

    EXPECT_EQ(burnWith(a, 1 | 16), 3);
    EXPECT_EQ(E().LastError(), "The data track asks for a UDF file system; this engine writes ISO 9660 with Joliet and Rock Ridge only");
    untouched();
    EXPECT_EQ(burnWith(a, 32), 3);
    EXPECT_NE(E().LastError().find("an HFS file system"), std::string::npos);
    untouched();

    void* missing = items.Make("gone.txt", false, dir_ + "\\src\\no such file.txt");
    items.Own(missing);
    EXPECT_EQ(burnWith(missing, 5), 3);
    EXPECT_EQ(E().LastError(), "The source file \"" + dir_ + "\\src\\no such file.txt\" of \"gone.txt\" cannot be read");
    untouched();

    // Two entries of one name: the tree is refused by the image writer.
    void* twin = items.Make("a.txt", false, dir_ + "\\src\\a.txt");
    void* first = items.Make("a.txt", false, dir_ + "\\src\\a.txt");
    SetPtr(first, item::Next, twin);
    items.Own(first);
    EXPECT_EQ(burnWith(first, 5), 3);
    EXPECT_EQ(E().LastError().rfind("The data track cannot be written as ISO 9660: ", 0), 0u) << E().LastError();
    untouched();

    // A folder that cannot take the image: the write fails, nothing is left.
    const std::string nowhere = dir_ + "\\out\\no folder\\x.iso";
    ASSERT_EQ(InitRecorder(nowhere), 0);
    EXPECT_EQ(burnWith(a, 5), 3);
    EXPECT_EQ(E().LastError().rfind("The image \"" + nowhere + "\" cannot be written", 0), 0u) << E().LastError();
    EXPECT_FALSE(Exists(nowhere));
    ASSERT_EQ(InitRecorder(""), 0);  // back to the Recorder= key
    EXPECT_EQ(E().Counter("dataimage.refused"), 5);

    // Chains the engine did not make or that loop are check failures, never a crash.
    void* loop = items.Make("loop", true);
    items.Own(loop);
    SetPtr(loop, item::FirstChild, loop);
    EXPECT_EQ(burnWith(loop, 5), 3);
    std::vector<std::uint8_t> foreign(item::Size, 0);
    void* holder = items.Make("holder", true);
    items.Own(holder);
    SetPtr(holder, item::FirstChild, foreign.data());
    EXPECT_EQ(burnWith(holder, 5), 3);
    untouched();
    SetPtr(holder, item::FirstChild, nullptr);
    SetPtr(loop, item::FirstChild, nullptr);
    expectedCheckFailures_ = 2;

    EXPECT_EQ(burnWith(a, 5), 0) << "a good tree replaces the earlier image";
    EXPECT_NE(ReadFileBytes(target), "an earlier image");
}

TEST_F(DataDiscTest, EstimatesAnswerMinusOneForWhatIsNoTrackOfThisEngine) {
    Start("");
    std::vector<std::uint8_t> options = EstimateOptions();
    EXPECT_EQ(E().Estimate(nullptr, 4, options.data()), -1);
    EXPECT_EQ(E().Counter("check.failures"), 0) << "no track is no mistake";
    int notATrack = 0;
    EXPECT_EQ(E().Estimate(&notATrack, 4, options.data()), -1);
    Set32(options.data(), 0, 150);
    Items items;
    void* empty = items.Make("empty", true);
    items.Own(empty);
    TrackArguments arguments(empty, nullptr, "E", 0);
    void* track = E().MakeTrack(arguments.bytes.data());
    EXPECT_EQ(E().Estimate(track, 4, options.data()), -1) << "options with a wrong size";
    options = EstimateOptions();
    const int blocks = E().Estimate(track, 4, options.data());
    EXPECT_GT(blocks, 16) << "an image with one empty folder still has its descriptors";
    EXPECT_EQ(E().Estimate(track, 2, options.data()), 0);
    E().FreeTrack(track);
    EXPECT_EQ(E().Estimate(track, 4, options.data()), -1) << "a track freed before";
    expectedCheckFailures_ = 3;
}

// ---- import ------------------------------------------------------------------------

// The image the import tests read: Rock Ridge, Joliet, a name beyond the
// inline field, an empty folder, a dated file.
constexpr std::int64_t kDated = 1715941230;  // 2024-05-17 10:20:30 UTC
iso9660::Node ImportTree() {
    using iso9660::Node;
    auto bytes = [](std::size_t n) {
        return iso9660::Source::FromProducer([n](std::uint64_t offset, std::span<std::uint8_t> out) {
            std::size_t k = std::min<std::size_t>(out.size(), n - offset);
            std::memset(out.data(), 'x', k);
            return k;
        });
    };
    Node root = Node::Directory("");
    Node docs = Node::Directory("Docs", kDated);
    docs.children.push_back(Node::Directory("empty"));
    docs.children.push_back(Node::File("read me.txt", 10, kDated, bytes(10)));
    root.children.push_back(std::move(docs));
    root.children.push_back(Node::File(std::string(253, 'q'), 3000, kDated, bytes(3000)));
    return root;
}

void WriteImportImage(const std::string& path) {
    iso9660::WriterOptions o;
    o.volumeName = "Imported Vol";
    iso9660::WriteFile(ImportTree(), o, path);
}

TEST_F(DataDiscTest, AnImportReadsTheIsoMediumIntoEngineItemsWithTheNamesItsFlagsAskFor) {
    const std::string iso = dir_ + "\\import.iso";
    WriteImportImage(iso);
    Start("Medium=" + iso);
    int result = -1;
    std::string volume;
    void* first = Import(1, 1, &result, &volume);
    ASSERT_EQ(result, 0) << E().LastError();
    EXPECT_EQ(volume, "IMPORTED_VOL");
    const std::string q(253, 'q');
    EXPECT_EQ(E().DescribeItems(first), "Docs/[ empty/[ ] read me.txt ] " + q);
    EXPECT_EQ(E().Counter("import.items"), 4);
    // Items as the server reads them: folders flagged with user data, no
    // source path, the long name behind its pointer, local entry times.
    EXPECT_EQ(U32(first, item::IsDirectory), 1u);
    EXPECT_NE(PtrAt(first, item::UserData), nullptr);
    void* readMe = PtrAt(PtrAt(first, item::FirstChild), item::Next);
    EXPECT_EQ(std::string(static_cast<const char*>(readMe)), "read me.txt");
    EXPECT_EQ(static_cast<const char*>(readMe)[item::SourcePath], '\0');
    std::tm t{};
    for (int i = 0; i < 6; ++i) (&t.tm_sec)[i] = static_cast<int>(U32(readMe, item::EntryTime + 4 * i));
    t.tm_isdst = -1;
    EXPECT_EQ(static_cast<std::int64_t>(std::mktime(&t)), kDated);
    void* longItem = PtrAt(first, item::Next);
    EXPECT_EQ(static_cast<const char*>(longItem)[0], '\0');
    EXPECT_EQ(std::string(static_cast<const char*>(PtrAt(longItem, item::LongName))), q);
    E().FreeTree(first);

    // Joliet names (cut at 64 characters) without flags; ISO names with flag 2, also beside 1.
    first = Import(1, 0, &result, &volume);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(volume, "Imported Vol");
    const std::string description = E().DescribeItems(first);
    EXPECT_EQ(description.rfind("Docs/[ empty/[ ] read me.txt ] ", 0), 0u) << description;
    EXPECT_EQ(description.size(), std::string("Docs/[ empty/[ ] read me.txt ] ").size() + 64);
    E().FreeTree(first);
    first = Import(1, 2 | 1, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(E().DescribeItems(first).rfind("DOCS/[ EMPTY/[ ] READ_ME.TXT ] QQQ", 0), 0u) << E().DescribeItems(first);
    E().FreeTree(first);

    // Tracks that do not exist.
    EXPECT_EQ(Import(99, 1, &result), nullptr);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(Import(2, 1, &result), nullptr);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(Import(0, 1, &result), nullptr);
    EXPECT_EQ(result, 5);
}

TEST_F(DataDiscTest, AnImportFindsTheDataTrackOfABinCueMediumByItsNumber) {
    // Track 1: 300 audio sectors; track 2: the ISO as raw Mode 1 sectors.
    const std::string iso = dir_ + "\\import.iso";
    WriteImportImage(iso);
    const std::string data = ReadFileBytes(iso);
    std::string bin(300 * 2352, '\x11');
    for (std::size_t s = 0; s < data.size() / 2048; ++s) {
        std::string raw(2352, '\0');
        std::memset(raw.data() + 1, 0xFF, 10);
        raw[15] = 1;
        std::memcpy(raw.data() + 16, data.data() + s * 2048, 2048);
        bin += raw;
    }
    WriteFileBytes(dir_ + "\\mixed.bin", bin);
    WriteFileBytes(dir_ + "\\mixed.cue", "FILE \"mixed.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                          "  TRACK 02 MODE1/2352\n    INDEX 01 00:04:00\n");
    Start("Medium=" + dir_ + "\\mixed.cue");
    int result = -1;
    std::string volume;
    void* first = Import(2, 4, &result, &volume);
    ASSERT_EQ(result, 0) << E().LastError();
    EXPECT_EQ(volume, "IMPORTED_VOL");
    EXPECT_EQ(E().DescribeItems(first), "Docs/[ empty/[ ] read me.txt ] " + std::string(253, 'q'));
    E().FreeTree(first);
    EXPECT_EQ(Import(1, 1, &result), nullptr);
    EXPECT_EQ(result, 4) << "an audio track has no file system";
    EXPECT_EQ(Import(3, 1, &result), nullptr);
    EXPECT_EQ(result, 5);
}

TEST_F(DataDiscTest, AnImportWithoutAReadableMediumSaysWhy) {
    Start("");
    int result = -1;
    EXPECT_EQ(Import(1, 1, &result), nullptr);
    EXPECT_EQ(result, 2) << "no medium";
    EXPECT_EQ(E().LastError(), "There is no medium in the drive");

    WriteFileBytes(dir_ + "\\zeros.iso", std::string(40 * 2048, '\0'));
    Start("Medium=" + dir_ + "\\zeros.iso");
    EXPECT_EQ(Import(1, 1, &result), nullptr);
    EXPECT_EQ(result, 4) << "no file system";
    EXPECT_EQ(E().LastError().rfind("Track 1 holds no readable ISO 9660 file system", 0), 0u) << E().LastError();

    Start("Medium=" + dir_ + "\\not there.iso");
    EXPECT_EQ(Import(1, 1, &result), nullptr);
    EXPECT_EQ(result, 2);

    // A null result pointer and a null info record are fine.
    Start("Medium=synthetic:100");
    EXPECT_EQ(E().Get<void*(WINAPI*)(void*, int, void**, void*, int, int*, int)>("VexoImportDataTrack")(device_, 1, nullptr,
                                                                                                      nullptr, 1, nullptr, 0),
              nullptr);
    EXPECT_EQ(E().Counter("import.result"), 4);
}

}  // namespace

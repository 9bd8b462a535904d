// Files, folders, the data track and its options as the server's own
// objects, in-process against the simulated engine of bin/engine (held
// loaded by the test so that its counters outlive the server's unloads).
// Items are read with this file's own offsets; the engine's view of a tree
// comes from its describe export. After every test no ISO item may be left
// and no block may have been freed wrongly.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <ctime>
#include <string>

#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "compilation/AdoptionSteps.h"
#include "compilation/IsoTrackArguments.h"
#include "compilation/VexoFile.h"
#include "compilation/VexoFileSystemTrackOptions.h"
#include "compilation/VexoFiles.h"
#include "compilation/VexoFolder.h"
#include "compilation/VexoFolders.h"
#include "compilation/VexoISOTrack.h"
#include "compilation/VexoImportDataTrackInfo.h"
#include "drives/VexoCDStamp.h"
#include "engineobject/EngineState.h"
#include "engineobject/VexoObject.h"

// Inside the server's namespace: the type library's coclasses share the
// class names at global scope.
namespace vexo {
namespace {

using com::ComPtr;

constexpr HRESULT kLocked = static_cast<HRESULT>(0x80040211);          // message 529
constexpr HRESULT kNotInitialised = static_cast<HRESULT>(0x80040201);  // message 513

// --- the item, with this test's own offsets ----------------------------------
constexpr std::size_t P = sizeof(void*);
constexpr std::size_t Align(std::size_t v) { return (v + P - 1) / P * P; }
namespace item {
constexpr std::size_t LongName = Align(252);
constexpr std::size_t IsDirectory = LongName + P;
constexpr std::size_t SourcePath = IsDirectory + 8;
constexpr std::size_t LongSourcePath = Align(SourcePath + 252);
constexpr std::size_t FirstChild = LongSourcePath + P;
constexpr std::size_t Next = FirstChild + P;
constexpr std::size_t UserData = Next + P;
constexpr std::size_t EntryTime = UserData + P + 12;
static_assert(P != 4 || (LongName == 252 && SourcePath == 264 && LongSourcePath == 516 && FirstChild == 520 &&
                         Next == 524 && UserData == 528 && EntryTime == 544));
}  // namespace item
namespace args {  // the creation arguments: 52 bytes on i686
constexpr std::size_t RootFirst = P, WrapperFirst = 2 * P, VolumeName = 3 * P, BurnOptions = 4 * P;
constexpr std::size_t Text(int i) { return Align(4 * P + 4) + static_cast<std::size_t>(i) * P; }  // 0..7
constexpr std::size_t Size = Text(8);
static_assert(P != 4 || (Text(0) == 20 && Text(7) == 48 && Size == 52));
}  // namespace args

const uint8_t* Bytes(const void* p) { return static_cast<const uint8_t*>(p); }
int32_t I32(const void* p, std::size_t offset) {
    int32_t v;
    std::memcpy(&v, Bytes(p) + offset, 4);
    return v;
}
void* Ptr(const void* p, std::size_t offset) {
    void* v;
    std::memcpy(&v, Bytes(p) + offset, P);
    return v;
}
std::string Inline(const void* p, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(Bytes(p) + offset),
                       strnlen(reinterpret_cast<const char*>(Bytes(p) + offset), 252));
}

// --- the simulated engine ---------------------------------------------------
std::string EngineFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\')) + "\\engine";
}
HMODULE Sim() {
    static HMODULE engine = LoadLibraryA((EngineFolder() + "\\VexoAPI.dll").c_str());
    return engine;
}
template <class Fn>
Fn SimProc(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Sim(), name)));
}
int Counter(const char* name) { return SimProc<int(WINAPI*)(const char*)>("VexoSimGetCounter")(name); }
std::string Describe(void* first) {
    char buffer[1024];
    int n = SimProc<int(WINAPI*)(void*, char*, int)>("VexoSimDescribeIsoTree")(first, buffer, sizeof buffer);
    return n < 0 ? "<failed>" : buffer;
}
void* BuildTree(const char* text) { return SimProc<void*(WINAPI*)(const char*)>("VexoSimBuildIsoTree")(text); }

// --- helpers ------------------------------------------------------------------
BSTR B(const std::wstring& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }
struct OwnedBstr {
    BSTR b = nullptr;
    ~OwnedBstr() { SysFreeString(b); }
    std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : L""; }
};
template <class Obj>
std::wstring NameOf(Obj* o) {
    OwnedBstr s;
    EXPECT_EQ(o->get_Name(&s.b), S_OK);
    return s.str();
}
template <class Obj>
HRESULT SetName(Obj* o, const std::wstring& name) {
    BSTR b = B(name);
    HRESULT hr = o->put_Name(b);
    SysFreeString(b);
    return hr;
}
ComPtr<VexoFile> File(const wchar_t* name) {
    ComPtr<VexoFile> f = VexoFile::Make();
    EXPECT_EQ(SetName(f.get(), name), S_OK);
    return f;
}
ComPtr<VexoFolder> Folder(const wchar_t* name) {
    ComPtr<VexoFolder> f = VexoFolder::Make();
    EXPECT_EQ(SetName(f.get(), name), S_OK);
    return f;
}
ComPtr<VexoFolders> FoldersOf(VexoFolder* f) {
    ComPtr<VexoFolders> c;
    EXPECT_EQ(f->FoldersCollection(c), S_OK);
    return c;
}
ComPtr<VexoFiles> FilesOf(VexoFolder* f) {
    ComPtr<VexoFiles> c;
    EXPECT_EQ(f->FilesCollection(c), S_OK);
    return c;
}

// Some implementation of an interface that is not one of the server's objects.
struct Foreign final : IDispatch {
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IDispatch)) {
            *out = this;
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    template <class I>
    I* As() {
        return reinterpret_cast<I*>(static_cast<IDispatch*>(this));
    }
};

class FileTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Sim(), nullptr) << EngineFolder();
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_EQ(SimProc<int(WINAPI*)(const char*)>("VexoSimConfigure")(""), 0);
        engine::SetFilesPath(EngineFolder());
    }
    void TearDown() override {
        // Every object of the test is gone by now.
        EXPECT_EQ(engine::UseCount(), 0);
        EXPECT_EQ(Counter("outstanding.isoitem"), 0);
        EXPECT_EQ(Counter("free.wrongkind"), 0);
        EXPECT_EQ(Counter("free.bad"), 0);
        EXPECT_EQ(Counter("check.failures"), 0);
        engine::SetFilesPath("");
        CoUninitialize();
    }
};

// --- the item ---------------------------------------------------------------------

TEST_F(FileTreeTest, NamesAndPathsSitInlineUpTo251BytesAndBehindThePointerBeyond) {
    ComPtr<VexoFile> file = VexoFile::Make();
    ComPtr<VexoFolder> folder = VexoFolder::Make();
    void* fi = file->Item().get();
    ASSERT_NE(fi, nullptr);
    ASSERT_NE(folder->Item().get(), nullptr);
    EXPECT_EQ(I32(fi, item::IsDirectory), 0);
    EXPECT_EQ(I32(folder->Item().get(), item::IsDirectory), 1);
    EXPECT_EQ(Ptr(fi, item::FirstChild), nullptr);
    EXPECT_EQ(Ptr(fi, item::Next), nullptr);

    const std::wstring at251(251, L'a'), at252(252, L'b');
    ASSERT_EQ(SetName(file.get(), at251), S_OK);
    EXPECT_EQ(Inline(fi, 0), std::string(251, 'a'));
    EXPECT_EQ(Ptr(fi, item::LongName), nullptr);

    ASSERT_EQ(SetName(file.get(), at252), S_OK);
    EXPECT_EQ(Bytes(fi)[0], 0) << "inline field reads empty";
    ASSERT_NE(Ptr(fi, item::LongName), nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(Ptr(fi, item::LongName))), std::string(252, 'b'));
    EXPECT_EQ(NameOf(file.get()), at252);

    ASSERT_EQ(SetName(file.get(), L"short"), S_OK);
    EXPECT_EQ(Ptr(fi, item::LongName), nullptr) << "back inline, long pointer dropped";
    EXPECT_EQ(NameOf(file.get()), L"short");
    EXPECT_EQ(file->put_Name(nullptr), S_OK);
    EXPECT_EQ(NameOf(file.get()), L"");

    // The source path follows the same rule in its own fields.
    BSTR longPath = B(L"C:\\" + std::wstring(260, L'p'));
    ASSERT_EQ(file->put_SourceFilePath(longPath), S_OK);
    EXPECT_EQ(Bytes(fi)[item::SourcePath], 0);
    EXPECT_EQ(std::string(static_cast<const char*>(Ptr(fi, item::LongSourcePath))).size(), 263u);
    OwnedBstr path;
    ASSERT_EQ(file->get_SourceFilePath(&path.b), S_OK);
    EXPECT_EQ(path.str(), std::wstring(longPath));
    SysFreeString(longPath);
    BSTR shortPath = B(std::wstring(251, L'q'));
    ASSERT_EQ(file->put_SourceFilePath(shortPath), S_OK);
    SysFreeString(shortPath);
    EXPECT_EQ(Inline(fi, item::SourcePath), std::string(251, 'q'));
    EXPECT_EQ(Ptr(fi, item::LongSourcePath), nullptr);

    ASSERT_EQ(SetName(folder.get(), at252), S_OK);
    EXPECT_EQ(NameOf(folder.get()), at252);

    EXPECT_EQ(file->get_Name(nullptr), E_POINTER);
    EXPECT_EQ(file->get_SourceFilePath(nullptr), E_POINTER);
    EXPECT_EQ(file->get_EntryTime(nullptr), E_POINTER);
    EXPECT_EQ(folder->get_Name(nullptr), E_POINTER);
    EXPECT_EQ(folder->get_Files(nullptr), E_POINTER);
    EXPECT_EQ(folder->get_Folders(nullptr), E_POINTER);
}

TEST_F(FileTreeTest, EntryTimeIsTheCreationTimeAndRoundTripsThroughTheTmFields) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    ComPtr<VexoFile> file = VexoFile::Make();
    void* fi = file->Item().get();
    ASSERT_NE(fi, nullptr);
    EXPECT_EQ(I32(fi, item::EntryTime + 20), local.tm_year);
    EXPECT_EQ(I32(fi, item::EntryTime + 16), local.tm_mon);
    EXPECT_EQ(I32(fi, item::EntryTime + 12), local.tm_mday);
    EXPECT_EQ(I32(fi, item::EntryTime + 28), local.tm_yday);
    DATE fresh = 0;
    ASSERT_EQ(file->get_EntryTime(&fresh), S_OK);
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(fresh, &st));
    EXPECT_EQ(st.wYear, local.tm_year + 1900);
    EXPECT_EQ(st.wHour, local.tm_hour);

    SYSTEMTIME when{2004, 10, 0, 19, 12, 30, 15, 0};
    DATE date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&when, &date));
    ASSERT_EQ(file->put_EntryTime(date), S_OK);
    const int expected[9] = {15, 30, 12, 19, 9, 104, 2 /* a Tuesday */, 292, 0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(I32(fi, item::EntryTime + 4 * i), expected[i]) << "tm field " << i;
    DATE back = 0;
    ASSERT_EQ(file->get_EntryTime(&back), S_OK);
    EXPECT_DOUBLE_EQ(back, date);

    // A date that cannot be broken down changes nothing.
    EXPECT_TRUE(FAILED(file->put_EntryTime(1e10)));
    ASSERT_EQ(file->get_EntryTime(&back), S_OK);
    EXPECT_DOUBLE_EQ(back, date);
}

// --- linking ----------------------------------------------------------------------

TEST_F(FileTreeTest, LinkingShowsSubfoldersFirstThenFilesAndFollowsRemovals) {
    ComPtr<VexoFolder> root = Folder(L"root"), a = Folder(L"A"), b = Folder(L"B"), c = Folder(L"C");
    ComPtr<VexoFile> x = File(L"x"), y = File(L"y"), a1 = File(L"a1");
    // Files added before folders still come after them.
    ASSERT_EQ(FilesOf(root.get())->Add(x.get()), S_OK);
    ASSERT_EQ(FilesOf(root.get())->Add(y.get()), S_OK);
    ASSERT_EQ(FoldersOf(root.get())->Add(a.get()), S_OK);
    ASSERT_EQ(FoldersOf(root.get())->Add(b.get()), S_OK);
    ASSERT_EQ(FilesOf(a.get())->Add(a1.get()), S_OK);
    ASSERT_EQ(FoldersOf(b.get())->Add(c.get()), S_OK);

    root->LinkTree();
    EXPECT_EQ(root->FirstItem(), a->Item().get());
    EXPECT_EQ(Describe(root->FirstItem()), "A/[ a1 ] B/[ C/[ ] ] x y");
    EXPECT_EQ(c->FirstItem(), nullptr) << "an empty folder has no first child";

    ASSERT_EQ(FilesOf(root.get())->Remove(0), S_OK);
    ASSERT_EQ(FoldersOf(root.get())->Remove(0), S_OK);
    root->LinkTree();
    EXPECT_EQ(Describe(root->FirstItem()), "B/[ C/[ ] ] y");
    EXPECT_EQ(Ptr(b->Item().get(), item::Next), y->Item().get());

    ComPtr<VexoFolder> never = VexoFolder::Make();  // collections never read
    never->LinkTree();
    EXPECT_EQ(never->FirstItem(), nullptr);
}

// --- adoption ----------------------------------------------------------------------

// Makes objects as the default does, but the n-th one (1-based, folders and
// files counted together) cannot be made.
class FailingSteps final : public AdoptionSteps {
public:
    explicit FailingSteps(int failAt) : failAt_(failAt) {}
    ComPtr<VexoFolder> MakeFolder() const override {
        return ++made_ == failAt_ ? ComPtr<VexoFolder>() : AdoptionSteps::MakeFolder();
    }
    ComPtr<VexoFile> MakeFile() const override {
        return ++made_ == failAt_ ? ComPtr<VexoFile>() : AdoptionSteps::MakeFile();
    }

private:
    int failAt_;
    mutable int made_ = 0;
};

constexpr const char* kImported = "D/[ d1 d2 E/[ e1 ] ] f1 G/[ g1 ] f2";

TEST_F(FileTreeTest, AnAdoptedTreeBecomesFoldersAndFilesOwningTheItems) {
    ComPtr<VexoFolder> root = VexoFolder::Make();
    void* first = BuildTree(kImported);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(root->AdoptEngineTree(first), S_OK);
    EXPECT_EQ(Counter("outstanding.isoitem"), 9 + 1);  // the tree and root's own item

    ComPtr<VexoFolders> folders = FoldersOf(root.get());
    ComPtr<VexoFiles> files = FilesOf(root.get());
    ASSERT_EQ(folders->ElementCount(), 2);
    ASSERT_EQ(files->ElementCount(), 2);
    VexoFolder* d = folders->Elements()[0].get();
    EXPECT_EQ(NameOf(d), L"D");
    EXPECT_EQ(d->Item().get(), first);
    EXPECT_EQ(Ptr(first, item::UserData), nullptr) << "the engine's user data is cleared";
    EXPECT_EQ(NameOf(files->Elements()[1].get()), L"f2");
    OwnedBstr source;
    ASSERT_EQ(files->Elements()[0]->get_SourceFilePath(&source.b), S_OK);
    EXPECT_EQ(source.str(), L"C:\\src\\f1");

    root->LinkTree();  // the server's order: folders first
    EXPECT_EQ(Describe(root->FirstItem()), "D/[ E/[ e1 ] d1 d2 ] G/[ g1 ] f1 f2");
}

struct AdoptionFailure {
    int failAt;
    int keptItems;           // items owned by objects made before the failure
    const char* linked;      // the adopted part as linked afterwards
};

class AdoptionFailureTest : public FileTreeTest, public ::testing::WithParamInterface<AdoptionFailure> {};

TEST_P(AdoptionFailureTest, StopsThereKeepsWhatWasTakenAndGivesTheRestBack) {
    const AdoptionFailure& p = GetParam();
    ComPtr<VexoFolder> root = VexoFolder::Make();
    void* first = BuildTree(kImported);
    ASSERT_NE(first, nullptr);
    FailingSteps steps(p.failAt);
    EXPECT_EQ(root->AdoptEngineTree(first, steps), E_OUTOFMEMORY);
    EXPECT_EQ(Counter("outstanding.isoitem"), p.keptItems + 1);
    root->LinkTree();
    EXPECT_EQ(Describe(root->FirstItem()), p.linked);
}

// Creation order: D 1, d1 2, d2 3, E 4, e1 5, f1 6, G 7, g1 8, f2 9. A
// folder whose own adoption failed stays without an item and is not linked.
INSTANTIATE_TEST_SUITE_P(Midway, AdoptionFailureTest,
                         ::testing::Values(AdoptionFailure{1, 0, ""},
                                           AdoptionFailure{4, 2, ""},  // in D: E fails, D gives up
                                           AdoptionFailure{5, 2, ""},  // e1 fails: E, then D give up
                                           AdoptionFailure{6, 5, "D/[ E/[ e1 ] d1 d2 ]"},
                                           AdoptionFailure{9, 8, "D/[ E/[ e1 ] d1 d2 ] G/[ g1 ] f1"}),
                         [](const ::testing::TestParamInfo<AdoptionFailure>& info) {
                             return "FailingAt" + std::to_string(info.param.failAt);
                         });

// --- the tree rule ------------------------------------------------------------------

TEST_F(FileTreeTest, AFolderIsNeverAddedIntoItsOwnSubtree) {
    ComPtr<VexoFolder> a = Folder(L"A"), b = Folder(L"B"), c = Folder(L"C"), d = Folder(L"D");
    ASSERT_EQ(FoldersOf(a.get())->Add(b.get()), S_OK);
    ASSERT_EQ(FoldersOf(b.get())->Add(c.get()), S_OK);
    EXPECT_EQ(FoldersOf(a.get())->Add(a.get()), E_INVALIDARG) << "itself";
    EXPECT_EQ(FoldersOf(c.get())->Add(a.get()), E_INVALIDARG) << "an ancestor";
    EXPECT_EQ(FoldersOf(c.get())->Add(d.get()), S_OK);
    EXPECT_EQ(FoldersOf(d.get())->Add(a.get()), E_INVALIDARG) << "the root, from deeper down";
    EXPECT_EQ(a->Marks().member, 0) << "a refused folder is not marked";
    EXPECT_EQ(FoldersOf(c.get())->ElementCount(), 1);

    // The collection outlives its folder without pointing at it.
    ComPtr<VexoFolders> orphan = FoldersOf(d.get());
    ASSERT_EQ(FoldersOf(c.get())->Remove(0), S_OK);
    d = nullptr;
    ComPtr<VexoFolder> e = Folder(L"E");
    EXPECT_EQ(orphan->Add(e.get()), S_OK);

    Foreign foreign;
    EXPECT_EQ(FoldersOf(a.get())->Add(foreign.As<IVexoFolder>()), E_INVALIDARG);
    EXPECT_EQ(FilesOf(a.get())->Add(foreign.As<IVexoFile>()), E_INVALIDARG);
}

// --- locks -----------------------------------------------------------------------

TEST_F(FileTreeTest, ALockedTrackRefusesChangesAtEveryLevelAndAnswersGetters) {
    ComPtr<VexoISOTrack> track = VexoISOTrack::Make();
    ComPtr<IVexoFolder> rootItf;
    ASSERT_EQ(track->get_RootFolder(rootItf.put()), S_OK);
    VexoFolder* root = track->Root();
    ComPtr<VexoFolder> a = Folder(L"A");
    ComPtr<VexoFile> x = File(L"x"), spare = File(L"spare");
    ComPtr<VexoFolder> spareFolder = Folder(L"spare");
    ASSERT_EQ(FoldersOf(root)->Add(a.get()), S_OK);
    ASSERT_EQ(FilesOf(a.get())->Add(x.get()), S_OK);

    ASSERT_TRUE(track->TryLock());
    EXPECT_FALSE(track->TryLock()) << "a second operation is refused";
    ComPtr<VexoISOTrack> other = VexoISOTrack::Make();
    ASSERT_EQ(other->putref_RootFolder(a.get()), S_OK);
    EXPECT_FALSE(other->TryLock()) << "a tree shared with a running operation";
    ComPtr<VexoISOTrack> third = VexoISOTrack::Make();
    ComPtr<VexoFolder> freeRoot = Folder(L"free");
    ASSERT_EQ(third->putref_RootFolder(freeRoot.get()), S_OK);
    ASSERT_EQ(third->putref_RootFolderWrapper(a.get()), S_OK);
    EXPECT_FALSE(third->TryLock()) << "its second root is in use";
    EXPECT_FALSE(freeRoot->TreeLocked()) << "the first root is let go again";
    EXPECT_FALSE(third->IsLocked());

    EXPECT_EQ(SetName(track.get(), L"V"), kLocked);
    EXPECT_EQ(track->put_BurnOptions(VEXO_BURN_OPTION_USE_JOLIET), kLocked);
    EXPECT_EQ(track->putref_RootFolder(spareFolder.get()), kLocked);
    EXPECT_EQ(track->putref_RootFolderWrapper(spareFolder.get()), kLocked);
    EXPECT_EQ(SetName(root, L"r"), kLocked);
    EXPECT_EQ(SetName(a.get(), L"a"), kLocked);
    EXPECT_EQ(SetName(x.get(), L"y"), kLocked);
    EXPECT_EQ(x->put_SourceFilePath(nullptr), kLocked);
    EXPECT_EQ(x->put_EntryTime(40000.0), kLocked);
    EXPECT_EQ(FoldersOf(root)->Add(spareFolder.get()), kLocked);
    EXPECT_EQ(FoldersOf(root)->Remove(0), kLocked);
    EXPECT_EQ(FilesOf(root)->Add(spare.get()), kLocked);
    EXPECT_EQ(FilesOf(a.get())->Add(spare.get()), kLocked);
    EXPECT_EQ(FilesOf(a.get())->Remove(0), kLocked);
    EXPECT_EQ(FoldersOf(a.get())->Add(spareFolder.get()), kLocked);

    EXPECT_EQ(NameOf(a.get()), L"A");
    EXPECT_EQ(NameOf(x.get()), L"x");
    LONG count = 0;
    EXPECT_EQ(FilesOf(a.get())->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    ComPtr<IVexoFile> got;
    EXPECT_EQ(FilesOf(a.get())->Item(0, got.put()), S_OK);
    VEXO_BURN_OPTIONS options{};
    EXPECT_EQ(track->get_BurnOptions(&options), S_OK);

    track->Unlock();
    EXPECT_EQ(SetName(x.get(), L"y"), S_OK);
    EXPECT_EQ(FilesOf(a.get())->Add(spare.get()), S_OK);
    EXPECT_EQ(SetName(track.get(), L"V"), S_OK);
    EXPECT_FALSE(root->TreeLocked());
    EXPECT_TRUE(other->TryLock()) << "free again";
    EXPECT_FALSE(track->TryLock());
    other->Unlock();
}

TEST_F(FileTreeTest, TheSameFolderAsBothRootsLocksOnce) {
    ComPtr<VexoISOTrack> track = VexoISOTrack::Make();
    ComPtr<VexoFolder> root = Folder(L"R");
    ASSERT_EQ(track->putref_RootFolder(root.get()), S_OK);
    ASSERT_EQ(track->putref_RootFolderWrapper(root.get()), S_OK);
    ASSERT_TRUE(track->TryLock());
    EXPECT_TRUE(root->IsLocked());
    track->Unlock();
    EXPECT_FALSE(root->TreeLocked());
}

// --- the data track --------------------------------------------------------------

TEST_F(FileTreeTest, TrackPropertiesKeepWhatIsSetAndRootsAreMadeOnce) {
    ComPtr<VexoISOTrack> track = VexoISOTrack::Make();
    ComPtr<IVexoISOTrack> v1;
    ASSERT_EQ(track->QueryInterface(IID_IVexoISOTrack, v1.put_void()), S_OK);

    using Get = HRESULT (STDMETHODCALLTYPE VexoISOTrack::*)(BSTR*);
    using Put = HRESULT (STDMETHODCALLTYPE VexoISOTrack::*)(BSTR);
    const std::pair<Get, Put> texts[] = {
        {&VexoISOTrack::get_Name, &VexoISOTrack::put_Name},
        {&VexoISOTrack::get_SystemIdentifier, &VexoISOTrack::put_SystemIdentifier},
        {&VexoISOTrack::get_VolumeSet, &VexoISOTrack::put_VolumeSet},
        {&VexoISOTrack::get_Publisher, &VexoISOTrack::put_Publisher},
        {&VexoISOTrack::get_DataPreparer, &VexoISOTrack::put_DataPreparer},
        {&VexoISOTrack::get_Application, &VexoISOTrack::put_Application},
        {&VexoISOTrack::get_Copyright, &VexoISOTrack::put_Copyright},
        {&VexoISOTrack::get_Abstract, &VexoISOTrack::put_Abstract},
        {&VexoISOTrack::get_Bibliographic, &VexoISOTrack::put_Bibliographic},
    };
    int i = 0;
    for (auto [get, put] : texts) {
        OwnedBstr before;
        ASSERT_EQ((track.get()->*get)(&before.b), S_OK);
        EXPECT_EQ(before.b, nullptr) << "text " << i << " starts unset";
        BSTR value = B(L"text " + std::to_wstring(i));
        ASSERT_EQ((track.get()->*put)(value), S_OK);
        SysFreeString(value);
        EXPECT_EQ((track.get()->*get)(nullptr), E_POINTER);
        ++i;
    }
    for (i = 0; i < 9; ++i) {
        OwnedBstr after;
        ASSERT_EQ((track.get()->*texts[i].first)(&after.b), S_OK);
        EXPECT_EQ(after.str(), L"text " + std::to_wstring(i)) << "each text is its own";
    }
    ASSERT_EQ(track->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(8 | 1 | 16384)), S_OK);
    VEXO_BURN_OPTIONS options{};
    ASSERT_EQ(v1->get_BurnOptions(&options), S_OK);
    EXPECT_EQ(static_cast<int>(options), 8 | 1 | 16384);

    ComPtr<IVexoFolder> first, second, wrapper;
    ASSERT_EQ(v1->get_RootFolder(first.put()), S_OK);
    ASSERT_EQ(track->get_RootFolder(second.put()), S_OK);
    ASSERT_NE(first.get(), nullptr);
    EXPECT_EQ(first.get(), second.get()) << "the same folder twice";
    ASSERT_EQ(track->get_RootFolderWrapper(wrapper.put()), S_OK);
    EXPECT_NE(wrapper.get(), first.get());

    EXPECT_EQ(track->putref_RootFolder(nullptr), E_POINTER);
    EXPECT_EQ(track->putref_RootFolderWrapper(nullptr), E_POINTER);
    Foreign foreign;
    EXPECT_EQ(track->putref_RootFolder(foreign.As<IVexoFolder>()), E_INVALIDARG);
    ComPtr<VexoFile> notAFolder = VexoFile::Make();
    EXPECT_EQ(track->putref_RootFolder(reinterpret_cast<IVexoFolder*>(static_cast<IVexoFile*>(notAFolder.get()))),
              E_INVALIDARG)
        << "another class of this server";
    ComPtr<VexoFolder> mine = VexoFolder::Make();
    ASSERT_EQ(track->putref_RootFolder(mine.get()), S_OK);
    EXPECT_EQ(track->Root(), mine.get());
    EXPECT_EQ(track->get_RootFolder(nullptr), E_POINTER);
}

TEST_F(FileTreeTest, CreationArgumentsCarryLinkedTreesAndNeverANullText) {
    ComPtr<VexoISOTrack> track = VexoISOTrack::Make();
    {
        IsoTrackArguments none;
        EXPECT_FALSE(none.Fill(*track)) << "no root folder, no track";
    }
    ComPtr<IVexoFolder> rootItf;
    ASSERT_EQ(track->get_RootFolder(rootItf.put()), S_OK);
    ASSERT_EQ(SetName(track.get(), L"DATA"), S_OK);
    BSTR publisher = B(L"Pub");
    ASSERT_EQ(track->put_Publisher(publisher), S_OK);
    SysFreeString(publisher);
    ASSERT_EQ(track->put_BurnOptions(VEXO_BURN_OPTION_CREATE_ISO_FS), S_OK);

    IsoTrackArguments empty;
    ASSERT_TRUE(empty.Fill(*track));
    ASSERT_EQ(empty.Bytes().size(), args::Size);
    const void* r = empty.Record();
    EXPECT_EQ(Ptr(r, 0), nullptr);
    EXPECT_EQ(Ptr(r, args::RootFirst), nullptr) << "an empty root";
    EXPECT_EQ(Ptr(r, args::WrapperFirst), nullptr) << "no second root";
    EXPECT_STREQ(static_cast<const char*>(Ptr(r, args::VolumeName)), "DATA");
    EXPECT_EQ(I32(r, args::BurnOptions), 8);
    for (int i = 0; i < 8; ++i) {
        const char* text = static_cast<const char*>(Ptr(r, args::Text(i)));
        ASSERT_NE(text, nullptr) << "text " << i;
        EXPECT_STREQ(text, i == 2 ? "Pub" : "") << "text " << i;
    }

    // Files under both roots: linked at fill time, first items passed.
    ComPtr<IVexoFolder> wrapperItf;
    ASSERT_EQ(track->get_RootFolderWrapper(wrapperItf.put()), S_OK);
    ComPtr<VexoFile> inRoot = File(L"r"), inWrapper = File(L"w");
    ComPtr<VexoFolder> sub = Folder(L"S");
    ASSERT_EQ(FilesOf(track->Root())->Add(inRoot.get()), S_OK);
    ASSERT_EQ(FoldersOf(track->Root())->Add(sub.get()), S_OK);
    ASSERT_EQ(FilesOf(track->Wrapper())->Add(inWrapper.get()), S_OK);
    IsoTrackArguments full;
    ASSERT_TRUE(full.Fill(*track));
    EXPECT_EQ(Ptr(full.Record(), args::RootFirst), sub->Item().get());
    EXPECT_EQ(Describe(Ptr(full.Record(), args::RootFirst)), "S/[ ] r");
    EXPECT_EQ(Ptr(full.Record(), args::WrapperFirst), inWrapper->Item().get());
}

// --- options and import details --------------------------------------------------

TEST_F(FileTreeTest, TrackOptionsTakeOnlyThisServersObjects) {
    ComPtr<VexoFileSystemTrackOptions> options = VexoFileSystemTrackOptions::Make();
    ComPtr<VexoCDStamp> stamp = VexoCDStamp::Make();
    Foreign foreign;
    EXPECT_EQ(options->putref_CDStamp(foreign.As<IVexoCDStamp>()), E_INVALIDARG);
    EXPECT_EQ(options->CDStamp(), nullptr);
    ASSERT_EQ(options->putref_CDStamp(stamp.get()), S_OK);
    EXPECT_EQ(options->CDStamp(), stamp.get());
    EXPECT_EQ(options->putref_CDStamp(foreign.As<IVexoCDStamp>()), E_INVALIDARG);
    EXPECT_EQ(options->CDStamp(), stamp.get()) << "a refused stamp changes nothing";
    ASSERT_EQ(options->putref_CDStamp(nullptr), S_OK);
    EXPECT_EQ(options->CDStamp(), nullptr);

    ASSERT_EQ(options->put_MediaType(static_cast<VEXO_MEDIA_TYPE>(0x40)), S_OK);
    ASSERT_EQ(options->put_BurnFlags(static_cast<VEXO_BURN_FLAGS>(0x21)), S_OK);
    EXPECT_EQ(options->MediaType(), 0x40u);
    EXPECT_EQ(options->BurnFlags(), 0x21u);

    EXPECT_EQ(options->putref_FileSystemDescContainer(nullptr), S_OK);
    EXPECT_EQ(options->putref_FileSystemDescContainer(foreign.As<IVexoFileSystemDescContainer>()), E_INVALIDARG);
}

TEST_F(FileTreeTest, ImportDetailsGiveTheEnginesVolumeNameBack) {
    ComPtr<VexoImportDataTrackInfo> info = VexoImportDataTrackInfo::Make();
    EXPECT_EQ(I32(info->Record(), 0), static_cast<int32_t>(2 * P)) << "structure size: 8 on i686";
    OwnedBstr empty;
    ASSERT_EQ(info->get_VolumeName(&empty.b), S_OK);
    EXPECT_EQ(empty.str(), L"");
    EXPECT_EQ(info->get_VolumeName(nullptr), E_POINTER);

    // An engine text stands in for the name an import fills in.
    ASSERT_TRUE(engine::EnsureInitialized());
    const char* text = SimProc<const char*(WINAPI*)(int, int)>("VexoGetTypeNameOfMedia")(1, 0);
    ASSERT_NE(text, nullptr);
    const std::string name = text;
    std::memcpy(info->Record() + P, &text, P);
    OwnedBstr volume;
    ASSERT_EQ(info->get_VolumeName(&volume.b), S_OK);
    EXPECT_EQ(volume.str(), std::wstring(name.begin(), name.end()));
    const int freed = Counter("free.ok");
    info = nullptr;
    EXPECT_EQ(Counter("free.ok"), freed + 1);
    EXPECT_EQ(Counter("outstanding.text"), 0);
}

// --- the engine's lifetime ---------------------------------------------------------

TEST_F(FileTreeTest, WithoutAnEngineObjectsNeverTouchAMissingItem) {
    engine::SetFilesPath(EngineFolder() + "\\missing");
    ComPtr<VexoFile> file = VexoFile::Make();
    ComPtr<VexoFolder> folder = VexoFolder::Make();
    engine::SetFilesPath(EngineFolder());
    ComPtr<VexoFolder> root = Folder(L"root");
    ComPtr<VexoFile> real = File(L"real");
    ASSERT_EQ(file->Item().get(), nullptr);
    ASSERT_NE(real->Item().get(), nullptr) << "the engine is back for later objects";

    EXPECT_EQ(SetName(file.get(), L"n"), kNotInitialised);
    EXPECT_EQ(file->put_SourceFilePath(nullptr), kNotInitialised);
    EXPECT_EQ(file->put_EntryTime(40000.0), kNotInitialised);
    EXPECT_EQ(SetName(folder.get(), L"n"), kNotInitialised);
    EXPECT_EQ(NameOf(file.get()), L"");
    DATE when = 1;
    EXPECT_EQ(file->get_EntryTime(&when), S_OK);
    EXPECT_EQ(when, 0.0);

    ASSERT_EQ(FoldersOf(root.get())->Add(folder.get()), S_OK);
    ASSERT_EQ(FilesOf(folder.get())->Add(File(L"hidden").get()), S_OK);
    ASSERT_EQ(FilesOf(root.get())->Add(file.get()), S_OK);
    ASSERT_EQ(FilesOf(root.get())->Add(real.get()), S_OK);
    root->LinkTree();
    EXPECT_EQ(Describe(root->FirstItem()), "real") << "item-less objects are left out";
}

TEST_F(FileTreeTest, ReleasingTheEngineObjectFirstKeepsTheEngineForTheTree) {
    ComPtr<Vexo> vexo = Vexo::Make();
    ASSERT_TRUE(vexo);
    const std::string folder = EngineFolder();
    BSTR path = B(std::wstring(folder.begin(), folder.end()));
    ASSERT_EQ(vexo->put_VexoFilesPath(path), S_OK);
    SysFreeString(path);

    ComPtr<VexoISOTrack> track = VexoISOTrack::Make();
    ComPtr<IVexoFolder> root;
    ASSERT_EQ(track->get_RootFolder(root.put()), S_OK);
    ASSERT_EQ(FilesOf(track->Root())->Add(File(L"f").get()), S_OK);
    ComPtr<VexoImportDataTrackInfo> info = VexoImportDataTrackInfo::Make();
    ASSERT_GT(Counter("outstanding.isoitem"), 0);

    vexo = nullptr;
    EXPECT_TRUE(engine::Loaded()) << "the tree still holds the engine";
    ComPtr<VexoFile> late = File(L"late");
    EXPECT_NE(late->Item().get(), nullptr);
    late = nullptr;
    root = nullptr;
    info = nullptr;
    track = nullptr;
    EXPECT_FALSE(engine::Loaded()) << "the last holder let the engine go";
    EXPECT_EQ(Counter("freed.isoitem"), Counter("made.isoitem"));
}

}  // namespace
}  // namespace vexo

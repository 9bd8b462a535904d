// The engine's file-system model through the registered server and the
// simulated engine: a container built by name (directories, files from
// source paths, files produced by the client through OnProduceFile),
// everything it answers read back, then burnt to the image recorder with
// BurnFileSystemContent, BurnAtOnce and the burn-at-once handle, the images
// read back with the ISO 9660 reader. Burns and the burn-at-once members
// are called late-bound, as a script host calls them.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "Reader.h"
#include "SectorSource.h"

using namespace drivetest;

namespace {

constexpr DISPID kOnDoneBAOCreateHandle = 18;
constexpr DISPID kOnDoneBAOWriteToFile = 19;
constexpr DISPID kOnDoneBAOCloseHandle = 20;
constexpr DISPID kOnDoneEstimate = 17;
constexpr DISPID kOnProduceFile = 1;

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::string Folder(const std::string& name) {
    std::string dir = ProgramFolder() + "\\" + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + seed * 31 + i / 2048) & 0xFF);
    return s;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// ---- late-bound calls ----------------------------------------------------------

class Arg {
public:
    Arg(LONG v) { V_VT(&v_) = VT_I4, V_I4(&v_) = v; }
    Arg(const wchar_t* s) { V_VT(&v_) = VT_BSTR, V_BSTR(&v_) = SysAllocString(s); }
    // An object goes as a script passes it: its IDispatch.
    Arg(IUnknown* o) {
        V_VT(&v_) = VT_DISPATCH, V_DISPATCH(&v_) = nullptr;
        if (o) o->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&V_DISPATCH(&v_)));
    }
    Arg(const VARIANT& v) { VariantCopy(&v_, const_cast<VARIANT*>(&v)); }
    Arg(const Arg& o) { VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)); }
    ~Arg() { VariantClear(&v_); }
    VARIANT v_{};
};

// Calls member `name` by name with `args` in declared order; a member that
// raises gives the error's code (DISP_E_EXCEPTION's scode).
HRESULT Call(IUnknown* object, const wchar_t* name, std::initializer_list<Arg> args, VARIANT* result = nullptr,
             WORD kind = DISPATCH_METHOD) {
    Ptr<IDispatch> d;
    if (FAILED(object->QueryInterface(IID_IDispatch, d.put_void()))) return E_NOINTERFACE;
    DISPID id = 0;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    if (HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.size());
    std::size_t i = args.size();
    for (const Arg& a : args) reversed[--i] = a.v_;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), kind == DISPATCH_PROPERTYPUT ? &put : nullptr, static_cast<UINT>(args.size()),
                      kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO excep{};
    VARIANT ignored;
    VariantInit(&ignored);
    HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result ? result : &ignored, &excep, nullptr);
    VariantClear(&ignored);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? excep.scode : hr;
}

// A SAFEARRAY of signed bytes in a VARIANT.
class ByteBuffer {
public:
    explicit ByteBuffer(const std::string& bytes) {
        SAFEARRAY* a = SafeArrayCreateVector(VT_I1, 0, static_cast<ULONG>(bytes.size()));
        void* data = nullptr;
        SafeArrayAccessData(a, &data);
        if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(a);
        V_VT(&v_) = VT_ARRAY | VT_I1;
        V_ARRAY(&v_) = a;
    }
    explicit ByteBuffer(std::size_t size) : ByteBuffer(std::string(size, '\0')) {}
    ~ByteBuffer() { VariantClear(&v_); }
    VARIANT& get() { return v_; }
    std::string bytes() const {
        void* data = nullptr;
        SafeArrayAccessData(V_ARRAY(&v_), &data);
        LONG upper = -1;
        SafeArrayGetUBound(V_ARRAY(&v_), 1, &upper);
        std::string s(static_cast<const char*>(data), static_cast<std::size_t>(upper + 1));
        SafeArrayUnaccessData(V_ARRAY(&v_));
        return s;
    }

private:
    VARIANT v_{};
};

// ---- the image ------------------------------------------------------------------

struct Image {
    iso9660::Volume volume;
    std::string path;
    bool read = false;
};

Image ReadImage(const std::string& path) {
    Image image;
    image.path = path;
    try {
        iso9660::FileSectorSource source(path);
        image.volume = iso9660::Read(source);
        image.read = true;
    } catch (...) {
    }
    return image;
}

std::string Contents(const Image& image, const iso9660::Node& node) {
    std::string bytes;
    iso9660::FileSectorSource source(image.path);
    iso9660::ReadContents(source, {}, node, [&](std::span<const std::uint8_t> piece) {
        bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
    });
    return bytes;
}

// The tree as "name name/[ ... ]" in the image's order.
std::string Describe(const iso9660::Node& dir) {
    std::string out;
    for (const iso9660::Node& c : dir.children) {
        if (!out.empty()) out += ' ';
        out += c.name;
        if (c.directory) out += "/[ " + Describe(c) + " ]";
    }
    return out;
}

const iso9660::Node* Find(const iso9660::Node& root, std::initializer_list<const char*> path) {
    const iso9660::Node* n = &root;
    for (const char* part : path) {
        n = n ? n->Find(part) : nullptr;
    }
    return n;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ---- fixtures ---------------------------------------------------------------------

class FileSystemContentTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = Folder("fscontent-e2e"); }
    void TearDown() override {
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        EXPECT_EQ(sim::Counter("outstanding"), 0) << "engine objects left";
        EXPECT_EQ(sim::Counter("producers.held"), 0) << "producer references the engine kept";
        SetRegistryEngine("");
    }

    std::string Source(const std::string& name, const std::string& bytes) {
        std::string path = dir_ + "\\" + name;
        WriteFileBytes(path, bytes);
        return path;
    }
    std::wstring Target(const std::string& name) {
        std::string path = dir_ + "\\" + name;
        DeleteFileA(path.c_str());
        DeleteFileA((path + ".part").c_str());
        return std::wstring(path.begin(), path.end());
    }

    std::string dir_;
};

std::string Config() { return TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"); }

Ptr<IVexoDirectoryContainer> RootOf(IVexoFileSystemDescContainer* container) {
    Ptr<IVexoDirectoryContainer> root;
    EXPECT_EQ(container->get_RootDirectoryContainer(root.put()), S_OK);
    return root;
}

Ptr<IVexoDirectoryEntryContainer> AddFile2(IVexoDirectoryContainer* dir, const wchar_t* name, const std::string& path,
                                           INT priority = 0) {
    Ptr<IVexoDirectoryEntryContainer> entry;
    Bstr n(name), p(std::wstring(path.begin(), path.end()).c_str());
    EXPECT_EQ(dir->AddFile2(n.get(), p.get(), priority, 0, entry.put()), S_OK);
    return entry;
}

Ptr<IVexoDirectoryContainer> AddDirectory(IVexoDirectoryContainer* dir, const wchar_t* name) {
    Ptr<IVexoDirectoryContainer> sub;
    Bstr n(name);
    EXPECT_EQ(dir->AddDirectory(n.get(), 0, sub.put()), S_OK);
    return sub;
}

std::wstring NameOf(IVexoDirectoryEntry* entry) {
    Bstr name;
    EXPECT_EQ(entry->get_Name(name.put()), S_OK);
    return name.str();
}

// ---- the model -------------------------------------------------------------------

TEST_F(FileSystemContentTest, AContainerAnswersWhatWasAddedToItByName) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    const std::string one = Source("one.txt", Pattern(5000, 1));
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    ASSERT_TRUE(container);
    Bstr volume(L"My Volume");
    ASSERT_EQ(container->put_Name2(volume.get()), S_OK);
    Bstr name;
    ASSERT_EQ(container->get_Name(name.put()), S_OK);
    EXPECT_EQ(name.str(), L"My Volume");
    EXPECT_EQ(container->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(5)), S_OK);

    auto root = RootOf(container.get());
    auto docs = AddDirectory(root.get(), L"Dokumente für später");
    auto file = AddFile2(docs.get(), L"Café.txt", one, 7);
    AddFile2(root.get(), L"top.txt", one);

    // The entry answers what the engine keeps.
    EXPECT_EQ(NameOf(file.get()), L"Café.txt");
    Bstr source;
    ASSERT_EQ(file->get_SourceFilePath(source.put()), S_OK);
    EXPECT_EQ(Utf8(source.str()), one);
    LONG high = -1, low = -1, value = -1;
    ASSERT_EQ(file->get_Size(&high, &low), S_OK);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(low, 5000);
    ASSERT_EQ(file->get_FilePriority(&value), S_OK);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(file->put_DirOrder(3), S_OK);
    EXPECT_EQ(file->put_id(42), S_OK);
    file->get_DirOrder(&value);
    EXPECT_EQ(value, 3);
    file->get_id(&value);
    EXPECT_EQ(value, 42);
    // A size of 3 GiB as halves (0, &HC0000000): the low half is unsigned.
    ASSERT_EQ(file->put_Size(0, static_cast<LONG>(0xC0000000u)), S_OK);
    ASSERT_EQ(file->get_Size(&high, &low), S_OK);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(static_cast<uint32_t>(low), 0xC0000000u);

    // Look-ups: by name, by index, sub-directories; a missing name is 536.
    Ptr<IVexoDirectoryEntryContainer> found;
    Bstr top(L"top.txt"), missing(L"nothing here"), docsName(L"Dokumente für später");
    ASSERT_EQ(root->Entry(top.get(), found.put()), S_OK);
    EXPECT_EQ(NameOf(found.get()), L"top.txt");
    EXPECT_EQ(root->Entry(missing.get(), found.put()), Err(536));
    ErrorInfo info = TakeErrorInfo();
    EXPECT_EQ(info.description, L"Internal Vexo error occured!");
    Ptr<IVexoDirectoryContainer> again;
    ASSERT_EQ(root->SubDirectory(docsName.get(), again.put()), S_OK);
    LONG count = 0;
    ASSERT_EQ(again->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    // Each entry of a directory's list is attached to its engine entry.
    Ptr<IVexoDirectoryEntry> listed;
    ASSERT_EQ(again->Item(0, listed.put()), S_OK);
    EXPECT_EQ(NameOf(listed.get()), L"Café.txt");
    ASSERT_EQ(listed->get_Size(&high, &low), S_OK);
    EXPECT_EQ(static_cast<uint32_t>(low), 0xC0000000u);

    // The read-only root lists the same entries; its entries take no changes.
    Ptr<IVexoDirectory> readOnly;
    ASSERT_EQ(container->get_Root(readOnly.put()), S_OK);
    ASSERT_EQ(readOnly->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    Ptr<IVexoDirectoryEntry> first;
    ASSERT_EQ(readOnly->Item(0, first.put()), S_OK);
    Ptr<IVexoDirectoryEntryContainer> firstWritable;
    ASSERT_EQ(first->QueryInterface(IID_IVexoDirectoryEntryContainer, firstWritable.put_void()), S_OK);
    EXPECT_EQ(firstWritable->put_Priority(1), E_POINTER);
    EXPECT_EQ(readOnly->Item(2, first.put()), E_INVALIDARG);

    // Remove: 1 for an existing name, 0 for a missing one.
    BOOL removed = -1;
    ASSERT_EQ(root->RemoveEntry(top.get(), &removed), S_OK);
    EXPECT_EQ(removed, 1);
    ASSERT_EQ(root->RemoveEntry(top.get(), &removed), S_OK);
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(root->Entry(top.get(), found.put()), Err(536));
}

TEST_F(FileSystemContentTest, AFilesContentReadsItsSourceIntoAByteArrayOnly) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    const std::string bytes = Pattern(3000, 2);
    const std::string path = Source("content.bin", bytes);
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    auto root = RootOf(container.get());
    auto entry = AddFile2(root.get(), L"content.bin", path);
    auto sub = AddDirectory(root.get(), L"folder");

    Ptr<IVexoFileContent> content;
    VEXO_ENTRY_ERROR error = VEXO_ENTRY_INTERFACE_ERROR;
    ASSERT_EQ(entry->get_Content(content.put(), &error), S_OK);
    ASSERT_EQ(error, VEXO_ENTRY_NO_ERROR);
    ASSERT_TRUE(content);

    ByteBuffer buffer(2000);
    LONG read = -1;
    ASSERT_EQ(content->Read(&buffer.get(), 5000, &read), S_OK);
    EXPECT_EQ(read, 2000) << "never more than the array holds";
    EXPECT_EQ(buffer.bytes(), bytes.substr(0, 2000));
    BOOL eof = -1;
    content->get_EndOfFile(&eof);
    EXPECT_EQ(eof, 0);
    ASSERT_EQ(content->Read(&buffer.get(), 2000, &read), S_OK);
    EXPECT_EQ(read, 1000);
    EXPECT_EQ(buffer.bytes().substr(0, 1000), bytes.substr(2000));
    content->get_EndOfFile(&eof);
    EXPECT_EQ(eof, 1);

    // Not a byte array, or a negative length: 535.
    VARIANT text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"not bytes");
    EXPECT_EQ(content->Read(&text, 4, &read), Err(535));
    VariantClear(&text);
    EXPECT_EQ(content->Read(&buffer.get(), -1, &read), Err(535));

    // A directory has no content: the entry error, no object.
    Ptr<IVexoDirectoryEntryContainer> folderEntry;
    Bstr folder(L"folder");
    ASSERT_EQ(root->Entry(folder.get(), folderEntry.put()), S_OK);
    Ptr<IVexoFileContent> none;
    ASSERT_EQ(folderEntry->get_Content(none.put(), &error), S_OK);
    EXPECT_EQ(error, VEXO_ENTRY_ERROR_NOT_A_FILE);
    EXPECT_FALSE(none);
}

TEST_F(FileSystemContentTest, ProducersTakeConsecutiveIdsAndOnlyOurProducersAreTaken) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto a = Create<IVexoFileProducer>(CLSID_VexoFileProducer);
    auto b = Create<IVexoFileProducer>(CLSID_VexoFileProducer);
    LONG ida = 0, idb = 0;
    ASSERT_EQ(a->get_id(&ida), S_OK);
    ASSERT_EQ(b->get_id(&idb), S_OK);
    EXPECT_GE(ida, 1);
    EXPECT_EQ(idb, ida + 1);

    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    auto root = RootOf(container.get());
    Ptr<IVexoDirectoryEntryContainer> entry;
    Bstr name(L"made.bin");
    EXPECT_EQ(root->AddFile(name.get(), nullptr, 0, 10, 0, 0, entry.put()), E_POINTER);
    ASSERT_EQ(root->AddFile(name.get(), a.get(), 0, 10, 0, 0, entry.put()), S_OK);
    EXPECT_EQ(sim::Counter("producers.held"), 1);
    BOOL removed = 0;
    ASSERT_EQ(root->RemoveEntry(name.get(), &removed), S_OK);
    EXPECT_EQ(removed, 1);
    entry.reset();
    EXPECT_EQ(sim::Counter("producers.held"), 0) << "the engine gave the producer back";
}

// ---- burns ------------------------------------------------------------------------

// A producer whose handler writes `size` bytes of the pattern in chunks, and
// records the thread it ran on and the stream it was given.
struct PatternProducer {
    Ptr<IVexoFileProducer> producer;
    LateBoundSink* sink = new LateBoundSink;
    DWORD cookie = 0;
    DWORD thread = 0;
    Ptr<IVexoDataInputStream2> keptStream;
    std::vector<HRESULT> refused;  // the refused writes' results

    PatternProducer(std::size_t size, int seed) {
        producer = Create<IVexoFileProducer>(CLSID_VexoFileProducer);
        sink->onEvent = [this, size, seed](DISPID id, std::vector<VARIANT*>& args) {
            if (id != kOnProduceFile || args.size() != 3) return;
            thread = GetCurrentThreadId();
            IDispatch* d = V_VT(args[1]) == (VT_BYREF | VT_DISPATCH) ? *V_DISPATCHREF(args[1]) : nullptr;
            if (!d || FAILED(d->QueryInterface(IID_IVexoDataInputStream2, keptStream.put_void()))) return;
            VARIANT text;
            V_VT(&text) = VT_BSTR;
            V_BSTR(&text) = SysAllocString(L"text");
            refused.push_back(keptStream->Write(text, 4));
            VariantClear(&text);
            ByteBuffer ten(10);
            refused.push_back(keptStream->Write(ten.get(), 11));
            refused.push_back(keptStream->Write(ten.get(), -1));
            const std::string all = Pattern(size, seed);
            for (std::size_t at = 0; at < all.size(); at += 65536) {
                ByteBuffer chunk(all.substr(at, 65536));
                if (FAILED(keptStream->Write(chunk.get(), static_cast<LONG>(chunk.bytes().size())))) return;
            }
        };
        cookie = AdviseSink(producer.get(), DIID__IVexoFileProducerEvents, sink);
    }
    ~PatternProducer() {
        keptStream.reset();
        if (cookie) UnadviseSink(producer.get(), DIID__IVexoFileProducerEvents, cookie);
        sink->Release();
    }
};

TEST_F(FileSystemContentTest, BurnFileSystemContentWritesTheTreeWithProducedFilesPulledOnTheEnginesThread) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    const std::string small = Pattern(10000, 3), large = Pattern(300000, 4);
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    Bstr volume(L"PRODUCED");
    container->put_Name2(volume.get());
    container->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(VEXO_BURN_OPTION_USE_JOLIET | VEXO_BURN_OPTION_USE_ROCKRIDGE));
    auto root = RootOf(container.get());
    auto nested = AddDirectory(AddDirectory(root.get(), L"Äußeres").get(), L"inner");
    AddDirectory(root.get(), L"empty");
    AddFile2(root.get(), L"small.txt", Source("small.txt", small));
    AddFile2(nested.get(), L"large.bin", Source("large.bin", large));

    constexpr std::size_t kProduced = 3 * 1024 * 1024;
    PatternProducer made(kProduced, 9);
    ASSERT_NE(made.cookie, 0u);
    Ptr<IVexoDirectoryEntryContainer> producedEntry;
    Bstr producedName(L"produced.bin");
    ASSERT_EQ(root->AddFile(producedName.get(), made.producer.get(), 0, static_cast<INT>(kProduced), 0, 0,
                            producedEntry.put()),
              S_OK);

    // While the engine burns, the container and its directories take no changes.
    std::vector<HRESULT> during;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != kOnProgress || !during.empty()) return;
        Bstr other(L"OTHER");
        during.push_back(container->put_Name2(other.get()));
        Ptr<IVexoDirectoryContainer> sub;
        Bstr n(L"late");
        during.push_back(root->AddDirectory(n.get(), 0, sub.put()));
        during.push_back(producedEntry->put_Priority(3));
    };
    const std::wstring target = Target("content.iso");
    Bstr t(target.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(t.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(Call(c.drive(), L"BurnFileSystemContent", {container.get(), 4L, 0L, 1L}), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    Bstr log;
    c.vexo()->get_ErrorLog(log.put());
    ASSERT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 0) << Utf8(log.str());
    EXPECT_EQ(during, (std::vector<HRESULT>{Err(529), Err(529), Err(529)}));
    Bstr after(L"AFTER");
    EXPECT_EQ(container->put_Name2(after.get()), S_OK) << "unlocked once the burn is over";

    EXPECT_NE(made.thread, 0u);
    EXPECT_EQ(made.thread, GetCurrentThreadId()) << "OnProduceFile arrives in the producer's apartment";
    EXPECT_EQ(made.refused, (std::vector<HRESULT>{Err(535), Err(535), Err(535)}));
    // The stream was good for that one call only.
    ASSERT_TRUE(made.keptStream);
    ByteBuffer late(4);
    EXPECT_EQ(made.keptStream->Write(late.get(), 4), E_POINTER);

    const Image image = ReadImage(Utf8(target));
    ASSERT_TRUE(image.read);
    EXPECT_EQ(image.volume.name, "PRODUCED");
    EXPECT_EQ(Describe(image.volume.root),
              "empty/[  ] produced.bin small.txt Äußeres/[ inner/[ large.bin ] ]");
    const iso9660::Node* produced = Find(image.volume.root, {"produced.bin"});
    ASSERT_TRUE(produced);
    EXPECT_EQ(Contents(image, *produced), Pattern(kProduced, 9));
    EXPECT_EQ(Contents(image, *Find(image.volume.root, {"small.txt"})), small);
    EXPECT_EQ(Contents(image, *Find(image.volume.root, {"Äußeres", "inner", "large.bin"})), large);
}

TEST_F(FileSystemContentTest, AProducerWithoutASinkFailsTheBurnInsteadOfBurningZeros) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    auto root = RootOf(container.get());
    auto producer = Create<IVexoFileProducer>(CLSID_VexoFileProducer);
    Ptr<IVexoDirectoryEntryContainer> entry;
    Bstr name(L"unheard.bin");
    ASSERT_EQ(root->AddFile(name.get(), producer.get(), 0, 4096, 0, 0, entry.put()), S_OK);
    const std::wstring target = Target("unheard.iso");
    Bstr t(target.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(t.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(Call(c.drive(), L"BurnFileSystemContent", {container.get(), 4L, 0L, 1L}), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    EXPECT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 3);
    EXPECT_FALSE(Exists(Utf8(target)));
    EXPECT_FALSE(Exists(Utf8(target) + ".part"));
    // Null content is E_POINTER; a foreign object is refused.
    EXPECT_EQ(c.drive()->BurnFileSystemContent(nullptr, static_cast<VEXO_BURN_FLAGS>(4), 0,
                                               static_cast<VEXO_MEDIA_TYPE>(1)),
              E_POINTER);
}

TEST_F(FileSystemContentTest, TheEstimateOfAContainerIsTheSizeOfItsImage) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    container->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(VEXO_BURN_OPTION_USE_JOLIET));
    auto root = RootOf(container.get());
    AddFile2(AddDirectory(root.get(), L"sub").get(), L"a.bin", Source("a.bin", Pattern(70000, 5)));
    AddFile2(root.get(), L"b.bin", Source("b.bin", Pattern(5, 6)));
    const std::wstring target = Target("estimated.iso");
    Bstr t(target.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(t.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(Call(c.drive(), L"BurnFileSystemContent", {container.get(), 4L, 0L, 1L}), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 0);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));

    auto options = Create<IVexoFileSystemTrackOptions>(CLSID_VexoFileSystemTrackOptions);
    ASSERT_EQ(options->putref_FileSystemDescContainer(container.get()), S_OK);
    ASSERT_EQ(c.drive()->EstimateTrackSize(nullptr, VETS_EXACT_SIZE, options.get()), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneEstimate));
    EXPECT_EQ(c.sink().Last(kOnDoneEstimate)->args.at(0).Long(), VARIANT_TRUE);
    EXPECT_EQ(c.sink().Last(kOnDoneEstimate)->args.at(1).Long(), static_cast<LONG>(data.nFileSizeLow / 2048));
}

// ---- burn-at-once -----------------------------------------------------------------

class BurnAtOnce : public FileSystemContentTest {
protected:
    // Writes `bytes` in chunks through BAOWriteToFile, waiting for each.
    void WriteInChunks(DriveClient& c, const std::string& bytes, std::size_t chunk) {
        for (std::size_t at = 0; at < bytes.size(); at += chunk) {
            const std::string piece = bytes.substr(at, chunk);
            ByteBuffer buffer(piece);
            const std::size_t before = c.sink().Count(kOnDoneBAOWriteToFile);
            ASSERT_EQ(Call(c.drive(), L"BAOWriteToFile", {Arg(buffer.get()), static_cast<LONG>(piece.size())}), S_OK);
            ASSERT_TRUE(c.WaitFor(kOnDoneBAOWriteToFile, before + 1));
            const SinkEvent* done = c.sink().Last(kOnDoneBAOWriteToFile);
            ASSERT_EQ(done->args.at(0).Long(), 0);
            ASSERT_EQ(done->args.at(1).Long(), static_cast<LONG>(piece.size()));
        }
    }
    LONG Open(DriveClient& c, const wchar_t* name) {
        VARIANT offset;
        VariantInit(&offset);
        V_VT(&offset) = VT_I4;
        VARIANT byRef;
        V_VT(&byRef) = VT_BYREF | VT_I4;
        V_I4REF(&byRef) = &V_I4(&offset);
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(Call(c.drive(), L"BAOOpenFile", {name, Arg(byRef)}, &result), S_OK);
        EXPECT_EQ(V_I4(&result), 0) << "the engine's answer to the open";
        return V_I4(&offset);
    }
};

TEST_F(BurnAtOnce, TheHandleFormWritesFilesInTheOrderTheyAreOpenedAtTheSectorsItAnswers) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    Bstr volume(L"AT ONCE");
    container->put_Name2(volume.get());
    const std::wstring target = Target("atonce.iso");
    Bstr t(target.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(t.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);

    // Without a handle the file calls are 546.
    VEXO_BURN_ERROR code{};
    LONG offset = 0;
    Bstr some(L"x");
    EXPECT_EQ(c.drive()->BAOOpenFile(some.get(), &offset, &code), Err(546));
    EXPECT_EQ(c.drive()->BAOCloseFile(&code), Err(546));
    EXPECT_EQ(c.drive()->BAOCloseHandle(VBAOF_DEFAULT), Err(546));
    ByteBuffer ten(10);
    EXPECT_EQ(c.drive()->BAOWriteToFile(ten.get(), 10), Err(546));

    ASSERT_EQ(Call(c.drive(), L"BAOCreateHandle", {container.get(), L"", 4L, 0L}), S_OK);
    EXPECT_EQ(Call(c.drive(), L"BAOCreateHandle", {container.get(), L"", 4L, 0L}), Err(545))
        << "refused while the first is still being made";
    ASSERT_TRUE(c.WaitFor(kOnDoneBAOCreateHandle));
    ASSERT_EQ(c.sink().Last(kOnDoneBAOCreateHandle)->args.at(0).Long(), 0);
    EXPECT_EQ(Call(c.drive(), L"BAOCreateHandle", {container.get(), L"", 4L, 0L}), Err(545));
    Bstr other(L"OTHER");
    EXPECT_EQ(container->put_Name2(other.get()), Err(529)) << "the handle holds the container";

    const std::string first = Pattern(100000, 11), second = Pattern(2048 * 3, 12), third = Pattern(777, 13);
    const LONG at1 = Open(c, L"first.bin");
    WriteInChunks(c, first, 30000);
    ASSERT_EQ(c.drive()->BAOCloseFile(&code), S_OK);
    EXPECT_EQ(code, 0);
    // 535 for a count beyond the array; with the array's own count it starts.
    EXPECT_EQ(Call(c.drive(), L"BAOWriteToFile", {Arg(ten.get()), 11L}), Err(535));
    EXPECT_EQ(Call(c.drive(), L"BAOWriteToFile", {L"a string", 1L}), Err(535));
    const LONG at2 = Open(c, L"docs\\second.bin");
    WriteInChunks(c, second, 2048);
    ASSERT_EQ(c.drive()->BAOCloseFile(&code), S_OK);
    const LONG at3 = Open(c, L"third.txt");
    WriteInChunks(c, third, 100);
    ASSERT_EQ(c.drive()->BAOCloseFile(&code), S_OK);
    EXPECT_LT(at1, at2);
    EXPECT_LT(at2, at3);

    ASSERT_EQ(Call(c.drive(), L"BAOCloseHandle", {0L}), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBAOCloseHandle));
    ASSERT_EQ(c.sink().Last(kOnDoneBAOCloseHandle)->args.at(0).Long(), 0);
    EXPECT_EQ(container->put_Name2(other.get()), S_OK) << "closing the handle lets the container go";
    EXPECT_EQ(c.drive()->BAOCloseFile(&code), Err(546));

    const Image image = ReadImage(Utf8(target));
    ASSERT_TRUE(image.read);
    const iso9660::Node* n1 = Find(image.volume.root, {"first.bin"});
    const iso9660::Node* n2 = Find(image.volume.root, {"docs", "second.bin"});
    const iso9660::Node* n3 = Find(image.volume.root, {"third.txt"});
    ASSERT_TRUE(n1 && n2 && n3) << Describe(image.volume.root);
    EXPECT_EQ(n1->extent, static_cast<uint32_t>(at1));
    EXPECT_EQ(n2->extent, static_cast<uint32_t>(at2));
    EXPECT_EQ(n3->extent, static_cast<uint32_t>(at3));
    EXPECT_EQ(Contents(image, *n1), first);
    EXPECT_EQ(Contents(image, *n2), second);
    EXPECT_EQ(Contents(image, *n3), third);
}

TEST_F(BurnAtOnce, ACancelledHandleLeavesNoImageAndTheDrivesEndCancelsAnOpenOne) {
    const std::wstring target = Target("cancelled.iso");
    {
        DriveClient c(Config());
        ASSERT_TRUE(c.ok());
        auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
        Bstr t(target.c_str());
        ASSERT_EQ(c.drive()->InitImageRecorder(t.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
        ASSERT_EQ(Call(c.drive(), L"BAOCreateHandle", {container.get(), L"", 4L, 0L}), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBAOCreateHandle));
        Open(c, L"a.bin");
        WriteInChunks(c, Pattern(5000, 1), 5000);
        ASSERT_EQ(Call(c.drive(), L"BAOCloseHandle", {static_cast<LONG>(VBAOF_CANCELED)}), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBAOCloseHandle));
        VEXO_BURN_ERROR code{};
        EXPECT_EQ(c.drive()->BAOCloseFile(&code), Err(546)) << "the handle is gone whatever the engine said";
        EXPECT_FALSE(Exists(Utf8(target)));
        EXPECT_FALSE(Exists(Utf8(target) + ".part"));

        // A handle left open when the client lets go of everything.
        ASSERT_EQ(Call(c.drive(), L"BAOCreateHandle", {container.get(), L"", 4L, 0L}), S_OK);
        ASSERT_TRUE(c.WaitFor(kOnDoneBAOCreateHandle, 2));
        Open(c, L"b.bin");
        c.DropAll();
    }
    EXPECT_FALSE(Exists(Utf8(target)));
    EXPECT_FALSE(Exists(Utf8(target) + ".part"));
}

TEST_F(BurnAtOnce, BurnAtOnceOfAContainerWritesTheSameTreeAsTheFileSystemBurn) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    Bstr volume(L"SAME TREE");
    container->put_Name2(volume.get());
    container->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(VEXO_BURN_OPTION_USE_JOLIET | VEXO_BURN_OPTION_USE_ROCKRIDGE));
    auto root = RootOf(container.get());
    const std::string bytes = Pattern(40000, 21);
    AddFile2(AddDirectory(root.get(), L"dir").get(), L"from-path.bin", Source("from-path.bin", bytes));
    PatternProducer made(200000, 22);
    Ptr<IVexoDirectoryEntryContainer> entry;
    Bstr producedName(L"produced.bin");
    ASSERT_EQ(root->AddFile(producedName.get(), made.producer.get(), 0, 200000, 0, 0, entry.put()), S_OK);

    const std::wstring atOnce = Target("same-atonce.iso"), content = Target("same-content.iso");
    Bstr t1(atOnce.c_str()), t2(content.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(t1.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(Call(c.drive(), L"BurnAtOnce", {container.get(), static_cast<const wchar_t*>(nullptr), 4L, 0L}), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 0);
    ASSERT_EQ(c.drive()->InitImageRecorder(t2.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(Call(c.drive(), L"BurnFileSystemContent", {container.get(), 4L, 0L, 1L}), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2, 60000));
    ASSERT_EQ(c.sink().Last(kOnDoneBurn)->args.at(0).Long(), 0);

    const Image a = ReadImage(Utf8(atOnce)), b = ReadImage(Utf8(content));
    ASSERT_TRUE(a.read && b.read);
    EXPECT_EQ(Describe(a.volume.root), Describe(b.volume.root));
    EXPECT_EQ(a.volume.jolietName, "SAME TREE");
    EXPECT_EQ(a.volume.name, b.volume.name);
    EXPECT_EQ(Contents(a, *Find(a.volume.root, {"dir", "from-path.bin"})), bytes);
    EXPECT_EQ(Contents(a, *Find(a.volume.root, {"produced.bin"})), Pattern(200000, 22));
}

TEST_F(FileSystemContentTest, AFreestyleBurnTakesTheContainerAndKeepsItFromChangesMeanwhile) {
    DriveClient c(Config());
    ASSERT_TRUE(c.ok());
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    std::vector<HRESULT> during;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != kOnProgress || !during.empty()) return;
        during.push_back(container->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(1)));
    };
    Ptr<IVexoFileSystemContent> content;
    ASSERT_EQ(container->QueryInterface(IID_IVexoFileSystemContent, content.put_void()), S_OK);
    ASSERT_EQ(c.drive()->BurnFreestyleCD(content.get(), nullptr, nullptr, VARIANT_FALSE, nullptr, nullptr, nullptr,
                                         static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(1)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    EXPECT_EQ(during, (std::vector<HRESULT>{Err(529)}));
    EXPECT_EQ(container->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(1)), S_OK);
}

}  // namespace

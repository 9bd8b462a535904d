// A data disc end to end through the registered server and the simulated
// engine: a folder tree written by this test (nested folders, names beyond
// 64 characters, names outside ASCII, an empty folder) becomes VexoFolder /
// VexoFile objects of an ISO track, is burnt with Joliet and Rock Ridge to
// the drive's image recorder, and the estimate of the same track is the
// written image's size; a refused file system writes nothing; an ISO image
// made by xorriso, the drive's medium, imports as the same tree. Run by
// tests/com/DataBurn.sh, which makes the xorriso image first (DATABURN_DIR
// names the folder) and checks the burnt image with xorriso and isoinfo
// afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

constexpr DISPID kOnDoneImport2 = 15;
constexpr DISPID kOnDoneEstimate = 17;

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), n);
    return w;
}
std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

// The folder the host script prepared (a Windows path), else one in the program folder.
std::wstring WorkFolder() {
    if (const char* dir = std::getenv("DATABURN_DIR"); dir && *dir) return Wide(dir);
    wchar_t path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L'\\')) + L"\\databurn-e2e";
}

void WriteFileW(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << Utf8(path);
    DWORD put = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
    ASSERT_EQ(put, bytes.size());
}

std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 13 + seed * 101 + i / 4096) & 0xFF);
    return s;
}

// A host folder as text: "name/[ ... ]" for folders, entries in name order.
std::string DescribeFolder(const std::wstring& path) {
    std::vector<std::pair<std::wstring, bool>> entries;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            entries.emplace_back(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const auto& [name, folder] : entries) {
        if (!out.empty()) out += ' ';
        out += Utf8(name);
        if (folder) {
            std::string inner = DescribeFolder(path + L"\\" + name);
            out += inner.empty() ? "/[ ]" : "/[ " + inner + " ]";
        }
    }
    return out;
}

std::wstring NameOf(IVexoFolder* f) {
    Bstr n;
    f->get_Name(n.put());
    return n.get() ? n.get() : L"";
}
std::wstring NameOf(IVexoFile* f) {
    Bstr n;
    f->get_Name(n.put());
    return n.get() ? n.get() : L"";
}

// The server's folder objects as the same text.
std::string DescribeObjects(IVexoFolder* folder) {
    std::vector<std::pair<std::wstring, std::string>> entries;  // name, inner text of a folder ("" for files: no marker)
    Ptr<IVexoFolders> folders;
    Ptr<IVexoFiles> files;
    folder->get_Folders(folders.put());
    folder->get_Files(files.put());
    long n = 0;
    if (folders) folders->get_Count(&n);
    for (long i = 0; i < n; ++i) {
        Ptr<IVexoFolder> sub;
        folders->Item(static_cast<INT>(i), sub.put());
        if (!sub) continue;
        std::string inner = DescribeObjects(sub.get());
        entries.emplace_back(NameOf(sub.get()), inner.empty() ? "/[ ]" : "/[ " + inner + " ]");
    }
    n = 0;
    if (files) files->get_Count(&n);
    for (long i = 0; i < n; ++i) {
        Ptr<IVexoFile> file;
        files->Item(static_cast<INT>(i), file.put());
        if (file) entries.emplace_back(NameOf(file.get()), "");
    }
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const auto& [name, inner] : entries) {
        if (!out.empty()) out += ' ';
        out += Utf8(name) + inner;
    }
    return out;
}

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

// Mirrors a host folder into the server's folder object.
void AddTree(IVexoFolder* into, const std::wstring& path) {
    Ptr<IVexoFolders> folders;
    Ptr<IVexoFiles> files;
    ASSERT_EQ(into->get_Folders(folders.put()), S_OK);
    ASSERT_EQ(into->get_Files(files.put()), S_OK);
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        Bstr n(name.c_str());
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            auto sub = Create<IVexoFolder>(CLSID_VexoFolder);
            EXPECT_EQ(sub->put_Name(n.get()), S_OK);
            EXPECT_EQ(folders->Add(sub.get()), S_OK);
            AddTree(sub.get(), path + L"\\" + name);
        } else {
            auto file = Create<IVexoFile>(CLSID_VexoFile);
            Bstr source((path + L"\\" + name).c_str());
            EXPECT_EQ(file->put_Name(n.get()), S_OK);
            EXPECT_EQ(file->put_SourceFilePath(source.get()), S_OK);
            EXPECT_EQ(files->Add(file.get()), S_OK);
        }
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

class DataBurnTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = WorkFolder();
        CreateDirectoryW(dir_.c_str(), nullptr);
        CreateDirectoryW((dir_ + L"\\out").c_str(), nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        EXPECT_EQ(sim::Counter("outstanding.isoitem"), 0);
        EXPECT_EQ(sim::Counter("outstanding.isotrack"), 0);
        EXPECT_EQ(sim::Counter("outstanding"), 0) << "every engine block was given back";
        SetRegistryEngine("");
    }
    std::wstring dir_;
};

LONG DoneBurn(DriveClient& c) { return c.sink().Last(kOnDoneBurn)->args.at(0).Long(); }

TEST_F(DataBurnTest, AFolderTreeBurnsToAnIsoImageWhoseSizeTheEstimateKnewAndARefusedOneWritesNothing) {
    const std::wstring src = dir_ + L"\\src";
    const std::wstring longFolder = L"A folder whose name runs well beyond the sixty-four characters of Joliet";
    const std::wstring longFile = L"and a file in it whose name is also longer than sixty-four characters.bin";
    ASSERT_GT(longFolder.size(), 64u);
    ASSERT_GT(longFile.size(), 64u);
    for (const std::wstring& folder : {src, src + L"\\Documents", src + L"\\Documents\\Reports 2024", src + L"\\" + longFolder,
                                       src + L"\\empty folder"})
        CreateDirectoryW(folder.c_str(), nullptr);
    WriteFileW(src + L"\\readme.txt", "A data disc made by the data burn test.\r\n");
    WriteFileW(src + L"\\Documents\\Caf\u00e9 \u00dcbersicht.txt", Pattern(70000, 1));
    WriteFileW(src + L"\\Documents\\Reports 2024\\quarterly summary.txt", Pattern(2048 * 5, 2));
    WriteFileW(src + L"\\Documents\\Reports 2024\\nothing yet.txt", "");
    WriteFileW(src + L"\\" + longFolder + L"\\" + longFile, Pattern(300000, 3));

    const std::wstring image = dir_ + L"\\out\\data.iso";
    const std::wstring refusedImage = dir_ + L"\\out\\refused.iso";
    DeleteFileW(image.c_str());
    DeleteFileW(refusedImage.c_str());
    DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());

    auto iso = Create<IVexoISOTrack2>(CLSID_VexoISOTrack);
    Ptr<IVexoFolder> root;
    ASSERT_EQ(iso->get_RootFolder(root.put()), S_OK);
    AddTree(root.get(), src);
    Bstr volume(L"DataBurn Vol"), publisher(L"Quarn Publishing");
    iso->put_Name(volume.get());
    iso->put_Publisher(publisher.get());
    iso->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(VEXO_BURN_OPTION_USE_JOLIET | VEXO_BURN_OPTION_USE_ROCKRIDGE));

    Bstr target(image.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(target.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, iso.get(), nullptr, nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    Bstr log;
    c.vexo()->get_ErrorLog(log.put());
    ASSERT_EQ(DoneBurn(c), 0) << Utf8(log.get() ? log.get() : L"");
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(image.c_str(), GetFileExInfoStandard, &data));
    const LONG written = static_cast<LONG>(data.nFileSizeLow / 2048);
    EXPECT_EQ(data.nFileSizeLow % 2048, 0u);
    EXPECT_EQ(sim::Counter("dataimage.sectors"), written);
    EXPECT_EQ(GetFileAttributesW((image + L".part").c_str()), INVALID_FILE_ATTRIBUTES);

    // The exact estimate of the same track is the image's size.
    auto options = Create<IVexoFileSystemTrackOptions>(CLSID_VexoFileSystemTrackOptions);
    options->put_MediaType(static_cast<VEXO_MEDIA_TYPE>(1));
    ASSERT_EQ(c.drive()->EstimateTrackSize(iso.get(), VETS_EXACT_SIZE, options.get()), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneEstimate));
    EXPECT_EQ(c.sink().Last(kOnDoneEstimate)->args.at(0).Long(), VARIANT_TRUE);
    EXPECT_EQ(c.sink().Last(kOnDoneEstimate)->args.at(1).Long(), written);
    ASSERT_EQ(c.drive()->EstimateTrackSize(iso.get(), VETS_DATA, options.get()), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneEstimate, 2));
    EXPECT_EQ(c.sink().Last(kOnDoneEstimate)->args.at(1).Long(), 1 + 35 + 5 + 147) << "the files' sectors";

    // UDF is refused: result 3, the engine's line in the error log, no image.
    iso->put_BurnOptions(static_cast<VEXO_BURN_OPTIONS>(VEXO_BURN_OPTION_USE_JOLIET | VEXO_BURN_OPTION_CREATE_UDF_FS));
    Bstr refusedTarget(refusedImage.c_str());
    ASSERT_EQ(c.drive()->InitImageRecorder(refusedTarget.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_FALSE, iso.get(), nullptr, nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2, 60000));
    EXPECT_EQ(DoneBurn(c), 3);
    Bstr refusedLog;
    c.vexo()->get_ErrorLog(refusedLog.put());
    EXPECT_NE(Utf8(refusedLog.get() ? refusedLog.get() : L"").find("The data track asks for a UDF file system"),
              std::string::npos)
        << Utf8(refusedLog.get() ? refusedLog.get() : L"");
    EXPECT_EQ(GetFileAttributesW(refusedImage.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((refusedImage + L".part").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DataBurnTest, AnImageMadeByXorrisoImportsAsItsTreeAndAMissingTrackSaysSo) {
    const std::wstring imported = dir_ + L"\\import.iso";
    ASSERT_NE(GetFileAttributesW(imported.c_str()), INVALID_FILE_ATTRIBUTES)
        << "tests/com/DataBurn.sh makes " << Utf8(imported) << " with xorriso";
    const std::string expected = DescribeFolder(dir_ + L"\\import-src");
    DriveClient c(TwoDrives("Medium=" + Utf8(imported) + "\n"));
    ASSERT_TRUE(c.ok());

    ASSERT_EQ(c.drive()->ImportIsoTrack(1, VEXO_IMPORT_ROCKRIDGE), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneImport2));
    {
        const SinkEvent* done = c.sink().Last(kOnDoneImport2);
        EXPECT_EQ(done->args.at(0).Long(), VARIANT_TRUE);
        EXPECT_EQ(done->args.at(4).Long(), 0);
        Ptr<IVexoFolder> folder;
        ASSERT_NE(done->args.at(1).Dispatch(), nullptr);
        ASSERT_EQ(done->args.at(1).Dispatch()->QueryInterface(IID_IVexoFolder, folder.put_void()), S_OK);
        EXPECT_EQ(DescribeObjects(folder.get()), expected);
        Ptr<IVexoImportDataTrackInfo> info;
        ASSERT_EQ(done->args.at(3).Dispatch()->QueryInterface(IID_IVexoImportDataTrackInfo, info.put_void()), S_OK);
        Bstr name;
        ASSERT_EQ(info->get_VolumeName(name.put()), S_OK);
        EXPECT_EQ(Utf8(name.get() ? name.get() : L""), "IMPORT_VOL");
    }

    ASSERT_EQ(c.drive()->ImportIsoTrack(99, VEXO_IMPORT_ROCKRIDGE), S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneImport2, 2));
    const SinkEvent* missing = c.sink().Last(kOnDoneImport2);
    EXPECT_EQ(missing->args.at(0).Long(), VARIANT_FALSE);
    EXPECT_EQ(missing->args.at(4).Long(), VIDTR_INVALID_TRACKNUMBER);
}

}  // namespace

// Discs other than plain audio and data discs, end to end through the
// registered server and the simulated engine's image recorder: a CD-extra
// disc (audio in session 1, the ISO track in session 2), a freestyle disc
// with a Mode 1 data track and an audio track, one whose file-system
// content becomes its data track, a video CD with its data
// track, and a disc copy whose image equals the source drive's medium while
// the source drive answers 520 (busy) during the copy. Run by
// tests/com/DiscImages.sh (DISCIMAGES_DIR names the folder), which then
// checks the data track and the video CD image with xorriso and isoinfo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

std::string Narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}
std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), n);
    return w;
}

std::string WorkFolder() {
    if (const char* dir = std::getenv("DISCIMAGES_DIR"); dir && *dir) return dir;
    char path[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\')) + "\\discimages-e2e";
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 17 + seed * 37 + i / 3000) & 0xFF);
    return s;
}

std::string Wav(const std::string& pcm) {
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
        return s;
    };
    return "RIFF" + le(36 + static_cast<std::uint32_t>(pcm.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) +
           le(44100, 4) + le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(static_cast<std::uint32_t>(pcm.size()), 4) +
           pcm;
}

// The sheet's session and track lines.
std::vector<std::string> Shape(const std::string& sheet) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < sheet.size()) {
        std::size_t end = sheet.find('\n', at);
        if (end == std::string::npos) end = sheet.size();
        std::string line = sheet.substr(at, end - at);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        line.erase(0, line.find_first_not_of(' '));
        if (line.rfind("REM SESSION", 0) == 0 || line.rfind("TRACK", 0) == 0) out.push_back(line);
        at = end + 1;
    }
    return out;
}

template <class I>
Ptr<I> Create(REFCLSID clsid) {
    Ptr<I> p;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I), p.put_void()), S_OK);
    return p;
}

LONG DoneBurn(DriveClient& c) { return c.sink().Last(kOnDoneBurn)->args.at(0).Long(); }

std::string ErrorLog(DriveClient& c) {
    Bstr log;
    c.vexo()->get_ErrorLog(log.put());
    return Narrow(log.get() ? log.get() : L"");
}

class DiscImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = WorkFolder();
        CreateDirectoryA(dir_.c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\src").c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\src\\docs").c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\out").c_str(), nullptr);
        WriteBytes(dir_ + "\\src\\readme.txt", "The data of a disc with several kinds of tracks.\n");
        WriteBytes(dir_ + "\\src\\docs\\notes.bin", Pattern(9000, 1));
    }
    void TearDown() override {
        EXPECT_EQ(sim::Counter("check.failures"), 0) << sim::Text("check.last");
        EXPECT_EQ(sim::Counter("outstanding"), 0) << "every engine block was given back";
        SetRegistryEngine("");
    }

    // An ISO track of src\ (readme.txt and docs\notes.bin).
    Ptr<IVexoISOTrack2> IsoTrack() {
        auto iso = Create<IVexoISOTrack2>(CLSID_VexoISOTrack);
        Ptr<IVexoFolder> root, docs;
        Ptr<IVexoFolders> folders, docsFolders;
        Ptr<IVexoFiles> files, docsFiles;
        EXPECT_EQ(iso->get_RootFolder(root.put()), S_OK);
        root->get_Folders(folders.put());
        root->get_Files(files.put());
        auto file = [&](const wchar_t* name, const std::string& source) {
            auto f = Create<IVexoFile>(CLSID_VexoFile);
            Bstr n(name), s(Wide(source).c_str());
            f->put_Name(n.get());
            f->put_SourceFilePath(s.get());
            return f;
        };
        docs = Create<IVexoFolder>(CLSID_VexoFolder);
        Bstr docsName(L"docs");
        docs->put_Name(docsName.get());
        docs->get_Files(docsFiles.put());
        EXPECT_EQ(docsFiles->Add(file(L"notes.bin", dir_ + "\\src\\docs\\notes.bin").get()), S_OK);
        EXPECT_EQ(folders->Add(docs.get()), S_OK);
        EXPECT_EQ(files->Add(file(L"readme.txt", dir_ + "\\src\\readme.txt").get()), S_OK);
        Bstr volume(L"Extra Data");
        iso->put_Name(volume.get());
        iso->put_BurnOptions(VEXO_BURN_OPTION_USE_JOLIET);
        return iso;
    }

    void Target(DriveClient& c, const std::string& path) {
        Bstr t(Wide(path).c_str());
        ASSERT_EQ(c.drive()->InitImageRecorder(t.get(), static_cast<VEXO_MEDIA_TYPE>(1)), S_OK);
    }

    std::string dir_;
};

TEST_F(DiscImagesTest, ACdExtraDiscHasItsAudioInSessionOneAndItsDataInSessionTwo) {
    WriteBytes(dir_ + "\\src\\song.wav", Wav(Pattern(2352 * 20, 2)));
    const std::string cue = dir_ + "\\out\\extra.cue";
    DeleteFileA(cue.c_str());
    DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());
    Target(c, cue);
    auto tracks = Create<IVexoAudioTracks>(CLSID_VexoAudioTracks);
    auto song = Create<IVexoAudioTrack>(CLSID_VexoAudioTrack);
    Bstr songFile(Wide(dir_ + "\\src\\song.wav").c_str());
    song->put_Filename(songFile.get());
    song->put_LengthInBlocks(20);
    ASSERT_EQ(tracks->Add(song.get()), S_OK);
    auto iso = IsoTrack();
    ASSERT_EQ(c.drive()->BurnIsoAudioCD(nullptr, nullptr, VARIANT_TRUE, iso.get(), tracks.get(), nullptr,
                                        static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(DoneBurn(c), 0) << ErrorLog(c);
    EXPECT_EQ(Shape(ReadBytes(cue)),
              (std::vector<std::string>{"REM SESSION 01", "TRACK 01 AUDIO", "REM SESSION 02", "TRACK 02 MODE1/2352"}));
    EXPECT_EQ(ReadBytes(dir_ + "\\out\\extra.bin").substr(0, 2352 * 20), Pattern(2352 * 20, 2));
}

TEST_F(DiscImagesTest, AFreestyleDiscWritesItsModeOneTrackAndItsAudioTrack) {
    WriteBytes(dir_ + "\\src\\song.wav", Wav(Pattern(2352 * 10, 3)));
    WriteBytes(dir_ + "\\src\\data.dat", Pattern(2048 * 6, 4));
    const std::string cue = dir_ + "\\out\\free.cue";
    DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());
    Target(c, cue);
    auto tracks = Create<IVexoFreestyleTracks>(CLSID_VexoFreestyleTracks);
    auto data = Create<IVexoFreestyleTrack>(CLSID_VexoFreestyleTrack);
    auto audio = Create<IVexoFreestyleTrack>(CLSID_VexoFreestyleTrack);
    Bstr dataFile(Wide(dir_ + "\\src\\data.dat").c_str()), audioFile(Wide(dir_ + "\\src\\song.wav").c_str());
    data->put_Filename(dataFile.get());
    data->put_TrackType(VEXO_FREESTYLE_TRACK_MODE1);
    audio->put_Filename(audioFile.get());
    audio->put_TrackType(VEXO_FREESTYLE_TRACK_AUDIO);
    audio->put_PauseInBlksBeforeThisTrack(150);
    ASSERT_EQ(tracks->Add(data.get()), S_OK);
    ASSERT_EQ(tracks->Add(audio.get()), S_OK);
    Bstr title(L"Free");
    ASSERT_EQ(c.drive()->BurnFreestyleCD(nullptr, nullptr, title.get(), VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                         static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(DoneBurn(c), 0) << ErrorLog(c);
    const std::string sheet = ReadBytes(cue);
    EXPECT_EQ(Shape(sheet), (std::vector<std::string>{"TRACK 01 MODE1/2352", "TRACK 02 AUDIO"}));
    EXPECT_NE(sheet.find("INDEX 00 00:00:06"), std::string::npos) << sheet;
    const std::string bin = ReadBytes(dir_ + "\\out\\free.bin");
    ASSERT_EQ(bin.size(), 2352u * (6 + 150 + 10));
    EXPECT_EQ(bin.substr(2352 * 5 + 16, 2048), Pattern(2048 * 6, 4).substr(2048 * 5)) << "the last data sector's user data";
    EXPECT_EQ(bin.substr(2352 * 156), Pattern(2352 * 10, 3));
}

TEST_F(DiscImagesTest, AFreestyleDiscWithFileSystemContentWritesTheContainerAsADataTrack) {
    WriteBytes(dir_ + "\\src\\song.wav", Wav(Pattern(2352 * 4, 9)));
    const std::string payload = Pattern(5000, 10);
    WriteBytes(dir_ + "\\src\\content.bin", payload);
    const std::string cue = dir_ + "\\out\\content.cue";
    DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());
    Target(c, cue);
    auto container = Create<IVexoFileSystemDescContainer>(CLSID_VexoFileSystemDescContainer);
    Ptr<IVexoDirectoryContainer> root;
    ASSERT_EQ(container->get_RootDirectoryContainer(root.put()), S_OK);
    Ptr<IVexoDirectoryEntryContainer> entry;
    Bstr name(L"content.bin"), source(Wide(dir_ + "\\src\\content.bin").c_str());
    ASSERT_EQ(root->AddFile2(name.get(), source.get(), 0, 0, entry.put()), S_OK);
    auto tracks = Create<IVexoFreestyleTracks>(CLSID_VexoFreestyleTracks);
    auto audio = Create<IVexoFreestyleTrack>(CLSID_VexoFreestyleTrack);
    Bstr audioFile(Wide(dir_ + "\\src\\song.wav").c_str());
    audio->put_Filename(audioFile.get());
    audio->put_TrackType(VEXO_FREESTYLE_TRACK_AUDIO);
    ASSERT_EQ(tracks->Add(audio.get()), S_OK);
    ASSERT_EQ(c.drive()->BurnFreestyleCD(container.get(), nullptr, nullptr, VARIANT_FALSE, nullptr, tracks.get(), nullptr,
                                         static_cast<VEXO_BURN_FLAGS>(4), 0, static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(DoneBurn(c), 0) << ErrorLog(c);
    EXPECT_EQ(Shape(ReadBytes(cue)), (std::vector<std::string>{"TRACK 01 MODE1/2352", "TRACK 02 AUDIO"}));
    // The data track's user data holds the file's bytes, sector after sector.
    const std::string bin = ReadBytes(dir_ + "\\out\\content.bin");
    ASSERT_GT(bin.size(), 2352u * 4);
    std::string user;
    for (std::size_t at = 0; at + 2352 <= bin.size() - 2352 * 4; at += 2352) user += bin.substr(at + 16, 2048);
    EXPECT_NE(user.find(payload.substr(0, 2048)), std::string::npos);
    EXPECT_NE(user.find(payload.substr(2048, 2048)), std::string::npos);
    EXPECT_EQ(bin.substr(bin.size() - 2352 * 4), Pattern(2352 * 4, 9));
}

TEST_F(DiscImagesTest, AVideoCdBesideItsDataTrackAndARefusedItemWritesNothing) {
    WriteBytes(dir_ + "\\src\\clip1.mpg", Pattern(50000, 5));
    WriteBytes(dir_ + "\\src\\clip2.mpg", Pattern(30000, 6));
    WriteBytes(dir_ + "\\src\\still.jpg", Pattern(8000, 7));
    const std::string image = dir_ + "\\out\\video.iso";
    DeleteFileA(image.c_str());
    DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());
    Target(c, image);
    auto items = Create<IVexoVideoItems>(CLSID_VexoVideoItems);
    auto item = [&](const std::string& file, VEXO_VIDEO_ITEM_TYPE type) {
        auto v = Create<IVexoVideoItem>(CLSID_VexoVideoItem);
        Bstr name(Wide(file).c_str());
        v->put_SourceFileName(name.get());
        v->put_ItemType(type);
        EXPECT_EQ(items->Add(v.get()), S_OK);
    };
    item(dir_ + "\\src\\clip1.mpg", VEXO_MPEG_ITEM);
    item(dir_ + "\\src\\still.jpg", VEXO_JPEG_ITEM);
    item(dir_ + "\\src\\clip2.mpg", VEXO_MPEG_ITEM);
    auto iso = IsoTrack();
    ASSERT_EQ(c.drive()->BurnVideoCD2(items.get(), VARIANT_FALSE, nullptr, iso.get(), static_cast<VEXO_BURN_FLAGS>(4), 0,
                                      static_cast<VEXO_VIDEO_RESOLUTION>(1)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(DoneBurn(c), 0) << ErrorLog(c);
    EXPECT_TRUE(Exists(image));

    const std::string refused = dir_ + "\\out\\refused-video.iso";
    DeleteFileA(refused.c_str());
    Target(c, refused);
    item(dir_ + "\\src\\raw.avi", VEXO_NONENCODED_VIDEO_ITEM);
    ASSERT_EQ(c.drive()->BurnVideoCD(items.get(), VARIANT_TRUE, nullptr, nullptr, static_cast<VEXO_BURN_FLAGS>(4), 0),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 2, 60000));
    EXPECT_EQ(DoneBurn(c), 3);
    EXPECT_NE(ErrorLog(c).find("Video item 4 (\"" + dir_ + "\\src\\raw.avi\") is not encoded"), std::string::npos)
        << ErrorLog(c);
    EXPECT_FALSE(Exists(refused));
    EXPECT_FALSE(Exists(refused + ".part"));
}

TEST_F(DiscImagesTest, ADiscCopyIsTheSourceMediumAndTheSourceDriveIsBusyMeanwhile) {
    const std::string medium = dir_ + "\\src\\medium.iso";
    WriteBytes(medium, Pattern(2048 * 300, 8));
    const std::string target = dir_ + "\\out\\copy.iso", onTheWay = dir_ + "\\out\\on-the-way.iso";
    DeleteFileA(target.c_str());
    DriveClient c(TwoDrives("", "Medium=" + medium + "\nOperationMs=1500\n", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());
    Target(c, target);
    std::vector<HRESULT> during;
    c.sink().onEvent = [&](DISPID id, std::vector<VARIANT*>&) {
        if (id != kOnProgress || !during.empty()) return;
        BOOL ready = FALSE;
        during.push_back(c.drive(1)->get_DeviceReady(&ready));
    };
    Bstr image(Wide(onTheWay).c_str());
    const DWORD start = GetTickCount();
    ASSERT_EQ(c.drive()->BurnDiscCopy(c.drive(1), VARIANT_FALSE, image.get(), VARIANT_TRUE, 4, 1, VARIANT_FALSE,
                                      VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, static_cast<VEXO_BURN_FLAGS>(4), 0,
                                      static_cast<VEXO_MEDIA_TYPE>(1)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    ASSERT_EQ(DoneBurn(c), 0) << ErrorLog(c);
    EXPECT_GE(GetTickCount() - start, 1400u) << "reading the medium takes its time";
    EXPECT_EQ(during, (std::vector<HRESULT>{Err(520)}));
    EXPECT_GE(c.sink().Count(kOnProgress), 10u) << "progress while reading";
    EXPECT_EQ(ReadBytes(target), ReadBytes(medium));
    EXPECT_FALSE(Exists(onTheWay)) << "the image on the way was deleted";
    BOOL ready = FALSE;
    EXPECT_EQ(c.drive(1)->get_DeviceReady(&ready), S_OK) << "the source is free again";
}

TEST_F(DiscImagesTest, ADiscCopyFromAnEmptyDriveFails) {
    const std::string target = dir_ + "\\out\\empty-copy.iso";
    DriveClient c(TwoDrives("", "", "\n[Burn]\nSteps=2\nStepMs=10\n"));
    ASSERT_TRUE(c.ok());
    Target(c, target);
    ASSERT_EQ(c.drive()->BurnDiscCopy(c.drive(1), VARIANT_TRUE, nullptr, VARIANT_FALSE, 0, 0, VARIANT_FALSE,
                                      VARIANT_FALSE, VARIANT_FALSE, VARIANT_FALSE, static_cast<VEXO_BURN_FLAGS>(4), 0,
                                      static_cast<VEXO_MEDIA_TYPE>(0)),
              S_OK);
    ASSERT_TRUE(c.WaitFor(kOnDoneBurn, 1, 60000));
    EXPECT_EQ(DoneBurn(c), 3);
    EXPECT_NE(ErrorLog(c).find("There is no medium in the source drive"), std::string::npos) << ErrorLog(c);
    EXPECT_FALSE(Exists(target));
}

}  // namespace

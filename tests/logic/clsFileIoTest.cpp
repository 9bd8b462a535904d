// The ripper's output file: opening, truncating, writing, WAV headers that
// match the audio actually written.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "WavHeader.h"
#include "clsFileIo.h"

namespace {

// A fresh folder under the temp folder per test, removed afterwards.
class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathA(MAX_PATH, tmp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::string(tmp) + "clsFileIo_" + info->name() + "_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& f : created_) DeleteFileA(f.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    std::string Path(const std::string& name) {
        created_.push_back(dir_ + "\\" + name);
        return created_.back();
    }
    static std::string Contents(const std::string& path) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<missing>";
        std::string s;
        char buf[65536];
        DWORD n = 0;
        while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) s.append(buf, n);
        CloseHandle(h);
        return s;
    }
    static void WriteRaw(const std::string& path, const std::string& bytes) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD n = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        CloseHandle(h);
    }
    static uint32_t Le32(const std::string& s, size_t at) {
        auto b = [&](size_t i) { return uint32_t{static_cast<uint8_t>(s[at + i])}; };
        return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
    }
    static std::string Header(uint32_t length) {
        WavHeader::Bytes h = WavHeader::Build(length);
        return std::string(reinterpret_cast<const char*>(h.data()), h.size());
    }

    std::string dir_;
    std::vector<std::string> created_;
};

const std::vector<uint8_t> kFrame = [] {
    std::vector<uint8_t> f(2352);
    for (size_t i = 0; i < f.size(); ++i) f[i] = static_cast<uint8_t>(i * 7 + 3);
    return f;
}();

}  // namespace

TEST_F(FileIo, FailedOpenLeavesTheInstanceClosedAndTouchesNothing) {
    std::string path = dir_ + "\\no such folder\\Track 1.wav";
    clsFileIo f;
    EXPECT_FALSE(f.OpenFile(path));
    EXPECT_TRUE(f.FileName().empty());
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.writeWavHeader(2352));
    EXPECT_FALSE(f.WriteBytes(kFrame.data(), 2352));
    EXPECT_EQ(f.ByteCount(), 0u);
    EXPECT_FALSE(f.FlushBuffers());
    uint8_t buf[16];
    EXPECT_EQ(f.ReadBytes(buf, sizeof buf), 0);
    EXPECT_FALSE(f.CloseFile());
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileIo, EmptyNameDoesNotOpen) {
    clsFileIo f;
    EXPECT_FALSE(f.OpenFile(""));
    EXPECT_FALSE(f.CloseFile());
}

TEST_F(FileIo, OpenCreatesAMissingFile) {
    std::string path = Path("new.bin");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    EXPECT_EQ(f.FileName(), path);
    EXPECT_TRUE(f.WriteBytes(reinterpret_cast<const uint8_t*>("abc"), 3));
    EXPECT_EQ(f.ByteCount(), 3u);
    EXPECT_NE(f.LastResult(), 0);
    EXPECT_TRUE(f.CloseFile());
    EXPECT_EQ(Contents(path), "abc");
}

TEST_F(FileIo, AnOlderLongerFileIsCutToWhatIsWritten) {
    std::string path = Path("Track 1.mp3");
    WriteRaw(path, std::string(100000, 'x'));
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    ASSERT_TRUE(f.WriteBytes(reinterpret_cast<const uint8_t*>("short"), 5));
    ASSERT_TRUE(f.FlushBuffers());
    f.CloseFile();
    EXPECT_EQ(Contents(path), "short");
}

TEST_F(FileIo, OpeningAloneEmptiesAnOldFile) {
    std::string path = Path("old.wav");
    WriteRaw(path, "previous content");
    {
        clsFileIo f;
        ASSERT_TRUE(f.OpenFile(path));
    }
    EXPECT_EQ(Contents(path), "");
}

TEST_F(FileIo, TheOpenFileIsNotShared) {
    std::string path = Path("locked.wav");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    f.CloseFile();
    EXPECT_FALSE(f.WriteBytes(kFrame.data(), 1));  // closed: nothing more is written
    EXPECT_EQ(Contents(path), "");
}

TEST_F(FileIo, EmptyWavIs44Bytes) {
    std::string path = Path("empty.wav");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    EXPECT_TRUE(f.writeWavHeader(0));
    f.CloseFile();
    std::string s = Contents(path);
    ASSERT_EQ(s.size(), 44u);
    EXPECT_EQ(s, Header(0));
    EXPECT_EQ(Le32(s, 4), 36u);
}

TEST_F(FileIo, ACompleteTrackKeepsItsHeaderExactly) {
    std::string path = Path("Track 2.wav");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    ASSERT_TRUE(f.writeWavHeader(5 * 2352));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(f.WriteBytes(kFrame.data(), 2352));
        f.FlushBuffers();
    }
    ASSERT_TRUE(f.CloseFile());
    std::string s = Contents(path);
    ASSERT_EQ(s.size(), 44u + 5 * 2352);
    EXPECT_EQ(s.substr(0, 44), Header(5 * 2352));
    EXPECT_EQ(s.substr(44, 2352), std::string(kFrame.begin(), kFrame.end()));
}

TEST_F(FileIo, AnAbandonedTrackAnnouncesOnlyTheAudioItHolds) {
    std::string path = Path("Track 3.wav");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    ASSERT_TRUE(f.writeWavHeader(100 * 2352));
    ASSERT_TRUE(f.WriteBytes(kFrame.data(), 2352));
    ASSERT_TRUE(f.WriteBytes(kFrame.data(), 2352));
    ASSERT_TRUE(f.CloseFile());
    std::string s = Contents(path);
    ASSERT_EQ(s.size(), 44u + 2 * 2352);
    EXPECT_EQ(Le32(s, 4), 2u * 2352 + 36);
    EXPECT_EQ(Le32(s, 40), 2u * 2352);
    EXPECT_EQ(s.substr(0, 44), Header(2 * 2352));  // nothing else in the header changed
    EXPECT_EQ(s.substr(44 + 2352), std::string(kFrame.begin(), kFrame.end()));  // the audio is intact
}

TEST_F(FileIo, ATrackAbandonedBeforeItsFirstBlockIsAnEmptyWav) {
    std::string path = Path("Track 4.wav");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    ASSERT_TRUE(f.writeWavHeader(60000u * 2352));
    f.CloseFile();
    EXPECT_EQ(Contents(path), Header(0));
}

TEST_F(FileIo, ReleasingAnOpenInstanceClosesAndCorrectsTheFile) {
    std::string path = Path("Track 5.wav");
    {
        clsFileIo f;
        ASSERT_TRUE(f.OpenFile(path));
        ASSERT_TRUE(f.writeWavHeader(10 * 2352));
        ASSERT_TRUE(f.WriteBytes(kFrame.data(), 2352));
    }
    std::string s = Contents(path);
    ASSERT_EQ(s.size(), 44u + 2352);
    EXPECT_EQ(Le32(s, 40), 2352u);
}

TEST_F(FileIo, FilesWithoutAHeaderAreNeverPatched) {
    std::string path = Path("Track 6.mp3");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    std::string data(100, '\x55');
    ASSERT_TRUE(f.WriteBytes(data.data(), 100));
    f.CloseFile();
    EXPECT_EQ(Contents(path), data);
}

TEST_F(FileIo, NullDataIsRefusedWithoutWriting) {
    std::string path = Path("null.bin");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    EXPECT_FALSE(f.WriteBytes(nullptr, 2352));
    EXPECT_EQ(f.ReadBytes(nullptr, 10), 0);
    EXPECT_TRUE(f.WriteBytes(nullptr, 0));
    f.CloseFile();
    EXPECT_EQ(Contents(path), "");
}

TEST_F(FileIo, ReadingAtTheEndSucceedsWithNoBytes) {
    std::string path = Path("read.bin");
    clsFileIo f;
    ASSERT_TRUE(f.OpenFile(path));
    ASSERT_TRUE(f.WriteBytes(kFrame.data(), 16));
    uint8_t buf[16];
    EXPECT_NE(f.ReadBytes(buf, sizeof buf), 0);
    EXPECT_EQ(f.ByteCount(), 0u);
}

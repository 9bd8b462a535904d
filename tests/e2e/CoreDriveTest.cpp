// The disc-reading core against the real CD access library and MCI device
// of the test prefix, with images in the virtual drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "AkripRecords.h"
#include "CD_Library.h"
#include "VirtualDisc.h"
#include "modAKRip32.h"
#include "modcd.h"

namespace {

using AkripRecords::BytesPerFrame;
using AkripRecords::FrameRange;

std::string CdLetter() {
    const char* l = std::getenv("CDROM_LETTER");
    char c = (l && *l) ? *l : 'd';
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
}

// Reads frames [range.start, range.end) in blocks of 26 through the library,
// as the rip routines do; the block sizes are appended to `blocks`.
bool ReadTrack(const FrameRange& range, std::string& audio, std::vector<uint32_t>& blocks) {
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    if (!block) return false;
    uint32_t current = range.start;
    uint32_t remaining = range.Frames();
    uint32_t n = modAKRip32::FramesPerRead;
    while (remaining > 0) {
        if (remaining < n) n = remaining;
        if (!modAKRip32::ReadAudioBlock(block.bytes(), current, n)) return false;
        auto data = modAKRip32::BlockAudio(block.bytes(), n);
        audio.append(reinterpret_cast<const char*>(data.data()), data.size());
        blocks.push_back(n);
        current += n;
        remaining -= n;
    }
    return true;
}

class CdDrive : public ::testing::Test {
protected:
    void TearDown() override {
        modAKRip32::CloseDrive();
        CD_Library::CloseCD();
        testdisc::Eject();
    }
};

}  // namespace

// --- MCI device --------------------------------------------------------------

TEST_F(CdDrive, MciOnAnEmptyDriveReportsNoDiscAndNoTracks) {
    testdisc::Eject();
    ASSERT_TRUE(CD_Library::OpenCD(testdisc::DriveRoot()));
    EXPECT_TRUE(CD_Library::DeviceOpen);
    EXPECT_FALSE(CD_Library::IsMediaPresent());
    EXPECT_EQ(CD_Library::GetTrackCount(), 0);
    EXPECT_EQ(CD_Library::GetTotalLength(), "no_disc_present");
    EXPECT_EQ(CD_Library::GetTrackLength(1), "no_tracks");
}

TEST_F(CdDrive, MciOnALetterThatIsNoCdDriveStaysClosed) {
    testdisc::Insert({{750}});
    EXPECT_FALSE(CD_Library::OpenCD("Q:"));
    EXPECT_FALSE(CD_Library::DeviceOpen);
    EXPECT_FALSE(CD_Library::IsMediaPresent());
    EXPECT_EQ(CD_Library::GetTrackCount(), 0);
    EXPECT_EQ(CD_Library::GetTotalLength(), "device_not_open");
    EXPECT_EQ(CD_Library::GetTrackLength(1), "device_not_open");
    EXPECT_FALSE(CD_Library::OpenDoor());
}

TEST_F(CdDrive, MciReportsTrackCountAndLengths) {
    testdisc::Insert({{60000}, {1000}});
    ASSERT_TRUE(CD_Library::OpenCD(CdLetter() + ":      CD DRIVE"));  // an item of the drive list
    EXPECT_TRUE(CD_Library::IsMediaPresent());
    EXPECT_EQ(CD_Library::GetTrackCount(), 2);
    EXPECT_EQ(CD_Library::GetTrackLength(1), "13:20:00");
    EXPECT_EQ(CD_Library::GetTrackLength(2), "00:13:25");
    std::string total = CD_Library::GetTotalLength();
    EXPECT_FALSE(total.empty());
    EXPECT_NE(total, "no_disc_present");
    EXPECT_TRUE(CD_Library::OpenDoor());
}

TEST_F(CdDrive, MciAfterCloseIsNotOpen) {
    testdisc::Insert({{750}});
    ASSERT_TRUE(CD_Library::OpenCD(testdisc::DriveRoot()));
    EXPECT_TRUE(CD_Library::CloseCD());
    EXPECT_FALSE(CD_Library::DeviceOpen);
    EXPECT_EQ(CD_Library::GetTrackLength(1), "device_not_open");
    EXPECT_FALSE(CD_Library::OpenDoor());
    // Opening again after a close works (the window reopens on every re-read).
    EXPECT_TRUE(CD_Library::OpenCD(testdisc::DriveRoot()));
    EXPECT_TRUE(CD_Library::OpenCD(testdisc::DriveRoot()));
    EXPECT_EQ(CD_Library::GetTrackCount(), 1);
}

TEST_F(CdDrive, OpenWithAnEmptyDriveTextFails) {
    EXPECT_FALSE(CD_Library::OpenCD(""));
    EXPECT_FALSE(CD_Library::DeviceOpen);
}

// --- Drive letters -------------------------------------------------------------

TEST_F(CdDrive, TheVirtualDriveIsListedAsACdDrive) {
    std::vector<std::string> list{"stale"};
    uint16_t n = modcd::ListLogicalDrives(list, 5);
    EXPECT_EQ(n, list.size());
    EXPECT_NE(std::find(list.begin(), list.end(), CdLetter() + ":      CD DRIVE"), list.end());
    for (const std::string& item : list) EXPECT_EQ(item.substr(2), "      CD DRIVE");

    std::vector<std::string> all;
    EXPECT_GE(modcd::ListLogicalDrives(all, 0), n);
    EXPECT_NE(std::find(all.begin(), all.end(), "C:      FIXED DISK DRIVE"), all.end());
}

// --- CD access library ---------------------------------------------------------

TEST_F(CdDrive, LibraryListsTheVirtualDrive) {
    ASSERT_TRUE(modAKRip32::IsLibraryLoaded());
    EXPECT_GE(modAKRip32::GetNumAdapters(), 1);
    auto rec = modAKRip32::GetCDRecord(0);
    auto id = AkripRecords::Identification(rec);
    EXPECT_NE(id[0], 0) << "drive 0 has an identification text";
    EXPECT_EQ(modAKRip32::GetCDRecord(8), AkripRecords::CdRecordBytes{});
}

TEST_F(CdDrive, WholeTracksReadEqualTheImage) {
    testdisc::Insert({{100}, {30}, {26}});
    ASSERT_TRUE(modAKRip32::OpenDriveAndReadToc(0));
    EXPECT_NE(modAKRip32::CdHandle, 0);
    ASSERT_EQ(AkripRecords::TrackCount(modAKRip32::Toc), 3);
    EXPECT_EQ(modAKRip32::TocAddressToLba(0), 0u);
    EXPECT_EQ(modAKRip32::TocAddressToLba(3), 156u);  // lead-out

    const FrameRange expected[] = {{0, 100}, {100, 130}, {130, 156}};
    const std::vector<uint32_t> expectedBlocks[] = {{26, 26, 26, 22}, {26, 4}, {26}};
    for (int row = 1; row <= 3; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        auto range = AkripRecords::TrackRange(modAKRip32::Toc, row);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(*range, expected[row - 1]);
        std::string audio;
        std::vector<uint32_t> blocks;
        ASSERT_TRUE(ReadTrack(*range, audio, blocks));
        EXPECT_EQ(blocks, expectedBlocks[row - 1]);
        ASSERT_EQ(audio.size(), range->Bytes());
        EXPECT_TRUE(audio == testdisc::PatternFrames(range->start, range->Frames()));
        // Spot checks straight against the pattern.
        EXPECT_EQ(static_cast<uint8_t>(audio[0]), testdisc::PatternByte(range->start, 0));
        EXPECT_EQ(static_cast<uint8_t>(audio.back()), testdisc::PatternByte(range->end - 1, 2351));
    }
}

TEST_F(CdDrive, ReadsAfterCloseFail) {
    testdisc::Insert({{52}});
    ASSERT_TRUE(modAKRip32::OpenDriveAndReadToc(0));
    uint8_t handle = modAKRip32::CdHandle;
    modAKRip32::CloseDrive();
    EXPECT_EQ(modAKRip32::CdHandle, handle);  // the value stays until the next open

    AkripRecords::TocBytes toc{};
    EXPECT_NE(modAKRip32::ReadTOC(handle, toc), 1u);
    EXPECT_EQ(modAKRip32::GetAspiLibError(), -7);
    EXPECT_EQ(modAKRip32::AspiErrorText(), "The handle to the CD-ROM unit is invalid.");

    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(block.bytes(), 0, 26));
}

TEST_F(CdDrive, EmptyDriveGivesAClearedTocAndNoTrackRows) {
    testdisc::Eject();
    modAKRip32::Toc.fill(0x11);  // left over from an earlier disc
    EXPECT_FALSE(modAKRip32::OpenDriveAndReadToc(0));
    EXPECT_NE(modAKRip32::CdHandle, 0);  // the drive opens, its TOC does not read
    EXPECT_EQ(modAKRip32::Toc, AkripRecords::TocBytes{});
    EXPECT_EQ(AkripRecords::TrackCount(modAKRip32::Toc), 0);
}

TEST_F(CdDrive, UnreadableFramesFailTheirBlock) {
    testdisc::Insert({{80}});
    testdisc::SetUnreadable("30\n");
    ASSERT_TRUE(modAKRip32::OpenDriveAndReadToc(0));
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    EXPECT_TRUE(modAKRip32::ReadAudioBlock(block.bytes(), 0, 26));
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(block.bytes(), 26, 26));
    EXPECT_FALSE(modAKRip32::AspiErrorText().empty());
    EXPECT_TRUE(modAKRip32::ReadAudioBlock(block.bytes(), 52, 26));
}

TEST_F(CdDrive, BlocksThatCannotHoldTheReadAreRefused) {
    testdisc::Insert({{80}});
    ASSERT_TRUE(modAKRip32::OpenDriveAndReadToc(0));
    std::vector<uint8_t> small(AkripRecords::TrackBuffer::Size - 1);
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(small, 0, 1));
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(block.bytes(), 0, 27));
    // A header asking for more than the data area holds never reaches the library.
    auto header = AkripRecords::MakeTrackBufferHeader(0, 26);
    AkripRecords::WriteLE32(&header[AkripRecords::TrackBuffer::MaxLength], 70000);
    std::copy(header.begin(), header.end(), block.data());
    EXPECT_EQ(modAKRip32::ReadCDAudioLBA(modAKRip32::CdHandle, block.bytes()), 0u);
}

// --- A missing library ----------------------------------------------------------

class MissingLibrary : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { modAKRip32::RebindLibrary("akrip32.dll"); }
};

TEST_P(MissingLibrary, GivesFailureResultsNotACrash) {
    modAKRip32::RebindLibrary(GetParam());
    EXPECT_EQ(modAKRip32::GetNumAdapters(), 0);
    EXPECT_EQ(modAKRip32::GetCDRecord(0), AkripRecords::CdRecordBytes{});
    modAKRip32::Toc.fill(0x11);
    EXPECT_FALSE(modAKRip32::OpenDriveAndReadToc(0));
    EXPECT_EQ(modAKRip32::CdHandle, 0);
    EXPECT_EQ(modAKRip32::Toc[4], 0x11);  // no handle: the TOC is left as it was
    modAKRip32::CloseDrive();
    AkripRecords::TocBytes toc{};
    EXPECT_EQ(modAKRip32::ReadTOC(1, toc), 0u);
    win::heap_block block = modAKRip32::AllocateTrackBuffer();
    EXPECT_FALSE(modAKRip32::ReadAudioBlock(block.bytes(), 0, 26));
    EXPECT_EQ(modAKRip32::AspiErrorText(), "");
    modAKRip32::Toc.fill(0);
}

INSTANTIATE_TEST_SUITE_P(Library, MissingLibrary, ::testing::Values("no-such-akrip32.dll", "kernel32.dll"));

TEST(MissingLibraryReport, LoadedStateIsVisible) {
    modAKRip32::RebindLibrary("no-such-akrip32.dll");
    EXPECT_FALSE(modAKRip32::IsLibraryLoaded());
    modAKRip32::RebindLibrary("akrip32.dll");
    EXPECT_TRUE(modAKRip32::IsLibraryLoaded());
}

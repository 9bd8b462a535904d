// The byte records exchanged with the CD access library and the track frame
// ranges read from a TOC.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "AkripRecords.h"

using namespace AkripRecords;

namespace {

// A TOC whose entries 0.. hold `addresses`, written big-endian at byte 4 of
// each 8-byte entry after the 4-byte header; everything else zero.
TocBytes MakeToc(const std::vector<uint32_t>& addresses, uint8_t firstTrack = 1, uint8_t lastTrack = 0) {
    TocBytes toc{};
    toc[2] = firstTrack;
    toc[3] = lastTrack ? lastTrack : static_cast<uint8_t>(addresses.empty() ? 0 : addresses.size() - 1);
    for (size_t k = 0; k < addresses.size(); ++k) {
        uint8_t* e = &toc[4 + 8 * k];
        e[2] = static_cast<uint8_t>(k + 1);  // track number: never read as an address
        e[4] = static_cast<uint8_t>(addresses[k] >> 24);
        e[5] = static_cast<uint8_t>(addresses[k] >> 16);
        e[6] = static_cast<uint8_t>(addresses[k] >> 8);
        e[7] = static_cast<uint8_t>(addresses[k]);
    }
    return toc;
}

}  // namespace

TEST(RecordSizes, MatchTheLibraryLayouts) {
    EXPECT_EQ(sizeof(CdRecordBytes), 121u);
    EXPECT_EQ(sizeof(CdListBytes), 970u);
    EXPECT_EQ(sizeof(GetCdHandBytes), 12u);
    EXPECT_EQ(sizeof(TocBytes), 804u);
    EXPECT_EQ(TrackBuffer::Size, 61176u);
    EXPECT_EQ(FramesPerRead * BytesPerFrame, 61152u);
}

TEST(TocAddress, IsReadBigEndianFromTheEntry) {
    TocBytes toc{};
    uint8_t bytes[] = {0x00, 0x01, 0xD4, 0xC0};
    std::memcpy(&toc[4 + 8 * 2 + 4], bytes, 4);
    EXPECT_EQ(TocAddressToLba(toc, 2), 120000u);
    EXPECT_EQ(TocAddressToLba(toc, 1), 0u);
}

TEST(TocAddress, UsesAllFourBytes) {
    TocBytes toc = MakeToc({0x12345678, 0xFFFFFFFE});
    EXPECT_EQ(TocAddressToLba(toc, 0), 0x12345678u);
    EXPECT_EQ(TocAddressToLba(toc, 1), 0xFFFFFFFEu);
}

TEST(TocAddress, EntriesOutsideTheTableReadAsZero) {
    TocBytes toc{};
    toc.fill(0xFF);
    EXPECT_EQ(TocAddressToLba(toc, -1), 0u);
    EXPECT_EQ(TocAddressToLba(toc, 100), 0u);
    EXPECT_EQ(TocAddressToLba(toc, 99), 0xFFFFFFFFu);  // the last entry still counts
}

TEST(TrackRows, ThreeTracksWithLeadOut) {
    TocBytes toc = MakeToc({0, 60000, 120000, 180000});
    ASSERT_EQ(TrackCount(toc), 3);
    EXPECT_EQ(TrackRange(toc, 1), (FrameRange{0, 60000}));
    EXPECT_EQ(TrackRange(toc, 2), (FrameRange{60000, 120000}));
    EXPECT_EQ(TrackRange(toc, 3), (FrameRange{120000, 180000}));
    EXPECT_EQ(TrackRange(toc, 3)->Frames(), 60000u);
    EXPECT_EQ(TrackRange(toc, 3)->Bytes(), 141120000u);
    EXPECT_FALSE(TrackRange(toc, 4).has_value());
    EXPECT_FALSE(TrackRange(toc, 0).has_value());
}

TEST(TrackRows, ADataTrackIsKnownByItsControlBits) {
    TocBytes toc = MakeToc({0, 60000, 120000, 180000});
    // ADR 1 in the high nibble; control 4 (data) on track 2 only.
    for (int k = 0; k < 4; ++k) toc[4 + k * 8 + 1] = k == 1 ? 0x14 : 0x10;
    EXPECT_FALSE(IsDataTrack(toc, 1));
    EXPECT_TRUE(IsDataTrack(toc, 2));
    EXPECT_FALSE(IsDataTrack(toc, 3));
    toc[4 + 3 * 8 + 1] = 0x14;  // the lead-out's bits are no row's
    EXPECT_FALSE(IsDataTrack(toc, 4));
    EXPECT_FALSE(IsDataTrack(toc, 0));
}

TEST(TrackRows, EmptyWhenEntryOneIsZero) {
    EXPECT_EQ(TrackCount(TocBytes{}), 0);
    EXPECT_FALSE(TrackRange(TocBytes{}, 1).has_value());
    // A first track not at 0 but nothing after it: still no row.
    EXPECT_EQ(TrackCount(MakeToc({150})), 0);
}

TEST(TrackRows, EndAtTheFirstZeroAddressWhateverTheHeaderSays) {
    // The header claims tracks 1..9, the entries stop after two tracks.
    TocBytes toc = MakeToc({0, 1000, 2000}, 1, 9);
    EXPECT_EQ(TrackCount(toc), 2);
    // And a header claiming fewer tracks than listed does not cut the list.
    EXPECT_EQ(TrackCount(MakeToc({0, 10, 20, 30, 40}, 1, 1)), 4);
    // An address after a zero entry is not reached.
    TocBytes gap = MakeToc({0, 500, 0, 900});
    EXPECT_EQ(TrackCount(gap), 1);
}

TEST(TrackRows, ATableFullToTheLastEntryGives99Rows) {
    std::vector<uint32_t> addresses;
    for (uint32_t k = 0; k < 100; ++k) addresses.push_back(k * 100);
    TocBytes toc = MakeToc(addresses);
    EXPECT_EQ(TrackCount(toc), 99);
    EXPECT_EQ(TrackRange(toc, 99), (FrameRange{9800, 9900}));
}

TEST(TrackRows, DescendingAddressesGiveAnEmptyRangeNotAHugeOne) {
    TocBytes toc = MakeToc({5000, 4000});
    ASSERT_EQ(TrackCount(toc), 1);
    EXPECT_EQ(TrackRange(toc, 1)->Frames(), 0u);
}

TEST(CdList, RecordNIsCopiedFromItsOffset) {
    CdListBytes list{};
    for (int n = 0; n < 8; ++n) {
        uint8_t* rec = &list[2 + 121 * n];
        rec[0] = static_cast<uint8_t>(10 + n);
        rec[1] = static_cast<uint8_t>(20 + n);
        rec[2] = static_cast<uint8_t>(30 + n);
        rec[4] = static_cast<uint8_t>('A' + n);
        rec[120] = static_cast<uint8_t>(0xE0 + n);
    }
    for (int n = 0; n < 8; ++n) {
        CdRecordBytes rec = CdRecordAt(list, n);
        EXPECT_EQ(rec[0], 10 + n);
        EXPECT_EQ(rec[1], 20 + n);
        EXPECT_EQ(rec[2], 30 + n);
        EXPECT_EQ(Identification(rec)[0], 'A' + n);
        EXPECT_EQ(rec[120], 0xE0 + n);
    }
}

TEST(CdList, IndexesOutside0To7GiveAZeroRecord) {
    CdListBytes list{};
    list.fill(0x5A);
    EXPECT_EQ(CdRecordAt(list, 8), CdRecordBytes{});
    EXPECT_EQ(CdRecordAt(list, -1), CdRecordBytes{});
}

TEST(CdList, IdentificationIs65BytesFromOffset4) {
    CdRecordBytes rec{};
    const char id[] = "VIRTUAL CD-ROM";
    std::memcpy(&rec[4], id, sizeof id - 1);
    rec[69] = 'X';  // the first byte of the information texts
    auto ident = Identification(rec);
    ASSERT_EQ(ident.size(), 65u);
    EXPECT_EQ(std::string(ident.begin(), ident.begin() + 14), "VIRTUAL CD-ROM");
    EXPECT_EQ(ident.back(), 0);
}

TEST(HandleRequest, CarriesSizeVersionAndTheDriveAddress) {
    CdRecordBytes rec{};
    rec[0] = 3;
    rec[1] = 1;
    rec[2] = 7;
    rec[3] = 0xEE;  // pad: not copied
    GetCdHandBytes req = MakeGetCdHand(rec);
    const GetCdHandBytes expected = {12, 1, 3, 1, 7, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(req, expected);
}

TEST(TrackBufferHeader, AsksForTheBlockWithTheFullCapacity) {
    TrackBufferHeaderBytes h = MakeTrackBufferHeader(120000, 22);
    const TrackBufferHeaderBytes expected = {
        0xC0, 0xD4, 0x01, 0x00,  // start frame, little-endian
        22, 0, 0, 0,             // frames
        0xE0, 0xEE, 0x00, 0x00,  // 61,152
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(h, expected);
}

// The byte layouts of the engine records and their field accessors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "EngineRecords.h"

using namespace EngineRecords;

namespace {

struct Field {
    const char* name;
    std::size_t offset;
    std::size_t width;
};

// Every field lies inside the record, no two fields share a byte, and each
// pointer-sized field is aligned to the pointer size.
void ExpectDisjointFields(std::vector<Field> fields, std::size_t size) {
    std::sort(fields.begin(), fields.end(),
              [](const Field& a, const Field& b) { return a.offset < b.offset; });
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_LE(fields[i].offset + fields[i].width, size) << fields[i].name;
        if (fields[i].width == kPointerSize) {
            EXPECT_EQ(fields[i].offset % kPointerSize, 0u) << fields[i].name;
        }
        if (i + 1 < fields.size()) {
            EXPECT_LE(fields[i].offset + fields[i].width, fields[i + 1].offset)
                << fields[i].name << " overlaps " << fields[i + 1].name;
        }
    }
}

constexpr std::size_t P = kPointerSize;

int32_t __stdcall SevenPercent(void*, int32_t) { return 7; }

}  // namespace

// --- accessors --------------------------------------------------------------

TEST(RecordAccessors, NumbersAreLittleEndian) {
    std::vector<uint8_t> bytes(16, 0);
    WriteU32(bytes, 2, 0x11223344u);
    EXPECT_EQ(bytes[2], 0x44);
    EXPECT_EQ(bytes[3], 0x33);
    EXPECT_EQ(bytes[4], 0x22);
    EXPECT_EQ(bytes[5], 0x11);
    EXPECT_EQ(ReadU32(bytes, 2), 0x11223344u);
    EXPECT_EQ(ReadU16(bytes, 2), 0x3344u);
    WriteU64(bytes, 8, 0x0102030405060708ull);
    EXPECT_EQ(bytes[8], 0x08);
    EXPECT_EQ(bytes[15], 0x01);
    EXPECT_EQ(ReadU64(bytes, 8), 0x0102030405060708ull);
}

TEST(RecordAccessors, SignedValuesRoundTrip) {
    std::vector<uint8_t> bytes(4, 0);
    WriteI32(bytes, 0, -1);
    EXPECT_EQ(ReadU32(bytes, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ReadI32(bytes, 0), -1);
    WriteI32(bytes, 0, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ReadI32(bytes, 0), std::numeric_limits<int32_t>::min());
}

TEST(RecordAccessors, PointersTakeThePointerWidth) {
    std::vector<uint8_t> bytes(2 * P + 4, 0xEE);
    int target = 0;
    WritePointer(bytes, P, &target);
    EXPECT_EQ(ReadPointerAs<int>(bytes, P), &target);
    // Nothing around the field was touched.
    EXPECT_EQ(bytes[P - 1], 0xEE);
    EXPECT_EQ(bytes[2 * P], 0xEE);
    WritePointer(bytes, 0, nullptr);
    EXPECT_EQ(ReadPointer(bytes, 0), 0u);
}

TEST(RecordAccessors, ReadsPastTheEndGiveZero) {
    std::vector<uint8_t> bytes(6, 0xFF);
    EXPECT_EQ(ReadU32(bytes, 3), 0u);  // would need bytes 3..6
    EXPECT_EQ(ReadU32(bytes, 2), 0xFFFFFFFFu);
    EXPECT_EQ(ReadU8(bytes, 6), 0u);
    EXPECT_EQ(ReadU64(bytes, 0), 0u);
    EXPECT_EQ(ReadU32(bytes, std::numeric_limits<std::size_t>::max() - 1), 0u);
    EXPECT_EQ(ReadU32(ConstBytes{}, 0), 0u);
}

TEST(RecordAccessors, WritesPastTheEndChangeNothing) {
    std::vector<uint8_t> backing(12, 0xAA);
    Bytes record(backing.data(), 8);  // bytes 8..11 stand for whatever follows
    WriteU32(record, 6, 0);
    WriteU64(record, 1, 0);
    WritePointer(record, 8, uintptr_t{0});
    WriteU32(record, std::numeric_limits<std::size_t>::max() - 2, 0);
    EXPECT_TRUE(std::all_of(backing.begin(), backing.end(), [](uint8_t b) { return b == 0xAA; }));
    WriteU32(record, 4, 0);  // exactly the last four bytes
    EXPECT_EQ(backing[7], 0);
    EXPECT_EQ(backing[8], 0xAA);
}

TEST(RecordTexts, ReadStopsAtTheTerminatorOrTheField) {
    std::vector<uint8_t> bytes(16, 0);
    std::memcpy(bytes.data() + 2, "ABC\0DE", 6);
    EXPECT_EQ(ReadText(bytes, 2, 8), "ABC");
    std::memset(bytes.data(), 'x', bytes.size());
    EXPECT_EQ(ReadText(bytes, 4, 5), "xxxxx");       // no terminator: the field's width
    EXPECT_EQ(ReadText(bytes, 12, 10), "xxxx");      // never past the record
    EXPECT_EQ(ReadText(bytes, 16, 10), "");
    EXPECT_EQ(ReadText(bytes, 100, 10), "");
}

TEST(RecordTexts, WriteTruncatesAndTerminates) {
    std::vector<uint8_t> bytes(10, 0xAA);
    WriteText(bytes, 1, 5, "ABCDEFG");
    EXPECT_EQ(ReadText(bytes, 1, 5), "ABCD");
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bytes[0], 0xAA);
    EXPECT_EQ(bytes[6], 0xAA);
    WriteText(bytes, 1, 5, "Z");
    EXPECT_EQ(bytes[2], 0);  // the rest of the field is zero-filled
    EXPECT_EQ(bytes[4], 0);
    WriteText(bytes, 8, 5, "QQ");  // field does not fit: nothing written
    EXPECT_EQ(bytes[8], 0xAA);
    EXPECT_EQ(bytes[9], 0xAA);
}

// --- init record ------------------------------------------------------------

TEST(InitRecordLayout, EightPointerFieldsThenTwoNumbers) {
    ExpectDisjointFields({{"EngineDirectory", InitRecord::EngineDirectory, P},
                          {"ProductName", InitRecord::ProductName, P},
                          {"Maker", InitRecord::Maker, P},
                          {"LanguageFile", InitRecord::LanguageFile, P},
                          {"IdleCallback", InitRecord::IdleCallback, P},
                          {"IdleUserData", InitRecord::IdleUserData, P},
                          {"UserDialogCallback", InitRecord::UserDialogCallback, P},
                          {"UserDialogUserData", InitRecord::UserDialogUserData, P},
                          {"EnableOverburn", InitRecord::EnableOverburn, 4},
                          {"OverburnSize", InitRecord::OverburnSize, 4}},
                         InitRecord::Size);
    EXPECT_EQ(InitRecord::LanguageFile, 3 * P);
    EXPECT_EQ(InitRecord::UserDialogCallback, 6 * P);
    EXPECT_EQ(InitRecord::EnableOverburn, 8 * P);
    EXPECT_EQ(InitRecord::OverburnSize, 8 * P + 4);
    EXPECT_EQ(InitRecord::Size, P == 4 ? 40u : 72u);
    EXPECT_STREQ(InitRecord::kMakerText, "Quarn");
}

TEST(InitRecordLayout, OverburnFlagIsWidenedWithSign) {
    std::vector<uint8_t> record(InitRecord::Size, 0);
    WriteI32(record, InitRecord::EnableOverburn, static_cast<int16_t>(-1));
    WriteI32(record, InitRecord::OverburnSize, 4500);
    EXPECT_EQ(ReadU32(record, InitRecord::EnableOverburn), 0xFFFFFFFFu);
    EXPECT_EQ(ReadU16(record, InitRecord::EnableOverburn), 0xFFFFu);  // the getter's low word
    EXPECT_EQ(ReadI32(record, InitRecord::OverburnSize), 4500);
    EXPECT_EQ(ReadPointer(record, InitRecord::UserDialogUserData), 0u);
}

// --- drive entry ------------------------------------------------------------

TEST(DriveEntryLayout, FieldsSitWhereTheEngineWritesThem) {
    ExpectDisjointFields({{"DeviceName", DriveEntry::DeviceName, DriveEntry::DeviceNameSize},
                          {"HostAdapterName", DriveEntry::HostAdapterName, DriveEntry::HostAdapterNameSize},
                          {"HostAdapterNo", DriveEntry::HostAdapterNo, 4},
                          {"DeviceId", DriveEntry::DeviceId, 4},
                          {"DevType", DriveEntry::DevType, 4},
                          {"DriveLetter", DriveEntry::DriveLetter, 1},
                          {"Capabilities", DriveEntry::Capabilities, 4},
                          {"ReadSpeeds", DriveEntry::ReadSpeeds, SpeedBlock::Size},
                          {"WriteSpeeds", DriveEntry::WriteSpeeds, SpeedBlock::Size},
                          {"Unread1388", DriveEntry::Unread1388, 4},
                          {"BufUnderrunProtName", DriveEntry::BufUnderrunProtName, DriveEntry::BufUnderrunProtNameSize},
                          {"MandatoryBUPSpeed", DriveEntry::MandatoryBUPSpeed, 4},
                          {"MediaSupport", DriveEntry::MediaSupport, 4},
                          {"DriveBufferSize", DriveEntry::DriveBufferSize, 4},
                          {"Unread1468", DriveEntry::Unread1468, 4},
                          {"MediaReadSupport", DriveEntry::MediaReadSupport, 4}},
                         DriveEntry::Size);
    // The entry holds no pointers: the same 1720 bytes on every build.
    EXPECT_EQ(DriveEntry::Size, 1720u);
    EXPECT_EQ(DriveEntry::WriteSpeeds, 740u);
    EXPECT_EQ(DriveEntry::Unread1388 + 4, DriveEntry::BufUnderrunProtName);
    EXPECT_EQ(DriveEntry::MediaReadSupport, 1472u);
    EXPECT_EQ(SpeedBlock::Size, 648u);
}

TEST(DriveEntrySpeeds, TakeTheFirstCountNumbersOfListB) {
    std::vector<uint8_t> entry(DriveEntry::Size, 0);
    const std::size_t block = DriveEntry::WriteSpeeds;
    WriteU32(entry, block + SpeedBlock::Count, 3);
    WriteU32(entry, block + SpeedBlock::BaseSpeedKBs, 176);
    for (uint32_t i = 0; i < 64; ++i) {
        WriteU32(entry, block + SpeedBlock::ListA + 4 * i, 1000 + i);  // must not be read
        WriteU32(entry, block + SpeedBlock::ListB + 4 * i, 4 * (i + 1));
    }
    SpeedList list = ReadSpeedBlock(entry, block);
    EXPECT_EQ(list.baseSpeedKBs, 176u);
    EXPECT_EQ(list.speeds, (std::vector<int32_t>{4, 8, 12}));
    // The read block is separate.
    EXPECT_TRUE(ReadSpeedBlock(entry, DriveEntry::ReadSpeeds).speeds.empty());
}

TEST(DriveEntrySpeeds, CountIsCappedAtTheList) {
    std::vector<uint8_t> entry(DriveEntry::Size, 0);
    WriteU32(entry, DriveEntry::ReadSpeeds + SpeedBlock::Count, 0xFFFFFFFFu);
    WriteU32(entry, DriveEntry::ReadSpeeds + SpeedBlock::ListB + 63 * 4, 52);
    SpeedList list = ReadSpeedBlock(entry, DriveEntry::ReadSpeeds);
    ASSERT_EQ(list.speeds.size(), 64u);
    EXPECT_EQ(list.speeds.back(), 52);
    // A block that does not fit the given bytes yields nothing.
    EXPECT_TRUE(ReadSpeedBlock(ConstBytes(entry).first(DriveEntry::WriteSpeeds + 10),
                               DriveEntry::WriteSpeeds).speeds.empty());
}

TEST(DriveEntryLetter, IsQuestionMarkWithoutALetter) {
    std::vector<uint8_t> entry(DriveEntry::Size, 0);
    EXPECT_EQ(DriveLetterText(entry), "?");
    WriteU8(entry, DriveEntry::DriveLetter, 'E');
    EXPECT_EQ(DriveLetterText(entry), "E");
}

TEST(DriveListLayout, CountThenWholeEntries) {
    EXPECT_EQ(DriveList::EntryOffset(0), 4u);
    EXPECT_EQ(DriveList::EntryOffset(2), 4u + 2 * 1720u);
    EXPECT_EQ(DriveList::SizeFor(0), 4u);
    EXPECT_EQ(DriveList::SizeFor(3), 4u + 3 * 1720u);
    // A huge engine count does not wrap the size around.
    EXPECT_GT(DriveList::SizeFor(0xFFFFFFFFu), 0xFFFFFFFFull);
}

TEST(AvailableSpeedsLayout, CountBaseThenSpeeds) {
    EXPECT_EQ(AvailableSpeeds::Count, 0u);
    EXPECT_EQ(AvailableSpeeds::BaseSpeedKBs, 4u);
    EXPECT_EQ(AvailableSpeeds::Speeds, 8u);
    EXPECT_EQ(AvailableSpeeds::SizeFor(5), 28u);
}

// --- progress record --------------------------------------------------------

TEST(ProgressRecordLayout, EightSlotsInEngineOrder) {
    const std::vector<std::pair<std::size_t, std::size_t>> slots = {
        {ProgressRecord::Progress, 0},     {ProgressRecord::Aborted, 1},
        {ProgressRecord::LogLine, 2},      {ProgressRecord::SetPhase, 3},
        {ProgressRecord::UserData, 4},     {ProgressRecord::DisableAbort, 5},
        {ProgressRecord::MajorPhase, 6},   {ProgressRecord::SubTaskProgress, 7}};
    for (auto [offset, slot] : slots) EXPECT_EQ(offset, slot * P) << "slot " << slot;
    EXPECT_EQ(ProgressRecord::Size, 8 * P);
}

TEST(ProgressRecordLayout, CallbacksAreStoredAsAddresses) {
    std::vector<uint8_t> record(ProgressRecord::Size, 0);
    using Fn = int32_t(__stdcall*)(void*, int32_t);
    Fn fn = &SevenPercent;
    WriteCallback(record, ProgressRecord::SubTaskProgress, fn);
    Fn back = reinterpret_cast<Fn>(ReadPointer(record, ProgressRecord::SubTaskProgress));
    EXPECT_EQ(back(nullptr, 0), 7);
    EXPECT_EQ(ReadPointer(record, ProgressRecord::MajorPhase), 0u);
}

// --- disc information -------------------------------------------------------

TEST(DiscInfoLayout, HeaderFieldsAndTrackRecords) {
    ExpectDisjointFields({{"FreeCapacity", DiscInfo::FreeCapacityInBlocks, 4},
                          {"IsWriteable", DiscInfo::IsWriteable, 4},
                          {"Artist", DiscInfo::Artist, DiscInfo::TextSize},
                          {"Title", DiscInfo::Title, DiscInfo::TextSize},
                          {"EraseModes", DiscInfo::AvailableEraseModes, 4},
                          {"UnusedBlocks", DiscInfo::UnusedBlocks, 4},
                          {"MediaType", DiscInfo::MediaType, 4},
                          {"MediumFlags", DiscInfo::MediumFlags, 4},
                          {"Layer0MaxBlocks", DiscInfo::Layer0MaxBlocks, 4},
                          {"TotalCapacity", DiscInfo::TotalCapacity, 4},
                          {"NumberOfTracks", DiscInfo::NumberOfTracks, 4}},
                         DiscInfo::HeaderSize);
    ExpectDisjointFields({{"Session", TrackInfo::SessionNumber, 4},
                          {"Track", TrackInfo::TrackNumber, 4},
                          {"Type", TrackInfo::TrackType, 4},
                          {"Start", TrackInfo::StartBlock, 4},
                          {"Length", TrackInfo::LengthInBlocks, 4},
                          {"Artist", TrackInfo::Artist, TrackInfo::TextSize},
                          {"Title", TrackInfo::Title, TrackInfo::TextSize},
                          {"ISRC", TrackInfo::Isrc, TrackInfo::IsrcSize},
                          {"BlockSize", TrackInfo::BlockSize, 4}},
                         TrackInfo::Size);
    EXPECT_EQ(DiscInfo::Title, DiscInfo::Artist + 65);
    EXPECT_EQ(TrackInfo::Isrc, TrackInfo::Title + 65);
}

TEST(DiscInfoLayout, CopySizeCoversEveryTrack) {
    EXPECT_EQ(DiscInfo::CopySize(0), 276u);
    EXPECT_EQ(DiscInfo::CopySize(3), 3u * 280 + 276);
    EXPECT_EQ(DiscInfo::TrackOffset(0), 276u);
    EXPECT_EQ(DiscInfo::TrackOffset(2) + TrackInfo::Size, DiscInfo::CopySize(3));
    EXPECT_GT(DiscInfo::CopySize(0xFFFFFFFFu), 0xFFFFFFFFull);
}

TEST(DiscInfoLayout, ReadsATrackOfARecord) {
    std::vector<uint8_t> info(DiscInfo::CopySize(2), 0);
    WriteU32(info, DiscInfo::NumberOfTracks, 2);
    WriteText(info, DiscInfo::Artist, DiscInfo::TextSize, std::string(80, 'A'));
    WriteText(info, DiscInfo::Title, DiscInfo::TextSize, "Disc");
    Bytes second = Bytes(info).subspan(DiscInfo::TrackOffset(1), TrackInfo::Size);
    WriteU32(second, TrackInfo::TrackNumber, 2);
    WriteU32(second, TrackInfo::TrackType, 1);
    WriteText(second, TrackInfo::Isrc, TrackInfo::IsrcSize, "USABC1234567");
    WriteU32(second, TrackInfo::BlockSize, 2048);
    EXPECT_EQ(ReadText(info, DiscInfo::Artist, DiscInfo::TextSize), std::string(64, 'A'));
    EXPECT_EQ(ReadText(info, DiscInfo::Title, DiscInfo::TextSize), "Disc");
    EXPECT_EQ(ReadU32(info, DiscInfo::TrackOffset(1) + TrackInfo::TrackNumber), 2u);
    EXPECT_EQ(ReadText(info, DiscInfo::TrackOffset(1) + TrackInfo::Isrc, TrackInfo::IsrcSize),
              "USABC1234567");
    EXPECT_EQ(ReadU32(info, DiscInfo::TrackOffset(1) + TrackInfo::BlockSize), 2048u);
    EXPECT_EQ(ReadU32(info, DiscInfo::TrackOffset(0) + TrackInfo::TrackNumber), 0u);
}

// --- audio extraction -------------------------------------------------------

TEST(DaeRecordLayout, FileAndCallbackTargetsShareTheKind) {
    ExpectDisjointFields({{"Kind", DaeTarget::Kind, 4},
                          {"FileName", DaeTarget::FileName, DaeTarget::FileNameSize}},
                         DaeTarget::Size);
    ExpectDisjointFields({{"Kind", DaeTarget::Kind, 4},
                          {"UserData", DaeTarget::UserData, P},
                          {"WriteCallback", DaeTarget::WriteCallback, P},
                          {"Reserved1", DaeTarget::Reserved1, P},
                          {"Reserved2", DaeTarget::Reserved2, P}},
                         DaeTarget::Size);
    EXPECT_EQ(DaeTarget::FileName, 4u);
    EXPECT_EQ(DaeTarget::UserData, P);  // right after the kind, aligned
    EXPECT_EQ(DaeCallbackPair::UserData, P);
    EXPECT_EQ(DaeCallbackPair::Size, 2 * P);
}

TEST(DaeRecordLayout, FileNameHoldsAtMost255Characters) {
    std::vector<uint8_t> target(DaeTarget::Size, 0xCC);
    WriteU32(target, DaeTarget::Kind, DaeTarget::kKindFile);
    WriteText(target, DaeTarget::FileName, DaeTarget::FileNameSize, std::string(300, 'n'));
    EXPECT_EQ(ReadText(target, DaeTarget::FileName, DaeTarget::FileNameSize).size(), 255u);
    EXPECT_EQ(target[DaeTarget::FileName + 255], 0);
    EXPECT_EQ(ReadU32(target, DaeTarget::Kind), 0u);
}

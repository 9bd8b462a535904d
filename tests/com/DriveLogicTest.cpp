// The drives' pure logic: the busy rule and its registry, the image and
// extraction records, the engine's speed record, the erasing-time answers
// and the device-option types.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "operations/BusyRegistry.h"
#include "drives/DriveRecords.h"

using namespace vexo;
namespace rec = EngineRecords;

namespace {

TEST(BusyRuleTest, OnlyAnEraseDuringTheQuestionOfABurnIsTolerated) {
    const OperationId asking[] = {OperationId::BurnFileSystemContent, OperationId::BurnFreestyleCD,
                                  OperationId::BurnImage2,           OperationId::BurnIsoAudioCD,
                                  OperationId::BurnVideoCD2,         OperationId::EstimateTrackSize,
                                  OperationId::BurnAtOnce,           OperationId::BAOCreateHandle,
                                  OperationId::BAOWriteToFile,       OperationId::BAOCloseHandle};
    const OperationId others[] = {OperationId::EraseDisc,     OperationId::DAE,           OperationId::CDInfo,
                                  OperationId::WaitForDisc,   OperationId::ImportIsoTrack, OperationId::BurnDiscCopy};
    for (OperationId r : asking) {
        const BusyEntry one[] = {{r, nullptr}};
        EXPECT_TRUE(BusyAllows(one, OperationId::EraseDisc, 1)) << int(r);
        EXPECT_FALSE(BusyAllows(one, OperationId::EraseDisc, 0)) << int(r) << ": no question pending";
        EXPECT_FALSE(BusyAllows(one, OperationId::None, 1)) << int(r);
        EXPECT_FALSE(BusyAllows(one, OperationId::CDInfo, 1)) << int(r);
        const BusyEntry two[] = {{r, nullptr}, {OperationId::EraseDisc, nullptr}};
        EXPECT_FALSE(BusyAllows(two, OperationId::EraseDisc, 1)) << int(r) << ": only one entry is tolerated";
    }
    for (OperationId r : others) {
        const BusyEntry one[] = {{r, nullptr}};
        EXPECT_FALSE(BusyAllows(one, OperationId::EraseDisc, 1)) << int(r);
    }
    EXPECT_TRUE(BusyAllows({}, OperationId::None, 0));
    EXPECT_TRUE(BusyAllows({}, OperationId::DAE, 5));
}

TEST(BusyRegistryTest, RegistersPerDriveAndUnregistersItsOwnEntry) {
    BusyRegistry r;
    int driveA = 0, driveB = 0, op1 = 0, op2 = 0;
    r.Enter(&driveA);
    r.Enter(&driveB);
    EXPECT_TRUE(r.Allows(&driveA, OperationId::None, 0));
    ASSERT_TRUE(r.Register(&driveA, OperationId::BurnImage2, &op1));
    EXPECT_FALSE(r.Allows(&driveA, OperationId::None, 0));
    EXPECT_TRUE(r.Allows(&driveB, OperationId::None, 0)) << "drives are independent";
    EXPECT_TRUE(r.Allows(&driveA, OperationId::EraseDisc, 1));
    ASSERT_TRUE(r.Register(&driveA, OperationId::EraseDisc, &op2));
    EXPECT_EQ(r.Count(&driveA), 2u);
    // The burn ends before the erase it let in: its own entry goes.
    r.Unregister(&driveA, OperationId::BurnImage2, &op1);
    ASSERT_EQ(r.Count(&driveA), 1u);
    EXPECT_FALSE(r.Allows(&driveA, OperationId::EraseDisc, 1)) << "the erase left is not a burn";
    r.Unregister(&driveA, OperationId::EraseDisc, &op2);
    EXPECT_EQ(r.Count(&driveA), 0u);
    r.Unregister(&driveA, OperationId::EraseDisc, &op2);  // once too often: nothing happens
    EXPECT_EQ(r.Count(&driveA), 0u);
    ASSERT_TRUE(r.Register(&driveB, OperationId::DAE, &op1));
    r.Leave(&driveB);
    EXPECT_EQ(r.Count(&driveB), 0u);
    EXPECT_TRUE(r.Allows(&driveB, OperationId::None, 0));
}

TEST(DriveRecordsTest, ImageRecordLayout) {
    static const char name[] = "C:\\disc.iso";
    std::vector<uint8_t> r = DriveRecords::MakeImageRecord(name, 0x20);
    ASSERT_EQ(r.size(), DriveRecords::ImageRecord::Size);
    rec::ConstBytes b(r.data(), r.size());
#if defined(__i386__)
    EXPECT_EQ(DriveRecords::ImageRecord::ImageFile, 252u);
    EXPECT_EQ(DriveRecords::ImageRecord::MediaType, 256u);
    EXPECT_EQ(DriveRecords::ImageRecord::Size, 260u);
#endif
    for (size_t i = 0; i < DriveRecords::ImageRecord::NameBufferSize; ++i) ASSERT_EQ(r[i], 0) << i;
    EXPECT_EQ(rec::ReadPointer(b, DriveRecords::ImageRecord::ImageFile), reinterpret_cast<uintptr_t>(name));
    EXPECT_EQ(rec::ReadU32(b, DriveRecords::ImageRecord::MediaType), 0x20u);
}

TEST(DriveRecordsTest, DaeTargets) {
    struct Case {
        size_t length;
        bool fits;
    } const cases[] = {{0, true}, {1, true}, {255, true}, {256, false}, {1000, false}};
    for (const Case& c : cases) EXPECT_EQ(DriveRecords::DaeFileNameFits(c.length), c.fits) << c.length;

    std::string longest(255, 'n');
    std::vector<uint8_t> file = DriveRecords::MakeDaeFileTarget(longest + "overflow");
    rec::ConstBytes f(file.data(), file.size());
    EXPECT_EQ(rec::ReadU32(f, rec::DaeTarget::Kind), 0u);
    EXPECT_EQ(rec::ReadText(f, rec::DaeTarget::FileName, rec::DaeTarget::FileNameSize), longest);
    EXPECT_EQ(file[rec::DaeTarget::FileName + 255], 0) << "always terminated";

    int user = 0;
    auto cb = +[](void*, const void*, int32_t n) -> int32_t { return n; };
    std::vector<uint8_t> call = DriveRecords::MakeDaeCallbackTarget(&user, cb);
    rec::ConstBytes k(call.data(), call.size());
    EXPECT_EQ(rec::ReadU32(k, rec::DaeTarget::Kind), 1u);
    EXPECT_EQ(rec::ReadPointer(k, rec::DaeTarget::UserData), reinterpret_cast<uintptr_t>(&user));
    EXPECT_EQ(rec::ReadPointer(k, rec::DaeTarget::WriteCallback), reinterpret_cast<uintptr_t>(cb));
    EXPECT_EQ(rec::ReadPointer(k, rec::DaeTarget::Reserved1), 0u);
    EXPECT_EQ(rec::ReadPointer(k, rec::DaeTarget::Reserved2), 0u);

    struct Samples {
        int32_t bytes;
        uint32_t samples;
    } const counts[] = {{0, 0}, {-4, 0}, {1, 0}, {2, 1}, {23519, 11759}, {23520, 11760}};
    for (const Samples& s : counts) EXPECT_EQ(DriveRecords::DaeSampleCount(s.bytes), s.samples) << s.bytes;
}

TEST(DriveRecordsTest, AvailableSpeedsRecord) {
    std::vector<uint32_t> raw = {3, 176, 8, 16, 24, 99};
    rec::SpeedList l = DriveRecords::ReadAvailableSpeeds(reinterpret_cast<const uint8_t*>(raw.data()));
    EXPECT_EQ(l.baseSpeedKBs, 176u);
    EXPECT_EQ(l.speeds, (std::vector<int32_t>{8, 16, 24}));
    std::vector<uint32_t> empty = {0, 150};
    EXPECT_TRUE(DriveRecords::ReadAvailableSpeeds(reinterpret_cast<const uint8_t*>(empty.data())).speeds.empty());
    EXPECT_TRUE(DriveRecords::ReadAvailableSpeeds(nullptr).speeds.empty());
    // An absurd count is capped, never read far past the record.
    std::vector<uint32_t> huge(2 + DriveRecords::kMaxAvailableSpeeds, 1);
    huge[0] = 0xFFFFFFFFu;
    EXPECT_EQ(DriveRecords::ReadAvailableSpeeds(reinterpret_cast<const uint8_t*>(huge.data())).speeds.size(),
              DriveRecords::kMaxAvailableSpeeds);
}

TEST(DriveRecordsTest, ErasingTimeAnswersAndOptionTypes) {
    struct Erase {
        int32_t t;
        UINT error;
    } const erase[] = {{-1, 517}, {-2, 518}, {-3, 534}, {-4, 0}, {0, 0}, {60, 0}};
    for (const Erase& e : erase) EXPECT_EQ(DriveRecords::ErasingTimeError(e.t), e.error) << e.t;
    struct Option {
        int32_t option;
        VARTYPE type;
    } const options[] = {{-1, VT_EMPTY}, {0, VT_BOOL}, {1, VT_I4}, {2, VT_BOOL}, {3, VT_I4}, {4, VT_EMPTY}};
    for (const Option& o : options) EXPECT_EQ(DriveRecords::DeviceOptionType(o.option), o.type) << o.option;
}

}  // namespace

// Drive type names and the drive list built from a GetLogicalDriveStringsA
// buffer.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "modcd.h"

using namespace std::string_literals;

TEST(CdDriveTypeName, NamesEachKnownType) {
    EXPECT_EQ(modcd::CdDriveTypeName(2), "REMOVABLE DISK DRIVE");
    EXPECT_EQ(modcd::CdDriveTypeName(3), "FIXED DISK DRIVE");
    EXPECT_EQ(modcd::CdDriveTypeName(4), "REMOTE DRIVE");
    EXPECT_EQ(modcd::CdDriveTypeName(5), "CD DRIVE");
    EXPECT_EQ(modcd::CdDriveTypeName(6), "RAMDISK DRIVE");
}

TEST(CdDriveTypeName, AnythingElseIsUnrecognised) {
    for (unsigned t : {0u, 1u, 7u, 255u, 0xFFFFFFFFu}) EXPECT_EQ(modcd::CdDriveTypeName(t), "UNRECOGNISED FILE TYPE");
}

namespace {

struct FakeDrives {
    std::map<std::string, unsigned> types;
    unsigned operator()(const std::string& root) const {
        auto it = types.find(root);
        return it == types.end() ? 1u : it->second;  // 1: no root directory
    }
};

const std::string kThreeDrives = "C:\\\0D:\\\0E:\\\0\0"s;
const FakeDrives kCDE{{{"C:\\", 3}, {"D:\\", 5}, {"E:\\", 5}}};

}  // namespace

TEST(ListDrives, TwoCdDrivesOfThree) {
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(modcd::ListDrivesFrom(kThreeDrives, kCDE, list, 5), 2);
    EXPECT_EQ(list, (std::vector<std::string>{"D:      CD DRIVE", "E:      CD DRIVE"}));
}

TEST(ListDrives, FilterZeroListsEveryDrive) {
    std::vector<std::string> list;
    EXPECT_EQ(modcd::ListDrivesFrom(kThreeDrives, kCDE, list, 0), 3);
    EXPECT_EQ(list.front(), "C:      FIXED DISK DRIVE");
}

TEST(ListDrives, NoCdDriveLeavesTheListEmpty) {
    std::vector<std::string> list{"left over"};
    const FakeDrives fixedOnly{{{"C:\\", 3}, {"D:\\", 3}, {"E:\\", 4}}};
    EXPECT_EQ(modcd::ListDrivesFrom(kThreeDrives, fixedOnly, list, 5), 0);
    EXPECT_TRUE(list.empty());
}

TEST(ListDrives, EmptyOrUnterminatedBuffers) {
    std::vector<std::string> list{"x"};
    EXPECT_EQ(modcd::ListDrivesFrom(""s, kCDE, list, 0), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(modcd::ListDrivesFrom("\0"s, kCDE, list, 0), 0);
    // A buffer cut off without its final NULs still yields its roots.
    EXPECT_EQ(modcd::ListDrivesFrom("C:\\\0D:\\"s, kCDE, list, 5), 1);
    EXPECT_EQ(list, (std::vector<std::string>{"D:      CD DRIVE"}));
}

TEST(ListDrives, StopsAtTheEmptyStringThatEndsTheList) {
    std::vector<std::string> list;
    EXPECT_EQ(modcd::ListDrivesFrom("D:\\\0\0E:\\\0\0"s, kCDE, list, 5), 1);
}

TEST(ListDrives, ItemUsesTheFirstTwoCharactersOfTheRoot) {
    EXPECT_EQ(modcd::DriveItem("Q:\\", 6), "Q:      RAMDISK DRIVE");
    EXPECT_EQ(modcd::DriveItem("Q", 9), "Q      UNRECOGNISED FILE TYPE");
}

#include <gtest/gtest.h>
#include <windows.h>

// The harness itself: the program folder, a working Wine prefix, the CD-ROM letter.
TEST(Harness, CdromLetterIsACdDrive) {
    EXPECT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
}

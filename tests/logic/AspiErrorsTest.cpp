// The texts shown for the CD access library's error codes.
#include <gtest/gtest.h>

#include <string>

#include "AspiErrors.h"

namespace {

struct Case {
    int code;
    const char* text;
};

const Case kCases[] = {
    {0, "No error..."},
    {-1, "Unable to load WNASPI32.DLL (95/98/NT/2000) or use SCSI passthrough (NT/2000)"},
    {-2, "Could not load ASPI function GetASPI32SupportInfo. Only occurs when an ASPI manager (WNASPI32.DLL) is "
         "found, but cannot be correctly loaded by the system. Most often indicates that ASPI is improperly installed."},
    {-3, "Could not load ASPI function SendASPI32Command. Only occurs when an ASPI manager (WNASPI32.DLL) is found, "
         "but cannot be correctly loaded by the system. Most often indicates that ASPI is improperly installed."},
    {-4, "An error was returned by the ASPI manager. Use GetAspiLibAspiError to retrieve the actual ASPI error."},
    {-5, "Unused in the current implementation"},
    {-6, "The buffer passed to ReadCDAudioLBA or ReadCDAudioLBAEx is too small for the requested number of frames."},
    {-7, "The handle to the CD-ROM unit is invalid."},
    {-8, "All available slots for CD-ROM handles have been allocated."},
    {-9, "Results from passing a bad buf parameter to GetCDId (ie. a NULL pointer)"},
    {-10, "The ha:tgt:lun values passed to GetCDHandle do not refer to a CD-ROM device."},
    {-11, "Unable to obtain an exclusive lock on a CD handle."},
    {-12, "Occurs when attempting to call GetCDHandle for a ha:tgt:lun value that has already been allocated."},
    {-13, "Invalid value for the LPGETCDHAND parameter to GetCDHandle"},
    {-14, "Invalid version or size specified in LPGETCDHAND parameter to GetCDHandle"},
    {-15, "An automatic jitter adjust failed during a call to ReadCDAudioLBAEx"},
};

}  // namespace

TEST(AspiErrorText, EveryLibraryCodeHasItsText) {
    for (const Case& c : kCases) EXPECT_EQ(std::string(AspiErrors::TextOf(c.code)), c.text) << "code " << c.code;
}

TEST(AspiErrorText, CodesTheLibraryDoesNotDefineGiveAnEmptyText) {
    for (int code : {1, -16, 15, 255, -128, 0x7FFFFFFF, static_cast<int>(0x80000000u)})
        EXPECT_TRUE(AspiErrors::TextOf(code).empty()) << "code " << code;
}

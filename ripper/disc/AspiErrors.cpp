#include "AspiErrors.h"

namespace AspiErrors {

namespace {

struct Entry {
    int code;
    std::string_view text;
};

constexpr Entry kTexts[] = {
    {0, "No error..."},
    {-1, "Unable to load WNASPI32.DLL (95/98/NT/2000) or use SCSI passthrough (NT/2000)"},
    {-2, "Could not load ASPI function GetASPI32SupportInfo. Only occurs when an ASPI manager (WNASPI32.DLL) is found, but cannot be correctly loaded by the system. Most often indicates that ASPI is improperly installed."},
    {-3, "Could not load ASPI function SendASPI32Command. Only occurs when an ASPI manager (WNASPI32.DLL) is found, but cannot be correctly loaded by the system. Most often indicates that ASPI is improperly installed."},
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

std::string_view TextOf(int code) {
    for (const Entry& e : kTexts)
        if (e.code == code) return e.text;
    return {};
}

}  // namespace AspiErrors

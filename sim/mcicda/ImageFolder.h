// Reading the disc image in a drive's root folder (platform glue).
#pragma once

#include <optional>

#include "CueSheet.h"

namespace mcivcd {

// True when X:\ is a CD-ROM drive.
bool IsCdRomDrive(wchar_t letter);

// The first CD-ROM drive letter, or 0 when there is none.
wchar_t FirstCdRomDrive();

// The disc in drive X: as it is now: the first *.cue sheet (by name) in the
// root folder together with the files it names beside it. No sheet, an
// unreadable or malformed sheet, or a missing file all give no disc.
std::optional<Disc> ReadDiscInDrive(wchar_t letter);

}  // namespace mcivcd

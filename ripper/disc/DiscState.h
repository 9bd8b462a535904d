// DiscState: the disc state the whole program shares, in one place: the CD
// access library's handle of the current drive, the table of contents last
// read from it, and whether the MCI audio-CD device is open. One instance
// exists per process (TheDisc); modAKRip32::CdHandle, modAKRip32::Toc and
// CD_Library::DeviceOpen are its fields under the names those modules use.
#pragma once

#include <cstdint>

#include "AkripRecords.h"

struct DiscState {
    // The current drive handle, 0 when none. Set by OpenDriveAndReadToc; keeps
    // its value after CloseDrive until the next open.
    uint8_t cdHandle = 0;
    // The TOC of the disc last read by OpenDriveAndReadToc.
    AkripRecords::TocBytes toc{};
    // True while the MCI device is open (set from the open command's result).
    bool deviceOpen = false;
};

extern DiscState TheDisc;

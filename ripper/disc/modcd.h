// modcd: the logical drive letters and their drive types, as the main window
// lists its CD-ROM drives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace modcd {

// Drive type numbers as GetDriveTypeA reports them.
constexpr unsigned DriveRemovable = 2;
constexpr unsigned DriveFixed = 3;
constexpr unsigned DriveRemote = 4;
constexpr unsigned DriveCdRom = 5;
constexpr unsigned DriveRamDisk = 6;

// The display name of a drive type ("CD DRIVE" for 5, ...); any type outside
// 2..6 gives "UNRECOGNISED FILE TYPE".
std::string_view CdDriveTypeName(unsigned type);

// One list item: the root's first two characters (letter and colon), six
// blanks and the type's name, e.g. "D:      CD DRIVE".
std::string DriveItem(std::string_view root, unsigned type);

// The roots in a GetLogicalDriveStringsA buffer: "X:\" strings, each ended
// by a NUL, the whole ended by an empty string (or by the buffer's end).
std::vector<std::string> SplitDriveStrings(std::string_view buffer);

// Clears `list`, then appends the item of every root in `buffer` whose type
// (from `typeOf`) equals typeFilter, or of every root when typeFilter is 0.
// Returns the number of items added.
uint16_t ListDrivesFrom(std::string_view buffer, const std::function<unsigned(const std::string&)>& typeOf,
                        std::vector<std::string>& list, unsigned typeFilter);

// The same over this machine's drives (GetLogicalDriveStringsA and
// GetDriveTypeA).
uint16_t ListLogicalDrives(std::vector<std::string>& list, unsigned typeFilter);

}  // namespace modcd

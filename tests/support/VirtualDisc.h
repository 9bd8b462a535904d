// Test helper: puts disc images into the virtual CD-ROM drive of the test
// prefix and takes them out again.
//
// The drive letter (CDROM_LETTER, default d) is a CD-ROM drive whose root is
// the Linux folder CDROM_DIR. Whatever CUE/BIN image lies in that folder is
// "the disc in the drive" for akrip32.dll and the MCI cdaudio driver.
//
// Image conventions:
//  - one *.cue sheet in the folder: FILE "x.bin" BINARY|MOTOROLA, TRACK nn
//    AUDIO|MODE1/2352, INDEX 01 mm:ss:ff (INDEX 00 may appear: a pregap that
//    lies inside the file);
//  - raw 2352-byte sectors; BINARY files hold little-endian samples,
//    MOTOROLA files big-endian ones;
//  - the first track's INDEX 01 is LBA 0; LBA = frame offset in the
//    concatenated files;
//  - optional unreadable.txt beside the sheet: one directive per line, '#'
//    starts a comment, "START[-END] [FAILS]" makes frames START..END
//    (inclusive) fail FAILS read attempts each and then succeed; FAILS
//    omitted or "always" means never readable.
//
// Every function throws std::runtime_error when the folder cannot be
// written; GoogleTest reports that as a failure of the calling test.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testdisc {

constexpr uint32_t kFrameBytes = 2352;

struct TrackSpec {
    uint32_t frames;
    bool data = false;  // true: a MODE1/2352 track, else AUDIO
};

// Byte offsetInFrame (0..2351) of frame lba as Insert writes it (and as a
// drive returns it for a BINARY image). Deterministic and never a run of
// silence.
uint8_t PatternByte(uint32_t lba, uint32_t offsetInFrame);

// The bytes of frames [firstLba, firstLba + count) as Insert writes them.
std::string PatternFrames(uint32_t firstLba, uint32_t count);

// "D:\\" (from CDROM_LETTER).
std::string DriveRoot();

// The Windows path of CDROM_DIR through Z:, without a trailing backslash,
// e.g. "Z:\\work\\main\\build\\cdrom". Falls back to DriveRoot() without its
// backslash when CDROM_DIR is not set.
std::string DriveFolderWin();

// Empties the drive, then writes name.cue and one name.bin holding the
// tracks back to back (track 1 at LBA 0), every frame filled by PatternByte.
void Insert(const std::vector<TrackSpec>& tracks, const std::string& name = "test");

// Empties the drive, then writes cueText as test.cue and every (file name,
// content) pair as it stands. Any content, also broken sheets and files.
void InsertRaw(const std::string& cueText,
               const std::vector<std::pair<std::string, std::string>>& files);

// Writes directiveText as unreadable.txt into the drive folder (replacing
// an earlier one).
void SetUnreadable(const std::string& directiveText);

// Empties the drive folder: no disc.
void Eject();

// "mm:ss:ff" of a frame count (75 frames a second), as cue sheets write it.
std::string CueTime(uint32_t frames);

}  // namespace testdisc

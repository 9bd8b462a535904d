// Pure logic of the virtual drive: the CUE sheet, where its tracks and
// files lie on the disc, the TOC record built from that, and the failure
// plan of unreadable.txt. No platform calls here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace akrip {

// --- the sheet as written ------------------------------------------------------
struct CueFile {
    std::string name;       // as written, relative to the sheet's folder
    bool motorola = false;  // big-endian samples
};

struct CueTrack {
    int number = 0;
    bool audio = true;
    size_t file = 0;                 // index into CueSheet::files of the file INDEX 01 lies in
    uint32_t index01 = 0;            // frames from the start of that file
    std::optional<size_t> index00File;
    std::optional<uint32_t> index00;  // pregap start, frames from the start of index00File
};

struct CueSheet {
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
};

// Parses a sheet: FILE "name" BINARY|MOTOROLA (several allowed), TRACK nn
// AUDIO|MODE1/2352|MODE2/2352, INDEX nn mm:ss:ff. REM, TITLE, PERFORMER,
// PREGAP, POSTGAP and other commands are ignored. CRLF, LF or CR, keywords
// in any case. A file name is a plain name beside the sheet (no folder, no
// drive), and every FILE holds at least one TRACK. Track numbers run 01, 02,
// ... (at most 99); INDEX 02 and later do not come before INDEX 01. On
// failure returns nothing and sets *error.
std::optional<CueSheet> ParseCue(std::string_view text, std::string* error);

// "mm:ss:ff" -> frames; nothing when malformed (ss < 60, ff < 75).
std::optional<uint32_t> ParseCueTime(std::string_view text);

// --- the sheet placed on the disc ------------------------------------------------
struct DiscTrack {
    int number = 0;
    bool audio = true;
    uint32_t lba = 0;
};

struct DiscFile {
    uint32_t firstFrame = 0;  // frame offset of the file in the concatenated files
    uint32_t frames = 0;
    bool motorola = false;
};

struct DiscLayout {
    std::vector<DiscTrack> tracks;
    std::vector<DiscFile> files;   // same order as CueSheet::files; empty for a real drive
    uint32_t base = 0;             // concatenated-file frame that is LBA 0 (track 1's INDEX 01)
    uint32_t leadOut = 0;          // LBA of the lead-out: the end of the last file
};

// The largest disc an MSF address can describe.
constexpr uint32_t kMaxDiscFrames = 255u * 60u * 75u - 150u;

// Places the sheet's tracks, given the byte size of each file. Fails when a
// file is not whole frames, an index lies beyond its file's data, indexes go
// backwards or a track would be empty, or the disc is too long.
std::optional<DiscLayout> LayOutDisc(const CueSheet& sheet, const std::vector<uint64_t>& fileBytes,
                                     std::string* error);

// One contiguous piece of a read: `frames` frames from `frameInFile` of file `file`.
struct ReadPiece {
    size_t file = 0;
    uint32_t frameInFile = 0;
    uint32_t frames = 0;
};

// Splits the read of frames [lba, lba + count) into pieces per file; nothing
// when any of it lies at or beyond the lead-out (or count is 0).
std::optional<std::vector<ReadPiece>> PlanRead(const DiscLayout& layout, uint32_t lba, uint32_t count);

// --- TOC record ----------------------------------------------------------------------
// The 4-byte address of an LBA as MSF bytes 0, M, S, F (with the 150-frame
// lead-in offset), as a big-endian number.
uint32_t MsfAddress(uint32_t lba);

// Fills the whole TOC record (toc::kSize bytes): header, one entry per track,
// the lead-out entry, zeros after it.
void BuildToc(const DiscLayout& layout, bool msf, uint8_t* toc);

// Swaps the two bytes of every 16-bit sample in place (size rounded down to even).
void SwapSampleBytes(uint8_t* data, size_t size);

// --- unreadable.txt ---------------------------------------------------------------------
struct UnreadableRange {
    uint32_t first = 0;
    uint32_t last = 0;                // inclusive
    std::optional<uint32_t> fails;    // attempts that fail per frame; nothing = always
};

// Parses directives, one a line: "START[-END] [FAILS|always]", '#' starts a
// comment. Lines that are not directives are skipped and listed in *rejected.
std::vector<UnreadableRange> ParseUnreadable(std::string_view text, std::vector<std::string>* rejected);

// Counts failed attempts per frame. A read attempt fails while any frame it
// covers still has failures left; each failing attempt uses up one failure
// of every such frame.
class FailurePlan {
public:
    FailurePlan() = default;
    explicit FailurePlan(std::vector<UnreadableRange> ranges) : ranges_(std::move(ranges)) {}

    // True when the attempt to read [first, first + count) may succeed.
    bool Attempt(uint32_t first, uint32_t count);
    bool Empty() const { return ranges_.empty(); }

private:
    struct Used {
        uint32_t frame;
        uint32_t count;
    };
    // Failures a frame has in total: nothing = always, 0 = readable.
    std::optional<uint32_t> Budget(uint32_t frame) const;
    uint32_t& UsedOf(uint32_t frame);

    std::vector<UnreadableRange> ranges_;
    std::vector<Used> used_;  // sorted by frame
};

}  // namespace akrip

// akrip32.dll - the CD access library the ripper binds by name at run time.
//
// What it stands for: a CD access library that lists the machine's CD-ROM
// drives as ha:tgt:lun units, hands out drive handles, reads the table of
// contents and reads raw audio frames. This one serves two kinds of drive:
//
//  - virtual drives: CD-ROM letters named in akrip32.ini (below). The disc
//    in such a drive is the CUE/BIN image in the drive's root folder, looked
//    at afresh whenever a handle is opened and on every ReadTOC, so putting
//    another image there is "inserting another disc";
//  - real drives: every other CD-ROM letter, read through the platform's
//    CD-ROM control codes (\\.\X:, IOCTL_CDROM_READ_TOC_EX / READ_TOC,
//    IOCTL_CDROM_RAW_READ as CDDA).
//
// Drives: every logical drive of type CD-ROM, in letter order, at most 8.
// Drive k of the list is unit ha 0, tgt k, lun 0. Its identification text
// reads "0:k:0 VIRTUAL CD-ROM 1.0 (D:)" for a virtual drive and
// "0:k:0 VENDOR PRODUCT REV (E:)" for a real one. GetNumAdapters gives the
// number of drives in that list.
//
// Configuration, akrip32.ini in the folder of this DLL:
//     [Virtual]
//     Drives=D:          ; or D:,E: - letters served from images
//     [Log]
//     File=C:\path\akrip32.log   ; optional: where to log (see below)
//
// The image (in the root folder of a virtual drive):
//  - the first *.cue sheet by name; FILE "name" BINARY|MOTOROLA (several
//    FILE lines are placed back to back), TRACK nn AUDIO|MODE1/2352|
//    MODE2/2352, INDEX 00/01 mm:ss:ff relative to the current FILE; REM,
//    TITLE, PERFORMER, PREGAP, POSTGAP and the like are ignored;
//  - BIN files of raw 2352-byte sectors; BINARY holds little-endian samples,
//    MOTOROLA big-endian ones, which reads swap to little-endian;
//  - track 1's INDEX 01 is LBA 0, and the LBA of any frame is its offset in
//    the concatenated files counted from there; INDEX 00 is a pregap inside
//    the file and belongs to the previous track's frame range; the lead-out
//    is the end of the last file. Data tracks are listed and read raw like
//    audio tracks;
//  - a missing, empty or malformed sheet, a file name with a folder or a
//    drive in it, a missing file, a FILE without a track, a file that is not
//    whole frames or shorter than the sheet says, indexes that go backwards,
//    tracks not numbered 01, 02, ... or more than 99 tracks: "no readable
//    disc" (ReadTOC fails with -4);
//  - unreadable.txt beside the sheet makes chosen frames fail: one directive
//    a line, '#' starts a comment,
//        START[-END] [FAILS]
//    frames START..END (LBAs, inclusive) fail FAILS read attempts each and
//    then read normally; FAILS omitted or "always": never readable. A read
//    of several frames fails while any of them has failures left, and each
//    failing read uses up one failure of every such frame. The counts start
//    afresh whenever the image is looked at again (handle opened, ReadTOC).
//    Lines that are not directives are ignored (and logged).
//  - flaky.txt beside the sheet makes chosen frames misread: same grammar,
//    frames START..END come back with different bytes (and success) on
//    each of their first READS reads, or on every read ("always" or no
//    count), never the same bytes twice (FlakyFrames.h).
//
// Error codes (GetAspiLibError, the code of the most recent call; 0 after a
// call that succeeded): -4 the drive failed the command (no disc, broken
// image, unreadable frames, frames beyond the lead-out), -6 the TrackBuffer
// is too small (or NULL), -7 bad handle, -8 no free handle slot, -9 NULL
// record pointer (GetCDList, ReadTOC, QueryCDParms), -10 ha:tgt:lun is no CD
// drive, -12 unit already has a handle, -13 NULL GETCDHAND, -14 wrong size
// or version in GETCDHAND.
//
// ModifyCDParms / QueryCDParms know parameter 36: 1 (the default of every
// new handle) = TOC addresses as MSF bytes 0,M,S,F (LBA + 150 frames), 0 =
// addresses as LBAs.
//
// What it logs (only when [Log] File= is set): one line per handle opened
// or closed, per TOC read (tracks, lead-out, or why it failed), per image
// problem and per failed read (frames and reason). Successful reads are not
// logged.
#include <windows.h>

#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "AkripLayout.h"
#include "Drive.h"
#include "Win32Util.h"

namespace akrip {
namespace {

constexpr size_t kMaxHandles = 8;

struct DriveEntry {
    char letter = 0;
    bool isVirtual = false;
};

struct Slot {
    bool used = false;
    char letter = 0;
    bool isVirtual = false;
    uint8_t ha = 0, tgt = 0, lun = 0;
    bool msf = true;
    std::unique_ptr<Medium> medium;
};

struct Library {
    std::mutex lock;
    std::array<Slot, kMaxHandles> slots;
    int lastError = kOk;
    int lastAspiStatus = 0;
};

Library& Lib() {
    static Library lib;
    return lib;
}

std::string IniPath() { return ModuleFolder() + "akrip32.ini"; }

std::string IniText(const char* section, const char* key) {
    char buf[1024] = {};
    GetPrivateProfileStringA(section, key, "", buf, sizeof buf, IniPath().c_str());
    return buf;
}

void Log(const char* format, ...) {
    std::string path = IniText("Log", "File");
    if (path.empty()) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (n < 0) return;
    size_t len = std::min<size_t>(size_t(n), sizeof line - 3);
    line[len++] = '\r';
    line[len++] = '\n';
    win::unique_handle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return;
    DWORD written = 0;
    WriteFile(file.get(), line, DWORD(len), &written, nullptr);
}

// Letters named in [Virtual] Drives=, e.g. "D:" or "D:,E:".
bool IsVirtualLetter(const std::string& drives, char letter) {
    for (size_t i = 0; i < drives.size(); ++i) {
        char c = char(std::toupper(static_cast<unsigned char>(drives[i])));
        bool startsToken = i == 0 || !std::isalnum(static_cast<unsigned char>(drives[i - 1]));
        if (c == letter && startsToken) return true;
    }
    return false;
}

std::vector<DriveEntry> ListDrives() {
    std::vector<DriveEntry> drives;
    char roots[26 * 4 + 2] = {};
    DWORD n = GetLogicalDriveStringsA(sizeof roots - 1, roots);
    if (n == 0 || n >= sizeof roots) return drives;
    std::string virtualLetters = IniText("Virtual", "Drives");
    for (const char* root = roots; *root && drives.size() < cdlist::kMaxRecords; root += std::strlen(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_CDROM) continue;
        char letter = char(std::toupper(static_cast<unsigned char>(root[0])));
        drives.push_back({letter, IsVirtualLetter(virtualLetters, letter)});
    }
    return drives;
}

void PutText(uint8_t* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(text.size(), width - 1));
}

void FillCdRecord(uint8_t* rec, const DriveEntry& d, uint8_t tgt) {
    std::memset(rec, 0, cdrec::kSize);
    rec[cdrec::kHa] = 0;
    rec[cdrec::kTgt] = tgt;
    rec[cdrec::kLun] = 0;
    DriveIdentity id;
    if (d.isVirtual)
        id = {"VIRTUAL", "CD-ROM", "1.0"};
    else
        id = QueryRealIdentity(d.letter);
    if (id.product.empty()) id.product = "CD-ROM";
    std::string text = "0:" + std::to_string(tgt) + ":0";
    for (const std::string* part : {&id.vendor, &id.product, &id.revision})
        if (!part->empty()) text += " " + *part;
    text += std::string(" (") + d.letter + ":)";
    PutText(rec + cdrec::kId, cdrec::kIdLen, text);
    PutText(rec + cdrec::kVendor, cdrec::kVendorLen, id.vendor);
    PutText(rec + cdrec::kProduct, cdrec::kProductLen, id.product);
    PutText(rec + cdrec::kRevision, cdrec::kRevisionLen, id.revision);
}

Slot* SlotOf(Library& lib, BYTE handle) {
    if (handle == 0 || handle > kMaxHandles) return nullptr;
    Slot& s = lib.slots[handle - 1];
    return s.used ? &s : nullptr;
}

template <typename T>
T SetError(Library& lib, int code, T result) {
    lib.lastError = code;
    lib.lastAspiStatus = code == kErrAspi ? kAspiStatusError : 0;
    return result;
}

// Looks at the disc of a slot again; logs what it found.
bool LoadDisc(Slot& s) {
    std::string why;
    bool ok = s.medium && s.medium->Load(&why);
    if (!why.empty()) Log("%c: %s", s.letter, why.c_str());
    return ok;
}

}  // namespace
}  // namespace akrip

using namespace akrip;

extern "C" {

int WINAPI GetNumAdapters(void) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        return SetError(lib, kOk, int(ListDrives().size()));
    } catch (...) {
        return 0;
    }
}

int WINAPI GetCDList(BYTE* list) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        if (!list) return SetError(lib, kErrBadBuffer, 0);
        size_t capacity = list[cdlist::kCapacity];
        if (capacity == 0 || capacity > cdlist::kMaxRecords) capacity = cdlist::kMaxRecords;
        std::vector<DriveEntry> drives = ListDrives();
        size_t count = std::min(drives.size(), capacity);
        for (size_t k = 0; k < count; ++k)
            FillCdRecord(list + cdlist::kRecords + k * cdrec::kSize, drives[k], uint8_t(k));
        list[cdlist::kCount] = uint8_t(count);
        return SetError(lib, kOk, int(count));
    } catch (...) {
        return 0;
    }
}

BYTE WINAPI GetCDHandle(BYTE* request) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        if (!request) return SetError(lib, kErrBadGetCdHand, BYTE(0));
        if (request[getcdhand::kSizeField] != getcdhand::kSize ||
            request[getcdhand::kVersion] != getcdhand::kVersionValue)
            return SetError(lib, kErrBadGetCdHandVersion, BYTE(0));
        uint8_t ha = request[getcdhand::kHa], tgt = request[getcdhand::kTgt], lun = request[getcdhand::kLun];
        std::vector<DriveEntry> drives = ListDrives();
        if (ha != 0 || lun != 0 || tgt >= drives.size()) {
            Log("GetCDHandle %u:%u:%u: no such CD drive", ha, tgt, lun);
            return SetError(lib, kErrNotCdrom, BYTE(0));
        }
        for (const Slot& s : lib.slots)
            if (s.used && s.ha == ha && s.tgt == tgt && s.lun == lun)
                return SetError(lib, kErrAlreadyAllocated, BYTE(0));
        size_t free = 0;
        while (free < kMaxHandles && lib.slots[free].used) ++free;
        if (free == kMaxHandles) return SetError(lib, kErrNoHandleSlots, BYTE(0));

        const DriveEntry& d = drives[tgt];
        std::unique_ptr<Medium> medium;
        if (d.isVirtual) {
            medium = MakeVirtualMedium(std::string(1, d.letter) + ":\\");
        } else {
            std::string why;
            medium = MakeRealMedium(d.letter, &why);
            if (!medium) {
                Log("GetCDHandle %c: %s", d.letter, why.c_str());
                return SetError(lib, kErrAspi, BYTE(0));
            }
        }
        Slot& s = lib.slots[free];
        s = Slot{};
        s.used = true;
        s.letter = d.letter;
        s.isVirtual = d.isVirtual;
        s.ha = ha;
        s.tgt = tgt;
        s.lun = lun;
        s.medium = std::move(medium);
        if (s.isVirtual) LoadDisc(s);
        BYTE handle = BYTE(free + 1);
        Log("GetCDHandle %u:%u:%u (%c:, %s) -> handle %u", ha, tgt, lun, d.letter,
            d.isVirtual ? "virtual" : "real", handle);
        return SetError(lib, kOk, handle);
    } catch (...) {
        return 0;
    }
}

int WINAPI CloseCDHandle(BYTE handle) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        Slot* s = SlotOf(lib, handle);
        if (!s) return SetError(lib, kErrBadHandle, 0);
        Log("CloseCDHandle %u (%c:)", handle, s->letter);
        *s = Slot{};
        return SetError(lib, kOk, 1);
    } catch (...) {
        return 0;
    }
}

int WINAPI ModifyCDParms(BYTE handle, int which, DWORD value) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        Slot* s = SlotOf(lib, handle);
        if (!s) return SetError(lib, kErrBadHandle, 0);
        if (which != kParmMsf) return SetError(lib, kOk, 0);
        s->msf = value != 0;
        return SetError(lib, kOk, 1);
    } catch (...) {
        return 0;
    }
}

int WINAPI QueryCDParms(BYTE handle, int which, DWORD* value) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        Slot* s = SlotOf(lib, handle);
        if (!s) return SetError(lib, kErrBadHandle, 0);
        if (!value) return SetError(lib, kErrBadBuffer, 0);
        if (which != kParmMsf) return SetError(lib, kOk, 0);
        *value = s->msf ? 1 : 0;
        return SetError(lib, kOk, 1);
    } catch (...) {
        return 0;
    }
}

DWORD WINAPI ReadTOC(BYTE handle, BYTE* tocRecord) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        Slot* s = SlotOf(lib, handle);
        if (!s) return SetError(lib, kErrBadHandle, DWORD(0));
        if (!tocRecord) return SetError(lib, kErrBadBuffer, DWORD(0));
        if (!LoadDisc(*s)) {
            Log("ReadTOC %c: no readable disc", s->letter);
            return SetError(lib, kErrAspi, DWORD(0));
        }
        const DiscLayout& layout = *s->medium->Layout();
        BuildToc(layout, s->msf, tocRecord);
        Log("ReadTOC %c: %u tracks, lead-out %u, %s", s->letter, unsigned(layout.tracks.size()),
            unsigned(layout.leadOut), s->msf ? "MSF" : "LBA");
        return SetError(lib, kOk, DWORD(1));
    } catch (...) {
        return 0;
    }
}

DWORD WINAPI ReadCDAudioLBA(BYTE handle, BYTE* buffer) {
    try {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        Slot* s = SlotOf(lib, handle);
        if (!s) return SetError(lib, kErrBadHandle, DWORD(0));
        if (!buffer) return SetError(lib, kErrBufferTooSmall, DWORD(0));
        uint32_t start = GetLE32(buffer + trackbuf::kStartFrame);
        uint32_t frames = GetLE32(buffer + trackbuf::kNumFrames);
        uint32_t maxLen = GetLE32(buffer + trackbuf::kMaxLen);
        PutLE32(buffer + trackbuf::kLen, 0);
        PutLE32(buffer + trackbuf::kStartOffset, 0);
        if (uint64_t(frames) * kFrameBytes > maxLen) {
            PutLE32(buffer + trackbuf::kStatus, trackbuf::kStatusError);
            Log("ReadCDAudioLBA %c: %u frames do not fit %u bytes", s->letter, frames, maxLen);
            return SetError(lib, kErrBufferTooSmall, DWORD(0));
        }
        if (!s->medium->Layout()) LoadDisc(*s);
        std::string why;
        if (frames == 0 || !s->medium->Read(start, frames, buffer + trackbuf::kData, &why)) {
            PutLE32(buffer + trackbuf::kStatus, trackbuf::kStatusError);
            Log("ReadCDAudioLBA %c: %u+%u failed: %s", s->letter, start, frames,
                frames == 0 ? "no frames requested" : why.c_str());
            return SetError(lib, kErrAspi, DWORD(0));
        }
        PutLE32(buffer + trackbuf::kLen, frames * kFrameBytes);
        PutLE32(buffer + trackbuf::kStatus, trackbuf::kStatusDone);
        return SetError(lib, kOk, DWORD(1));
    } catch (...) {
        return 0;
    }
}

int WINAPI GetAspiLibError(void) {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    return lib.lastError;
}

int WINAPI GetAspiLibAspiError(void) {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    return lib.lastAspiStatus;
}

}  // extern "C"

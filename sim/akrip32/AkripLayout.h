// Byte layouts of the records akrip32.dll exchanges with its callers, and
// the library's error codes. Every record is packed and little-endian unless
// a field says otherwise; code reads and writes them through these offsets
// only, never through C structs, so 32- and 64-bit builds agree.
#pragma once

#include <cstddef>
#include <cstdint>

namespace akrip {

// --- audio frames ---------------------------------------------------------
constexpr uint32_t kFrameBytes = 2352;      // one raw sector / audio frame
constexpr uint32_t kFramesPerSecond = 75;
constexpr uint32_t kMsfLeadIn = 150;        // MSF 00:02:00 is LBA 0

// --- CD record: one drive -------------------------------------------------
namespace cdrec {
constexpr size_t kHa = 0;
constexpr size_t kTgt = 1;
constexpr size_t kLun = 2;
constexpr size_t kPad = 3;
constexpr size_t kId = 4;            // identification text, NUL-padded
constexpr size_t kIdLen = 65;
constexpr size_t kVendor = 69;       // drive information texts, each NUL-padded
constexpr size_t kVendorLen = 9;
constexpr size_t kProduct = 78;
constexpr size_t kProductLen = 17;
constexpr size_t kRevision = 95;
constexpr size_t kRevisionLen = 5;
constexpr size_t kVendorSpec = 100;
constexpr size_t kVendorSpecLen = 21;
constexpr size_t kSize = 121;
static_assert(kVendorSpec + kVendorSpecLen == kSize);
}  // namespace cdrec

// --- CD list: capacity, count, 8 CD records -------------------------------
namespace cdlist {
constexpr size_t kCapacity = 0;
constexpr size_t kCount = 1;
constexpr size_t kRecords = 2;
constexpr size_t kMaxRecords = 8;
constexpr size_t kSize = 970;
static_assert(kRecords + kMaxRecords * cdrec::kSize == kSize);
}  // namespace cdlist

// --- GETCDHAND: request for a drive handle --------------------------------
namespace getcdhand {
constexpr size_t kSizeField = 0;     // must be kSize
constexpr size_t kVersion = 1;       // must be kVersionValue
constexpr size_t kHa = 2;
constexpr size_t kTgt = 3;
constexpr size_t kLun = 4;
constexpr size_t kReadType = 5;
constexpr size_t kJitterOn = 6;      // 6 bytes of jitter-correction settings
constexpr size_t kSize = 12;
constexpr uint8_t kVersionValue = 1;
}  // namespace getcdhand

// --- TOC: 4-byte header, 100 entries of 8 bytes ---------------------------
namespace toc {
constexpr size_t kLength = 0;        // 2 bytes, big-endian: bytes after this field
constexpr size_t kFirstTrack = 2;
constexpr size_t kLastTrack = 3;
constexpr size_t kEntries = 4;
constexpr size_t kEntrySize = 8;
constexpr size_t kMaxEntries = 100;
constexpr size_t kSize = kEntries + kMaxEntries * kEntrySize;  // 804
// within an entry
constexpr size_t kEntryReserved = 0;
constexpr size_t kEntryAdrControl = 1;  // ADR in the high nibble, control in the low
constexpr size_t kEntryTrack = 2;
constexpr size_t kEntryReserved1 = 3;
constexpr size_t kEntryAddress = 4;     // 4 bytes, big-endian: LBA, or 0,M,S,F
constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr uint8_t kAdrControlAudio = 0x10;
constexpr uint8_t kAdrControlData = 0x14;
}  // namespace toc

// --- TrackBuffer: 24-byte header, then audio data --------------------------
namespace trackbuf {
constexpr size_t kStartFrame = 0;
constexpr size_t kNumFrames = 4;
constexpr size_t kMaxLen = 8;        // bytes available in the data area
constexpr size_t kLen = 12;          // bytes returned
constexpr size_t kStatus = 16;
constexpr size_t kStartOffset = 20;
constexpr size_t kData = 24;
constexpr size_t kHeaderSize = 24;
// status values the library writes
constexpr uint32_t kStatusDone = 1;
constexpr uint32_t kStatusError = 4;
}  // namespace trackbuf

// --- ModifyCDParms parameter numbers ---------------------------------------
constexpr int kParmMsf = 36;         // 1: TOC addresses as MSF (default), 0: LBA

// --- error codes returned by GetAspiLibError --------------------------------
enum Error : int {
    kOk = 0,
    kErrNoAspi = -1,
    kErrAspiSupportInfo = -2,
    kErrAspiSendCommand = -3,
    kErrAspi = -4,               // the device failed the command (no disc, unreadable frames)
    kErrUnused = -5,
    kErrBufferTooSmall = -6,
    kErrBadHandle = -7,
    kErrNoHandleSlots = -8,
    kErrBadBuffer = -9,          // a NULL record pointer
    kErrNotCdrom = -10,
    kErrExclusiveLock = -11,
    kErrAlreadyAllocated = -12,
    kErrBadGetCdHand = -13,
    kErrBadGetCdHandVersion = -14,
    kErrJitter = -15,
};

// ASPI status byte reported by GetAspiLibAspiError after kErrAspi.
constexpr int kAspiStatusError = 0x04;

// --- field access -----------------------------------------------------------
inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline uint32_t GetBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline void PutBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

}  // namespace akrip

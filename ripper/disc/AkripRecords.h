// The records exchanged with the CD access library akrip32.dll, kept as byte
// arrays with named offsets (packed, little-endian unless noted) so that the
// layout is the same in every build, and the frame arithmetic built on them.
// Nothing here calls the platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace AkripRecords {

// --- Audio frames -----------------------------------------------------------
constexpr uint32_t BytesPerFrame = 2352;   // 588 stereo pairs of 16-bit PCM
constexpr uint32_t FramesPerSecond = 75;
constexpr uint32_t FramesPerRead = 26;     // frames requested per read call
constexpr uint32_t BytesPerRead = FramesPerRead * BytesPerFrame;  // 61,152

// --- CD record: one drive as the library describes it (121 bytes) ----------
namespace CdRecord {
constexpr std::size_t Size = 121;
constexpr std::size_t Ha = 0;               // host adapter number
constexpr std::size_t Tgt = 1;              // target
constexpr std::size_t Lun = 2;              // logical unit
constexpr std::size_t Pad = 3;
constexpr std::size_t Id = 4;               // identification text, NUL-padded
constexpr std::size_t IdLength = 65;
constexpr std::size_t Info = 69;            // vendor, product, revision, vendor-specific
constexpr std::size_t InfoLength = 52;
static_assert(Info + InfoLength == Size);
}  // namespace CdRecord
using CdRecordBytes = std::array<uint8_t, CdRecord::Size>;

// --- CD list: capacity, count, then 8 CD records (970 bytes) ----------------
namespace CdList {
constexpr std::size_t Capacity = 0;
constexpr std::size_t Count = 1;
constexpr std::size_t Records = 2;
constexpr int RecordCount = 8;
constexpr std::size_t Size = Records + RecordCount * CdRecord::Size;
static_assert(Size == 970);
}  // namespace CdList
using CdListBytes = std::array<uint8_t, CdList::Size>;

// --- GETCDHAND: the request for a drive handle (12 bytes) -------------------
namespace GetCdHand {
constexpr std::size_t Size = 12;
constexpr std::size_t StructSize = 0;       // size of the record: 12
constexpr std::size_t Version = 1;          // 1
constexpr std::size_t Ha = 2;
constexpr std::size_t Tgt = 3;
constexpr std::size_t Lun = 4;
constexpr std::size_t ReadType = 5;         // 0: the library chooses
constexpr std::size_t Jitter = 6;           // 6 bytes of jitter settings, 0 = off
constexpr std::size_t JitterLength = 6;
constexpr uint8_t VersionValue = 1;
static_assert(Jitter + JitterLength == Size);
}  // namespace GetCdHand
using GetCdHandBytes = std::array<uint8_t, GetCdHand::Size>;

// --- TOC: 4-byte header, then 100 entries of 8 bytes ------------------------
// Entry k describes track k+1; the entry after the last track is the
// lead-out. The address is big-endian (an LBA once MSF addressing is off).
namespace Toc {
constexpr std::size_t HeaderSize = 4;
constexpr std::size_t EntrySize = 8;
constexpr int EntryCount = 100;
constexpr std::size_t EntryAdrControl = 1;  // within an entry: ADR (high nibble), control (low nibble)
constexpr std::size_t EntryAddress = 4;     // within an entry, 4 bytes big-endian
constexpr uint8_t ControlData = 0x04;       // control bit of a data track
constexpr std::size_t Size = HeaderSize + EntryCount * EntrySize;
static_assert(Size == 804);
}  // namespace Toc
using TocBytes = std::array<uint8_t, Toc::Size>;

// --- TrackBuffer: 24-byte header, then the audio data -----------------------
namespace TrackBuffer {
constexpr std::size_t StartFrame = 0;       // LBA of the first frame
constexpr std::size_t NumFrames = 4;        // frames requested
constexpr std::size_t MaxLength = 8;        // capacity of the data area in bytes
constexpr std::size_t Length = 12;          // data length returned
constexpr std::size_t Status = 16;
constexpr std::size_t StartOffset = 20;
constexpr std::size_t HeaderSize = 24;
constexpr std::size_t DataSize = BytesPerRead;
constexpr std::size_t Size = HeaderSize + DataSize;
static_assert(Size == 61176);
}  // namespace TrackBuffer
using TrackBufferHeaderBytes = std::array<uint8_t, TrackBuffer::HeaderSize>;

// --- Byte order helpers -----------------------------------------------------
uint32_t ReadBE32(const uint8_t* p);
uint32_t ReadLE32(const uint8_t* p);
void WriteLE32(uint8_t* p, uint32_t v);

// Record n (0..7) of a filled CD list; all zero for any other n.
CdRecordBytes CdRecordAt(const CdListBytes& list, int n);

// The identification text bytes of a CD record (65 bytes, NUL-padded).
std::span<const uint8_t> Identification(const CdRecordBytes& record);

// The handle request for the drive a CD record describes: size 12, version 1,
// its ha/tgt/lun, read type 0, jitter correction off.
GetCdHandBytes MakeGetCdHand(const CdRecordBytes& record);

// The TrackBuffer header for one read: start frame, frames requested, the
// maximum data length 61,152 and zero returned length, status and offset.
TrackBufferHeaderBytes MakeTrackBufferHeader(uint32_t startFrame, uint32_t frames);

// --- TOC arithmetic ---------------------------------------------------------

// The address of TOC entry `entry` (0-based) read big-endian; 0 for an entry
// outside 0..99.
uint32_t TocAddressToLba(const TocBytes& toc, int entry);

// Whether row i (1-based) is a data track: the control bits of entry i-1
// say so. False for a row outside the list.
bool IsDataTrack(const TocBytes& toc, int row);

// The frames of one track: [start, end).
struct FrameRange {
    uint32_t start = 0;
    uint32_t end = 0;
    // end - start, or 0 when the TOC lists the addresses out of order.
    uint32_t Frames() const { return end > start ? end - start : 0; }
    uint64_t Bytes() const { return uint64_t{Frames()} * BytesPerFrame; }
    bool operator==(const FrameRange&) const = default;
};

// The number of track rows: rows i = 1, 2, ... while the address of entry i
// is non-zero. The header's first/last track numbers are not consulted.
int TrackCount(const TocBytes& toc);

// The frame range of row i (1-based): from entry i-1 up to entry i. Empty
// when row i is not a row of the list (i < 1 or i > TrackCount).
std::optional<FrameRange> TrackRange(const TocBytes& toc, int row);

}  // namespace AkripRecords

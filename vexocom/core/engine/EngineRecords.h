// Byte layouts of the engine records the server builds or reads.
//
// Every record is a little-endian byte array with named offsets. Fixed-width
// fields keep their widths everywhere; pointer-sized fields (pointers,
// callbacks, user data, handles) take sizeof(void*) bytes and are aligned to
// it, so on i686 the layouts are the engine's exact 32-bit records and on
// x86_64 the pointer fields widen and later fields shift.
//
// The accessors never touch bytes outside the span they are given: a read
// past the end yields 0 (or an empty text), a write past the end does nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace EngineRecords {

using Bytes = std::span<uint8_t>;
using ConstBytes = std::span<const uint8_t>;

inline constexpr std::size_t kPointerSize = sizeof(void*);

constexpr std::size_t AlignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// ---------------------------------------------------------------------------
// Field accessors.

uint8_t ReadU8(ConstBytes record, std::size_t offset);
uint16_t ReadU16(ConstBytes record, std::size_t offset);
uint32_t ReadU32(ConstBytes record, std::size_t offset);
int32_t ReadI32(ConstBytes record, std::size_t offset);
uint64_t ReadU64(ConstBytes record, std::size_t offset);
// A pointer-sized field.
uintptr_t ReadPointer(ConstBytes record, std::size_t offset);
template <class T>
T* ReadPointerAs(ConstBytes record, std::size_t offset) {
    return reinterpret_cast<T*>(ReadPointer(record, offset));
}

void WriteU8(Bytes record, std::size_t offset, uint8_t value);
void WriteU16(Bytes record, std::size_t offset, uint16_t value);
void WriteU32(Bytes record, std::size_t offset, uint32_t value);
void WriteI32(Bytes record, std::size_t offset, int32_t value);
void WriteU64(Bytes record, std::size_t offset, uint64_t value);
void WritePointer(Bytes record, std::size_t offset, uintptr_t value);
inline void WritePointer(Bytes record, std::size_t offset, const void* value) {
    WritePointer(record, offset, reinterpret_cast<uintptr_t>(value));
}
// Function pointers (callbacks) go through their address value.
template <class Fn>
void WriteCallback(Bytes record, std::size_t offset, Fn fn) {
    static_assert(std::is_pointer_v<Fn> && std::is_function_v<std::remove_pointer_t<Fn>>,
                  "a callback is a function pointer");
    WritePointer(record, offset, reinterpret_cast<uintptr_t>(fn));
}

// A zero-terminated character field of `capacity` bytes: the characters up
// to the first zero, at most `capacity`.
std::string ReadText(ConstBytes record, std::size_t offset, std::size_t capacity);
// Zero-fills the field and copies at most capacity - 1 characters of `text`.
void WriteText(Bytes record, std::size_t offset, std::size_t capacity, std::string_view text);

// ---------------------------------------------------------------------------
// EngineInitRecord: passed to VexoInit by address. Ten fields: eight
// pointer-sized, then two 32-bit numbers (40 bytes on i686).
namespace InitRecord {
inline constexpr std::size_t EngineDirectory = 0 * kPointerSize;   // text, null unless a path is set
inline constexpr std::size_t ProductName = 1 * kPointerSize;       // text
inline constexpr std::size_t Maker = 2 * kPointerSize;             // text "Quarn"
inline constexpr std::size_t LanguageFile = 3 * kPointerSize;      // text
inline constexpr std::size_t IdleCallback = 4 * kPointerSize;
inline constexpr std::size_t IdleUserData = 5 * kPointerSize;
inline constexpr std::size_t UserDialogCallback = 6 * kPointerSize;
inline constexpr std::size_t UserDialogUserData = 7 * kPointerSize;
inline constexpr std::size_t EnableOverburn = 8 * kPointerSize;    // 32-bit, -1 true / 0 false
inline constexpr std::size_t OverburnSize = EnableOverburn + 4;    // 32-bit blocks
inline constexpr std::size_t Size = AlignUp(OverburnSize + 4, kPointerSize);
inline constexpr const char* kMakerText = "Quarn";
}  // namespace InitRecord

// ---------------------------------------------------------------------------
// Speed block inside a drive entry (648 bytes): count, base speed in KB/s,
// list A (64 numbers), list B (64 numbers; the drive's speeds), 32 reserved.
namespace SpeedBlock {
inline constexpr std::size_t Count = 0;
inline constexpr std::size_t BaseSpeedKBs = 4;
inline constexpr std::size_t ListA = 8;
inline constexpr std::size_t ListB = ListA + 64 * 4;          // 264
inline constexpr std::size_t Reserved = ListB + 64 * 4;       // 520
inline constexpr std::size_t Size = Reserved + 32 * 4;        // 648
inline constexpr std::size_t kListCapacity = 64;
}  // namespace SpeedBlock

// EngineDriveEntry: the engine's record of one device (1720 bytes, no
// pointer fields).
namespace DriveEntry {
inline constexpr std::size_t DeviceName = 0;            // 64 chars
inline constexpr std::size_t DeviceNameSize = 64;
inline constexpr std::size_t HostAdapterName = 64;      // 8 chars
inline constexpr std::size_t HostAdapterNameSize = 8;
inline constexpr std::size_t HostAdapterNo = 72;
inline constexpr std::size_t DeviceId = 76;
inline constexpr std::size_t DevType = 80;              // VEXO_SCSI_DEVTYPE
inline constexpr std::size_t DriveLetter = 84;          // 1 char, 0 when none
inline constexpr std::size_t Capabilities = 88;         // VEXO_CAPABILITIES bits
inline constexpr std::size_t ReadSpeeds = 92;           // speed block
inline constexpr std::size_t WriteSpeeds = ReadSpeeds + SpeedBlock::Size;   // 740
inline constexpr std::size_t Unread1388 = WriteSpeeds + SpeedBlock::Size;   // 1388, 4 bytes
inline constexpr std::size_t BufUnderrunProtName = 1392;  // 64 chars
inline constexpr std::size_t BufUnderrunProtNameSize = 64;
inline constexpr std::size_t MandatoryBUPSpeed = 1456;
inline constexpr std::size_t MediaSupport = 1460;       // VEXO_MEDIA_TYPE bits
inline constexpr std::size_t DriveBufferSize = 1464;
inline constexpr std::size_t Unread1468 = 1468;         // 4 bytes
inline constexpr std::size_t MediaReadSupport = 1472;   // VEXO_MEDIA_TYPE bits
inline constexpr std::size_t Rest = 1476;
inline constexpr std::size_t Size = 1720;
}  // namespace DriveEntry

// A speed list as the drive's ReadSpeeds/WriteSpeeds give it: the first
// `count` numbers of list B (count capped at the list's 64) and the base.
struct SpeedList {
    uint32_t baseSpeedKBs = 0;
    std::vector<int32_t> speeds;
};
SpeedList ReadSpeedBlock(ConstBytes driveEntry, std::size_t blockOffset);

// The drive's letter as a one-character text, "?" when it has none.
std::string DriveLetterText(ConstBytes driveEntry);

// Engine drive list: a 32-bit count, then count drive entries.
namespace DriveList {
inline constexpr std::size_t Count = 0;
inline constexpr std::size_t Entries = 4;
constexpr std::size_t EntryOffset(uint32_t index) {
    return Entries + static_cast<std::size_t>(index) * DriveEntry::Size;
}
constexpr uint64_t SizeFor(uint32_t count) {
    return Entries + static_cast<uint64_t>(count) * DriveEntry::Size;
}
}  // namespace DriveList

// Speed record returned by VexoGetAvailableSpeeds: count, base speed, then
// count 32-bit speeds.
namespace AvailableSpeeds {
inline constexpr std::size_t Count = 0;
inline constexpr std::size_t BaseSpeedKBs = 4;
inline constexpr std::size_t Speeds = 8;
constexpr uint64_t SizeFor(uint32_t count) { return Speeds + static_cast<uint64_t>(count) * 4; }
}  // namespace AvailableSpeeds

// ---------------------------------------------------------------------------
// EngineProgressRecord: eight pointer-sized slots (32 bytes on i686),
// allocated by VexoCreateProgress and filled by the server.
namespace ProgressRecord {
inline constexpr std::size_t Progress = 0 * kPointerSize;         // ProgressCallback
inline constexpr std::size_t Aborted = 1 * kPointerSize;          // AbortedCallback
inline constexpr std::size_t LogLine = 2 * kPointerSize;          // LogLineCallback
inline constexpr std::size_t SetPhase = 3 * kPointerSize;         // SetPhaseCallback
inline constexpr std::size_t UserData = 4 * kPointerSize;         // the drive
inline constexpr std::size_t DisableAbort = 5 * kPointerSize;     // DisableAbortCallback
inline constexpr std::size_t MajorPhase = 6 * kPointerSize;       // MajorPhaseCallback
inline constexpr std::size_t SubTaskProgress = 7 * kPointerSize;  // SubTaskProgressCallback
inline constexpr std::size_t Size = 8 * kPointerSize;
}  // namespace ProgressRecord

// ---------------------------------------------------------------------------
// Disc-information record (VexoGetCDInfo, VexoGetDiscImageInfo). The server
// copies track count x 280 + 276 bytes.
namespace DiscInfo {
inline constexpr std::size_t FreeCapacityInBlocks = 0;
inline constexpr std::size_t IsWriteable = 4;         // boolean, low 16 bits used
inline constexpr std::size_t Artist = 12;             // 65 chars
inline constexpr std::size_t Title = 77;              // 65 chars
inline constexpr std::size_t TextSize = 65;
inline constexpr std::size_t AvailableEraseModes = 144;
inline constexpr std::size_t UnusedBlocks = 148;
inline constexpr std::size_t MediaType = 152;         // VEXO_MEDIA_TYPE
inline constexpr std::size_t MediumFlags = 156;       // VCDIMF_* bits
inline constexpr std::size_t Layer0MaxBlocks = 160;
inline constexpr std::size_t TotalCapacity = 164;
inline constexpr std::size_t NumberOfTracks = 272;
inline constexpr std::size_t Tracks = 276;
inline constexpr std::size_t HeaderSize = Tracks;
constexpr std::size_t TrackOffset(uint32_t index) {
    return Tracks + static_cast<std::size_t>(index) * 280;
}
constexpr uint64_t CopySize(uint32_t trackCount) {
    return static_cast<uint64_t>(trackCount) * 280 + 276;
}
inline constexpr uint32_t kMediumVirtualMultisession = 1;  // VCDIMF_VIRTUALMULTISESSION
inline constexpr uint32_t kMediumHdbSupported = 2;         // VCDIMF_HDB_SUPPORTED
}  // namespace DiscInfo

// One track record of the disc information (280 bytes).
namespace TrackInfo {
inline constexpr std::size_t SessionNumber = 0;
inline constexpr std::size_t TrackNumber = 4;
inline constexpr std::size_t TrackType = 8;        // VEXO_TRACK_TYPE: 0 unknown, 1 data, 2 audio
inline constexpr std::size_t StartBlock = 12;
inline constexpr std::size_t LengthInBlocks = 16;
inline constexpr std::size_t Artist = 20;          // 65 chars
inline constexpr std::size_t Title = 85;           // 65 chars
inline constexpr std::size_t TextSize = 65;
inline constexpr std::size_t Isrc = 150;           // text up to the block size field
inline constexpr std::size_t IsrcSize = 14;
inline constexpr std::size_t BlockSize = 164;
inline constexpr std::size_t Size = 280;
}  // namespace TrackInfo

// ---------------------------------------------------------------------------
// Audio extraction (VexoDAE).

// Target record: kind 0 = write a file (256-byte name buffer, at most 255
// characters), kind 1 = hand the audio to a write callback.
namespace DaeTarget {
inline constexpr std::size_t Kind = 0;
inline constexpr std::size_t FileName = 4;                 // kind 0
inline constexpr std::size_t FileNameSize = 256;
inline constexpr std::size_t UserData = AlignUp(4, kPointerSize);    // kind 1
inline constexpr std::size_t WriteCallback = UserData + kPointerSize;
inline constexpr std::size_t Reserved1 = WriteCallback + kPointerSize;
inline constexpr std::size_t Reserved2 = Reserved1 + kPointerSize;
inline constexpr std::size_t Size =
    AlignUp(FileName + FileNameSize > Reserved2 + kPointerSize ? FileName + FileNameSize
                                                               : Reserved2 + kPointerSize,
            kPointerSize);
inline constexpr uint32_t kKindFile = 0;
inline constexpr uint32_t kKindCallback = 1;
}  // namespace DaeTarget

// Progress pair: the progress callback and its user data (the drive).
namespace DaeCallbackPair {
inline constexpr std::size_t Callback = 0;
inline constexpr std::size_t UserData = kPointerSize;
inline constexpr std::size_t Size = 2 * kPointerSize;
}  // namespace DaeCallbackPair

// ===========================================================================
// The data track: ISO items, the ISO track creation arguments and the
// import result record.

// One engine ISO item (592 bytes on i686), made by VexoCreateIsoItemOfSize
// with this build's Size. Names and source paths are inline up to 251 bytes,
// else the inline field's first byte is 0 and the long pointer is used.
namespace IsoItem {
inline constexpr std::size_t Name = 0;                                   // 252 chars
inline constexpr std::size_t NameSize = 252;
inline constexpr std::size_t LongName = AlignUp(Name + NameSize, kPointerSize);
inline constexpr std::size_t IsDirectory = LongName + kPointerSize;      // 32-bit, 1 for folders
inline constexpr std::size_t Unread260 = IsDirectory + 4;                // 4 bytes
inline constexpr std::size_t SourcePath = Unread260 + 4;                 // 252 chars
inline constexpr std::size_t SourcePathSize = 252;
inline constexpr std::size_t LongSourcePath = AlignUp(SourcePath + SourcePathSize, kPointerSize);
inline constexpr std::size_t FirstChild = LongSourcePath + kPointerSize; // directories only
inline constexpr std::size_t Next = FirstChild + kPointerSize;           // next in the same directory
inline constexpr std::size_t UserData = Next + kPointerSize;
inline constexpr std::size_t Unread532 = UserData + kPointerSize;        // 12 bytes
inline constexpr std::size_t EntryTime = Unread532 + 12;                 // struct tm, nine 32-bit fields
inline constexpr std::size_t EntryTimeSize = 9 * 4;
inline constexpr std::size_t Size = AlignUp(EntryTime + EntryTimeSize + 12, kPointerSize);
// The fields of the entry time, relative to EntryTime.
inline constexpr std::size_t TmSec = 0, TmMin = 4, TmHour = 8, TmMday = 12, TmMon = 16, TmYear = 20,
                             TmWday = 24, TmYday = 28, TmIsdst = 32;
inline constexpr std::size_t kInlineMaxBytes = NameSize - 1;             // 251
}  // namespace IsoItem

// The ISO track creation arguments given to VexoCreateIsoTrackEx with flags
// 128: thirteen fields (52 bytes on i686), all pointer-sized but the burn
// options. The texts are ANSI and never null.
namespace IsoTrackArguments {
inline constexpr std::size_t Reserved = 0;                               // left zero
inline constexpr std::size_t RootFirstItem = Reserved + kPointerSize;
inline constexpr std::size_t WrapperFirstItem = RootFirstItem + kPointerSize;
inline constexpr std::size_t VolumeName = WrapperFirstItem + kPointerSize;
inline constexpr std::size_t BurnOptions = VolumeName + kPointerSize;    // 32-bit
inline constexpr std::size_t SystemIdentifier = AlignUp(BurnOptions + 4, kPointerSize);
inline constexpr std::size_t VolumeSet = SystemIdentifier + kPointerSize;
inline constexpr std::size_t Publisher = VolumeSet + kPointerSize;
inline constexpr std::size_t DataPreparer = Publisher + kPointerSize;
inline constexpr std::size_t Application = DataPreparer + kPointerSize;
inline constexpr std::size_t Copyright = Application + kPointerSize;
inline constexpr std::size_t Abstract = Copyright + kPointerSize;
inline constexpr std::size_t Bibliographic = Abstract + kPointerSize;
inline constexpr std::size_t Size = Bibliographic + kPointerSize;
inline constexpr uint32_t kFlagsArgumentsRecord = 128;
}  // namespace IsoTrackArguments

// The eight descriptive texts of the volume, in record order.
struct IsoTrackTexts {
    const char* volumeName = "";
    const char* systemIdentifier = "";
    const char* volumeSet = "";
    const char* publisher = "";
    const char* dataPreparer = "";
    const char* application = "";
    const char* copyright = "";
    const char* abstract = "";
    const char* bibliographic = "";
};
// Zero-fills the record and writes every field; a null text is written as
// "" (the texts must outlive the record's use).
void WriteIsoTrackArguments(Bytes record, const void* rootFirstItem, const void* wrapperFirstItem,
                            uint32_t burnOptions, const IsoTrackTexts& texts);

// The import result record (8 bytes on i686): structure size, then the
// engine's ANSI volume name (given back with VexoFreeMem).
namespace ImportResult {
inline constexpr std::size_t StructSize = 0;                              // 32-bit
inline constexpr std::size_t VolumeName = AlignUp(StructSize + 4, kPointerSize);
inline constexpr std::size_t Size = VolumeName + kPointerSize;
}  // namespace ImportResult

#if defined(__i386__)
static_assert(IsoItem::LongName == 252 && IsoItem::IsDirectory == 256 && IsoItem::SourcePath == 264);
static_assert(IsoItem::LongSourcePath == 516 && IsoItem::FirstChild == 520 && IsoItem::Next == 524);
static_assert(IsoItem::UserData == 528 && IsoItem::EntryTime == 544 && IsoItem::Size == 592);
static_assert(IsoTrackArguments::RootFirstItem == 4 && IsoTrackArguments::WrapperFirstItem == 8);
static_assert(IsoTrackArguments::VolumeName == 12 && IsoTrackArguments::BurnOptions == 16);
static_assert(IsoTrackArguments::SystemIdentifier == 20 && IsoTrackArguments::Bibliographic == 48);
static_assert(IsoTrackArguments::Size == 52);
static_assert(ImportResult::VolumeName == 4 && ImportResult::Size == 8);
#endif

// ===========================================================================
// Audio tracks, freestyle tracks and video items: the records the objects
// keep inside themselves and the burn copies into its arrays.

// The source of a track: either an ANSI file name (NUL-terminated, at most
// 255 characters) or, for the event kind, four pointer-sized fields.
namespace TrackSource {
inline constexpr std::size_t Size = 256;
inline constexpr std::size_t UserData = 0 * kPointerSize;          // the track object
inline constexpr std::size_t ReadCallback = 1 * kPointerSize;
inline constexpr std::size_t EndOfDataCallback = 2 * kPointerSize;
inline constexpr std::size_t ErrorCallback = 3 * kPointerSize;
// Source kinds.
inline constexpr uint32_t kKindWav = 0, kKindEvent = 1, kKindMp3 = 2, kKindWma = 3, kKindFreestyleFile = 4;
// The callbacks of the event kind, called on the engine's thread with the
// user data: read fills at most `size` bytes of `buffer` and answers how
// many it filled; end of data and error answer nonzero for true.
using ReadCallback_t = int32_t(__stdcall*)(void* userData, uint8_t* buffer, int32_t size);
using QueryCallback_t = int32_t(__stdcall*)(void* userData);
}  // namespace TrackSource

// The most relative index positions a track record holds.
inline constexpr std::size_t kTrackPositionCapacity = 98;

// One audio track (800 bytes on i686).
namespace AudioTrackRecord {
inline constexpr std::size_t Pause = 0;                                   // blocks before the track
inline constexpr std::size_t PositionCount = 4;
inline constexpr std::size_t Positions = 8;                               // 98 x 32-bit
inline constexpr std::size_t Title = AlignUp(Positions + kTrackPositionCapacity * 4, kPointerSize);
inline constexpr std::size_t Artist = Title + kPointerSize;
inline constexpr std::size_t SourceKind = Artist + kPointerSize;          // 32-bit
inline constexpr std::size_t Source = AlignUp(SourceKind + 4, kPointerSize);
inline constexpr std::size_t LengthInBlocks = Source + TrackSource::Size;
inline constexpr std::size_t Index0ContainsData = LengthInBlocks + 4;     // 32-bit, sign-extended boolean
inline constexpr std::size_t Reserved = Index0ContainsData + 4;           // 124 bytes, zero
inline constexpr std::size_t Size = AlignUp(Reserved + 124, kPointerSize);
}  // namespace AudioTrackRecord

// One freestyle track (680 bytes on i686); the first field holds the size.
namespace FreestyleTrackRecord {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t Pause = 4;
inline constexpr std::size_t PositionCount = 8;
inline constexpr std::size_t Positions = 12;                              // 98 x 32-bit
inline constexpr std::size_t Title = AlignUp(Positions + kTrackPositionCapacity * 4, kPointerSize);
inline constexpr std::size_t Artist = Title + kPointerSize;
inline constexpr std::size_t SourceKind = Artist + kPointerSize;          // 32-bit
inline constexpr std::size_t Source = AlignUp(SourceKind + 4, kPointerSize);
inline constexpr std::size_t LengthInBlocks = Source + TrackSource::Size;
inline constexpr std::size_t TrackType = LengthInBlocks + 4;              // VEXO_FREESTYLE_TRACK_TYPE
inline constexpr std::size_t Size = AlignUp(TrackType + 4, kPointerSize);
}  // namespace FreestyleTrackRecord

// One video item (264 bytes on i686). Names shorter than 250 bytes sit
// inline; longer ones behind the long-name pointer, the inline field's
// first byte then 0.
namespace VideoItemRecord {
inline constexpr std::size_t PauseAfterItem = 0;
inline constexpr std::size_t SourceName = 4;                              // 252 chars
inline constexpr std::size_t SourceNameSize = 252;
inline constexpr std::size_t LongSourceName = AlignUp(SourceName + SourceNameSize, kPointerSize);
inline constexpr std::size_t ItemType = LongSourceName + kPointerSize;    // VEXO_VIDEO_ITEM_TYPE
inline constexpr std::size_t Size = AlignUp(ItemType + 4, kPointerSize);
}  // namespace VideoItemRecord

#if defined(__i386__)
static_assert(AudioTrackRecord::Title == 400 && AudioTrackRecord::Artist == 404);
static_assert(AudioTrackRecord::SourceKind == 408 && AudioTrackRecord::Source == 412);
static_assert(AudioTrackRecord::LengthInBlocks == 668 && AudioTrackRecord::Index0ContainsData == 672);
static_assert(AudioTrackRecord::Size == 800);
static_assert(FreestyleTrackRecord::Title == 404 && FreestyleTrackRecord::SourceKind == 412);
static_assert(FreestyleTrackRecord::Source == 416 && FreestyleTrackRecord::LengthInBlocks == 672);
static_assert(FreestyleTrackRecord::TrackType == 676 && FreestyleTrackRecord::Size == 680);
static_assert(VideoItemRecord::LongSourceName == 256 && VideoItemRecord::ItemType == 260);
static_assert(VideoItemRecord::Size == 264);
#endif
static_assert(4 * kPointerSize <= TrackSource::Size);

// ===========================================================================
// Burn records: one per compilation type, zero-filled, handed to VexoBurn.
// Texts are ANSI pointers valid for the engine call; the track and item
// arrays have room for 100 elements (the collections take 99).

inline constexpr std::size_t kBurnRecordSlots = 100;

// Compilation types of VexoBurn.
namespace CompilationType {
inline constexpr int32_t IsoAudio = 0, VideoCd = 1, Image = 2, Freestyle = 3, FileSystem = 4, DiscCopy = 1000;
}

// ISO/audio record (80156 bytes on i686).
namespace IsoAudioRecord {
inline constexpr std::size_t Artist = 0;
inline constexpr std::size_t Title = Artist + kPointerSize;
inline constexpr std::size_t DataTrack = Title + kPointerSize;
inline constexpr std::size_t CdExtra = DataTrack + kPointerSize;          // 32-bit
inline constexpr std::size_t Stamp = AlignUp(CdExtra + 4, kPointerSize);
inline constexpr std::size_t TrackCount = Stamp + kPointerSize;
inline constexpr std::size_t MediaType = TrackCount + 4;
inline constexpr std::size_t Tracks = AlignUp(MediaType + 4 + 128, kPointerSize);
inline constexpr std::size_t Size = Tracks + kBurnRecordSlots * AudioTrackRecord::Size;
}  // namespace IsoAudioRecord

// Video CD record (26800 bytes on i686).
namespace VideoCdRecord {
inline constexpr std::size_t SuperVideoCd = 0;                            // 32-bit
inline constexpr std::size_t ItemCount = 4;
inline constexpr std::size_t DataTrack = 8;
inline constexpr std::size_t TempDirectory = AlignUp(DataTrack + kPointerSize + 252, kPointerSize);
inline constexpr std::size_t Resolution = AlignUp(TempDirectory + kPointerSize, 8);  // PAL 0, NTSC 1
inline constexpr std::size_t Items = Resolution + 128;
inline constexpr std::size_t Size = Items + kBurnRecordSlots * VideoItemRecord::Size;
}  // namespace VideoCdRecord

// Freestyle record (68168 bytes on i686); the first field holds 848.
namespace FreestyleBurnRecord {
inline constexpr std::size_t Magic = 0;
inline constexpr std::size_t Artist = AlignUp(Magic + 4, kPointerSize);
inline constexpr std::size_t Title = Artist + kPointerSize;
inline constexpr std::size_t DataTrack = Title + kPointerSize;
inline constexpr std::size_t CdExtra = DataTrack + kPointerSize;          // 32-bit
inline constexpr std::size_t Stamp = AlignUp(CdExtra + 4, kPointerSize);
inline constexpr std::size_t TrackCount = Stamp + kPointerSize;
inline constexpr std::size_t BurnOptions = TrackCount + 4;                // of the content object
inline constexpr std::size_t Container = AlignUp(BurnOptions + 4, kPointerSize);
inline constexpr std::size_t MediaType = Container + kPointerSize;
inline constexpr std::size_t Tracks = AlignUp(MediaType + 4 + 128, kPointerSize);
inline constexpr std::size_t Size = Tracks + kBurnRecordSlots * FreestyleTrackRecord::Size;
inline constexpr uint32_t kMagic = 848;
}  // namespace FreestyleBurnRecord

// File-system record (144 bytes on i686): a file-system content object's
// container and burn options; the first field holds the record's size.
namespace FileSystemRecord {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t Container = AlignUp(StructSize + 4, kPointerSize);
inline constexpr std::size_t MediaType = Container + kPointerSize;
inline constexpr std::size_t BurnOptions = MediaType + 4;
inline constexpr std::size_t Size = AlignUp(BurnOptions + 4 + 128, kPointerSize);
}  // namespace FileSystemRecord

// Burn-at-once record (268 bytes on i686); the first field holds its size.
namespace BurnAtOnceRecord {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t TempDirectory = AlignUp(StructSize + 4, kPointerSize);  // null when none
inline constexpr std::size_t Container = TempDirectory + kPointerSize;
inline constexpr std::size_t Size = Container + kPointerSize + 256;
}  // namespace BurnAtOnceRecord

// Disc-copy record (72 bytes on i686).
namespace DiscCopyRecord {
inline constexpr std::size_t SourceDevice = 0;
inline constexpr std::size_t OnTheFly = kPointerSize;                     // 32-bit
inline constexpr std::size_t ImagePath = AlignUp(OnTheFly + 4, kPointerSize);  // null when empty
inline constexpr std::size_t DeleteImage = ImagePath + kPointerSize;
inline constexpr std::size_t ReadSpeed = DeleteImage + 4;
inline constexpr std::size_t Retries = ReadSpeed + 4;
inline constexpr std::size_t IgnoreDataReadErrors = Retries + 4;         // one byte, 1 or 0
inline constexpr std::size_t RawReadMode = IgnoreDataReadErrors + 4;
inline constexpr std::size_t RawReadModeAgain = RawReadMode + 8;
inline constexpr std::size_t IgnoreAudioReadErrors = RawReadMode + 28;
inline constexpr std::size_t ReadIsrcAndMcn = IgnoreAudioReadErrors + 4;
inline constexpr std::size_t MediaType = ReadIsrcAndMcn + 8;
inline constexpr std::size_t Size = AlignUp(MediaType + 4, kPointerSize);
}  // namespace DiscCopyRecord

// Track size estimation options (156 bytes on i686).
namespace EstimateOptions {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t Stamp = AlignUp(StructSize + 4, kPointerSize);
inline constexpr std::size_t MediaType = Stamp + kPointerSize;
inline constexpr std::size_t Device = AlignUp(MediaType + 4, kPointerSize);
inline constexpr std::size_t BurnFlags = Device + kPointerSize;
inline constexpr std::size_t Container = AlignUp(BurnFlags + 4, kPointerSize);
inline constexpr std::size_t BurnOptions = Container + kPointerSize;      // only with a container
inline constexpr std::size_t Size = AlignUp(BurnOptions + 4 + 128, kPointerSize);
}  // namespace EstimateOptions

#if defined(__i386__)
static_assert(IsoAudioRecord::Title == 4 && IsoAudioRecord::DataTrack == 8 && IsoAudioRecord::CdExtra == 12);
static_assert(IsoAudioRecord::Stamp == 16 && IsoAudioRecord::TrackCount == 20 && IsoAudioRecord::MediaType == 24);
static_assert(IsoAudioRecord::Tracks == 156 && IsoAudioRecord::Size == 80156);
static_assert(VideoCdRecord::TempDirectory == 264 && VideoCdRecord::Resolution == 272);
static_assert(VideoCdRecord::Items == 400 && VideoCdRecord::Size == 26800);
static_assert(FreestyleBurnRecord::Artist == 4 && FreestyleBurnRecord::DataTrack == 12);
static_assert(FreestyleBurnRecord::CdExtra == 16 && FreestyleBurnRecord::Stamp == 20);
static_assert(FreestyleBurnRecord::TrackCount == 24 && FreestyleBurnRecord::BurnOptions == 28);
static_assert(FreestyleBurnRecord::Container == 32 && FreestyleBurnRecord::MediaType == 36);
static_assert(FreestyleBurnRecord::Tracks == 168 && FreestyleBurnRecord::Size == 68168);
static_assert(DiscCopyRecord::ImagePath == 8 && DiscCopyRecord::DeleteImage == 12 && DiscCopyRecord::ReadSpeed == 16);
static_assert(DiscCopyRecord::Retries == 20 && DiscCopyRecord::IgnoreDataReadErrors == 24);
static_assert(DiscCopyRecord::RawReadMode == 28 && DiscCopyRecord::RawReadModeAgain == 36);
static_assert(DiscCopyRecord::IgnoreAudioReadErrors == 56 && DiscCopyRecord::ReadIsrcAndMcn == 60);
static_assert(DiscCopyRecord::MediaType == 68 && DiscCopyRecord::Size == 72);
static_assert(EstimateOptions::Stamp == 4 && EstimateOptions::MediaType == 8 && EstimateOptions::Device == 12);
static_assert(EstimateOptions::BurnFlags == 16 && EstimateOptions::Container == 20);
static_assert(EstimateOptions::BurnOptions == 24 && EstimateOptions::Size == 156);
static_assert(FileSystemRecord::Container == 4 && FileSystemRecord::MediaType == 8);
static_assert(FileSystemRecord::BurnOptions == 12 && FileSystemRecord::Size == 144);
static_assert(BurnAtOnceRecord::TempDirectory == 4 && BurnAtOnceRecord::Container == 8);
static_assert(BurnAtOnceRecord::Size == 268);
#endif

// ===========================================================================
// Block access and virtual multisession information.

// A partition of a medium or image (32 bytes, no pointer fields).
namespace PartitionRecord {
inline constexpr std::size_t Number = 0;        // 32-bit
inline constexpr std::size_t Unread4 = 4;       // 4 bytes
inline constexpr std::size_t Start = 8;         // 64-bit sector
inline constexpr std::size_t Sectors = 16;      // 64-bit count
inline constexpr std::size_t Type = 24;         // VexoFSTrackType: 0 data, 1 audio
inline constexpr std::size_t SectorSize = 28;   // bytes
inline constexpr std::size_t Size = 32;
}  // namespace PartitionRecord

// The engine's VMS record (given back with VexoFreeMem): a header, then
// one 424-byte record per session from offset 136.
namespace VmsRecord {
inline constexpr std::size_t NextWritableAddress = 0;  // 32-bit block
inline constexpr std::size_t SessionCount = 4;         // 32-bit
inline constexpr std::size_t FirstSession = 136;
inline constexpr std::size_t HeaderWithFirstSession = 560;  // what the server keeps of it
}  // namespace VmsRecord

namespace VmsSession {
inline constexpr std::size_t Name = 0;                 // 256 chars
inline constexpr std::size_t NameSize = 256;
inline constexpr std::size_t CreationTime = 256;       // struct tm, nine 32-bit fields
inline constexpr std::size_t NextWritableAddress = 292;
inline constexpr std::size_t Size = 424;
}  // namespace VmsSession
static_assert(VmsRecord::FirstSession + VmsSession::Size == VmsRecord::HeaderWithFirstSession);

// ---------------------------------------------------------------------------
// The 32-bit deliverable's layouts are the engine's exact records.
#if defined(__i386__)
static_assert(kPointerSize == 4);
static_assert(InitRecord::LanguageFile == 12);
static_assert(InitRecord::UserDialogCallback == 24);
static_assert(InitRecord::EnableOverburn == 32);
static_assert(InitRecord::OverburnSize == 36);
static_assert(InitRecord::Size == 40);
static_assert(SpeedBlock::ListB == 264 && SpeedBlock::Size == 648);
static_assert(DriveEntry::WriteSpeeds == 740);
static_assert(DriveEntry::Unread1388 == 1388);
static_assert(DriveEntry::Size == 1720);
static_assert(ProgressRecord::UserData == 16);
static_assert(ProgressRecord::SubTaskProgress == 28);
static_assert(ProgressRecord::Size == 32);
static_assert(DaeTarget::UserData == 4 && DaeTarget::WriteCallback == 8);
static_assert(DaeTarget::Size == 260);
static_assert(DaeCallbackPair::Size == 8);
#endif

}  // namespace EngineRecords

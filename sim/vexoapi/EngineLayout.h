// Byte layouts of the records VexoAPI.dll exchanges with its callers.
//
// Every record is a little-endian byte layout with named offsets. Pointer
// sized fields (texts, callbacks, user data, handles) take sizeof(void*)
// bytes and sit on a sizeof(void*) boundary; every other field keeps its
// fixed width, and unnamed gaps keep their size. On 32-bit x86 this gives
// the engine's published numbers exactly (checked below); on a 64-bit build
// the pointer fields widen and the later fields move along.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vexosim::layout {

inline constexpr std::size_t P = sizeof(void*);
constexpr std::size_t AlignPtr(std::size_t offset) { return (offset + P - 1) / P * P; }

// The record VexoInit receives: ten fields.
namespace init {
inline constexpr std::size_t Directory = 0;
inline constexpr std::size_t Product = Directory + P;
inline constexpr std::size_t Maker = Product + P;
inline constexpr std::size_t LanguageFile = Maker + P;
inline constexpr std::size_t IdleCallback = LanguageFile + P;
inline constexpr std::size_t IdleUserData = IdleCallback + P;
inline constexpr std::size_t DialogCallback = IdleUserData + P;
inline constexpr std::size_t DialogUserData = DialogCallback + P;
inline constexpr std::size_t EnableOverburn = DialogUserData + P;
inline constexpr std::size_t OverburnSize = EnableOverburn + 4;
inline constexpr std::size_t Size = AlignPtr(OverburnSize + 4);
}  // namespace init

// The progress record VexoCreateProgress hands out: eight pointer slots.
namespace progress {
inline constexpr std::size_t ProgressCallback = 0;
inline constexpr std::size_t AbortedCallback = ProgressCallback + P;
inline constexpr std::size_t LogLineCallback = AbortedCallback + P;
inline constexpr std::size_t PhaseCallback = LogLineCallback + P;
inline constexpr std::size_t UserData = PhaseCallback + P;
inline constexpr std::size_t DisableAbortCallback = UserData + P;
inline constexpr std::size_t MajorPhaseCallback = DisableAbortCallback + P;
inline constexpr std::size_t SubTaskProgressCallback = MajorPhaseCallback + P;
inline constexpr std::size_t Size = SubTaskProgressCallback + P;
}  // namespace progress

// One speed block of a drive entry: count, base speed, list A, list B, reserved.
namespace speeds {
inline constexpr std::size_t Count = 0;
inline constexpr std::size_t BaseSpeed = 4;
inline constexpr std::size_t ListA = 8;
inline constexpr std::size_t ListB = ListA + 64 * 4;
inline constexpr std::size_t Reserved = ListB + 64 * 4;
inline constexpr std::size_t Size = Reserved + 32 * 4;
inline constexpr std::size_t MaxSpeeds = 64;
}  // namespace speeds

// One device of the drive list. No pointers: the same on every build.
namespace drive {
inline constexpr std::size_t DeviceName = 0;        // 64 chars
inline constexpr std::size_t HostAdapterName = 64;  // 8 chars
inline constexpr std::size_t HostAdapterNo = 72;
inline constexpr std::size_t DeviceId = 76;
inline constexpr std::size_t DevType = 80;
inline constexpr std::size_t DriveLetter = 84;      // 1 char
inline constexpr std::size_t Capabilities = 88;
inline constexpr std::size_t ReadSpeeds = 92;
inline constexpr std::size_t WriteSpeeds = ReadSpeeds + speeds::Size;
inline constexpr std::size_t BupName = WriteSpeeds + speeds::Size + 4;  // 64 chars
inline constexpr std::size_t BupSpeed = BupName + 64;
inline constexpr std::size_t MediaSupport = BupSpeed + 4;
inline constexpr std::size_t BufferSize = MediaSupport + 4;
inline constexpr std::size_t MediaReadSupport = BufferSize + 4 + 4;
// The engine's own marks in the tail nobody else reads: "VSIM" and the
// device's index in the configuration, so an entry handed back can be
// traced to its device.
inline constexpr std::size_t SimTag = MediaReadSupport + 4;
inline constexpr std::size_t SimIndex = SimTag + 4;
inline constexpr std::size_t Size = 1720;
inline constexpr std::size_t NameChars = 64;
inline constexpr std::size_t HostNameChars = 8;
inline constexpr std::size_t BupNameChars = 64;
}  // namespace drive

// The drive list: a 32-bit count, then the entries back to back.
namespace drivelist {
inline constexpr std::size_t Count = 0;
inline constexpr std::size_t Entries = 4;
constexpr std::size_t Entry(std::size_t i) { return Entries + i * drive::Size; }
}  // namespace drivelist

// Disc information and its track records. No pointers.
namespace discinfo {
inline constexpr std::size_t FreeBlocks = 0;
inline constexpr std::size_t Writeable = 4;
inline constexpr std::size_t Artist = 12;  // 65 chars
inline constexpr std::size_t Title = 77;   // 65 chars
inline constexpr std::size_t EraseModes = 144;
inline constexpr std::size_t UnusedBlocks = 148;
inline constexpr std::size_t MediaType = 152;
inline constexpr std::size_t MediumFlags = 156;
inline constexpr std::size_t Layer0MaxBlocks = 160;
inline constexpr std::size_t TotalCapacity = 164;
inline constexpr std::size_t TrackCount = 272;
inline constexpr std::size_t Tracks = 276;
inline constexpr std::size_t TextChars = 65;
}  // namespace discinfo

namespace track {
inline constexpr std::size_t Session = 0;
inline constexpr std::size_t Number = 4;
inline constexpr std::size_t Type = 8;
inline constexpr std::size_t StartBlock = 12;
inline constexpr std::size_t Length = 16;
inline constexpr std::size_t Artist = 20;  // 65 chars
inline constexpr std::size_t Title = 85;   // 65 chars
inline constexpr std::size_t Isrc = 150;   // up to the block size
inline constexpr std::size_t BlockSize = 164;
inline constexpr std::size_t Size = 280;
inline constexpr std::size_t IsrcChars = BlockSize - Isrc;
}  // namespace track

constexpr std::size_t DiscInfoSize(std::size_t tracks) { return discinfo::Tracks + tracks * track::Size; }

// Records the burn calls receive; the engine checks their fixed fields.
namespace freestyletrack {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t Pause = 4;
inline constexpr std::size_t IndexCount = 8;
inline constexpr std::size_t Indexes = 12;  // 98 x 32-bit
inline constexpr std::size_t Title = AlignPtr(Indexes + 98 * 4);
inline constexpr std::size_t Artist = Title + P;
inline constexpr std::size_t SourceKind = Artist + P;
inline constexpr std::size_t Source = AlignPtr(SourceKind + 4);  // 256 bytes
inline constexpr std::size_t Length = Source + 256;
inline constexpr std::size_t TrackType = Length + 4;
inline constexpr std::size_t Size = AlignPtr(TrackType + 4);
inline constexpr std::uint32_t PublishedSize = 680;
}  // namespace freestyletrack

namespace freestyle {
inline constexpr std::size_t Magic = 0;
inline constexpr std::size_t Artist = AlignPtr(Magic + 4);
inline constexpr std::size_t Title = Artist + P;
inline constexpr std::size_t DataTrack = Title + P;
inline constexpr std::size_t CdExtra = DataTrack + P;
inline constexpr std::size_t Stamp = AlignPtr(CdExtra + 4);
inline constexpr std::size_t TrackCount = Stamp + P;
inline constexpr std::size_t BurnOptions = TrackCount + 4;
inline constexpr std::size_t Container = AlignPtr(BurnOptions + 4);
inline constexpr std::size_t MediaType = Container + P;
inline constexpr std::size_t Tracks = AlignPtr(MediaType + 4 + 128);
inline constexpr std::size_t MaxTracks = 100;
inline constexpr std::size_t Size = Tracks + MaxTracks * freestyletrack::Size;
inline constexpr std::uint32_t MagicValue = 848;
}  // namespace freestyle

namespace filesystem {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t Container = AlignPtr(StructSize + 4);
inline constexpr std::size_t MediaType = Container + P;
inline constexpr std::size_t BurnOptions = MediaType + 4;
inline constexpr std::size_t Size = AlignPtr(BurnOptions + 4 + 128);
inline constexpr std::uint32_t PublishedSize = 144;
}  // namespace filesystem

namespace burnatonce {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t TempDirectory = AlignPtr(StructSize + 4);
inline constexpr std::size_t Container = TempDirectory + P;
inline constexpr std::size_t Zero = Container + P;  // 256 bytes
inline constexpr std::size_t Size = AlignPtr(Zero + 256);
inline constexpr std::uint32_t PublishedSize = 268;
}  // namespace burnatonce

namespace estimate {
inline constexpr std::size_t StructSize = 0;
inline constexpr std::size_t Stamp = AlignPtr(StructSize + 4);
inline constexpr std::size_t MediaType = Stamp + P;
inline constexpr std::size_t Device = AlignPtr(MediaType + 4);
inline constexpr std::size_t BurnFlags = Device + P;
inline constexpr std::size_t Container = AlignPtr(BurnFlags + 4);
inline constexpr std::size_t BurnOptions = Container + P;
inline constexpr std::size_t Size = AlignPtr(BurnOptions + 4 + 128);
inline constexpr std::uint32_t PublishedSize = 156;
}  // namespace estimate

// The speed record VexoGetAvailableSpeeds hands out: count, base speed in
// KB/s, then count 32-bit speeds.
namespace speedrecord {
inline constexpr std::size_t Count = 0;
inline constexpr std::size_t BaseSpeed = 4;
inline constexpr std::size_t Speeds = 8;
constexpr std::size_t Size(std::size_t count) { return Speeds + count * 4; }
}  // namespace speedrecord

// The image record of an image burn (compilation type 2): an unused name
// buffer, the image file name, the media type.
namespace imagerecord {
inline constexpr std::size_t NameBuffer = 0;  // 252 bytes, not read
inline constexpr std::size_t File = AlignPtr(252);
inline constexpr std::size_t MediaType = File + P;
inline constexpr std::size_t Size = AlignPtr(MediaType + 4);
}  // namespace imagerecord

// The target of an audio extraction: a file, or a write callback.
namespace daetarget {
inline constexpr std::size_t Kind = 0;      // 0 file, 1 callback
inline constexpr std::size_t FileName = 4;  // 256 chars
inline constexpr std::size_t FileNameChars = 256;
inline constexpr std::size_t UserData = AlignPtr(4);
inline constexpr std::size_t WriteCallback = UserData + P;
inline constexpr std::size_t Reserved1 = WriteCallback + P;
inline constexpr std::size_t Reserved2 = Reserved1 + 4;
inline constexpr std::size_t FileSize = FileName + FileNameChars;
inline constexpr std::size_t CallbackSize = Reserved2 + 4;
inline constexpr std::uint32_t KindFile = 0;
inline constexpr std::uint32_t KindCallback = 1;
}  // namespace daetarget

// The progress pair of an audio extraction.
namespace daeprogress {
inline constexpr std::size_t Callback = 0;
inline constexpr std::size_t UserData = P;
inline constexpr std::size_t Size = 2 * P;
}  // namespace daeprogress

// Request data of the user-dialog questions.
namespace overburn {  // request 13
inline constexpr std::size_t TotalBlocksOnCD = 0;
inline constexpr std::size_t TotalCapacity = 4;
inline constexpr std::size_t Size = 136;
}  // namespace overburn

namespace fileselect {  // request 20: the buffer for the chosen file name
inline constexpr std::size_t Size = 260;
}  // namespace fileselect

namespace mediainfo {  // request 28
inline constexpr std::size_t Reserved = 0;
inline constexpr std::size_t LastMedia = 4;
inline constexpr std::size_t RequestedMedia = 8;
inline constexpr std::size_t LastName = AlignPtr(12);
inline constexpr std::size_t RequestedName = LastName + P;
inline constexpr std::size_t Size = RequestedName + P;
}  // namespace mediainfo

namespace messagebox {  // request 29
inline constexpr std::size_t Type = 0;
inline constexpr std::size_t Icon = 4;
inline constexpr std::size_t Response = 8;
inline constexpr std::size_t Text = AlignPtr(12);
inline constexpr std::size_t Size = Text + P;
}  // namespace messagebox

namespace tempspace {  // request 30
inline constexpr std::size_t Directory = 0;
inline constexpr std::size_t Reserved = P;
inline constexpr std::size_t FreeLo = Reserved + 4;
inline constexpr std::size_t FreeHi = FreeLo + 4;
inline constexpr std::size_t NeededLo = FreeHi + 4;
inline constexpr std::size_t NeededHi = NeededLo + 4;
inline constexpr std::size_t Buffer = AlignPtr(NeededHi + 4);
inline constexpr std::size_t BufferSize = Buffer + P;
inline constexpr std::size_t Size = AlignPtr(BufferSize + 4);
}  // namespace tempspace

// The 44-byte header of a PCM WAV file.
namespace wav {
inline constexpr std::size_t HeaderSize = 44;
inline constexpr std::size_t BlockBytes = 2352;      // one audio block
inline constexpr std::size_t PairsPerBlock = 588;    // stereo sample pairs in a block
}  // namespace wav

// ---------------------------------------------------------------------------
// ISO items: one block per file or directory of a data track, made by
// VexoCreateIsoItemOfSize and chained by the caller (first child of a
// directory, next item in the same directory). Names and source paths sit
// inline when they fit, else behind the long pointers.
namespace isoitem {
inline constexpr std::size_t Name = 0;                             // 252 chars
inline constexpr std::size_t NameChars = 252;
inline constexpr std::size_t LongName = AlignPtr(Name + NameChars);
inline constexpr std::size_t IsDirectory = LongName + P;           // 32-bit
inline constexpr std::size_t SourcePath = IsDirectory + 4 + 4;     // 252 chars after 4 unused bytes
inline constexpr std::size_t SourcePathChars = 252;
inline constexpr std::size_t LongSourcePath = AlignPtr(SourcePath + SourcePathChars);
inline constexpr std::size_t FirstChild = LongSourcePath + P;
inline constexpr std::size_t Next = FirstChild + P;
inline constexpr std::size_t UserData = Next + P;
inline constexpr std::size_t EntryTime = UserData + P + 12;         // struct tm: nine 32-bit fields
inline constexpr std::size_t EntryTimeSize = 9 * 4;
inline constexpr std::size_t Size = AlignPtr(EntryTime + EntryTimeSize + 12);
// The engine's own mark in the tail nobody else reads.
inline constexpr std::size_t SimTag = EntryTime + EntryTimeSize;
inline constexpr std::uint32_t kSimTag = 0x4F534956;  // "VISO"
}  // namespace isoitem

#if defined(__i386__)
static_assert(isoitem::LongName == 252 && isoitem::IsDirectory == 256 && isoitem::SourcePath == 264);
static_assert(isoitem::LongSourcePath == 516 && isoitem::FirstChild == 520 && isoitem::Next == 524);
static_assert(isoitem::UserData == 528 && isoitem::EntryTime == 544 && isoitem::Size == 592);
#endif

// The source of an audio or freestyle track: a file name, or for the
// event kind four pointers.
namespace tracksource {
inline constexpr std::size_t Size = 256;
inline constexpr std::size_t UserData = 0;
inline constexpr std::size_t ReadCallback = P;
inline constexpr std::size_t EndOfDataCallback = 2 * P;
inline constexpr std::size_t ErrorCallback = 3 * P;
inline constexpr std::uint32_t KindEvent = 1;
}  // namespace tracksource

// One audio track inside the ISO/audio record.
namespace audiotrack {
inline constexpr std::size_t Pause = 0;
inline constexpr std::size_t IndexCount = 4;
inline constexpr std::size_t Indexes = 8;  // 98 x 32-bit
inline constexpr std::size_t Title = AlignPtr(Indexes + 98 * 4);
inline constexpr std::size_t Artist = Title + P;
inline constexpr std::size_t SourceKind = Artist + P;
inline constexpr std::size_t Source = AlignPtr(SourceKind + 4);
inline constexpr std::size_t Length = Source + tracksource::Size;
inline constexpr std::size_t Index0 = Length + 4;
inline constexpr std::size_t Size = AlignPtr(Index0 + 4 + 124);
}  // namespace audiotrack

// The ISO/audio record (compilation type 0).
namespace isoaudio {
inline constexpr std::size_t Artist = 0;
inline constexpr std::size_t Title = Artist + P;
inline constexpr std::size_t DataTrack = Title + P;
inline constexpr std::size_t CdExtra = DataTrack + P;
inline constexpr std::size_t Stamp = AlignPtr(CdExtra + 4);
inline constexpr std::size_t TrackCount = Stamp + P;
inline constexpr std::size_t MediaType = TrackCount + 4;
inline constexpr std::size_t Tracks = AlignPtr(MediaType + 4 + 128);
inline constexpr std::size_t MaxTracks = 100;
inline constexpr std::size_t Size = Tracks + MaxTracks * audiotrack::Size;
}  // namespace isoaudio

// One video item, and the video CD record (compilation type 1).
namespace videoitem {
inline constexpr std::size_t Pause = 0;
inline constexpr std::size_t Name = 4;  // 252 chars
inline constexpr std::size_t LongName = AlignPtr(Name + 252);
inline constexpr std::size_t Type = LongName + P;
inline constexpr std::size_t Size = AlignPtr(Type + 4);
}  // namespace videoitem

namespace video {
inline constexpr std::size_t SuperVideoCd = 0;
inline constexpr std::size_t ItemCount = 4;
inline constexpr std::size_t DataTrack = 8;
inline constexpr std::size_t TempDirectory = AlignPtr(DataTrack + P + 252);
inline constexpr std::size_t Resolution = (TempDirectory + P + 7) / 8 * 8;
inline constexpr std::size_t Items = Resolution + 128;
inline constexpr std::size_t MaxItems = 100;
inline constexpr std::size_t Size = Items + MaxItems * videoitem::Size;
}  // namespace video

// The disc-copy record (compilation type 1000).
namespace disccopy {
inline constexpr std::size_t SourceDevice = 0;
inline constexpr std::size_t OnTheFly = P;
inline constexpr std::size_t ImagePath = AlignPtr(OnTheFly + 4);
inline constexpr std::size_t DeleteImage = ImagePath + P;
inline constexpr std::size_t ReadSpeed = DeleteImage + 4;
inline constexpr std::size_t Retries = ReadSpeed + 4;
inline constexpr std::size_t IgnoreDataReadErrors = Retries + 4;  // one byte
inline constexpr std::size_t RawReadMode = IgnoreDataReadErrors + 4;
inline constexpr std::size_t RawReadModeAgain = RawReadMode + 8;
inline constexpr std::size_t IgnoreAudioReadErrors = RawReadMode + 28;
inline constexpr std::size_t ReadIsrcAndMcn = IgnoreAudioReadErrors + 4;
inline constexpr std::size_t MediaType = ReadIsrcAndMcn + 8;
inline constexpr std::size_t Size = AlignPtr(MediaType + 4);
}  // namespace disccopy

// The ISO track creation arguments (flags 128): thirteen fields.
namespace isotrackargs {
inline constexpr std::size_t RootFirst = P;
inline constexpr std::size_t WrapperFirst = 2 * P;
inline constexpr std::size_t VolumeName = 3 * P;
inline constexpr std::size_t BurnOptions = 4 * P;
inline constexpr std::size_t Texts = AlignPtr(BurnOptions + 4);  // eight text pointers
inline constexpr std::size_t Size = Texts + 8 * P;
inline constexpr std::uint32_t FlagArgumentsRecord = 128;
}  // namespace isotrackargs

#if defined(__i386__)
static_assert(audiotrack::Title == 400 && audiotrack::Source == 412 && audiotrack::Length == 668 &&
              audiotrack::Size == 800);
static_assert(isoaudio::Tracks == 156 && isoaudio::Size == 80156);
static_assert(video::TempDirectory == 264 && video::Resolution == 272 && video::Items == 400 && video::Size == 26800);
static_assert(disccopy::RawReadModeAgain == 36 && disccopy::IgnoreAudioReadErrors == 56 && disccopy::MediaType == 68 &&
              disccopy::Size == 72);
static_assert(isotrackargs::Texts == 20 && isotrackargs::Size == 52);
#endif

// The partition record a block object hands out (owned by the object).
// No pointers.
namespace partition {
inline constexpr std::size_t Number = 0;
inline constexpr std::size_t Start = 8;        // 64-bit
inline constexpr std::size_t Sectors = 16;     // 64-bit
inline constexpr std::size_t Type = 24;        // 0 data, 1 audio
inline constexpr std::size_t SectorSize = 28;
inline constexpr std::size_t Size = 32;
inline constexpr std::uint32_t TypeData = 0;
inline constexpr std::uint32_t TypeAudio = 1;
}  // namespace partition

// The virtual-multisession record of VexoGetVMSInfo: a head, then one
// record per session. No pointers.
namespace vms {
inline constexpr std::size_t NextWritable = 0;
inline constexpr std::size_t SessionCount = 4;
inline constexpr std::size_t Sessions = 136;  // bytes 8..135 stay zero
inline constexpr std::size_t SessionSize = 424;
// Within one session record.
inline constexpr std::size_t Name = 0;  // ANSI, NUL-terminated
inline constexpr std::size_t NameChars = 256;
inline constexpr std::size_t Created = 256;  // struct tm: nine 32-bit fields
inline constexpr std::size_t SessionNextWritable = 292;
constexpr std::size_t RecordSize(std::size_t sessions) { return Sessions + sessions * SessionSize; }
}  // namespace vms

// A structure-size field is right when it holds the published number or,
// where pointers widen the record, this build's own size of it.
constexpr bool SizeFieldOk(std::uint32_t value, std::uint32_t published, std::size_t native) {
    return value == published || value == native;
}

#if defined(__i386__)
static_assert(init::Directory == 0 && init::Product == 4 && init::Maker == 8 && init::LanguageFile == 12);
static_assert(init::IdleCallback == 16 && init::IdleUserData == 20 && init::DialogCallback == 24);
static_assert(init::DialogUserData == 28 && init::EnableOverburn == 32 && init::OverburnSize == 36);
static_assert(init::Size == 40);
static_assert(progress::AbortedCallback == 4 && progress::LogLineCallback == 8 && progress::PhaseCallback == 12);
static_assert(progress::UserData == 16 && progress::DisableAbortCallback == 20);
static_assert(progress::MajorPhaseCallback == 24 && progress::SubTaskProgressCallback == 28 && progress::Size == 32);
static_assert(freestyletrack::Title == 404 && freestyletrack::Artist == 408 && freestyletrack::SourceKind == 412);
static_assert(freestyletrack::Source == 416 && freestyletrack::Length == 672 && freestyletrack::TrackType == 676);
static_assert(freestyletrack::Size == 680);
static_assert(freestyle::Artist == 4 && freestyle::Title == 8 && freestyle::DataTrack == 12 && freestyle::CdExtra == 16);
static_assert(freestyle::Stamp == 20 && freestyle::TrackCount == 24 && freestyle::BurnOptions == 28);
static_assert(freestyle::Container == 32 && freestyle::MediaType == 36 && freestyle::Tracks == 168);
static_assert(freestyle::Size == 68168);
static_assert(filesystem::Container == 4 && filesystem::MediaType == 8 && filesystem::BurnOptions == 12);
static_assert(filesystem::Size == 144);
static_assert(burnatonce::TempDirectory == 4 && burnatonce::Container == 8 && burnatonce::Size == 268);
static_assert(estimate::Stamp == 4 && estimate::MediaType == 8 && estimate::Device == 12 && estimate::BurnFlags == 16);
static_assert(estimate::Container == 20 && estimate::BurnOptions == 24 && estimate::Size == 156);
static_assert(imagerecord::File == 252 && imagerecord::MediaType == 256);
static_assert(daetarget::UserData == 4 && daetarget::WriteCallback == 8 && daetarget::CallbackSize == 20);
static_assert(daeprogress::UserData == 4);
static_assert(mediainfo::LastName == 12 && mediainfo::RequestedName == 16 && mediainfo::Size == 20);
static_assert(messagebox::Text == 12 && messagebox::Size == 16);
static_assert(tempspace::FreeLo == 8 && tempspace::FreeHi == 12 && tempspace::NeededLo == 16);
static_assert(tempspace::NeededHi == 20 && tempspace::Buffer == 24 && tempspace::BufferSize == 28 && tempspace::Size == 32);
#endif
// The pointer-free records are the same everywhere.
static_assert(speeds::Size == 648);
static_assert(drive::WriteSpeeds == 740 && drive::BupName == 1392 && drive::BupSpeed == 1456);
static_assert(drive::MediaSupport == 1460 && drive::BufferSize == 1464 && drive::MediaReadSupport == 1472);
static_assert(drive::SimIndex + 4 <= drive::Size);
static_assert(DiscInfoSize(0) == 276 && track::Size == 280 && track::IsrcChars == 14);
static_assert(vms::Created + 9 * 4 == vms::SessionNextWritable && vms::SessionNextWritable + 4 <= vms::SessionSize);
static_assert(vms::RecordSize(1) == 560);

// Little-endian field access on a byte block.
inline void Put32(std::uint8_t* base, std::size_t offset, std::uint32_t value) {
    base[offset] = static_cast<std::uint8_t>(value);
    base[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    base[offset + 2] = static_cast<std::uint8_t>(value >> 16);
    base[offset + 3] = static_cast<std::uint8_t>(value >> 24);
}
inline std::uint32_t Get32(const std::uint8_t* base, std::size_t offset) {
    return std::uint32_t(base[offset]) | std::uint32_t(base[offset + 1]) << 8 |
           std::uint32_t(base[offset + 2]) << 16 | std::uint32_t(base[offset + 3]) << 24;
}
inline void Put64(std::uint8_t* base, std::size_t offset, std::uint64_t value) {
    Put32(base, offset, static_cast<std::uint32_t>(value));
    Put32(base, offset + 4, static_cast<std::uint32_t>(value >> 32));
}
inline std::uint64_t Get64(const std::uint8_t* base, std::size_t offset) {
    return std::uint64_t(Get32(base, offset)) | std::uint64_t(Get32(base, offset + 4)) << 32;
}
inline void* GetPtr(const std::uint8_t* base, std::size_t offset) {
    void* p;
    std::memcpy(&p, base + offset, sizeof p);
    return p;
}
inline void PutPtr(std::uint8_t* base, std::size_t offset, const void* value) {
    std::memcpy(base + offset, &value, sizeof value);
}
// Copies at most chars - 1 characters and leaves the rest of the field zero.
inline void PutText(std::uint8_t* base, std::size_t offset, std::size_t chars, const std::string& text) {
    std::memset(base + offset, 0, chars);
    std::memcpy(base + offset, text.data(), text.size() < chars ? text.size() : chars - 1);
}

}  // namespace vexosim::layout

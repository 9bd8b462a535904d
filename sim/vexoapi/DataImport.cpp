// The import of a data track: the export
//
//   void* VexoImportDataTrack(void* device, int trackNumber, void** stamp,
//                             void* info, int flags, int* result, int reserved)
//
// reads the ISO 9660 file system of track `trackNumber` of the device's
// Medium= (an ISO image is track 1; a BIN/CUE image's tracks are numbered
// as in its sheet; a raw 2352-byte data sector's mode byte tells where its
// 2048 bytes sit) and hands it out as engine ISO items, one engine block of
// kind "isoitem" per file or folder, counted like VexoCreateIsoItemOfSize's
// and given back with VexoFreeIsoItemTree / VexoFreeIsoItem: names in the
// ANSI code page (a name longer than the inline field sits in the item's
// own block, behind its long pointer, so it goes with the item), entry times
// as local struct tm, folders with the is-directory field and their user
// data set, first-child and next links in the image's record order. Source
// paths stay empty: the files' bytes are on the medium. Answers the first
// item of the root's chain (null for an empty root or on failure).
//
// Names: Rock Ridge with flag 1 or 4 (when the volume has them; else
// Joliet, else ISO 9660), ISO 9660 only with flag 2 (it wins over 1 and 4),
// else Joliet (when present). Flags 8 (UDF) and 16 are passed over. Extents
// count from the track's first sector.
//
// *result: 0 imported; 2 the device has no medium or it cannot be opened;
// 3 a sector could not be read; 4 no readable ISO 9660 file system (also an
// audio track); 5 no track of that number. The 8-byte info record (32-bit
// size 8, or this build's own size, then the volume name) receives the
// volume name (the Joliet one with Joliet names, when set) as an engine text
// the caller gives back with VexoFreeMem; a record with another size is a
// check failure and left alone. *stamp is always set to null: this engine
// keeps no stamp of an imported session.
//
// Counters "import.result", "import.items"; texts "import.volume",
// "import.medium".

#include "DataImage.h"

#include "BlockMedia.h"
#include "EngineLayout.h"
#include "Error.h"
#include "Reader.h"
#include "SimEngine.h"

#include <windows.h>

#include <cstring>
#include <ctime>
#include <vector>

using namespace vexosim;
namespace L = vexosim::layout;
namespace I = vexosim::layout::isoitem;

namespace {

constexpr std::int32_t kImported = 0;
constexpr std::int32_t kGenericError = 1;
constexpr std::int32_t kNoMedium = 2;
constexpr std::int32_t kReadError = 3;
constexpr std::int32_t kInvalidFileSystem = 4;
constexpr std::int32_t kInvalidTrack = 5;

constexpr std::uint32_t kFlagRockRidge = 1;
constexpr std::uint32_t kFlagIsoOnly = 2;
constexpr std::uint32_t kFlagPreferRockRidge = 4;

// The info record: 32-bit size, then the volume name's pointer.
constexpr std::size_t kInfoStructSize = 0;
constexpr std::size_t kInfoVolumeName = L::AlignPtr(4);
constexpr std::size_t kInfoSize = kInfoVolumeName + L::P;
constexpr std::uint32_t kInfoPublishedSize = 8;

// One partition of a medium as 2048-byte sectors counted from its start.
class PartitionSource : public iso9660::SectorSource {
public:
    PartitionSource(Medium& medium, const PartitionInfo& p) : medium_(medium), p_(p) {}
    std::uint64_t SectorCount() const override { return p_.sectors; }
    void ReadSectors(std::uint64_t first, std::span<std::uint8_t> out) override {
        const std::uint64_t count = out.size() / iso9660::kSectorBytes;
        if (first > p_.sectors || count > p_.sectors - first)
            throw iso9660::Error(iso9660::ErrorCode::Io, "a read beyond the track's end");
        if (p_.sectorSize == iso9660::kSectorBytes) {
            if (!medium_.Read(p_, p_.start + first, count, out.data()))
                throw iso9660::Error(iso9660::ErrorCode::Io, "the medium cannot be read");
            return;
        }
        raw_.resize(p_.sectorSize);
        for (std::uint64_t i = 0; i < count; ++i) {
            if (!medium_.Read(p_, p_.start + first + i, 1, raw_.data()))
                throw iso9660::Error(iso9660::ErrorCode::Io, "the medium cannot be read");
            std::memcpy(out.data() + i * iso9660::kSectorBytes, raw_.data() + UserDataOffset(), iso9660::kSectorBytes);
        }
    }

private:
    // Raw sectors: Mode 1 data after the 16-byte sync and header, Mode 2
    // Form 1 after 24 (the header's mode byte tells); 2336-byte sectors
    // after the 8-byte subheader.
    std::size_t UserDataOffset() const {
        if (p_.sectorSize == 2336) return 8;
        return raw_[15] == 2 ? 24 : 16;
    }

    Medium& medium_;
    PartitionInfo p_;
    std::vector<std::uint8_t> raw_;
};

// The items of a folder's children, chained; every block made is in `made`.
void* MakeChain(SimEngine& e, const iso9660::Node& folder, std::vector<void*>& made) {
    void* first = nullptr;
    void* last = nullptr;
    for (const iso9660::Node& node : folder.children) {
        const std::string name = AnsiFromUtf8(node.name);
        const bool longName = name.size() >= I::NameChars;
        void* item = e.Memory().Allocate("isoitem", I::Size + (longName ? name.size() + 1 : 0));
        made.push_back(item);
        e.Count("made.isoitem");
        auto* b = static_cast<std::uint8_t*>(item);
        L::Put32(b, I::SimTag, I::kSimTag);
        if (longName) {
            char* tail = reinterpret_cast<char*>(b + I::Size);
            std::memcpy(tail, name.c_str(), name.size() + 1);
            L::PutPtr(b, I::LongName, tail);
        } else {
            L::PutText(b, I::Name, I::NameChars, name);
        }
        const std::time_t when = static_cast<std::time_t>(node.mtime);
        std::tm local{};
        if (localtime_s(&local, &when) == 0) {
            const int fields[9] = {local.tm_sec,  local.tm_min,  local.tm_hour, local.tm_mday, local.tm_mon,
                                   local.tm_year, local.tm_wday, local.tm_yday, local.tm_isdst};
            for (std::size_t i = 0; i < 9; ++i) L::Put32(b, I::EntryTime + 4 * i, static_cast<std::uint32_t>(fields[i]));
        }
        if (node.directory) {
            L::Put32(b, I::IsDirectory, 1);
            L::PutPtr(b, I::UserData, reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5EED)));
            L::PutPtr(b, I::FirstChild, MakeChain(e, node, made));
        }
        if (last)
            L::PutPtr(static_cast<std::uint8_t*>(last), I::Next, item);
        else
            first = item;
        last = item;
    }
    return first;
}

}  // namespace

extern "C" {

void* WINAPI VexoImportDataTrack(void* device, std::int32_t trackNumber, void** stamp, void* info, std::int32_t flags,
                                 std::int32_t* result, std::int32_t reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        if (stamp) *stamp = nullptr;
        if (result) *result = kGenericError;
        auto lock = e.Lock();
        auto answer = [&](std::int32_t r, const std::string& line) -> void* {
            if (!lock.owns_lock()) lock.lock();
            if (result) *result = r;
            e.SetCounter("import.result", r);
            if (!line.empty()) {
                e.errors.push_back(line);
                e.Log("VexoImportDataTrack: " + line);
            }
            return nullptr;
        };
        std::int32_t scripted = kGenericError;
        if (e.ScriptedFailure("VexoImportDataTrack", scripted)) return answer(scripted, "VexoImportDataTrack: simulated failure");
        if (reserved != 0) e.CheckFailed("VexoImportDataTrack", Format("reserved argument is %d, not 0", reserved));
        auto* record = static_cast<std::uint8_t*>(info);
        if (record && !L::SizeFieldOk(L::Get32(record, kInfoStructSize), kInfoPublishedSize, kInfoSize)) {
            e.CheckFailed("VexoImportDataTrack", Format("import info record size %u", L::Get32(record, kInfoStructSize)));
            record = nullptr;
        }
        const std::int32_t index = e.DeviceOf(device);
        if (index < 0) {
            e.CheckFailed("VexoImportDataTrack",
                          device ? "the device handle is not one this engine opened (or it was closed)" : "the device handle is null");
            return answer(kNoMedium, "");
        }
        std::string name = e.Config().behaviour[static_cast<std::size_t>(index)].medium;
        if (name.empty()) return answer(kNoMedium, "There is no medium in the drive");
        std::shared_ptr<SectorOverlay> overlay;
        if (SyntheticSectors(name)) {
            if (SimEngine::DeviceState* state = e.StateOf(index)) {
                if (!state->overlay) state->overlay = std::make_shared<SectorOverlay>();
                overlay = state->overlay;
            }
        } else {
            name = e.ConfiguredPath(name);
        }
        e.SetText("import.medium", name);

        // The medium is read without the lock.
        lock.unlock();
        std::string why;
        std::unique_ptr<Medium> medium = OpenMedium(name, false, overlay, &why);
        if (!medium) return answer(kNoMedium, "The medium cannot be read: " + why);
        const PartitionInfo* track = nullptr;
        for (const PartitionInfo& p : medium->Partitions())
            if (static_cast<std::int64_t>(p.number) == trackNumber) track = &p;
        if (!track) return answer(kInvalidTrack, Format("The medium has no track %d", trackNumber));
        if (track->type != 0) return answer(kInvalidFileSystem, Format("Track %d is an audio track", trackNumber));
        iso9660::ReadOptions ro;
        const auto f = static_cast<std::uint32_t>(flags);
        ro.rockRidge = (f & (kFlagRockRidge | kFlagPreferRockRidge)) != 0 && (f & kFlagIsoOnly) == 0;
        ro.joliet = (f & kFlagIsoOnly) == 0;
        iso9660::Volume volume;
        try {
            PartitionSource source(*medium, *track);
            volume = iso9660::Read(source, ro);
        } catch (const iso9660::Error& x) {
            const bool io = x.code() == iso9660::ErrorCode::Io;
            return answer(io ? kReadError : kInvalidFileSystem,
                          Format("Track %d holds no readable ISO 9660 file system: %s", trackNumber, x.what()));
        }
        medium.reset();

        lock.lock();
        std::vector<void*> made;
        void* first = nullptr;
        try {
            first = MakeChain(e, volume.root, made);
        } catch (...) {
            for (void* p : made) e.Memory().Free(p);
            throw;
        }
        const std::string volumeName =
            AnsiFromUtf8(volume.names == iso9660::NameKind::Joliet && !volume.jolietName.empty() ? volume.jolietName
                                                                                                  : volume.name);
        if (record) L::PutPtr(record, kInfoVolumeName, e.Memory().AllocateText(volumeName));
        e.SetText("import.volume", volumeName);
        e.SetCounter("import.items", static_cast<std::int64_t>(made.size()));
        e.Log(Format("VexoImportDataTrack %d: %u items, volume \"%s\"", trackNumber, unsigned(made.size()), volumeName.c_str()));
        answer(kImported, "");
        return first;
    });
}

}  // extern "C"

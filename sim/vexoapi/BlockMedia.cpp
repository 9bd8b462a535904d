#include "BlockMedia.h"

#include "CueSheet.h"
#include "SimConfig.h"
#include "Win32File.h"

#include <windows.h>

#include "WinHandles.h"

#include <algorithm>
#include <cstring>

namespace vexosim {
namespace {

using unique_file = win::unique_handle;

// At most this much per ReadFile/WriteFile call.
constexpr std::uint64_t kChunk = 8u << 20;

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string FolderOf(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// One image file, read and written at byte offsets.
class ImageFile {
public:
    bool Open(const std::string& path, bool writable) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | (writable ? GENERIC_WRITE : 0), FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        file_.reset(h);
        LARGE_INTEGER size;
        if (!GetFileSizeEx(h, &size) || size.QuadPart < 0) return false;
        size_ = static_cast<std::uint64_t>(size.QuadPart);
        return true;
    }
    std::uint64_t Size() const { return size_; }

    bool Read(std::uint64_t offset, std::uint64_t bytes, std::uint8_t* out) {
        while (bytes > 0) {
            DWORD want = static_cast<DWORD>(std::min(bytes, kChunk));
            DWORD got = 0;
            if (!Seek(offset) || !ReadFile(file_.get(), out, want, &got, nullptr) || got != want) return false;
            offset += want;
            out += want;
            bytes -= want;
        }
        return true;
    }
    bool Write(std::uint64_t offset, std::uint64_t bytes, const std::uint8_t* in) {
        while (bytes > 0) {
            DWORD want = static_cast<DWORD>(std::min(bytes, kChunk));
            DWORD put = 0;
            if (!Seek(offset) || !WriteFile(file_.get(), in, want, &put, nullptr) || put != want) return false;
            offset += want;
            in += want;
            bytes -= want;
        }
        return true;
    }

private:
    bool Seek(std::uint64_t offset) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) != 0;
    }
    unique_file file_;
    std::uint64_t size_ = 0;
};

// An ISO or BIN/CUE image: partitions over one file.
class FileMedium : public Medium {
public:
    FileMedium(ImageFile file, std::vector<PartitionInfo> partitions, bool writable) : file_(std::move(file)) {
        partitions_ = std::move(partitions);
        writable_ = writable;
    }
    bool Read(const PartitionInfo& p, std::uint64_t sector, std::uint64_t count, std::uint8_t* out) override {
        return file_.Read(p.fileOffset + (sector - p.start) * p.sectorSize, count * p.sectorSize, out);
    }
    bool Write(const PartitionInfo& p, std::uint64_t sector, std::uint64_t count, const std::uint8_t* in) override {
        return writable_ && file_.Write(p.fileOffset + (sector - p.start) * p.sectorSize, count * p.sectorSize, in);
    }

private:
    ImageFile file_;
};

class SyntheticMedium : public Medium {
public:
    SyntheticMedium(std::uint64_t sectors, std::shared_ptr<SectorOverlay> overlay) : overlay_(std::move(overlay)) {
        PartitionInfo p;
        p.sectors = sectors;
        partitions_.push_back(p);
        writable_ = true;
    }
    bool Read(const PartitionInfo&, std::uint64_t sector, std::uint64_t count, std::uint8_t* out) override {
        for (std::uint64_t i = 0; i < count; ++i) FillSyntheticSector(sector + i, out + i * kSyntheticSectorSize);
        std::lock_guard<std::mutex> lock(overlay_->mutex);
        for (auto it = overlay_->sectors.lower_bound(sector); it != overlay_->sectors.end() && it->first < sector + count; ++it)
            std::memcpy(out + (it->first - sector) * kSyntheticSectorSize, it->second.data(), kSyntheticSectorSize);
        return true;
    }
    bool Write(const PartitionInfo&, std::uint64_t sector, std::uint64_t count, const std::uint8_t* in) override {
        std::lock_guard<std::mutex> lock(overlay_->mutex);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* from = in + i * kSyntheticSectorSize;
            overlay_->sectors[sector + i].assign(from, from + kSyntheticSectorSize);
        }
        return true;
    }

private:
    std::shared_ptr<SectorOverlay> overlay_;
};

}  // namespace

const PartitionInfo* Medium::PartitionOf(std::uint64_t sector) const {
    auto it = std::upper_bound(partitions_.begin(), partitions_.end(), sector,
                               [](std::uint64_t s, const PartitionInfo& p) { return s < p.start; });
    if (it == partitions_.begin()) return nullptr;
    --it;
    return sector < it->End() ? &*it : nullptr;
}

std::optional<std::uint64_t> SyntheticSectors(std::string_view name) {
    constexpr std::string_view prefix = "synthetic:";
    if (name.size() <= prefix.size() || !EqualsNoCase(name.substr(0, prefix.size()), prefix)) return std::nullopt;
    auto n = ParseNumber(name.substr(prefix.size()));
    if (!n || *n < 1 || static_cast<std::uint64_t>(*n) > kSyntheticMaxSectors) return std::nullopt;
    return static_cast<std::uint64_t>(*n);
}

void FillSyntheticSector(std::uint64_t sector, std::uint8_t* out) {
    std::uint8_t word[8];
    for (int i = 0; i < 8; ++i) word[i] = static_cast<std::uint8_t>(sector >> (8 * i));
    for (std::uint32_t at = 0; at < kSyntheticSectorSize; at += 8) std::memcpy(out + at, word, 8);
}

bool LayOutCueTracks(const CueSheet& sheet, std::uint64_t binBytes, std::vector<PartitionInfo>& out, std::string* error) {
    out.clear();
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < sheet.tracks.size(); ++i) {
        const CueTrack& t = sheet.tracks[i];
        PartitionInfo p;
        p.number = static_cast<std::uint32_t>(t.number);
        p.start = t.start;
        p.type = t.type;
        p.sectorSize = t.sectorSize;
        // The sectors before the first INDEX 01 are the first track's pregap.
        p.fileOffset = i == 0 ? t.start * t.sectorSize : offset;
        if (i + 1 < sheet.tracks.size()) {
            p.sectors = sheet.tracks[i + 1].start - t.start;
        } else {
            p.sectors = binBytes > p.fileOffset ? (binBytes - p.fileOffset) / t.sectorSize : 0;
        }
        offset = p.fileOffset + p.sectors * p.sectorSize;
        if (offset > binBytes || p.sectors == 0) {
            if (error) *error = "the BIN file is too short for track " + std::to_string(t.number);
            out.clear();
            return false;
        }
        out.push_back(p);
    }
    return true;
}

std::unique_ptr<Medium> OpenMedium(const std::string& name, bool writable, std::shared_ptr<SectorOverlay> overlay,
                                   std::string* error) {
    auto fail = [&](std::string why) -> std::unique_ptr<Medium> {
        if (error) *error = std::move(why);
        return nullptr;
    };
    if (name.empty()) return fail("no medium named");
    if (auto sectors = SyntheticSectors(name)) {
        if (!overlay) overlay = std::make_shared<SectorOverlay>();
        return std::make_unique<SyntheticMedium>(*sectors, std::move(overlay));
    }
    if (EqualsNoCase(name.substr(0, std::min<std::size_t>(name.size(), 10)), "synthetic:"))
        return fail("a synthetic medium needs 1 to 2^48 sectors: " + name);
    std::vector<PartitionInfo> partitions;
    std::string dataFile = name;
    if (EndsWithNoCase(name, ".cue")) {
        std::string text;
        if (!ReadWholeFile(name, text)) return fail("cannot read the cue sheet " + name);
        std::string why;
        auto sheet = ParseCueSheet(text, &why);
        if (!sheet) return fail(name + ": " + why);
        dataFile = IsAbsolutePath(sheet->file) ? sheet->file : FolderOf(name) + sheet->file;
        ImageFile bin;
        if (!bin.Open(dataFile, writable)) return fail("cannot open " + dataFile);
        if (!LayOutCueTracks(*sheet, bin.Size(), partitions, &why)) return fail(dataFile + ": " + why);
        return std::make_unique<FileMedium>(std::move(bin), std::move(partitions), writable);
    }
    ImageFile iso;
    if (!iso.Open(name, writable)) return fail("cannot open " + name);
    PartitionInfo p;
    p.sectors = iso.Size() / 2048;
    partitions.push_back(p);
    return std::make_unique<FileMedium>(std::move(iso), std::move(partitions), writable);
}

}  // namespace vexosim

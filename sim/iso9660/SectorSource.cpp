#include "SectorSource.h"
#include "Error.h"
#include "File.h"
#include <cstring>

namespace iso9660 {

namespace {
constexpr std::uint32_t S = 2048;

void CheckRange(std::uint64_t first, std::size_t bytes, std::uint64_t count)
{
    if (bytes % S != 0)
        throw Error(ErrorCode::BadArgument, "sector reads must be whole sectors");
    std::uint64_t n = bytes / S;
    if (first > count || n > count - first)
        throw Error(ErrorCode::Io, "sectors " + std::to_string(first) + " to " + std::to_string(first + n) +
                                       " lie beyond the end (" + std::to_string(count) + " sectors)");
}
} // namespace

std::uint64_t MemorySectorSource::SectorCount() const { return bytes_.size() / S; }

void MemorySectorSource::ReadSectors(std::uint64_t first, std::span<std::uint8_t> out)
{
    CheckRange(first, out.size(), SectorCount());
    if (!out.empty())
        std::memcpy(out.data(), bytes_.data() + first * S, out.size());
}

FileSectorSource::FileSectorSource(const std::string& path, std::uint64_t startByte, std::uint32_t rawSectorBytes,
                                   std::uint32_t userDataOffset)
    : start_(startByte), count_(0), raw_(rawSectorBytes), offset_(userDataOffset)
{
    if (raw_ < S || raw_ > 4096 || offset_ > raw_ - S)
        throw Error(ErrorCode::BadArgument, "a sector of " + std::to_string(raw_) + " bytes cannot hold 2048 bytes of data at offset " +
                                                std::to_string(offset_));
    file_ = std::make_unique<File>(path, File::Mode::Read);
    std::uint64_t size = file_->Size();
    count_ = size > start_ ? (size - start_) / raw_ : 0;
    if (raw_ != S)
        rawBuffer_.resize(raw_);
}

FileSectorSource::~FileSectorSource() = default;

void FileSectorSource::ReadSectors(std::uint64_t first, std::span<std::uint8_t> out)
{
    CheckRange(first, out.size(), count_);
    const std::uint64_t n = out.size() / S;
    if (raw_ == S) {
        file_->Seek(start_ + first * S);
        if (file_->Read(out.data(), out.size()) != out.size())
            throw Error(ErrorCode::Io, "'" + file_->path() + "' ended early");
        return;
    }
    for (std::uint64_t i = 0; i < n; ++i) {
        file_->Seek(start_ + (first + i) * raw_);
        if (file_->Read(rawBuffer_.data(), raw_) != raw_)
            throw Error(ErrorCode::Io, "'" + file_->path() + "' ended early");
        std::memcpy(out.data() + i * S, rawBuffer_.data() + offset_, S);
    }
}

} // namespace iso9660

// Where the reader gets sectors from: a file (plain 2048-byte sectors or raw
// 2352-byte sectors with the user data at an offset) or memory.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace iso9660 {

class SectorSource {
public:
    virtual ~SectorSource() = default;
    // How many 2048-byte sectors can be read.
    virtual std::uint64_t SectorCount() const = 0;
    // Reads `out.size() / 2048` whole sectors starting at `first`. The
    // caller keeps within SectorCount(); implementations check it anyway
    // and throw Error(Io) beyond it.
    virtual void ReadSectors(std::uint64_t first, std::span<std::uint8_t> out) = 0;
};

class MemorySectorSource : public SectorSource {
public:
    explicit MemorySectorSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t SectorCount() const override;
    void ReadSectors(std::uint64_t first, std::span<std::uint8_t> out) override;

private:
    std::span<const std::uint8_t> bytes_;
};

class File;

// A file whose sectors start at `startByte`. `rawSectorBytes` is 2048 for a
// plain image, 2352 for raw CD sectors; `userDataOffset` is where the 2048
// bytes of data sit inside a raw sector (16 for Mode 1, 24 for Mode 2 Form 1).
class FileSectorSource : public SectorSource {
public:
    explicit FileSectorSource(const std::string& path, std::uint64_t startByte = 0,
                              std::uint32_t rawSectorBytes = 2048, std::uint32_t userDataOffset = 0);
    ~FileSectorSource() override;
    std::uint64_t SectorCount() const override { return count_; }
    void ReadSectors(std::uint64_t first, std::span<std::uint8_t> out) override;

private:
    std::unique_ptr<File> file_;
    std::uint64_t start_, count_;
    std::uint32_t raw_, offset_;
    std::vector<std::uint8_t> rawBuffer_;
};

} // namespace iso9660

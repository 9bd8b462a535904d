// Little-endian field accessors over engine record bytes, and the few
// readings the server makes of whole fields (speed lists, drive letter).
#include "EngineRecords.h"

#include <algorithm>
#include <cstring>

namespace EngineRecords {

namespace {

bool Fits(std::size_t size, std::size_t offset, std::size_t width) {
    return offset <= size && width <= size - offset;
}

template <class T>
T ReadLE(ConstBytes record, std::size_t offset) {
    if (!Fits(record.size(), offset, sizeof(T))) return 0;
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<T>(record[offset + i]) << (8 * i));
    return value;
}

template <class T>
void WriteLE(Bytes record, std::size_t offset, T value) {
    if (!Fits(record.size(), offset, sizeof(T))) return;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        record[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

uint8_t ReadU8(ConstBytes record, std::size_t offset) { return ReadLE<uint8_t>(record, offset); }
uint16_t ReadU16(ConstBytes record, std::size_t offset) { return ReadLE<uint16_t>(record, offset); }
uint32_t ReadU32(ConstBytes record, std::size_t offset) { return ReadLE<uint32_t>(record, offset); }
int32_t ReadI32(ConstBytes record, std::size_t offset) {
    return static_cast<int32_t>(ReadLE<uint32_t>(record, offset));
}
uint64_t ReadU64(ConstBytes record, std::size_t offset) { return ReadLE<uint64_t>(record, offset); }
uintptr_t ReadPointer(ConstBytes record, std::size_t offset) {
    return ReadLE<uintptr_t>(record, offset);
}

void WriteU8(Bytes record, std::size_t offset, uint8_t value) { WriteLE(record, offset, value); }
void WriteU16(Bytes record, std::size_t offset, uint16_t value) { WriteLE(record, offset, value); }
void WriteU32(Bytes record, std::size_t offset, uint32_t value) { WriteLE(record, offset, value); }
void WriteI32(Bytes record, std::size_t offset, int32_t value) {
    WriteLE(record, offset, static_cast<uint32_t>(value));
}
void WriteU64(Bytes record, std::size_t offset, uint64_t value) { WriteLE(record, offset, value); }
void WritePointer(Bytes record, std::size_t offset, uintptr_t value) {
    WriteLE(record, offset, value);
}

std::string ReadText(ConstBytes record, std::size_t offset, std::size_t capacity) {
    if (offset >= record.size()) return {};
    const std::size_t available = std::min(capacity, record.size() - offset);
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    const void* zero = std::memchr(begin, 0, available);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - begin) : available;
    return std::string(begin, length);
}

void WriteText(Bytes record, std::size_t offset, std::size_t capacity, std::string_view text) {
    if (capacity == 0 || !Fits(record.size(), offset, capacity)) return;
    std::memset(record.data() + offset, 0, capacity);
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(record.data() + offset, text.data(), length);
}

SpeedList ReadSpeedBlock(ConstBytes driveEntry, std::size_t blockOffset) {
    SpeedList list;
    if (!Fits(driveEntry.size(), blockOffset, SpeedBlock::Size)) return list;
    const uint32_t count = std::min<uint32_t>(ReadU32(driveEntry, blockOffset + SpeedBlock::Count),
                                              SpeedBlock::kListCapacity);
    list.baseSpeedKBs = ReadU32(driveEntry, blockOffset + SpeedBlock::BaseSpeedKBs);
    list.speeds.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        list.speeds.push_back(ReadI32(driveEntry, blockOffset + SpeedBlock::ListB + 4 * i));
    return list;
}

std::string DriveLetterText(ConstBytes driveEntry) {
    const uint8_t letter = ReadU8(driveEntry, DriveEntry::DriveLetter);
    return std::string(1, letter ? static_cast<char>(letter) : '?');
}

void WriteIsoTrackArguments(Bytes record, const void* rootFirstItem, const void* wrapperFirstItem,
                            uint32_t burnOptions, const IsoTrackTexts& texts) {
    namespace A = IsoTrackArguments;
    if (record.size() < A::Size) return;
    std::memset(record.data(), 0, A::Size);
    auto text = [](const char* t) { return static_cast<const void*>(t ? t : ""); };
    WritePointer(record, A::RootFirstItem, rootFirstItem);
    WritePointer(record, A::WrapperFirstItem, wrapperFirstItem);
    WritePointer(record, A::VolumeName, text(texts.volumeName));
    WriteU32(record, A::BurnOptions, burnOptions);
    WritePointer(record, A::SystemIdentifier, text(texts.systemIdentifier));
    WritePointer(record, A::VolumeSet, text(texts.volumeSet));
    WritePointer(record, A::Publisher, text(texts.publisher));
    WritePointer(record, A::DataPreparer, text(texts.dataPreparer));
    WritePointer(record, A::Application, text(texts.application));
    WritePointer(record, A::Copyright, text(texts.copyright));
    WritePointer(record, A::Abstract, text(texts.abstract));
    WritePointer(record, A::Bibliographic, text(texts.bibliographic));
}

}  // namespace EngineRecords

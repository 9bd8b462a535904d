#include "drives/DriveRecords.h"

#include <algorithm>

namespace DriveRecords {

std::vector<uint8_t> MakeImageRecord(const char* imageFile, uint32_t mediaType) {
    std::vector<uint8_t> r(ImageRecord::Size, 0);
    rec::Bytes b(r.data(), r.size());
    rec::WritePointer(b, ImageRecord::ImageFile, static_cast<const void*>(imageFile));
    rec::WriteU32(b, ImageRecord::MediaType, mediaType);
    return r;
}

std::vector<uint8_t> MakeDaeFileTarget(std::string_view fileName) {
    std::vector<uint8_t> r(rec::DaeTarget::Size, 0);
    rec::Bytes b(r.data(), r.size());
    rec::WriteU32(b, rec::DaeTarget::Kind, rec::DaeTarget::kKindFile);
    rec::WriteText(b, rec::DaeTarget::FileName, rec::DaeTarget::FileNameSize, fileName);
    return r;
}

rec::SpeedList ReadAvailableSpeeds(const uint8_t* record) {
    rec::SpeedList list;
    if (!record) return list;
    rec::ConstBytes head(record, rec::AvailableSpeeds::Speeds);
    const uint32_t count = std::min(rec::ReadU32(head, rec::AvailableSpeeds::Count), kMaxAvailableSpeeds);
    list.baseSpeedKBs = rec::ReadU32(head, rec::AvailableSpeeds::BaseSpeedKBs);
    rec::ConstBytes all(record, static_cast<std::size_t>(rec::AvailableSpeeds::SizeFor(count)));
    list.speeds.reserve(count);
    for (uint32_t i = 0; i < count; ++i) list.speeds.push_back(rec::ReadI32(all, rec::AvailableSpeeds::Speeds + 4 * i));
    return list;
}

UINT ErasingTimeError(int32_t seconds) noexcept {
    switch (seconds) {
        case -1: return 517;
        case -2: return 518;
        case -3: return 534;
        default: return 0;
    }
}

VARTYPE DeviceOptionType(int32_t option) noexcept {
    switch (option) {
        case 0:
        case 2: return VT_BOOL;
        case 1:
        case 3: return VT_I4;
        default: return VT_EMPTY;
    }
}

}  // namespace DriveRecords

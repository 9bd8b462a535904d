#include "AkripRecords.h"

#include <algorithm>

namespace AkripRecords {

uint32_t ReadBE32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void WriteLE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

CdRecordBytes CdRecordAt(const CdListBytes& list, int n) {
    CdRecordBytes rec{};
    if (n < 0 || n >= CdList::RecordCount) return rec;
    auto first = list.begin() + CdList::Records + static_cast<std::size_t>(n) * CdRecord::Size;
    std::copy(first, first + CdRecord::Size, rec.begin());
    return rec;
}

std::span<const uint8_t> Identification(const CdRecordBytes& record) {
    return std::span<const uint8_t>(record).subspan(CdRecord::Id, CdRecord::IdLength);
}

GetCdHandBytes MakeGetCdHand(const CdRecordBytes& record) {
    GetCdHandBytes req{};
    req[GetCdHand::StructSize] = static_cast<uint8_t>(GetCdHand::Size);
    req[GetCdHand::Version] = GetCdHand::VersionValue;
    req[GetCdHand::Ha] = record[CdRecord::Ha];
    req[GetCdHand::Tgt] = record[CdRecord::Tgt];
    req[GetCdHand::Lun] = record[CdRecord::Lun];
    req[GetCdHand::ReadType] = 0;
    return req;  // jitter bytes stay 0
}

TrackBufferHeaderBytes MakeTrackBufferHeader(uint32_t startFrame, uint32_t frames) {
    TrackBufferHeaderBytes h{};
    WriteLE32(&h[TrackBuffer::StartFrame], startFrame);
    WriteLE32(&h[TrackBuffer::NumFrames], frames);
    WriteLE32(&h[TrackBuffer::MaxLength], static_cast<uint32_t>(TrackBuffer::DataSize));
    return h;  // returned length, status and start offset stay 0
}

uint32_t TocAddressToLba(const TocBytes& toc, int entry) {
    if (entry < 0 || entry >= Toc::EntryCount) return 0;
    return ReadBE32(&toc[Toc::HeaderSize + static_cast<std::size_t>(entry) * Toc::EntrySize + Toc::EntryAddress]);
}

bool IsDataTrack(const TocBytes& toc, int row) {
    if (row < 1 || row > TrackCount(toc)) return false;
    const std::size_t entry = Toc::HeaderSize + static_cast<std::size_t>(row - 1) * Toc::EntrySize;
    return (toc[entry + Toc::EntryAdrControl] & Toc::ControlData) != 0;
}

int TrackCount(const TocBytes& toc) {
    int rows = 0;
    while (rows + 1 < Toc::EntryCount && TocAddressToLba(toc, rows + 1) != 0) ++rows;
    return rows;
}

std::optional<FrameRange> TrackRange(const TocBytes& toc, int row) {
    if (row < 1 || row > TrackCount(toc)) return std::nullopt;
    return FrameRange{TocAddressToLba(toc, row - 1), TocAddressToLba(toc, row)};
}

}  // namespace AkripRecords

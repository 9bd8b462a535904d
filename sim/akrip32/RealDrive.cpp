// A real CD-ROM device through the platform's CD-ROM control codes: the TOC
// with IOCTL_CDROM_READ_TOC_EX (LBA addresses; IOCTL_CDROM_READ_TOC with MSF
// addresses when that is refused) and audio with IOCTL_CDROM_RAW_READ.
#include <windows.h>
#include <winioctl.h>
#include <ntddcdrm.h>

#include <algorithm>
#include <vector>

#include "AkripLayout.h"
#include "Drive.h"
#include "Win32Util.h"

namespace akrip {
namespace {

// Bytes of the TOC reply: 4-byte header, 100 entries of 8 bytes, the same
// shape as the library's own TOC record.
constexpr DWORD kTocReplyBytes = DWORD(toc::kSize);
// RAW_READ_INFO: DiskOffset (8), SectorCount (4), TrackMode (4).
constexpr size_t kRawInfoBytes = 16;
constexpr uint32_t kCookedSectorBytes = 2048;
constexpr uint32_t kCddaMode = 2;  // TRACK_MODE_TYPE CDDA
constexpr uint32_t kMaxFramesPerIoctl = 26;

win::unique_handle OpenDevice(char letter) {
    char path[] = "\\\\.\\X:";
    path[4] = letter;
    return win::unique_handle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

std::string LastErrorText(const char* what) {
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

class RealMedium final : public Medium {
public:
    explicit RealMedium(win::unique_handle device) : device_(std::move(device)) {}

    bool Load(std::string* why) override {
        loaded_ = false;
        std::vector<uint8_t> reply(kTocReplyBytes, 0);
        DWORD got = 0;
        uint8_t request[4] = {CDROM_READ_TOC_EX_FORMAT_TOC, 0, 0, 0};  // format TOC, LBA, from track 0
        bool msf = false;
        if (!DeviceIoControl(device_.get(), IOCTL_CDROM_READ_TOC_EX, request, sizeof request, reply.data(),
                             kTocReplyBytes, &got, nullptr)) {
            msf = true;
            if (!DeviceIoControl(device_.get(), IOCTL_CDROM_READ_TOC, nullptr, 0, reply.data(), kTocReplyBytes,
                                 &got, nullptr)) {
                if (why) *why = LastErrorText("reading the TOC");
                return false;
            }
        }
        if (got < toc::kEntries + toc::kEntrySize) {
            if (why) *why = "short TOC reply";
            return false;
        }
        size_t length = (size_t(reply[toc::kLength]) << 8 | reply[toc::kLength + 1]) + 2;
        size_t entries = std::min<size_t>((std::min<size_t>(length, got) - toc::kEntries) / toc::kEntrySize,
                                          toc::kMaxEntries);
        DiscLayout layout;
        bool leadOut = false;
        for (size_t k = 0; k < entries && !leadOut; ++k) {
            const uint8_t* e = reply.data() + toc::kEntries + k * toc::kEntrySize;
            uint32_t address = GetBE32(e + toc::kEntryAddress);
            if (msf) {
                uint32_t frames = ((address >> 16) & 0xFF) * 60 * kFramesPerSecond + ((address >> 8) & 0xFF) * kFramesPerSecond +
                                  (address & 0xFF);
                address = frames >= kMsfLeadIn ? frames - kMsfLeadIn : 0;
            }
            if (e[toc::kEntryTrack] == toc::kLeadOutTrack) {
                layout.leadOut = address;
                leadOut = true;
            } else {
                layout.tracks.push_back({e[toc::kEntryTrack], (e[toc::kEntryAdrControl] & 0x04) == 0, address});
            }
        }
        if (!leadOut || layout.tracks.empty()) {
            if (why) *why = "TOC without tracks or lead-out";
            return false;
        }
        layout_ = std::move(layout);
        loaded_ = true;
        return true;
    }

    const DiscLayout* Layout() const override { return loaded_ ? &layout_ : nullptr; }

    bool Read(uint32_t lba, uint32_t count, uint8_t* out, std::string* why) override {
        if (loaded_ && (count == 0 || lba >= layout_.leadOut || count > layout_.leadOut - lba)) {
            if (why) *why = "frames beyond the lead-out";
            return false;
        }
        while (count > 0) {
            uint32_t n = std::min(count, kMaxFramesPerIoctl);
            uint8_t info[kRawInfoBytes] = {};
            uint64_t offset = uint64_t(lba) * kCookedSectorBytes;
            for (int i = 0; i < 8; ++i) info[i] = uint8_t(offset >> (8 * i));
            PutLE32(info + 8, n);
            PutLE32(info + 12, kCddaMode);
            DWORD got = 0;
            if (!DeviceIoControl(device_.get(), IOCTL_CDROM_RAW_READ, info, sizeof info, out, n * kFrameBytes, &got,
                                 nullptr) ||
                got != n * kFrameBytes) {
                if (why) *why = LastErrorText("raw read");
                return false;
            }
            out += got;
            lba += n;
            count -= n;
        }
        return true;
    }

private:
    win::unique_handle device_;
    bool loaded_ = false;
    DiscLayout layout_;
};

std::string TrimmedText(const uint8_t* base, size_t size, DWORD offset) {
    if (offset == 0 || offset >= size) return std::string();
    std::string s;
    for (size_t i = offset; i < size && base[i] != 0; ++i) s += char(base[i]);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    size_t lead = s.find_first_not_of(' ');
    return lead == std::string::npos ? std::string() : s.substr(lead);
}

}  // namespace

std::unique_ptr<Medium> MakeRealMedium(char letter, std::string* why) {
    win::unique_handle device = OpenDevice(letter);
    if (!device.valid()) {
        if (why) *why = LastErrorText("opening the device");
        return nullptr;
    }
    return std::make_unique<RealMedium>(std::move(device));
}

DriveIdentity QueryRealIdentity(char letter) {
    DriveIdentity id;
    win::unique_handle device = OpenDevice(letter);
    if (!device.valid()) return id;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<uint8_t> reply(1024, 0);
    DWORD got = 0;
    if (!DeviceIoControl(device.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, reply.data(),
                         DWORD(reply.size()), &got, nullptr) ||
        got < sizeof(STORAGE_DEVICE_DESCRIPTOR))
        return id;
    const auto* desc = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(reply.data());
    size_t size = std::min<size_t>(got, reply.size());
    id.vendor = TrimmedText(reply.data(), size, desc->VendorIdOffset);
    id.product = TrimmedText(reply.data(), size, desc->ProductIdOffset);
    id.revision = TrimmedText(reply.data(), size, desc->ProductRevisionOffset);
    return id;
}

}  // namespace akrip

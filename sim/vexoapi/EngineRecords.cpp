#include "EngineRecords.h"

#include "EngineLayout.h"

#include <cstdio>
#include <cstring>

namespace vexosim {
namespace L = layout;

namespace {

constexpr std::uint32_t SimTagValue = 0x4D495356;  // "VSIM"

void WriteSpeedBlock(std::uint8_t* block, const SpeedList& list) {
    std::size_t n = list.speeds.size() < L::speeds::MaxSpeeds ? list.speeds.size() : L::speeds::MaxSpeeds;
    L::Put32(block, L::speeds::Count, static_cast<std::uint32_t>(n));
    L::Put32(block, L::speeds::BaseSpeed, list.base);
    for (std::size_t i = 0; i < n; ++i) {
        // List A: the same speeds in KB/s; list B: multiples of the base speed.
        L::Put32(block, L::speeds::ListA + 4 * i, list.speeds[i] * list.base);
        L::Put32(block, L::speeds::ListB + 4 * i, list.speeds[i]);
    }
}

std::string FileNameOf(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

const char* const kWaitTexts[] = {
    "Please insert the disc to write to...",  // 0 VEXO_WAITCD_WRITE
    "Please insert a disc to use during simulation...\n\n(Nothing will be written on the disc.)",  // 1 VEXO_WAITCD_SIMULATION
    "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. The disc will be reloaded automatically before continuing with burning...",  // 2 VEXO_WAITCD_AUTOEJECTLOAD
    "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. Please reinsert the disc...",  // 3 VEXO_WAITCD_REINSERT
    "Please remove the disc and  insert the next recordable disc to write to... ",  // 4 VEXO_WAITCD_NEXTCD
    "Please insert the original disc.",  // 5 VEXO_WAITCD_ORIGINAL
    "This disc is not writable.\n\nPlease insert a writable disc...",  // 6 VEXO_WAITCD_WRITEPROTECTED
    "There is not enough space to burn this compilation onto this disc.\n\nPlease insert another disc that provides more space...",  // 7 VEXO_WAITCD_NOTENOUGHSPACE
    "The disc is blank, invalid\nor a multisession disc.\n\nPlease insert original disc ...",  // 8 VEXO_WAITCD_NEWORIGINAL
    "The disc is not empty.\n\nPlease insert an empty disc.",  // 9 VEXO_WAITCD_EMPTYCD
    "Please insert an empty disc to write to...",  // 10 VEXO_WAITCD_WRITE_EMPTY
    "Please insert an empty disc to use during simulation...\n\n(Nothing will be written on the disc.)",  // 11 VEXO_WAITCD_SIMULATION_EMPTY
    "The disc is blank.\n\nPlease insert original disc...",  // 12 VEXO_WAITCD_WRITEWAVE
    "Vexo is checking for the disc, please wait ...\n\nTo burn this multisession compilation you need the disc, that  contains the previous backup sessions. Please insert this disc if you haven't done it before.",  // 13 VEXO_WAITCD_MULTISESSION
    "To simulate this multisession compilation you need the disc, that contains the previous backup sessions. Please insert this disc. (Nothing will be written on disc).",  // 14 VEXO_WAITCD_MULTISESSION_SIM
    "Please do not remove the disc!\n\nYour recorder requires this eject between simulation and burning. Please reinsert the\n same Multisession disc...",  // 15 VEXO_WAITCD_MULTI_REINSERT
    "Disc analysis failed. The error log\ncontains more information about the reason.",  // 16 VEXO_WAITCD_DISCINFOS_FAILED
    "The recorder does not support this type of media!\n\nPlease insert a correct disc to write to...",  // 17 VEXO_WAITCD_MEDIUM_UNSUPPORTED
    "Please do not remove the disc!\n\nYour recorder requires that the  disc be ejected between burning and verification. The disc will be reloaded automatically when burning is to continue...",  // 18 VEXO_WAITCD_AUTOEJECTLOAD_VER
    "Please do not remove the disc!\n\nYour recorder requires that the disc be ejected between burning and verification. Please reinsert the disc....",  // 19 VEXO_WAITCD_REINSERT_VER
    "The disc is not formatted. Please insert a formatted disc.",  // 20 VEXO_WAITCD_NOFORMAT
    "Sorry, your compilation cannot be written on this kind of disc. Please insert a disc of the correct type or modify the settings of your compilation to make them compatible with the current disc.",  // 21 VEXO_WAITCD_WRONG_MEDIUM
    "--- Accessing disc, please wait ---",  // 22 VEXO_WAITCD_WAITING
    "The disc is not empty.",  // 23 VEXO_WAITCD_EMPTYCDRW
    "There is not enough space to burn the compilation onto this disc.",  // 24 VEXO_WAITCD_NOTENOUGHSPACERW
    "There is not enough space to burn the compilation onto this disc.\n\nPlease insert a 80min/700MB media",  // 25 VEXO_WAITCD_NOTENOUGHSPACE_80MIN
    "unknown VEXO_WAITCD_TYPE",  // 26 VEXO_WAITCD_MAX
};
constexpr std::int32_t kWaitTextCount = static_cast<std::int32_t>(sizeof kWaitTexts / sizeof kWaitTexts[0]);
static_assert(kWaitTextCount == 27);

}  // namespace

void WriteDriveEntry(std::uint8_t* e, const DeviceConfig& d, std::uint32_t index) {
    std::memset(e, 0, L::drive::Size);
    L::PutText(e, L::drive::DeviceName, L::drive::NameChars, d.name);
    L::PutText(e, L::drive::HostAdapterName, L::drive::HostNameChars, d.hostAdapterName);
    L::Put32(e, L::drive::HostAdapterNo, static_cast<std::uint32_t>(d.hostAdapter));
    L::Put32(e, L::drive::DeviceId, static_cast<std::uint32_t>(d.deviceId));
    L::Put32(e, L::drive::DevType, static_cast<std::uint32_t>(d.devType));
    e[L::drive::DriveLetter] = static_cast<std::uint8_t>(d.driveLetter);
    L::Put32(e, L::drive::Capabilities, d.capabilities);
    WriteSpeedBlock(e + L::drive::ReadSpeeds, d.read);
    WriteSpeedBlock(e + L::drive::WriteSpeeds, d.write);
    L::PutText(e, L::drive::BupName, L::drive::BupNameChars, d.bupName);
    L::Put32(e, L::drive::BupSpeed, static_cast<std::uint32_t>(d.bupSpeed));
    L::Put32(e, L::drive::MediaSupport, d.mediaSupport);
    L::Put32(e, L::drive::BufferSize, d.bufferSize);
    L::Put32(e, L::drive::MediaReadSupport, d.mediaReadSupport);
    L::Put32(e, L::drive::SimTag, SimTagValue);
    L::Put32(e, L::drive::SimIndex, index);
}

std::int32_t DeviceIndexOfEntry(const std::uint8_t* entry) {
    if (!entry || L::Get32(entry, L::drive::SimTag) != SimTagValue) return -1;
    return static_cast<std::int32_t>(L::Get32(entry, L::drive::SimIndex));
}

std::vector<std::uint8_t> BuildDriveList(const std::vector<DeviceConfig>& devices, std::uint32_t mask, bool filter) {
    std::vector<std::uint32_t> listed;
    for (std::uint32_t i = 0; i < devices.size(); ++i) {
        const DeviceConfig& d = devices[i];
        if (!filter || mask == 0 || ((d.mediaSupport | d.mediaReadSupport) & mask) != 0) listed.push_back(i);
    }
    std::vector<std::uint8_t> bytes(L::drivelist::Entry(listed.size()), 0);
    L::Put32(bytes.data(), L::drivelist::Count, static_cast<std::uint32_t>(listed.size()));
    for (std::size_t k = 0; k < listed.size(); ++k)
        WriteDriveEntry(bytes.data() + L::drivelist::Entry(k), devices[listed[k]], listed[k]);
    return bytes;
}

std::vector<std::uint8_t> BuildDiscInfo(const ImageConfig& im) {
    std::vector<std::uint8_t> bytes(L::DiscInfoSize(im.tracks.size()), 0);
    std::uint8_t* r = bytes.data();
    L::Put32(r, L::discinfo::FreeBlocks, im.freeBlocks);
    L::Put32(r, L::discinfo::Writeable, static_cast<std::uint32_t>(im.writeable));
    L::PutText(r, L::discinfo::Artist, L::discinfo::TextChars, im.artist);
    L::PutText(r, L::discinfo::Title, L::discinfo::TextChars, im.title);
    L::Put32(r, L::discinfo::EraseModes, im.eraseModes);
    L::Put32(r, L::discinfo::UnusedBlocks, im.unusedBlocks);
    L::Put32(r, L::discinfo::MediaType, im.mediaType);
    L::Put32(r, L::discinfo::MediumFlags, im.mediumFlags);
    L::Put32(r, L::discinfo::Layer0MaxBlocks, im.layer0MaxBlocks);
    L::Put32(r, L::discinfo::TotalCapacity, im.totalCapacity);
    L::Put32(r, L::discinfo::TrackCount, static_cast<std::uint32_t>(im.tracks.size()));
    for (std::size_t i = 0; i < im.tracks.size(); ++i) {
        const TrackConfig& t = im.tracks[i];
        std::uint8_t* tr = r + L::discinfo::Tracks + i * L::track::Size;
        L::Put32(tr, L::track::Session, static_cast<std::uint32_t>(t.session));
        L::Put32(tr, L::track::Number, static_cast<std::uint32_t>(t.number));
        L::Put32(tr, L::track::Type, static_cast<std::uint32_t>(t.type));
        L::Put32(tr, L::track::StartBlock, static_cast<std::uint32_t>(t.start));
        L::Put32(tr, L::track::Length, static_cast<std::uint32_t>(t.length));
        L::PutText(tr, L::track::Artist, L::discinfo::TextChars, t.artist);
        L::PutText(tr, L::track::Title, L::discinfo::TextChars, t.title);
        L::PutText(tr, L::track::Isrc, L::track::IsrcChars, t.isrc);
        L::Put32(tr, L::track::BlockSize, static_cast<std::uint32_t>(t.blockSize));
    }
    return bytes;
}

std::vector<std::uint8_t> BuildDriveDiscInfo(const ImageConfig& disc, std::uint32_t flags) {
    ImageConfig read = disc;
    if ((flags & CdInfoReadCdText) == 0) {
        read.artist.clear();
        read.title.clear();
        for (TrackConfig& t : read.tracks) t.artist.clear(), t.title.clear();
    }
    if ((flags & CdInfoReadIsrc) == 0)
        for (TrackConfig& t : read.tracks) t.isrc.clear();
    return BuildDiscInfo(read);
}

std::vector<std::uint8_t> BuildSpeedRecord(const SpeedList& list) {
    std::size_t n = list.speeds.size() < L::speeds::MaxSpeeds ? list.speeds.size() : L::speeds::MaxSpeeds;
    std::vector<std::uint8_t> r(L::speedrecord::Size(n), 0);
    L::Put32(r.data(), L::speedrecord::Count, static_cast<std::uint32_t>(n));
    L::Put32(r.data(), L::speedrecord::BaseSpeed, list.base);
    for (std::size_t i = 0; i < n; ++i) L::Put32(r.data(), L::speedrecord::Speeds + i * 4, list.speeds[i]);
    return r;
}

SamplePair DaeSample(std::int64_t block, std::int32_t pair) {
    auto left = static_cast<std::uint16_t>(static_cast<std::uint64_t>(block * 588 + pair) * 7u);
    auto right = static_cast<std::uint16_t>(left ^ 0x5555u);
    return {static_cast<std::int16_t>(left), static_cast<std::int16_t>(right)};
}

void FillDaeAudio(std::uint8_t* out, std::int64_t startBlock, std::size_t blocks) {
    for (std::size_t b = 0; b < blocks; ++b) {
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(L::wav::PairsPerBlock); ++i) {
            SamplePair s = DaeSample(startBlock + static_cast<std::int64_t>(b), i);
            auto l = static_cast<std::uint16_t>(s.left), r = static_cast<std::uint16_t>(s.right);
            out[0] = static_cast<std::uint8_t>(l);
            out[1] = static_cast<std::uint8_t>(l >> 8);
            out[2] = static_cast<std::uint8_t>(r);
            out[3] = static_cast<std::uint8_t>(r >> 8);
            out += 4;
        }
    }
}

std::vector<std::uint8_t> WavHeader(std::uint32_t dataBytes) {
    std::vector<std::uint8_t> h(L::wav::HeaderSize, 0);
    auto tag = [&](std::size_t at, const char* t) { std::memcpy(h.data() + at, t, 4); };
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        h[at] = static_cast<std::uint8_t>(v);
        h[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    tag(0, "RIFF");
    L::Put32(h.data(), 4, 36 + dataBytes);
    tag(8, "WAVE");
    tag(12, "fmt ");
    L::Put32(h.data(), 16, 16);
    put16(20, 1);  // PCM
    put16(22, 2);  // channels
    L::Put32(h.data(), 24, 44100);
    L::Put32(h.data(), 28, 44100 * 4);
    put16(32, 4);   // bytes per frame
    put16(34, 16);  // bits per sample
    tag(36, "data");
    L::Put32(h.data(), 40, dataBytes);
    return h;
}

const ImageConfig* FindImage(const std::vector<ImageConfig>& images, const std::string& name) {
    for (const ImageConfig& im : images)
        if (EqualsNoCase(im.file, name)) return &im;
    std::string base = FileNameOf(name);
    for (const ImageConfig& im : images)
        if (EqualsNoCase(FileNameOf(im.file), base)) return &im;
    return nullptr;
}

std::string WaitCDText(std::int32_t code) {
    if (code < 0 || code >= kWaitTextCount) code = kWaitTextCount - 1;
    return kWaitTexts[code];
}

std::string MediaTypeName(std::int32_t type, const std::map<std::int32_t, std::string>& names) {
    if (auto it = names.find(type); it != names.end()) return it->second;
    char text[32];
    std::snprintf(text, sizeof text, "Media 0x%X", static_cast<unsigned>(type));
    return text;
}

std::string JoinErrors(const std::vector<std::string>& errors, std::int32_t count, std::int32_t flags) {
    std::size_t n = errors.size();
    if ((flags & 1) == 0) n = count <= 0 ? 0 : (static_cast<std::size_t>(count) < n ? static_cast<std::size_t>(count) : n);
    std::string out;
    for (std::size_t i = errors.size() - n; i < errors.size(); ++i) {
        if (!out.empty()) out += "\r\n";
        out += errors[i];
    }
    return out;
}

namespace {
std::string SizeMismatch(const char* what, std::uint32_t value, std::uint32_t published, std::size_t native) {
    return std::string(what) + " structure size " + std::to_string(value) + ", expected " + std::to_string(published) +
           (native != published ? " or " + std::to_string(native) : std::string());
}
}  // namespace

std::string CheckBurnRecord(std::int32_t type, const std::uint8_t* r) {
    if (!r) return "burn record is null";
    switch (type) {
    case 3: {
        if (L::Get32(r, L::freestyle::Magic) != L::freestyle::MagicValue)
            return "freestyle record starts with " + std::to_string(L::Get32(r, L::freestyle::Magic)) + ", expected 848";
        std::uint32_t n = L::Get32(r, L::freestyle::TrackCount);
        if (n > L::freestyle::MaxTracks) return "freestyle record holds " + std::to_string(n) + " tracks";
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t size = L::Get32(r, L::freestyle::Tracks + i * L::freestyletrack::Size + L::freestyletrack::StructSize);
            if (!L::SizeFieldOk(size, L::freestyletrack::PublishedSize, L::freestyletrack::Size))
                return "track " + std::to_string(i) + ": " +
                       SizeMismatch("freestyle track", size, L::freestyletrack::PublishedSize, L::freestyletrack::Size);
        }
        return {};
    }
    case 4: {
        std::uint32_t size = L::Get32(r, L::filesystem::StructSize);
        if (!L::SizeFieldOk(size, L::filesystem::PublishedSize, L::filesystem::Size))
            return SizeMismatch("file-system record", size, L::filesystem::PublishedSize, L::filesystem::Size);
        return {};
    }
    case 0: case 1: case 2: case 1000:
        return {};
    default:
        return "unknown compilation type " + std::to_string(type);
    }
}

std::string CheckBurnAtOnceRecord(const std::uint8_t* r) {
    if (!r) return "burn-at-once record is null";
    std::uint32_t size = L::Get32(r, L::burnatonce::StructSize);
    if (!L::SizeFieldOk(size, L::burnatonce::PublishedSize, L::burnatonce::Size))
        return SizeMismatch("burn-at-once record", size, L::burnatonce::PublishedSize, L::burnatonce::Size);
    return {};
}

std::string CheckEstimateOptions(const std::uint8_t* r) {
    if (!r) return "estimate options are null";
    std::uint32_t size = L::Get32(r, L::estimate::StructSize);
    if (!L::SizeFieldOk(size, L::estimate::PublishedSize, L::estimate::Size))
        return SizeMismatch("estimate options", size, L::estimate::PublishedSize, L::estimate::Size);
    return {};
}

std::string CheckInitRecord(const std::uint8_t* r) {
    if (!r) return "init record is null";
    const char* maker = static_cast<const char*>(L::GetPtr(r, L::init::Maker));
    if (!maker || std::strncmp(maker, "Quarn", 6) != 0) return "init record: maker is not \"Quarn\"";
    std::int32_t overburn = static_cast<std::int32_t>(L::Get32(r, L::init::EnableOverburn));
    if (overburn != 0 && overburn != -1)
        return "init record: overburn flag " + std::to_string(overburn) + " is neither 0 nor -1";
    if (!L::GetPtr(r, L::init::LanguageFile)) return "init record: no language file";
    return {};
}

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

std::array<std::int32_t, 9> TmFields(const VmsSession& s) {
    const std::int64_t days = DaysFromCivil(s.year, s.month, s.day);
    const std::int64_t wday = ((days % 7) + 7 + 4) % 7;  // 1970-01-01 was a Thursday
    const std::int64_t yday = days - DaysFromCivil(s.year, 1, 1);
    return {s.second, s.minute, s.hour, s.day, s.month - 1, s.year - 1900, static_cast<std::int32_t>(wday),
            static_cast<std::int32_t>(yday), 0};
}

std::vector<std::uint8_t> BuildVmsRecord(const VmsConfig& vms) {
    std::vector<std::uint8_t> r(L::vms::RecordSize(vms.sessions.size()), 0);
    L::Put32(r.data(), L::vms::NextWritable, vms.nextWritable);
    L::Put32(r.data(), L::vms::SessionCount, static_cast<std::uint32_t>(vms.sessions.size()));
    for (std::size_t i = 0; i < vms.sessions.size(); ++i) {
        const VmsSession& s = vms.sessions[i];
        std::uint8_t* at = r.data() + L::vms::Sessions + i * L::vms::SessionSize;
        L::PutText(at, L::vms::Name, L::vms::NameChars, s.name);
        std::array<std::int32_t, 9> tm = TmFields(s);
        for (std::size_t f = 0; f < tm.size(); ++f) L::Put32(at, L::vms::Created + f * 4, static_cast<std::uint32_t>(tm[f]));
        L::Put32(at, L::vms::SessionNextWritable, s.nextWritable);
    }
    return r;
}

}  // namespace vexosim

#include "DeviceReplies.h"

namespace mcivcd {
namespace {

constexpr DWORD kCommandFlags = MCI_NOTIFY | MCI_WAIT;

bool KnownTimeFormat(DWORD format) {
    return format == MCI_FORMAT_MSF || format == MCI_FORMAT_TMSF || format == MCI_FORMAT_MILLISECONDS;
}

DWORD FramesToMilliseconds(uint64_t frames) {
    const uint64_t ms = frames * 1000 / kFramesPerSecond;
    return ms > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(ms);
}

// The 0-based index of the track holding lba (the last track for the lead-out).
size_t TrackAt(const Disc& disc, uint32_t lba) {
    size_t i = 0;
    while (i + 1 < disc.tracks.size() && disc.tracks[i + 1].start <= lba) ++i;
    return i;
}

// MCI_TRACK names a track by number; nullopt when the disc has no such track.
std::optional<size_t> TrackIndex(const Disc& disc, DWORD number) {
    for (size_t i = 0; i < disc.tracks.size(); ++i) {
        if (static_cast<DWORD>(disc.tracks[i].number) == number) return i;
    }
    return std::nullopt;
}

}  // namespace

DWORD PackMsf(uint32_t frames) {
    uint32_t minutes = frames / (60 * kFramesPerSecond);
    if (minutes > 255) minutes = 255;
    const uint32_t seconds = (frames / kFramesPerSecond) % 60;
    const uint32_t rest = frames % kFramesPerSecond;
    return MCI_MAKE_MSF(minutes, seconds, rest);
}

Reply LengthReply(uint32_t frames, DWORD timeFormat) {
    if (timeFormat == MCI_FORMAT_MILLISECONDS) return Reply::Integer(FramesToMilliseconds(frames));
    return Reply{0, PackMsf(frames), MCI_COLONIZED3_RETURN};
}

Reply PositionReply(const Disc& disc, uint32_t lba, DWORD timeFormat) {
    switch (timeFormat) {
    case MCI_FORMAT_MILLISECONDS:
        return Reply::Integer(FramesToMilliseconds(uint64_t{lba} + kLeadInFrames));
    case MCI_FORMAT_TMSF: {
        const DiscTrack& track = disc.tracks[TrackAt(disc, lba)];
        const DWORD msf = PackMsf(lba - track.start);
        return Reply{0,
                     MCI_MAKE_TMSF(track.number, MCI_MSF_MINUTE(msf), MCI_MSF_SECOND(msf), MCI_MSF_FRAME(msf)),
                     MCI_COLONIZED4_RETURN};
    }
    default:
        return Reply{0, PackMsf(lba + kLeadInFrames), MCI_COLONIZED3_RETURN};
    }
}

Reply StatusReply(const std::optional<Disc>& disc, const DeviceSettings& settings,
                  DWORD flags, DWORD item, DWORD track) {
    if (!(flags & MCI_STATUS_ITEM)) return Reply::Error(MCIERR_MISSING_PARAMETER);
    const bool byTrack = (flags & MCI_TRACK) != 0;

    switch (item) {
    case MCI_STATUS_MEDIA_PRESENT:
        return Reply::Boolean(disc.has_value());
    case MCI_STATUS_READY:
        return Reply::Boolean(disc.has_value() && !settings.doorOpen);
    case MCI_STATUS_MODE:
        if (settings.doorOpen) return Reply::Resource(MCI_MODE_OPEN, MCI_MODE_OPEN);
        if (!disc) return Reply::Resource(MCI_MODE_NOT_READY, MCI_MODE_NOT_READY);
        return Reply::Resource(MCI_MODE_STOP, MCI_MODE_STOP);
    case MCI_STATUS_TIME_FORMAT:
        return Reply::Resource(static_cast<WORD>(settings.timeFormat),
                               static_cast<WORD>(settings.timeFormat + MCI_FORMAT_RETURN_BASE));
    case MCI_STATUS_NUMBER_OF_TRACKS:
        return Reply::Integer(disc ? disc->tracks.size() : 0);
    default:
        break;
    }

    if (!disc) return Reply::Error(MCIERR_DEVICE_NOT_READY);
    std::optional<size_t> index;
    if (byTrack) {
        index = TrackIndex(*disc, track);
        if (!index) return Reply::Error(MCIERR_OUTOFRANGE);
    }

    switch (item) {
    case MCI_STATUS_LENGTH:
        return LengthReply(index ? disc->TrackLength(*index) : disc->Length(), settings.timeFormat);
    case MCI_STATUS_POSITION:
        if (index) return PositionReply(*disc, disc->tracks[*index].start, settings.timeFormat);
        // Nothing ever plays, so the head rests where the disc starts.
        return PositionReply(*disc, disc->tracks.front().start, settings.timeFormat);
    case MCI_STATUS_CURRENT_TRACK:
        return Reply::Integer(static_cast<DWORD_PTR>(disc->tracks.front().number));
    case MCI_CDA_STATUS_TYPE_TRACK:
        if (!index) return Reply::Error(MCIERR_MISSING_PARAMETER);
        return disc->tracks[*index].data ? Reply::DriverResource(MCI_CDA_TRACK_OTHER, MCI_CDA_TRACK_OTHER)
                                         : Reply::DriverResource(MCI_CDA_TRACK_AUDIO, MCI_CDA_TRACK_AUDIO);
    default:
        return Reply::Error(MCIERR_UNSUPPORTED_FUNCTION);
    }
}

DWORD ApplySet(DeviceSettings& settings, DWORD flags, DWORD timeFormat) {
    const DWORD door = flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED);
    const bool setFormat = (flags & MCI_SET_TIME_FORMAT) != 0;
    if (flags & ~(kCommandFlags | MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_TIME_FORMAT))
        return MCIERR_UNSUPPORTED_FUNCTION;  // audio channels, video, ...
    if (door == (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED)) return MCIERR_FLAGS_NOT_COMPATIBLE;
    if (!door && !setFormat) return MCIERR_MISSING_PARAMETER;
    if (setFormat && !KnownTimeFormat(timeFormat)) return MCIERR_BAD_TIME_FORMAT;

    if (setFormat) settings.timeFormat = timeFormat;
    if (door == MCI_SET_DOOR_OPEN) settings.doorOpen = true;
    if (door == MCI_SET_DOOR_CLOSED) settings.doorOpen = false;
    return 0;
}

Reply CapabilityReply(DWORD flags, DWORD item) {
    if (!(flags & MCI_GETDEVCAPS_ITEM)) return Reply::Error(MCIERR_MISSING_PARAMETER);
    switch (item) {
    case MCI_GETDEVCAPS_DEVICE_TYPE:
        return Reply::Resource(MCI_DEVTYPE_CD_AUDIO, MCI_DEVTYPE_CD_AUDIO);
    case MCI_GETDEVCAPS_HAS_AUDIO:
    case MCI_GETDEVCAPS_CAN_EJECT:
        return Reply::Boolean(true);
    case MCI_GETDEVCAPS_CAN_RECORD:
    case MCI_GETDEVCAPS_HAS_VIDEO:
    case MCI_GETDEVCAPS_USES_FILES:
    case MCI_GETDEVCAPS_COMPOUND_DEVICE:
    case MCI_GETDEVCAPS_CAN_SAVE:
    case MCI_GETDEVCAPS_CAN_PLAY:  // the device only describes the disc
        return Reply::Boolean(false);
    default:
        return Reply::Error(MCIERR_UNSUPPORTED_FUNCTION);
    }
}

std::optional<wchar_t> DriveOfElement(std::wstring_view element) {
    if (element.size() < 2 || element.size() > 3 || element[1] != L':') return std::nullopt;
    if (element.size() == 3 && element[2] != L'\\' && element[2] != L'/') return std::nullopt;
    wchar_t letter = element[0];
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
    if (letter < L'A' || letter > L'Z') return std::nullopt;
    return letter;
}

DWORD DiscIdentity(const Disc& disc) {
    uint32_t hash = 2166136261u;
    auto mix = [&hash](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (v >> (8 * i)) & 0xFF;
            hash *= 16777619u;
        }
    };
    mix(static_cast<uint32_t>(disc.tracks.size()));
    for (const DiscTrack& t : disc.tracks) mix(t.start | (t.data ? 0x80000000u : 0));
    mix(disc.leadout);
    return hash;
}

}  // namespace mcivcd

// The answers of the virtual cdaudio device, as values.
//
// Pure logic over the MCI constants (no platform calls): given the disc in
// the drive (or none) and the device's settings, each function says what a
// status, set or capability command returns. The driver copies a Reply into
// the command's parameter block and hands Result() back to winmm, which
// turns it into the reply text ("true", "13:20:00", "3", ...).
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <optional>
#include <string_view>

#include "CueSheet.h"

namespace mcivcd {

// Frames before LBA 0 on a real disc; MSF addresses count them, lengths not.
inline constexpr uint32_t kLeadInFrames = 150;

struct DeviceSettings {
    DWORD timeFormat = MCI_FORMAT_MSF;
    bool doorOpen = false;
};

struct Reply {
    DWORD error = 0;          // MCIERR_*, 0 on success
    DWORD_PTR value = 0;      // dwReturn of the parameter block
    DWORD returnKind = 0;     // MCI_RESOURCE_RETURNED, MCI_COLONIZED3_RETURN, ...

    // What the driver returns to winmm: the error in the low word, the kind
    // of value in the high word (only on success).
    LRESULT Result() const { return error != 0 ? static_cast<LRESULT>(error) : static_cast<LRESULT>(returnKind); }

    static Reply Error(DWORD e) { return Reply{e, 0, 0}; }
    static Reply Integer(DWORD_PTR v) { return Reply{0, v, 0}; }
    static Reply Resource(WORD value, WORD stringId) {
        return Reply{0, static_cast<DWORD_PTR>(static_cast<DWORD>(MAKEMCIRESOURCE(value, stringId))),
                     MCI_RESOURCE_RETURNED};
    }
    // A text from the driver's own string table rather than winmm's.
    static Reply DriverResource(WORD value, WORD stringId) {
        Reply r = Resource(value, stringId);
        r.returnKind |= MCI_RESOURCE_DRIVER;
        return r;
    }
    static Reply Boolean(bool b) { return Resource(b ? TRUE : FALSE, b ? MCI_TRUE : MCI_FALSE); }
};

// mm:ss:ff of a frame count, packed as MCI_MAKE_MSF does; minutes beyond
// what the byte holds are shown as 255.
DWORD PackMsf(uint32_t frames);

// A span of frames (a length) in the given time format. Lengths are written
// mm:ss:ff both in msf and in tmsf format, milliseconds as a number.
Reply LengthReply(uint32_t frames, DWORD timeFormat);

// A place on the disc (an LBA) in the given time format: msf counts the
// lead-in, tmsf names the track holding it and the time into that track.
Reply PositionReply(const Disc& disc, uint32_t lba, DWORD timeFormat);

// "status ..." with MCI_STATUS_PARMS's flags, item and track.
Reply StatusReply(const std::optional<Disc>& disc, const DeviceSettings& settings,
                  DWORD flags, DWORD item, DWORD track);

// "set ..." with MCI_SET_PARMS's flags and time format; changes settings
// only when the whole command is acceptable.
DWORD ApplySet(DeviceSettings& settings, DWORD flags, DWORD timeFormat);

// "capability ..." with MCI_GETDEVCAPS_PARMS's flags and item.
Reply CapabilityReply(DWORD flags, DWORD item);

// The drive an open command's element names: "X:", "X:\" or "X:/", any
// letter case; the letter comes back in upper case. Anything else names no drive.
std::optional<wchar_t> DriveOfElement(std::wstring_view element);

// The identity "info ... identity" reports: eight hex digits derived from
// the track table, the same for the same disc.
DWORD DiscIdentity(const Disc& disc);

}  // namespace mcivcd

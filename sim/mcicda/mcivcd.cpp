// mcivcd.dll: an installable MCI driver for the device type "cdaudio" that
// serves a disc image instead of a physical disc.
//
// What it stands for: the platform's MCI audio-CD device, as a program sees
// it through mciSendString ("open D:\ type cdaudio alias cdr", "status cdr
// media present", "status cdr length track 2", "set cdr door open", ...).
// The disc in a drive is the CUE/BIN image in that drive's root folder: the
// first *.cue sheet by name and the BINARY/MOTOROLA files it names. The folder
// is read again for every status command, so putting an image in or taking
// it out is seen at once. A sheet that does not describe a disc counts as no
// disc. Nothing is ever played; the device only describes the disc.
//
// Configuration: winmm finds the driver through the value "cdaudio" (the
// DLL's name or full path) under the registry key
// HKLM\Software\Microsoft\Windows NT\CurrentVersion\MCI, or in the [mci]
// section of system.ini. The element of the open command names the drive
// ("D:\"); it must be a CD-ROM drive letter, or the open fails. Without an
// element the first CD-ROM drive is used.
//
// Log: when the environment variable MCIVCD_LOG names a file, one line per
// command is appended to it: "open D: -> 0", "status item 5 track 0 -> 0",
// "set door open -> 0", "close -> 0" (the number is the MCI error, 0 for
// success). Nothing is logged otherwise.
#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "DeviceReplies.h"
#include "ImageFolder.h"
#include "WinHandles.h"

extern "C" BOOL WINAPI mciDriverNotify(HWND callback, MCIDEVICEID device, UINT status);

namespace mcivcd {
namespace {

struct Device {
    MCIDEVICEID mciId = 0;
    wchar_t drive = 0;         // set by a successful open
    DeviceSettings settings;
};

// winmm may talk to the driver from more than one thread (notifications,
// several opened aliases), so the device table and every command are
// serialised on one lock.
class Lock {
public:
    Lock() { AcquireSRWLockExclusive(&lock_); }
    ~Lock() { ReleaseSRWLockExclusive(&lock_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    static inline SRWLOCK lock_ = SRWLOCK_INIT;
};

std::map<DWORD_PTR, std::unique_ptr<Device>>& Devices() {
    static std::map<DWORD_PTR, std::unique_ptr<Device>> devices;
    return devices;
}
DWORD_PTR nextDeviceKey = 0x100;

// The DRV_OPEN that carries no open parameters (winmm loading the driver)
// gets this key; no device is ever registered under it.
constexpr DWORD_PTR kLoadKey = 1;

void Log(const char* format, ...) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"MCIVCD_LOG", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    char line[256];
    va_list args;
    va_start(args, format);
    const int len = std::vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (len < 0) return;
    size_t used = static_cast<size_t>(len) < sizeof line - 2 ? static_cast<size_t>(len) : sizeof line - 3;
    line[used++] = '\r';
    line[used++] = '\n';
    win::unique_handle file{CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), line, static_cast<DWORD>(used), &written, nullptr);
}

char Narrow(wchar_t letter) { return letter > 0 && letter < 128 ? static_cast<char>(letter) : '?'; }

void Notify(const Device& device, DWORD flags, LPARAM params, DWORD error) {
    if (!(flags & MCI_NOTIFY) || params == 0) return;
    const auto* generic = reinterpret_cast<const MCI_GENERIC_PARMS*>(params);
    mciDriverNotify(reinterpret_cast<HWND>(generic->dwCallback), device.mciId,
                    error == 0 ? MCI_NOTIFY_SUCCESSFUL : MCI_NOTIFY_FAILURE);
}

DWORD OpenDevice(Device& device, DWORD flags, const MCI_OPEN_PARMSW* params) {
    std::optional<wchar_t> drive;
    if (params && (flags & MCI_OPEN_ELEMENT) && !(flags & MCI_OPEN_ELEMENT_ID) && params->lpstrElementName) {
        const wchar_t* element = params->lpstrElementName;
        drive = DriveOfElement(std::wstring_view(element, wcsnlen(element, MAX_PATH)));
        if (!drive) {
            Log("open (no drive letter) -> %u", static_cast<unsigned>(MCIERR_INVALID_DEVICE_NAME));
            return MCIERR_INVALID_DEVICE_NAME;
        }
    } else {
        const wchar_t first = FirstCdRomDrive();
        if (first != 0) drive = first;
    }
    if (!drive || !IsCdRomDrive(*drive)) {
        Log("open %c: -> %u (not a CD-ROM drive)", drive ? Narrow(*drive) : '?',
            static_cast<unsigned>(MCIERR_INVALID_DEVICE_NAME));
        return MCIERR_INVALID_DEVICE_NAME;
    }
    device.drive = *drive;
    device.settings = DeviceSettings{};
    Log("open %c: -> 0", Narrow(device.drive));
    return 0;
}

DWORD WriteInfo(MCI_INFO_PARMSW* params, const std::wstring& text) {
    if (!params->lpstrReturn || params->dwRetSize == 0) return MCIERR_PARAM_OVERFLOW;
    if (text.size() + 1 > params->dwRetSize) {
        params->lpstrReturn[0] = L'\0';
        return MCIERR_PARAM_OVERFLOW;
    }
    std::wmemcpy(params->lpstrReturn, text.c_str(), text.size() + 1);
    return 0;
}

DWORD Info(Device& device, DWORD flags, MCI_INFO_PARMSW* params) {
    const DWORD what = flags & (MCI_INFO_PRODUCT | MCI_INFO_MEDIA_IDENTITY | MCI_INFO_MEDIA_UPC);
    if (what == MCI_INFO_PRODUCT) return WriteInfo(params, L"Virtual CD Audio");
    if (what == MCI_INFO_MEDIA_IDENTITY) {
        const auto disc = ReadDiscInDrive(device.drive);
        if (!disc) return MCIERR_DEVICE_NOT_READY;
        wchar_t id[16];
        std::swprintf(id, 16, L"%08lx", static_cast<unsigned long>(DiscIdentity(*disc)));
        return WriteInfo(params, id);
    }
    if (what == 0) return MCIERR_MISSING_PARAMETER;
    if (what == MCI_INFO_MEDIA_UPC) return MCIERR_UNSUPPORTED_FUNCTION;
    return MCIERR_FLAGS_NOT_COMPATIBLE;
}

LRESULT Command(Device& device, UINT message, DWORD flags, LPARAM params) {
    switch (message) {
    case MCI_OPEN_DRIVER: {
        const DWORD error = OpenDevice(device, flags, reinterpret_cast<const MCI_OPEN_PARMSW*>(params));
        Notify(device, flags, params, error);
        return error;
    }
    case MCI_CLOSE_DRIVER:
        Log("close -> 0");
        Notify(device, flags, params, 0);
        device.drive = 0;
        return 0;
    default:
        break;
    }

    if (device.drive == 0) return MCIERR_DEVICE_NOT_READY;  // never opened
    if (params == 0) return MCIERR_NULL_PARAMETER_BLOCK;

    switch (message) {
    case MCI_STATUS: {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        const auto disc = ReadDiscInDrive(device.drive);
        const Reply reply = StatusReply(disc, device.settings, flags, status->dwItem, status->dwTrack);
        if (reply.error == 0) status->dwReturn = reply.value;
        Log("status item %lu track %lu -> %lu", static_cast<unsigned long>(status->dwItem),
            static_cast<unsigned long>(flags & MCI_TRACK ? status->dwTrack : 0), static_cast<unsigned long>(reply.error));
        Notify(device, flags, params, reply.error);
        return reply.Result();
    }
    case MCI_SET: {
        const auto* set = reinterpret_cast<const MCI_SET_PARMS*>(params);
        const DWORD error = ApplySet(device.settings, flags, set->dwTimeFormat);
        if (flags & MCI_SET_DOOR_OPEN) Log("set door open -> %lu", static_cast<unsigned long>(error));
        if (flags & MCI_SET_DOOR_CLOSED) Log("set door closed -> %lu", static_cast<unsigned long>(error));
        if (flags & MCI_SET_TIME_FORMAT)
            Log("set time format %lu -> %lu", static_cast<unsigned long>(set->dwTimeFormat),
                static_cast<unsigned long>(error));
        Notify(device, flags, params, error);
        return error;
    }
    case MCI_GETDEVCAPS: {
        auto* caps = reinterpret_cast<MCI_GETDEVCAPS_PARMS*>(params);
        const Reply reply = CapabilityReply(flags, caps->dwItem);
        if (reply.error == 0) caps->dwReturn = static_cast<DWORD>(reply.value);
        Notify(device, flags, params, reply.error);
        return reply.Result();
    }
    case MCI_INFO: {
        const DWORD error = Info(device, flags, reinterpret_cast<MCI_INFO_PARMSW*>(params));
        Notify(device, flags, params, error);
        return error;
    }
    case MCI_STOP:  // nothing plays, so there is nothing to stop
        Notify(device, flags, params, 0);
        return 0;
    default:
        Log("command 0x%x -> %u", message, static_cast<unsigned>(MCIERR_UNSUPPORTED_FUNCTION));
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

LRESULT DriverOpen(LPARAM params) {
    if (params == 0) return kLoadKey;
    auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(params);
    open->wType = MCI_DEVTYPE_CD_AUDIO;  // winmm parses the cdaudio keywords for us
    open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
    auto device = std::make_unique<Device>();
    device->mciId = open->wDeviceID;
    Lock lock;
    const DWORD_PTR key = nextDeviceKey++;
    Devices().emplace(key, std::move(device));
    return static_cast<LRESULT>(key);
}

LRESULT DriverClose(DWORD_PTR key) {
    Lock lock;
    Devices().erase(key);
    return 1;
}

LRESULT Mci(DWORD_PTR key, UINT message, LPARAM flags, LPARAM params) {
    Lock lock;
    const auto found = Devices().find(key);
    if (found == Devices().end()) return MCIERR_INVALID_DEVICE_ID;
    return Command(*found->second, message, static_cast<DWORD>(flags), params);
}

}  // namespace
}  // namespace mcivcd

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
    const bool mci = message >= DRV_MCI_FIRST && message <= DRV_MCI_LAST;
    try {
        switch (message) {
        case DRV_LOAD:
        case DRV_FREE:
        case DRV_ENABLE:
        case DRV_DISABLE:
            return 1;
        case DRV_OPEN:
            return mcivcd::DriverOpen(param2);
        case DRV_CLOSE:
            return mcivcd::DriverClose(driverId);
        case DRV_QUERYCONFIGURE:
            return 0;
        case DRV_CONFIGURE:
        case DRV_INSTALL:
        case DRV_REMOVE:
            return DRVCNF_OK;
        default:
            if (mci) return mcivcd::Mci(driverId, message, param1, param2);
            return DefDriverProc(driverId, driver, message, param1, param2);
        }
    } catch (...) {
        return mci ? static_cast<LRESULT>(MCIERR_OUT_OF_MEMORY) : 0;
    }
}

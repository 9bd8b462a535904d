// The simulated engine's configuration: what VexoAPI.ini says, as values.
// Parsing is pure text work; the format is described in VexoAPI.cpp and
// README.md.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexosim {

struct IniEntry {
    std::string key;
    std::string value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
    const std::string* Find(std::string_view key) const;  // last entry of that key
    std::vector<std::string> All(std::string_view key) const;
};

// Sections in file order; a section name may repeat. Lines starting with
// ';' or '#' are comments; keys compare without regard to case.
std::vector<IniSection> ParseIni(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
// Decimal (optionally negative) or 0x hexadecimal; nullopt for anything else.
std::optional<std::int64_t> ParseNumber(std::string_view text);
std::vector<std::string> Split(std::string_view text, char separator);  // parts trimmed

struct SpeedList {
    std::uint32_t base = 0;
    std::vector<std::uint32_t> speeds;
};

struct DeviceConfig {
    std::string name;
    std::string hostAdapterName;
    std::int32_t hostAdapter = 0;
    std::int32_t deviceId = 0;
    std::int32_t devType = 1;
    char driveLetter = 0;
    std::uint32_t capabilities = 0;
    SpeedList read;
    SpeedList write;
    std::string bupName;
    std::int32_t bupSpeed = 0;
    std::uint32_t mediaSupport = 0;
    std::uint32_t mediaReadSupport = 0;
    std::uint32_t bufferSize = 0;
};

struct TrackConfig {
    std::int32_t session = 1;
    std::int32_t number = 1;
    std::int32_t type = 2;
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::int32_t blockSize = 2352;
    std::string artist;
    std::string title;
    std::string isrc;
};

struct ImageConfig {
    std::string file;
    std::uint32_t freeBlocks = 0;
    std::int32_t writeable = 0;
    std::string artist;
    std::string title;
    std::uint32_t eraseModes = 0;
    std::uint32_t unusedBlocks = 0;
    std::uint32_t mediaType = 0;
    std::uint32_t mediumFlags = 0;
    std::uint32_t layer0MaxBlocks = 0;
    std::uint32_t totalCapacity = 0;
    std::vector<TrackConfig> tracks;
};

// A drive-status notification scripted to follow each registration of its type.
struct StatusEvent {
    std::uint32_t delayMs = 0;
    std::int32_t type = 0;
    std::int32_t status = 0;
};

// One session of a virtual-multisession medium: its name, when it was made
// (local time, as written: 2024-05-17 10:20:30) and the next writable
// address after it.
struct VmsSession {
    std::string name;
    std::int32_t year = 1970;  // full year
    std::int32_t month = 1;    // 1..12
    std::int32_t day = 1;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::uint32_t nextWritable = 0;
};

// The sessions of a virtual-multisession medium, oldest first.
struct VmsConfig {
    std::uint32_t nextWritable = 0;
    std::vector<VmsSession> sessions;
};

// "name|YYYY-MM-DD HH:MM:SS|nwa"; nullopt when a part is missing or out of
// range (names longer than 255 characters are cut).
std::optional<VmsSession> ParseVmsSession(std::string_view text);

// How a device behaves in the drive operations, and the disc in it.
struct DriveBehaviour {
    std::int32_t ready = 0;
    std::int32_t ejectResult = 0;
    std::int32_t eraseTimeQuick = -1;
    std::int32_t eraseTimeFull = -1;
    std::optional<std::int32_t> eraseResult;  // default: 0 when the mode's erase time is >= 0, else -1
    std::uint32_t operationMs = 20;
    std::optional<ImageConfig> disc;          // none: no disc in the drive
    std::int32_t waitResult = 0;
    std::uint32_t daeChunkBlocks = 10;
    std::uint32_t openFails = 0;
    std::vector<StatusEvent> statusEvents;
    // Block access: the access-mode bits the device supports, the medium its
    // block objects read and write (an image file, or "synthetic:<sectors>"),
    // whether that medium takes no writes, and its virtual-multisession
    // sessions (none: not a VMS medium).
    std::uint32_t accessModes = 0;
    std::string medium;
    bool mediumReadOnly = false;
    std::optional<VmsConfig> vms;
    // Audio burns: where the image goes when VexoInitImageRecorder named no
    // path for the device (a relative path is taken from the DLL's folder);
    // empty: no image.
    std::string recorder;
};

// The disc every device holds unless its section says otherwise: two audio
// tracks on a rewritable disc, ending at block 2500.
ImageConfig DefaultDisc();
// The block after the disc's last track.
std::int64_t DiscEnd(const ImageConfig& disc);

struct BurnQuestion {
    std::int32_t request = 0;
    std::string data;  // the question's data text, as for the ask test export
};

// [Burn]: how an image burn runs.
struct BurnConfig {
    std::uint32_t steps = 5;
    std::uint32_t stepMs = 10;
    std::vector<BurnQuestion> asks;
    bool nonEmptyCDRW = false;
    std::int32_t result = 0;
};

// "the next COUNT calls fail", or every call; VALUE replaces the export's
// usual failure value where it returns a number.
struct FailureScript {
    bool always = false;
    std::uint32_t remaining = 0;
    std::optional<std::int32_t> value;
};

struct DriveChangeEvent {
    std::uint32_t delayMs = 0;
    std::int32_t host = 0;
    std::int32_t target = 0;
    std::int32_t status = 0;
};

struct SimConfig {
    std::int32_t initResult = 0;
    bool requireInit = true;
    bool filterDrivesByMedia = false;
    std::string logFile;
    std::optional<std::uint32_t> apiVersion;
    std::optional<std::array<std::uint16_t, 4>> apiVersionEx;
    std::vector<std::string> errors;         // oldest first
    std::optional<std::string> lastError;    // fixed LastError text
    std::optional<std::string> errorLog;     // fixed ErrorLog text
    bool nullTexts = false;                  // empty error texts come back as null
    std::int32_t driveError = 0;
    std::vector<DeviceConfig> devices;
    std::vector<ImageConfig> images;
    std::map<std::string, FailureScript> failures;  // key: export name, lower case
    std::vector<DriveChangeEvent> driveChanges;
    std::vector<DriveBehaviour> behaviour;  // one per device, same order
    BurnConfig burn;
    std::map<std::int32_t, std::string> mediaNames;
    std::map<std::int32_t, std::string> waitTexts;
    std::vector<std::string> warnings;  // what the parser did not understand
};

// Devices come from [Device] sections; without any, the two default
// recorders, unless [Engine] DefaultDevices=0.
SimConfig ParseConfig(std::string_view text);
std::vector<DeviceConfig> DefaultDevices();

std::string ToLower(std::string_view text);

// A drive-letter, rooted or UNC path (either slash): configured paths that
// are not are taken from the DLL's folder.
bool IsAbsolutePath(std::string_view path);

}  // namespace vexosim

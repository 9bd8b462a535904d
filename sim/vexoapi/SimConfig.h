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
    std::map<std::int32_t, std::string> mediaNames;
    std::map<std::int32_t, std::string> waitTexts;
    std::vector<std::string> warnings;  // what the parser did not understand
};

// Devices come from [Device] sections; without any, the two default
// recorders, unless [Engine] DefaultDevices=0.
SimConfig ParseConfig(std::string_view text);
std::vector<DeviceConfig> DefaultDevices();

std::string ToLower(std::string_view text);

}  // namespace vexosim

#include "SimConfig.h"

#include <algorithm>
#include <cctype>

namespace vexosim {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

class Reader {
public:
    Reader(const IniSection& section, std::vector<std::string>& warnings) : s_(section), warnings_(warnings) {}

    template <class T>
    void Number(std::string_view key, T& out) {
        if (const std::string* v = s_.Find(key)) {
            if (auto n = ParseNumber(*v))
                out = static_cast<T>(*n);
            else
                Warn(key, *v);
        }
    }
    void Text(std::string_view key, std::string& out) {
        if (const std::string* v = s_.Find(key)) out = *v;
    }
    void Flag(std::string_view key, bool& out) {
        std::int64_t n = out ? 1 : 0;
        Number(key, n);
        out = n != 0;
    }
    void Speeds(std::string_view baseKey, std::string_view listKey, SpeedList& out) {
        Number(baseKey, out.base);
        if (const std::string* v = s_.Find(listKey)) {
            out.speeds.clear();
            for (const std::string& part : Split(*v, ',')) {
                if (part.empty()) continue;
                if (auto n = ParseNumber(part))
                    out.speeds.push_back(static_cast<std::uint32_t>(*n));
                else
                    Warn(listKey, *v);
            }
            if (out.speeds.size() > 64) {
                out.speeds.resize(64);
                Warn(listKey, "more than 64 speeds, the rest dropped");
            }
        }
    }
    void Warn(std::string_view key, std::string_view value) {
        warnings_.push_back("[" + s_.name + "] " + std::string(key) + "=" + std::string(value));
    }

private:
    const IniSection& s_;
    std::vector<std::string>& warnings_;
};

DeviceConfig ReadDevice(const IniSection& s, std::vector<std::string>& warnings, std::size_t index) {
    DeviceConfig d;
    d.name = "Quarn SimWriter " + std::to_string(index + 1);
    d.hostAdapterName = "SIM";
    d.hostAdapter = 1;
    d.deviceId = static_cast<std::int32_t>(index);
    Reader r(s, warnings);
    r.Text("Name", d.name);
    r.Text("HostAdapterName", d.hostAdapterName);
    r.Number("HostAdapter", d.hostAdapter);
    r.Number("DeviceId", d.deviceId);
    r.Number("DevType", d.devType);
    if (const std::string* v = s.Find("DriveLetter")) {
        if (v->empty() || EqualsNoCase(*v, "none"))
            d.driveLetter = 0;
        else
            d.driveLetter = static_cast<char>(std::toupper(static_cast<unsigned char>((*v)[0])));
    }
    r.Number("Capabilities", d.capabilities);
    r.Speeds("ReadBase", "ReadSpeeds", d.read);
    r.Speeds("WriteBase", "WriteSpeeds", d.write);
    r.Text("BupName", d.bupName);
    r.Number("BupSpeed", d.bupSpeed);
    r.Number("MediaSupport", d.mediaSupport);
    r.Number("MediaReadSupport", d.mediaReadSupport);
    r.Number("BufferSize", d.bufferSize);
    return d;
}

constexpr const char* kDiscKeys[] = {"FreeBlocks", "Writeable", "Artist", "Title", "EraseModes", "UnusedBlocks",
                                     "MediaType", "MediumFlags", "Layer0MaxBlocks", "TotalCapacity", "Track"};

// The disc keys shared by [Image] and [Device] sections.
void ReadDiscKeys(const IniSection& s, std::vector<std::string>& warnings, ImageConfig& im) {
    Reader r(s, warnings);
    r.Number("FreeBlocks", im.freeBlocks);
    r.Number("Writeable", im.writeable);
    r.Text("Artist", im.artist);
    r.Text("Title", im.title);
    r.Number("EraseModes", im.eraseModes);
    r.Number("UnusedBlocks", im.unusedBlocks);
    r.Number("MediaType", im.mediaType);
    r.Number("MediumFlags", im.mediumFlags);
    r.Number("Layer0MaxBlocks", im.layer0MaxBlocks);
    r.Number("TotalCapacity", im.totalCapacity);
    for (const std::string& line : s.All("Track")) {
        // session|number|type|start|length|blocksize|artist|title|isrc
        std::vector<std::string> p = Split(line, '|');
        TrackConfig t;
        t.number = static_cast<std::int32_t>(im.tracks.size() + 1);
        std::int32_t* numbers[] = {&t.session, &t.number, &t.type, &t.start, &t.length, &t.blockSize};
        bool ok = true;
        for (std::size_t i = 0; i < 6 && i < p.size(); ++i) {
            if (p[i].empty()) continue;
            auto n = ParseNumber(p[i]);
            if (!n) ok = false; else *numbers[i] = static_cast<std::int32_t>(*n);
        }
        if (p.size() > 6) t.artist = p[6];
        if (p.size() > 7) t.title = p[7];
        if (p.size() > 8) t.isrc = p[8];
        if (!ok) r.Warn("Track", line);
        im.tracks.push_back(std::move(t));
    }
}

ImageConfig ReadImage(const IniSection& s, std::vector<std::string>& warnings) {
    ImageConfig im;
    Reader r(s, warnings);
    r.Text("File", im.file);
    ReadDiscKeys(s, warnings, im);
    return im;
}

void ReadStatusEvents(const IniSection& s, std::vector<StatusEvent>& out, std::vector<std::string>& warnings) {
    for (const std::string& line : s.All("StatusEvent")) {
        // delayMs,type,status
        std::vector<std::string> p = Split(line, ',');
        std::int64_t v[3] = {};
        bool ok = p.size() == 3;
        for (std::size_t i = 0; ok && i < 3; ++i) {
            auto n = ParseNumber(p[i]);
            if (!n) ok = false; else v[i] = *n;
        }
        if (!ok || v[0] < 0) {
            warnings.push_back("[" + s.name + "] StatusEvent=" + line);
            continue;
        }
        out.push_back({static_cast<std::uint32_t>(v[0]), static_cast<std::int32_t>(v[1]), static_cast<std::int32_t>(v[2])});
    }
}

// The first device has a rewritable disc (60 s quick, 600 s full); the others none.
DriveBehaviour DefaultBehaviour(std::size_t index) {
    DriveBehaviour b;
    if (index == 0) {
        b.eraseTimeQuick = 60;
        b.eraseTimeFull = 600;
    }
    b.disc = DefaultDisc();
    return b;
}

DriveBehaviour ReadBehaviour(const IniSection& s, std::vector<std::string>& warnings, std::size_t index) {
    DriveBehaviour b = DefaultBehaviour(index);
    Reader r(s, warnings);
    r.Number("Ready", b.ready);
    r.Number("EjectResult", b.ejectResult);
    r.Number("EraseTimeQuick", b.eraseTimeQuick);
    r.Number("EraseTimeFull", b.eraseTimeFull);
    if (s.Find("EraseResult")) {
        std::int32_t v = 0;
        r.Number("EraseResult", v);
        b.eraseResult = v;
    }
    r.Number("OperationMs", b.operationMs);
    r.Number("WaitResult", b.waitResult);
    r.Number("DaeChunkBlocks", b.daeChunkBlocks);
    if (b.daeChunkBlocks < 1 || b.daeChunkBlocks > 1000) {
        r.Warn("DaeChunkBlocks", std::to_string(b.daeChunkBlocks));
        b.daeChunkBlocks = 10;
    }
    r.Number("OpenFails", b.openFails);
    ReadStatusEvents(s, b.statusEvents, warnings);
    bool anyDiscKey = false;
    for (const char* key : kDiscKeys) anyDiscKey = anyDiscKey || s.Find(key) != nullptr;
    if (anyDiscKey) {
        ImageConfig disc;
        ReadDiscKeys(s, warnings, disc);
        b.disc = std::move(disc);
    }
    if (const std::string* v = s.Find("Disc"); v && EqualsNoCase(*v, "none")) b.disc.reset();
    r.Number("AccessModes", b.accessModes);
    r.Text("Medium", b.medium);
    r.Flag("MediumReadOnly", b.mediumReadOnly);
    r.Text("Recorder", b.recorder);
    std::vector<std::string> sessions = s.All("VmsSession");
    if (s.Find("VmsNextWritable") || !sessions.empty()) {
        VmsConfig vms;
        r.Number("VmsNextWritable", vms.nextWritable);
        for (const std::string& line : sessions) {
            if (auto session = ParseVmsSession(line))
                vms.sessions.push_back(std::move(*session));
            else
                r.Warn("VmsSession", line);
        }
        b.vms = std::move(vms);
    }
    return b;
}

bool IsLeapYear(std::int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::int32_t DaysInMonth(std::int32_t year, std::int32_t month) {
    static constexpr std::int32_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

void ReadBurn(const IniSection& s, BurnConfig& burn, std::vector<std::string>& warnings) {
    Reader r(s, warnings);
    r.Number("Steps", burn.steps);
    if (burn.steps > 1000) {
        r.Warn("Steps", std::to_string(burn.steps));
        burn.steps = 1000;
    }
    r.Number("StepMs", burn.stepMs);
    r.Flag("NonEmptyCDRW", burn.nonEmptyCDRW);
    r.Number("Result", burn.result);
    for (const std::string& line : s.All("Ask")) {
        // REQUEST[:DATA]
        std::size_t colon = line.find(':');
        auto n = ParseNumber(line.substr(0, colon));
        if (!n) {
            r.Warn("Ask", line);
            continue;
        }
        burn.asks.push_back({static_cast<std::int32_t>(*n), colon == std::string::npos ? std::string() : line.substr(colon + 1)});
    }
}

void ReadFailures(const IniSection& s, SimConfig& c) {
    for (const IniEntry& e : s.entries) {
        // COUNT | always, optionally followed by ",VALUE"
        std::vector<std::string> p = Split(e.value, ',');
        FailureScript f;
        bool ok = !p.empty();
        if (ok && EqualsNoCase(p[0], "always")) {
            f.always = true;
        } else if (auto n = ok ? ParseNumber(p[0]) : std::nullopt; n && *n >= 0) {
            f.remaining = static_cast<std::uint32_t>(*n);
        } else {
            ok = false;
        }
        if (ok && p.size() > 1) {
            if (auto v = ParseNumber(p[1])) f.value = static_cast<std::int32_t>(*v); else ok = false;
        }
        if (!ok) {
            c.warnings.push_back("[Failures] " + e.key + "=" + e.value);
            continue;
        }
        c.failures[ToLower(e.key)] = f;
    }
}

void ReadDriveChanges(const IniSection& s, SimConfig& c) {
    for (const std::string& line : s.All("Event")) {
        // delayMs,host,target,status
        std::vector<std::string> p = Split(line, ',');
        DriveChangeEvent ev;
        bool ok = p.size() == 4;
        std::int64_t v[4] = {};
        for (std::size_t i = 0; ok && i < 4; ++i) {
            auto n = ParseNumber(p[i]);
            if (!n) ok = false; else v[i] = *n;
        }
        if (!ok || v[0] < 0) {
            c.warnings.push_back("[DriveChange] Event=" + line);
            continue;
        }
        ev.delayMs = static_cast<std::uint32_t>(v[0]);
        ev.host = static_cast<std::int32_t>(v[1]);
        ev.target = static_cast<std::int32_t>(v[2]);
        ev.status = static_cast<std::int32_t>(v[3]);
        c.driveChanges.push_back(ev);
    }
}

void ReadNumberedTexts(const IniSection& s, std::map<std::int32_t, std::string>& out, std::vector<std::string>& warnings) {
    for (const IniEntry& e : s.entries) {
        if (auto n = ParseNumber(e.key))
            out[static_cast<std::int32_t>(*n)] = e.value;
        else
            warnings.push_back("[" + s.name + "] " + e.key + "=" + e.value);
    }
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string ToLower(std::string_view text) {
    std::string out(text);
    for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return out;
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int radix = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        radix = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 16) return std::nullopt;
    std::int64_t value = 0;
    for (char ch : text) {
        int digit;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        else if (radix == 16 && ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        else if (radix == 16 && ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        else return std::nullopt;
        value = value * radix + digit;
    }
    return negative ? -value : value;
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(separator, start);
        parts.emplace_back(Trim(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

const std::string* IniSection::Find(std::string_view key) const {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (EqualsNoCase(it->key, key)) return &it->value;
    return nullptr;
}

std::vector<std::string> IniSection::All(std::string_view key) const {
    std::vector<std::string> out;
    for (const IniEntry& e : entries)
        if (EqualsNoCase(e.key, key)) out.push_back(e.value);
    return out;
}

std::vector<IniSection> ParseIni(std::string_view text) {
    std::vector<IniSection> sections;
    sections.push_back({});  // entries before any section header
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string_view line = Trim(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
        pos = end == std::string_view::npos ? text.size() + 1 : end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back({std::string(Trim(line.substr(1, line.size() - 2))), {}});
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        sections.back().entries.push_back({std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
    }
    return sections;
}

std::vector<DeviceConfig> DefaultDevices() {
    DeviceConfig a;
    a.name = "Quarn SimWriter CD-RW 52x";
    a.hostAdapterName = "SIM";
    a.hostAdapter = 1;
    a.deviceId = 0;
    a.devType = 1;
    a.driveLetter = 'R';
    a.capabilities = 0x0000FFFF;
    a.read = {176, {8, 16, 24, 32, 40, 48, 52}};
    a.write = {176, {4, 8, 16, 24, 32, 48, 52}};
    a.bupName = "SimGuard";
    a.bupSpeed = 0;
    a.mediaSupport = 0x0000000F;
    a.mediaReadSupport = 0x0000001F;
    a.bufferSize = 2048;

    DeviceConfig b;
    b.name = "Quarn SimWriter DVD-RW 16x";
    b.hostAdapterName = "SIM";
    b.hostAdapter = 1;
    b.deviceId = 1;
    b.devType = 1;
    b.driveLetter = 0;  // a device without a drive letter
    b.capabilities = 0x0003FFFF;
    b.read = {1385, {2, 4, 8, 12, 16}};
    b.write = {1385, {1, 2, 4, 8, 16}};
    b.bupName = "SimGuard Plus";
    b.bupSpeed = 4;
    b.mediaSupport = 0x00000FFF;
    b.mediaReadSupport = 0x00001FFF;
    b.bufferSize = 8192;
    return {a, b};
}

SimConfig ParseConfig(std::string_view text) {
    SimConfig c;
    bool defaultDevices = true;
    for (const IniSection& s : ParseIni(text)) {
        Reader r(s, c.warnings);
        if (EqualsNoCase(s.name, "Engine")) {
            r.Number("InitResult", c.initResult);
            r.Flag("RequireInit", c.requireInit);
            r.Flag("FilterDrivesByMedia", c.filterDrivesByMedia);
            r.Flag("DefaultDevices", defaultDevices);
            r.Text("Log", c.logFile);
            r.Number("DriveError", c.driveError);
            if (s.Find("APIVersion")) {
                std::uint32_t v = 0;
                r.Number("APIVersion", v);
                c.apiVersion = v;
            }
            if (const std::string* v = s.Find("APIVersionEx")) {
                std::vector<std::string> p = Split(*v, '.');
                std::array<std::uint16_t, 4> parts{};
                bool ok = p.size() == 4;
                for (std::size_t i = 0; ok && i < 4; ++i) {
                    auto n = ParseNumber(p[i]);
                    if (!n || *n < 0 || *n > 0xFFFF) ok = false; else parts[i] = static_cast<std::uint16_t>(*n);
                }
                if (ok) c.apiVersionEx = parts; else r.Warn("APIVersionEx", *v);
            }
        } else if (EqualsNoCase(s.name, "Errors")) {
            for (const std::string& e : s.All("Error")) c.errors.push_back(e);
            if (const std::string* v = s.Find("LastError")) c.lastError = *v;
            if (const std::string* v = s.Find("ErrorLog")) c.errorLog = *v;
            r.Flag("NullTexts", c.nullTexts);
        } else if (StartsWithNoCase(s.name, "Device")) {
            c.behaviour.push_back(ReadBehaviour(s, c.warnings, c.devices.size()));
            c.devices.push_back(ReadDevice(s, c.warnings, c.devices.size()));
        } else if (EqualsNoCase(s.name, "Burn")) {
            ReadBurn(s, c.burn, c.warnings);
        } else if (StartsWithNoCase(s.name, "Image")) {
            c.images.push_back(ReadImage(s, c.warnings));
        } else if (EqualsNoCase(s.name, "Failures")) {
            ReadFailures(s, c);
        } else if (EqualsNoCase(s.name, "DriveChange")) {
            ReadDriveChanges(s, c);
        } else if (EqualsNoCase(s.name, "MediaNames")) {
            ReadNumberedTexts(s, c.mediaNames, c.warnings);
        } else if (EqualsNoCase(s.name, "WaitTexts")) {
            ReadNumberedTexts(s, c.waitTexts, c.warnings);
        } else if (!s.name.empty() || !s.entries.empty()) {
            c.warnings.push_back("unknown section [" + s.name + "]");
        }
    }
    if (c.devices.empty() && defaultDevices) {
        c.devices = DefaultDevices();
        for (std::size_t i = 0; i < c.devices.size(); ++i) c.behaviour.push_back(DefaultBehaviour(i));
    }
    return c;
}

std::optional<VmsSession> ParseVmsSession(std::string_view text) {
    std::vector<std::string> p = Split(text, '|');
    if (p.size() != 3) return std::nullopt;
    VmsSession session;
    session.name = p[0].substr(0, 255);
    // YYYY-MM-DD HH:MM:SS
    const std::string& when = p[1];
    std::size_t space = when.find(' ');
    if (space == std::string::npos) return std::nullopt;
    std::vector<std::string> date = Split(when.substr(0, space), '-');
    std::vector<std::string> time = Split(when.substr(space + 1), ':');
    if (date.size() != 3 || time.size() != 3) return std::nullopt;
    std::int64_t v[6] = {};
    for (std::size_t i = 0; i < 6; ++i) {
        auto n = ParseNumber(i < 3 ? date[i] : time[i - 3]);
        if (!n) return std::nullopt;
        v[i] = *n;
    }
    if (v[0] < 1900 || v[0] > 9999 || v[1] < 1 || v[1] > 12 || v[2] < 1 ||
        v[2] > DaysInMonth(static_cast<std::int32_t>(v[0]), static_cast<std::int32_t>(v[1])) || v[3] < 0 || v[3] > 23 ||
        v[4] < 0 || v[4] > 59 || v[5] < 0 || v[5] > 60)
        return std::nullopt;
    session.year = static_cast<std::int32_t>(v[0]);
    session.month = static_cast<std::int32_t>(v[1]);
    session.day = static_cast<std::int32_t>(v[2]);
    session.hour = static_cast<std::int32_t>(v[3]);
    session.minute = static_cast<std::int32_t>(v[4]);
    session.second = static_cast<std::int32_t>(v[5]);
    auto nwa = ParseNumber(p[2]);
    if (!nwa || *nwa < 0 || *nwa > 0xFFFFFFFFll) return std::nullopt;
    session.nextWritable = static_cast<std::uint32_t>(*nwa);
    return session;
}

ImageConfig DefaultDisc() {
    ImageConfig d;
    d.writeable = 1;
    d.freeBlocks = 300000;
    d.artist = "Sim Artist";
    d.title = "Sim Disc";
    d.eraseModes = 3;
    d.mediaType = 1;
    d.totalCapacity = 360000;
    d.tracks.push_back({1, 1, 2, 0, 1000, 2352, "Sim Artist", "First Song", "SIM000000001"});
    d.tracks.push_back({1, 2, 2, 1000, 1500, 2352, "Sim Artist", "Second Song", "SIM000000002"});
    return d;
}

std::int64_t DiscEnd(const ImageConfig& disc) {
    std::int64_t end = 0;
    for (const TrackConfig& t : disc.tracks) end = std::max<std::int64_t>(end, std::int64_t(t.start) + t.length);
    return end;
}

bool IsAbsolutePath(std::string_view path) {
    return (path.size() > 1 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

}  // namespace vexosim

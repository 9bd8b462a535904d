// The discs the simulated engine VexoAPI.dll records besides plain audio and
// data discs, bound by name as a client binds it: mixed and CD-extra discs
// and freestyle discs as BIN/CUE images (their sheets, raw data sectors and
// user data read back with the engine's own cue and medium readers), video
// CDs as ISO 9660 images (read back with the project's ISO 9660 reader),
// and disc copies of a drive's medium. Failures leave no image behind.

#include "../support/SimEngineLibrary.h"
#include "../support/TestFiles.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BlockMedia.h"
#include "CueSheet.h"
#include "EngineLayout.h"
#include "Reader.h"
#include "SectorSource.h"

namespace {

namespace L = vexosim::layout;
constexpr std::size_t P = sizeof(void*);

using testing_support::Exists;
using testing_support::ProgramFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;


std::string Pattern(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 29 + seed * 11 + i / 1000) & 0xFF);
    return s;
}

// A CD-audio WAV file of `pcm`.
std::string Wav(const std::string& pcm) {
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
        return s;
    };
    return "RIFF" + le(36 + static_cast<std::uint32_t>(pcm.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) +
           le(44100, 4) + le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(static_cast<std::uint32_t>(pcm.size()), 4) +
           pcm;
}

// --- the engine, bound by name -------------------------------------------------------

class Engine : public testing_support::SimEngineLibrary {
public:
    Engine() : SimEngineLibrary(ProgramFolder() + "\\vexoapi-v2\\VexoAPI.dll") {}
};

Engine& E() {
    static Engine engine;
    return engine;
}

// --- event-sourced tracks -------------------------------------------------------------

// Hands out `bytes` in the pieces the engine asks for.
struct EventSource {
    std::string bytes;
    std::size_t at = 0;
};
std::int32_t WINAPI ReadEvent(void* user, std::uint8_t* buffer, std::int32_t size) {
    auto* s = static_cast<EventSource*>(user);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), s->bytes.size() - s->at);
    std::memcpy(buffer, s->bytes.data() + s->at, n);
    s->at += n;
    return static_cast<std::int32_t>(n);
}
std::int32_t WINAPI EventEnd(void* user) {
    auto* s = static_cast<EventSource*>(user);
    return s->at == s->bytes.size() ? 1 : 0;
}
std::int32_t WINAPI EventError(void*) { return 0; }

void SetSourceFile(std::uint8_t* t, std::size_t kindAt, std::size_t sourceAt, std::uint32_t kind, const std::string& file) {
    L::Put32(t, kindAt, kind);
    L::PutText(t, sourceAt, 256, file);
}
void SetSourceEvent(std::uint8_t* t, std::size_t kindAt, std::size_t sourceAt, EventSource* source) {
    L::Put32(t, kindAt, 1);
    L::PutPtr(t, sourceAt + L::tracksource::UserData, source);
    L::PutPtr(t, sourceAt + L::tracksource::ReadCallback, reinterpret_cast<const void*>(&ReadEvent));
    L::PutPtr(t, sourceAt + L::tracksource::EndOfDataCallback, reinterpret_cast<const void*>(&EventEnd));
    L::PutPtr(t, sourceAt + L::tracksource::ErrorCallback, reinterpret_cast<const void*>(&EventError));
}

// --- reading raw data sectors back ------------------------------------------------------

std::uint8_t Bcd(std::uint32_t v) { return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10)); }

// The CD's error detection code, bit by bit.
std::uint32_t Edc(const std::uint8_t* p, std::size_t n) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xD8018001u : crc >> 1;
    }
    return crc;
}

// Multiplication by alpha in GF(2^8) (x^8 + x^4 + x^3 + x^2 + 1).
std::uint8_t TimesAlpha(std::uint8_t v) { return static_cast<std::uint8_t>((v << 1) ^ ((v & 0x80) ? 0x1D : 0)); }

// Every P and Q code word of the sector (from its header on) has both
// syndromes zero: its bytes' sum and their sum weighted by powers of alpha.
bool ParityHolds(const std::uint8_t* sector) {
    const std::uint8_t* d = sector + 12;
    auto word = [&](const std::vector<std::size_t>& at) {
        std::uint8_t sum = 0, weighted = 0;
        for (std::size_t i : at) {
            sum ^= d[i];
            weighted = static_cast<std::uint8_t>(TimesAlpha(weighted) ^ d[i]);
        }
        return sum == 0 && weighted == 0;
    };
    for (std::size_t m = 0; m < 86; ++m) {  // P: columns of 24 bytes + 2, 86 bytes apart
        std::vector<std::size_t> at;
        for (std::size_t k = 0; k < 24; ++k) at.push_back(m + 86 * k);
        at.push_back(2064 + m);
        at.push_back(2064 + 86 + m);
        if (!word(at)) return false;
    }
    for (std::size_t m = 0; m < 52; ++m) {  // Q: diagonals of 43 bytes + 2
        std::vector<std::size_t> at;
        std::size_t index = (m >> 1) * 86 + (m & 1);
        for (std::size_t k = 0; k < 43; ++k) {
            at.push_back(index);
            index = (index + 88) % 2236;
        }
        at.push_back(2236 + m);
        at.push_back(2236 + 52 + m);
        if (!word(at)) return false;
    }
    return true;
}

// The user data of a data track of a BIN/CUE image, every raw sector checked:
// sync, address (disc address + 150 in BCD), mode, error detection and
// correction codes. Mode 2 sectors carry a data subheader.
// A pregap before the next track reads as part of this one: `limit` (when
// not 0) stops after that many sectors.
std::string UserDataOf(const std::string& cue, std::uint32_t track, std::uint8_t mode, std::string* problem,
                       std::uint64_t limit = 0) {
    std::string why;
    auto medium = vexosim::OpenMedium(cue, false, nullptr, &why);
    if (!medium) {
        *problem = "the image cannot be opened: " + why;
        return {};
    }
    const vexosim::PartitionInfo* p = nullptr;
    for (const auto& part : medium->Partitions())
        if (part.number == track) p = &part;
    if (!p || p->sectorSize != 2352 || p->type != 0) {
        *problem = "no raw data track " + std::to_string(track);
        return {};
    }
    std::string user;
    std::vector<std::uint8_t> s(2352);
    static const std::uint8_t sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    const std::uint64_t end = limit ? std::min(p->End(), p->start + limit) : p->End();
    for (std::uint64_t lba = p->start; lba < end; ++lba) {
        if (!medium->Read(*p, lba, 1, s.data())) {
            *problem = "sector " + std::to_string(lba) + " cannot be read";
            return {};
        }
        const std::uint32_t a = static_cast<std::uint32_t>(lba) + 150;
        const std::uint8_t header[4] = {Bcd(a / 4500), Bcd(a / 75 % 60), Bcd(a % 75), mode};
        std::uint8_t* data = s.data() + 16;
        bool ok = std::memcmp(s.data(), sync, 12) == 0 && std::memcmp(s.data() + 12, header, 4) == 0;
        if (mode == 1) {
            std::uint32_t edc;
            std::memcpy(&edc, s.data() + 2064, 4);
            ok = ok && edc == Edc(s.data(), 2064) && ParityHolds(s.data());
        } else {
            std::uint32_t edc;
            std::memcpy(&edc, s.data() + 2072, 4);
            std::vector<std::uint8_t> zeroed(s);
            std::memset(zeroed.data() + 12, 0, 4);
            ok = ok && (s[18] & 0x08) && s[18] == s[22] && edc == Edc(s.data() + 16, 2056) && ParityHolds(zeroed.data());
            data = s.data() + 24;
        }
        if (!ok) {
            *problem = "sector " + std::to_string(lba) + " is not a proper mode " + std::to_string(mode) + " sector";
            return {};
        }
        user.append(reinterpret_cast<const char*>(data), 2048);
    }
    return user;
}

// The bytes of an audio track of a BIN/CUE image.
std::string AudioOf(const std::string& cue, std::uint32_t track) {
    auto medium = vexosim::OpenMedium(cue, false, nullptr, nullptr);
    if (!medium) return "<no medium>";
    for (const auto& p : medium->Partitions()) {
        if (p.number != track) continue;
        std::string bytes(static_cast<std::size_t>(p.sectors * 2352), '\0');
        if (!medium->Read(p, p.start, p.sectors, reinterpret_cast<std::uint8_t*>(bytes.data()))) return "<unreadable>";
        return bytes;
    }
    return "<no track>";
}

// The sheet's lines without their leading blanks and line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        while (!line.empty() && (line.back() == '\r')) line.pop_back();
        line.erase(0, line.find_first_not_of(' '));
        out.push_back(line);
        at = end + 1;
    }
    return out;
}

// The lines of a sheet that say what the disc is: sessions and tracks.
std::vector<std::string> Shape(const std::string& cueText) {
    std::vector<std::string> out;
    for (const std::string& l : Lines(cueText))
        if (l.rfind("REM SESSION", 0) == 0 || l.rfind("TRACK", 0) == 0) out.push_back(l);
    return out;
}

std::string Describe(const iso9660::Node& folder) {
    std::vector<const iso9660::Node*> sorted;
    for (const iso9660::Node& n : folder.children) sorted.push_back(&n);
    std::sort(sorted.begin(), sorted.end(), [](auto* x, auto* y) { return x->name < y->name; });
    std::string out;
    for (const iso9660::Node* n : sorted) {
        if (!out.empty()) out += ' ';
        out += n->name;
        if (n->directory) out += "/[ " + Describe(*n) + " ]";
    }
    return out;
}

std::string ContentsOf(iso9660::SectorSource& source, const iso9660::Node& file) {
    std::string bytes;
    iso9660::ReadContents(source, {}, file, [&](std::span<const std::uint8_t> b) {
        bytes.append(reinterpret_cast<const char*>(b.data()), b.size());
    });
    return bytes;
}

const iso9660::Node* Path(const iso9660::Node& root, const std::string& a, const std::string& b = "") {
    const iso9660::Node* n = root.Find(a);
    return n && !b.empty() ? n->Find(b) : n;
}

// --- the fixture: one or two devices, an ISO track, the burn ---------------------------------

class DiscsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(E().module(), nullptr);
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "vexoapi-discs";
        CreateDirectoryA(dir_.c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\src").c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\out").c_str(), nullptr);
        readme_ = "A disc of several kinds of tracks.\r\n";
        big_ = Pattern(5000, 1);
        WriteFileBytes(dir_ + "\\src\\readme.txt", readme_);
        WriteFileBytes(dir_ + "\\src\\big.bin", big_);
    }
    void TearDown() override {
        for (void* d : devices_) E().Get<void(WINAPI*)(void*)>("VexoCloseDevice")(d);
        if (track_) E().Get<void(WINAPI*)(void*)>("VexoFreeIsoTrack")(track_);
        if (items_) E().Get<void(WINAPI*)(void*)>("VexoFreeIsoItemTree")(items_);
        if (E().Counter("init.active")) E().Get<int(WINAPI*)()>("VexoDone")();
        EXPECT_EQ(E().Counter("check.failures"), expectedCheckFailures_) << E().Text("check.last");
        EXPECT_EQ(E().Counter("outstanding"), 0);
    }

    // Configures the devices (one [Device] text each), initialises the
    // engine and opens them.
    void Start(const std::vector<std::string>& devices, const std::string& extra = "") {
        std::string config;
        for (const std::string& d : devices) config += "[Device]\nName=Writer\n" + d + "\n";
        ASSERT_EQ(E().Configure(config + "[Burn]\nSteps=2\nStepMs=5\n" + extra), 0);
        std::vector<std::uint8_t> init(L::init::Size, 0);
        static const char maker[] = "Quarn", product[] = "discs test", language[] = "english.txt";
        L::PutPtr(init.data(), L::init::Product, product);
        L::PutPtr(init.data(), L::init::Maker, maker);
        L::PutPtr(init.data(), L::init::LanguageFile, language);
        ASSERT_EQ(E().Get<int(WINAPI*)(const void*, const char*)>("VexoInit")(init.data(), ""), 0);
        auto* list = static_cast<const std::uint8_t*>(E().Get<void*(WINAPI*)(int, int)>("VexoGetAvailableDrivesEx")(0, 0));
        ASSERT_NE(list, nullptr);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            std::vector<std::uint8_t> entry(list + L::drivelist::Entry(i), list + L::drivelist::Entry(i) + L::drive::Size);
            void* d = E().Get<void*(WINAPI*)(const void*)>("VexoOpenDevice")(entry.data());
            ASSERT_NE(d, nullptr);
            devices_.push_back(d);
        }
        E().FreeMem(list);
    }

    void Record(const std::string& path, std::size_t device = 0) {
        ASSERT_EQ(E().Get<int(WINAPI*)(void*, const char*, int, int, int)>("VexoInitImageRecorder")(devices_[device],
                                                                                                   path.c_str(), 0, 1, 0),
                  0);
    }

    // An ISO track of src\: readme.txt, and big.bin inside a folder "data".
    void* Track(std::uint32_t options = 1) {
        auto make = [&](const char* name, bool folder, const std::string& source) {
            auto* b = static_cast<std::uint8_t*>(E().Get<void*(WINAPI*)(int)>("VexoCreateIsoItemOfSize")(static_cast<int>(L::isoitem::Size)));
            L::PutText(b, L::isoitem::Name, L::isoitem::NameChars, name);
            L::PutText(b, L::isoitem::SourcePath, L::isoitem::SourcePathChars, source);
            L::Put32(b, L::isoitem::IsDirectory, folder ? 1 : 0);
            return b;
        };
        std::uint8_t* readme = make("readme.txt", false, dir_ + "\\src\\readme.txt");
        std::uint8_t* folder = make("data", true, "");
        std::uint8_t* big = make("big.bin", false, dir_ + "\\src\\big.bin");
        L::PutPtr(readme, L::isoitem::Next, folder);
        L::PutPtr(folder, L::isoitem::FirstChild, big);
        items_ = readme;
        args_.assign(L::isotrackargs::Size, 0);
        static const char volume[] = "Disc Data", empty[] = "";
        L::PutPtr(args_.data(), L::isotrackargs::RootFirst, readme);
        L::PutPtr(args_.data(), L::isotrackargs::VolumeName, volume);
        L::Put32(args_.data(), L::isotrackargs::BurnOptions, options);
        for (int i = 0; i < 8; ++i) L::PutPtr(args_.data(), L::isotrackargs::Texts + i * P, empty);
        track_ = E().Get<void*(WINAPI*)(void*, const void*, int)>("VexoCreateIsoTrackEx")(nullptr, args_.data(), 128);
        return track_;
    }

    int Burn(int type, const std::vector<std::uint8_t>& record, int flags = 4, std::size_t device = 0) {
        return E().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn")(devices_[device], type,
                                                                                                record.data(), flags, 0,
                                                                                                nullptr);
    }

    // The data track's user data read as ISO 9660: the tree and both files.
    // `pregap` empty sectors of the next track follow the image.
    void ExpectDataTrack(const std::string& user, std::size_t pregap = 0) {
        ASSERT_FALSE(user.empty());
        iso9660::MemorySectorSource source(
            std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(user.data()), user.size()));
        iso9660::Volume v = iso9660::Read(source);
        EXPECT_EQ(v.jolietName, "Disc Data");
        EXPECT_EQ((v.sectors + pregap) * 2048ull, user.size()) << "the track holds exactly the image";
        EXPECT_EQ(user.substr(v.sectors * 2048ull), std::string(pregap * 2048, '\0'));
        EXPECT_EQ(Describe(v.root), "data/[ big.bin ] readme.txt");
        ASSERT_NE(Path(v.root, "readme.txt"), nullptr);
        EXPECT_EQ(ContentsOf(source, *Path(v.root, "readme.txt")), readme_);
        ASSERT_NE(Path(v.root, "data", "big.bin"), nullptr);
        EXPECT_EQ(ContentsOf(source, *Path(v.root, "data", "big.bin")), big_);
    }

    std::string dir_, readme_, big_;
    std::vector<void*> devices_;
    void* track_ = nullptr;
    void* items_ = nullptr;
    std::vector<std::uint8_t> args_;
    int expectedCheckFailures_ = 0;
};

// An ISO/audio record (type 0) with the track and WAV audio tracks.
std::vector<std::uint8_t> AudioRecord(void* track, bool cdExtra, const std::vector<std::string>& wavs) {
    namespace A = L::isoaudio;
    namespace T = L::audiotrack;
    std::vector<std::uint8_t> r(A::Size, 0);
    L::PutPtr(r.data(), A::DataTrack, track);
    L::Put32(r.data(), A::CdExtra, cdExtra ? 0xFFFFFFFFu : 0);
    L::Put32(r.data(), A::TrackCount, static_cast<std::uint32_t>(wavs.size()));
    for (std::size_t i = 0; i < wavs.size(); ++i) SetSourceFile(r.data() + A::Tracks + i * T::Size, T::SourceKind, T::Source, 0, wavs[i]);
    return r;
}

// A freestyle record (type 3) without tracks.
std::vector<std::uint8_t> FreestyleRecord(void* track, bool cdExtra) {
    namespace F = L::freestyle;
    std::vector<std::uint8_t> r(F::Size, 0);
    L::Put32(r.data(), F::Magic, 848);
    L::PutPtr(r.data(), F::DataTrack, track);
    L::Put32(r.data(), F::CdExtra, cdExtra ? 0xFFFFFFFFu : 0);
    return r;
}
std::uint8_t* AddFreestyleTrack(std::vector<std::uint8_t>& r, std::uint32_t type, std::int32_t pause = 0) {
    namespace F = L::freestyle;
    namespace T = L::freestyletrack;
    const std::uint32_t n = L::Get32(r.data(), F::TrackCount);
    std::uint8_t* t = r.data() + F::Tracks + n * T::Size;
    L::Put32(t, T::StructSize, 680);
    L::Put32(t, T::TrackType, type);
    L::Put32(t, T::Pause, static_cast<std::uint32_t>(pause));
    L::Put32(r.data(), F::TrackCount, n + 1);
    return t;
}

// ---- mixed and CD-extra discs ----------------------------------------------------------

TEST_F(DiscsTest, AMixedDiscPutsTheDataTrackAsRawModeOneSectorsBeforeTheAudio) {
    const std::string pcm = Pattern(2352 * 10 + 100, 7);
    WriteFileBytes(dir_ + "\\src\\song.wav", Wav(pcm));
    Start({""});
    Record(dir_ + "\\out\\mixed.cue");
    ASSERT_NE(Track(), nullptr);
    ASSERT_EQ(Burn(0, AudioRecord(track_, false, {dir_ + "\\src\\song.wav"})), 0) << E().LastError();
    const std::string cue = dir_ + "\\out\\mixed.cue";
    EXPECT_EQ(Shape(ReadFileBytes(cue)), (std::vector<std::string>{"TRACK 01 MODE1/2352", "TRACK 02 AUDIO"}));
    std::string problem;
    const std::string user = UserDataOf(cue, 1, 1, &problem);
    EXPECT_EQ(problem, "");
    ExpectDataTrack(user);
    std::string audio = AudioOf(cue, 2);
    EXPECT_EQ(audio.substr(0, pcm.size()), pcm);
    EXPECT_EQ(audio.size(), 2352u * 11) << "the audio is padded to whole sectors";
    EXPECT_EQ(E().Text("discimage.kind"), "mixed");
    EXPECT_FALSE(Exists(dir_ + "\\out\\mixed.bin.partial"));
}

TEST_F(DiscsTest, ACdExtraDiscHasItsAudioInTheFirstSessionAndItsDataTrackInTheSecond) {
    WriteFileBytes(dir_ + "\\src\\one.wav", Wav(Pattern(2352 * 3, 1)));
    WriteFileBytes(dir_ + "\\src\\two.wav", Wav(Pattern(2352 * 4, 2)));
    Start({""});
    Record(dir_ + "\\out\\extra.cue");
    ASSERT_NE(Track(), nullptr);
    ASSERT_EQ(Burn(0, AudioRecord(track_, true, {dir_ + "\\src\\one.wav", dir_ + "\\src\\two.wav"})), 0) << E().LastError();
    const std::string cue = dir_ + "\\out\\extra.cue";
    const std::string sheet = ReadFileBytes(cue);
    EXPECT_EQ(Shape(sheet), (std::vector<std::string>{"REM SESSION 01", "TRACK 01 AUDIO", "TRACK 02 AUDIO",
                                                      "REM SESSION 02", "TRACK 03 MODE1/2352"}));
    std::string why;
    auto parsed = vexosim::ParseCueSheet(sheet, &why);
    ASSERT_TRUE(parsed) << why;
    EXPECT_EQ(parsed->tracks.size(), 3u);
    EXPECT_EQ(AudioOf(cue, 2), Pattern(2352 * 4, 2));
    std::string problem;
    ExpectDataTrack(UserDataOf(cue, 3, 1, &problem));
    EXPECT_EQ(problem, "");
    EXPECT_EQ(E().Text("discimage.kind"), "cdextra");
}

// ---- freestyle discs -------------------------------------------------------------------

TEST_F(DiscsTest, AFreestyleDiscWritesEachTrackInItsModeFromItsSource) {
    const std::string mode1 = Pattern(2048 * 3 + 10, 3), mode2 = Pattern(2048 * 2, 4), raw = Pattern(2352 * 2, 5);
    WriteFileBytes(dir_ + "\\src\\mode1.dat", mode1);
    WriteFileBytes(dir_ + "\\src\\raw.pcm", raw);
    EventSource events{mode2};
    Start({""});
    Record(dir_ + "\\out\\free.cue");
    ASSERT_NE(Track(), nullptr);
    auto r = FreestyleRecord(track_, false);
    namespace T = L::freestyletrack;
    SetSourceFile(AddFreestyleTrack(r, 0, 5), T::SourceKind, T::Source, 4, dir_ + "\\src\\mode1.dat");
    std::uint8_t* eventTrack = AddFreestyleTrack(r, 1);
    SetSourceEvent(eventTrack, T::SourceKind, T::Source, &events);
    L::Put32(eventTrack, T::Length, 2);
    SetSourceFile(AddFreestyleTrack(r, 2, 150), T::SourceKind, T::Source, 4, dir_ + "\\src\\raw.pcm");
    ASSERT_EQ(Burn(3, r), 0) << E().LastError();
    const std::string cue = dir_ + "\\out\\free.cue";
    const std::string sheet = ReadFileBytes(cue);
    EXPECT_EQ(Shape(sheet), (std::vector<std::string>{"TRACK 01 MODE1/2352", "TRACK 02 MODE1/2352", "TRACK 03 MODE2/2352",
                                                      "TRACK 04 AUDIO"}));
    EXPECT_NE(sheet.find("INDEX 00"), std::string::npos) << "the pauses are pregaps";
    std::string problem;
    ExpectDataTrack(UserDataOf(cue, 1, 1, &problem), 5);
    EXPECT_EQ(UserDataOf(cue, 2, 1, &problem), mode1 + std::string(2048 - 10, '\0')) << problem;
    EXPECT_EQ(UserDataOf(cue, 3, 2, &problem, 2), mode2) << problem;
    EXPECT_EQ(AudioOf(cue, 4), raw);
    EXPECT_EQ(E().Text("burn.track.2.pulled").rfind("bytes=4096;", 0), 0u) << E().Text("burn.track.2.pulled");
}

TEST_F(DiscsTest, AFreestyleCdExtraDiscPutsItsAudioFirst) {
    WriteFileBytes(dir_ + "\\src\\song.wav", Wav(Pattern(2352, 6)));
    WriteFileBytes(dir_ + "\\src\\mode1.dat", Pattern(4096, 6));
    Start({""});
    Record(dir_ + "\\out\\free-extra.cue");
    ASSERT_NE(Track(), nullptr);
    auto r = FreestyleRecord(track_, true);
    namespace T = L::freestyletrack;
    SetSourceFile(AddFreestyleTrack(r, 0), T::SourceKind, T::Source, 4, dir_ + "\\src\\mode1.dat");
    SetSourceFile(AddFreestyleTrack(r, 2), T::SourceKind, T::Source, 4, dir_ + "\\src\\song.wav");
    ASSERT_EQ(Burn(3, r), 0) << E().LastError();
    EXPECT_EQ(Shape(ReadFileBytes(dir_ + "\\out\\free-extra.cue")),
              (std::vector<std::string>{"REM SESSION 01", "TRACK 01 AUDIO", "REM SESSION 02", "TRACK 02 MODE1/2352",
                                        "TRACK 03 MODE1/2352"}));
    EXPECT_EQ(AudioOf(dir_ + "\\out\\free-extra.cue", 1), Pattern(2352, 6)) << "a WAV file is taken without its header";
}

TEST_F(DiscsTest, FreestyleFailuresAnswerThreeWithTheirLineAndLeaveNoImage) {
    Start({""});
    Record(dir_ + "\\out\\refused.cue");
    auto r = FreestyleRecord(nullptr, false);
    L::PutPtr(r.data(), L::freestyle::Container, reinterpret_cast<void*>(0x1000));
    namespace T = L::freestyletrack;
    SetSourceFile(AddFreestyleTrack(r, 0), T::SourceKind, T::Source, 4, dir_ + "\\src\\readme.txt");
    EXPECT_EQ(Burn(3, r), 3) << "a container that is not one";
    expectedCheckFailures_ = 1;

    auto missing = FreestyleRecord(nullptr, false);
    SetSourceFile(AddFreestyleTrack(missing, 0), T::SourceKind, T::Source, 4, dir_ + "\\src\\readme.txt");
    SetSourceFile(AddFreestyleTrack(missing, 1), T::SourceKind, T::Source, 4, dir_ + "\\src\\nothing.dat");
    EXPECT_EQ(Burn(3, missing), 3);
    EXPECT_EQ(E().LastError(), "Image recorder, track 2: cannot open " + dir_ + "\\src\\nothing.dat");
    for (const char* f : {"refused.cue", "refused.bin", "refused.cue.partial", "refused.bin.partial"})
        EXPECT_FALSE(Exists(dir_ + "\\out\\" + f)) << f;
}

// ---- video CDs ---------------------------------------------------------------------------

struct VideoItemSpec {
    std::uint32_t type;
    std::string file;
};
std::vector<std::uint8_t> VideoRecord(bool super, std::uint32_t resolution, void* track, const std::vector<VideoItemSpec>& items) {
    namespace V = L::video;
    namespace I = L::videoitem;
    std::vector<std::uint8_t> r(V::Size, 0);
    L::Put32(r.data(), V::SuperVideoCd, super ? 0xFFFFFFFFu : 0);
    L::Put32(r.data(), V::ItemCount, static_cast<std::uint32_t>(items.size()));
    L::PutPtr(r.data(), V::DataTrack, track);
    L::Put32(r.data(), V::Resolution, resolution);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::uint8_t* t = r.data() + V::Items + i * I::Size;
        L::PutText(t, I::Name, 252, items[i].file);
        L::Put32(t, I::Type, items[i].type);
    }
    return r;
}

TEST_F(DiscsTest, AVideoCdHasItsFilesAndItsInformationSaysPal) {
    const std::string one = Pattern(2048 * 3 + 5, 1), two = Pattern(7000, 2), still = Pattern(3000, 3);
    WriteFileBytes(dir_ + "\\src\\one.mpg", one);
    WriteFileBytes(dir_ + "\\src\\two.mpg", two);
    WriteFileBytes(dir_ + "\\src\\still.jpg", still);
    Start({""});
    Record(dir_ + "\\out\\video");
    ASSERT_NE(Track(), nullptr);
    ASSERT_EQ(Burn(1, VideoRecord(false, 0, track_,
                                  {{0, dir_ + "\\src\\one.mpg"}, {1, dir_ + "\\src\\still.jpg"}, {0, dir_ + "\\src\\two.mpg"}})),
              0)
        << E().LastError();
    const std::string image = dir_ + "\\out\\video.iso";
    ASSERT_TRUE(Exists(image));
    iso9660::FileSectorSource source(image);
    iso9660::Volume v = iso9660::Read(source);
    ASSERT_EQ(Describe(v.root),
              "MPEGAV/[ AVSEQ01.DAT AVSEQ02.DAT ] SEGMENT/[ ITEM0001.MPG ] VCD/[ ENTRIES.VCD INFO.VCD ] data/[ big.bin ] "
              "readme.txt");
    EXPECT_EQ(ContentsOf(source, *Path(v.root, "MPEGAV", "AVSEQ01.DAT")), one);
    EXPECT_EQ(ContentsOf(source, *Path(v.root, "MPEGAV", "AVSEQ02.DAT")), two);
    EXPECT_EQ(ContentsOf(source, *Path(v.root, "SEGMENT", "ITEM0001.MPG")), still);
    EXPECT_EQ(ContentsOf(source, *Path(v.root, "readme.txt")), readme_);
    const std::string info = ContentsOf(source, *Path(v.root, "VCD", "INFO.VCD"));
    ASSERT_EQ(info.size(), 2048u);
    EXPECT_EQ(info.substr(0, 8), "VIDEO_CD");
    EXPECT_EQ(info[8], 2) << "Video CD 2.0";
    EXPECT_EQ(static_cast<std::uint8_t>(info[30]), 0x03) << "both sequences are PAL";
    EXPECT_EQ(info[55], 1) << "one still";
    EXPECT_EQ(static_cast<std::uint8_t>(info[56]), 5 << 2) << "a PAL still";
    const std::uint32_t firstSegment = Path(v.root, "SEGMENT", "ITEM0001.MPG")->extent + 150;
    EXPECT_EQ(info.substr(48, 3), std::string({static_cast<char>(Bcd(firstSegment / 4500)),
                                               static_cast<char>(Bcd(firstSegment / 75 % 60)),
                                               static_cast<char>(Bcd(firstSegment % 75))}));
    const std::string entries = ContentsOf(source, *Path(v.root, "VCD", "ENTRIES.VCD"));
    EXPECT_EQ(entries.substr(0, 8), "ENTRYVCD");
    EXPECT_EQ(entries[11], 2) << "two entries";
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t a = Path(v.root, "MPEGAV", i ? "AVSEQ02.DAT" : "AVSEQ01.DAT")->extent + 150;
        EXPECT_EQ(entries.substr(12 + 4 * i, 4),
                  std::string({static_cast<char>(Bcd(i + 2)), static_cast<char>(Bcd(a / 4500)),
                               static_cast<char>(Bcd(a / 75 % 60)), static_cast<char>(Bcd(a % 75))}));
    }
    EXPECT_EQ(E().Text("discimage.kind"), "videocd");
}

TEST_F(DiscsTest, ASuperVideoCdHasItsOwnFilesAndNtscClearsThePalFlags) {
    WriteFileBytes(dir_ + "\\src\\one.mpg", Pattern(4000, 1));
    Start({""});
    Record(dir_ + "\\out\\svcd.iso");
    ASSERT_EQ(Burn(1, VideoRecord(true, 1, nullptr, {{0, dir_ + "\\src\\one.mpg"}})), 0) << E().LastError();
    iso9660::FileSectorSource source(dir_ + "\\out\\svcd.iso");
    iso9660::Volume v = iso9660::Read(source);
    ASSERT_EQ(Describe(v.root), "MPEG2/[ AVSEQ01.MPG ] SVCD/[ ENTRIES.SVD INFO.SVD ]");
    EXPECT_EQ(v.name, "SUPERVCD");
    const std::string info = ContentsOf(source, *Path(v.root, "SVCD", "INFO.SVD"));
    EXPECT_EQ(info.substr(0, 8), "SUPERVCD");
    EXPECT_EQ(info[8], 1);
    EXPECT_EQ(info.substr(30, 13), std::string(13, '\0')) << "NTSC";
    EXPECT_EQ(ContentsOf(source, *Path(v.root, "SVCD", "ENTRIES.SVD")).substr(0, 8), "ENTRYSVD");
}

TEST_F(DiscsTest, AVideoItemNotEncodedOrMissingRefusesTheDiscByName) {
    WriteFileBytes(dir_ + "\\src\\one.mpg", Pattern(4000, 1));
    Start({""});
    Record(dir_ + "\\out\\refused.iso");
    EXPECT_EQ(Burn(1, VideoRecord(false, 0, nullptr, {{0, dir_ + "\\src\\one.mpg"}, {2, dir_ + "\\src\\raw.avi"}})), 3);
    EXPECT_EQ(E().LastError().rfind("Video item 2 (\"" + dir_ + "\\src\\raw.avi\") is not encoded", 0), 0u)
        << E().LastError();
    EXPECT_EQ(Burn(1, VideoRecord(false, 0, nullptr, {{1, dir_ + "\\src\\gone.jpg"}})), 3);
    EXPECT_EQ(E().LastError(), "The file \"" + dir_ + "\\src\\gone.jpg\" of video item 1 cannot be read");
    EXPECT_FALSE(Exists(dir_ + "\\out\\refused.iso"));
    EXPECT_FALSE(Exists(dir_ + "\\out\\refused.iso.part"));
}

// ---- disc copies ---------------------------------------------------------------------------

std::vector<std::uint8_t> CopyRecord(void* source, bool onTheFly, const char* image, bool deleteImage) {
    namespace D = L::disccopy;
    std::vector<std::uint8_t> r(D::Size, 0);
    L::PutPtr(r.data(), D::SourceDevice, source);
    L::Put32(r.data(), D::OnTheFly, onTheFly ? 0xFFFFFFFFu : 0);
    L::PutPtr(r.data(), D::ImagePath, image);
    L::Put32(r.data(), D::DeleteImage, deleteImage ? 0xFFFFFFFFu : 0);
    return r;
}

TEST_F(DiscsTest, ADiscCopyOfAnIsoMediumIsIdenticalAndItsImageOnTheWayGoesWhenAsked) {
    const std::string medium = Pattern(2048 * 40, 9);
    WriteFileBytes(dir_ + "\\src\\medium.iso", medium);
    Start({"", "Medium=" + dir_ + "\\src\\medium.iso\nOperationMs=40"});
    Record(dir_ + "\\out\\copy");
    const std::string image = dir_ + "\\out\\on-the-way.iso";
    ASSERT_EQ(Burn(1000, CopyRecord(devices_[1], false, image.c_str(), true)), 0) << E().LastError();
    EXPECT_EQ(ReadFileBytes(dir_ + "\\out\\copy.iso"), medium);
    EXPECT_FALSE(Exists(image)) << "the delete-image flag";
    DeleteFileA((dir_ + "\\out\\copy.iso").c_str());

    ASSERT_EQ(Burn(1000, CopyRecord(devices_[1], false, image.c_str(), false)), 0) << E().LastError();
    EXPECT_EQ(ReadFileBytes(dir_ + "\\out\\copy.iso"), medium);
    EXPECT_EQ(ReadFileBytes(image), medium) << "kept without the flag";
    DeleteFileA(image.c_str());
    ASSERT_EQ(Burn(1000, CopyRecord(devices_[1], true, image.c_str(), false)), 0) << E().LastError();
    EXPECT_FALSE(Exists(image)) << "on the fly, no image on the way";
}

TEST_F(DiscsTest, ADiscCopyOfABinCueMediumCopiesTheBinAndTheSheetWithItsFileLineRenamed) {
    WriteFileBytes(dir_ + "\\src\\source.bin", Pattern(2352 * 30, 4));
    const std::string sheet = "REM a copied sheet\r\nFILE \"source.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                              "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:10\r\n";
    WriteFileBytes(dir_ + "\\src\\source.cue", sheet);
    Start({"", "Medium=" + dir_ + "\\src\\source.cue"});
    Record(dir_ + "\\out\\copied.cue");
    ASSERT_EQ(Burn(1000, CopyRecord(devices_[1], true, nullptr, false)), 0) << E().LastError();
    EXPECT_EQ(ReadFileBytes(dir_ + "\\out\\copied.bin"), Pattern(2352 * 30, 4));
    std::string expected = sheet;
    expected.replace(expected.find("source.bin"), 10, "copied.bin");
    EXPECT_EQ(ReadFileBytes(dir_ + "\\out\\copied.cue"), expected);
}

TEST_F(DiscsTest, ADiscCopyWithoutAMediumAnswersThreeAndWritesNothing) {
    Start({"", ""});
    Record(dir_ + "\\out\\none.iso");
    EXPECT_EQ(Burn(1000, CopyRecord(devices_[1], true, nullptr, false)), 3);
    EXPECT_EQ(E().LastError(), "There is no medium in the source drive");
    EXPECT_FALSE(Exists(dir_ + "\\out\\none.iso"));
    EXPECT_FALSE(Exists(dir_ + "\\out\\none.iso.part"));
}

std::int32_t WINAPI AbortAtOnce(void*, std::int32_t) { return 1; }

TEST_F(DiscsTest, AnAbortedCopyLeavesNoImage) {
    WriteFileBytes(dir_ + "\\src\\medium.iso", Pattern(2048 * 40, 9));
    Start({"", "Medium=" + dir_ + "\\src\\medium.iso"});
    Record(dir_ + "\\out\\aborted.iso");
    auto* progress = static_cast<std::uint8_t*>(E().Get<void*(WINAPI*)()>("VexoCreateProgress")());
    ASSERT_NE(progress, nullptr);
    L::PutPtr(progress, L::progress::ProgressCallback, reinterpret_cast<const void*>(&AbortAtOnce));
    const auto record = CopyRecord(devices_[1], true, nullptr, false);
    EXPECT_EQ(E().Get<int(WINAPI*)(void*, int, const void*, int, int, const void*)>("VexoBurn")(devices_[0], 1000,
                                                                                               record.data(), 4, 0, progress),
              6);
    E().FreeMem(progress);
    EXPECT_FALSE(Exists(dir_ + "\\out\\aborted.iso"));
    EXPECT_FALSE(Exists(dir_ + "\\out\\aborted.iso.part"));
}

}  // namespace

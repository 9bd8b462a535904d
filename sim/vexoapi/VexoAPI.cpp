// VexoAPI.dll - the simulated disc-burning engine.
//
// What it stands for: the burning engine VexoCOM loads by path at run time
// and reaches export by export through GetProcAddress. This one burns
// nothing; it serves configured recorders and disc images, records what its
// caller passed, counts every block it hands out and checks the fixed fields
// of the records it receives. The product never knows it is a stand-in.
//
// Implemented: VexoInit / VexoDone, the error texts (VexoGetLastError,
// VexoGetErrorLog, VexoGetLastErrors, VexoClearErrors, VexoGetLastDriveError),
// the version calls, VexoSetOption, VexoGetTypeNameOfMedia,
// VexoGetAvailableDrivesEx, VexoGetDiscImageInfo, VexoCreateProgress,
// VexoRegister/UnregisterDriveChangeCallback with notifications from an engine
// thread, VexoFreeMem, VexoGetLocalizedWaitCDTexts, and the drive operations
// of DriveExports.cpp (device handles, readiness, eject, speeds, erasing, disc
// information, audio extraction, waiting for a disc, device options, image
// recorder, drive-status notifications, the image burn), block access over a
// device's medium or an image file (BlockAccess.cpp), virtual-multisession
// information (Vms.cpp), data discs as ISO 9660 images (DataImage.cpp: a
// burn of a data track with an image recorder target writes the image,
// VexoEstimateTrackSize gives its size) and the import of a medium's data
// track into ISO items (DataImport.cpp). Every other export exists and
// answers its failure value (Stubs.cpp).
//
// Configuration: VexoAPI.ini beside this DLL, or the file the environment
// variable VEXOSIM_CONFIG names; read at the first call after loading and
// again by VexoSimReset; VexoSimConfigure takes the same text directly.
// Without a file every default below applies. Lines starting with ';' or
// '#' are comments; keys ignore letter case; numbers are decimal or 0x hex.
//
//   [Engine]
//   InitResult=0          ; what VexoInit answers (0 = initialised)
//   RequireInit=1         ; engine calls before a successful VexoInit fail
//   FilterDrivesByMedia=0 ; 1: VexoGetAvailableDrivesEx lists only devices
//                         ;    that read or write a type of the mask (0 = all)
//   DefaultDevices=1      ; 0: no [Device] sections means no devices at all
//   Log=vexoapi.log       ; log file, relative to this DLL's folder; none by default
//   APIVersion=6319       ; VexoGetAPIVersion (default from the product version)
//   APIVersionEx=6.3.1.24 ; VexoGetAPIVersionEx (default: the product version)
//   DriveError=0          ; what VexoGetLastDriveError writes
//
//   [Errors]
//   Error=text            ; error lines, oldest first (repeat the key)
//   LastError=text        ; fixed VexoGetLastError text (default: newest line or "")
//   ErrorLog=text         ; fixed VexoGetErrorLog text (default: all lines)
//   NullTexts=0           ; 1: empty error texts come back as null
//
//   [Device]              ; one section per device, listed in file order
//   Name=Quarn SimWriter 1  HostAdapterName=SIM  HostAdapter=1  DeviceId=0
//   DevType=1  DriveLetter=R (empty or "none": no letter)  Capabilities=0xFFFF
//   ReadBase=176  ReadSpeeds=8,16,24  WriteBase=176  WriteSpeeds=4,8,16
//   BupName=SimGuard  BupSpeed=0  MediaSupport=0xF  MediaReadSupport=0x1F
//   BufferSize=2048
//   Ready=0  EjectResult=0  EraseTimeQuick=60  EraseTimeFull=600  EraseResult=0
//   OperationMs=20  WaitResult=0  DaeChunkBlocks=10  OpenFails=0
//   StatusEvent=delayMs,type,status (repeat)
//   Recorder=images\disc.cue ; where an audio burn records its BIN/CUE image
//                         ; when VexoInitImageRecorder named no path for the
//                         ; device (relative: from this DLL's folder; not
//                         ; ".cue": <path>.cue + <path>.bin); default none
//   Disc=none, or the disc in the drive with the [Image] keys below
//   AccessModes=0x3       ; VexoGetSupportedAccessModesForDevice (bits 1 packet
//                         ; writing, 2 managed MRW, 4 raw MRW); default 0
//   Medium=discs\data.iso ; what the device's block objects read and write: an
//                         ; ISO image, a .cue sheet (BIN beside it), or
//                         ; synthetic:<sectors>; a relative path is taken from
//                         ; this DLL's folder; default none (no block objects)
//   MediumReadOnly=1      ; the medium takes no writer; default 0
//   Recorder=out\disc     ; the image recorder's target when VexoInitImageRecorder
//                         ; named none for the device: a data burn writes its
//                         ; ISO image there (".iso" appended unless the name
//                         ; ends in it; relative to this DLL's folder); default none
//   VmsNextWritable=12345 ; with VmsSession: a virtual-multisession medium
//   VmsSession=name|2024-05-17 10:20:30|nwa  (repeat, oldest first)
//   (one key per line; without any [Device] section: two default recorders,
//   "Quarn SimWriter CD-RW 52x" at 1:0 with letter R and
//   "Quarn SimWriter DVD-RW 16x" at 1:1 without a letter)
//
//   [Image]               ; one section per disc image VexoGetDiscImageInfo knows
//   File=C:\discs\music.iso   ; matched whole or by file name, ignoring case
//   FreeBlocks= Writeable= Artist= Title= EraseModes= UnusedBlocks=
//   MediaType= MediumFlags= Layer0MaxBlocks= TotalCapacity=
//   Track=session|number|type|start|length|blocksize|artist|title|isrc  (repeat)
//
//   [Failures]            ; scripted failures, by export name (block object
//                         ; operations by Block<Operation>, e.g. BlockReadBuffered)
//   VexoInit=2            ; the next 2 calls fail
//   VexoGetAvailableDrivesEx=always
//   VexoSetOption=1,-7    ; fail once, answering -7 instead of the usual -1
//
//   [DriveChange]         ; after every successful registration, from the engine thread:
//   Event=50,1,0,5        ; after 50 ms call back with host 1, target 0, status 5
//
//   [Burn]                ; image burns (VexoBurn type 2)
//   Steps=5  StepMs=10  Ask=REQUEST[:DATA] (repeat)  NonEmptyCDRW=0  Result=0
//
//   [MediaNames]          ; VexoGetTypeNameOfMedia; default "Media 0x<type>"
//   1=CD-R
//   [WaitTexts]           ; VexoGetLocalizedWaitCDTexts overrides; default the English table
//   4=Insert the next disc
//
// For tests (SimExports.cpp): VexoSimGetCounter, VexoSimGetText,
// VexoSimFireDriveChange, VexoSimWaitIdle, VexoSimReset, VexoSimConfigure,
// VexoSimAsk, VexoSimIdle, VexoSimAskSpec, VexoSimFireDriveStatus. Counter and text names are listed in README.md.
//
// Audio images (AudioImageWriter.cpp, CueWriter.cpp, WavSource.cpp,
// RecordAudioDisc in Compilations.cpp; README.md has the details): an audio
// burn (type 0, no data track) on a device with a recorder target writes
// the tracks in record order into a BIN (2352-byte sectors: the pause as
// silence, WAV PCM copied bit-exact, event tracks as pulled, each padded to
// whole sectors) and a CUE (INDEX 00 before a pause, INDEX 01, the relative
// index positions as INDEX 02..., TITLE/PERFORMER with burn flag 32), under
// temporary names renamed when the burn succeeds. MP3 and WMA sources are
// decoded by the Linux ffmpeg through sim/winebridge (AudioDecoder.cpp).
// WAV files other than 44.1 kHz 16-bit stereo PCM, sources ffmpeg cannot
// decode and bad index positions fail the burn with 3 and an error line.
//
// Block access (BlockAccess.cpp, BlockMedia.cpp; README.md has the details):
// VexoCreateBlockReaderInterface / VexoCreateBlockWriterInterface(device,
// mode) make a block object over the device's Medium (a reader may ask for
// mode 0, otherwise one supported mode bit; a writer over MediumReadOnly=1
// is refused); VexoCreateBlockAccessFromImage(file, mode) over an image
// file (mode 0 read-only: writes answer errWriteError; 1 read-write) or
// "synthetic:<sectors>". ISO: one data partition of 2048-byte sectors; CUE:
// one partition per track (AUDIO 2352 bytes type 1, MODE1/2048 2048,
// MODE1/2352 and MODE2/2352 raw 2352 bytes and MODE2/2336 2336 bytes type 0),
// numbered as the tracks, starting at INDEX 01. Synthetic: 2048-byte sectors
// each holding its sector number as 8 little-endian bytes repeated; writes
// kept in memory (a device's for all its objects until the next
// configuration). Buffered writes wait in the object until FlushSectorCache
// or Release, unbuffered ones reach the medium at once, reads see both. A
// transfer across partitions moves each sector at its own partition's size,
// back to back. Past the end: what exists is moved, errEndOfFile.
// VexoGetVMSInfo(device, 0) hands out the record of the device's VmsSession
// lines (kind "vms"), null for a device without VMS keys.
//
// Built in variants (compile definitions, see CMakeLists.txt and README.md):
// VEXOSIM_NO_EX drops VexoGetAPIVersionEx and VexoSetExpectedAPIVersionEx,
// VEXOSIM_NO_WAITFORDISC drops VexoWaitForDisc, VEXOSIM_VERSION_* set the
// product version, VEXOSIM_VARIANT names the build.

#include "EngineLayout.h"
#include "EngineRecords.h"
#include "SimEngine.h"

#include <windows.h>

#include <cstring>

using namespace vexosim;
namespace L = vexosim::layout;

#ifndef VEXOSIM_VERSION_MAJOR
#define VEXOSIM_VERSION_MAJOR 6
#define VEXOSIM_VERSION_MINOR 3
#define VEXOSIM_VERSION_THIRD 1
#define VEXOSIM_VERSION_FOURTH 24
#endif

namespace {

constexpr std::size_t MaxTextRead = 4096;

// A caller's text, read no further than MaxTextRead characters.
std::string ReadText(const char* p) {
    if (!p) return {};
    return std::string(p, strnlen(p, MaxTextRead));
}

const char* TextOrNull(SimEngine& e, const std::string& text) {
    if (text.empty() && e.Config().nullTexts) return nullptr;
    return e.Memory().AllocateText(text);
}

void CheckReserved(SimEngine& e, const char* where, std::int32_t reserved) {
    if (reserved != 0) e.CheckFailed(where, Format("reserved argument is %d, not 0", reserved));
}

std::array<std::uint16_t, 4> VersionEx(const SimEngine& e) {
    if (e.Config().apiVersionEx) return *e.Config().apiVersionEx;
    return {VEXOSIM_VERSION_MAJOR, VEXOSIM_VERSION_MINOR, VEXOSIM_VERSION_THIRD, VEXOSIM_VERSION_FOURTH};
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

// --- memory -----------------------------------------------------------------

std::int32_t WINAPI VexoFreeMem(void* p) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Count("calls.VexoFreeMem");
        std::string kind;
        switch (e.Memory().Free(p, &kind)) {
        case Allocations::FreeResult::Freed:
            e.Count("free.ok");
            e.Count("freed." + kind);
            return 0;
        case Allocations::FreeResult::Null:
            e.Count("free.null");
            return 0;
        case Allocations::FreeResult::NotOurs:
            break;
        }
        e.BadFree(p);
        return -1;
    });
}

// --- initialisation ---------------------------------------------------------

std::int32_t WINAPI VexoInit(const void* record, const char* text) {
    return Guarded<std::int32_t>(1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Count("init.calls");
        std::int32_t result = 1;
        if (e.ScriptedFailure("VexoInit", result)) return result;
        const auto* r = static_cast<const std::uint8_t*>(record);
        if (!r) {
            e.CheckFailed("VexoInit", "init record is null");
            return std::int32_t(1);
        }
        // What was received, whatever happens next.
        e.SetText("init.directory", ReadText(static_cast<const char*>(L::GetPtr(r, L::init::Directory))));
        e.SetCounter("init.directory.null", L::GetPtr(r, L::init::Directory) ? 0 : 1);
        e.SetText("init.product", ReadText(static_cast<const char*>(L::GetPtr(r, L::init::Product))));
        e.SetText("init.maker", ReadText(static_cast<const char*>(L::GetPtr(r, L::init::Maker))));
        e.SetText("init.language", ReadText(static_cast<const char*>(L::GetPtr(r, L::init::LanguageFile))));
        e.SetText("init.text", ReadText(text));
        e.SetCounter("init.idlecb", L::GetPtr(r, L::init::IdleCallback) ? 1 : 0);
        e.SetCounter("init.dialogcb", L::GetPtr(r, L::init::DialogCallback) ? 1 : 0);
        e.SetCounter("init.idleud", reinterpret_cast<std::intptr_t>(L::GetPtr(r, L::init::IdleUserData)));
        e.SetCounter("init.dialogud", reinterpret_cast<std::intptr_t>(L::GetPtr(r, L::init::DialogUserData)));
        e.SetCounter("init.overburn", static_cast<std::int32_t>(L::Get32(r, L::init::EnableOverburn)));
        e.SetCounter("init.overburnsize", static_cast<std::int32_t>(L::Get32(r, L::init::OverburnSize)));
        std::string wrong = CheckInitRecord(r);
        if (!wrong.empty()) {
            e.CheckFailed("VexoInit", wrong);
            return std::int32_t(1);
        }
        if (e.initialised) {
            e.Count("init.again");
            e.Log("VexoInit while initialised: 5");
            return std::int32_t(5);
        }
        result = e.Config().initResult;
        e.Log(Format("VexoInit language \"%s\" directory \"%s\": %d", ReadText(static_cast<const char*>(L::GetPtr(r, L::init::LanguageFile))).c_str(),
                     ReadText(static_cast<const char*>(L::GetPtr(r, L::init::Directory))).c_str(), result));
        if (result != 0) return result;
        e.initialised = true;
        e.Count("init.ok");
        e.idle = reinterpret_cast<IdleCallback>(L::GetPtr(r, L::init::IdleCallback));
        e.idleUserData = L::GetPtr(r, L::init::IdleUserData);
        e.dialog = reinterpret_cast<DialogCallback>(L::GetPtr(r, L::init::DialogCallback));
        e.dialogUserData = L::GetPtr(r, L::init::DialogUserData);
        return std::int32_t(0);
    });
}

std::int32_t WINAPI VexoDone() {
    return Guarded<std::int32_t>(1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Count("done.calls");
        e.SetCounter("done.thread", static_cast<std::int64_t>(GetCurrentThreadId()));
        std::int32_t result = 1;
        if (e.ScriptedFailure("VexoDone", result)) return result;
        if (!e.initialised) {
            e.Count("done.unbalanced");
            e.Log("VexoDone without a successful VexoInit");
            return std::int32_t(1);
        }
        e.initialised = false;
        e.idle = nullptr;
        e.dialog = nullptr;
        e.Count("done.ok");
        e.Log(Format("VexoDone; %lld blocks outstanding", static_cast<long long>(e.Memory().Outstanding())));
        return std::int32_t(0);
    });
}

// --- error texts ------------------------------------------------------------

const char* WINAPI VexoGetLastError() {
    return Guarded<const char*>(nullptr, [&]() -> const char* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetLastError", unused)) return nullptr;
        std::string text = e.lastErrorText ? *e.lastErrorText : (e.errors.empty() ? std::string() : e.errors.back());
        return TextOrNull(e, text);
    });
}

const char* WINAPI VexoGetErrorLog() {
    return Guarded<const char*>(nullptr, [&]() -> const char* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetErrorLog", unused)) return nullptr;
        std::string text = e.errorLogText ? *e.errorLogText : JoinErrors(e.errors, 0, 1);
        return TextOrNull(e, text);
    });
}

const char* WINAPI VexoGetLastErrors(std::int32_t count, std::int32_t flags, std::int32_t reserved) {
    return Guarded<const char*>(nullptr, [&]() -> const char* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetLastErrors", unused)) return nullptr;
        CheckReserved(e, "VexoGetLastErrors", reserved);
        e.SetCounter("lasterrors.count", count);
        e.SetCounter("lasterrors.flags", flags);
        return TextOrNull(e, JoinErrors(e.errors, count, flags));
    });
}

void WINAPI VexoClearErrors() {
    Guarded<int>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        e.Count("calls.VexoClearErrors");
        e.errors.clear();
        e.lastErrorText.reset();
        e.errorLogText.reset();
        return 0;
    });
}

std::int32_t WINAPI VexoGetLastDriveError(std::int32_t* out, std::int32_t reserved) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoGetLastDriveError", result)) return result;
        CheckReserved(e, "VexoGetLastDriveError", reserved);
        if (!out) {
            e.CheckFailed("VexoGetLastDriveError", "null out pointer");
            return std::int32_t(-1);
        }
        *out = e.Config().driveError;
        return std::int32_t(0);
    });
}

// --- versions ---------------------------------------------------------------

std::uint32_t WINAPI VexoGetAPIVersion() {
    return Guarded<std::uint32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 0;
        if (e.ScriptedFailure("VexoGetAPIVersion", result)) return static_cast<std::uint32_t>(result);
        if (e.Config().apiVersion) return *e.Config().apiVersion;
        auto v = VersionEx(e);
        auto digit = [](unsigned n) { return n > 9 ? 9u : n; };
        return digit(v[0]) * 1000 + digit(v[1]) * 100 + digit(v[2]) * 10 + digit(v[3]);
    });
}

std::int32_t WINAPI VexoSetExpectedAPIVersion(std::uint32_t version) {
    return Guarded<std::int32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 0;
        if (e.ScriptedFailure("VexoSetExpectedAPIVersion", result)) return result;
        e.Count("expected.calls");
        e.SetCounter("expected.version", version);
        e.SetText("expected.announced", std::to_string(version));
        e.Log(Format("VexoSetExpectedAPIVersion %u", version));
        return std::int32_t(1);
    });
}

#ifndef VEXOSIM_NO_EX
std::int32_t WINAPI VexoGetAPIVersionEx(std::uint16_t* major, std::uint16_t* minor, std::uint16_t* third, std::uint16_t* fourth,
                                        std::int32_t reserved) {
    return Guarded<std::int32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 0;
        if (e.ScriptedFailure("VexoGetAPIVersionEx", result)) return result;
        CheckReserved(e, "VexoGetAPIVersionEx", reserved);
        if (!major || !minor || !third || !fourth) {
            e.CheckFailed("VexoGetAPIVersionEx", "null out pointer");
            return std::int32_t(0);
        }
        auto v = VersionEx(e);
        *major = v[0];
        *minor = v[1];
        *third = v[2];
        *fourth = v[3];
        return std::int32_t(1);
    });
}

std::int32_t WINAPI VexoSetExpectedAPIVersionEx(std::uint16_t major, std::uint16_t minor, std::uint16_t third, std::uint16_t fourth,
                                                std::int32_t reserved) {
    return Guarded<std::int32_t>(0, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = 0;
        if (e.ScriptedFailure("VexoSetExpectedAPIVersionEx", result)) return result;
        CheckReserved(e, "VexoSetExpectedAPIVersionEx", reserved);
        e.Count("expected.ex.calls");
        std::string text = Format("%u.%u.%u.%u", major, minor, third, fourth);
        e.SetText("expected.versionex", text);
        e.SetText("expected.announced", text);
        e.Log("VexoSetExpectedAPIVersionEx " + text);
        return std::int32_t(1);
    });
}
#endif

// --- options and names ------------------------------------------------------

std::int32_t WINAPI VexoSetOption(std::int32_t option, const void* value) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoSetOption", result)) return result;
        if (e.RefuseUninitialised("VexoSetOption")) return std::int32_t(-1);
        std::string key = "option." + std::to_string(option);
        e.Count("option.calls");
        e.Count(key + ".calls");
        e.SetCounter("option.last", option);
        e.SetCounter(key + ".null", value ? 0 : 1);
        if (option == 0) {
            // The runtime language file: a text.
            e.SetText(key, ReadText(static_cast<const char*>(value)));
            e.Log("VexoSetOption 0 \"" + ReadText(static_cast<const char*>(value)) + "\"");
            return std::int32_t(0);
        }
        if (!value) {
            e.SetCounter(key, 0);
            e.Log(Format("VexoSetOption %d null", option));
            if (option == 5) return std::int32_t(0);  // null disables DVD overburning
            e.CheckFailed("VexoSetOption", Format("option %d without a value", option));
            return std::int32_t(-1);
        }
        std::int32_t v;
        std::memcpy(&v, value, sizeof v);
        e.SetCounter(key, v);
        e.Log(Format("VexoSetOption %d %d", option, v));
        return std::int32_t(0);
    });
}

const char* WINAPI VexoGetTypeNameOfMedia(std::int32_t type, std::int32_t reserved) {
    return Guarded<const char*>(nullptr, [&]() -> const char* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetTypeNameOfMedia", unused)) return nullptr;
        if (e.RefuseUninitialised("VexoGetTypeNameOfMedia")) return nullptr;
        CheckReserved(e, "VexoGetTypeNameOfMedia", reserved);
        e.SetCounter("medianame.type", type);
        return e.Memory().AllocateText(MediaTypeName(type, e.Config().mediaNames));
    });
}

const char* WINAPI VexoGetLocalizedWaitCDTexts(std::int32_t code) {
    return Guarded<const char*>(nullptr, [&]() -> const char* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetLocalizedWaitCDTexts", unused)) return nullptr;
        e.SetCounter("waittext.code", code);
        auto it = e.Config().waitTexts.find(code);
        return e.Memory().AllocateText(it != e.Config().waitTexts.end() ? it->second : WaitCDText(code));
    });
}

// --- devices and discs ------------------------------------------------------

void* WINAPI VexoGetAvailableDrivesEx(std::int32_t mediaMask, std::int32_t reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetAvailableDrivesEx", unused)) return nullptr;
        if (e.RefuseUninitialised("VexoGetAvailableDrivesEx")) return nullptr;
        CheckReserved(e, "VexoGetAvailableDrivesEx", reserved);
        e.SetCounter("drives.mask", mediaMask);
        std::vector<std::uint8_t> list =
            BuildDriveList(e.Config().devices, static_cast<std::uint32_t>(mediaMask), e.Config().filterDrivesByMedia);
        e.Log(Format("VexoGetAvailableDrivesEx mask 0x%X: %u devices", static_cast<unsigned>(mediaMask), L::Get32(list.data(), 0)));
        return e.Memory().AllocateCopy("list", list.data(), list.size());
    });
}

void* WINAPI VexoGetDiscImageInfo(const char* imageName, std::int32_t reserved) {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoGetDiscImageInfo", unused)) return nullptr;
        if (e.RefuseUninitialised("VexoGetDiscImageInfo")) return nullptr;
        CheckReserved(e, "VexoGetDiscImageInfo", reserved);
        std::string name = ReadText(imageName);
        e.SetText("discimage.last", name);
        const ImageConfig* image = FindImage(e.Config().images, name);
        e.Log("VexoGetDiscImageInfo \"" + name + (image ? "\": known" : "\": unknown"));
        if (!image) {
            e.errors.push_back("Cannot read the image file \"" + name + "\"");
            return nullptr;
        }
        std::vector<std::uint8_t> info = BuildDiscInfo(*image);
        return e.Memory().AllocateCopy("info", info.data(), info.size());
    });
}

void* WINAPI VexoCreateProgress() {
    return Guarded<void*>(nullptr, [&]() -> void* {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t unused = 0;
        if (e.ScriptedFailure("VexoCreateProgress", unused)) return nullptr;
        if (e.RefuseUninitialised("VexoCreateProgress")) return nullptr;
        return e.Memory().Allocate("progress", L::progress::Size);
    });
}

// --- drive-change notifications ---------------------------------------------

std::int32_t WINAPI VexoRegisterDriveChangeCallback(DriveChangeCallback callback, void* userData) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        auto lock = e.Lock();
        std::int32_t result = -1;
        if (e.ScriptedFailure("VexoRegisterDriveChangeCallback", result)) return result;
        result = e.Notifier().Register(callback, userData, e.Config().driveChanges);
        if (result == 0) e.Count("drivechange.registrations");
        else e.Count("drivechange.refused");
        e.SetCounter("drivechange.registered", e.Notifier().Registrations());
        e.Log(Format("VexoRegisterDriveChangeCallback %p %p: %d", reinterpret_cast<void*>(callback), userData, result));
        return result;
    });
}

std::int32_t WINAPI VexoUnregisterDriveChangeCallback(DriveChangeCallback callback, void* userData) {
    return Guarded<std::int32_t>(-1, [&] {
        SimEngine& e = SimEngine::Get();
        {
            auto lock = e.Lock();
            std::int32_t result = -1;
            if (e.ScriptedFailure("VexoUnregisterDriveChangeCallback", result)) return result;
        }
        // Without the engine lock: this waits for a notification of this
        // registration still running on the engine thread.
        std::int32_t result = e.Notifier().Unregister(callback, userData);
        auto lock = e.Lock();
        if (result == 0) e.Count("drivechange.unregistrations");
        else e.Count("drivechange.refused");
        e.SetCounter("drivechange.registered", e.Notifier().Registrations());
        e.Log(Format("VexoUnregisterDriveChangeCallback %p %p: %d", reinterpret_cast<void*>(callback), userData, result));
        return result;
    });
}

}  // extern "C"

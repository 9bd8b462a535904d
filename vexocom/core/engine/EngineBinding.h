// EngineBinding: finds the burning engine VexoAPI.dll at run time, loads it,
// and reaches every engine function by its exported name.
//
// Every other part of the server calls the engine only through the wrappers
// below. Each wrapper looks the export up again with GetProcAddress at every
// call (nothing is cached) and, when no engine is loaded or the export is
// missing, calls nothing and returns the fallback named in its comment. A
// missing or older engine therefore turns into ordinary failure results.
//
// Argument conventions of the wrappers:
// - records (drive entries, progress records, compilation records, engine
//   lists) and engine objects (device handles, stamps, ISO items/tracks, block
//   interfaces) travel as void*; their byte layouts are in EngineRecords.h;
// - texts are ANSI, const char*; texts the engine returns belong to it and
//   are given back with VexoFreeMem once copied;
// - the "0" the server always passes in the last position is a reserved
//   pointer-sized argument defaulting to null.
// Exports and callbacks use the WINAPI (__stdcall on i686) convention.
#pragma once

#include <windows.h>

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace EngineBinding {

// ---------------------------------------------------------------------------
// Callback types the server hands to the engine.

// Idle callback (init record): called while the engine works; a non-zero
// result asks the engine to abort.
using IdleCallback = int32_t(WINAPI*)(void* userData);
// User-dialog callback (init record): (user data, request code, request data)
// -> response code. Request data is a record pointer or a plain number,
// depending on the request code.
using UserDialogCallback = int32_t(WINAPI*)(void* userData, int32_t request, void* requestData);
// Drive-change callback: (host id, target id, status, user data); non-zero
// when the notification was taken.
using DriveChangeCallback = int32_t(WINAPI*)(int32_t hostId, int32_t targetId, int32_t status,
                                             void* userData);
// Drive-status callback: (two engine values, status, user data); non-zero
// when the notification was taken.
using DriveStatusCallback = int32_t(WINAPI*)(int32_t value1, int32_t value2, int32_t status,
                                             void* userData);
// Audio-extraction write callback: (user data, buffer, byte count) -> bytes
// taken; 0 stops the extraction.
using DaeWriteCallback = int32_t(WINAPI*)(void* userData, const void* buffer, int32_t byteCount);

// Slots of the progress record (each receives the record's user data first).
using ProgressCallback = int32_t(WINAPI*)(void* userData, int32_t percent);      // non-zero = abort
using AbortedCallback = int32_t(WINAPI*)(void* userData);                        // non-zero = abort
using LogLineCallback = void(WINAPI*)(void* userData, int32_t textType, const char* text);
using SetPhaseCallback = void(WINAPI*)(void* userData, const char* text);
using DisableAbortCallback = void(WINAPI*)(void* userData, int32_t enable);
using MajorPhaseCallback = void(WINAPI*)(void* userData, int32_t phase);
using SubTaskProgressCallback = ProgressCallback;
// The audio-extraction progress callback is the progress slot's type.
using DaeProgressCallback = ProgressCallback;

// ---------------------------------------------------------------------------
// Engine versions and locating the engine (pure logic).

struct EngineVersion {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t third = 0;
    uint16_t fourth = 0;
    // Lexicographic on (major, minor, third, fourth).
    friend constexpr auto operator<=>(const EngineVersion&, const EngineVersion&) = default;
};

// The version from the two halves of a product version (most- and
// least-significant 32 bits of the fixed file-information block).
constexpr EngineVersion VersionFromProductHalves(uint32_t ms, uint32_t ls) {
    return {static_cast<uint16_t>(ms >> 16), static_cast<uint16_t>(ms & 0xFFFF),
            static_cast<uint16_t>(ls >> 16), static_cast<uint16_t>(ls & 0xFFFF)};
}

// Load flags.
inline constexpr uint32_t kLoadSkipRegistry = 1;      // do not consult the registry
inline constexpr uint32_t kLoadPreferRegistryOnTie = 2;  // equal versions: take the registry copy

// Where the installed engine is announced.
inline constexpr const char* kRegistryKey = "SOFTWARE\\Quarn\\Shared";
inline constexpr const char* kRegistryValue = "VexoAPI";
inline constexpr const char* kLibraryFileName = "VexoAPI.dll";
inline constexpr const char* kLibraryFileSuffix = "\\VexoAPI.dll";
// A registry text must be shorter than this to be used.
inline constexpr std::size_t kRegistryTextLimit = 243;
// Size of the buffer the registry value is read into.
inline constexpr std::size_t kRegistryBufferSize = 255;

// The registry copy's file name for a registry text, or nothing when the text
// is too long (kRegistryTextLimit characters or more).
std::optional<std::string> RegistryFileFor(const std::string& registryText);

// True when the registry copy is the one to load: no given path, or the given
// version is lower, or the versions are equal and kLoadPreferRegistryOnTie is set.
bool ChooseRegistryCopy(bool pathGiven, EngineVersion given, EngineVersion registry,
                        uint32_t flags);

// The directory part of a file path: up to (not including) its last
// backslash, or the whole path when it holds none.
std::string DirectoryOf(const std::string& path);

// True when `dir` is one of the ';'-separated entries of `path`, compared
// without regard to letter case and with a single trailing backslash on
// either side ignored.
bool PathHasEntry(const std::string& path, const std::string& dir);

// The PATH text after announcing `dir`: dir + ";" + path, or nothing when
// dir is empty or already an entry.
std::optional<std::string> PathWithDirectory(const std::string& path, const std::string& dir);

// ---------------------------------------------------------------------------
// Win32 steps.

// Product version of a file's version resource; 0.0.0.0 when the path is
// null or empty, or the file has no readable version resource.
EngineVersion FileEngineVersion(const char* path);

// The registry text (HKLM\SOFTWARE\Quarn\Shared, "VexoAPI"), or nothing when
// the key or value is missing or cannot be read into the 255-byte buffer.
std::optional<std::string> ReadRegistryText();

// Prepends `dir` to the process's PATH unless it is empty or already an
// entry. True when PATH was changed.
bool AnnounceDirectory(const std::string& dir);

// ---------------------------------------------------------------------------
// Loading.

// Unloads any engine, picks the given file or the registry copy (see flags),
// announces its directory on PATH, loads it, and tells it which engine
// version the server expects (6.3.1.24). True when a library is loaded.
bool Load(const char* pathOrNull, uint32_t flags);
// FreeLibrary's result, or false when nothing was loaded; the handle is null
// afterwards in any case.
bool Unload();
// The loaded engine, or null.
HMODULE Handle();

// The version the server announces to a loaded engine.
inline constexpr EngineVersion kExpectedVersion{6, 3, 1, 24};

// ---------------------------------------------------------------------------
// One wrapper per engine export. Fallback when absent in brackets.

// Gives back memory the engine returned. [nothing]
void VexoFreeMem(void* memory);

// Writes the last drive error (VEXO_DRIVE_ERROR) into *out. [nothing]
void VexoGetLastDriveError(int32_t* out, void* reserved = nullptr);
// Engine texts. [null]
const char* VexoGetLastError();
const char* VexoGetErrorLog();
const char* VexoGetLastErrors(int32_t count, uint32_t flags, void* reserved = nullptr);
// [nothing]
void VexoClearErrors();

// Version as a four-digit decimal number, e.g. 6319. [0]
uint32_t VexoGetAPIVersion();
// Export result. Without the export: falls back to VexoGetAPIVersion; 0 gives
// 0 (false), otherwise the four outputs receive the thousands, hundreds, tens
// and units digits and the result is 1 (true). Null outputs are skipped.
int32_t VexoGetAPIVersionEx(uint16_t* major, uint16_t* minor, uint16_t* third, uint16_t* fourth,
                            void* reserved = nullptr);

// Initialises the engine with an EngineInitRecord. [1]
int32_t VexoInit(void* initRecord, const char* text);
// [1]
int32_t VexoDone();
// Engine-wide option (0 language file, 1 write buffer size, 5 DVD overburn). [-1]
int32_t VexoSetOption(int32_t option, const void* value);

// Engine drive list: 32-bit count then EngineDriveEntry records. [null]
void* VexoGetAvailableDrivesEx(uint32_t mediaTypes, void* reserved = nullptr);
// Refreshes a drive entry (VEXO_DRIVE_ERROR). [1]
int32_t VexoUpdateDeviceInfo(void* device, uint32_t mediaType, void* reserved = nullptr);
// Speed record: count, base speed, count speeds. [null]
void* VexoGetAvailableSpeeds(void* device, int32_t accessType, uint32_t mediaType,
                             void* reserved = nullptr);
// Opens the device of an EngineDriveEntry. [null]
void* VexoOpenDevice(void* driveEntry);
// [nothing]
void VexoCloseDevice(void* device);
// [-1]
int32_t VexoSetDeviceOption(void* device, int32_t option, const void* value);
// Pointer to the option's 32-bit value. [null]
void* VexoGetDeviceOption(void* device, int32_t option, void* reserved = nullptr);
// Disc-information record (VEXO_CDINFO_FLAGS). [null]
void* VexoGetCDInfo(void* device, uint32_t flags);
// VMS record. [null]
void* VexoGetVMSInfo(void* device, void* reserved = nullptr);
// Disc-information record of an image file. [null]
void* VexoGetDiscImageInfo(const char* imageFile, void* reserved = nullptr);

// Burns a compilation record of a compilation type. [1]
int32_t VexoBurn(void* device, int32_t compilationType, void* compilation, uint32_t burnFlags,
                 int32_t speed, void* progressRecord);
// Track size in blocks. [-1]
int32_t VexoEstimateTrackSize(void* isoTrack, uint32_t flags, void* options);
// Digital audio extraction into a target record, progress through a
// callback-pair record. [1]
int32_t VexoDAE(void* device, int32_t startBlock, int32_t lengthInBlocks, void* target,
                int32_t speed, void* callbackPair);
// 0 when ready. [1]
int32_t VexoIsDeviceReady(void* device);

// ISO items and tracks. [null] / [nothing]
void* VexoCreateIsoItemOfSize(uint32_t size);
void VexoFreeIsoItem(void* item);
void VexoFreeIsoItemTree(void* item);
void* VexoCreateIsoTrackEx(void* rootItem, const void* nameOrArguments, uint32_t flags);
void VexoFreeIsoTrack(void* track);
void VexoFreeCDStamp(void* stamp);

// Eject (1) or load (0). [-1]
int32_t VexoEjectLoadCD(void* device, int32_t eject);
// Without the export: VexoWaitForMedia with the first four arguments (the
// wait flags are dropped).
int32_t VexoWaitForDisc(void* device, uint32_t mediaType, uint32_t burnFlags, void* stamp,
                        uint32_t waitFlags, void* reserved = nullptr);
// [0]
int32_t VexoWaitForMedia(void* device, uint32_t mediaType, uint32_t burnFlags, void* stamp);
// [1]
int32_t VexoInitImageRecorder(void* device, const char* imagePath, void* reserved1,
                              uint32_t mediaType, void* reserved2 = nullptr);
// Quick (1) or full (0). [-1]
int32_t VexoGetCDRWErasingTime(void* device, int32_t quick);
// [-1]
int32_t VexoEraseDisc(void* device, int32_t quick, int32_t eraseMode, void* reserved = nullptr);

// Status type (VDT_*), the drive's EngineDriveEntry, callback, user data. [-1]
int32_t VexoRegisterDriveStatusCallback(int32_t statusType, void* driveEntry,
                                        DriveStatusCallback callback, void* userData);
int32_t VexoUnregisterDriveStatusCallback(int32_t statusType, void* driveEntry,
                                          DriveStatusCallback callback, void* userData);
// [-1]
int32_t VexoRegisterDriveChangeCallback(DriveChangeCallback callback, void* userData);
int32_t VexoUnregisterDriveChangeCallback(DriveChangeCallback callback, void* userData);

// [0]
int32_t VexoSetExpectedAPIVersion(uint32_t version);
// Without the export: VexoSetExpectedAPIVersion(a*1000 + b*100 + c*10 + d)
// with each part first capped at 9; its result.
int32_t VexoSetExpectedAPIVersionEx(uint16_t a, uint16_t b, uint16_t c, uint16_t d,
                                    void* reserved = nullptr);

// [null]
const char* VexoGetTypeNameOfMedia(uint32_t mediaType, void* reserved = nullptr);
// [null]
void* VexoCreateFileSystemContainer(void* reserved = nullptr);
// Root item of the imported tree; fills *outStamp, the info record and
// *outResult (VEXO_IMPORT_DATA_TRACK_RESULT). [null]
void* VexoImportDataTrack(void* device, int32_t trackNumber, void** outStamp, void* info,
                          uint32_t flags, int32_t* outResult, void* reserved = nullptr);
// Localized text of a wait-for-disc code. [null]
const char* VexoGetLocalizedWaitCDTexts(int32_t code);
// A new EngineProgressRecord. [null]
void* VexoCreateProgress();

// Burn-at-once. [3]
int32_t VexoBurnAtOnce(void* device, void* record, uint32_t burnFlags, int32_t speed,
                       void* progressRecord, void* reserved = nullptr);
int32_t VexoBAOCreateHandle(void* device, void* record, uint32_t burnFlags, int32_t speed,
                            void* progressRecord, void** outHandle, void* reserved = nullptr);
int32_t VexoBAOOpenFile(void* handle, const char* name, uint32_t* outOffset,
                        void* reserved = nullptr);
int32_t VexoBAOWriteToFile(void* handle, const void* bytes, uint32_t byteCount,
                           uint32_t* outWritten, void* reserved = nullptr);
int32_t VexoBAOCloseFile(void* handle, void* reserved = nullptr);
int32_t VexoBAOCloseHandle(void* handle, uint32_t flags, void* reserved = nullptr);

// Engine block interfaces. [null]
void* VexoCreateBlockAccessFromImage(const char* imageFile, int32_t accessMode);
void* VexoCreateBlockWriterInterface(void* device, int32_t accessMode);
void* VexoCreateBlockReaderInterface(void* device, int32_t accessMode);
// AccessMode bits. [0]
uint32_t VexoGetSupportedAccessModesForDevice(void* device);

}  // namespace EngineBinding

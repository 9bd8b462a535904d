// EngineBinding: loading the engine and the by-name wrappers of its exports.
#include "EngineBinding.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "RegistryKey.h"

namespace EngineBinding {

namespace {

// The loaded engine. Written only by Load and Unload; read by the wrappers
// on any thread (Load/Unload never run while an engine call is running).
std::atomic<HMODULE> g_engine{nullptr};

// The export `name` of the loaded engine as a function of type Fn, or null.
template <class Fn>
Fn Export(const char* name) noexcept {
    HMODULE module = g_engine.load(std::memory_order_acquire);
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

std::string_view WithoutTrailingBackslash(std::string_view text) {
    if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

uint16_t CappedDigit(uint16_t part) { return part > 9 ? 9 : part; }

// Load's steps after the unload; may throw std::bad_alloc.
bool LoadChosen(const char* pathOrNull, uint32_t flags);

}  // namespace

// ---------------------------------------------------------------------------
// Pure logic.

std::optional<std::string> RegistryFileFor(const std::string& registryText) {
    if (registryText.size() >= kRegistryTextLimit) return std::nullopt;
    return registryText + kLibraryFileSuffix;
}

bool ChooseRegistryCopy(bool pathGiven, EngineVersion given, EngineVersion registry,
                        uint32_t flags) {
    if (!pathGiven) return true;
    if (given < registry) return true;
    return given == registry && (flags & kLoadPreferRegistryOnTie) != 0;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t last = path.rfind('\\');
    if (last == std::string::npos) return path;
    return path.substr(0, last);
}

bool PathHasEntry(const std::string& path, const std::string& dir) {
    const std::string_view wanted = WithoutTrailingBackslash(dir);
    std::string_view rest = path;
    while (true) {
        std::size_t end = rest.find(';');
        std::string_view entry = rest.substr(0, end);
        if (EqualNoCase(WithoutTrailingBackslash(entry), wanted)) return true;
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + 1);
    }
}

std::optional<std::string> PathWithDirectory(const std::string& path, const std::string& dir) {
    if (dir.empty() || PathHasEntry(path, dir)) return std::nullopt;
    return dir + ";" + path;
}

// ---------------------------------------------------------------------------
// Win32 steps.

EngineVersion FileEngineVersion(const char* path) {
    if (!path || !*path) return {};
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return {};
    std::vector<uint8_t> block(size);
    if (!::GetFileVersionInfoA(path, 0, size, block.data())) return {};
    void* info = nullptr;
    UINT infoSize = 0;
    if (!::VerQueryValueA(block.data(), "\\", &info, &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return {};
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(info);
    return VersionFromProductHalves(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
}

std::optional<std::string> ReadRegistryText() {
    char buffer[kRegistryBufferSize] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    LONG status;
    {
        win::unique_regkey key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
            key.release();
            return std::nullopt;
        }
        status = ::RegQueryValueExA(key.get(), kRegistryValue, nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer), &size);
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // The value need not carry its terminator; never read past the buffer.
    std::size_t length = strnlen(buffer, std::min<std::size_t>(size, sizeof(buffer)));
    return std::string(buffer, length);
}

bool AnnounceDirectory(const std::string& dir) {
    if (dir.empty()) return false;
    std::string path;
    DWORD needed = ::GetEnvironmentVariableA("PATH", nullptr, 0);
    if (needed > 0) {
        std::string buffer(needed, '\0');
        DWORD got = ::GetEnvironmentVariableA("PATH", buffer.data(), needed);
        if (got >= needed) return false;  // PATH changed under us; leave it
        buffer.resize(got);
        path = std::move(buffer);
    }
    std::optional<std::string> updated;
    try {
        updated = PathWithDirectory(path, dir);
    } catch (const std::bad_alloc&) {
        return false;  // no memory for the new text: PATH stays as it was
    }
    if (!updated) return false;
    return ::SetEnvironmentVariableA("PATH", updated->c_str()) != FALSE;
}

// ---------------------------------------------------------------------------
// Loading.

bool Load(const char* pathOrNull, uint32_t flags) {
    Unload();
    try {
        return LoadChosen(pathOrNull, flags);
    } catch (const std::bad_alloc&) {
        return Handle() != nullptr;
    }
}

namespace {

bool LoadChosen(const char* pathOrNull, uint32_t flags) {

    const bool pathGiven = pathOrNull != nullptr;
    const EngineVersion givenVersion = FileEngineVersion(pathOrNull);

    std::string registryText;
    std::string registryFile;
    EngineVersion registryVersion;
    if ((flags & kLoadSkipRegistry) == 0) {
        if (std::optional<std::string> text = ReadRegistryText()) {
            if (std::optional<std::string> file = RegistryFileFor(*text)) {
                registryText = *text;
                registryFile = *file;
                registryVersion = FileEngineVersion(registryFile.c_str());
            }
        }
    }

    const bool useRegistry = ChooseRegistryCopy(pathGiven, givenVersion, registryVersion, flags);
    const std::string chosen = useRegistry ? registryFile : std::string(pathOrNull);
    const std::string directory = useRegistry ? registryText : DirectoryOf(chosen);

    AnnounceDirectory(directory);

    if (!chosen.empty()) g_engine.store(::LoadLibraryA(chosen.c_str()), std::memory_order_release);

    if (Handle()) {
        VexoSetExpectedAPIVersionEx(kExpectedVersion.major, kExpectedVersion.minor,
                                    kExpectedVersion.third, kExpectedVersion.fourth);
    }
    return Handle() != nullptr;
}

}  // namespace

bool Unload() {
    HMODULE module = g_engine.exchange(nullptr, std::memory_order_acq_rel);
    if (!module) return false;
    return ::FreeLibrary(module) != FALSE;
}

HMODULE Handle() { return g_engine.load(std::memory_order_acquire); }

// ---------------------------------------------------------------------------
// Wrappers. Each forwards its arguments unchanged to the export of the same
// name, or returns the fallback.

#define VEXO_CALL(name, fallback, signature, ...)                     \
    do {                                                              \
        using Fn = signature;                                         \
        if (Fn fn = Export<Fn>(#name)) return fn(__VA_ARGS__);        \
        return fallback;                                              \
    } while (0)

#define VEXO_CALL_VOID(name, signature, ...)                          \
    do {                                                              \
        using Fn = signature;                                         \
        if (Fn fn = Export<Fn>(#name)) fn(__VA_ARGS__);               \
    } while (0)

void VexoFreeMem(void* memory) {
    VEXO_CALL_VOID(VexoFreeMem, void(WINAPI*)(void*), memory);
}

void VexoGetLastDriveError(int32_t* out, void* reserved) {
    VEXO_CALL_VOID(VexoGetLastDriveError, void(WINAPI*)(int32_t*, void*), out, reserved);
}

const char* VexoGetLastError() {
    VEXO_CALL(VexoGetLastError, nullptr, const char*(WINAPI*)());
}

const char* VexoGetErrorLog() {
    VEXO_CALL(VexoGetErrorLog, nullptr, const char*(WINAPI*)());
}

const char* VexoGetLastErrors(int32_t count, uint32_t flags, void* reserved) {
    VEXO_CALL(VexoGetLastErrors, nullptr, const char*(WINAPI*)(int32_t, uint32_t, void*), count,
              flags, reserved);
}

void VexoClearErrors() {
    VEXO_CALL_VOID(VexoClearErrors, void(WINAPI*)());
}

uint32_t VexoGetAPIVersion() {
    VEXO_CALL(VexoGetAPIVersion, 0u, uint32_t(WINAPI*)());
}

int32_t VexoGetAPIVersionEx(uint16_t* major, uint16_t* minor, uint16_t* third, uint16_t* fourth,
                            void* reserved) {
    using Fn = int32_t(WINAPI*)(uint16_t*, uint16_t*, uint16_t*, uint16_t*, void*);
    if (Fn fn = Export<Fn>("VexoGetAPIVersionEx")) return fn(major, minor, third, fourth, reserved);
    const uint32_t version = VexoGetAPIVersion();
    if (version == 0) return 0;
    const uint16_t digits[4] = {static_cast<uint16_t>(version / 1000 % 10),
                                static_cast<uint16_t>(version / 100 % 10),
                                static_cast<uint16_t>(version / 10 % 10),
                                static_cast<uint16_t>(version % 10)};
    uint16_t* outs[4] = {major, minor, third, fourth};
    for (int i = 0; i < 4; ++i)
        if (outs[i]) *outs[i] = digits[i];
    return 1;
}

int32_t VexoInit(void* initRecord, const char* text) {
    VEXO_CALL(VexoInit, 1, int32_t(WINAPI*)(void*, const char*), initRecord, text);
}

int32_t VexoDone() {
    VEXO_CALL(VexoDone, 1, int32_t(WINAPI*)());
}

int32_t VexoSetOption(int32_t option, const void* value) {
    VEXO_CALL(VexoSetOption, -1, int32_t(WINAPI*)(int32_t, const void*), option, value);
}

void* VexoGetAvailableDrivesEx(uint32_t mediaTypes, void* reserved) {
    VEXO_CALL(VexoGetAvailableDrivesEx, nullptr, void*(WINAPI*)(uint32_t, void*), mediaTypes,
              reserved);
}

int32_t VexoUpdateDeviceInfo(void* device, uint32_t mediaType, void* reserved) {
    VEXO_CALL(VexoUpdateDeviceInfo, 1, int32_t(WINAPI*)(void*, uint32_t, void*), device, mediaType,
              reserved);
}

void* VexoGetAvailableSpeeds(void* device, int32_t accessType, uint32_t mediaType,
                             void* reserved) {
    VEXO_CALL(VexoGetAvailableSpeeds, nullptr, void*(WINAPI*)(void*, int32_t, uint32_t, void*),
              device, accessType, mediaType, reserved);
}

void* VexoOpenDevice(void* driveEntry) {
    VEXO_CALL(VexoOpenDevice, nullptr, void*(WINAPI*)(void*), driveEntry);
}

void VexoCloseDevice(void* device) {
    VEXO_CALL_VOID(VexoCloseDevice, void(WINAPI*)(void*), device);
}

int32_t VexoSetDeviceOption(void* device, int32_t option, const void* value) {
    VEXO_CALL(VexoSetDeviceOption, -1, int32_t(WINAPI*)(void*, int32_t, const void*), device,
              option, value);
}

void* VexoGetDeviceOption(void* device, int32_t option, void* reserved) {
    VEXO_CALL(VexoGetDeviceOption, nullptr, void*(WINAPI*)(void*, int32_t, void*), device, option,
              reserved);
}

void* VexoGetCDInfo(void* device, uint32_t flags) {
    VEXO_CALL(VexoGetCDInfo, nullptr, void*(WINAPI*)(void*, uint32_t), device, flags);
}

void* VexoGetVMSInfo(void* device, void* reserved) {
    VEXO_CALL(VexoGetVMSInfo, nullptr, void*(WINAPI*)(void*, void*), device, reserved);
}

void* VexoGetDiscImageInfo(const char* imageFile, void* reserved) {
    VEXO_CALL(VexoGetDiscImageInfo, nullptr, void*(WINAPI*)(const char*, void*), imageFile,
              reserved);
}

int32_t VexoBurn(void* device, int32_t compilationType, void* compilation, uint32_t burnFlags,
                 int32_t speed, void* progressRecord) {
    VEXO_CALL(VexoBurn, 1, int32_t(WINAPI*)(void*, int32_t, void*, uint32_t, int32_t, void*),
              device, compilationType, compilation, burnFlags, speed, progressRecord);
}

int32_t VexoEstimateTrackSize(void* isoTrack, uint32_t flags, void* options) {
    VEXO_CALL(VexoEstimateTrackSize, -1, int32_t(WINAPI*)(void*, uint32_t, void*), isoTrack, flags,
              options);
}

int32_t VexoDAE(void* device, int32_t startBlock, int32_t lengthInBlocks, void* target,
                int32_t speed, void* callbackPair) {
    VEXO_CALL(VexoDAE, 1, int32_t(WINAPI*)(void*, int32_t, int32_t, void*, int32_t, void*), device,
              startBlock, lengthInBlocks, target, speed, callbackPair);
}

int32_t VexoIsDeviceReady(void* device) {
    VEXO_CALL(VexoIsDeviceReady, 1, int32_t(WINAPI*)(void*), device);
}

void* VexoCreateIsoItemOfSize(uint32_t size) {
    VEXO_CALL(VexoCreateIsoItemOfSize, nullptr, void*(WINAPI*)(uint32_t), size);
}

void VexoFreeIsoItem(void* item) {
    VEXO_CALL_VOID(VexoFreeIsoItem, void(WINAPI*)(void*), item);
}

void VexoFreeIsoItemTree(void* item) {
    VEXO_CALL_VOID(VexoFreeIsoItemTree, void(WINAPI*)(void*), item);
}

void* VexoCreateIsoTrackEx(void* rootItem, const void* nameOrArguments, uint32_t flags) {
    VEXO_CALL(VexoCreateIsoTrackEx, nullptr, void*(WINAPI*)(void*, const void*, uint32_t), rootItem,
              nameOrArguments, flags);
}

void VexoFreeIsoTrack(void* track) {
    VEXO_CALL_VOID(VexoFreeIsoTrack, void(WINAPI*)(void*), track);
}

void VexoFreeCDStamp(void* stamp) {
    VEXO_CALL_VOID(VexoFreeCDStamp, void(WINAPI*)(void*), stamp);
}

int32_t VexoEjectLoadCD(void* device, int32_t eject) {
    VEXO_CALL(VexoEjectLoadCD, -1, int32_t(WINAPI*)(void*, int32_t), device, eject);
}

int32_t VexoWaitForDisc(void* device, uint32_t mediaType, uint32_t burnFlags, void* stamp,
                        uint32_t waitFlags, void* reserved) {
    using Fn = int32_t(WINAPI*)(void*, uint32_t, uint32_t, void*, uint32_t, void*);
    if (Fn fn = Export<Fn>("VexoWaitForDisc"))
        return fn(device, mediaType, burnFlags, stamp, waitFlags, reserved);
    return VexoWaitForMedia(device, mediaType, burnFlags, stamp);
}

int32_t VexoWaitForMedia(void* device, uint32_t mediaType, uint32_t burnFlags, void* stamp) {
    VEXO_CALL(VexoWaitForMedia, 0, int32_t(WINAPI*)(void*, uint32_t, uint32_t, void*), device,
              mediaType, burnFlags, stamp);
}

int32_t VexoInitImageRecorder(void* device, const char* imagePath, void* reserved1,
                              uint32_t mediaType, void* reserved2) {
    VEXO_CALL(VexoInitImageRecorder, 1,
              int32_t(WINAPI*)(void*, const char*, void*, uint32_t, void*), device, imagePath,
              reserved1, mediaType, reserved2);
}

int32_t VexoGetCDRWErasingTime(void* device, int32_t quick) {
    VEXO_CALL(VexoGetCDRWErasingTime, -1, int32_t(WINAPI*)(void*, int32_t), device, quick);
}

int32_t VexoEraseDisc(void* device, int32_t quick, int32_t eraseMode, void* reserved) {
    VEXO_CALL(VexoEraseDisc, -1, int32_t(WINAPI*)(void*, int32_t, int32_t, void*), device, quick,
              eraseMode, reserved);
}

int32_t VexoRegisterDriveStatusCallback(int32_t statusType, void* driveEntry,
                                        DriveStatusCallback callback, void* userData) {
    VEXO_CALL(VexoRegisterDriveStatusCallback, -1,
              int32_t(WINAPI*)(int32_t, void*, DriveStatusCallback, void*), statusType, driveEntry,
              callback, userData);
}

int32_t VexoUnregisterDriveStatusCallback(int32_t statusType, void* driveEntry,
                                          DriveStatusCallback callback, void* userData) {
    VEXO_CALL(VexoUnregisterDriveStatusCallback, -1,
              int32_t(WINAPI*)(int32_t, void*, DriveStatusCallback, void*), statusType, driveEntry,
              callback, userData);
}

int32_t VexoRegisterDriveChangeCallback(DriveChangeCallback callback, void* userData) {
    VEXO_CALL(VexoRegisterDriveChangeCallback, -1, int32_t(WINAPI*)(DriveChangeCallback, void*),
              callback, userData);
}

int32_t VexoUnregisterDriveChangeCallback(DriveChangeCallback callback, void* userData) {
    VEXO_CALL(VexoUnregisterDriveChangeCallback, -1, int32_t(WINAPI*)(DriveChangeCallback, void*),
              callback, userData);
}

int32_t VexoSetExpectedAPIVersion(uint32_t version) {
    VEXO_CALL(VexoSetExpectedAPIVersion, 0, int32_t(WINAPI*)(uint32_t), version);
}

int32_t VexoSetExpectedAPIVersionEx(uint16_t a, uint16_t b, uint16_t c, uint16_t d,
                                    void* reserved) {
    using Fn = int32_t(WINAPI*)(uint16_t, uint16_t, uint16_t, uint16_t, void*);
    if (Fn fn = Export<Fn>("VexoSetExpectedAPIVersionEx")) return fn(a, b, c, d, reserved);
    return VexoSetExpectedAPIVersion(CappedDigit(a) * 1000u + CappedDigit(b) * 100u +
                                     CappedDigit(c) * 10u + CappedDigit(d));
}

const char* VexoGetTypeNameOfMedia(uint32_t mediaType, void* reserved) {
    VEXO_CALL(VexoGetTypeNameOfMedia, nullptr, const char*(WINAPI*)(uint32_t, void*), mediaType,
              reserved);
}

void* VexoCreateFileSystemContainer(void* reserved) {
    VEXO_CALL(VexoCreateFileSystemContainer, nullptr, void*(WINAPI*)(void*), reserved);
}

void* VexoImportDataTrack(void* device, int32_t trackNumber, void** outStamp, void* info,
                          uint32_t flags, int32_t* outResult, void* reserved) {
    VEXO_CALL(VexoImportDataTrack, nullptr,
              void*(WINAPI*)(void*, int32_t, void**, void*, uint32_t, int32_t*, void*), device,
              trackNumber, outStamp, info, flags, outResult, reserved);
}

const char* VexoGetLocalizedWaitCDTexts(int32_t code) {
    VEXO_CALL(VexoGetLocalizedWaitCDTexts, nullptr, const char*(WINAPI*)(int32_t), code);
}

void* VexoCreateProgress() {
    VEXO_CALL(VexoCreateProgress, nullptr, void*(WINAPI*)());
}

int32_t VexoBurnAtOnce(void* device, void* record, uint32_t burnFlags, int32_t speed,
                       void* progressRecord, void* reserved) {
    VEXO_CALL(VexoBurnAtOnce, 3, int32_t(WINAPI*)(void*, void*, uint32_t, int32_t, void*, void*),
              device, record, burnFlags, speed, progressRecord, reserved);
}

int32_t VexoBAOCreateHandle(void* device, void* record, uint32_t burnFlags, int32_t speed,
                            void* progressRecord, void** outHandle, void* reserved) {
    VEXO_CALL(VexoBAOCreateHandle, 3,
              int32_t(WINAPI*)(void*, void*, uint32_t, int32_t, void*, void**, void*), device,
              record, burnFlags, speed, progressRecord, outHandle, reserved);
}

int32_t VexoBAOOpenFile(void* handle, const char* name, uint32_t* outOffset, void* reserved) {
    VEXO_CALL(VexoBAOOpenFile, 3, int32_t(WINAPI*)(void*, const char*, uint32_t*, void*), handle,
              name, outOffset, reserved);
}

int32_t VexoBAOWriteToFile(void* handle, const void* bytes, uint32_t byteCount,
                           uint32_t* outWritten, void* reserved) {
    VEXO_CALL(VexoBAOWriteToFile, 3,
              int32_t(WINAPI*)(void*, const void*, uint32_t, uint32_t*, void*), handle, bytes,
              byteCount, outWritten, reserved);
}

int32_t VexoBAOCloseFile(void* handle, void* reserved) {
    VEXO_CALL(VexoBAOCloseFile, 3, int32_t(WINAPI*)(void*, void*), handle, reserved);
}

int32_t VexoBAOCloseHandle(void* handle, uint32_t flags, void* reserved) {
    VEXO_CALL(VexoBAOCloseHandle, 3, int32_t(WINAPI*)(void*, uint32_t, void*), handle, flags,
              reserved);
}

void* VexoCreateBlockAccessFromImage(const char* imageFile, int32_t accessMode) {
    VEXO_CALL(VexoCreateBlockAccessFromImage, nullptr, void*(WINAPI*)(const char*, int32_t),
              imageFile, accessMode);
}

void* VexoCreateBlockWriterInterface(void* device, int32_t accessMode) {
    VEXO_CALL(VexoCreateBlockWriterInterface, nullptr, void*(WINAPI*)(void*, int32_t), device,
              accessMode);
}

void* VexoCreateBlockReaderInterface(void* device, int32_t accessMode) {
    VEXO_CALL(VexoCreateBlockReaderInterface, nullptr, void*(WINAPI*)(void*, int32_t), device,
              accessMode);
}

uint32_t VexoGetSupportedAccessModesForDevice(void* device) {
    VEXO_CALL(VexoGetSupportedAccessModesForDevice, 0u, uint32_t(WINAPI*)(void*), device);
}

#undef VEXO_CALL
#undef VEXO_CALL_VOID

}  // namespace EngineBinding

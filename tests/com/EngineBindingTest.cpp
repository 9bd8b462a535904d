// The engine binding in-process against the simulated engine's variants
// (bin/vexoapi-<variant>/VexoAPI.dll): which copy Load picks, what it does to
// PATH, the version calls, and the wrappers' fallbacks on engines that lack
// an export. The registry value HKLM\SOFTWARE\Quarn\Shared "VexoAPI" of the
// test prefix is set per test and restored afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "EngineBinding.h"
#include "EngineRecords.h"

using namespace EngineBinding;

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\'));
}

std::string VariantDir(const std::string& variant) {
    return ProgramFolder() + "\\vexoapi-" + variant;
}

std::string VariantFile(const std::string& variant) {
    return VariantDir(variant) + "\\VexoAPI.dll";
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

std::string PathVariable() {
    DWORD n = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (n == 0) return {};
    std::string s(n, '\0');
    n = GetEnvironmentVariableA("PATH", s.data(), n);
    s.resize(n);
    return s;
}

// The file the loaded engine came from.
std::string LoadedFile() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(Handle(), path, MAX_PATH);
    return std::string(path, n);
}

// Test-only exports of the simulated engine.
std::string SimText(const char* name) {
    using Fn = int32_t(WINAPI*)(const char*, char*, int32_t);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Handle(), "VexoSimGetText")));
    if (!fn) return "<no engine>";
    char buffer[512] = {};
    if (fn(name, buffer, sizeof buffer) < 0) return "<none>";
    return buffer;
}

int32_t SimCounter(const char* name) {
    using Fn = int32_t(WINAPI*)(const char*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Handle(), "VexoSimGetCounter")));
    return fn ? fn(name) : -12345;
}

int32_t SimConfigure(const char* text) {
    using Fn = int32_t(WINAPI*)(const char*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Handle(), "VexoSimConfigure")));
    return fn ? fn(text) : -12345;
}

// Sets the shared registry value for one test and puts back what was there.
class RegistryValue {
public:
    RegistryValue() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegistryKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            char buffer[1024] = {};
            DWORD size = sizeof buffer - 1;
            DWORD type = 0;
            if (RegQueryValueExA(key, kRegistryValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS)
                saved_ = std::string(buffer);
            RegCloseKey(key);
        }
        Remove();
    }
    ~RegistryValue() {
        if (saved_)
            Set(*saved_);
        else
            Remove();
    }
    void Set(const std::string& text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegistryKey, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, kRegistryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }
    void Remove() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegistryKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, kRegistryValue);
            RegCloseKey(key);
        }
    }

private:
    std::optional<std::string> saved_;
};

// A private folder under the temporary folder, removed with its files.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + name;
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
        for (auto it = dirs_.rbegin(); it != dirs_.rend(); ++it) RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& path() const { return path_; }
    // A sub-folder (created component by component), remembered for removal.
    std::string Folder(const std::string& relative) {
        std::string current = path_;
        std::size_t start = 0;
        while (start <= relative.size()) {
            std::size_t end = relative.find('\\', start);
            if (end == std::string::npos) end = relative.size();
            current.push_back('\\');
            current.append(relative, start, end - start);
            if (CreateDirectoryA(current.c_str(), nullptr)) dirs_.push_back(current);
            start = end + 1;
        }
        return current;
    }
    // Copies a variant's engine into `dir`.
    bool CopyEngine(const std::string& variant, const std::string& dir) {
        std::string target = dir + "\\VexoAPI.dll";
        if (!CopyFileA(VariantFile(variant).c_str(), target.c_str(), FALSE)) return false;
        files_.push_back(target);
        return true;
    }

private:
    std::string path_;
    std::vector<std::string> dirs_;
    std::vector<std::string> files_;
};

int32_t WINAPI TestIdle(void*) { return 0; }
int32_t WINAPI TestDialog(void*, int32_t, void*) { return -1; }

// Initialises the loaded engine the way the engine object does.
int32_t InitEngine(const char* languageFile = "vexo.txt") {
    namespace R = EngineRecords;
    static std::vector<uint8_t> record;
    record.assign(R::InitRecord::Size, 0);
    static const char product[] = "VexoCOM test";
    R::WritePointer(record, R::InitRecord::ProductName, product);
    R::WritePointer(record, R::InitRecord::Maker, R::InitRecord::kMakerText);
    R::WritePointer(record, R::InitRecord::LanguageFile, languageFile);
    R::WriteCallback(record, R::InitRecord::IdleCallback, &TestIdle);
    R::WriteCallback(record, R::InitRecord::UserDialogCallback, &TestDialog);
    R::WriteI32(record, R::InitRecord::EnableOverburn, -1);
    R::WriteI32(record, R::InitRecord::OverburnSize, 1234);
    return VexoInit(record.data(), "");
}

bool SameFile(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

// Initialises the loaded engine and opens its first device from a copy of
// its entry, as a drive object does; null when any step fails.
void* OpenFirstDevice(std::vector<uint8_t>& entry) {
    namespace R = EngineRecords;
    if (InitEngine() != 0) return nullptr;
    const auto* list = static_cast<const uint8_t*>(VexoGetAvailableDrivesEx(0xFFFFFFFFu));
    if (!list) return nullptr;
    const uint32_t count = R::ReadU32({list, 4}, R::DriveList::Count);
    if (count > 0) {
        const uint8_t* first = list + R::DriveList::EntryOffset(0);
        entry.assign(first, first + R::DriveEntry::Size);
    }
    VexoFreeMem(const_cast<uint8_t*>(list));
    return count > 0 ? VexoOpenDevice(entry.data()) : nullptr;
}

class EngineLoad : public ::testing::Test {
protected:
    void SetUp() override {
        Unload();
        savedPath_ = PathVariable();
        for (const char* variant : {"v1", "v2", "noex", "nowait", "novers"})
            ASSERT_NE(GetFileAttributesA(VariantFile(variant).c_str()), INVALID_FILE_ATTRIBUTES)
                << "simulated engine missing: " << VariantFile(variant);
    }
    void TearDown() override {
        Unload();
        SetEnvironmentVariableA("PATH", savedPath_.c_str());
    }

    RegistryValue registry_;
    std::string savedPath_;
};

}  // namespace

// --- which copy -------------------------------------------------------------

TEST_F(EngineLoad, VariantsCarryTheirProductVersions) {
    EXPECT_EQ(FileEngineVersion(VariantFile("v2").c_str()), (EngineVersion{6, 3, 1, 24}));
    EXPECT_EQ(FileEngineVersion(VariantFile("v1").c_str()), (EngineVersion{6, 3, 1, 9}));
    EXPECT_EQ(FileEngineVersion(VariantFile("novers").c_str()), EngineVersion{});
}

TEST_F(EngineLoad, GivenFileWithSkipRegistryIgnoresANewerRegistryEngine) {
    registry_.Set(VariantDir("v2"));
    ASSERT_TRUE(Load(VariantFile("v1").c_str(), kLoadSkipRegistry));
    EXPECT_EQ(SimText("variant"), "v1");
    EXPECT_TRUE(SameFile(LoadedFile(), VariantFile("v1")));
}

TEST_F(EngineLoad, NewerRegistryEngineWinsOverTheGivenFile) {
    registry_.Set(VariantDir("v2"));
    ASSERT_TRUE(Load(VariantFile("v1").c_str(), 0));
    EXPECT_EQ(SimText("variant"), "v2");
    ASSERT_TRUE(Load(VariantFile("v1").c_str(), kLoadPreferRegistryOnTie));
    EXPECT_EQ(SimText("variant"), "v2");
}

TEST_F(EngineLoad, OlderRegistryEngineLosesToTheGivenFile) {
    registry_.Set(VariantDir("v1"));
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadPreferRegistryOnTie));
    EXPECT_EQ(SimText("variant"), "v2");
}

TEST_F(EngineLoad, GivenFileWithoutVersionLosesToAnyRegistryEngine) {
    registry_.Set(VariantDir("v1"));
    ASSERT_TRUE(Load(VariantFile("novers").c_str(), 0));
    EXPECT_EQ(SimText("variant"), "v1");
}

TEST_F(EngineLoad, EqualVersionsTakeTheRegistryCopyOnlyWithFlag2) {
    ScratchFolder scratch("vbind-equal");
    const std::string copyDir = scratch.Folder("installed");
    ASSERT_TRUE(scratch.CopyEngine("v2", copyDir));
    registry_.Set(copyDir);

    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadPreferRegistryOnTie));
    EXPECT_TRUE(SameFile(LoadedFile(), copyDir + "\\VexoAPI.dll")) << LoadedFile();

    ASSERT_TRUE(Load(VariantFile("v2").c_str(), 0));
    EXPECT_TRUE(SameFile(LoadedFile(), VariantFile("v2"))) << LoadedFile();
    Unload();
}

TEST_F(EngineLoad, NoPathTakesTheRegistryCopy) {
    registry_.Set(VariantDir("v1"));
    ASSERT_TRUE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(SimText("variant"), "v1");
}

TEST_F(EngineLoad, NoPathAndNoRegistryValueLoadsNothing) {
    EXPECT_FALSE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(Handle(), nullptr);
    EXPECT_EQ(PathVariable(), savedPath_);
    // A registry entry that names a folder without an engine loads nothing either.
    registry_.Set("Z:\\no\\such\\engine\\folder");
    EXPECT_FALSE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(Handle(), nullptr);
}

TEST_F(EngineLoad, RegistryTextsOf243CharactersOrMoreAreIgnored) {
    ScratchFolder scratch("vbind-long");
    // Two folders whose full paths are 242 and 243 characters long, each
    // holding an engine; the file names stay under the 260-character limit.
    const std::size_t base = scratch.path().size() + 1;
    ASSERT_LT(base + 20, 242u);
    auto folderOfLength = [&](std::size_t length, char fill) {
        std::string relative;
        std::size_t remaining = length - base;
        while (remaining > 101) {
            relative += std::string(100, fill) + "\\";
            remaining -= 101;
        }
        relative += std::string(remaining, fill);
        return scratch.Folder(relative);
    };
    const std::string dir242 = folderOfLength(242, 'a');
    const std::string dir243 = folderOfLength(243, 'b');
    ASSERT_EQ(dir242.size(), 242u);
    ASSERT_EQ(dir243.size(), 243u);
    ASSERT_TRUE(scratch.CopyEngine("v1", dir242));
    ASSERT_TRUE(scratch.CopyEngine("v1", dir243));

    registry_.Set(dir242);
    ASSERT_TRUE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_TRUE(SameFile(LoadedFile(), dir242 + "\\VexoAPI.dll")) << LoadedFile();
    Unload();

    registry_.Set(dir243);
    EXPECT_FALSE(Load(nullptr, kLoadPreferRegistryOnTie));
    // With a given file the too-long registry copy simply does not compete.
    ASSERT_TRUE(Load(VariantFile("v1").c_str(), kLoadPreferRegistryOnTie));
    EXPECT_EQ(SimText("variant"), "v1");
    Unload();

    // Longer than the 255-byte read buffer: not readable, not used.
    registry_.Set(std::string(400, 'c'));
    EXPECT_FALSE(Load(nullptr, kLoadPreferRegistryOnTie));
}

TEST_F(EngineLoad, LoadUnloadsThePreviousEngine) {
    ASSERT_TRUE(Load(VariantFile("v1").c_str(), kLoadSkipRegistry));
    HMODULE first = Handle();
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    EXPECT_NE(Handle(), first);
    EXPECT_EQ(GetModuleHandleA(VariantFile("v1").c_str()), nullptr);
    EXPECT_TRUE(Unload());
    EXPECT_EQ(Handle(), nullptr);
    EXPECT_FALSE(Unload());
    EXPECT_EQ(GetModuleHandleA(VariantFile("v2").c_str()), nullptr);
}

// --- PATH -------------------------------------------------------------------

TEST_F(EngineLoad, GivenFileDirectoryIsPrependedToPath) {
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    EXPECT_EQ(PathVariable(), VariantDir("v2") + ";" + savedPath_);
    // Loading again from the same folder leaves PATH as it is now.
    const std::string once = PathVariable();
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    EXPECT_EQ(PathVariable(), once);
}

TEST_F(EngineLoad, RegistryTextIsAnnouncedAsItStands) {
    registry_.Set(VariantDir("v1"));
    ASSERT_TRUE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(PathVariable(), VariantDir("v1") + ";" + savedPath_);
}

TEST_F(EngineLoad, PathHoldingTheDirectoryInAnotherCaseIsNotChanged) {
    registry_.Set(VariantDir("v1"));
    const std::string path = "C:\\windows;" + Upper(VariantDir("v1")) + ";" + savedPath_;
    SetEnvironmentVariableA("PATH", path.c_str());
    ASSERT_TRUE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(SimText("variant"), "v1");
    EXPECT_EQ(PathVariable(), path);
}

TEST_F(EngineLoad, PathHoldingTheDirectoryWithATrailingBackslashIsNotChanged) {
    registry_.Set(VariantDir("v1"));
    const std::string path = VariantDir("v1") + "\\;" + savedPath_;
    SetEnvironmentVariableA("PATH", path.c_str());
    ASSERT_TRUE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(PathVariable(), path);

    // And the registry text with the backslash against the entry without it.
    Unload();
    registry_.Set(VariantDir("v2") + "\\");
    const std::string path2 = Upper(VariantDir("v2")) + ";" + savedPath_;
    SetEnvironmentVariableA("PATH", path2.c_str());
    ASSERT_TRUE(Load(nullptr, kLoadPreferRegistryOnTie));
    EXPECT_EQ(SimText("variant"), "v2");
    EXPECT_EQ(PathVariable(), path2);
}

// --- versions ---------------------------------------------------------------

TEST_F(EngineLoad, LoadAnnouncesTheExpectedVersionThroughTheExtendedCall) {
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    EXPECT_EQ(SimCounter("expected.ex.calls"), 1);
    EXPECT_EQ(SimCounter("calls.VexoSetExpectedAPIVersion"), 0);
    EXPECT_EQ(SimText("expected.announced"), "6.3.1.24");
}

TEST_F(EngineLoad, WithoutTheExtendedCallTheExpectedVersionIs6319) {
    ASSERT_TRUE(Load(VariantFile("noex").c_str(), kLoadSkipRegistry));
    EXPECT_EQ(SimCounter("calls.VexoSetExpectedAPIVersion"), 1);
    EXPECT_EQ(SimCounter("expected.version"), 6319);
    // Parts above 9 are capped one by one.
    EXPECT_EQ(VexoSetExpectedAPIVersionEx(12, 3, 10, 4), 1);
    EXPECT_EQ(SimCounter("expected.version"), 9394);
    EXPECT_EQ(VexoSetExpectedAPIVersionEx(0, 0, 0, 0), 1);
    EXPECT_EQ(SimCounter("expected.version"), 0);
}

TEST_F(EngineLoad, VersionDigitsComeFromTheShortCallWithoutTheExtendedOne) {
    ASSERT_TRUE(Load(VariantFile("noex").c_str(), kLoadSkipRegistry));
    EXPECT_EQ(VexoGetAPIVersion(), 6319u);
    uint16_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(VexoGetAPIVersionEx(&a, &b, &c, &d), 1);
    EXPECT_EQ(a, 6);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(d, 9);
}

TEST_F(EngineLoad, ShortVersionZeroGivesNoDigits) {
    ASSERT_TRUE(Load(VariantFile("noex").c_str(), kLoadSkipRegistry));
    ASSERT_EQ(SimConfigure("[Engine]\nAPIVersion=0\n"), 0);
    ASSERT_EQ(VexoGetAPIVersion(), 0u);
    uint16_t a = 5, b = 5, c = 5, d = 5;
    EXPECT_EQ(VexoGetAPIVersionEx(&a, &b, &c, &d), 0);
    EXPECT_EQ(a + b + c + d, 20);
}

TEST_F(EngineLoad, ExtendedVersionCallIsUsedWhenPresent) {
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    uint16_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(VexoGetAPIVersionEx(&a, &b, &c, &d), 1);
    EXPECT_EQ(d, 24);  // not a single digit: the engine's own answer
    EXPECT_EQ(a, 6);
    EXPECT_EQ(SimCounter("calls.VexoGetAPIVersion"), 0);
}

// --- missing exports --------------------------------------------------------

TEST_F(EngineLoad, WaitForMediaServesAWaitWhenWaitForDiscIsMissing) {
    std::vector<uint8_t> entry;
    ASSERT_TRUE(Load(VariantFile("nowait").c_str(), kLoadSkipRegistry));
    void* device = OpenFirstDevice(entry);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(VexoWaitForDisc(device, 1, 4, nullptr, 1), 0);
    EXPECT_EQ(SimCounter("calls.VexoWaitForMedia"), 1);
    EXPECT_EQ(SimCounter("check.failures"), 0);
    VexoCloseDevice(device);
    VexoDone();

    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    device = OpenFirstDevice(entry);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(VexoWaitForDisc(device, 1, 4, nullptr, 1), 0);
    EXPECT_EQ(SimCounter("calls.VexoWaitForDisc"), 1);
    EXPECT_EQ(SimCounter("wait.flags"), 1);
    EXPECT_EQ(SimCounter("calls.VexoWaitForMedia"), 0);
    EXPECT_EQ(SimCounter("check.failures"), 0);
    VexoCloseDevice(device);
    VexoDone();
}

TEST_F(EngineLoad, ALibraryWithoutEngineExportsAnswersEveryFallback) {
    // Any loadable module: the wrappers find none of their exports in it.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string notAnEngine = std::string(system) + "\\version.dll";
    ASSERT_TRUE(Load(notAnEngine.c_str(), kLoadSkipRegistry));
    ASSERT_NE(Handle(), nullptr);
    EXPECT_EQ(VexoGetAPIVersion(), 0u);
    uint16_t a = 3, b = 3, c = 3, d = 3;
    EXPECT_EQ(VexoGetAPIVersionEx(&a, &b, &c, &d), 0);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(VexoSetExpectedAPIVersionEx(6, 3, 1, 24), 0);
    EXPECT_EQ(VexoInit(nullptr, ""), 1);
    EXPECT_EQ(VexoDone(), 1);
    EXPECT_EQ(VexoGetLastError(), nullptr);
    EXPECT_EQ(VexoGetAvailableDrivesEx(0xFFFF), nullptr);
    EXPECT_EQ(VexoSetOption(0, "x"), -1);
    EXPECT_EQ(VexoBurn(nullptr, 0, nullptr, 0, 0, nullptr), 1);
    EXPECT_EQ(VexoWaitForDisc(nullptr, 0, 0, nullptr, 1), 0);
    EXPECT_EQ(VexoBAOCloseHandle(nullptr, 2), 3);
    EXPECT_EQ(VexoGetSupportedAccessModesForDevice(nullptr), 0u);
    VexoFreeMem(reinterpret_cast<void*>(0x10));
    EXPECT_TRUE(Unload());
}

TEST_F(EngineLoad, EveryExportIsFoundOnTheFullEngine) {
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    for (const char* name :
         {"VexoFreeMem", "VexoGetLastDriveError", "VexoGetLastError", "VexoGetErrorLog",
          "VexoGetLastErrors", "VexoClearErrors", "VexoGetAPIVersion", "VexoGetAPIVersionEx",
          "VexoInit", "VexoDone", "VexoSetOption", "VexoGetAvailableDrivesEx",
          "VexoUpdateDeviceInfo", "VexoGetAvailableSpeeds", "VexoOpenDevice", "VexoCloseDevice",
          "VexoSetDeviceOption", "VexoGetDeviceOption", "VexoGetCDInfo", "VexoGetVMSInfo",
          "VexoGetDiscImageInfo", "VexoBurn", "VexoEstimateTrackSize", "VexoDAE",
          "VexoIsDeviceReady", "VexoCreateIsoItemOfSize", "VexoFreeIsoItem", "VexoFreeIsoItemTree",
          "VexoCreateIsoTrackEx", "VexoFreeIsoTrack", "VexoFreeCDStamp", "VexoEjectLoadCD",
          "VexoWaitForDisc", "VexoWaitForMedia", "VexoInitImageRecorder", "VexoGetCDRWErasingTime",
          "VexoEraseDisc", "VexoRegisterDriveStatusCallback", "VexoUnregisterDriveStatusCallback",
          "VexoRegisterDriveChangeCallback", "VexoUnregisterDriveChangeCallback",
          "VexoSetExpectedAPIVersion", "VexoSetExpectedAPIVersionEx", "VexoGetTypeNameOfMedia",
          "VexoCreateFileSystemContainer", "VexoImportDataTrack", "VexoGetLocalizedWaitCDTexts",
          "VexoCreateProgress", "VexoBurnAtOnce", "VexoBAOCreateHandle", "VexoBAOOpenFile",
          "VexoBAOWriteToFile", "VexoBAOCloseFile", "VexoBAOCloseHandle",
          "VexoCreateBlockAccessFromImage", "VexoCreateBlockWriterInterface",
          "VexoCreateBlockReaderInterface", "VexoGetSupportedAccessModesForDevice"}) {
        EXPECT_NE(GetProcAddress(Handle(), name), nullptr) << name;
    }
}

TEST_F(EngineLoad, WrappersReachTheEngineAndHandBackItsTexts) {
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    ASSERT_EQ(InitEngine(), 0);
    const char* name = VexoGetLocalizedWaitCDTexts(22);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "--- Accessing disc, please wait ---");
    VexoFreeMem(const_cast<char*>(name));
    EXPECT_EQ(SimCounter("free.bad"), 0);
    EXPECT_EQ(SimCounter("check.failures"), 0);
}

TEST_F(EngineLoad, InitRecordAndDriveListMatchTheEngine) {
    namespace R = EngineRecords;
    ASSERT_TRUE(Load(VariantFile("v2").c_str(), kLoadSkipRegistry));
    ASSERT_EQ(InitEngine("lang.txt"), 0);
    EXPECT_EQ(SimCounter("check.failures"), 0);

    const auto* list = static_cast<const uint8_t*>(VexoGetAvailableDrivesEx(0xFFFFFFFFu));
    ASSERT_NE(list, nullptr);
    const uint32_t count = R::ReadU32({list, 4}, R::DriveList::Count);
    ASSERT_EQ(count, 2u);  // the simulated engine's two default recorders
    R::ConstBytes bytes(list, R::DriveList::SizeFor(count));
    R::ConstBytes first = bytes.subspan(R::DriveList::EntryOffset(0), R::DriveEntry::Size);
    R::ConstBytes second = bytes.subspan(R::DriveList::EntryOffset(1), R::DriveEntry::Size);
    EXPECT_EQ(R::ReadText(first, R::DriveEntry::DeviceName, R::DriveEntry::DeviceNameSize),
              "Quarn SimWriter CD-RW 52x");
    EXPECT_EQ(R::DriveLetterText(first), "R");
    EXPECT_EQ(R::ReadU32(first, R::DriveEntry::HostAdapterNo), 1u);
    EXPECT_EQ(R::ReadU32(second, R::DriveEntry::DeviceId), 1u);
    EXPECT_EQ(R::ReadText(second, R::DriveEntry::DeviceName, R::DriveEntry::DeviceNameSize),
              "Quarn SimWriter DVD-RW 16x");
    EXPECT_EQ(R::DriveLetterText(second), "?");
    EXPECT_FALSE(R::ReadSpeedBlock(first, R::DriveEntry::WriteSpeeds).speeds.empty());
    VexoFreeMem(const_cast<uint8_t*>(list));

    void* progress = VexoCreateProgress();
    ASSERT_NE(progress, nullptr);
    VexoFreeMem(progress);
    EXPECT_EQ(SimCounter("free.bad"), 0);
    EXPECT_EQ(SimCounter("check.failures"), 0);
    EXPECT_EQ(VexoDone(), 0);
}

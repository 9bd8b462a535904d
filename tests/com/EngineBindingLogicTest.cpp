// How the binding picks an engine copy and announces its directory, and what
// every wrapper answers while no engine is loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "EngineBinding.h"

using namespace EngineBinding;

// --- versions ---------------------------------------------------------------

TEST(EngineVersionOrder, ComparesPartsInOrder) {
    EXPECT_LT((EngineVersion{6, 3, 1, 9}), (EngineVersion{6, 3, 1, 24}));
    EXPECT_LT((EngineVersion{6, 3, 9, 99}), (EngineVersion{6, 4, 0, 0}));
    EXPECT_LT((EngineVersion{0, 65535, 65535, 65535}), (EngineVersion{1, 0, 0, 0}));
    EXPECT_GT((EngineVersion{7, 0, 0, 0}), (EngineVersion{6, 9, 9, 9}));
    EXPECT_EQ((EngineVersion{6, 3, 1, 24}), (EngineVersion{6, 3, 1, 24}));
    EXPECT_NE((EngineVersion{6, 3, 1, 24}), (EngineVersion{6, 3, 24, 1}));
    EXPECT_EQ(EngineVersion{}, (EngineVersion{0, 0, 0, 0}));
}

TEST(EngineVersionOrder, PartsComeFromTheProductVersionWords) {
    EngineVersion v = VersionFromProductHalves(0x00060003u, 0x00010018u);
    EXPECT_EQ(v, (EngineVersion{6, 3, 1, 24}));
    v = VersionFromProductHalves(0xFFFF0001u, 0x8000FFFEu);
    EXPECT_EQ(v.major, 0xFFFF);
    EXPECT_EQ(v.minor, 1);
    EXPECT_EQ(v.third, 0x8000);
    EXPECT_EQ(v.fourth, 0xFFFE);
}

// --- choosing the copy ------------------------------------------------------

TEST(EngineCopyChoice, RegistryWhenNoPathOrANewerRegistryCopy) {
    const EngineVersion v6{6, 3, 1, 24};
    const EngineVersion v7{7, 0, 0, 0};
    EXPECT_TRUE(ChooseRegistryCopy(false, {}, {}, 0));
    EXPECT_TRUE(ChooseRegistryCopy(false, v7, v6, 0));
    EXPECT_TRUE(ChooseRegistryCopy(true, v6, v7, 0));
    EXPECT_FALSE(ChooseRegistryCopy(true, v7, v6, 0));
    EXPECT_FALSE(ChooseRegistryCopy(true, v7, v6, kLoadPreferRegistryOnTie));
}

TEST(EngineCopyChoice, EqualVersionsNeedTheTieFlag) {
    const EngineVersion v{6, 3, 1, 24};
    EXPECT_FALSE(ChooseRegistryCopy(true, v, v, 0));
    EXPECT_FALSE(ChooseRegistryCopy(true, v, v, kLoadSkipRegistry));
    EXPECT_TRUE(ChooseRegistryCopy(true, v, v, kLoadPreferRegistryOnTie));
    // A given file without a version resource ties with a missing registry copy.
    EXPECT_FALSE(ChooseRegistryCopy(true, {}, {}, 0));
    EXPECT_TRUE(ChooseRegistryCopy(true, {}, {}, kLoadPreferRegistryOnTie));
}

TEST(RegistryFile, AppendsTheLibraryNameToShortTexts) {
    EXPECT_EQ(RegistryFileFor("C:\\Engine").value(), "C:\\Engine\\VexoAPI.dll");
    EXPECT_EQ(RegistryFileFor("").value(), "\\VexoAPI.dll");
    const std::string longest(242, 'd');
    EXPECT_EQ(RegistryFileFor(longest).value(), longest + "\\VexoAPI.dll");
    EXPECT_FALSE(RegistryFileFor(std::string(243, 'd')).has_value());
    EXPECT_FALSE(RegistryFileFor(std::string(254, 'd')).has_value());
}

TEST(AnnouncedDirectory, IsThePathUpToItsLastBackslash) {
    EXPECT_EQ(DirectoryOf("C:\\Program Files\\Vexo\\VexoAPI.dll"), "C:\\Program Files\\Vexo");
    EXPECT_EQ(DirectoryOf("C:\\Vexo\\\\VexoAPI.dll"), "C:\\Vexo\\");
    EXPECT_EQ(DirectoryOf("\\VexoAPI.dll"), "");
    EXPECT_EQ(DirectoryOf("VexoAPI.dll"), "VexoAPI.dll");
    EXPECT_EQ(DirectoryOf("C:/Vexo/VexoAPI.dll"), "C:/Vexo/VexoAPI.dll");  // only backslashes part
    EXPECT_EQ(DirectoryOf(""), "");
}

// --- PATH entries -----------------------------------------------------------

TEST(PathEntries, MatchWithoutRegardToCase) {
    const std::string path = "C:\\windows\\system32;C:\\Program Files\\Vexo;C:\\windows";
    EXPECT_TRUE(PathHasEntry(path, "c:\\PROGRAM FILES\\vexo"));
    EXPECT_TRUE(PathHasEntry(path, "C:\\WINDOWS\\SYSTEM32"));
    EXPECT_TRUE(PathHasEntry(path, "c:\\windows"));
    EXPECT_FALSE(PathHasEntry(path, "C:\\Program Files"));
    EXPECT_FALSE(PathHasEntry(path, "C:\\Program Files\\Vexo2"));
    EXPECT_FALSE(PathHasEntry(path, "Program Files\\Vexo"));
}

TEST(PathEntries, IgnoreOneTrailingBackslashOnEitherSide) {
    EXPECT_TRUE(PathHasEntry("C:\\a;D:\\Engine\\;C:\\b", "d:\\engine"));
    EXPECT_TRUE(PathHasEntry("C:\\a;D:\\Engine;C:\\b", "D:\\Engine\\"));
    EXPECT_TRUE(PathHasEntry("D:\\Engine\\", "D:\\Engine\\"));
    // Only one backslash is dropped.
    EXPECT_FALSE(PathHasEntry("D:\\Engine\\\\", "D:\\Engine"));
    EXPECT_FALSE(PathHasEntry("D:\\Engine", "D:\\Engine\\\\"));
    // A drive root given with its backslash matches the bare drive entry.
    EXPECT_TRUE(PathHasEntry("C:;E:\\", "E:"));
}

TEST(PathEntries, WholeEntriesOnly) {
    EXPECT_FALSE(PathHasEntry("", "C:\\Vexo"));
    EXPECT_FALSE(PathHasEntry(";;", "C:\\Vexo"));
    EXPECT_FALSE(PathHasEntry("C:\\Vexo;x", "C:\\Vex"));
    EXPECT_FALSE(PathHasEntry("C:\\Vexo;D:\\Vexo", "C:\\Vexo;D"));
    EXPECT_TRUE(PathHasEntry("x;;C:\\Vexo", "C:\\Vexo"));
    EXPECT_TRUE(PathHasEntry("C:\\Vexo", "C:\\Vexo"));
    EXPECT_TRUE(PathHasEntry("C:\\Vexo;", "C:\\Vexo"));
}

TEST(PathUpdate, PrependsADirectoryNotYetOnThePath) {
    EXPECT_EQ(PathWithDirectory("C:\\windows;C:\\tools", "D:\\Engine").value(),
              "D:\\Engine;C:\\windows;C:\\tools");
    EXPECT_EQ(PathWithDirectory("", "D:\\Engine").value(), "D:\\Engine;");
    EXPECT_EQ(PathWithDirectory("C:\\windows", "D:\\Engine\\").value(), "D:\\Engine\\;C:\\windows");
}

TEST(PathUpdate, LeavesThePathAloneWhenPresentOrNoDirectory) {
    EXPECT_FALSE(PathWithDirectory("C:\\windows;d:\\ENGINE\\", "D:\\Engine").has_value());
    EXPECT_FALSE(PathWithDirectory("C:\\windows", "").has_value());
}

// --- no engine loaded -------------------------------------------------------

TEST(NoEngine, FileVersionOfMissingOrVersionlessFilesIsZero) {
    EXPECT_EQ(FileEngineVersion(nullptr), EngineVersion{});
    EXPECT_EQ(FileEngineVersion(""), EngineVersion{});
    EXPECT_EQ(FileEngineVersion("Z:\\no\\such\\dir\\VexoAPI.dll"), EngineVersion{});
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string text = std::string(temp) + "engine-binding-version.txt";
    HANDLE file = CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "not a module", 12, &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(FileEngineVersion(text.c_str()), EngineVersion{});
    DeleteFileA(text.c_str());
}

TEST(NoEngine, LoadOfAMissingFileLoadsNothing) {
    EXPECT_FALSE(Load("Z:\\no\\such\\dir\\VexoAPI.dll", kLoadSkipRegistry));
    EXPECT_EQ(Handle(), nullptr);
    EXPECT_FALSE(Unload());
    EXPECT_FALSE(Load("", kLoadSkipRegistry));
    EXPECT_FALSE(Load(nullptr, kLoadSkipRegistry));  // no path and no registry: nothing
    EXPECT_EQ(Handle(), nullptr);
}

TEST(NoEngine, EveryWrapperReturnsItsFallback) {
    ASSERT_EQ(Handle(), nullptr);
    int32_t driveError = 77;
    VexoGetLastDriveError(&driveError);
    EXPECT_EQ(driveError, 77);  // nothing was called
    VexoFreeMem(reinterpret_cast<void*>(0x10));  // must not dereference
    VexoClearErrors();
    VexoCloseDevice(reinterpret_cast<void*>(0x10));
    VexoFreeIsoItem(reinterpret_cast<void*>(0x10));
    VexoFreeIsoItemTree(reinterpret_cast<void*>(0x10));
    VexoFreeIsoTrack(reinterpret_cast<void*>(0x10));
    VexoFreeCDStamp(reinterpret_cast<void*>(0x10));

    EXPECT_EQ(VexoGetLastError(), nullptr);
    EXPECT_EQ(VexoGetErrorLog(), nullptr);
    EXPECT_EQ(VexoGetLastErrors(5, 1), nullptr);
    EXPECT_EQ(VexoGetAPIVersion(), 0u);
    EXPECT_EQ(VexoInit(nullptr, ""), 1);
    EXPECT_EQ(VexoDone(), 1);
    EXPECT_EQ(VexoSetOption(1, nullptr), -1);
    EXPECT_EQ(VexoGetAvailableDrivesEx(0xFFFF), nullptr);
    EXPECT_EQ(VexoUpdateDeviceInfo(nullptr, 0), 1);
    EXPECT_EQ(VexoGetAvailableSpeeds(nullptr, 0, 0), nullptr);
    EXPECT_EQ(VexoOpenDevice(nullptr), nullptr);
    EXPECT_EQ(VexoSetDeviceOption(nullptr, 0, nullptr), -1);
    EXPECT_EQ(VexoGetDeviceOption(nullptr, 0), nullptr);
    EXPECT_EQ(VexoGetCDInfo(nullptr, 0), nullptr);
    EXPECT_EQ(VexoGetVMSInfo(nullptr), nullptr);
    EXPECT_EQ(VexoGetDiscImageInfo("x.iso"), nullptr);
    EXPECT_EQ(VexoBurn(nullptr, 0, nullptr, 0, 0, nullptr), 1);
    EXPECT_EQ(VexoEstimateTrackSize(nullptr, 0, nullptr), -1);
    EXPECT_EQ(VexoDAE(nullptr, 0, 0, nullptr, 0, nullptr), 1);
    EXPECT_EQ(VexoIsDeviceReady(nullptr), 1);
    EXPECT_EQ(VexoCreateIsoItemOfSize(592), nullptr);
    EXPECT_EQ(VexoCreateIsoTrackEx(nullptr, nullptr, 128), nullptr);
    EXPECT_EQ(VexoEjectLoadCD(nullptr, 1), -1);
    EXPECT_EQ(VexoWaitForDisc(nullptr, 0, 0, nullptr, 1), 0);  // through VexoWaitForMedia
    EXPECT_EQ(VexoWaitForMedia(nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(VexoInitImageRecorder(nullptr, "img", nullptr, 0), 1);
    EXPECT_EQ(VexoGetCDRWErasingTime(nullptr, 1), -1);
    EXPECT_EQ(VexoEraseDisc(nullptr, 1, 0), -1);
    EXPECT_EQ(VexoRegisterDriveStatusCallback(0, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(VexoUnregisterDriveStatusCallback(0, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(VexoRegisterDriveChangeCallback(nullptr, nullptr), -1);
    EXPECT_EQ(VexoUnregisterDriveChangeCallback(nullptr, nullptr), -1);
    EXPECT_EQ(VexoSetExpectedAPIVersion(6319), 0);
    EXPECT_EQ(VexoSetExpectedAPIVersionEx(6, 3, 1, 24), 0);
    EXPECT_EQ(VexoGetTypeNameOfMedia(1), nullptr);
    EXPECT_EQ(VexoCreateFileSystemContainer(), nullptr);
    void* stamp = reinterpret_cast<void*>(0x20);
    int32_t result = 9;
    EXPECT_EQ(VexoImportDataTrack(nullptr, 1, &stamp, nullptr, 0, &result), nullptr);
    EXPECT_EQ(stamp, reinterpret_cast<void*>(0x20));
    EXPECT_EQ(result, 9);
    EXPECT_EQ(VexoGetLocalizedWaitCDTexts(0), nullptr);
    EXPECT_EQ(VexoCreateProgress(), nullptr);
    EXPECT_EQ(VexoBurnAtOnce(nullptr, nullptr, 0, 0, nullptr), 3);
    void* handle = nullptr;
    EXPECT_EQ(VexoBAOCreateHandle(nullptr, nullptr, 0, 0, nullptr, &handle), 3);
    EXPECT_EQ(handle, nullptr);
    uint32_t offset = 0;
    EXPECT_EQ(VexoBAOOpenFile(nullptr, "a", &offset), 3);
    EXPECT_EQ(VexoBAOWriteToFile(nullptr, "ab", 2, &offset), 3);
    EXPECT_EQ(VexoBAOCloseFile(nullptr), 3);
    EXPECT_EQ(VexoBAOCloseHandle(nullptr, 2), 3);
    EXPECT_EQ(VexoCreateBlockAccessFromImage("x.iso", 0), nullptr);
    EXPECT_EQ(VexoCreateBlockWriterInterface(nullptr, 1), nullptr);
    EXPECT_EQ(VexoCreateBlockReaderInterface(nullptr, 0), nullptr);
    EXPECT_EQ(VexoGetSupportedAccessModesForDevice(nullptr), 0u);
}

TEST(NoEngine, VersionExFailsAndLeavesTheOutputs) {
    uint16_t a = 1, b = 2, c = 3, d = 4;
    EXPECT_EQ(VexoGetAPIVersionEx(&a, &b, &c, &d), 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(d, 4);
}

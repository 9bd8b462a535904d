// Paths longer than MAX_PATH: the prefixed form the wide file functions
// need, and folders and files that deep found where they are.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "LongPath.h"
#include "ModuleFolder.h"
#include "support/DeepFolder.h"

using testing_support::MakeDeepFolder;
using testing_support::RemoveDeepFolder;

TEST(FileApiPath, OnlyLongFullPathsArePrefixed) {
    EXPECT_EQ(win::FileApiPath("C:\\short\\path"), L"C:\\short\\path");
    EXPECT_EQ(win::FileApiPath("relative\\name"), L"relative\\name");
    const std::string deep = "C:\\" + std::string(300, 'x');
    EXPECT_EQ(win::FileApiPath(deep), L"\\\\?\\C:\\" + std::wstring(300, L'x'));
    EXPECT_EQ(win::FileApiPath("C:/" + std::string(300, 'y') + "/./z"),
              L"\\\\?\\C:\\" + std::wstring(300, L'y') + L"\\z") << "slashes and dots folded first";
    EXPECT_EQ(win::FileApiPath("\\\\server\\share\\" + std::string(300, 'u')),
              L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'u'));
    const std::string prefixed = "\\\\?\\C:\\" + std::string(300, 'p');
    EXPECT_EQ(win::FileApiPath(prefixed), std::wstring(prefixed.begin(), prefixed.end()));
}

TEST(FileApiPath, ADeepFolderAndItsFileAreFound) {
    const std::string base = win::ProgramFolder() + "\\longpath-test";
    RemoveDeepFolder(base);
    const std::string deep = MakeDeepFolder(base);
    ASSERT_FALSE(deep.empty());
    ASSERT_GT(deep.size(), 260u);
    EXPECT_TRUE(win::FolderExists(deep));
    EXPECT_FALSE(win::FileExists(deep));
    EXPECT_EQ(win::FullPathName(deep), deep);
    const std::string file = deep + "\\file.bin";
    EXPECT_FALSE(win::FileExists(file));
    HANDLE h = ::CreateFileW(win::FileApiPath(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    EXPECT_TRUE(win::FileExists(file));
    EXPECT_TRUE(win::RemoveFile(file));
    EXPECT_FALSE(win::FileExists(file));
    RemoveDeepFolder(base);
    EXPECT_FALSE(win::FolderExists(base));
}

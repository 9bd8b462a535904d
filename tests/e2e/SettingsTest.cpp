// The per-user settings store against the registry of the test prefix: round
// trips, values written straight under the classic key by other programs,
// and the program's three settings with their defaults.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "ModuleFolder.h"
#include "modGeneral.h"
#include "modSettings.h"

namespace {

constexpr const char* TestApp = "CadrelSettingsTest";

std::string Classic(const std::string& app, const std::string& section) {
    return "Software\\VB and VBA Program Settings\\" + app + "\\" + section;
}

void DeleteApp(const std::string& app) {
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\VB and VBA Program Settings\\" + app).c_str());
}

// Writes a raw value under HKCU\<key> the way another program would.
void WriteRaw(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(k, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(k);
}

struct RawValue {
    DWORD type = 0;
    std::string data;
};

std::optional<RawValue> ReadRaw(const std::string& key, const std::string& name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return std::nullopt;
    char buffer[4096];
    DWORD size = sizeof buffer, type = 0;
    const LONG rc = RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return RawValue{type, std::string(buffer, size)};
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteApp(TestApp); }
    void TearDown() override { DeleteApp(TestApp); }
};

}  // namespace

TEST_F(SettingsStore, AbsentValuesGiveTheDefault) {
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath", "fallback"), "fallback");
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath"), "");
    ASSERT_TRUE(modSettings::SaveSetting(TestApp, "Path1", "other", "x"));
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath", "fallback"), "fallback") << "section exists";
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path2", "other", "fallback"), "fallback") << "other section";
}

TEST_F(SettingsStore, SavedValuesReadBackAndOverwrite) {
    ASSERT_TRUE(modSettings::SaveSetting(TestApp, "Path1", "txtOutPath", "C:\\Music\\Rips"));
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath", "d"), "C:\\Music\\Rips");
    ASSERT_TRUE(modSettings::SaveSetting(TestApp, "Path1", "txtOutPath", "D:"));
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath", "d"), "D:") << "a shorter value replaces it";
    // An empty text is a value, not an absent one.
    ASSERT_TRUE(modSettings::SaveSetting(TestApp, "Path1", "txtOutPath", ""));
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath", "d"), "");
}

TEST_F(SettingsStore, LongValuesComeBackWhole) {
    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "segment" + std::to_string(i) + "\\";
    ASSERT_GT(longText.size(), 2000u);
    ASSERT_TRUE(modSettings::SaveSetting(TestApp, "Options", "Op1", longText));
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Options", "Op1"), longText);
}

TEST_F(SettingsStore, SavedValuesAreTextUnderTheClassicKey) {
    ASSERT_TRUE(modSettings::SaveSetting(TestApp, "Options", "Op1", "MP4 (iPod)"));
    const auto raw = ReadRaw(Classic(TestApp, "Options"), "Op1");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->data, std::string("MP4 (iPod)\0", 11)) << "stored with its terminating NUL";
}

TEST_F(SettingsStore, ValuesWrittenDirectlyUnderTheClassicKeyAreRead) {
    const char text[] = "E:\\Old Rips";
    WriteRaw(Classic(TestApp, "Path1"), "txtOutPath", REG_SZ, text, sizeof text);
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "txtOutPath", "d"), "E:\\Old Rips");

    // Some writers leave out the NUL.
    const char bare[] = {'a', 'b', 'c'};
    WriteRaw(Classic(TestApp, "Path2"), "text2", REG_SZ, bare, sizeof bare);
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path2", "text2", "d"), "abc");

    // An expandable text is read as it stands.
    const char expand[] = "%TEMP%\\x";
    WriteRaw(Classic(TestApp, "Path2"), "expand", REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path2", "expand", "d"), "%TEMP%\\x");

    // A value that is not text counts as absent.
    const DWORD number = 5;
    WriteRaw(Classic(TestApp, "Path2"), "number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path2", "number", "d"), "d");
}

TEST_F(SettingsStore, EmptyNamesAreRefused) {
    EXPECT_FALSE(modSettings::SaveSetting("", "Path1", "k", "v"));
    EXPECT_FALSE(modSettings::SaveSetting(TestApp, "", "k", "v"));
    EXPECT_FALSE(modSettings::SaveSetting(TestApp, "Path1", "", "v"));
    EXPECT_EQ(modSettings::GetSetting("", "Path1", "k", "d"), "d");
    EXPECT_EQ(modSettings::GetSetting(TestApp, "", "k", "d"), "d");
    EXPECT_EQ(modSettings::GetSetting(TestApp, "Path1", "", "d"), "d");
    EXPECT_FALSE(ReadRaw(Classic(TestApp, "Path1"), "k").has_value());
}

// --- The program's three settings -------------------------------------------------------

namespace {

// Keeps the program's own settings as they were before the test.
class ProgramSettings : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto& s : saved_) s.value = ReadRaw(Classic("CADREL", s.section), s.key);
        DeleteApp("CADREL");
    }
    void TearDown() override {
        DeleteApp("CADREL");
        for (auto& s : saved_)
            if (s.value) WriteRaw(Classic("CADREL", s.section), s.key, s.value->type, s.value->data.data(),
                                  static_cast<DWORD>(s.value->data.size()));
    }

private:
    struct Saved {
        const char* section;
        const char* key;
        std::optional<RawValue> value;
    };
    Saved saved_[5] = {{"Options", "Op1", {}},       {"Path1", "txtOutPath", {}}, {"Path2", "text2", {}},
                       {"Options", "RipLog", {}},    {"Options", "SecureRip", {}}};
};

}  // namespace

TEST_F(ProgramSettings, DefaultsWhenNothingWasSaved) {
    const std::string media = win::ProgramFolder() + "\\Media";
    EXPECT_EQ(modSettings::DefaultMediaFolder(), media);
    EXPECT_EQ(modSettings::LoadConverterFormat(), "AVI (MPEG4-XviD-Best Quality)");
    EXPECT_EQ(modSettings::LoadRipOutputFolder(), media);
    EXPECT_EQ(modSettings::LoadConverterOutputFolder(), media);
}

TEST_F(ProgramSettings, EachSettingLivesUnderItsSectionAndKey) {
    ASSERT_TRUE(modSettings::SaveConverterFormat("MP3 (Audio Only)"));
    ASSERT_TRUE(modSettings::SaveRipOutputFolder("C:\\Rips"));
    ASSERT_TRUE(modSettings::SaveConverterOutputFolder("C:\\Converted"));
    EXPECT_EQ(modSettings::GetSetting("CADREL", "Options", "Op1"), "MP3 (Audio Only)");
    EXPECT_EQ(modSettings::GetSetting("CADREL", "Path1", "txtOutPath"), "C:\\Rips");
    EXPECT_EQ(modSettings::GetSetting("CADREL", "Path2", "text2"), "C:\\Converted");
    EXPECT_EQ(modSettings::LoadConverterFormat(), "MP3 (Audio Only)");
    EXPECT_EQ(modSettings::LoadRipOutputFolder(), "C:\\Rips");
    EXPECT_EQ(modSettings::LoadConverterOutputFolder(), "C:\\Converted");
}

TEST_F(ProgramSettings, ValuesLeftByAnEarlierVersionAreLoaded) {
    const char folder[] = "F:\\Audio";
    WriteRaw(Classic("CADREL", "Path1"), "txtOutPath", REG_SZ, folder, sizeof folder);
    EXPECT_EQ(modSettings::LoadRipOutputFolder(), "F:\\Audio");
    EXPECT_EQ(modSettings::LoadConverterOutputFolder(), modSettings::DefaultMediaFolder()) << "untouched";
}

TEST_F(ProgramSettings, TheRipLogAndSecureReadingAreOffUnlessASettingTurnsThemOn) {
    EXPECT_FALSE(modSettings::LoadRipLogWanted());
    EXPECT_FALSE(modSettings::LoadSecureRipWanted());
    for (const char* on : {"1", "true", "Yes", "TRUE"}) {
        ASSERT_TRUE(modSettings::SaveSetting("CADREL", "Options", "RipLog", on));
        EXPECT_TRUE(modSettings::LoadRipLogWanted()) << on;
    }
    for (const char* off : {"0", "", "no", "2"}) {
        ASSERT_TRUE(modSettings::SaveSetting("CADREL", "Options", "RipLog", off));
        EXPECT_FALSE(modSettings::LoadRipLogWanted()) << off;
    }
    ASSERT_TRUE(modSettings::SaveSetting("CADREL", "Options", "SecureRip", "1"));
    EXPECT_TRUE(modSettings::LoadSecureRipWanted());
    EXPECT_FALSE(modSettings::LoadRipLogWanted());
}

#include "modSettings.h"

#include <cctype>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "ModuleFolder.h"
#include "RegistryKey.h"

namespace modSettings {
namespace {

bool Usable(std::string_view app, std::string_view section, std::string_view key) {
    return !app.empty() && !section.empty() && !key.empty();
}

}  // namespace

std::string SectionKey(std::string_view app, std::string_view section) {
    std::string path = SettingsRoot;
    path += '\\';
    path += app;
    path += '\\';
    path += section;
    return path;
}

std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
    const std::string fallback(defaultValue);
    if (!Usable(app, section, key)) return fallback;
    win::unique_regkey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionKey(app, section).c_str(), 0, KEY_QUERY_VALUE, k.put()) !=
        ERROR_SUCCESS)
        return fallback;

    const std::string name(key);
    // The value may change size between the calls: ask until it fits.
    std::vector<char> data(256);
    for (int tries = 0; tries < 8; ++tries) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                         &size);
        if (rc == ERROR_MORE_DATA) {
            data.assign(std::size_t{size} + 1, '\0');
            continue;
        }
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
        // A stored text may or may not carry its terminating NUL.
        std::size_t length = std::min<std::size_t>(size, data.size());
        std::string value(data.data(), length);
        const auto nul = value.find('\0');
        if (nul != std::string::npos) value.resize(nul);
        return value;
    }
    return fallback;
}

bool SaveSetting(std::string_view app, std::string_view section, std::string_view key, std::string_view value) {
    if (!Usable(app, section, key)) return false;
    win::unique_regkey k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionKey(app, section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::string name(key);
    const std::string text(value);
    return RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string DefaultMediaFolder() { return win::ProgramFolder() + "\\Media"; }

std::string LoadConverterFormat() {
    return GetSetting(AppName, ConverterFormatSection, ConverterFormatKey, DefaultConverterFormat);
}
bool SaveConverterFormat(std::string_view format) {
    return SaveSetting(AppName, ConverterFormatSection, ConverterFormatKey, format);
}

std::string LoadRipOutputFolder() {
    return GetSetting(AppName, RipOutputFolderSection, RipOutputFolderKey, DefaultMediaFolder());
}
bool SaveRipOutputFolder(std::string_view folder) {
    return SaveSetting(AppName, RipOutputFolderSection, RipOutputFolderKey, folder);
}

namespace {
bool IsOn(std::string value) {
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value == "1" || value == "true" || value == "yes";
}
}  // namespace

bool LoadRipLogWanted() { return IsOn(GetSetting(AppName, RipProofSection, RipLogKey)); }
bool LoadSecureRipWanted() { return IsOn(GetSetting(AppName, RipProofSection, SecureRipKey)); }

std::string LoadConverterOutputFolder() {
    return GetSetting(AppName, ConverterOutputFolderSection, ConverterOutputFolderKey, DefaultMediaFolder());
}
bool SaveConverterOutputFolder(std::string_view folder) {
    return SaveSetting(AppName, ConverterOutputFolderSection, ConverterOutputFolderKey, folder);
}

}  // namespace modSettings

// modSettings: the per-user settings store and the program's three settings.
//
// A setting is a text value addressed by application name, section and key,
// kept in HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>
// as a REG_SZ value named by the key, so values written by earlier versions of
// the program under that key are read as they stand.
#pragma once

#include <string>
#include <string_view>

namespace modSettings {

// The key below HKEY_CURRENT_USER that holds every application's settings.
inline constexpr const char* SettingsRoot = "Software\\VB and VBA Program Settings";

// The registry key (below HKEY_CURRENT_USER) of one application's section.
std::string SectionKey(std::string_view app, std::string_view section);

// The value of `key` (an empty stored text included), or `defaultValue` when
// the application, section or key is absent or empty, or the value is not text.
std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view defaultValue = {});

// Stores `value` as text, creating the section when needed. False when the
// application, section or key is empty or the store refused the value.
bool SaveSetting(std::string_view app, std::string_view section, std::string_view key, std::string_view value);

// --- The program's settings ------------------------------------------------------

inline constexpr const char* AppName = "CADREL";
inline constexpr const char* ConverterFormatSection = "Options";
inline constexpr const char* ConverterFormatKey = "Op1";
inline constexpr const char* RipOutputFolderSection = "Path1";
inline constexpr const char* RipOutputFolderKey = "txtOutPath";
inline constexpr const char* ConverterOutputFolderSection = "Path2";
inline constexpr const char* ConverterOutputFolderKey = "text2";
inline constexpr const char* DefaultConverterFormat = "AVI (MPEG4-XviD-Best Quality)";

// The default of both output folders: the program's folder followed by "\Media".
std::string DefaultMediaFolder();

// The converter's chosen format ("Options", "Op1").
std::string LoadConverterFormat();
bool SaveConverterFormat(std::string_view format);

// The rip's output folder ("Path1", "txtOutPath").
std::string LoadRipOutputFolder();
bool SaveRipOutputFolder(std::string_view folder);

// Whether a rip writes "Rip log.txt" and "Disc.cue" beside its tracks
// ("Options", "RipLog") and reads securely ("Options", "SecureRip"). The
// window has no control for them: "1", "true" or "yes" (any case) turns
// one on; absent or anything else leaves it off.
inline constexpr const char* RipProofSection = "Options";
inline constexpr const char* RipLogKey = "RipLog";
inline constexpr const char* SecureRipKey = "SecureRip";
bool LoadRipLogWanted();
bool LoadSecureRipWanted();

// The converter's output folder ("Path2", "text2").
std::string LoadConverterOutputFolder();
bool SaveConverterOutputFolder(std::string_view folder);

}  // namespace modSettings

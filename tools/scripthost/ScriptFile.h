// A script file as the host reads it: its full path, its name, its
// language (from the extension, or chosen with //E:) and its text.
#pragma once

#include <optional>
#include <string>

namespace host {

enum class Language { VBScript, JScript };

struct ScriptFile {
    std::wstring fullName;  // the full path
    std::wstring name;      // the file name alone
    Language language = Language::VBScript;
    std::wstring text;
};

// The language of a file name's extension (.vbs, .js); nothing for others.
std::optional<Language> LanguageOfName(const std::wstring& fileName);

// Reads `path`. Text with a UTF-16 or UTF-8 byte-order mark is read as such,
// any other as the ANSI code page. Nothing when the file cannot be read;
// `error` then tells why.
std::optional<ScriptFile> ReadScriptFile(const std::wstring& path, std::wstring& error);

}  // namespace host

#include "ScriptFile.h"

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

#include "TextConversion.h"
#include "WinHandles.h"

namespace host {

static std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::optional<Language> LanguageOfName(const std::wstring& fileName) {
    const size_t dot = fileName.find_last_of(L'.');
    if (dot == std::wstring::npos) return std::nullopt;
    const std::wstring ext = Lower(fileName.substr(dot));
    if (ext == L".vbs") return Language::VBScript;
    if (ext == L".js") return Language::JScript;
    return std::nullopt;
}

static std::wstring Decode(const std::vector<char>& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (n - 2) / sizeof(wchar_t));
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return win::Widen(std::string_view(bytes.data() + 3, n - 3), CP_UTF8);
    return win::Widen(std::string_view(bytes.data(), n), CP_ACP);
}

std::optional<ScriptFile> ReadScriptFile(const std::wstring& path, std::wstring& error) {
    wchar_t* filePart = nullptr;
    std::wstring full(MAX_PATH, L'\0');
    DWORD len = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &filePart);
    if (len >= full.size()) {
        full.resize(len + 1);
        len = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &filePart);
    }
    if (len == 0) {
        error = L"Cannot find the script file \"" + path + L"\".";
        return std::nullopt;
    }
    full.resize(len);

    win::unique_handle file(::CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) {
        error = L"Cannot read the script file \"" + full + L"\".";
        return std::nullopt;
    }
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        error = L"Cannot read the script file \"" + full + L"\".";
        return std::nullopt;
    }

    ScriptFile script;
    script.fullName = full;
    const size_t slash = full.find_last_of(L"\\/");
    script.name = slash == std::wstring::npos ? full : full.substr(slash + 1);
    script.language = LanguageOfName(script.name).value_or(Language::VBScript);
    script.text = Decode(bytes);
    return script;
}

}  // namespace host

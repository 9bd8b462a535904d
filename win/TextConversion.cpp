#include "TextConversion.h"

namespace win {
namespace {

std::optional<std::wstring> Convert(std::string_view text, UINT codePage, DWORD flags) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), n);
    return wide;
}

}  // namespace

std::wstring Widen(std::string_view text, UINT codePage) { return Convert(text, codePage, 0).value_or(L""); }

std::optional<std::wstring> WidenExact(std::string_view text, UINT codePage) {
    return Convert(text, codePage, MB_ERR_INVALID_CHARS);
}

std::string Narrow(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string narrow(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

std::optional<std::string> NarrowExact(std::wstring_view text, UINT codePage) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr,
                                        &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string narrow(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

}  // namespace win

// Text between code pages and UTF-16.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace win {

// `text` in `codePage` as UTF-16; empty when it cannot be converted.
std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);

// As Widen, but nothing when `text` holds a sequence that is not valid in
// `codePage` (for UTF-8 and the other code pages that can tell).
std::optional<std::wstring> WidenExact(std::string_view text, UINT codePage);

// UTF-16 `text` in `codePage`; characters it lacks become the code page's
// default character.
std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);

// As Narrow, but nothing when `text` holds a character `codePage` lacks.
std::optional<std::string> NarrowExact(std::wstring_view text, UINT codePage);

}  // namespace win

// An open registry key, closed with RegCloseKey.
#pragma once

#include <windows.h>

#include "Owner.h"

namespace win {

inline bool CloseRegistryKey(HKEY key) noexcept { return ::RegCloseKey(key) == ERROR_SUCCESS; }

using unique_regkey = unique_owner<null_traits<HKEY, CloseRegistryKey>>;

}  // namespace win

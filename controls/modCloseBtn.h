// modCloseBtn: greys out or restores the Close item of a window's system
// menu, and with it the close box of its title bar.
//
// Disabling moves the item from the system Close command (SC_CLOSE) to the
// command identifier -10, so the platform, which re-enables SC_CLOSE on its
// own when it rebuilds the menu state, no longer finds it; enabling moves it
// back. A window that must not be closed from its frame should still refuse
// WM_CLOSE itself while it has to stay open: a WM_SYSCOMMAND SC_CLOSE sent
// to it directly bypasses the menu. IsCloseDisabled tells whether the item
// is currently moved.
#pragma once

#include <windows.h>

#include <cstdint>

namespace modCloseBtn {

// The identifier the Close item carries while it is disabled.
constexpr UINT kDisabledCloseId = static_cast<UINT>(-10);

// 0: done, or the item was not in the state the call expects (no change);
// -1: `window` is not a window; -2: changing the item's identifier failed;
// -3: changing the item's state failed.
int16_t EnableCloseButton(HWND window, bool enable);

// Whether the window's system menu holds the moved (disabled) Close item.
bool IsCloseDisabled(HWND window);

}  // namespace modCloseBtn

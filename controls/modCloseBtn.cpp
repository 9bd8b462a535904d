#include "modCloseBtn.h"

namespace modCloseBtn {

int16_t EnableCloseButton(HWND window, bool enable) {
    if (!::IsWindow(window)) return -1;
    HMENU menu = ::GetSystemMenu(window, FALSE);

    const UINT from = enable ? kDisabledCloseId : static_cast<UINT>(SC_CLOSE);
    const UINT to = enable ? static_cast<UINT>(SC_CLOSE) : kDisabledCloseId;

    MENUITEMINFOA current{};
    current.cbSize = sizeof current;
    current.fMask = MIIM_STATE;
    if (!menu || !::GetMenuItemInfoA(menu, from, FALSE, &current)) return 0;

    MENUITEMINFOA id{};
    id.cbSize = sizeof id;
    id.fMask = MIIM_ID;
    id.wID = to;
    if (!::SetMenuItemInfoA(menu, from, FALSE, &id)) return -2;

    constexpr UINT kGreyed = MFS_GRAYED | MFS_DISABLED;  // the bits of value 3
    MENUITEMINFOA state{};
    state.cbSize = sizeof state;
    state.fMask = MIIM_STATE;
    state.fState = enable ? (current.fState & ~kGreyed) : (current.fState | kGreyed);
    if (!::SetMenuItemInfoA(menu, to, FALSE, &state)) return -3;

    ::SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    return 0;
}

bool IsCloseDisabled(HWND window) {
    if (!::IsWindow(window)) return false;
    HMENU menu = ::GetSystemMenu(window, FALSE);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    return menu && ::GetMenuItemInfoA(menu, kDisabledCloseId, FALSE, &info);
}

}  // namespace modCloseBtn

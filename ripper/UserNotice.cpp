#include "UserNotice.h"

UINT MessageBoxFlags(NoticeIcon icon) {
    switch (icon) {
        case NoticeIcon::Information: return MB_OK | MB_ICONINFORMATION;
        case NoticeIcon::Exclamation: return MB_OK | MB_ICONEXCLAMATION;
        case NoticeIcon::Critical: return MB_OK | MB_ICONSTOP;
        case NoticeIcon::None: break;
    }
    return MB_OK;
}

void MessageBoxNotice::Show(const std::string& text, const std::string& title, NoticeIcon icon) {
    MessageBoxA(owner_, text.c_str(), title.c_str(), MessageBoxFlags(icon));
}

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

std::string NoticeLine(const std::string& text, const std::string& title) {
    if (title.empty()) return text;
    return title + ": " + text;
}

void LineNotice::Show(const std::string& text, const std::string& title, NoticeIcon) {
    if (line_) line_(NoticeLine(text, title));
}

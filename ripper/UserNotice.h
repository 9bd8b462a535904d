// How the ripper tells the user something: a text, a title and an icon kind.
// The windowed program shows a message box with an OK button owned by its
// main window (MessageBoxNotice); the headless rip mode prints one line.
#pragma once

#include <windows.h>

#include <string>

enum class NoticeIcon {
    None,         // OK button only
    Information,  // MB_ICONINFORMATION
    Exclamation,  // MB_ICONEXCLAMATION
    Critical,     // MB_ICONSTOP: the critical-error icon
};

class UserNotice {
public:
    virtual ~UserNotice() = default;
    // Shows `text` under `title`; returns when the user has seen it (for a
    // message box: when it was closed).
    virtual void Show(const std::string& text, const std::string& title, NoticeIcon icon) = 0;
};

// The message-box flags for an icon kind, with an OK button.
UINT MessageBoxFlags(NoticeIcon icon);

// A modal MessageBoxA with an OK button, owned by `owner` (may be null).
class MessageBoxNotice : public UserNotice {
public:
    explicit MessageBoxNotice(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    void Show(const std::string& text, const std::string& title, NoticeIcon icon) override;

private:
    HWND owner_;
};

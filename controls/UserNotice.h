// How the program's jobs tell the user something: a text, a title and an
// icon kind. The windows show a message box with an OK button owned by the
// main window (MessageBoxNotice); the headless modes print one line.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The title of the program's own messages.
inline constexpr const char* ApplicationTitle = "CadrelConverter";

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

// The line for a notice where no box can be shown: "<title>: <text>", or the
// text alone without a title.
std::string NoticeLine(const std::string& text, const std::string& title);

// Hands every notice as one line (NoticeLine) to `line`: the headless modes'
// notices.
class LineNotice : public UserNotice {
public:
    explicit LineNotice(std::function<void(const std::string&)> line) : line_(std::move(line)) {}
    void Show(const std::string& text, const std::string& title, NoticeIcon icon) override;

private:
    std::function<void(const std::string&)> line_;
};

#include "ConsoleLines.h"

namespace win {
namespace {

bool Leads(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE) return false;
    return ::GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

ConsoleLines::ConsoleLines() {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (Leads(out)) {
        out_ = out;
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        console_.reset(::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        if (console_) {
            out_ = console_.get();
            return;
        }
    }
    out_ = out;  // whatever the standard output is; lines may go nowhere
}

void ConsoleLines::Line(const std::string& text) {
    const std::string line = text + "\r\n";
    if (out_ && out_ != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(out_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

}  // namespace win

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
    // One line whatever the text holds: control characters (a line end or an
    // escape sequence inside a value echoed back) are shown as \xNN.
    std::string line;
    line.reserve(text.size() + 2);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            line.push_back(c);
            continue;
        }
        static constexpr char digits[] = "0123456789ABCDEF";
        line += "\\x";
        line.push_back(digits[u >> 4]);
        line.push_back(digits[u & 0xF]);
    }
    line += "\r\n";
    if (out_ && out_ != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(out_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

}  // namespace win

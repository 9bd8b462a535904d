#include "Output.h"

#include "TextConversion.h"

namespace host {

void Write(Stream stream, std::wstring_view text) {
    if (text.empty()) return;
    HANDLE h = ::GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    if (::GetConsoleMode(h, &mode)) {
        DWORD written = 0;
        ::WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    UINT codePage = ::GetConsoleOutputCP();
    if (codePage == 0) codePage = CP_OEMCP;
    const std::string bytes = win::Narrow(text, codePage);
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WriteLine(Stream stream, std::wstring_view text) {
    std::wstring line(text);
    line += L"\r\n";
    Write(stream, line);
}

}  // namespace host

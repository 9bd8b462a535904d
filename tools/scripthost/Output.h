// The host's two output streams. Text goes out in the console's output code
// page (the OEM code page when there is no console), as a console script
// host writes it, with CR LF line ends; every write reaches the handle at
// once, so nothing is lost when a script ends the process.
#pragma once

#include <windows.h>

#include <string_view>

namespace host {

enum class Stream { Out, Err };

void Write(Stream stream, std::wstring_view text);
void WriteLine(Stream stream, std::wstring_view text);

}  // namespace host

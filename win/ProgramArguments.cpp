#include "ProgramArguments.h"

#include <windows.h>

#include <shellapi.h>

#include "TextConversion.h"

namespace win {

ProgramArguments GetProgramArguments() {
    ProgramArguments result;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return result;
    for (int i = 1; i < count; ++i) {
        const std::optional<std::string> exact = NarrowExact(wide[i], CP_ACP);
        result.args.push_back(exact ? *exact : Narrow(wide[i]));
        if (!exact && result.lossy.empty()) result.lossy = result.args.back();
    }
    ::LocalFree(wide);
    return result;
}

std::string LossyArgumentReason(const std::string& lossy) {
    return "the argument \"" + lossy + "\" holds characters that this system's code page (" +
           std::to_string(::GetACP()) + ") cannot represent";
}

}  // namespace win

// Test helper: runs one of the program's console modes (cadrel-rip.exe,
// cadrel-convert.exe, CadrelConverter.exe /rip ...) as a child process and
// collects what it printed (standard output and error through one pipe) and
// its exit code.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "ModuleFolder.h"
#include "TextConversion.h"
#include "WinHandles.h"

namespace consolerun {

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;

    std::size_t Count(const std::string& piece) const {
        std::size_t n = 0;
        for (auto p = output.find(piece); p != std::string::npos; p = output.find(piece, p + 1)) ++n;
        return n;
    }
    bool Has(const std::string& piece) const { return Count(piece) > 0; }

    // The printed lines without their line ends.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < output.size()) {
            std::size_t end = output.find('\n', at);
            if (end == std::string::npos) end = output.size();
            std::string line = output.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(std::move(line));
            at = end + 1;
        }
        return lines;
    }
};

// One argument as the C runtime splits it back: quoted when it holds blanks
// or quotes or is empty, backslashes before a quote doubled.
inline std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted(1, '"');
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
        } else {
            if (c == '"') quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        quoted.push_back(c);
    }
    quoted.append(backslashes, '\\');
    quoted.push_back('"');
    return quoted;
}

inline std::string Join(const std::vector<std::string>& args) {
    std::string tail;
    for (const auto& a : args) tail += (tail.empty() ? "" : " ") + Quote(a);
    return tail;
}

// Runs the program at `path` with the command-line tail `tail` (UTF-8)
// exactly as given, in `directory`, and waits for it to end.
inline RunResult RunPathLine(const std::string& path, const std::string& tail, const std::string& directory) {
    RunResult run;
    std::string commandLine = Quote(path);
    if (!tail.empty()) commandLine += " " + tail;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed";
        return run;
    }
    win::unique_handle read(readEnd), write(writeEnd);
    SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write.get();
    si.hStdError = write.get();
    PROCESS_INFORMATION pi{};
    const std::wstring wide = win::Widen(commandLine, CP_UTF8);
    std::vector<wchar_t> line(wide.begin(), wide.end());
    line.push_back(L'\0');
    // A start that fails is tried again before the test is failed with the
    // system's error code.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 win::Widen(directory).c_str(), &si, &pi);
        if (!started) error = GetLastError();
    }
    write.reset();
    if (!started) {
        ADD_FAILURE() << "cannot start " << commandLine.substr(0, 200) << " (error " << error << ")";
        return run;
    }
    win::unique_handle process(pi.hProcess), thread(pi.hThread);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

// The same for `program`, a file of the program folder.
inline RunResult RunLine(const std::string& program, const std::string& tail,
                         const std::string& directory = win::ProgramFolder()) {
    return RunPathLine(win::ProgramFolder() + "\\" + program, tail, directory);
}

inline RunResult Run(const std::string& program, const std::vector<std::string>& args,
                     const std::string& directory = win::ProgramFolder()) {
    return RunLine(program, Join(args), directory);
}

}  // namespace consolerun

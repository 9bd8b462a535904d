// Test helper: runs cadrel-rip.exe (the headless rip mode) as a child
// process and collects what it printed and its exit code.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ModuleFolder.h"

namespace ripjobtest {

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;

    std::size_t Count(const std::string& piece) const {
        std::size_t n = 0;
        for (auto p = output.find(piece); p != std::string::npos; p = output.find(piece, p + 1)) ++n;
        return n;
    }
    bool Has(const std::string& piece) const { return Count(piece) > 0; }
};

inline std::string Quote(const std::string& arg) {
    if (arg.find_first_of(" \t\"") == std::string::npos && !arg.empty()) return arg;
    std::string quoted(1, '"');
    quoted.append(arg);
    quoted.push_back('"');
    return quoted;
}

// Runs cadrel-rip.exe with `args` in `directory` and waits for it to end.
inline RunResult RunRipper(const std::vector<std::string>& args,
                           const std::string& directory = win::ProgramFolder()) {
    RunResult run;
    std::string commandLine = Quote(win::ProgramFolder() + "\\cadrel-rip.exe");
    for (const auto& a : args) {
        commandLine += ' ';
        commandLine += Quote(a);
    }

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed";
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                                        &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        ADD_FAILURE() << "cannot start " << commandLine;
        return run;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

}  // namespace ripjobtest

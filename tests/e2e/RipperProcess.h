// Test helper: runs cadrel-rip.exe (the headless rip mode) as a child
// process and collects what it printed and its exit code.
#pragma once

#include <string>
#include <vector>

#include "support/ConsoleRun.h"
#include "ModuleFolder.h"

namespace ripjobtest {

using consolerun::RunResult;

// Runs cadrel-rip.exe with `args` in `directory` and waits for it to end.
inline RunResult RunRipper(const std::vector<std::string>& args, const std::string& directory = win::ProgramFolder()) {
    return consolerun::Run("cadrel-rip.exe", args, directory);
}

}  // namespace ripjobtest

// Where a module lies: the folder of the running program or of the module
// (DLL or program) that holds a given piece of code.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win {

// The folder of `module` (null: the running program), without a trailing
// backslash except at a drive's root ("C:\"). Empty when it cannot be found.
std::string ModuleFolder(HMODULE module);

// The folder of the running program, as ModuleFolder(nullptr).
std::string ProgramFolder();

// `name` inside `folder`: joined with one backslash, none added when the
// folder already ends in one.
std::string PathInFolder(std::string_view folder, std::string_view name);

// The module that holds `address` (code or data of that module); null when
// none does. The module's reference count is not changed.
HMODULE ModuleOf(const void* address);

}  // namespace win

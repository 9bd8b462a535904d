// Module-wide state of the server DLL: its handle and file name, and the
// lock count that DllCanUnloadNow reads (every live object and every
// IClassFactory::LockServer(TRUE) holds one).
#pragma once

#include <windows.h>

#include <string>

namespace vexo::com {

void SetModuleHandle(HMODULE module) noexcept;
HMODULE ModuleHandle() noexcept;
// Full path of this module (ANSI), empty when it cannot be read.
std::string ModulePathA();
std::wstring ModulePathW();

void ModuleLock() noexcept;
void ModuleUnlock() noexcept;
LONG ModuleLockCount() noexcept;

// Holds one module lock for its lifetime; objects derive from it or keep one.
class ModuleLockHolder {
public:
    ModuleLockHolder() noexcept { ModuleLock(); }
    ModuleLockHolder(const ModuleLockHolder&) noexcept { ModuleLock(); }
    ModuleLockHolder& operator=(const ModuleLockHolder&) noexcept { return *this; }
    ~ModuleLockHolder() { ModuleUnlock(); }
};

}  // namespace vexo::com

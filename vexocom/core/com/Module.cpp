#include "Module.h"

namespace vexo::com {
namespace {
HMODULE g_module = nullptr;
volatile LONG g_locks = 0;

// The address of a function of this module finds the module even when
// SetModuleHandle was never called (a static test build).
HMODULE SelfModule() noexcept {
    if (g_module) return g_module;
    HMODULE m = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&SelfModule), &m);
    return m;
}
}  // namespace

void SetModuleHandle(HMODULE module) noexcept { g_module = module; }
HMODULE ModuleHandle() noexcept { return SelfModule(); }

std::string ModulePathA() {
    char buf[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameA(ModuleHandle(), buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return std::string(buf, n);
}

std::wstring ModulePathW() {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameW(ModuleHandle(), buf, static_cast<DWORD>(std::size(buf)));
    if (n == 0 || n >= std::size(buf)) return {};
    return std::wstring(buf, n);
}

void ModuleLock() noexcept { ::InterlockedIncrement(&g_locks); }
void ModuleUnlock() noexcept { ::InterlockedDecrement(&g_locks); }
LONG ModuleLockCount() noexcept { return g_locks; }

}  // namespace vexo::com

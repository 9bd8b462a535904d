#include "ModuleFolder.h"

#include <array>

namespace win {

std::string ModuleFolder(HMODULE module) {
    std::array<char, 2 * MAX_PATH> path{};
    const DWORD n = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    std::string folder(path.data(), n);
    const auto slash = folder.find_last_of('\\');
    if (slash == std::string::npos) return {};
    folder.resize(slash);
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';
    return folder;
}

std::string ProgramFolder() { return ModuleFolder(nullptr); }

std::string PathInFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

HMODULE ModuleOf(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &module))
        return nullptr;
    return module;
}

}  // namespace win

// The pure parts of the engine state: directory and init-result texts.
#include "engineobject/EngineState.h"

namespace vexo::engine {

std::string EngineDirectoryFor(const std::string& filesPath) {
    if (filesPath.empty()) return {};
    if (filesPath.back() == '\\') return filesPath;
    return filesPath + '\\';
}

std::optional<std::string> InitResultText(int32_t initResult) {
    switch (initResult) {
    case 0: return std::nullopt;
    case 1: return std::string("Invalid arguments detected while initializing library!");
    case 5:
    case 6: return std::string("Already initialized!");
    default: return std::string("Unspecified error!");
    }
}

}  // namespace vexo::engine

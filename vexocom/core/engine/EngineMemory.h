// EngineMemory: memory the engine handed out (a list, a text, an information
// record, a progress record), given back with VexoFreeMem exactly once when
// its owner goes. The holder copies what it needs while it owns the block.
#pragma once

#include <cstdint>

#include "EngineBinding.h"
#include "Owner.h"

namespace EngineBinding {

inline bool GiveBackEngineMemory(void* memory) noexcept {
    VexoFreeMem(memory);
    return true;
}

class EngineMemory : public win::unique_owner<win::null_traits<void*, GiveBackEngineMemory>> {
public:
    using unique_owner::unique_owner;
    // An engine text (the engine hands texts out as const char*).
    explicit EngineMemory(const char* text) noexcept : unique_owner(const_cast<char*>(text)) {}

    const char* text() const noexcept { return static_cast<const char*>(get()); }
    const uint8_t* bytes() const noexcept { return static_cast<const uint8_t*>(get()); }
};

}  // namespace EngineBinding

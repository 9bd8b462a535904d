// Every block the engine hands out, by address and kind, so that VexoFreeMem
// can tell its own blocks from foreign pointers and from blocks freed twice.
// Not locked: the engine's state lock guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace vexosim {

class Allocations {
public:
    enum class FreeResult { Freed, Null, NotOurs };

    // A zero-filled block of at least one byte.
    void* Allocate(const std::string& kind, std::size_t size);
    void* AllocateCopy(const std::string& kind, const void* bytes, std::size_t size);
    char* AllocateText(const std::string& text);  // kind "text"

    FreeResult Free(void* p, std::string* kind = nullptr);
    bool Owns(const void* p) const { return blocks_.count(p) != 0; }
    const std::string* KindOf(const void* p) const;

    std::int64_t Outstanding() const { return static_cast<std::int64_t>(blocks_.size()); }
    std::int64_t Outstanding(const std::string& kind) const;

private:
    struct Block {
        std::string kind;
        std::unique_ptr<std::uint8_t[]> bytes;
    };
    std::map<const void*, Block> blocks_;
};

}  // namespace vexosim

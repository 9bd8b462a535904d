#include "Allocations.h"

#include <cstring>

namespace vexosim {

void* Allocations::Allocate(const std::string& kind, std::size_t size) {
    auto bytes = std::make_unique<std::uint8_t[]>(size ? size : 1);  // value-initialised: zero
    void* p = bytes.get();
    blocks_.emplace(p, Block{kind, std::move(bytes)});
    return p;
}

void* Allocations::AllocateCopy(const std::string& kind, const void* source, std::size_t size) {
    void* p = Allocate(kind, size);
    if (size) std::memcpy(p, source, size);
    return p;
}

char* Allocations::AllocateText(const std::string& text) {
    return static_cast<char*>(AllocateCopy("text", text.c_str(), text.size() + 1));
}

Allocations::FreeResult Allocations::Free(void* p, std::string* kind) {
    if (!p) return FreeResult::Null;
    auto it = blocks_.find(p);
    if (it == blocks_.end()) return FreeResult::NotOurs;
    if (kind) *kind = it->second.kind;
    blocks_.erase(it);
    return FreeResult::Freed;
}

const std::string* Allocations::KindOf(const void* p) const {
    auto it = blocks_.find(p);
    return it == blocks_.end() ? nullptr : &it->second.kind;
}

std::int64_t Allocations::Outstanding(const std::string& kind) const {
    std::int64_t n = 0;
    for (const auto& [address, block] : blocks_)
        if (block.kind == kind) ++n;
    return n;
}

}  // namespace vexosim

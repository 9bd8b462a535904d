// InUseMarks: the compilation objects a burn uses (track and item
// collections with their elements, a data track with its folder trees),
// locked from the member's start to the end of the engine call. While
// locked they refuse changes with message 529. The marks are cleared by
// Clear() or when the holder goes (a burn that fails to start).
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "com/ComPtr.h"

namespace vexo {

class InUseMarks {
public:
    InUseMarks() = default;
    InUseMarks(const InUseMarks&) = delete;
    InUseMarks& operator=(const InUseMarks&) = delete;
    ~InUseMarks() { Clear(); }

    // Locks `object` (anything with TryLock/Unlock; null is nothing to
    // lock). False when it, or something in it, is in use already.
    template <class T>
    bool Take(T* object) {
        if (!object) return true;
        if (!object->TryLock()) return false;
        try {
            unlocks_.emplace_back([held = com::ComPtr<T>(object)] { held->Unlock(); });
        } catch (...) {
            object->Unlock();
            return false;
        }
        return true;
    }

    void Clear() noexcept {
        while (!unlocks_.empty()) {
            unlocks_.back()();
            unlocks_.pop_back();
        }
    }

private:
    std::vector<std::function<void()>> unlocks_;
};

}  // namespace vexo

#include "operations/BusyRegistry.h"

#include <algorithm>

namespace vexo {

bool MayAskNonEmptyRewritable(OperationId registered) noexcept {
    switch (registered) {
        case OperationId::BurnFileSystemContent:
        case OperationId::BurnFreestyleCD:
        case OperationId::BurnImage2:
        case OperationId::BurnIsoAudioCD:
        case OperationId::BurnVideoCD2:
        case OperationId::EstimateTrackSize:
        case OperationId::BurnAtOnce:
        case OperationId::BAOCreateHandle:
        case OperationId::BAOWriteToFile:
        case OperationId::BAOCloseHandle:
            return true;
        default:
            return false;
    }
}

bool BusyAllows(std::span<const BusyEntry> registered, OperationId request, long nonEmptyRewritableCount) noexcept {
    if (registered.empty()) return true;
    return registered.size() == 1 && request == OperationId::EraseDisc && nonEmptyRewritableCount > 0 &&
           MayAskNonEmptyRewritable(registered.front().id);
}

class BusyRegistry::Guard {
public:
    explicit Guard(CRITICAL_SECTION& cs) noexcept : cs_(cs) { ::EnterCriticalSection(&cs_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    ~Guard() { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION& cs_;
};

BusyRegistry::BusyRegistry() noexcept { ::InitializeCriticalSection(&lock_); }
BusyRegistry::~BusyRegistry() { ::DeleteCriticalSection(&lock_); }

BusyRegistry& BusyRegistry::Module() noexcept {
    static BusyRegistry registry;
    return registry;
}

void BusyRegistry::Enter(const void* drive) noexcept {
    Guard g(lock_);
    try {
        drives_[drive].clear();
    } catch (...) {
        // Register enters the drive again when it can.
    }
}

void BusyRegistry::Leave(const void* drive) noexcept {
    Guard g(lock_);
    drives_.erase(drive);
}

bool BusyRegistry::Register(const void* drive, OperationId id, const void* arg) noexcept {
    Guard g(lock_);
    try {
        drives_[drive].push_back({id, arg});
        return true;
    } catch (...) {
        return false;
    }
}

void BusyRegistry::Unregister(const void* drive, OperationId id, const void* arg) noexcept {
    Guard g(lock_);
    auto it = drives_.find(drive);
    if (it == drives_.end() || it->second.empty()) return;
    std::vector<BusyEntry>& list = it->second;
    auto own = std::find_if(list.rbegin(), list.rend(),
                            [&](const BusyEntry& e) { return e.id == id && e.arg == arg; });
    if (own != list.rend())
        list.erase(std::next(own).base());
    else
        list.pop_back();
}

bool BusyRegistry::Allows(const void* drive, OperationId request, long nonEmptyRewritableCount) const noexcept {
    Guard g(lock_);
    auto it = drives_.find(drive);
    if (it == drives_.end()) return true;
    return BusyAllows(it->second, request, nonEmptyRewritableCount);
}

std::size_t BusyRegistry::Count(const void* drive) const noexcept {
    Guard g(lock_);
    auto it = drives_.find(drive);
    return it == drives_.end() ? 0 : it->second.size();
}

}  // namespace vexo

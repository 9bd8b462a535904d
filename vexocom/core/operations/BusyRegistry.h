// BusyRegistry: which asynchronous operations run on which drive. One
// module-wide map from a drive (the address of its entry copy) to the list
// of operations registered for it, guarded by one critical section. A drive
// is entered when it is created and left when it goes.
//
// The busy rule: a drive with no registered operation allows anything. One
// case is tolerated while an operation is registered: an erase (or an
// erasing-time query) requested while the engine's "disc is not empty"
// question of a burn is being answered, so that the client can erase the
// disc from its handler while the burn that asked waits. Everything else is
// refused.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace vexo {

// The identity of a drive operation in the registry.
enum class OperationId : uint8_t {
    None,  // a synchronous guarded member
    EraseDisc,
    DAE,
    CDInfo,
    WaitForDisc,
    BurnImage2,
    BurnIsoAudioCD,
    BurnVideoCD2,
    BurnFreestyleCD,
    BurnFileSystemContent,
    BurnDiscCopy,
    EstimateTrackSize,
    ImportIsoTrack,
    BurnAtOnce,
    BAOCreateHandle,
    BAOWriteToFile,
    BAOCloseHandle,
};

struct BusyEntry {
    OperationId id = OperationId::None;
    const void* arg = nullptr;  // the operation record
};

// ---- the rule (pure) ---------------------------------------------------------

// True for the operations that may ask the "disc is not empty" question
// while they hold the drive.
bool MayAskNonEmptyRewritable(OperationId registered) noexcept;

// Whether a guarded member with identity `request` may go on while
// `registered` are registered on its drive; `nonEmptyRewritableCount` is the
// module-wide count of questions being delivered.
bool BusyAllows(std::span<const BusyEntry> registered, OperationId request, long nonEmptyRewritableCount) noexcept;

// ---- the registry ------------------------------------------------------------

class BusyRegistry {
public:
    BusyRegistry() noexcept;
    ~BusyRegistry();
    BusyRegistry(const BusyRegistry&) = delete;
    BusyRegistry& operator=(const BusyRegistry&) = delete;

    // The module's registry.
    static BusyRegistry& Module() noexcept;

    // A new drive (empty list) / a drive going away (its list dropped).
    void Enter(const void* drive) noexcept;
    void Leave(const void* drive) noexcept;

    // Registers an operation; false when memory is short.
    bool Register(const void* drive, OperationId id, const void* arg) noexcept;
    // Removes the most recently registered entry of this operation (id and
    // record); without one, the most recently registered entry of the drive.
    void Unregister(const void* drive, OperationId id, const void* arg) noexcept;

    bool Allows(const void* drive, OperationId request, long nonEmptyRewritableCount) const noexcept;
    std::size_t Count(const void* drive) const noexcept;

private:
    class Guard;
    mutable CRITICAL_SECTION lock_;
    std::map<const void*, std::vector<BusyEntry>> drives_;
};

}  // namespace vexo

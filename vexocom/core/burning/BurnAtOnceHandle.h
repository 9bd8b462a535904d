// BurnAtOnceHandle: the drive's burn-at-once handle, through which a client
// writes a container's files to the disc itself: create the handle, then
// open, write and close each file, then close the handle.
//
// At most one handle per drive. Creating, writing and closing the handle
// are asynchronous operations of the drive (busy rule, completion events);
// opening and closing a file are synchronous calls on the client's thread.
// The drive keeps the record the engine was given, the temporary directory
// it points to and a reference to the container (locked while the handle
// is being created or held). A second create while the first is still
// being made is refused as one while a handle is held (545); a create the
// engine refuses unlocks the container at once. The drive's end closes a
// handle still open as cancelled.
#pragma once

#include <oaidl.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "EngineRecords.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "compilation/VexoFileSystemDescContainer.h"

namespace vexo {

class VexoDrive;

namespace burning {

class BurnAtOnceHandle {
public:
    BurnAtOnceHandle() noexcept = default;
    BurnAtOnceHandle(const BurnAtOnceHandle&) = delete;
    BurnAtOnceHandle& operator=(const BurnAtOnceHandle&) = delete;
    ~BurnAtOnceHandle();

    // The members of the drive.
    HRESULT Create(VexoDrive& drive, IVexoFileSystemDescContainer* content, BSTR tempDirectory,
                   VEXO_BURN_FLAGS flags, LONG speed);
    HRESULT OpenFile(VexoDrive& drive, BSTR name, LONG* offset, VEXO_BURN_ERROR* error);
    HRESULT Write(VexoDrive& drive, const VARIANT& buffer, LONG count);
    HRESULT CloseFile(VexoDrive& drive, VEXO_BURN_ERROR* error);
    HRESULT Close(VexoDrive& drive, VEXO_BAO_FLAGS flags);

    // Closes a handle still held, as cancelled (the drive is going).
    void CloseCancelled() noexcept;

    // For the operations' workers.
    void* Handle() const noexcept;
    int32_t CreateOnEngine(void* device, uint32_t flags, int32_t speed, void* progress) noexcept;
    int32_t CloseOnEngine(uint32_t flags) noexcept;

private:
    enum class State { None, Creating, Held };

    // Clears the handle and lets the container go (under the lock).
    void ForgetLocked() noexcept;

    mutable std::mutex mutex_;
    State state_ = State::None;
    void* handle_ = nullptr;
    std::array<uint8_t, EngineRecords::BurnAtOnceRecord::Size> record_{};
    std::string tempDirectory_;
    com::ComPtr<VexoFileSystemDescContainer> container_;
};

}  // namespace burning
}  // namespace vexo

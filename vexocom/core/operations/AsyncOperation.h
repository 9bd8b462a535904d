// AsyncOperation: one long drive operation run on a worker thread of its
// own. The member that starts it fills the record on the client's thread
// and calls Start, which clears the abort request, creates the worker
// suspended, registers the operation for the drive in the BusyRegistry and
// resumes the worker. From then on the worker owns the record: it enters a
// single-threaded apartment of its own, runs the operation (engine call,
// Unregister, completion event) and frees the record.
//
// The record holds a reference to its drive, so the drive and its
// forwarder outlive the operation even when the client lets go of it. The
// worker holds that reference through a proxy from the drive's apartment,
// so when it is the last one it is given back on the drive's thread: the
// device is closed, and the engine unloaded, where the engine object lives.
#pragma once

#include <windows.h>

#include <memory>

#include "operations/BusyRegistry.h"
#include "VexoInterfaces.h"
#include "com/ComPtr.h"
#include "com/GlobalInterfaceTable.h"

namespace vexo {

class VexoDrive;

class AsyncOperation {
public:
    explicit AsyncOperation(OperationId id) noexcept : id_(id) {}
    virtual ~AsyncOperation();
    AsyncOperation(const AsyncOperation&) = delete;
    AsyncOperation& operator=(const AsyncOperation&) = delete;

    OperationId Id() const noexcept { return id_; }
    VexoDrive& Drive() const noexcept { return *drive_; }

    // Starts `op` on `drive`; S_OK once the worker runs. Error 519 when the
    // thread cannot be made (nothing registered, the record freed).
    static HRESULT Start(VexoDrive& drive, std::unique_ptr<AsyncOperation> op);

    // When the calling thread is the worker of an operation of `drive`, the
    // forwarder it obtained once for its apartment (so that engine callbacks
    // on the worker do not fetch it again for every event); null otherwise.
    static com::ComPtr<__IVexoDriveEvents__> CurrentThreadEvents(const VexoDrive* drive) noexcept;

protected:
    // The worker's body, in the worker's apartment.
    virtual void Run() = 0;
    // Takes the operation out of the BusyRegistry (before the completion
    // event, so a handler may start the next operation).
    void Unregister() noexcept;
    // The drive's forwarder for the calling thread's apartment (null when
    // it cannot be reached); on the worker, the one fetched at its start.
    com::ComPtr<__IVexoDriveEvents__> Events() const noexcept;

private:
    static DWORD WINAPI Worker(void* param);

    OperationId id_;
    VexoDrive* drive_ = nullptr;       // kept alive by held_ or by the worker's proxy
    com::MarshalledOnce handOver_;     // the drive for the worker's apartment
    com::ComPtr<VexoDrive> held_;      // until the worker holds the proxy
    bool registered_ = false;
};

}  // namespace vexo

#include "operations/AsyncOperation.h"

#include <objbase.h>

#include "engineobject/EngineState.h"
#include "com/ReportError.h"
#include "drives/VexoDrive.h"
#include "WinHandles.h"

namespace vexo {

namespace {
// The worker's drive and forwarder while its operation runs (not owned:
// the worker holds both).
thread_local const VexoDrive* t_drive = nullptr;
thread_local __IVexoDriveEvents__* t_events = nullptr;
}  // namespace

com::ComPtr<__IVexoDriveEvents__> AsyncOperation::CurrentThreadEvents(const VexoDrive* drive) noexcept {
    if (!drive || drive != t_drive || !t_events) return {};
    return com::ComPtr<__IVexoDriveEvents__>(t_events);
}

AsyncOperation::~AsyncOperation() {
    // An operation that ends without unregistering (it failed early) must
    // not leave its drive busy.
    Unregister();
}

HRESULT AsyncOperation::Start(VexoDrive& drive, std::unique_ptr<AsyncOperation> op) {
    if (!op) return E_OUTOFMEMORY;
    engine::SetAbort(false);
    win::unique_handle thread(::CreateThread(nullptr, 0, &Worker, op.get(), CREATE_SUSPENDED, nullptr));
    if (!thread) return drive.Fail(kErrWorkerThread);
    op->drive_ = &drive;
    op->held_ = com::ComPtr<VexoDrive>(&drive);
    op->handOver_.Marshal(drive.Identity(), IID_IUnknown);  // without it the worker keeps held_
    op->registered_ = BusyRegistry::Module().Register(drive.BusyKey(), op->id_, op.get());
    const bool registered = op->registered_;
    op.release();  // the worker owns it now; unregistered, it only frees it
    ::ResumeThread(thread.get());
    return registered ? S_OK : E_OUTOFMEMORY;
}

void AsyncOperation::Unregister() noexcept {
    if (!registered_ || !drive_) return;
    registered_ = false;
    BusyRegistry::Module().Unregister(drive_->BusyKey(), id_, this);
}

com::ComPtr<__IVexoDriveEvents__> AsyncOperation::Events() const noexcept {
    com::ComPtr<__IVexoDriveEvents__> f = CurrentThreadEvents(drive_);
    if (!f && drive_) drive_->DriveEvents(f);
    return f;
}

DWORD WINAPI AsyncOperation::Worker(void* param) {
    std::unique_ptr<AsyncOperation> op(static_cast<AsyncOperation*>(param));
    if (!op->registered_) return 0;  // the start failed after the thread was made
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // From here the drive stays alive through a proxy, whose release goes
    // back to the drive's apartment; the record's own reference can go.
    com::ComPtr<IUnknown> keepAlive;
    if (SUCCEEDED(op->handOver_.Take(IID_IUnknown, keepAlive.put_void()))) op->held_.reset();
    {
        com::ComPtr<__IVexoDriveEvents__> events = op->Events();
        t_drive = op->drive_;
        t_events = events.get();
        op->Run();
        t_drive = nullptr;
        t_events = nullptr;
    }
    op.reset();
    keepAlive.reset();  // possibly the drive's last reference, released on the drive's thread
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return 0;
}

}  // namespace vexo

#include "DriveChangeNotifier.h"

#include "SimEngine.h"

#include <algorithm>
#include <chrono>

namespace vexosim {

namespace {

// What the engine thread receives: the notifier and its reference on this DLL.
struct Start {
    DriveChangeNotifier* self;
    HMODULE pin;
};

}  // namespace

std::int32_t DriveChangeNotifier::Register(DriveChangeCallback cb, void* userData, const std::vector<DriveChangeEvent>& events) {
    if (!cb) return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Registration& r : registrations_)
        if (r.kind == Kind::Change && r.cb == reinterpret_cast<void*>(cb) && r.userData == userData) return -1;
    Registration reg{Kind::Change, reinterpret_cast<void*>(cb), userData, nextId_++, 0, StatusTarget{}};
    registrations_.push_back(reg);
    ULONGLONG now = GetTickCount64();
    for (const DriveChangeEvent& e : events) pending_.push_back({now + e.delayMs, reg.id, e.host, e.target, e.status});
    if (!events.empty()) StartThreadLocked();
    changed_.notify_all();
    return 0;
}

std::int32_t DriveChangeNotifier::Unregister(DriveChangeCallback cb, void* userData) {
    return Remove(Kind::Change, 0, 0, reinterpret_cast<void*>(cb), userData);
}

std::int32_t DriveChangeNotifier::RegisterStatus(std::int32_t type, const StatusTarget& target, DriveStatusCallback cb, void* userData,
                                                 const std::vector<StatusEvent>& events) {
    if (!cb) return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Registration& r : registrations_)
        if (r.kind == Kind::Status && r.type == type && r.target.device == target.device && r.cb == reinterpret_cast<void*>(cb) &&
            r.userData == userData)
            return -1;
    Registration reg{Kind::Status, reinterpret_cast<void*>(cb), userData, nextId_++, type, target};
    registrations_.push_back(reg);
    ULONGLONG now = GetTickCount64();
    bool any = false;
    for (const StatusEvent& e : events) {
        if (e.type != type) continue;
        pending_.push_back({now + e.delayMs, reg.id, target.value1, target.value2, e.status});
        any = true;
    }
    if (any) StartThreadLocked();
    changed_.notify_all();
    return 0;
}

std::int32_t DriveChangeNotifier::UnregisterStatus(std::int32_t type, std::int32_t device, DriveStatusCallback cb, void* userData) {
    return Remove(Kind::Status, type, device, reinterpret_cast<void*>(cb), userData);
}

std::int32_t DriveChangeNotifier::Remove(Kind kind, std::int32_t type, std::int32_t device, void* cb, void* userData) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = std::find_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) {
        return r.kind == kind && r.cb == cb && r.userData == userData &&
               (kind == Kind::Change || (r.type == type && r.target.device == device));
    });
    if (it == registrations_.end()) return -1;
    std::uint64_t id = it->id;
    registrations_.erase(it);
    for (auto p = pending_.begin(); p != pending_.end();) {
        if (p->registration == id) {
            Settle(*p, false);
            p = pending_.erase(p);
        } else {
            ++p;
        }
    }
    changed_.notify_all();
    // A call of this registration running on the engine thread ends first
    // (unless it is that call which unregisters).
    if (GetCurrentThreadId() != engineThread_) changed_.wait(lock, [&] { return calling_ != id; });
    return 0;
}

std::int32_t DriveChangeNotifier::FireAll(std::int32_t host, std::int32_t target, std::int32_t status) {
    std::lock_guard<std::mutex> lock(mutex_);
    ULONGLONG now = GetTickCount64();
    std::int32_t n = 0;
    for (const Registration& r : registrations_) {
        if (r.kind != Kind::Change) continue;
        pending_.push_back({now, r.id, host, target, status});
        ++n;
    }
    if (n) StartThreadLocked();
    changed_.notify_all();
    return n;
}

std::int32_t DriveChangeNotifier::FireStatusAndWait(std::int32_t device, std::int32_t type, std::int32_t status, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (GetCurrentThreadId() == engineThread_) return -1;  // it would wait for itself
    ULONGLONG now = GetTickCount64();
    std::uint64_t batch = nextBatch_++;
    Batch& b = batches_[batch];
    for (const Registration& r : registrations_) {
        if (r.kind != Kind::Status || r.type != type || r.target.device != device) continue;
        pending_.push_back({now, r.id, r.target.value1, r.target.value2, status, batch});
        ++b.outstanding;
    }
    if (b.outstanding) StartThreadLocked();
    changed_.notify_all();
    bool done = changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return batches_[batch].outstanding == 0; });
    std::int32_t called = batches_[batch].called;
    if (!done) {
        // Not delivered in time: the rest is dropped.
        std::erase_if(pending_, [batch](const Pending& p) { return p.batch == batch; });
    }
    batches_.erase(batch);
    return done ? called : -1;
}

void DriveChangeNotifier::Settle(const Pending& p, bool called) {
    if (!p.batch) return;
    auto it = batches_.find(p.batch);
    if (it == batches_.end()) return;
    --it->second.outstanding;
    if (called) ++it->second.called;
}

bool DriveChangeNotifier::WaitIdle(DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return pending_.empty() && inFlight_ == 0; }))
            return false;
    }
    // The engine thread has left its loop; let it end too.
    while (threadsAlive_.load() > 0) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(1);
    }
    return true;
}

void DriveChangeNotifier::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    registrations_.clear();
    for (const Pending& p : pending_) Settle(p, false);
    pending_.clear();
    changed_.notify_all();
}

std::int32_t DriveChangeNotifier::Registrations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int32_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                                   [](const Registration& r) { return r.kind == Kind::Change; }));
}

std::int32_t DriveChangeNotifier::StatusRegistrations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int32_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                                   [](const Registration& r) { return r.kind == Kind::Status; }));
}

void DriveChangeNotifier::StartThreadLocked() {
    if (threadRunning_) return;
    HMODULE pin = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&DriveChangeNotifier::ThreadMain), &pin))
        return;
    auto* start = new (std::nothrow) Start{this, pin};
    ++threadsAlive_;
    HANDLE thread = start ? CreateThread(nullptr, 0, &DriveChangeNotifier::ThreadMain, start, 0, nullptr) : nullptr;
    if (!thread) {
        --threadsAlive_;
        delete start;
        FreeLibrary(pin);
        return;
    }
    CloseHandle(thread);
    threadRunning_ = true;
}

DWORD WINAPI DriveChangeNotifier::ThreadMain(void* param) {
    Start start = *static_cast<Start*>(param);
    delete static_cast<Start*>(param);
    try {
        start.self->Run();
    } catch (...) {
    }
    --start.self->threadsAlive_;
    FreeLibraryAndExitThread(start.pin, 0);
}

void DriveChangeNotifier::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    engineThread_ = GetCurrentThreadId();
    while (true) {
        if (pending_.empty()) {
            threadRunning_ = false;
            engineThread_ = 0;
            changed_.notify_all();
            return;
        }
        auto next = std::min_element(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) { return a.due < b.due; });
        ULONGLONG now = GetTickCount64();
        if (next->due > now) {
            changed_.wait_for(lock, std::chrono::milliseconds(next->due - now));
            continue;
        }
        Pending p = *next;
        pending_.erase(next);
        auto reg = std::find_if(registrations_.begin(), registrations_.end(), [&](const Registration& r) { return r.id == p.registration; });
        if (reg == registrations_.end()) {
            Settle(p, false);
            changed_.notify_all();
            continue;
        }
        Registration target = *reg;
        ++inFlight_;
        calling_ = target.id;
        lock.unlock();
        std::int32_t answer = 0;
        if (target.kind == Kind::Change)
            answer = reinterpret_cast<DriveChangeCallback>(target.cb)(p.host, p.target, p.status, target.userData);
        else
            answer = reinterpret_cast<DriveStatusCallback>(target.cb)(p.host, p.target, p.status, target.userData);
        lock.lock();
        calling_ = 0;
        changed_.notify_all();
        lock.unlock();
        {
            // The engine lock only with the notifier's released: exports take
            // them the other way round.
            SimEngine& e = SimEngine::Get();
            auto engineLock = e.Lock();
            if (target.kind == Kind::Change) {
                e.Count("drivechange.fired");
                if (answer) e.Count("drivechange.accepted");
                e.SetText("drivechange.last", Format("%d,%d,%d", p.host, p.target, p.status));
                e.Log(Format("drive change %d,%d,%d delivered, callback answered %d", p.host, p.target, p.status, answer));
            } else {
                e.Count("status.fired");
                if (answer) e.Count("status.accepted");
                e.SetText("status.last", Format("%d,%d,%d", target.target.device, target.type, p.status));
                e.Log(Format("drive status %d of device %d type %d delivered, callback answered %d", p.status, target.target.device,
                             target.type, answer));
            }
        }
        lock.lock();
        --inFlight_;
        Settle(p, true);
        changed_.notify_all();
    }
}

}  // namespace vexosim

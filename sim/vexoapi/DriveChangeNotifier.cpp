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
        if (r.cb == cb && r.userData == userData) return -1;
    Registration reg{cb, userData, nextId_++};
    registrations_.push_back(reg);
    ULONGLONG now = GetTickCount64();
    for (const DriveChangeEvent& e : events) pending_.push_back({now + e.delayMs, reg.id, e.host, e.target, e.status});
    if (!events.empty()) StartThreadLocked();
    changed_.notify_all();
    return 0;
}

std::int32_t DriveChangeNotifier::Unregister(DriveChangeCallback cb, void* userData) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(registrations_.begin(), registrations_.end(),
                           [&](const Registration& r) { return r.cb == cb && r.userData == userData; });
    if (it == registrations_.end()) return -1;
    std::uint64_t id = it->id;
    registrations_.erase(it);
    std::erase_if(pending_, [id](const Pending& p) { return p.registration == id; });
    changed_.notify_all();
    return 0;
}

std::int32_t DriveChangeNotifier::FireAll(std::int32_t host, std::int32_t target, std::int32_t status) {
    std::lock_guard<std::mutex> lock(mutex_);
    ULONGLONG now = GetTickCount64();
    for (const Registration& r : registrations_) pending_.push_back({now, r.id, host, target, status});
    if (!registrations_.empty()) StartThreadLocked();
    changed_.notify_all();
    return static_cast<std::int32_t>(registrations_.size());
}

bool DriveChangeNotifier::WaitIdle(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return pending_.empty() && inFlight_ == 0; });
}

void DriveChangeNotifier::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    registrations_.clear();
    pending_.clear();
    changed_.notify_all();
}

std::int32_t DriveChangeNotifier::Registrations() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int32_t>(registrations_.size());
}

void DriveChangeNotifier::StartThreadLocked() {
    if (threadRunning_) return;
    HMODULE pin = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&DriveChangeNotifier::ThreadMain), &pin))
        return;
    auto* start = new (std::nothrow) Start{this, pin};
    HANDLE thread = start ? CreateThread(nullptr, 0, &DriveChangeNotifier::ThreadMain, start, 0, nullptr) : nullptr;
    if (!thread) {
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
    FreeLibraryAndExitThread(start.pin, 0);
}

void DriveChangeNotifier::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        if (pending_.empty()) {
            threadRunning_ = false;
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
        if (reg == registrations_.end()) continue;
        Registration target = *reg;
        ++inFlight_;
        lock.unlock();
        std::int32_t answer = target.cb(p.host, p.target, p.status, target.userData);
        {
            SimEngine& e = SimEngine::Get();
            auto engineLock = e.Lock();
            e.Count("drivechange.fired");
            if (answer) e.Count("drivechange.accepted");
            e.SetText("drivechange.last", Format("%d,%d,%d", p.host, p.target, p.status));
            e.Log(Format("drive change %d,%d,%d delivered, callback answered %d", p.host, p.target, p.status, answer));
        }
        lock.lock();
        --inFlight_;
        changed_.notify_all();
    }
}

}  // namespace vexosim

// Drive-change notifications: the registered callbacks and the engine thread
// that calls them. The thread exists only while notifications are pending;
// it holds a reference on this DLL while it runs, so a client that unloads
// the engine early does not pull the code from under it.
#pragma once

#include "SimConfig.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vexosim {

using DriveChangeCallback = std::int32_t(WINAPI*)(std::int32_t host, std::int32_t target, std::int32_t status, void* userData);

class DriveChangeNotifier {
public:
    // 0 when registered; -1 for a null callback or a pair already registered.
    // The events are scheduled for this registration, each after its delay.
    std::int32_t Register(DriveChangeCallback cb, void* userData, const std::vector<DriveChangeEvent>& events);
    // 0 when the pair was registered; -1 otherwise.
    std::int32_t Unregister(DriveChangeCallback cb, void* userData);
    // Queues one notification for every registration; returns how many.
    std::int32_t FireAll(std::int32_t host, std::int32_t target, std::int32_t status);
    // Waits until nothing is pending and no callback runs; false on timeout.
    bool WaitIdle(DWORD timeoutMs);
    // Drops every registration and every pending notification.
    void Clear();
    std::int32_t Registrations();

private:
    struct Registration {
        DriveChangeCallback cb;
        void* userData;
        std::uint64_t id;
    };
    struct Pending {
        ULONGLONG due;
        std::uint64_t registration;
        std::int32_t host, target, status;
    };

    void StartThreadLocked();  // with mutex_ held
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Registration> registrations_;
    std::vector<Pending> pending_;
    std::uint64_t nextId_ = 1;
    bool threadRunning_ = false;
    int inFlight_ = 0;
};

}  // namespace vexosim

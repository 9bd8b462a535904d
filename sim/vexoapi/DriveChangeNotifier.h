// The engine's notifications: drive-change and drive-status callbacks, their
// registrations, and the engine thread that calls them. The thread exists
// only while notifications are pending; it holds a reference on this DLL
// while it runs, so a client that unloads the engine early does not pull the
// code from under it. Unregistering waits for a call of that registration
// running on the engine thread, so a caller may free its user data at once.
#pragma once

#include "SimConfig.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace vexosim {

using DriveChangeCallback = std::int32_t(WINAPI*)(std::int32_t host, std::int32_t target, std::int32_t status, void* userData);
using DriveStatusCallback = std::int32_t(WINAPI*)(std::int32_t value1, std::int32_t value2, std::int32_t status, void* userData);

// Where a drive-status registration points: the device, the two values its
// callback receives first (host adapter number, device id).
struct StatusTarget {
    std::int32_t device = -1;
    std::int32_t value1 = 0;
    std::int32_t value2 = 0;
};

class DriveChangeNotifier {
public:
    // 0 when registered; -1 for a null callback or a pair already registered.
    // The events are scheduled for this registration, each after its delay.
    std::int32_t Register(DriveChangeCallback cb, void* userData, const std::vector<DriveChangeEvent>& events);
    // 0 when the pair was registered; -1 otherwise.
    std::int32_t Unregister(DriveChangeCallback cb, void* userData);
    // Queues one notification for every registration; returns how many.
    std::int32_t FireAll(std::int32_t host, std::int32_t target, std::int32_t status);

    // The same for drive-status callbacks, by type, device, callback and
    // user data; the events of that type follow the registration.
    std::int32_t RegisterStatus(std::int32_t type, const StatusTarget& target, DriveStatusCallback cb, void* userData,
                                const std::vector<StatusEvent>& events);
    std::int32_t UnregisterStatus(std::int32_t type, std::int32_t device, DriveStatusCallback cb, void* userData);
    // Queues one notification for every status registration of that device
    // and type, waits until the engine thread has dealt with them and
    // returns how many callbacks it called (-1 on timeout, or when called
    // from a callback on the engine thread).
    std::int32_t FireStatusAndWait(std::int32_t device, std::int32_t type, std::int32_t status, DWORD timeoutMs);

    // Waits until nothing is pending and no callback runs; false on timeout.
    bool WaitIdle(DWORD timeoutMs);
    // Drops every registration and every pending notification.
    void Clear();
    std::int32_t Registrations() const;        // drive-change registrations
    std::int32_t StatusRegistrations() const;  // drive-status registrations
    std::int32_t ThreadsAlive() const { return threadsAlive_.load(); }

private:
    enum class Kind { Change, Status };
    struct Registration {
        Kind kind;
        void* cb;
        void* userData;
        std::uint64_t id;
        std::int32_t type = 0;
        StatusTarget target;
    };
    struct Pending {
        ULONGLONG due;
        std::uint64_t registration;
        std::int32_t host, target, status;
        std::uint64_t batch = 0;  // a FireStatusAndWait call waiting for it
    };
    struct Batch {
        std::int32_t outstanding = 0;
        std::int32_t called = 0;
    };

    std::int32_t Remove(Kind kind, std::int32_t type, std::int32_t device, void* cb, void* userData);
    void Settle(const Pending& p, bool called);  // with mutex_ held
    void StartThreadLocked();                    // with mutex_ held
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Registration> registrations_;
    std::vector<Pending> pending_;
    std::map<std::uint64_t, Batch> batches_;
    std::uint64_t nextId_ = 1;
    std::uint64_t nextBatch_ = 1;
    bool threadRunning_ = false;
    int inFlight_ = 0;
    std::uint64_t calling_ = 0;  // the registration whose callback runs now
    DWORD engineThread_ = 0;
    std::atomic<int> threadsAlive_{0};
};

}  // namespace vexosim

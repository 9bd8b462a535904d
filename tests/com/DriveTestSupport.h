// The drive tests' client: an engine object, its drives, and a late-bound
// sink on drive 0's _IVexoDriveEvents, all in this thread's apartment, which
// pumps messages while it waits for events.
#pragma once

#include <string>

#include "ServerTestSupport.h"

namespace drivetest {

using namespace servertest;

constexpr HRESULT Err(unsigned id) { return static_cast<HRESULT>(0x80040000u + id); }

// _IVexoDriveEvents dispatch ids.
enum DriveEvent : DISPID {
    kOnProgress = 1,
    kOnAddLogLine = 2,
    kOnSetPhase = 3,
    kOnDisableAbort = 4,
    kOnWriteDAE = 5,
    kOnDoneDAE = 6,
    kOnDoneErase = 7,
    kOnDoneBurn = 8,
    kOnAborted = 9,
    kOnMajorPhase = 11,
    kOnSubTaskProgress = 12,
    kOnDoneWaitForMedia = 13,
    kOnDoneCDInfo = 14,
    kOnDriveStatusChanged = 16,
};

// Two recorders: device 0 with a rewritable disc and a letter, device 1
// without either. `extra0` goes into device 0's section, `extra` after both.
std::string TwoDrives(const std::string& extra0 = "", const std::string& extra1 = "", const std::string& extra = "");

// The simulated engine's drive-status export.
int FireDriveStatus(int deviceIndex, int type, int status);

// The samples the simulated disc holds at block b, pair i.
inline int16_t LeftSample(long b, int i) { return static_cast<int16_t>(static_cast<uint16_t>((b * 588 + i) * 7)); }
inline int16_t RightSample(long b, int i) { return static_cast<int16_t>(static_cast<uint16_t>(LeftSample(b, i) ^ 0x5555)); }

class DriveClient {
public:
    // Configures the engine with `config`, makes the engine object, the
    // drives and a sink on drive 0.
    explicit DriveClient(const std::string& config);
    ~DriveClient();

    // Every object was made.
    bool ok() const { return vexo_ && drive0_ && drive1_ && sink0_ && cookie0_; }
    IVexo4* vexo() const { return vexo_.get(); }
    IVexoDrive5* drive(int i = 0) const { return i == 0 ? drive0_.get() : drive1_.get(); }
    LateBoundSink& sink(int i = 0) const { return i == 0 ? *sink0_ : *sink1_; }
    // Advises a sink on drive 1 too.
    void SinkDrive1();
    // Lets go of drive i (and its sink); the drive itself goes once the
    // collection is released too (DropAll).
    void DropDrive(int i);
    void DropAll();

    // Pumps until `id` arrived `count` times on drive i's sink.
    bool WaitFor(DISPID id, size_t count = 1, int ms = 10000, int i = 0);

private:
    Ptr<IVexo4> vexo_;
    Ptr<IVexoDrives> drives_;
    Ptr<IVexoDrive5> drive0_, drive1_;
    LateBoundSink* sink0_ = nullptr;
    LateBoundSink* sink1_ = nullptr;
    DWORD cookie0_ = 0, cookie1_ = 0;
};

// Process figures for leak checks.
long ThreadCount();
long HandleCount();
// Bytes allocated and not freed in all of the process's heaps.
size_t HeapBytes();

}  // namespace drivetest

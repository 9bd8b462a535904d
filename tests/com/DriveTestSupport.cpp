#include "DriveTestSupport.h"

#include <tlhelp32.h>

#include <vector>

namespace drivetest {

std::string TwoDrives(const std::string& extra0, const std::string& extra1, const std::string& extra) {
    return "[Device]\nName=Drive Zero\nDriveLetter=R\nDevType=1\nReadBase=176\nReadSpeeds=8,16,24\n"
           "WriteBase=150\nWriteSpeeds=4,8\n" +
           extra0 + "\n[Device]\nName=Drive One\nDriveLetter=none\nDevType=2\n" + extra1 + "\n" + extra;
}

int FireDriveStatus(int deviceIndex, int type, int status) {
    HMODULE engine = GetModuleHandleA("VexoAPI.dll");
    auto f = engine ? reinterpret_cast<int32_t(WINAPI*)(int32_t, int32_t, int32_t)>(
                          reinterpret_cast<void*>(GetProcAddress(engine, "VexoSimFireDriveStatus")))
                    : nullptr;
    return f ? f(deviceIndex, type, status) : -12345;
}

DriveClient::DriveClient(const std::string& config) {
    sim::Configure(config.c_str());
    vexo_ = NewVexoWithEngine();
    if (!vexo_) return;
    EXPECT_EQ(vexo_->GetDrives(VEXO_MEDIA_ANY, drives_.put()), S_OK);
    if (!drives_) return;
    EXPECT_EQ(drives_->Item(0, drive0_.put()), S_OK);
    EXPECT_EQ(drives_->Item(1, drive1_.put()), S_OK);
    sink0_ = new LateBoundSink;
    if (drive0_) cookie0_ = AdviseSink(drive0_.get(), DIID__IVexoDriveEvents, sink0_);
    EXPECT_NE(cookie0_, 0u);
}

void DriveClient::SinkDrive1() {
    if (sink1_ || !drive1_) return;
    sink1_ = new LateBoundSink;
    cookie1_ = AdviseSink(drive1_.get(), DIID__IVexoDriveEvents, sink1_);
    EXPECT_NE(cookie1_, 0u);
}

void DriveClient::DropDrive(int i) {
    Ptr<IVexoDrive5>& d = i == 0 ? drive0_ : drive1_;
    DWORD& cookie = i == 0 ? cookie0_ : cookie1_;
    if (d && cookie) UnadviseSink(d.get(), DIID__IVexoDriveEvents, cookie);
    cookie = 0;
    d.reset();
}

void DriveClient::DropAll() {
    DropDrive(0);
    DropDrive(1);
    drives_.reset();
}

DriveClient::~DriveClient() {
    DropAll();
    vexo_.reset();
    if (sink0_) sink0_->Release();
    if (sink1_) sink1_->Release();
    // Workers still ending hold their drive (and so the engine) for a
    // moment after their completion event.
    EXPECT_TRUE(PumpUntil([] { return sim::Counter("init.active") == 0; }, 10000)) << "engine left initialised";
    sim::WaitIdle(5000);
}

bool DriveClient::WaitFor(DISPID id, size_t count, int ms, int i) {
    LateBoundSink* s = i == 0 ? sink0_ : sink1_;
    if (!s) return false;
    return PumpUntil([&] { return s->Count(id) >= count; }, ms);
}

long ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 e{};
    e.dwSize = sizeof e;
    long n = 0;
    const DWORD self = GetCurrentProcessId();
    for (BOOL ok = Thread32First(snap, &e); ok; ok = Thread32Next(snap, &e))
        if (e.th32OwnerProcessID == self) ++n;
    CloseHandle(snap);
    return n;
}

long HandleCount() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n > 0) return static_cast<long>(n);
    // Wine answers 0: count the handle values that name an open handle
    // instead (values are multiples of 4, handed out lowest first).
    long open = 0;
    DWORD flags = 0;
    for (uintptr_t h = 4, sinceLast = 0; sinceLast < 4096; h += 4, ++sinceLast) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) {
            ++open;
            sinceLast = 0;
        }
    }
    return open;
}

size_t HeapBytes() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    size_t busy = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY e{};
        while (HeapWalk(heap, &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += e.cbData;
        HeapUnlock(heap);
    }
    return busy;
}

}  // namespace drivetest

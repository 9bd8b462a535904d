// Many operations back to back on one drive and on two drives at once:
// every completion event arrives exactly once, and afterwards the process
// has no more threads, handles or engine blocks than before.
#include <gtest/gtest.h>

#include <map>

#include "DriveTestSupport.h"

using namespace drivetest;

namespace {

struct Figures {
    long threads, handles;
    int outstanding;
};

Figures Now() { return {ThreadCount(), HandleCount(), sim::Counter("outstanding")}; }

// Waits (pumping) for the workers and notification threads to end. The
// platform makes a synchronisation object or two on first need (once, at a
// moment that depends on timing), so a couple more handles than before is
// no leak; a leak grows with the rounds.
void ExpectBackTo(const Figures& base) {
    constexpr long kMadeOnce = 2;
    sim::WaitIdle(5000);
    Figures now{};
    PumpUntil(
        [&] {
            now = Now();
            return now.threads <= base.threads && now.handles <= base.handles;
        },
        5000);
    EXPECT_LE(now.threads, base.threads) << "threads grew";
    EXPECT_LE(now.handles, base.handles + kMadeOnce) << "handles grew";
    EXPECT_EQ(now.outstanding, base.outstanding) << "engine blocks left";
}

// Starts operation `kind` on `drive`; the completion event it fires.
DISPID StartOne(IVexoDrive5* drive, int kind, bool rewritable) {
    LONG t = 0;
    Bstr image(L"stress.iso");
    switch (kind % 5) {
        case 0:
            if (rewritable) {
                EXPECT_EQ(drive->EraseDisc(VARIANT_TRUE, static_cast<VEXO_ERASE_MODE>(0), &t), S_OK);
                return kOnDoneErase;
            }
            [[fallthrough]];
        case 1:
            EXPECT_EQ(drive->CDInfo(static_cast<VEXO_CDINFO_FLAGS>(1)), S_OK);
            return kOnDoneCDInfo;
        case 2:
            EXPECT_EQ(drive->WaitForMedia(VEXO_MEDIA_ANY, static_cast<VEXO_BURN_FLAGS>(0), nullptr), S_OK);
            return kOnDoneWaitForMedia;
        case 3:
            EXPECT_EQ(drive->DAE(0, 2, nullptr, 0), S_OK);
            return kOnDoneDAE;
        default:
            EXPECT_EQ(drive->BurnImage(image.get(), static_cast<VEXO_BURN_FLAGS>(0), 0), S_OK);
            return kOnDoneBurn;
    }
}

const std::string kQuick = TwoDrives("OperationMs=0\n", "OperationMs=0\n", "[Burn]\nSteps=1\nStepMs=0\n");

TEST(DriveStressTest, ThousandOperationsBackToBackOnOneDrive) {
    DriveClient c(kQuick);
    ASSERT_TRUE(c.ok());
    std::map<DISPID, size_t> expected;
    for (int k = 0; k < 5; ++k) {  // warm-up: every kind once
        DISPID id = StartOne(c.drive(), k, true);
        ASSERT_TRUE(c.WaitFor(id, ++expected[id]));
    }
    sim::WaitIdle(5000);
    PumpUntil([] { return false; }, 200);
    const Figures base = Now();
    for (int k = 0; k < 1000; ++k) {
        DISPID id = StartOne(c.drive(), k, true);
        ASSERT_TRUE(c.WaitFor(id, ++expected[id])) << "operation " << k;
    }
    PumpUntil([] { return false; }, 200);  // anything late would arrive now
    for (const auto& [id, n] : expected) EXPECT_EQ(c.sink().Count(id), n) << "event " << id;
    ExpectBackTo(base);
}

TEST(DriveStressTest, OperationsOnTwoDrivesAtOnce) {
    DriveClient c(kQuick);
    ASSERT_TRUE(c.ok());
    c.SinkDrive1();
    std::map<DISPID, size_t> expected[2];
    auto round = [&](int k) {
        DISPID a = StartOne(c.drive(0), k, true);
        DISPID b = StartOne(c.drive(1), k + 1, false);
        ++expected[0][a];
        ++expected[1][b];
        EXPECT_TRUE(c.WaitFor(a, expected[0][a], 10000, 0));
        EXPECT_TRUE(c.WaitFor(b, expected[1][b], 10000, 1));
    };
    round(0);
    // A worker gives its engine blocks back just after its completion
    // event: let the first round's workers end before counting.
    sim::WaitIdle(5000);
    PumpUntil([] { return false; }, 200);
    const Figures base = Now();
    for (int k = 0; k < 200; ++k) round(k);
    PumpUntil([] { return false; }, 200);
    for (int d = 0; d < 2; ++d)
        for (const auto& [id, n] : expected[d]) EXPECT_EQ(c.sink(d).Count(id), n) << "drive " << d << " event " << id;
    // Each drive's events reached only its own sink.
    EXPECT_EQ(c.sink(1).Count(kOnDoneErase), 0u);
    ExpectBackTo(base);
}

}  // namespace

// The one owner template of win/: every value is given back exactly once,
// moves hand the value over, and an empty owner never gives anything back.
#include <gtest/gtest.h>

#include <vector>

#include "Owner.h"

namespace {

std::vector<int> closed;

struct IntTraits {
    using pointer = int;
    static pointer invalid() noexcept { return -1; }
    static bool empty(pointer p) noexcept { return p == -1 || p == 0; }
    static bool close(pointer p) noexcept {
        closed.push_back(p);
        return p != 13;  // 13 stands for a close that fails
    }
};
using Owner = win::unique_owner<IntTraits>;

class OwnerTest : public ::testing::Test {
protected:
    void SetUp() override { closed.clear(); }
};

TEST_F(OwnerTest, GivesItsValueBackOnceWhenItGoes) {
    { Owner a(5); }
    EXPECT_EQ(closed, std::vector<int>{5});
}

TEST_F(OwnerTest, EveryEmptyValueIsStoredAsTheInvalidOneAndNeverClosed) {
    {
        Owner zero(0), none;
        EXPECT_EQ(zero.get(), -1);
        EXPECT_FALSE(zero);
        EXPECT_FALSE(none.reset());
    }
    EXPECT_TRUE(closed.empty());
}

TEST_F(OwnerTest, AMoveHandsTheValueOverAndTheSourceGivesNothingBack) {
    {
        Owner a(7);
        Owner b(std::move(a));
        EXPECT_FALSE(a);
        Owner c(8);
        c = std::move(b);  // 8 goes back now, 7 when c goes
        EXPECT_EQ(closed, std::vector<int>{8});
    }
    EXPECT_EQ(closed, (std::vector<int>{8, 7}));
}

TEST_F(OwnerTest, ResetReportsWhetherGivingBackSucceeded) {
    Owner a(13);
    EXPECT_FALSE(a.reset(4));
    EXPECT_TRUE(a.reset());
    EXPECT_EQ(closed, (std::vector<int>{13, 4}));
}

TEST_F(OwnerTest, PutGivesBackWhatIsHeldBeforeHandingOutTheSlot) {
    Owner a(3);
    int* slot = a.put();
    EXPECT_EQ(closed, std::vector<int>{3});
    *slot = 9;
    EXPECT_EQ(a.get(), 9);
    EXPECT_EQ(a.release(), 9);
    EXPECT_EQ(closed, std::vector<int>{3});
}

}  // namespace

// The scoped owners close exactly once, whoever ends up holding the handle.
#include "base/memory/scoped_handle.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

std::vector<int> g_closed;

struct CountedTraits {
  using Handle = int;
  static int Invalid() { return -1; }
  static void Close(int handle) { g_closed.push_back(handle); }
};
using Counted = qiv::ScopedHandle<CountedTraits>;

// Two values mean "none", as a file handle's null and INVALID_HANDLE_VALUE do.
struct TwoNoneTraits {
  using Handle = int;
  static int Invalid() { return -1; }
  static bool IsValid(int handle) { return handle != -1 && handle != 0; }
  static void Close(int handle) { g_closed.push_back(handle); }
};
using TwoNone = qiv::ScopedHandle<TwoNoneTraits>;

void FreeCounted(int* value) {
  g_closed.push_back(*value);
  delete value;
}

class ScopedHandleTest : public testing::Test {
 protected:
  void SetUp() override { g_closed.clear(); }
};

TEST_F(ScopedHandleTest, ClosesOnceWhereverTheHandleMoves) {
  {
    Counted first(3);
    Counted second(std::move(first));
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(second.Get(), 3);
    Counted third(4);
    third = std::move(second);  // closes 4, takes 3
    EXPECT_EQ(g_closed, std::vector<int>{4});
    Counted& same = third;
    third = std::move(same);  // a self-move keeps the handle
    EXPECT_EQ(third.Get(), 3);
    EXPECT_TRUE(static_cast<bool>(third));
  }
  EXPECT_EQ(g_closed, (std::vector<int>{4, 3}));
}

TEST_F(ScopedHandleTest, ReleaseResetAndReceive) {
  Counted owner(5);
  EXPECT_EQ(owner.Release(), 5);
  EXPECT_FALSE(owner.IsValid());
  owner.Reset(6);
  owner.Reset(7);
  EXPECT_EQ(g_closed, std::vector<int>{6});
  *owner.Receive() = 8;  // the held one is closed before the call fills it
  EXPECT_EQ(g_closed, (std::vector<int>{6, 7}));
  owner.Reset();
  EXPECT_EQ(g_closed, (std::vector<int>{6, 7, 8}));
  owner.Reset();
  EXPECT_EQ(g_closed.size(), 3u);  // nothing held, nothing closed
}

TEST_F(ScopedHandleTest, EveryNoneOfTheTraitsIsNeverClosed) {
  {
    TwoNone zero(0);
    TwoNone invalid(-1);
    TwoNone held(2);
    EXPECT_FALSE(zero.IsValid());
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_TRUE(held.IsValid());
    zero = std::move(held);
    EXPECT_FALSE(held.IsValid());
    EXPECT_EQ(held.Get(), -1);  // a released owner holds the traits' Invalid()
  }
  EXPECT_EQ(g_closed, std::vector<int>{2});
}

TEST_F(ScopedHandleTest, FreeWithReleasesAPointerOnce) {
  {
    std::unique_ptr<int, qiv::FreeWith<FreeCounted>> owned(new int(9));
    auto moved = std::move(owned);
    std::unique_ptr<int, qiv::FreeWith<FreeCounted>> empty;
  }
  EXPECT_EQ(g_closed, std::vector<int>{9});
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "Rtl/CallbackGuard.h"
#include "Rtl/Exceptions.h"

namespace {

// Stands in for a system enumeration: calls back until told to stop, unless it is
// one of those that ignore the answer. Returns the number of calls.
template <typename Callback>
int Enumerate(int count, bool honoursStop, Callback each) {
  int calls = 0;
  for (int i = 0; i < count; ++i) {
    ++calls;
    if (!each(i) && honoursStop) break;
  }
  return calls;
}

TEST(CallbackGuard, AThrowStopsTheEnumerationAndComesBackAfterIt) {
  TCallbackGuard guard;
  std::vector<int> seen;
  int calls = Enumerate(10, true, [&](int i) noexcept {
    return guard.Run(false, [&] {
      if (i == 3) throw EKivGeneralError("third");
      seen.push_back(i);
      return true;
    });
  });
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
  ASSERT_TRUE(guard.Failed());
  try {
    guard.RethrowIfFailed();
    FAIL();
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "third");
  }
  EXPECT_FALSE(guard.Failed());
  EXPECT_NO_THROW(guard.RethrowIfFailed());
}

TEST(CallbackGuard, NothingMoreRunsOnceACallbackHasFailed) {
  TCallbackGuard guard;
  int ran = 0;
  int calls = Enumerate(5, false, [&](int i) noexcept {
    return guard.Run(0, [&] {
      ++ran;
      if (i == 1) throw std::bad_alloc();
      return 1;
    });
  });
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(ran, 2);
  EXPECT_THROW(guard.RethrowIfFailed(), std::bad_alloc);
}

}  // namespace

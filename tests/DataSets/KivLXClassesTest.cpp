#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "DataSets/KivLXClasses.h"
#include "Rtl/Exceptions.h"

namespace {

void* P(std::uintptr_t v) { return reinterpret_cast<void*>(v); }

std::vector<std::uintptr_t> Items(const TKivList& l) {
  std::vector<std::uintptr_t> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(reinterpret_cast<std::uintptr_t>(l.Get(i)));
  return out;
}

void Fill(TKivList& l, std::initializer_list<std::uintptr_t> values) {
  for (auto v : values) l.Add(P(v));
}

struct Snapshot {
  std::vector<std::uintptr_t> items;
  int capacity;
  int gap;
  explicit Snapshot(const TKivList& l)
      : items(Items(l)), capacity(l.Capacity()), gap(l.FrontGap()) {}
  bool operator==(const Snapshot&) const = default;
};

TEST(KivList, FreshListHasNoBlock) {
  TKivList l;
  EXPECT_EQ(l.Capacity(), 0);
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.List(), nullptr);
  l.SortItems([](void*, void*) { return 0; });
  l.Clear();
  EXPECT_EQ(l.List(), nullptr);
}

TEST(KivList, GrowthSteps) {
  auto grownFrom = [](int capacity) {
    TKivList l;
    l.SetCapacity(capacity);
    l.SetCount(capacity);
    l.Add(P(1));
    return l.Capacity();
  };
  EXPECT_EQ(grownFrom(0), 4);
  EXPECT_EQ(grownFrom(4), 8);
  EXPECT_EQ(grownFrom(8), 12);
  EXPECT_EQ(grownFrom(9), 25);
  EXPECT_EQ(grownFrom(64), 80);
  EXPECT_EQ(grownFrom(65), 81);  // 65 div 4
  EXPECT_EQ(grownFrom(1000), 1250);
  EXPECT_EQ(grownFrom(100000), 100000 + 16384);
}

TEST(KivList, InsertAtFrontOpensTheGapOnceAndThenMovesNothing) {
  TKivList l;
  l.SetCapacity(100);
  for (std::uintptr_t v = 1; v <= 100; ++v) l.Add(P(v));
  ASSERT_GT(l.FrontGap(), 0);
  // Use up the gap the first allocation left, so the next front insert must open one.
  while (l.FrontGap() > 0) l.Delete(l.Count() - 1), l.Insert(0, P(500));
  ASSERT_EQ(l.FrontGap(), 0);

  int step = l.Capacity() / 4;
  l.Insert(0, P(1000));
  EXPECT_EQ(l.FrontGap(), step - 1);  // the step for this capacity, one slot used
  void* const* slots = l.List();
  void* second = slots[1];
  l.Insert(0, P(1001));
  EXPECT_EQ(l.List(), slots - 1);  // item 0 moved into the gap ...
  EXPECT_EQ(slots[1], second);     // ... and nothing else moved
  EXPECT_EQ(l.Get(0), P(1001));
  EXPECT_EQ(l.Get(1), P(1000));
}

TEST(KivList, DeleteAtFrontMovesNothing) {
  TKivList l;
  for (std::uintptr_t v = 1; v <= 50; ++v) l.Add(P(v));
  void* const* slots = l.List();
  int gap = l.FrontGap();
  l.Delete(0, 1);
  EXPECT_EQ(l.List(), slots + 1);
  EXPECT_EQ(l.FrontGap(), gap + 1);
  l.Delete(1, 2);  // near the front: the one item ahead moves up by two
  EXPECT_EQ(l.FrontGap(), gap + 3);
  EXPECT_EQ(Items(l).front(), 2u);
  EXPECT_EQ(l.Get(1), P(5));
  l.Delete(45, 2);  // near the back: the gap stays
  EXPECT_EQ(l.FrontGap(), gap + 3);
  EXPECT_EQ(l.Count(), 45);
  EXPECT_EQ(l.Get(44), P(48));
}

TEST(KivList, InsertPlacesItemsOnEitherSide) {
  TKivList l;
  Fill(l, {1, 2, 3, 4, 5, 6});
  l.Insert(1, P(10));  // front half
  l.Insert(6, P(20));  // back half
  l.Insert(l.Count(), P(30));
  EXPECT_EQ(Items(l), (std::vector<std::uintptr_t>{1, 10, 2, 3, 4, 5, 20, 6, 30}));
}

TEST(KivList, ErrorsNameTheRightValueAndChangeNothing) {
  TKivList l;
  Fill(l, {1, 2, 3, 4});
  Snapshot before(l);
  auto expectListError = [&](auto op, const char* text) {
    try {
      op();
      ADD_FAILURE() << text;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), text);
    }
    EXPECT_EQ(Snapshot(l), before);
  };
  expectListError([&] { l.Insert(5, P(9)); }, "List index out of bounds (5)");
  expectListError([&] { l.Insert(-1, P(9)); }, "List index out of bounds (-1)");
  expectListError([&] { l.Get(4); }, "List index out of bounds (4)");
  expectListError([&] { l.Delete(2, 3); }, "List index out of bounds (2)");
  expectListError([&] { l.Delete(1, 0x7FFFFFFF); }, "List index out of bounds (1)");  // no wrap
  expectListError([&] { l.SetCount(-1); }, "List count out of bounds (-1)");
  expectListError([&] { l.SetCount(0x8000000); }, "List count out of bounds (134217728)");

  try {
    l.Delete(2, 0);
    ADD_FAILURE();
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: DelCount must be greater than 0. (0)");
  }
  try {
    l.SetCapacity(3);
    ADD_FAILURE();
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "List capacity out of bounds (3)");
  }
  EXPECT_THROW(l.SetCapacity(0x8000000), EKivGeneralError);
  EXPECT_EQ(Snapshot(l), before);
}

TEST(KivList, NotificationsForNonNullItemsOnly) {
  std::vector<std::pair<std::uintptr_t, TListNotification>> seen;  // outlives the list
  TKivList l;
  l.OnNotify = [&](void* item, TListNotification a) {
    seen.emplace_back(reinterpret_cast<std::uintptr_t>(item), a);
  };
  l.Add(P(1));
  l.Add(nullptr);
  l.Insert(0, P(2));
  l.SetCount(5);  // null fill: silent
  EXPECT_EQ(seen, (std::vector<std::pair<std::uintptr_t, TListNotification>>{{1, lnAdded},
                                                                             {2, lnAdded}}));
  seen.clear();
  l.Delete(0, 3);
  l.Add(P(3));
  l.SetCount(1);  // removes nulls and 3
  EXPECT_EQ(seen, (std::vector<std::pair<std::uintptr_t, TListNotification>>{
                      {2, lnDeleted}, {1, lnDeleted}, {3, lnAdded}, {3, lnDeleted}}));
}

TEST(KivList, NotificationSeesAConsistentList) {
  std::vector<int> countsSeen;  // outlives the list, which notifies as it is destroyed
  TKivList l;
  Fill(l, {1, 2, 3});
  l.OnNotify = [&](void*, TListNotification) { countsSeen.push_back(l.Count()); };
  l.Delete(0, 2);
  EXPECT_EQ(countsSeen, (std::vector<int>{1, 1}));
  EXPECT_EQ(Items(l), (std::vector<std::uintptr_t>{3}));
}

TEST(KivList, ClearKeepsOnlyTheFrontGap) {
  TKivList l;
  Fill(l, {1, 2, 3});
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Capacity(), 0);
  EXPECT_GT(l.FrontGap(), 0);
  l.Add(P(4));
  EXPECT_EQ(Items(l), (std::vector<std::uintptr_t>{4}));
}

TEST(KivList, AssignOperations) {
  auto run = [](std::initializer_list<std::uintptr_t> dest,
                std::initializer_list<std::uintptr_t> src, TListAssignOp op) {
    TKivList l, a;
    Fill(l, dest);
    Fill(a, src);
    l.Assign(a, op);
    return Items(l);
  };
  using V = std::vector<std::uintptr_t>;
  EXPECT_EQ(run({9}, {1, 2, 3}, laCopy), (V{1, 2, 3}));
  EXPECT_EQ(run({1, 2, 3, 4}, {4, 2, 7}, laAnd), (V{2, 4}));
  EXPECT_EQ(run({1, 1, 2}, {2, 3, 3}, laOr), (V{1, 1, 2, 3}));  // keeps its duplicates
  EXPECT_EQ(run({1, 2, 3}, {3, 4, 5}, laXor), (V{1, 2, 4, 5}));
  EXPECT_EQ(run({1, 2, 3}, {2}, laSrcUnique), (V{1, 3}));
  EXPECT_EQ(run({1, 2}, {1, 3, 4}, laDestUnique), (V{4, 3}));

  TKivList l, a, b;
  Fill(l, {7});
  Fill(a, {1, 2, 3});
  Fill(b, {2, 3, 4});
  l.Assign(a, laAnd, &b);
  EXPECT_EQ(Items(l), (V{2, 3}));
}

TEST(KivList, AssignFromItselfLosesNothing) {
  TKivList l, a;
  Fill(l, {1, 2, 3});
  l.Assign(l);
  EXPECT_EQ(Items(l), (std::vector<std::uintptr_t>{1, 2, 3}));
  Fill(a, {2, 3, 9});
  l.Assign(a, laAnd, &l);  // A and (the list as it was)
  EXPECT_EQ(Items(l), (std::vector<std::uintptr_t>{2, 3}));
}

TEST(KivList, SortItemsOrdersByTheComparison) {
  TKivList l;
  std::vector<std::uintptr_t> expected;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 1103515245u + 12345u;
    std::uintptr_t v = (seed >> 8) % 500 + 1;  // plenty of equal keys
    l.Add(P(v));
    expected.push_back(v);
  }
  std::sort(expected.begin(), expected.end());
  l.SortItems([](void* a, void* b) {
    auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  });
  EXPECT_EQ(Items(l), expected);
}

TEST(KivList, SortWithAnInconsistentComparisonStaysInBounds) {
  TKivList l;
  for (std::uintptr_t v = 1; v <= 300; ++v) l.Add(P(v));
  int calls = 0;
  l.SortItems([&](void*, void*) { return (++calls % 3) - 1; });
  std::vector<std::uintptr_t> items = Items(l);
  std::sort(items.begin(), items.end());
  for (std::uintptr_t v = 1; v <= 300; ++v) EXPECT_EQ(items[v - 1], v);  // still a permutation
}

}  // namespace

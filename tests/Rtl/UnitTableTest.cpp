#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "Rtl/UnitTable.h"

namespace {

std::string trace;
void InitA() { trace += "+A"; }
void FinA() { trace += "-A"; }
void InitB() { trace += "+B"; }
void FinB() { trace += "-B"; }
void InitFails() { throw std::runtime_error("start failed"); }
void FinFails() {
  trace += "-F";
  throw std::runtime_error("end failed");
}

TEST(UnitTable, InitialisesInOrderAndFinalisesInReverseOnce) {
  trace.clear();
  const UnitEntry units[] = {{"A", InitA, FinA}, {"None", nullptr, nullptr}, {"B", InitB, FinB}};
  {
    TUnitTable table(units);
    table.Initialize();
    EXPECT_EQ(table.InitializedCount(), 3u);
    table.Finalize();
    table.Finalize();
  }
  EXPECT_EQ(trace, "+A+B-B-A");
}

TEST(UnitTable, AFailedStartLeavesTheEarlierUnitsToBeEnded) {
  trace.clear();
  const UnitEntry units[] = {{"A", InitA, FinA}, {"Bad", InitFails, FinB}, {"B", InitB, FinB}};
  {
    TUnitTable table(units);
    EXPECT_THROW(table.Initialize(), std::runtime_error);
    EXPECT_EQ(table.InitializedCount(), 1u);
  }
  EXPECT_EQ(trace, "+A-A");  // the failed unit and the later ones never end
}

TEST(UnitTable, AFailingEndDoesNotStopTheOthers) {
  trace.clear();
  const UnitEntry units[] = {{"A", InitA, FinA}, {"F", nullptr, FinFails}, {"B", InitB, FinB}};
  TUnitTable table(units);
  table.Initialize();
  EXPECT_THROW(table.Finalize(), std::runtime_error);
  EXPECT_EQ(trace, "+A+B-B-F-A");
}

}  // namespace

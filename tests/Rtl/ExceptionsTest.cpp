#include "Rtl/Exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(Exceptions, ClassNamesAndMessages) {
  EKivGeneralError g("refused");
  EXPECT_STREQ(g.ClassName(), "EKivGeneralError");
  EXPECT_EQ(g.Message(), "refused");
  EXPECT_STREQ(g.what(), "refused");
  const Exception& base = g;
  EXPECT_STREQ(base.ClassName(), "EKivGeneralError");
  EXPECT_STREQ(EFCreateError("x").ClassName(), "EFCreateError");
  EXPECT_STREQ(EAbort().ClassName(), "EAbort");
}

TEST(Exceptions, MessageChangedInPlaceKeepsTheObject) {
  try {
    try {
      throw EOSError("first", 32);
    } catch (Exception& e) {
      e.SetMessage(e.Message() + "\r\n\r\nsecond");
      throw;
    }
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "first\r\n\r\nsecond");
    EXPECT_EQ(e.ErrorCode(), 32u);
  }
}

TEST(Exceptions, AssertionsCarryTheUnitPathAndLine) {
  EXPECT_EQ(AssertionMessage("QuickFind requires Sort fields.", "lib/KivLX/KivLXDataSet.cpp", 812),
            "QuickFind requires Sort fields. (lib/KivLX/KivLXDataSet, line 812)");
  EXPECT_EQ(AssertionMessage("", "lib/KivTrx/KivTrxLanguages.cpp", 5),
            "Assertion failure (lib/KivTrx/KivTrxLanguages, line 5)");
  int line = 0;
  try {
    line = __LINE__ + 1;
    KIV_ASSERT(1 + 1 == 3, "arithmetic");
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "arithmetic (tests/Rtl/ExceptionsTest, line " + std::to_string(line) + ")");
  }
}

}  // namespace

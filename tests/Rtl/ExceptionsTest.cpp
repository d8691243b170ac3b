#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "Rtl/Exceptions.h"

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

TEST(Exceptions, ForeignExceptionsKeepTheNameOfWhatWasThrown) {
  EXPECT_EQ(ExceptionClassName(std::out_of_range("x")), "std::out_of_range");
  EXPECT_EQ(ExceptionClassName(EFCreateError("x")), "EFCreateError");
  // Wrapped for the toolkit's handlers, and raised again as the library's own.
  try {
    try {
      throw std::length_error("too long");
    } catch (const std::exception& e) {
      throw EForeignException(ExceptionClassName(e), e.what());
    }
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "std::length_error");
    EXPECT_EQ(ExceptionClassName(e), "std::length_error");
    EXPECT_EQ(e.Message(), "too long");
  }
  // Inside a handler, whatever the thrown value is.
  auto nameOf = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return CurrentExceptionClassName();
    }
  };
  EXPECT_EQ(nameOf(42), "int");
  EXPECT_EQ(nameOf(std::bad_alloc()), "std::bad_alloc");
  EXPECT_EQ(nameOf(EAbort()), "EAbort");
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

TEST(Exceptions, AssertionUnitPathsDropOnlyTheFilesExtension) {
  EXPECT_EQ(AssertionMessage("x", "lib/v1.2/Unit.cpp", 3), "x (lib/v1.2/Unit, line 3)");
  EXPECT_EQ(AssertionMessage("x", "lib/v1.2/Unit", 3), "x (lib/v1.2/Unit, line 3)");
  EXPECT_EQ(AssertionMessage("x", "C:\\src.d\\Unit.cpp", 3), "x (C:\\src.d\\Unit, line 3)");
  EXPECT_EQ(AssertionMessage("x", "C:\\src.d\\Makefile", 3), "x (C:\\src.d\\Makefile, line 3)");
  EXPECT_EQ(AssertionMessage("x", "Unit.inc.h", 3), "x (Unit.inc, line 3)");
  EXPECT_EQ(AssertionMessage("x", "Unit", 3), "x (Unit, line 3)");
}

TEST(Exceptions, AssertionsCarryTheUnitPathAndLine) {
  EXPECT_EQ(
      AssertionMessage("QuickFind requires Sort fields.", "lib/DataSets/KivLXDataSet.cpp", 812),
      "QuickFind requires Sort fields. (lib/DataSets/KivLXDataSet, line 812)");
  EXPECT_EQ(AssertionMessage("", "lib/KivTrx/KivTrxLanguages.cpp", 5),
            "Assertion failure (lib/KivTrx/KivTrxLanguages, line 5)");
  int line = 0;
  try {
    line = __LINE__ + 1;
    KIV_ASSERT(1 + 1 == 3, "arithmetic");
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(),
              "arithmetic (tests/Rtl/ExceptionsTest, line " + std::to_string(line) + ")");
  }
}

}  // namespace

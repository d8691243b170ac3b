#include <gtest/gtest.h>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

TEST(Platform, ReportsThePlatformWineWasToldToShow) {
  EXPECT_EQ(Platform::IsWin9x(), ExpectWin9x());
}

TEST(Platform, CodePageConversionsRoundTrip) {
  EXPECT_EQ(AnsiToWide("plain ASCII"), u"plain ASCII");
  EXPECT_EQ(WideToAnsi(u"plain ASCII"), "plain ASCII");
  EXPECT_EQ(AnsiToWide(WideToAnsi(u"caf\u00e9")), u"caf\u00e9");  // in code page 1252
  EXPECT_EQ(WideToAnsi(u"\u65e5"), "?");
}

TEST(Platform, LocaleComparisonIgnoresCaseWhenAsked) {
  EXPECT_EQ(WideCompareText(u"abc", u"ABC"), 0);
  EXPECT_LT(WideCompareText(u"apple", u"Banana"), 0);
  EXPECT_NE(WideCompareStr(u"abc", u"ABC"), 0);
  EXPECT_EQ(WideUpperCase(u"sql-dmo"), u"SQL-DMO");
  EXPECT_EQ(WideLowerCase(u"SQLDMO.DLL"), u"sqldmo.dll");
}

TEST(Platform, SystemErrorTextsAndTheOsError) {
  EXPECT_FALSE(SysErrorMessage(ERROR_FILE_NOT_FOUND).empty());
  std::string text = SysErrorMessage(ERROR_SHARING_VIOLATION);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
  EXPECT_NE(text.back(), '\n');
  EOSError none = MakeOSError(0);
  EXPECT_EQ(none.Message(), "A call to an OS function failed");
  EOSError e = MakeOSError(ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(e.Message(), "System Error.  Code: 126.\r\n" + SysErrorMessage(126));
  EXPECT_EQ(e.ErrorCode(), 126u);
}

TEST(Platform, ComErrorWithAndWithoutSystemText) {
  EOleSysError unknown = MakeOleSysError(static_cast<std::int32_t>(0x8FFF1234));
  EXPECT_EQ(unknown.Message(), "OLE error 8fff1234");
  EXPECT_EQ(unknown.ErrorCode(), static_cast<std::int32_t>(0x8FFF1234));
  EOleSysError known = MakeOleSysError(static_cast<std::int32_t>(E_OUTOFMEMORY));
  EXPECT_NE(known.Message().rfind("OLE error", 0), 0u);
  EXPECT_THROW(OleCheck(static_cast<std::int32_t>(E_FAIL)), EOleSysError);
  EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
}

TEST(Platform, FileStreamsCreateWriteAndReportFailures) {
  TempDir dir;
  std::u16string name = dir / u"stream.bin";
  {
    TFileStream f(name, FileMode::Create);
    f.WriteBuffer("hello", 5);
  }
  EXPECT_EQ(ReadFileBytes(name), (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}));
  std::u16string bad = dir / u"no\\such\\dir\\x.bin";
  try {
    TFileStream f(bad, FileMode::Create);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + WideToAnsi(bad) + "\". " +
                               SysErrorMessage(ERROR_PATH_NOT_FOUND));
  }
  EXPECT_THROW(TFileStream(dir / u"missing.bin", FileMode::OpenRead), EFOpenError);
}

TEST(Platform, FileStreamsSeekPastFourGigabytesFromEveryOrigin) {
  TempDir dir;
  TFileStream f(dir / u"sparse.bin", FileMode::Create);
  const std::int64_t beyond = 5LL << 30;  // past what 32 bits reach
  EXPECT_EQ(f.Seek(beyond, SeekOrigin::Begin), beyond);
  f.WriteBuffer("x", 1);
  EXPECT_EQ(f.Seek(0, SeekOrigin::Current), beyond + 1);
  EXPECT_EQ(f.Seek(-1, SeekOrigin::End), beyond);
  EXPECT_EQ(f.Seek(-beyond, SeekOrigin::Current), 0);
  // A low part of all ones is a position, not a failure.
  EXPECT_EQ(f.Seek(0xFFFFFFFFLL, SeekOrigin::Begin), 0xFFFFFFFFLL);
  EXPECT_EQ(f.Seek(-10, SeekOrigin::Begin), -1);
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
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

TEST(Platform, FailureMacrosRecordTheCallItsPlaceAndTheErrorOfThatCall) {
  const std::u16string missing = u"C:\\no such folder\\file.txt";
  const unsigned line = __LINE__ + 2;
  try {
    KIV_THROW_IF_WIN32_FALSE(Platform::DeleteFile(missing));
    ADD_FAILURE() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    // The message stays the system's; the call is kept beside it.
    EXPECT_EQ(e.Message(), MakeOSError(ERROR_PATH_NOT_FOUND).Message());
    ASSERT_TRUE(e.FailedCall());
    EXPECT_EQ(e.FailedCall()->text, "Platform::DeleteFile(missing)");
    EXPECT_EQ(e.FailedCall()->where.line(), line);
    EXPECT_STREQ(e.FailedCall()->where.file_name(), "tests/Rtl/PlatformWinTest.cpp");
  }
  // An owner that holds no handle is a failure too, with the error of the call that
  // made it, not of the owner's clean-up.
  try {
    FileHandle file(KIV_THROW_LAST_ERROR_IF_NULL(FileHandle(
        Platform::CreateFile(missing, GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL))));
    ADD_FAILURE() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
  }
  // The value forms give a successful call's result back.
  HMODULE program = KIV_THROW_LAST_ERROR_IF_NULL(Platform::ProgramModule());
  EXPECT_EQ(program, Platform::ProgramModule());
  EXPECT_EQ(KIV_THROW_LAST_ERROR_IF_EMPTY(Platform::GetModuleFileName(program)),
            Platform::GetModuleFileName(program));
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

TEST(Platform, HandlesAndSystemCodesFormatWhole) {
  // The 64-bit program's image lies above 4 GB: its handle has an upper half to lose.
  HMODULE self = GetModuleHandleW(nullptr);
  const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(self));
  if (sizeof(void*) == 8) {
    ASSERT_GT(bits >> 32, 0u);
  }
  EXPECT_EQ(Format("%x", self), Format("%x", bits));
  EXPECT_EQ(Format("%.8x", reinterpret_cast<HANDLE>(std::uintptr_t{0x7B})), "0000007B");
  const DWORD denied = 0x80070005u;  // E_ACCESSDENIED, as a DWORD
  EXPECT_EQ(Format("0x%0:.8x (%0:d)", denied), "0x80070005 (-2147024891)");
  EXPECT_EQ(Format("%d", E_FAIL), "-2147467259");
  EXPECT_EQ(WideFormat(u"%s\\%s", L"C:\\Windows", WStr(u"system32")), u"C:\\Windows\\system32");
}

// A folder tree deeper than MAX_PATH, made and removed through "\\?\" paths.
class DeepFolder {
 public:
  DeepFolder() {
    path_ = base_.Path();
    for (char16_t c = u'a'; c < u'g'; ++c) {
      path_ += std::u16string(50, c) + u"\\";
      if (!CreateDirectoryW(WStr(u"\\\\?\\" + path_), nullptr)) return;
      made_.push_back(path_);
    }
  }
  ~DeepFolder() {
    for (const std::u16string& file : files_) DeleteFileW(WStr(u"\\\\?\\" + file));
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      RemoveDirectoryW(WStr(u"\\\\?\\" + *it));
    }
  }
  bool ok() const { return made_.size() == 6; }
  // The folder with a trailing backslash, without the "\\?\" prefix.
  const std::u16string& Path() const { return path_; }
  std::u16string Copy(const std::u16string& from, const std::u16string& name) {
    files_.push_back(path_ + name);
    return CopyFileW(WStr(from), WStr(u"\\\\?\\" + path_ + name), FALSE) ? path_ + name : u"";
  }

 private:
  TempDir base_;
  std::u16string path_;
  std::vector<std::u16string> made_;
  std::vector<std::u16string> files_;
};

TEST(Platform, ModuleNamesLongerThanMaxPathComeBackWhole) {
  DeepFolder deep;
  ASSERT_TRUE(deep.ok());
  std::u16string dll = deep.Copy(FixturePath(u"VerFull.dll"), u"DeepLibrary.dll");
  ASSERT_FALSE(dll.empty());
  ASSERT_GT(dll.size(), static_cast<std::size_t>(MAX_PATH));
  HMODULE module = LoadLibraryW(WStr(u"\\\\?\\" + dll));
  ASSERT_NE(module, nullptr);
  std::u16string name = Platform::GetModuleFileName(module);
  FreeLibrary(module);
  // Whole, whichever spelling of the path the loader keeps.
  ASSERT_GE(name.size(), dll.size());
  EXPECT_TRUE(WideSameText(name.substr(name.size() - dll.size()), dll)) << WideToAnsi(name);
}

TEST(Platform, ShortAnswersKeepTheirLength) {
  std::u16string system = Platform::GetSystemDirectory();
  ASSERT_FALSE(system.empty());
  EXPECT_EQ(system.find(u'\0'), std::u16string::npos);
  EXPECT_NE(system.back(), u'\\');
  EXPECT_EQ(Platform::GetModuleFileName(GetModuleHandleW(L"kernel32.dll")),
            system + u"\\kernel32.dll");
  EXPECT_TRUE(Platform::GetModuleFileName(reinterpret_cast<HMODULE>(0x10)).empty());
  EXPECT_FALSE(Platform::GetTempPath().empty());
  EXPECT_FALSE(Platform::GetCurrentDirectory().empty());
}

}  // namespace

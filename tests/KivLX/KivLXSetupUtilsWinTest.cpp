#include <gtest/gtest.h>

#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
#include "Win/SehGuard.h"
#include "WinTestSupport.h"

namespace {

bool Loaded(const std::u16string& path) { return GetModuleHandleW(WStr(path)) != nullptr; }

TEST(KivLXSetupUtils, SuccessAndSFalseCountAsSuccessAndUnload) {
  for (const char16_t* name : {u"ComOk.dll", u"ComFalse.dll"}) {
    std::u16string server = FixturePath(name);
    EXPECT_NO_THROW(RegisterServer(server));
    EXPECT_NO_THROW(UnregisterServer(server));
    EXPECT_FALSE(Loaded(server)) << WideToAnsi(server);
  }
}

TEST(KivLXSetupUtils, FailureCodeWithoutSystemTextNamesTheCode) {
  std::u16string server = FixturePath(u"ComNoText.dll");
  try {
    RegisterServer(server);
    FAIL();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<std::int32_t>(0x8FFF0001));
    EXPECT_EQ(e.Message(), "OLE error 8fff0001\r\n\r\nError occurred while registering " +
                               WideToAnsi(server) + ".");
  }
  EXPECT_FALSE(Loaded(server));
}

TEST(KivLXSetupUtils, FailureCodeWithSystemTextKeepsTheText) {
  std::u16string server = FixturePath(u"ComDenied.dll");
  try {
    UnregisterServer(server);
    FAIL();
  } catch (const EOleSysError& e) {
    std::string text = SysErrorMessage(static_cast<std::uint32_t>(E_ACCESSDENIED));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(e.Message(),
              text + "\r\n\r\nError occurred while unregistering " + WideToAnsi(server) + ".");
  }
  EXPECT_FALSE(Loaded(server));
}

TEST(KivLXSetupUtils, AnExceptionWhileTheEntryPointRunsGetsTheSentenceAndKeepsItsClass) {
  std::u16string server = FixturePath(u"ComThrows.dll");
  try {
    RegisterServer(server);
    FAIL();
  } catch (const EExternalException& e) {
    EXPECT_EQ(e.ExceptionCode(), 0x0EEDFADEu);
    EXPECT_EQ(e.Message(),
              "External exception EEDFADE\r\n\r\nError occurred while "
              "registering " +
                  WideToAnsi(server) + ".");
  }
  EXPECT_FALSE(Loaded(server));
}

TEST(KivLXSetupUtils, AFaultInTheEntryPointIsReportedNotFatal) {
  std::u16string server = FixturePath(u"ComCrashes.dll");
  try {
    UnregisterServer(server);
    FAIL();
  } catch (const EAccessViolation& e) {
    EXPECT_EQ(e.Message().rfind("Access violation at address ", 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find("in module 'ComCrashes.dll'. Write of address "), std::string::npos)
        << e.Message();
    EXPECT_NE(
        e.Message().find("\r\n\r\nError occurred while unregistering " + WideToAnsi(server) + "."),
        std::string::npos);
  }
  EXPECT_FALSE(Loaded(server));
  // And the guard leaves nothing behind: a second call fails the same way.
  EXPECT_THROW(RegisterServer(server), EAccessViolation);
}

TEST(KivLXSetupUtils, MissingEntryPointIsTheOsErrorAlone) {
  std::u16string server = FixturePath(u"ComMissing.dll");
  try {
    UnregisterServer(server);
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<std::uint32_t>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(e.Message(), "System Error.  Code: 127.\r\n" + SysErrorMessage(127));
  }
  EXPECT_FALSE(Loaded(server));
}

TEST(KivLXSetupUtils, MissingFileIsTheOsErrorAlone) {
  try {
    RegisterServer(FixturePath(u"NoSuchServer.dll"));
    FAIL();
  } catch (const EOSError& e) {
    // The 9x family reports a missing library with its own code.
    EXPECT_TRUE(e.ErrorCode() == ERROR_MOD_NOT_FOUND || e.ErrorCode() == ERROR_DLL_NOT_FOUND)
        << e.ErrorCode();
    EXPECT_EQ(e.Message(), "System Error.  Code: " + std::to_string(e.ErrorCode()) + ".\r\n" +
                               SysErrorMessage(e.ErrorCode()));
  }
}

std::string ShortName(const std::u16string& file) {
  return WideToAnsi(Platform::GetShortPathName(file));
}

TEST(KivLXSetupUtils, FilesInUseWaitForTheRestartInTheOrderTheyCame) {
  ScopedRestartOperations restore;
  TempDir dir;
  const std::u16string held = dir / u"held library.dll";
  const std::u16string old = dir / u"old.dll";
  const std::u16string replacement = dir / u"replacement.tmp";
  WriteTextFile(held, "in use");
  WriteTextFile(old, "old");
  WriteTextFile(replacement, "new");
  FileHandle lock(CreateFileW(WStr(held), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock.valid());
  EXPECT_TRUE(FileInUse(held));
  EXPECT_FALSE(FileInUse(old));
  EXPECT_FALSE(FileInUse(dir / u"missing.dll"));
  // What another set-up left for the same restart stays.
  const std::string other = "C:\\OTHER.DLL=C:\\OTHER.NEW";
  if (Platform::IsWin9x()) {
    WriteTextFile(IncludeTrailingSlash(GetWindowsFolder()) + u"WININIT.INI",
                  "[rename]\r\n" + other + "\r\n");
  }
  const std::vector<std::u16string> before = PendingFileRenames();

  DeleteFileAtRestart(old);
  ReplaceFileAtRestart(replacement, held);
  EXPECT_TRUE(FileExists(old));  // nothing happens before the restart
  EXPECT_TRUE(FileExists(replacement));
  if (Platform::IsWin9x()) {
    const std::string heldShort = ShortName(held);
    EXPECT_EQ(heldShort.find(' '), std::string::npos) << heldShort;
    EXPECT_EQ(WinInitLines(), (std::vector<std::string>{"[rename]", other, "NUL=" + ShortName(old),
                                                        heldShort + "=" + ShortName(replacement)}));
    EXPECT_EQ(PendingFileRenames(), before);
    return;
  }
  std::vector<std::u16string> names = PendingFileRenames();
  ASSERT_EQ(names.size(), before.size() + 4) << WideToAnsi(names.empty() ? u"" : names.back());
  EXPECT_TRUE(WideSameText(names[before.size()], u"\\??\\" + old));
  EXPECT_EQ(names[before.size() + 1], u"");
  EXPECT_TRUE(WideSameText(names[before.size() + 2], u"\\??\\" + replacement));
  EXPECT_TRUE(WideSameText(names[before.size() + 3], u"!\\??\\" + held));
  EXPECT_TRUE(WinInitLines().empty());
}

}  // namespace

#include <gtest/gtest.h>

#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "SqlDmoDeploy.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

const char16_t* kClientSetup = u"SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup";
const std::u16string kDefaultBinn = u"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\";

// An older SQL-DMO server in `dir`, with the companion library it imports beside it.
void CopyOlderServer(const std::u16string& dir) {
  for (const char16_t* name : {u"sqldmo.dll", u"sqlresld.dll"}) {
    ASSERT_TRUE(
        CopyFileW(WStr(FixturePath(std::u16string(u"old2000\\") + name)), WStr(dir + name), FALSE));
  }
}

TEST(SqlDmoDeploy, BinnFolderFollowsSqlPathWhenItExists) {
  {
    ScopedMachineValue noValue(kClientSetup, u"SQLPath", nullptr);
    EXPECT_EQ(GetToolsBinnDir(), kDefaultBinn);
    EXPECT_TRUE(DirectoryExists(kDefaultBinn));
  }
  TempDir tools;
  std::u16string bare = ExcludeTrailingSlash(tools.Path());
  {
    ScopedMachineValue path(kClientSetup, u"SQLPath", &bare);
    EXPECT_EQ(GetToolsBinnDir(), tools.Path() + u"Binn\\");
    EXPECT_TRUE(DirectoryExists(tools / u"Binn"));
  }
  {
    ScopedMachineValue path(kClientSetup, u"SQLPath", &tools.Path());
    EXPECT_EQ(GetToolsBinnDir(), tools.Path() + u"Binn\\");
  }
  std::u16string missing = tools / u"missing";
  ScopedMachineValue path(kClientSetup, u"SQLPath", &missing);
  EXPECT_EQ(GetToolsBinnDir(), kDefaultBinn);
  EXPECT_FALSE(DirectoryExists(missing));
}

TEST(SqlDmoDeploy, ExtractWritesTheResourceByteForByte) {
  TempDir dir;
  std::u16string target = dir / u"out.bin";
  WriteTextFile(target, "an older and much longer content that must be truncated");
  ExtractPayloadFile(u"TESTPAYLOAD", target);
  std::vector<std::uint8_t> bytes = ReadFileBytes(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Payload bytes for the extraction tests.\r\n");
  ExtractPayloadFile(u"testpayload", dir / u"lower.bin");  // names ignore letter case
  EXPECT_TRUE(FileExists(dir / u"lower.bin"));
}

TEST(SqlDmoDeploy, ExtractFailuresSayWhatAndWhere) {
  TempDir dir;
  try {
    ExtractPayloadFile(u"nosuch_dll", dir / u"x.dll");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource nosuch_dll not found");
  }
  EXPECT_FALSE(FileExists(dir / u"x.dll"));
  std::u16string held = dir / u"held.dll";
  WriteTextFile(held, "in use");
  FileHandle lock(CreateFileW(WStr(held), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock.valid());
  try {
    ExtractPayloadFile(u"testpayload", held);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + WideToAnsi(held) + "\". " +
                               SysErrorMessage(ERROR_SHARING_VIOLATION));
  }  // A relative name is reported by its full path.
  ASSERT_TRUE(SetCurrentDirectoryW(WStr(dir.Path())));
  try {
    ExtractPayloadFile(u"testpayload", u"held.dll");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + WideToAnsi(held) + "\". " +
                               SysErrorMessage(ERROR_SHARING_VIOLATION));
  }
  SetCurrentDirectoryW(WStr(TestExeDir()));
}

TEST(SqlDmoDeploy, DeployWrapsFailuresInANewBaseClassException) {
  TempDir dir;
  // This test program carries no payload: the first file fails.
  try {
    DeploySqlDmoFiles(dir.Path(), dir.Path(), dir.Path());
    FAIL();
  } catch (const EResNotFound&) {
    FAIL() << "the first exception's class must not come through";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(),
              "Resource sqldmo_dll not found\r\n\r\nPlease close all programs and try again.");
  }
}

TEST(SqlDmoDeploy, RemoveOldSqlDmoDeletesTheRegisteredCopy) {
  EXPECT_NO_THROW(RemoveOldSqlDmo());  // nothing registered: nothing to do
  TempDir old;
  CopyOlderServer(old.Path());
  for (const char16_t* n : {u"sqlsvc.dll", u"w95scm.dll", u"other.dll"}) {
    WriteTextFile(old / n, "old");
  }
  ASSERT_TRUE(ForceDirectories(old / u"Resources\\1033"));
  WriteTextFile(old / u"Resources\\1033\\sqldmo.rll", "old");
  WriteTextFile(old / u"Resources\\1033\\sqlsvc.rll", "old");
  SetFileAttributesW(WStr(old / u"Resources\\1033\\sqldmo.rll"), FILE_ATTRIBUTE_READONLY);
  RegisterServer(old / u"sqldmo.dll");
  RemoveOldSqlDmo();
  EXPECT_EQ(GetProgIdServerPath(u"SQLDMO.Application"), u"");  // unregistered
  for (const char16_t* n : {u"sqldmo.dll", u"sqlsvc.dll", u"sqlresld.dll", u"w95scm.dll",
                            u"Resources\\1033\\sqldmo.rll", u"Resources\\1033\\sqlsvc.rll"}) {
    EXPECT_FALSE(FileExists(old / n)) << WideToAnsi(n);
  }
  EXPECT_TRUE(FileExists(old / u"other.dll"));
}

TEST(SqlDmoDeploy, AServerThatImportsItsCompanionRegistersFromAnyFolder) {
  TempDir dir;  // neither the current folder nor on any search list
  CopyOlderServer(dir.Path());
  std::u16string server = dir / u"sqldmo.dll";
  {
    // Loaded plainly, its folder is not searched and the companion is not found.
    ModuleHandle plain(LoadLibraryW(WStr(server)));
    EXPECT_FALSE(plain) << "the plain load found the companion: the test shows nothing";
  }
  ASSERT_NO_THROW(RegisterServer(server));
  EXPECT_TRUE(WideSameText(GetProgIdServerPath(u"SQLDMO.Application"), server));
  ASSERT_NO_THROW(UnregisterServer(server));
  EXPECT_EQ(GetProgIdServerPath(u"SQLDMO.Application"), u"");
  for (const char16_t* n : {u"sqldmo.dll", u"sqlresld.dll"}) {
    EXPECT_EQ(GetModuleHandleW(WStr(dir / n)), nullptr) << WideToAnsi(n) << " stayed loaded";
  }
}

TEST(SqlDmoDeploy, AnOldCopyThatCannotBeDeletedStopsWithTheOsError) {
  TempDir old;
  CopyOlderServer(old.Path());
  WriteTextFile(old / u"sqlsvc.dll", "old");
  RegisterServer(old / u"sqldmo.dll");
  FileHandle lock(
      CreateFileW(WStr(old / u"sqlsvc.dll"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  try {
    DeploySqlDmoFiles(old.Path(), old.Path(), old.Path());
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "System Error.  Code: 32.\r\n" + SysErrorMessage(32) +
                               "\r\n\r\nPlease close all programs and try again.");
  }
  EXPECT_FALSE(FileExists(old / u"sqldmo.dll"));  // nothing is rolled back
}

TEST(SqlDmoDeploy, WithRestartReplaceAnOldCopyInUseIsDeletedAtTheRestart) {
  ScopedRestartOperations restore;
  TempDir old;
  CopyOlderServer(old.Path());
  WriteTextFile(old / u"sqlsvc.dll", "old");
  RegisterServer(old / u"sqldmo.dll");
  FileHandle lock(
      CreateFileW(WStr(old / u"sqlsvc.dll"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(RemoveOldSqlDmo(TInUsePolicy::ReplaceAtRestart), 1);
  EXPECT_FALSE(FileExists(old / u"sqldmo.dll"));
  EXPECT_TRUE(FileExists(old / u"sqlsvc.dll"));
  std::vector<std::u16string> names = PendingFileRenames();
  ASSERT_GE(names.size(), 2u);
  EXPECT_TRUE(WideSameText(names[names.size() - 2], u"\\??\\" + old / u"sqlsvc.dll"));
  EXPECT_EQ(names.back(), u"");
}

TEST(SqlDmoDeploy, TheInstallersPayloadIsLanguageNeutral) {
  std::u16string installer = TestExeDir() + u"..\\..\\bin\\Plinth2000.exe";
  ModuleHandle image(LoadLibraryExW(WStr(installer), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(image) << SysErrorMessage(GetLastError());
  for (const wchar_t* name : {L"SQLDMO_DLL", L"SQLRESLD_DLL", L"SQLSVC_DLL", L"W95SCM_DLL",
                              L"SQLSVC_RLL", L"SQLDMO_RLL", L"SQLUNIRL_DLL"}) {
    std::vector<LANGID> languages;
    EnumResourceLanguagesW(
        image.get(), L"FILE", name,
        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) CALLBACK -> BOOL {
          reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
          return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<LANGID>{0}) << WideToAnsi(FromWStr(name));
  }
}

}  // namespace

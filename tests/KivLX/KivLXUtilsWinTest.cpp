#include <gtest/gtest.h>

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

void SetWriteTime(const std::u16string& path, WORD year) {
  FileHandle h(
      CreateFileW(WStr(path), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h.valid());
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = 6;
  st.wDay = 15;
  st.wHour = 12;
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  ASSERT_TRUE(SetFileTime(h.get(), nullptr, nullptr, &ft));
}

TEST(KivLXUtilsFiles, FileExistsAndDirectoryExistsTellFilesFromFolders) {
  TempDir dir;
  std::u16string file = dir / u"a.txt";
  WriteTextFile(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_FALSE(FileExists(ExcludeTrailingSlash(dir.Path())));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_FALSE(FileExists(dir / u"missing.txt"));
  EXPECT_FALSE(DirectoryExists(dir / u"missing"));
}

TEST(KivLXUtilsFiles, FileExistsNeedsATimeStampInTheDosDateRange) {
  TempDir dir;
  std::u16string file = dir / u"dated.txt";
  WriteTextFile(file, "x");
  SetWriteTime(file, 2107);
  EXPECT_TRUE(FileExists(file));
  SetWriteTime(file, 1975);
  EXPECT_FALSE(FileExists(file));
  SetWriteTime(file, 2150);
  EXPECT_FALSE(FileExists(file));
  SetWriteTime(file, 1990);
  EXPECT_TRUE(FileExists(file));
}

TEST(KivLXUtilsFiles, ForceDirectoriesCreatesEveryMissingParent) {
  TempDir dir;
  std::u16string deep = dir / u"a\\b\\c\\";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(dir / u"a"));
  EXPECT_TRUE(DirectoryExists(dir / u"a\\b"));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));              // already there
  EXPECT_TRUE(ForceDirectories(dir / u"a\\b\\d"));  // without a trailing backslash
  EXPECT_TRUE(DirectoryExists(dir / u"a\\b\\d"));
}

TEST(KivLXUtilsFiles, ForceDirectoriesOfRootsAndShortPathsCreatesNothing) {
  EXPECT_TRUE(ForceDirectories(u"C:\\"));
  EXPECT_TRUE(ForceDirectories(u"C:"));
  EXPECT_TRUE(ForceDirectories(u"Q\\"));
  EXPECT_FALSE(DirectoryExists(u"Q"));
  try {
    ForceDirectories(u"");
    FAIL();
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "Unable to create directory");
  }
}

TEST(KivLXUtilsFiles, ForceDirectoriesReportsFailureOnlyThroughItsResult) {
  TempDir dir;
  std::u16string file = dir / u"plain.txt";
  WriteTextFile(file, "x");
  std::u16string below = file + u"\\sub\\";
  EXPECT_FALSE(ForceDirectories(below));
  try {
    ForceDirectoriesOrRaise(below);
    FAIL();
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "Could not create " + WideToAnsi(below));
  }
}

TEST(KivLXUtilsFiles, DeleteFileIfExistsClearsReadOnly) {
  TempDir dir;
  std::u16string file = dir / u"sqldmo.rll";
  WriteTextFile(file, "old");
  ASSERT_TRUE(SetFileAttributesW(WStr(file), FILE_ATTRIBUTE_READONLY));
  DeleteFileIfExists(file);
  EXPECT_EQ(GetFileAttributesW(WStr(file)), INVALID_FILE_ATTRIBUTES);
  EXPECT_NO_THROW(DeleteFileIfExists(file));  // gone: nothing to do
}

TEST(KivLXUtilsFiles, DeleteOfAFileHeldOpenRaisesTheSharingViolation) {
  TempDir dir;
  std::u16string file = dir / u"held.dll";
  WriteTextFile(file, "in use");
  FileHandle held(CreateFileW(WStr(file), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.valid());
  try {
    DeleteFileIfExists(file);
    FAIL() << "deleted a file held open";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(e.Message(),
              "System Error.  Code: 32.\r\n" + SysErrorMessage(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(SysErrorMessage(ERROR_SHARING_VIOLATION).empty());
  }
  held.reset();
  EXPECT_TRUE(FileExists(file));
}

TEST(KivLXUtilsFiles, ForceDeleteOfAMissingFileRaises) {
  TempDir dir;
  EXPECT_THROW(ForceDeleteFile(dir / u"none.txt"), EOSError);
}

TEST(KivLXUtilsFiles, AssertFileExistsNamesTheFile) {
  TempDir dir;
  std::u16string missing = dir / u"gone.dll";
  try {
    AssertFileExists(missing);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Internal Error: File does not exist: " + WideToAnsi(missing));
  }
}

TEST(KivLXUtilsFiles, WindowsAndSystemFolders) {
  std::u16string windows = GetWindowsFolder();
  std::u16string system = GetSystemFolder();
  EXPECT_FALSE(windows.empty());
  EXPECT_NE(windows.back(), u'\\');
  EXPECT_TRUE(DirectoryExists(windows));
  EXPECT_TRUE(DirectoryExists(system));
  EXPECT_EQ(WideUpperCase(system).rfind(WideUpperCase(windows), 0), 0u);
}

TEST(KivLXUtilsFiles, SetCurrentDirReportsThroughItsResult) {
  TempDir dir;
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  EXPECT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_FALSE(SetCurrentDir(dir / u"missing"));
  SetCurrentDirectoryW(before);
}

TEST(KivLXUtilsModules, GetModuleFileNameOfTheProgramAndOfNothing) {
  std::u16string self = GetModuleFileName(nullptr);
  EXPECT_NE(WideLowerCase(self).find(u"plinth_kivlx_tests"), std::u16string::npos);
  EXPECT_THROW(GetModuleFileName(reinterpret_cast<HMODULE>(0x10)), EOSError);
}

TEST(KivLXUtilsModules, FindModulePathFollowsTheSystemSearch) {
  std::u16string wininet = FindModulePath(u"wininet");
  EXPECT_EQ(WideLowerCase(ExtractFileName(wininet)), u"wininet.dll");
  EXPECT_TRUE(WideSameText(ExtractFilePath(wininet), IncludeTrailingSlash(GetSystemFolder())));
  EXPECT_EQ(FindModulePath(u"no_such_library_plinth"), u"");
  // A library loaded by full path, whose start-up code must not run.
  std::u16string fixture = FixturePath(u"VerFull.dll");
  EXPECT_TRUE(WideSameText(FindModulePath(fixture), fixture));
  EXPECT_EQ(GetModuleHandleW(WStr(fixture)), nullptr) << "the probe left the library loaded";
}

}  // namespace

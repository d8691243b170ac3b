// Temporary folders and files removed when the unit ends, the shell front end, and
// the running program's paths.
#include <gtest/gtest.h>

#include <regex>

#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/KivStringList.h"
#include "Rtl/UnitTable.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(WStr(path)) != INVALID_FILE_ATTRIBUTES;
}

class TempFiles : public ::testing::Test {
 protected:
  void SetUp() override { InitializeKivLXUtils(); }
  void TearDown() override { FinalizeKivLXUtils(); }
};

TEST_F(TempFiles, FoldersAreNewAndGoWithTheirContentWhenTheUnitEnds) {
  std::u16string a = NewTempFolder();
  std::u16string b = NewTempFolder();
  EXPECT_NE(a, b);
  for (const std::u16string& dir : {a, b}) {
    EXPECT_EQ(dir.rfind(GetTempFolder() + u"Temp", 0), 0u) << WideToUtf8(dir);
    EXPECT_EQ(dir.back(), u'\\');
    EXPECT_TRUE(DirectoryExists(dir));
  }
  ASSERT_TRUE(CreateDirectoryW(WStr(a + u"sub"), nullptr));
  WriteTextFile(a + u"sub\\Error Details.txt", "details");
  WriteTextFile(b + u"locked.txt", "x");
  ASSERT_TRUE(SetFileAttributesW(WStr(b + u"locked.txt"), FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(GarbageCollectedFolderList()->Count(), 2);
  FinalizeKivLXUtils();
  EXPECT_FALSE(Exists(a));
  EXPECT_FALSE(Exists(b));
  EXPECT_EQ(GarbageCollectedFolderList(), nullptr);
  InitializeKivLXUtils();
}

TEST_F(TempFiles, FileNamesAreOnlyNamesUntilSomeoneWritesThem) {
  std::u16string written = NewTempFile(u".txt");
  std::u16string unused = NewTempFile(u".txt");
  std::regex form("tmp-[0-9A-F]{1,4}\\.txt");
  for (const std::u16string& name : {written, unused}) {
    EXPECT_EQ(ExtractFilePath(name), GetTempFolder());
    EXPECT_TRUE(std::regex_match(WideToUtf8(ExtractFileName(name)), form)) << WideToUtf8(name);
    EXPECT_FALSE(Exists(name));
  }
  WriteTextFile(written, "report");
  ASSERT_TRUE(SetFileAttributesW(WStr(written), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GarbageCollectedFileList()->Count(), 2);
  FinalizeKivLXUtils();
  EXPECT_FALSE(Exists(written));
  EXPECT_FALSE(Exists(unused));
  InitializeKivLXUtils();
}

TEST_F(TempFiles, NamesInAChosenFolderCreateTheFolderButRegisterNothing) {
  TempDir dir;
  std::u16string folder = dir / u"reports\\today";
  std::u16string name = NewTempFileName(u".log", folder, u"Plinth");
  EXPECT_TRUE(DirectoryExists(folder));
  EXPECT_EQ(ExtractFilePath(name), folder + u"\\");
  EXPECT_TRUE(
      std::regex_match(WideToUtf8(ExtractFileName(name)), std::regex("Plinth-[0-9A-F]{1,4}\\.log")))
      << WideToUtf8(name);
  EXPECT_FALSE(Exists(name));
  EXPECT_EQ(GarbageCollectedFileList()->Count(), 0);
  std::u16string inTemp = NewTempFileName(u"", kWideGetTempPath, u"x");
  EXPECT_EQ(ExtractFilePath(inTemp), GetTempFolder());
}

TEST_F(TempFiles, RemovedFoldersAreForgotten) {
  std::u16string a = NewTempFolder();
  std::u16string b = NewTempFolder();
  WriteTextFile(a + u"file.txt", "x");
  RemoveTempFolder(a);
  EXPECT_FALSE(Exists(a));
  ASSERT_EQ(GarbageCollectedFolderList()->Count(), 1);
  EXPECT_EQ(GarbageCollectedFolderList()->Get(0), b);
  // Unknown or already removed folders are no failure.
  EXPECT_NO_THROW(RemoveTempFolder(a));
  EXPECT_NO_THROW(RemoveTempFolder(u"C:\\no\\such\\folder\\"));
  EXPECT_EQ(GarbageCollectedFolderList()->Count(), 1);
}

TEST_F(TempFiles, AFolderThatCannotGoYetStaysRegisteredUntilTheEnd) {
  std::u16string dir = NewTempFolder();
  std::u16string file = dir + u"held.txt";
  WriteTextFile(file, "x");
  {
    FileHandle held(CreateFileW(WStr(file), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    RemoveTempFolder(dir);
    EXPECT_TRUE(Exists(file));
    ASSERT_EQ(GarbageCollectedFolderList()->Count(), 1);
    CollectTempFolders();  // still held: stays on disk, but the list is emptied
    EXPECT_EQ(GarbageCollectedFolderList()->Count(), 0);
  }
  RemoveTempFolder(dir);
  EXPECT_FALSE(Exists(dir));
}

TEST_F(TempFiles, OutsideTheUnitsLifeNothingIsRegistered) {
  FinalizeKivLXUtils();
  try {
    NewTempFolder();
    ADD_FAILURE() << "registered a folder without a list";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: GarbageCollectedFolderList not assigned.");
  }
  try {
    NewTempFile(u".txt");
    ADD_FAILURE() << "registered a file without a list";
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: GarbageCollectedFileList not assigned.");
  }
  EXPECT_NO_THROW(RemoveTempFolder(GetTempFolder() + u"Temp1"));
  EXPECT_NO_THROW(CollectTempFolders());
  EXPECT_NO_THROW(CollectTempFiles());
  InitializeKivLXUtils();
}

// A unit that leaves temporary things behind and then fails, as a failed start-up
// does.
std::u16string failedFolder, failedFile;
void StartAndFail() {
  failedFolder = NewTempFolder();
  WriteTextFile(failedFolder + u"partial.dat", "x");
  failedFile = NewTempFile(u".txt");
  WriteTextFile(failedFile, "x");
  throw EKivGeneralError("start-up failed");
}

TEST(TempFilesAfterAFailure, AFailedStartUpStillRemovesEverything) {
  const UnitEntry units[] = {{"KivLXUtils", InitializeKivLXUtils, FinalizeKivLXUtils},
                             {"Failing", StartAndFail, nullptr}};
  {
    TUnitTable table(units);
    EXPECT_THROW(table.Initialize(), EKivGeneralError);
    ASSERT_TRUE(Exists(failedFolder));
    ASSERT_TRUE(Exists(failedFile));
  }  // the table's end finalises the units that started
  EXPECT_FALSE(Exists(failedFolder));
  EXPECT_FALSE(Exists(failedFile));
  EXPECT_EQ(GarbageCollectedFolderList(), nullptr);
}

class Shell : public TempFiles {};

TEST_F(Shell, OpeningOrPrintingAFileWithoutAssociation) {
  TempDir dir;
  std::u16string file = dir / u"report.plinthnoassoc";
  WriteTextFile(file, "x");
  try {
    ShellOpen(file);
    ADD_FAILURE() << "opened a file nothing is associated with";
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(),
              "There is no application associated with the given file name extension.");
  }
  try {
    ShellExecuteChecked(nullptr, u"print", file, SW_SHOWNORMAL);
    ADD_FAILURE() << "printed a file nothing is associated with";
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "The specified file is not printable.");
  }
  try {
    ShellOpen(dir / u"missing.txt");
    ADD_FAILURE() << "opened a missing file";
  } catch (const EKivGeneralError& e) {
    EXPECT_EQ(e.Message(), "The specified file was not found.");
  }
}

TEST_F(Shell, DeletingATreeAndFailingToDeleteOne) {
  TempDir dir;
  std::u16string tree = dir / u"tree\\";
  ASSERT_TRUE(ForceDirectories(tree + u"a\\b"));
  WriteTextFile(tree + u"a\\b\\c.txt", "x");
  ShellDelete(tree, FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT);
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(dir.Path()));
  EXPECT_THROW(ShellDelete(dir / u"missing", FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT),
               EAbort);
}

TEST(ProgramPaths, TheRunningExecutable) {
  EXPECT_EQ(GetProgramPath(), GetModuleFileName(nullptr));
  EXPECT_EQ(GetProgramFolder(), TestExeDir());
  EXPECT_EQ(GetProgramFolder().back(), u'\\');
}

std::u16string ShortPath(const std::u16string& path) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetShortPathNameW(WStr(path), buf, MAX_PATH);
  EXPECT_GT(n, 0u);
  return FromWStr(buf, n);
}

std::u16string LongPath(const std::u16string& path) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetLongPathNameW(WStr(path), buf, MAX_PATH);
  EXPECT_GT(n, 0u);
  return FromWStr(buf, n);
}

class LongNames : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_ / u"A Long Folder Name";
    file_ = folder_ + u"\\Some Long File.txt";
    ASSERT_TRUE(CreateDirectoryW(WStr(folder_), nullptr));
    WriteTextFile(file_, "x");
    shortFile_ = ShortPath(file_);
    ASSERT_NE(shortFile_, file_) << "no 8.3 names here";
  }
  TempDir dir_;
  std::u16string folder_, file_, shortFile_;
};

TEST_F(LongNames, EveryComponentTakesItsStoredForm) {
  EXPECT_EQ(GetLongNameOf(shortFile_), u"Some Long File.txt");
  EXPECT_EQ(GetLongPathText(shortFile_), LongPath(shortFile_));
  EXPECT_EQ(GetLongPathText(shortFile_), LongPath(file_));
  // Stored case too; the drive is left as written.
  std::u16string lower = WideLowerCase(file_);
  EXPECT_EQ(GetLongPathText(lower), u"c" + LongPath(file_).substr(1));
}

TEST_F(LongNames, RootsEmptyAndRelativePaths) {
  EXPECT_EQ(GetLongPathText(u""), u"");
  EXPECT_EQ(GetLongPathText(u"C:\\"), u"C:\\");
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryW(WStr(ShortPath(folder_))));
  std::u16string relative = GetLongPathText(ExtractFileName(shortFile_));
  SetCurrentDirectoryW(before);
  EXPECT_EQ(relative, LongPath(file_));
}

TEST_F(LongNames, MissingComponentsAndFoldersKeepTheirSpelling) {
  std::u16string shortFolder = ShortPath(folder_);
  EXPECT_EQ(GetLongPathText(shortFolder + u"\\Not There.txt"),
            LongPath(folder_) + u"\\Not There.txt");
  EXPECT_EQ(GetLongPathText(shortFolder + u"\\"), LongPath(folder_) + u"\\");
  EXPECT_EQ(GetLongNameOf(shortFolder + u"\\Not There.txt"), shortFolder + u"\\Not There.txt");
  EXPECT_EQ(GetLongNameOf(shortFolder + u"\\*.txt"), shortFolder + u"\\*.txt");
}

}  // namespace

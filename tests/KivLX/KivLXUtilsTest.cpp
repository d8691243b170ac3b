#include <gtest/gtest.h>

#include <set>

#include "KivLX/KivLXUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/KivStringList.h"

namespace {

TEST(KivLXUtilsPaths, ExtractFilePathKeepsTheDelimiter) {
  EXPECT_EQ(
      ExtractFilePath(u"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\SQLDMO.dll"),
      u"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\");
  EXPECT_EQ(ExtractFilePath(u"C:"), u"C:");
  EXPECT_EQ(ExtractFilePath(u"C:file.txt"), u"C:");
  EXPECT_EQ(ExtractFilePath(u"file.txt"), u"");
  EXPECT_EQ(ExtractFilePath(u"dir\\"), u"dir\\");
}

TEST(KivLXUtilsPaths, FileNameAndExtension) {
  EXPECT_EQ(ExtractFileName(u"C:\\a\\b.c.dll"), u"b.c.dll");
  EXPECT_EQ(ExtractFileName(u"C:b.dll"), u"b.dll");
  EXPECT_EQ(ExtractFileName(u"C:\\a\\"), u"");
  EXPECT_EQ(ExtractFileExt(u"C:\\a\\b.c.dll"), u".dll");
  EXPECT_EQ(ExtractFileExt(u"C:\\a.dir\\file"), u"");  // the dot belongs to a directory
  EXPECT_EQ(ExtractFileExt(u"name."), u".");
  EXPECT_EQ(FileNameWithoutExt(u"C:\\x\\Plinth2000.exe"), u"Plinth2000");
  EXPECT_EQ(FileNameWithoutExt(u"C:\\x.y\\README"), u"README");
  EXPECT_EQ(FileNameWithoutExt(u"a.b.c"), u"a.b");
}

TEST(KivLXUtilsPaths, TrailingSlashes) {
  EXPECT_EQ(IncludeTrailingSlash(u"C:\\Tools"), u"C:\\Tools\\");
  EXPECT_EQ(IncludeTrailingSlash(u"C:\\Tools\\"), u"C:\\Tools\\");
  EXPECT_EQ(IncludeTrailingSlash(u""), u"\\");
  EXPECT_EQ(ExcludeTrailingSlash(u"C:\\Tools\\"), u"C:\\Tools");
  EXPECT_EQ(ExcludeTrailingSlash(u"C:\\Tools\\\\"), u"C:\\Tools\\");  // only one
  EXPECT_EQ(ExcludeTrailingSlash(u"C:\\Tools"), u"C:\\Tools");
  EXPECT_EQ(ExcludeTrailingSlash(u""), u"");
}

TEST(KivLXUtilsPaths, AssertTrueRaisesTheBaseClass) {
  EXPECT_NO_THROW(AssertTrue(true, "never"));
  try {
    AssertTrue(false, "Internal Error: File does not exist: x");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "Internal Error: File does not exist: x");
  }
}

TEST(KivLXUtilsPaths, DriveOfLocalAndNetworkPaths) {
  EXPECT_EQ(ExtractFileDrive(u"C:\\Windows"), u"C:");
  EXPECT_EQ(ExtractFileDrive(u"d:"), u"d:");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\share\\Windows\\System"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\share"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\Windows"), u"");
  EXPECT_EQ(ExtractFileDrive(u"Windows"), u"");
  EXPECT_EQ(ExtractFileDrive(u""), u"");
}

TEST(KivLXUtilsTemp, RandomNumbersStayInRangeAndVary) {
  std::set<int> seen;
  for (int i = 0; i < 1000; ++i) {
    int n = RandomNumber();
    ASSERT_GE(n, 0);
    ASSERT_LE(n, 2147483646);
    seen.insert(n);
  }
  EXPECT_GT(seen.size(), 990u);
}

TEST(KivLXUtilsTemp, AListThatDoesNotExistIsAnInternalError) {
  TKivStringList list;
  EXPECT_NO_THROW(AssertListAssigned(&list, "GarbageCollectedFileList"));
  try {
    AssertListAssigned(nullptr, "GarbageCollectedFolderList");
    FAIL();
  } catch (const EKivInternalError& e) {
    EXPECT_EQ(e.Message(), "Internal Error: GarbageCollectedFolderList not assigned.");
  }
}

std::string ShellError(std::intptr_t code, const std::u16string& verb = u"open") {
  try {
    CheckShellResult(code, verb, u"C:\\Temp\\report.txt");
  } catch (const EKivGeneralError& e) {
    return e.Message();
  }
  return "no exception";
}

TEST(KivLXUtilsShell, ResultsUpTo32BecomeTheShellsSentences) {
  EXPECT_EQ(ShellError(0), "The operating system is out of memory or resources.");
  EXPECT_EQ(ShellError(2), "The specified file was not found.");
  EXPECT_EQ(ShellError(3), "The specified path was not found.");
  EXPECT_EQ(ShellError(5), "The operating system denied access to the specified file.");
  EXPECT_EQ(ShellError(8), "There was not enough memory to complete the operation.");
  EXPECT_EQ(ShellError(11),
            "The .exe file is invalid (non-Microsoft Win32\xAE .exe or error in .exe image).");
  EXPECT_EQ(ShellError(26), "A sharing violation occurred.");
  EXPECT_EQ(ShellError(27), "The file name association is incomplete or invalid.");
  EXPECT_EQ(ShellError(28),
            "The DDE transaction could not be completed because the request timed out.");
  EXPECT_EQ(ShellError(29), "The DDE transaction failed.");
  EXPECT_EQ(ShellError(30),
            "The Dynamic Data Exchange (DDE) transaction could not be completed because other DDE "
            "transactions were being processed.");
  EXPECT_EQ(ShellError(32), "The specified dynamic-link library (DLL) was not found.");
  EXPECT_EQ(ShellError(33), "no exception");
  EXPECT_EQ(ShellError(42), "no exception");
}

TEST(KivLXUtilsShell, NoAssociationDependsOnThePrintVerb) {
  const std::string noAssoc =
      "There is no application associated with the given file name extension.";
  const std::string notPrintable = "The specified file is not printable.";
  EXPECT_EQ(ShellError(31, u"open"), noAssoc);
  EXPECT_EQ(ShellError(31, u""), noAssoc);
  EXPECT_EQ(ShellError(31, u"printto"), noAssoc);
  EXPECT_EQ(ShellError(31, u"print"), notPrintable);
  EXPECT_EQ(ShellError(31, u"PrInT"), notPrintable);
}

TEST(KivLXUtilsShell, OtherCodesAreInternalErrorsNamingTheFile) {
  for (std::intptr_t code : {1, 4, 25, -1}) {
    try {
      CheckShellResult(code, u"open", u"C:\\Temp\\report.txt");
      FAIL() << code;
    } catch (const EKivInternalError& e) {
      EXPECT_EQ(e.Message(), "Internal Error: ShellExecute() returned code " +
                                 std::to_string(code) + " for \"C:\\Temp\\report.txt\".");
    }
  }
}

TEST(KivLXUtilsSystemInfo, PlatformNamesAndTheOsDescription) {
  EXPECT_EQ(GetPlatformName(0), u"Win32s");
  EXPECT_EQ(GetPlatformName(1), u"Win9x");
  EXPECT_EQ(GetPlatformName(2), u"NT");
  EXPECT_EQ(GetPlatformName(3), u"3");
  EXPECT_EQ(FormatOSDescription(2, 5, 1, 2600, u"Service Pack 3"),
            u"NT 5.1 (Build 2600) Service Pack 3");
  // The 9x family's build number carries the version in its high word; the
  // service-pack text may be empty, which leaves the blank before it.
  EXPECT_EQ(FormatOSDescription(1, 4, 10, 0x040A08AE, u" A "), u"Win9x 4.10 (Build 2222)  A ");
  EXPECT_EQ(FormatOSDescription(2, 4, 0, 0x040A08AE, u""), u"NT 4.0 (Build 67766446) ");
}

TEST(KivLXUtilsSystemInfo, CodePagesAndTheirIsoEquivalents) {
  EXPECT_EQ(GetCodePageDescription(1250), u"ISO 8859-2,  Latin 2 (Central Europe)");
  EXPECT_EQ(GetCodePageDescription(1251), u"ISO 8859-5,  Cyrillic (Slavic)");
  EXPECT_EQ(GetCodePageDescription(1252), u"ISO 8859-1,  Latin 1 (ANSI)");
  EXPECT_EQ(GetCodePageDescription(1253), u"ISO 8859-7,  Greek");
  EXPECT_EQ(GetCodePageDescription(1254), u"ISO 8859-9,  Latin 5 (Turkish)");
  EXPECT_EQ(GetCodePageDescription(1255), u"ISO 8859-8,  Hebrew");
  EXPECT_EQ(GetCodePageDescription(1256), u"ISO 8859-6,  Arabic");
  EXPECT_EQ(GetCodePageDescription(1257), u"ISO 8859-4,  Scandinavia and Baltic Rim");
  EXPECT_EQ(GetCodePageDescription(932), u"(Unknown ISO equivalent)");
  EXPECT_EQ(GetCodePageDescription(1258), u"(Unknown ISO equivalent)");
}

TEST(KivLXUtilsSystemInfo, DiskSizesInWholeMegabytes) {
  EXPECT_EQ(GetDiskSizeMB(0, 8, 512), 0);
  EXPECT_EQ(GetDiskSizeMB(255, 8, 512), 0);  // just under a megabyte
  EXPECT_EQ(GetDiskSizeMB(256, 8, 512), 1);
  // 4 TB of 4 KB clusters: beyond 32 bits on the way.
  EXPECT_EQ(GetDiskSizeMB(0x40000000, 8, 512), 4194304);
  EXPECT_EQ(GetDiskSizeMB(0xFFFFFFFFu, 0x7FFFFFFFu, 1), 8796093016064);  // near the top
}

TEST(KivLXUtilsSystemInfo, ADiskSizeBeyond64BitsIsAnOverflow) {
  try {
    GetDiskSizeMB(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu);
    FAIL();
  } catch (const EIntOverflow& e) {
    EXPECT_EQ(e.Message(), "Integer overflow");
  }
  EXPECT_THROW(GetDiskSizeMB(0x80000000u, 0x80000000u, 2), EIntOverflow);
  EXPECT_EQ(GetDiskSizeMB(0x80000000u, 0x80000000u, 1), 4398046511104);
}

TEST(KivLXUtilsSystemInfo, OfficeApplicationNames) {
  EXPECT_EQ(std::u16string(OfficeAppName(oaWord)), u"Word");
  EXPECT_EQ(std::u16string(OfficeAppName(oaExcel)), u"Excel");
  EXPECT_EQ(std::u16string(OfficeAppName(oaOutlook)), u"Outlook");
  EXPECT_EQ(std::u16string(OfficeAppName(oaAccess)), u"Access");
}

}  // namespace

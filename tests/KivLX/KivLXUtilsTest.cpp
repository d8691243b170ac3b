#include "KivLX/KivLXUtils.h"

#include <gtest/gtest.h>

#include "Rtl/Exceptions.h"

namespace {

TEST(KivLXUtilsPaths, ExtractFilePathKeepsTheDelimiter) {
  EXPECT_EQ(ExtractFilePath(u"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\SQLDMO.dll"),
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

}  // namespace

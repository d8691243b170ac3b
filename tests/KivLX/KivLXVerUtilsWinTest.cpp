#include "KivLX/KivLXVerUtils.h"

#include <gtest/gtest.h>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "WinTestSupport.h"

namespace {

TEST(KivLXVerUtilsFiles, VersionTranslationAndStringsOfAFullResource) {
  std::u16string f = FixturePath(u"VerFull.dll");
  EXPECT_EQ(GetFileVersion(f), MakeVersion(2000, 80, 194, 0));
  EXPECT_EQ(FormatVersion(vfFull, GetFileVersion(f)), u"2000.80.194.0");
  EXPECT_EQ(GetFileTranslation(f), 0x04B00409u);
  EXPECT_EQ(GetFileLanguage(f) & 0xFFFF, 0x0409u);
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"Plinth Test Company");
  EXPECT_EQ(GetFileVersionString(u"ProductName", f, 0x0409, 0x04B0), u"Plinth Fixture");
  EXPECT_EQ(GetFileVersionString(u"NoSuchKey", f, 0, 0), u"");
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0x0407, 0x04E4), u"");
}

TEST(KivLXVerUtilsFiles, StringsComeBackWithoutTheirNul) {
  std::u16string f = FixturePath(u"VerFull.dll");
  EXPECT_EQ(GetFileVersionString(u"FileDescription", f, 0, 0), u"Counted NUL");
  EXPECT_EQ(GetFileVersionString(u"Embedded", f, 0, 0), u"abc");
}

TEST(KivLXVerUtilsFiles, FixedFileInformation) {
  TFixedFileInfo info = GetFixedFileInfo(FixturePath(u"VerFull.dll"));
  EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info.dwFileVersionMS, (2000u << 16) | 80u);
  EXPECT_EQ(info.dwFileVersionLS, 194u << 16);
  EXPECT_EQ(info.dwProductVersionMS, (8u << 16) | 0u);
  EXPECT_EQ(info.dwFileType, 2u);
}

TEST(KivLXVerUtilsFiles, NoTranslationQueriesTheZeroBlock) {
  std::u16string f = FixturePath(u"VerNoTranslation.dll");
  EXPECT_EQ(GetFileTranslation(f), 0u);
  EXPECT_EQ(GetFileVersion(f), MakeVersion(1998, 11, 1, 0));
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"No Translation Inc");
}

TEST(KivLXVerUtilsFiles, FirstOfSeveralTranslationsIsUsed) {
  std::u16string f = FixturePath(u"VerGerman.dll");
  EXPECT_EQ(GetFileTranslation(f), 0x04E40407u);
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"Deutsche Firma");
  // Either half zero takes both from the translation.
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0x0409, 0), u"Deutsche Firma");
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0x0409, 0x04B0), u"");
}

TEST(KivLXVerUtilsFiles, LibraryWithoutVersionResourceGivesZeros) {
  std::u16string f = FixturePath(u"VerNone.dll");
  EXPECT_TRUE(LoadFileVersionInfo(f).empty());
  EXPECT_EQ(GetFileVersion(f), 0u);
  EXPECT_EQ(GetFileTranslation(f), 0u);
  EXPECT_EQ(GetFileVersionString(u"CompanyName", f, 0, 0), u"");
  EXPECT_EQ(GetFixedFileInfo(f).dwSignature, 0u);
}

TEST(KivLXVerUtilsFiles, MissingFileIsAnInternalError) {
  std::u16string f = FixturePath(u"NotBuilt.dll");
  try {
    GetFileVersion(f);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Internal Error: File does not exist: " + WideToAnsi(f));
  }
  EXPECT_THROW(GetFileVersionString(u"CompanyName", f, 0, 0), Exception);
}

TEST(KivLXVerUtilsFiles, SystemLibrariesHaveVersions) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::u16string kernel = FromWStr(system) + u"\\kernel32.dll";
  EXPECT_GT(VersionMajor(GetFileVersion(kernel)), 0);
}

}  // namespace

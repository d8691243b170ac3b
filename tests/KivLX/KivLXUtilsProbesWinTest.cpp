// Component probes against registrations, keys and files written by the tests. These
// tests change machine-wide state and run one at a time.
#include <gtest/gtest.h>

#include <memory>

#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

const std::u16string kClsidA = u"{0A1B2C3D-0000-4000-8000-00000000000A}";
const std::u16string kClsidB = u"{0A1B2C3D-0000-4000-8000-00000000000B}";

TEST(KivLXUtilsProbes, ProgIdLookupReturnsThePathAsStored) {
  EXPECT_EQ(GetProgIdServerPath(u"Plinth.No.Such.ProgId"), u"");
  ScopedClassRegistration reg(u"Plinth.Test.Probe", kClsidA, u"%SystemRoot%\\probe.dll",
                              REG_EXPAND_SZ);
  EXPECT_EQ(GetProgIdServerPath(u"Plinth.Test.Probe"), u"%SystemRoot%\\probe.dll");
  GUID guid;
  ASSERT_EQ(CLSIDFromString(WStr(kClsidA), &guid), S_OK);
  EXPECT_EQ(GuidToString(guid), kClsidA);
  EXPECT_EQ(GetClsidServerPath(guid), u"%SystemRoot%\\probe.dll");
}

TEST(KivLXUtilsProbes, ServerVersionNeedsAnExistingFileWithAVersion) {
  {
    ScopedClassRegistration reg(u"Plinth.Test.Probe", kClsidA, FixturePath(u"VerFull.dll"));
    EXPECT_EQ(GetProgIdServerVersion(u"Plinth.Test.Probe"), MakeVersion(2000, 80, 194, 0));
  }
  {
    ScopedClassRegistration reg(u"Plinth.Test.Probe", kClsidA, FixturePath(u"Gone.dll"));
    EXPECT_EQ(GetProgIdServerVersion(u"Plinth.Test.Probe"), 0u);  // no internal error
  }
  {
    ScopedClassRegistration reg(u"Plinth.Test.Probe", kClsidA, u"");
    EXPECT_EQ(GetProgIdServerVersion(u"Plinth.Test.Probe"), 0u);
  }
  {
    ScopedClassRegistration reg(u"Plinth.Test.Probe", kClsidA, FixturePath(u"VerNone.dll"));
    EXPECT_EQ(GetProgIdServerVersion(u"Plinth.Test.Probe"), 0u);
  }
}

TEST(KivLXUtilsProbes, ARegistrationValueOfTheWrongTypeIsAnError) {
  ScopedClassRegistration reg(u"Plinth.Test.Probe", kClsidA, u"", REG_DWORD);
  try {
    GetProgIdServerVersion(u"Plinth.Test.Probe");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for ''");
  }
}

TEST(KivLXUtilsProbes, SecondProgIdOnlyWhenTheFirstGivesNothing) {
  ScopedClassRegistration current(u"SQLDMO.Application.8.0", kClsidA, FixturePath(u"VerFull.dll"));
  ScopedClassRegistration independent(u"SQLDMO.Application", kClsidB,
                                      FixturePath(u"VerGerman.dll"));
  EXPECT_EQ(GetSqlDmoVersion(), MakeVersion(2000, 80, 194, 0));
  {
    ScopedClassRegistration gone(u"SQLDMO.Application.8.0", kClsidA, FixturePath(u"Gone.dll"));
    EXPECT_EQ(GetSqlDmoVersion(), MakeVersion(3, 14, 0, 0));
  }
}

TEST(KivLXUtilsProbes, EveryProgIdProbeAsksItsOwnNames) {
  struct Probe {
    std::uint64_t (*fn)();
    const char16_t* first;
    const char16_t* second;
  };
  const Probe probes[] = {
      {GetCapicomVersion, u"CAPICOM.EncryptedData", nullptr},
      {GetRowPositionVersion, u"RowPosition.RowPosition", u"RowPosition.RowPosition.1"},
      {GetJetOleDbVersion, u"Microsoft.Jet.OLEDB.4.0", nullptr},
      {GetDaoVersion, u"DAO.TableDef.36", u"DAO.TableDef"},
      {GetSqlDmoVersion, u"SQLDMO.Application.8.0", u"SQLDMO.Application"},
      {GetCrystalRuntimeVersion, u"CrystalRuntime.Report.11", u"CrystalRuntime.Report"},
  };
  // The prefix may register some of these names itself, so each case registers
  // every name it relies on.
  for (const Probe& p : probes) {
    {
      ScopedClassRegistration reg(p.first, kClsidA, FixturePath(u"VerFull.dll"));
      EXPECT_EQ(p.fn(), MakeVersion(2000, 80, 194, 0)) << WideToAnsi(p.first);
    }
    if (p.second) {
      ScopedClassRegistration gone(p.first, kClsidA, FixturePath(u"Gone.dll"));
      ScopedClassRegistration reg(p.second, kClsidB, FixturePath(u"VerNoTranslation.dll"));
      EXPECT_EQ(p.fn(), MakeVersion(1998, 11, 1, 0)) << WideToAnsi(p.second);
    }
  }
}

TEST(KivLXUtilsProbes, LibraryProbesFindTheSystemsLibraries) {
  EXPECT_GT(GetWinInetVersion(), 0u);
  EXPECT_EQ(GetWinInetVersion(), GetFileVersion(FindModulePath(u"wininet")));
  EXPECT_GT(GetMapiVersion(), 0u);
}

TEST(KivLXUtilsProbes, RpaWInetIsReadWithItsCompany) {
  std::u16string company = u"stale";
  EXPECT_EQ(GetRpaWInetVersion(company), 0u);
  EXPECT_EQ(company, u"");
  TempDir dir;
  ASSERT_TRUE(CopyFileW(WStr(FixturePath(u"VerFull.dll")), WStr(dir / u"Rpawinet.dll"), FALSE));
  ASSERT_TRUE(SetDllDirectoryW(WStr(dir.Path())));
  std::uint64_t version = GetRpaWInetVersion(company);
  SetDllDirectoryW(nullptr);
  EXPECT_EQ(version, MakeVersion(2000, 80, 194, 0));
  EXPECT_EQ(company, u"Plinth Test Company");
}

class SqlServer7Tools : public ::testing::Test {
 protected:
  void Plant(const std::u16string* sqlPath) {
    key_.reset();  // the old key goes before the new one is written
    key_ = std::make_unique<ScopedMachineValue>(u"SOFTWARE\\Microsoft\\MSSQLServer\\Setup",
                                                u"SQLPath", sqlPath);
  }
  TempDir root_;
  std::unique_ptr<ScopedMachineValue> key_;
};

TEST_F(SqlServer7Tools, NeedTheKeyThePathTheBinnFolderAndSemdll1999) {
  EXPECT_FALSE(HasSqlServer7Tools());
  Plant(nullptr);
  EXPECT_FALSE(HasSqlServer7Tools());  // key without SQLPath
  std::u16string path = ExcludeTrailingSlash(root_.Path());
  Plant(&path);
  EXPECT_FALSE(HasSqlServer7Tools());  // no Binn folder
  ASSERT_TRUE(ForceDirectories(root_ / u"Binn"));
  EXPECT_FALSE(HasSqlServer7Tools());  // no semdll.dll
  ASSERT_TRUE(CopyFileW(WStr(FixturePath(u"sql2000\\semdll.dll")),
                        WStr(root_ / u"Binn\\semdll.dll"), FALSE));
  EXPECT_FALSE(HasSqlServer7Tools());  // major 2000
  ASSERT_TRUE(
      CopyFileW(WStr(FixturePath(u"sql7\\semdll.dll")), WStr(root_ / u"Binn\\semdll.dll"), FALSE));
  EXPECT_TRUE(HasSqlServer7Tools());
  std::u16string withSlash = root_.Path();
  Plant(&withSlash);
  EXPECT_TRUE(HasSqlServer7Tools());
}

TEST(KivLXUtilsProbes, OfficeVersionsNewestFirstWithTheRootUsedAsIs) {
  TempDir office11;
  TempDir office10;
  WriteTextFile(office11 / u"WINWORD.EXE", "word 11");
  WriteTextFile(office10 / u"WINWORD.EXE", "word 10");
  EXPECT_EQ(GetOfficeAppVersion(u"Word", u"WINWORD.EXE"), u"");
  ScopedMachineValue v10(u"Software\\Microsoft\\Office\\10.0\\Word\\InstallRoot", u"Path",
                         &office10.Path());
  EXPECT_EQ(GetOfficeInstallRoot(u"10.0", u"Word"), office10.Path());
  EXPECT_EQ(GetOfficeAppVersion(u"Word", u"WINWORD.EXE"), u"10.0");
  {
    ScopedMachineValue v11(u"Software\\Microsoft\\Office\\11.0\\Word\\InstallRoot", u"Path",
                           &office11.Path());
    EXPECT_EQ(GetOfficeAppVersion(u"Word", u"WINWORD.EXE"), u"11.0");
    EXPECT_EQ(GetOfficeAppVersion(u"Excel", u"EXCEL.EXE"), u"");
  }
  // No separator is added between the root and the file name.
  std::u16string noSlash = ExcludeTrailingSlash(office10.Path());
  ScopedMachineValue v9(u"Software\\Microsoft\\Office\\9.0\\Access\\InstallRoot", u"Path",
                        &noSlash);
  WriteTextFile(office10 / u"MSACCESS.EXE", "access");
  EXPECT_EQ(GetOfficeAppVersion(u"Access", u"MSACCESS.EXE"), u"");
  WriteTextFile(noSlash + u"MSACCESS.EXE", "access beside the folder");
  EXPECT_EQ(GetOfficeAppVersion(u"Access", u"MSACCESS.EXE"), u"9.0");
  DeleteFileW(WStr(noSlash + u"MSACCESS.EXE"));
}

}  // namespace

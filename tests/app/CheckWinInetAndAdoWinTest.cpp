#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CheckWinInetAndAdo.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "KivTrx/KivTrxUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/KivStringList.h"
#include "Rtl/ResourceString.h"
#include "Rtl/WideText.h"
#include "WinTestSupport.h"

namespace {

class Inventory : public ::testing::Test {
 protected:
  void TearDown() override { FinalizeCheckWinInetAndAdo(); }
};

TEST_F(Inventory, StoredValuesOfTheEightRecords) {
  InitializeCheckWinInetAndAdo();
  const auto& t = NeededComps();
  const char16_t* codes[] = {u"IE",  u"MAPI", u"CAPICOM", u"MDAC",
                             u"JET", u"DAO",  u"SQL-DMO", u"CRYSTAL11"};
  const std::int32_t required[] = {0x00050000, 0x00010000, 0x00020000, 0x00020032,
                                   0x00040000, 0x0003003C, 0x07D0000A, 0x0000000B};
  const std::int32_t upper[] = {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF,
                                0x00040000, 0x0003003C, 0x7FFFFFFF, 0x0000000B};
  const bool flags[] = {false, false, false, true, true, false, false, true};
  const std::int32_t results[] = {0, 0, 0, 3010, 3010, 0, 0, 0};
  for (int i = 0; i < kNeededCompCount; ++i) {
    EXPECT_EQ(t[i].Code, codes[i]);
    EXPECT_EQ(t[i].RequiredPacked, required[i]) << i;
    EXPECT_EQ(t[i].UpperPacked, upper[i]) << i;
    EXPECT_EQ(t[i].SetupFlag, flags[i]) << i;
    EXPECT_EQ(t[i].SetupResultCode, results[i]) << i;
    EXPECT_EQ(t[i].InstalledPacked, PackedOf(t[i].InstalledVersion)) << i;
    EXPECT_GE(t[i].InstalledPacked, 0);
  }
  EXPECT_EQ(t[ncSqlDmo].Description, "Microsoft SQL-DMO 2000 Objects");
  EXPECT_EQ(t[ncMdac].Description, "Microsoft Data Access Components (MDAC) 2.5");
  EXPECT_EQ(t[ncIE].Description, "Internet Explorer 5.0 or newer");
  EXPECT_EQ(t[ncMdac].SetupParams, u"/q /c:\"dasetup.exe /q /n\"");
  EXPECT_EQ(t[ncMdac].SetupParams.size(), 25u);
  EXPECT_EQ(t[ncJet].SetupParams, t[ncMdac].SetupParams);
  EXPECT_EQ(t[ncSqlDmo].SetupFile, u"AdSqlDmo2000.exe");
  EXPECT_EQ(t[ncIE].SetupFile, u"");
}

TEST_F(Inventory, OwnLinksForTheFirstTwoAndTheDownloadServerForTheRest) {
  InitializeCheckWinInetAndAdo();
  const auto& t = NeededComps();
  EXPECT_EQ(t[ncIE].WebLink, "http://www.microsoft.com/ie");
  EXPECT_EQ(t[ncMapi].WebLink, "your Windows CD.");
  for (int i = ncCapicom; i < kNeededCompCount; ++i) {
    EXPECT_EQ(t[i].WebLink, WideToAnsi(kDownloadBaseUrl)) << i;
  }
  SetDownloadLinks(u"http://mirror.example/download/");
  EXPECT_EQ(t[ncIE].WebLink, "http://www.microsoft.com/ie");
  EXPECT_EQ(t[ncCrystal11].WebLink, "http://mirror.example/download/");
}

TEST_F(Inventory, ProbesFillTheInstalledVersions) {
  InitializeCheckWinInetAndAdo();
  const auto& t = NeededComps();
  EXPECT_EQ(t[ncIE].InstalledVersion, GetWinInetVersion());
  EXPECT_GT(t[ncIE].InstalledPacked, 0);
  EXPECT_EQ(t[ncSqlDmo].InstalledVersion, 0u);  // nothing registered here
  EXPECT_LT(t[ncSqlDmo].InstalledPacked, t[ncSqlDmo].RequiredPacked);
}

TEST_F(Inventory, EachRecordHoldsTheVersionOfItsOwnComponent) {
  // Every component is found in a version of its own (the system's, or one
  // registered here), so that no two records could have their probes swapped
  // unnoticed.
  struct Planted {
    const char16_t* progId;
    const char16_t* clsid;
    const char16_t* server;
    int record;
  } planted[] = {
      {u"CAPICOM.EncryptedData", u"{6C2F1A01-0000-4000-8000-00000000C0A1}", u"VerFull.dll",
       ncCapicom},
      {u"Microsoft.Jet.OLEDB.4.0", u"{6C2F1A01-0000-4000-8000-00000000C0A3}", u"VerGerman.dll",
       ncJet},
      {u"DAO.TableDef.36", u"{6C2F1A01-0000-4000-8000-00000000C0A4}", u"RelocFirst.dll", ncDao},
      {u"SQLDMO.Application.8.0", u"{6C2F1A01-0000-4000-8000-00000000C0A5}", u"RelocSecond.dll",
       ncSqlDmo},
      {u"CrystalRuntime.Report.11", u"{6C2F1A01-0000-4000-8000-00000000C0A6}", u"PlantedLib.dll",
       ncCrystal11},
  };
  std::vector<std::unique_ptr<ScopedClassRegistration>> registrations;
  for (const Planted& p : planted) {
    registrations.push_back(
        std::make_unique<ScopedClassRegistration>(p.progId, p.clsid, FixturePath(p.server)));
  }
  InitializeCheckWinInetAndAdo();
  const auto& t = NeededComps();
  for (const Planted& p : planted) {
    EXPECT_EQ(t[p.record].InstalledVersion, GetFileVersion(FixturePath(p.server)))
        << WideToAnsi(t[p.record].Code);
  }
  // The system's own components, as their probes find them.
  EXPECT_EQ(t[ncIE].InstalledVersion, GetWinInetVersion());
  EXPECT_EQ(t[ncMapi].InstalledVersion, GetMapiVersion());
  EXPECT_EQ(t[ncMdac].InstalledVersion, GetRowPositionVersion());
  // All eight differ: a record showing another's version is seen.
  for (int i = 0; i < kNeededCompCount; ++i) {
    for (int k = i + 1; k < kNeededCompCount; ++k) {
      EXPECT_NE(t[i].InstalledVersion, t[k].InstalledVersion)
          << WideToAnsi(t[i].Code) << " and " << WideToAnsi(t[k].Code);
    }
  }
}

TEST_F(Inventory, ModuleListHoldsTheProgramOnceIgnoringCase) {
  EXPECT_EQ(ReportModules().Count(), 0);
  InitializeCheckWinInetAndAdo();
  ASSERT_EQ(ReportModules().Count(), 1);
  std::u16string self = GetModuleFileName(nullptr);
  EXPECT_EQ(ReportModules().Get(0), self);
  AddReportModule(WideUpperCase(self));
  AddReportModule(u"C:\\Other\\Module.dll");
  AddReportModule(u"c:\\other\\module.DLL");
  ASSERT_EQ(ReportModules().Count(), 2);
  EXPECT_EQ(ReportModules().Get(1), u"C:\\Other\\Module.dll");
  FinalizeCheckWinInetAndAdo();
  EXPECT_EQ(ReportModules().Count(), 0);
  EXPECT_EQ(NeededComps()[ncSqlDmo].Code, u"");
}

TEST(InventoryPacking, MajorPartsBeyondTheSignedRangeCountAsNewest) {
  EXPECT_EQ(PackedOf(MakeVersion(2000, 80, 194, 0)), 0x07D00050);
  EXPECT_EQ(PackedOf(MakeVersion(32767, 65535, 0, 0)), 0x7FFFFFFF);
  EXPECT_EQ(PackedOf(MakeVersion(32768, 0, 0, 0)), 0x7FFFFFFF);
  EXPECT_EQ(PackedOf(MakeVersion(65535, 1, 0, 0)), 0x7FFFFFFF);
  EXPECT_EQ(PackedOf(0), 0);
}

class SqlServer7Rule : public Inventory {
 protected:
  void Plant(const std::u16string& semdll, const std::u16string& dmo) {
    std::u16string root = ExcludeTrailingSlash(dir_.Path());
    key_.reset();
    key_ = std::make_unique<ScopedMachineValue>(u"SOFTWARE\\Microsoft\\MSSQLServer\\Setup",
                                                u"SQLPath", &root);
    ASSERT_TRUE(ForceDirectories(dir_ / u"Binn"));
    ASSERT_TRUE(CopyFileW(WStr(FixturePath(semdll)), WStr(dir_ / u"Binn\\semdll.dll"), FALSE));
    ASSERT_TRUE(CopyFileW(WStr(FixturePath(dmo)), WStr(dir_ / u"Binn\\sqldmo.dll"), FALSE));
    // The server imports its companion, which lies beside it.
    std::u16string companion = ExtractFilePath(FixturePath(dmo)) + u"sqlresld.dll";
    ASSERT_TRUE(CopyFileW(WStr(companion), WStr(dir_ / u"Binn\\sqlresld.dll"), FALSE));
    RegisterServer(dir_ / u"Binn\\sqldmo.dll");
  }
  void TearDown() override {
    UnregisterServer(dir_ / u"Binn\\sqldmo.dll");
    Inventory::TearDown();
  }
  TempDir dir_;
  std::unique_ptr<ScopedMachineValue> key_;
};

TEST_F(SqlServer7Rule, SqlDmo7WithTheToolsLowersTheRequirement) {
  Plant(u"sql7\\semdll.dll", u"dmo7\\sqldmo.dll");
  InitializeCheckWinInetAndAdo();
  const TNeededComp& dmo = NeededComps()[ncSqlDmo];
  EXPECT_EQ(dmo.Description, "Microsoft SQL-DMO 7.0 Objects");
  EXPECT_EQ(dmo.RequiredPacked, 0x07CE000B);
  EXPECT_EQ(dmo.InstalledPacked, 0x07CE000B);
}

TEST_F(SqlServer7Rule, AnotherSqlDmoWithTheToolsKeepsTheRequirement) {
  Plant(u"sql7\\semdll.dll", u"old2000\\sqldmo.dll");
  InitializeCheckWinInetAndAdo();
  const TNeededComp& dmo = NeededComps()[ncSqlDmo];
  EXPECT_EQ(dmo.Description, "Microsoft SQL-DMO 2000 Objects");
  EXPECT_EQ(dmo.RequiredPacked, 0x07D0000A);
  EXPECT_EQ(dmo.InstalledPacked, 0x07D00008);
}

TEST_F(SqlServer7Rule, SqlDmo7WithoutTheToolsKeepsTheRequirement) {
  Plant(u"sql2000\\semdll.dll", u"dmo7\\sqldmo.dll");
  InitializeCheckWinInetAndAdo();
  EXPECT_EQ(NeededComps()[ncSqlDmo].RequiredPacked, 0x07D0000A);
}

TEST(ResourceStrings, TextsComeFromTheProgramsStringTable) {
  std::uint16_t id = ResStrId("CheckWinInetAndAdo_SSqlDmo7Desc");
  ASSERT_NE(id, 0) << "the test program carries no KIV.DRC map";
  wchar_t buf[128];
  int n = LoadStringW(GetModuleHandleW(nullptr), id, buf, 128);
  EXPECT_EQ(FromWStr(buf, n), u"Microsoft SQL-DMO 7.0 Objects");
  EXPECT_EQ(LoadResString(CheckWinInetAndAdo_SSqlDmo7Desc), u"Microsoft SQL-DMO 7.0 Objects");
  EXPECT_EQ(ResStrId("No_SuchString"), 0);
  // A resource module without the string falls back to the program's table.
  HMODULE other =
      LoadLibraryExW(WStr(FixturePath(u"VerFull.dll")), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(other, nullptr);
  SetResourceInstance(other);
  EXPECT_EQ(ResourceSource(), other);
  EXPECT_EQ(LoadResString(CheckWinInetAndAdo_SSqlDmo7Desc), u"Microsoft SQL-DMO 7.0 Objects");
  SetResourceInstance(GetModuleHandleW(nullptr));  // frees `other`
  EXPECT_EQ(ResourceSource(), GetModuleHandleW(nullptr));
}

TEST(ResourceStrings, TheMapSectionListsEveryStringInIdOrder) {
  auto base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_SECTION_HEADER* s = IMAGE_FIRST_SECTION(nt);
  const IMAGE_SECTION_HEADER* drc = nullptr;
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
    if (std::string(reinterpret_cast<const char*>(s[i].Name), 7) == "KIV.DRC") drc = &s[i];
  }
  ASSERT_NE(drc, nullptr);
  auto text = reinterpret_cast<const char16_t*>(base + drc->VirtualAddress);
  auto entries = ParseResStrMap(std::u16string_view(text, drc->Misc.VirtualSize / 2));
  ASSERT_GT(entries.size(), 10u);
  for (std::size_t i = 1; i < entries.size(); ++i) EXPECT_LT(entries[i - 1].id, entries[i].id);
  bool found = false;
  for (const auto& e : entries) found = found || e.name == "KivLXUtils_SFileCouldntCreate";
  EXPECT_TRUE(found);
  // Lines are "id=Unit_Identifier" ended by CR LF.
  std::u16string start(text, 6);
  EXPECT_EQ(start.substr(0, 5), IntToWide(entries[0].id) + u"=");
}

}  // namespace

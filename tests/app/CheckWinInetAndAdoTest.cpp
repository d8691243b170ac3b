// The system-information section's lines, written from given facts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CheckWinInetAndAdo.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/Exceptions.h"
#include "Rtl/KivStringList.h"

namespace {

const std::u16string kSep = u"-------------------------------------";

TSystemInfoFacts SampleFacts() {
  TSystemInfoFacts f;
  f.modules = {{u"C:\\Program Files\\Plinth\\Plinth2000.exe", true, MakeVersion(1, 2, 3, 4)},
               {u"C:\\Gone\\Helper.dll", false, 0}};
  f.osDescription = u"NT 5.1 (Build 2600) Service Pack 3";
  f.kernelVersion = MakeVersion(5, 1, 2600, 5512);
  f.kernelProduct = u"Microsoft\u00AE Windows\u00AE Operating System";
  f.nt = true;
  f.administrator = true;
  f.computerName = u"DESK01";
  f.userName = u"jsmith";
  f.systemLocale = 1033;
  f.systemLocaleDescription = u"English (United States)";
  f.userLocale = 1033;
  f.sortOrder = u"Default";
  f.ansiCodePage = 1252;
  f.systemTime = u"12/8/2025 3:04:05 PM";
  f.totalPhysicalBytes = 512ull << 20;
  f.availablePhysicalBytes = (200ull << 20) + 12345;
  f.memoryLoad = 61;
  f.windowsDrive = u"C:";
  f.sectorsPerCluster = 8;
  f.bytesPerSector = 512;
  f.totalClusters = 2621440;  // 10 GB
  f.freeClusters = 262144;    // 1 GB
  const char16_t* codes[] = {u"IE",  u"MAPI", u"CAPICOM", u"MDAC",
                             u"JET", u"DAO",  u"SQL-DMO", u"CRYSTAL11"};
  for (const char16_t* c : codes) f.components.push_back({c, 0});
  f.components[0].version = MakeVersion(6, 0, 2900, 2180);
  f.components[6].version = MakeVersion(2000, 80, 194, 0);
  f.mapiCompany = u"Microsoft Corporation";
  f.officeVersions = {u"11.0", u"", u"9.0", u""};
  return f;
}

std::vector<std::u16string> Lines(const TSystemInfoFacts& f) {
  TKivStringList list;
  list.Add(u"a line from before");
  WriteSystemInfo(list, f);
  std::vector<std::u16string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

bool HasLineStarting(const std::vector<std::u16string>& lines, std::u16string_view start) {
  for (const auto& l : lines) {
    if (l.starts_with(start)) return true;
  }
  return false;
}

TEST(SystemInfoSection, EveryLineInItsOrder) {
  std::vector<std::u16string> expected = {
      u"Plinth2000: 1.2 r3",
      u"Helper: (Not Installed)",
      kSep,
      u"OS = NT 5.1 (Build 2600) Service Pack 3",
      u"Kernel = 5.1.2600.5512 (Microsoft\u00AE Windows\u00AE Operating System)",
      u"Administrator = True",
      u"Computer Name = DESK01 (jsmith)",
      u"System Locale ID = 1033: English (United States)",
      u"Sort Order = Default",
      u"ANSI Code Page = 1252,  ISO 8859-1,  Latin 1 (ANSI)",
      u"System Time = 12/8/2025 3:04:05 PM",
      kSep,
      u"Total Physical Memory: 512 MB",
      u"Avail Physical Memory: 200 MB",
      u"Memory Load: 61%",
      kSep,
      u"Total Windows HD Space (C:) = 10240 MB",
      u"Free Windows HD Space = 1024 MB",
      kSep,
      u"IE\t(6.0.2900.2180)",
      u"MAPI\t(0.0.0.0)   (Microsoft Corporation)",
      u"CAPICOM\t(0.0.0.0)",
      u"MDAC\t(0.0.0.0)",
      u"JET\t(0.0.0.0)",
      u"DAO\t(0.0.0.0)",
      u"SQL-DMO\t(2000.80.194.0)",
      u"CRYSTAL11\t(0.0.0.0)",
      kSep,
      u"Word=11.0",
      u"Excel=",
      u"Outlook=9.0",
      u"Access=",
      kSep,
  };
  EXPECT_EQ(Lines(SampleFacts()), expected);
}

TEST(SystemInfoSection, AdministratorLineOnlyOnNt) {
  TSystemInfoFacts f = SampleFacts();
  f.administrator = false;
  EXPECT_TRUE(HasLineStarting(Lines(f), u"Administrator = False"));
  f.nt = false;
  EXPECT_FALSE(HasLineStarting(Lines(f), u"Administrator"));
}

TEST(SystemInfoSection, UserLocaleLineOnlyWhenItDiffersAndAfterTheSystems) {
  TSystemInfoFacts f = SampleFacts();
  f.userLocale = 1031;
  f.userLocaleDescription = u"German (Germany)";
  auto lines = Lines(f);
  auto system =
      std::find(lines.begin(), lines.end(), u"System Locale ID = 1033: English (United States)");
  ASSERT_NE(system, lines.end());
  ASSERT_NE(system + 1, lines.end());
  EXPECT_EQ(system[1], u"User Locale ID = 1031: German (Germany)");
}

TEST(SystemInfoSection, ASortOrderThatCouldNotBeReadIsLeftOut) {
  TSystemInfoFacts f = SampleFacts();
  f.sortOrder.reset();
  auto lines = Lines(f);
  EXPECT_FALSE(HasLineStarting(lines, u"Sort Order"));
  EXPECT_EQ(lines.size(), Lines(SampleFacts()).size() - 1);
}

TEST(SystemInfoSection, UnknownCodePageAndEmptyLookups) {
  TSystemInfoFacts f = SampleFacts();
  f.ansiCodePage = 932;
  f.kernelVersion = 0;
  f.kernelProduct.clear();
  f.mapiCompany.clear();
  auto lines = Lines(f);
  EXPECT_TRUE(HasLineStarting(lines, u"ANSI Code Page = 932,  (Unknown ISO equivalent)"));
  EXPECT_TRUE(HasLineStarting(lines, u"Kernel = 0.0.0.0 ()"));
  EXPECT_TRUE(HasLineStarting(lines, u"MAPI\t(0.0.0.0)   ()"));
}

TEST(SystemInfoSection, WithoutAWindowsDriveNoDiskLines) {
  TSystemInfoFacts f = SampleFacts();
  f.windowsDrive.clear();
  auto lines = Lines(f);
  EXPECT_FALSE(HasLineStarting(lines, u"Total Windows HD"));
  auto load = std::find(lines.begin(), lines.end(), u"Memory Load: 61%");
  ASSERT_NE(load, lines.end());
  EXPECT_EQ(load[1], kSep);
  EXPECT_EQ(load[2], u"IE\t(6.0.2900.2180)");
}

TEST(SystemInfoSection, NetworkDriveAndAFailedDiskQuery) {
  TSystemInfoFacts f = SampleFacts();
  f.windowsDrive = u"\\\\server\\share";
  f.sectorsPerCluster = f.bytesPerSector = f.freeClusters = f.totalClusters = 0;
  auto lines = Lines(f);
  EXPECT_TRUE(HasLineStarting(lines, u"Total Windows HD Space (\\\\server\\share) = 0 MB"));
  EXPECT_TRUE(HasLineStarting(lines, u"Free Windows HD Space = 0 MB"));
}

TEST(SystemInfoSection, ADiskTooLargeToCountRaises) {
  TSystemInfoFacts f = SampleFacts();
  f.totalClusters = f.sectorsPerCluster = f.bytesPerSector = 0xFFFFFFFFu;
  TKivStringList list;
  EXPECT_THROW(WriteSystemInfo(list, f), EIntOverflow);
}

std::vector<std::u16string> RpaLines(std::uint64_t version, std::u16string company) {
  TSystemInfoFacts f = SampleFacts();
  f.rpaWInetVersion = version;
  f.rpaWInetCompany = std::move(company);
  std::vector<std::u16string> out;
  auto lines = Lines(f);
  for (const auto& l : lines) {
    if (l.starts_with(u"RpaWInet") || l.starts_with(u"Warning")) out.push_back(l);
  }
  // They stand after the components, before the separator.
  if (!out.empty()) {
    auto first = std::find(lines.begin(), lines.end(), out[0]);
    EXPECT_EQ(first[-1], u"CRYSTAL11\t(0.0.0.0)");
    EXPECT_EQ(first[out.size()], kSep);
  }
  return out;
}

TEST(SystemInfoSection, TheOldCompuServeInternetLibraryIsFlagged) {
  const std::u16string warning = u"Warning: your version of RpaWInet.dll is known to be unstable.";
  EXPECT_EQ(RpaLines(MakeVersion(3, 13, 0, 0), u"CompuServe Interactive Services"),
            (std::vector<std::u16string>{
                u"RpaWInet.dll\t(3.13.0.0)   (CompuServe Interactive Services)", warning}));
  EXPECT_EQ(RpaLines(MakeVersion(3, 13, 9, 9), u"COMPUSERVE"),
            (std::vector<std::u16string>{u"RpaWInet.dll\t(3.13.9.9)   (COMPUSERVE)", warning}));
  EXPECT_EQ(RpaLines(MakeVersion(3, 14, 0, 0), u"CompuServe"),
            std::vector<std::u16string>{u"RpaWInet.dll\t(3.14.0.0)   (CompuServe)"});
  EXPECT_EQ(RpaLines(MakeVersion(3, 13, 0, 0), u"Made by CompuServe"),
            std::vector<std::u16string>{u"RpaWInet.dll\t(3.13.0.0)   (Made by CompuServe)"});
  EXPECT_EQ(RpaLines(0, u""), std::vector<std::u16string>{});
}

TEST(SystemInfoSection, UnstableRuleComparesVersionsAsSignedNumbers) {
  EXPECT_TRUE(RpaWInetIsUnstable(MakeVersion(3, 13, 65535, 65535), u"CompuServe"));
  EXPECT_FALSE(RpaWInetIsUnstable(MakeVersion(3, 14, 0, 0), u"CompuServe"));
  EXPECT_FALSE(RpaWInetIsUnstable(MakeVersion(3, 0, 0, 0), u"Compu Serve"));
  // A major part of 32768 or more reads as negative, so as older.
  EXPECT_TRUE(RpaWInetIsUnstable(MakeVersion(40000, 0, 0, 0), u"compuserve"));
  EXPECT_FALSE(RpaWInetIsUnstable(0, u""));
}

}  // namespace

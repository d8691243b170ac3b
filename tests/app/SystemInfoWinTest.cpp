// The system-information section as the running system gives it, through the
// callback the inventory unit installs. Run on the NT platform, again with Wine
// presenting Windows 98, and with user and system locales that differ.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "CheckWinInetAndAdo.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "Rtl/CodePage.h"
#include "Rtl/KivStringList.h"
#include "WinTestSupport.h"

namespace {

const std::u16string kSep = u"-------------------------------------";

class SystemInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeKivLXUtils();
    InitializeCheckWinInetAndAdo();
  }
  void TearDown() override {
    FinalizeCheckWinInetAndAdo();
    FinalizeKivLXUtils();
  }
  // The section as the exception dialog gets it.
  std::vector<std::string> Section() {
    TSystemInfoCallback callback = SystemInfoCallback();
    EXPECT_NE(callback, nullptr);
    TKivStringList lines;
    lines.Add(u"written before");
    if (callback) callback(lines);
    std::vector<std::string> out;
    for (int i = 0; i < lines.Count(); ++i) out.push_back(WideToUtf8(lines.Get(i)));
    return out;
  }
};

// The index of the first line matching `pattern` at or after `from`; fails the test
// when there is none.
std::size_t Find(const std::vector<std::string>& lines, const std::string& pattern,
                 std::size_t from = 0) {
  std::regex re(pattern);
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (std::regex_match(lines[i], re)) return i;
  }
  ADD_FAILURE() << "no line matches " << pattern;
  return lines.size();
}

bool Any(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const auto& l : lines) {
    if (l.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

TEST_F(SystemInfo, TheCallbackIsSetWhileTheUnitLives) {
  EXPECT_EQ(SystemInfoCallback(), &FillSystemInfo);
  FinalizeCheckWinInetAndAdo();
  EXPECT_EQ(SystemInfoCallback(), nullptr);
  InitializeCheckWinInetAndAdo();
}

TEST_F(SystemInfo, SectionsInOrderWithTheRunningSystemsValues) {
  AddReportModule(FixturePath(u"VerFull.dll"));
  AddReportModule(TestExeDir() + u"NoSuchModule.dll");
  auto lines = Section();
  SCOPED_TRACE(Dump(lines));
  ASSERT_GT(lines.size(), 20u);
  const std::string sep = WideToUtf8(kSep);
  // The program itself carries no version resource.
  EXPECT_EQ(lines[0], WideToUtf8(FileNameWithoutExt(GetModuleFileName(nullptr))) + ": 0.0 r0");
  EXPECT_EQ(lines[1], "VerFull: 2000.80 r194");
  EXPECT_EQ(lines[2], "NoSuchModule: (Not Installed)");
  EXPECT_EQ(lines[3], sep);

  std::string platform = ExpectWin9x() ? "Win9x 4\\.10" : "NT \\d+\\.\\d+";
  std::size_t i = Find(lines, "OS = " + platform + " \\(Build \\d+\\) .*");
  EXPECT_EQ(i, 4u);
  EXPECT_EQ(Find(lines, "Kernel = [1-9]\\d*\\.\\d+\\.\\d+\\.\\d+ \\(.*\\)"), 5u);
  std::size_t computer = Find(lines, "Computer Name = .+ \\(.+\\)");
  EXPECT_EQ(computer, ExpectWin9x() ? 6u : 7u);
  EXPECT_EQ(lines[computer], "Computer Name = " + WideToUtf8(GetComputerNameText()) + " (" +
                                 WideToUtf8(GetUserNameText()) + ")");
  std::size_t locale = Find(lines, "System Locale ID = \\d+: .+ \\(.+\\)");
  EXPECT_EQ(locale, computer + 1);
  std::size_t codePage = Find(lines, "ANSI Code Page = \\d+,  .+", locale);
  EXPECT_EQ(lines[codePage], "ANSI Code Page = " + std::to_string(GetACP()) + ",  " +
                                 WideToUtf8(GetCodePageDescription(GetACP())));
  EXPECT_EQ(Find(lines, "Sort Order = .+", locale), codePage - 1);
  EXPECT_EQ(Find(lines, "System Time = \\d.+\\d.*", codePage), codePage + 1);
  EXPECT_EQ(lines[codePage + 2], sep);

  std::size_t memory = Find(lines, "Total Physical Memory: [1-9]\\d* MB");
  EXPECT_EQ(memory, codePage + 3);
  EXPECT_EQ(Find(lines, "Avail Physical Memory: \\d+ MB"), memory + 1);
  EXPECT_EQ(Find(lines, "Memory Load: \\d{1,3}%"), memory + 2);
  // Wine keeps its Windows folder on drive C:.
  EXPECT_EQ(lines[memory + 3], sep);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[memory + 4], m,
                               std::regex("Total Windows HD Space \\(C:\\) = (\\d+) MB")))
      << lines[memory + 4];
  long long total = std::stoll(m[1]);
  ASSERT_TRUE(
      std::regex_match(lines[memory + 5], m, std::regex("Free Windows HD Space = (\\d+) MB")));
  EXPECT_GT(total, 0);
  EXPECT_LE(std::stoll(m[1]), total);
  EXPECT_EQ(lines[memory + 6], sep);

  std::size_t comp = memory + 7;
  const auto& table = NeededComps();
  for (int c = 0; c < kNeededCompCount; ++c) {
    std::string line = WideToUtf8(table[c].Code) + "\t(" +
                       WideToUtf8(FormatVersion(vfFull, table[c].InstalledVersion)) + ")";
    if (c == ncMapi) {
      EXPECT_EQ(lines[comp + c].rfind(line + "   (", 0), 0u) << lines[comp + c];
      EXPECT_EQ(lines[comp + c].back(), ')');
    } else {
      EXPECT_EQ(lines[comp + c], line);
    }
  }
  EXPECT_EQ(lines[comp + 8], sep);  // no RpaWInet here
  EXPECT_EQ(lines[comp + 9], "Word=");
  EXPECT_EQ(lines[comp + 12], "Access=");
  EXPECT_EQ(lines[comp + 13], sep);
  EXPECT_EQ(lines.size(), comp + 14);
}

TEST_F(SystemInfo, AdministratorLineOnlyOnTheNtPlatform) {
  auto lines = Section();
  EXPECT_EQ(Any(lines, "Administrator = "), !ExpectWin9x());
  if (!ExpectWin9x()) {
    // The membership as the newer call of the system answers it.
    using CheckFn = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
    auto check = reinterpret_cast<CheckFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "CheckTokenMembership")));
    ASSERT_NE(check, nullptr);
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins));
    BOOL member = FALSE;
    ASSERT_TRUE(check(nullptr, admins, &member));
    FreeSid(admins);
    EXPECT_EQ(UserIsAdministrator(), member != FALSE);
    EXPECT_TRUE(Any(lines, member ? "Administrator = True" : "Administrator = False"));
  } else {
    EXPECT_TRUE(UserIsAdministrator());
  }
}

// The locale run sets PLINTH_LOCALE_RUN: Japanese system, German user.
bool LocaleRun() { return GetEnvironmentVariableA("PLINTH_LOCALE_RUN", nullptr, 0) > 0; }

TEST_F(SystemInfo, UserLocaleLineOnlyWhenItDiffersFromTheSystems) {
  auto lines = Section();
  SCOPED_TRACE(Dump(lines));
  LCID system = GetSystemDefaultLCID();
  LCID user = GetUserDefaultLCID();
  std::size_t i = Find(lines, "System Locale ID = " + std::to_string(system) + ": .*");
  ASSERT_LT(i, lines.size());
  if (LocaleRun()) {
    ASSERT_NE(user, system);
    EXPECT_EQ(lines[i], "System Locale ID = 1041: Japanese (Japan)");
    EXPECT_EQ(lines[i + 1], "User Locale ID = 1031: German (Germany)");
    EXPECT_EQ(Find(lines, "ANSI Code Page = .*"), i + 3);
    EXPECT_TRUE(Any(lines, "ANSI Code Page = 932,  (Unknown ISO equivalent)"));
  } else if (user == system) {
    EXPECT_FALSE(Any(lines, "User Locale ID"));
    EXPECT_EQ(lines[i + 1].rfind("Sort Order = ", 0), 0u);
  } else {
    EXPECT_EQ(lines[i + 1].rfind("User Locale ID = " + std::to_string(user) + ": ", 0), 0u);
  }
}

TEST_F(SystemInfo, LocaleTextsAndTheirFallback) {
  EXPECT_EQ(GetLocaleDescription(1033), u"English (United States)");
  EXPECT_EQ(GetLocaleDescription(1031), u"German (Germany)");
  EXPECT_EQ(GetLocaleText(0x7FFFFFFF, LOCALE_SENGLANGUAGE), u"???");
  EXPECT_EQ(GetLocaleDescription(0x7FFFFFFF),
            u"??? (??"
            u"?)");  // split: "??)" reads as a trigraph
}

TEST_F(SystemInfo, OsAndKernelDescribeTheRunningSystem) {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExA(&v));
#pragma GCC diagnostic pop
  std::string os = WideToUtf8(GetOSDescription());
  EXPECT_EQ(os.rfind(ExpectWin9x() ? "Win9x " : "NT ", 0), 0u) << os;
  EXPECT_NE(
      os.find("(Build " +
              std::to_string(ExpectWin9x() ? v.dwBuildNumber & 0xFFFF : v.dwBuildNumber) + ") "),
      std::string::npos)
      << os;
  std::u16string product;
  std::uint64_t kernel = GetKernelVersion(product);
  EXPECT_NE(kernel, 0u);
  EXPECT_EQ(kernel, GetFileVersion(FindModulePath(u"kernel32")));
  EXPECT_EQ(product, GetFileVersionString(u"ProductName", FindModulePath(u"kernel32"), 0, 0));
}

class SystemInfoPlanted : public SystemInfo {
 protected:
  void SetUp() override {}  // each test plants first, then starts the units
  void Start() { SystemInfo::SetUp(); }
};

TEST_F(SystemInfoPlanted, OfficeVersionsFoundAtStartUp) {
  TempDir word10, word9, outlook11;
  WriteTextFile(word10 / u"WINWORD.EXE", "x");
  WriteTextFile(word9 / u"WINWORD.EXE", "x");
  WriteTextFile(outlook11 / u"OUTLOOK.EXE", "x");
  ScopedMachineValue w10(u"Software\\Microsoft\\Office\\10.0\\Word\\InstallRoot", u"Path",
                         &word10.Path());
  ScopedMachineValue w9(u"Software\\Microsoft\\Office\\9.0\\Word\\InstallRoot", u"Path",
                        &word9.Path());
  ScopedMachineValue o11(u"Software\\Microsoft\\Office\\11.0\\Outlook\\InstallRoot", u"Path",
                         &outlook11.Path());
  Start();
  EXPECT_EQ(OfficeAppVersion(oaWord), u"10.0");
  auto lines = Section();
  std::size_t word = Find(lines, "Word=.*");
  ASSERT_LE(word + 4, lines.size());
  EXPECT_EQ(lines[word], "Word=10.0");
  EXPECT_EQ(lines[word + 1], "Excel=");
  EXPECT_EQ(lines[word + 2], "Outlook=11.0");
  EXPECT_EQ(lines[word + 3], "Access=");
  // The table belongs to the unit's life.
  FinalizeKivLXUtils();
  EXPECT_EQ(OfficeAppVersion(oaWord), u"");
  InitializeKivLXUtils();
}

TEST_F(SystemInfoPlanted, AnOldCompuServeInternetLibraryIsReportedWithTheWarning) {
  Start();
  ASSERT_TRUE(SetDllDirectoryW(WStr(FixturePath(u"rpawinet\\"))));
  auto lines = Section();
  SetDllDirectoryW(nullptr);
  SCOPED_TRACE(Dump(lines));
  std::size_t rpa = Find(lines, "RpaWInet\\.dll\t.*");
  ASSERT_LT(rpa + 2, lines.size());
  EXPECT_EQ(lines[rpa - 1].rfind("CRYSTAL11\t(", 0), 0u);
  EXPECT_EQ(lines[rpa], "RpaWInet.dll\t(3.13.0.0)   (CompuServe Interactive Services)");
  EXPECT_EQ(lines[rpa + 1], "Warning: your version of RpaWInet.dll is known to be unstable.");
  EXPECT_EQ(lines[rpa + 2], WideToUtf8(kSep));
}

}  // namespace

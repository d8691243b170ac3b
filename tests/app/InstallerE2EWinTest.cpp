// End-to-end runs of the real Plinth2000.exe. Each test runs in a fresh Wine prefix of
// its own (see fresh-prefix.sh), prepares the machine, runs the installer and looks
// at what it left behind: files, versions, registration, exit code, windows.
//
// The installer is this build's, or, when PLINTH_E2E_SHIPPING names the shipping
// (32-bit) build's folder, that build's program with its 32-bit fixtures. This test
// program stays 64-bit: for a 32-bit installer it prepares and reads the machine as
// 32-bit programs see it (the registry's 32-bit view, the 32-bit system folder) and
// registers the older copies it plants with the 32-bit regsvr32.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "E2ESupport.h"
#include "KivLX/KivLXRegistry.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

constexpr DWORD kInstallFailed = 1603;

// The message of the exception dialog: the text of its first memo, the one on top.
std::u16string DialogMessage(HWND dialog) {
  struct Top {
    int y = INT_MAX;
    std::u16string text;
  } top;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM p) CALLBACK -> BOOL {
        wchar_t cls[32];
        GetClassNameW(child, cls, 32);
        RECT r;
        auto out = reinterpret_cast<Top*>(p);
        if (wcscmp(cls, L"TKivMemo") == 0 && GetWindowRect(child, &r) && r.top < out->y) {
          out->y = r.top;
          // Another process's edit text comes only by the message.
          std::vector<wchar_t> buf(SendMessageW(child, WM_GETTEXTLENGTH, 0, 0) + 1);
          LRESULT n =
              SendMessageW(child, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
          out->text = FromWStr(buf.data(), static_cast<std::size_t>(n));
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&top));
  return top.text;
}

// The exception dialog's detail report, once it is built whole: the text of its
// lower memo when the system information's last section has arrived.
std::u16string DialogReport(HWND dialog) {
  struct Memos {
    int count = 0;
    HWND lowest = nullptr;
    int y = INT_MIN;
  };
  std::u16string text;
  for (int waited = 0; waited < 30000; waited += 100) {
    Memos m;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM p) CALLBACK -> BOOL {
          wchar_t cls[32];
          GetClassNameW(child, cls, 32);
          RECT r;
          auto out = reinterpret_cast<Memos*>(p);
          if (wcscmp(cls, L"TKivMemo") == 0 && GetWindowRect(child, &r) && r.top > out->y) {
            out->y = r.top;
            out->lowest = child;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&m));
    if (m.lowest) {
      std::vector<wchar_t> buf(SendMessageW(m.lowest, WM_GETTEXTLENGTH, 0, 0) + 1);
      LRESULT n =
          SendMessageW(m.lowest, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
      text = FromWStr(buf.data(), static_cast<std::size_t>(n));
      if (text.find(u"\r\nAccess=") != std::u16string::npos) break;
    }
    Sleep(100);
  }
  return text;
}

// The line of the installer's source file `file` (below app/) that holds `text`, or
// the first `then` after it; 0 when there is none.
int SourceLine(const char* file, const std::string& text, const std::string& then = {}) {
  std::u16string path = u"Z:" + AnsiToWide(PLINTH_SOURCE_DIR) + u"/app/" + AnsiToWide(file);
  std::replace(path.begin(), path.end(), u'/', u'\\');
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  std::string source(bytes.begin(), bytes.end());
  std::size_t at = source.find(text);
  if (at != std::string::npos && !then.empty()) at = source.find(then, at);
  if (at == std::string::npos) return 0;
  return 1 + static_cast<int>(std::count(source.begin(), source.begin() + at, '\n'));
}

// The stack entry that names `procedure` of `unit` at the line holding `callText`,
// counted from the procedure's first line (its opening brace, after `signature`), as
// the report prints it.
std::string StackEntry(const char* unit, const char* procedure, const char* file,
                       const std::string& signature, const std::string& callText) {
  int first = SourceLine(file, signature, "{");
  int line = SourceLine(file, callText);
  EXPECT_GT(first, 0) << signature;
  EXPECT_GT(line, first) << callText;
  return std::string("] ") + unit + "." + procedure + " (Line " + std::to_string(line) + ", \"" +
         file + "\" + " + std::to_string(line - first) + ")";
}

std::u16string WithoutCarriageReturns(std::u16string s) {
  s.erase(std::remove(s.begin(), s.end(), u'\r'), s.end());
  return s;
}

// Lines the self-registering stand-ins append to PLINTH_STANDIN_LOG.
class StandInLog {
 public:
  StandInLog() : path_(dir_ / u"standin.log") {
    SetEnvironmentVariableW(L"PLINTH_STANDIN_LOG", WStr(path_));
  }
  ~StandInLog() { SetEnvironmentVariableW(L"PLINTH_STANDIN_LOG", nullptr); }
  std::vector<std::u16string> Lines() const {
    if (!FileExists(path_)) return {};
    std::vector<std::uint8_t> bytes = ReadFileBytesOrEmpty();
    return SplitLines(Utf8ToWide(std::string(bytes.begin(), bytes.end())));
  }

 private:
  std::vector<std::uint8_t> ReadFileBytesOrEmpty() const {
    FileHandle f(CreateFileW(WStr(path_), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    if (!f) return {};
    std::vector<std::uint8_t> bytes(GetFileSize(f.get(), nullptr));
    DWORD read = 0;
    ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }
  TempDir dir_;
  std::u16string path_;
};

std::string Describe(const std::vector<std::u16string>& lines) {
  std::string out;
  for (const auto& l : lines) out += WideToAnsi(l) + "\n";
  return out;
}

// A machine key as the installer sees it, with a string value unless it is null.
void SetMachineString(const std::u16string& key, const std::u16string& name,
                      const std::u16string* value) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, WStr(key), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  if (value) {
    RegSetValueExW(h, WStr(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                   static_cast<DWORD>((value->size() + 1) * sizeof(char16_t)));
  }
  RegCloseKey(h);
}

void SetClientSetupSqlPath(const std::u16string* value) {
  SetMachineString(u"SOFTWARE\\Microsoft\\Microsoft SQL Server\\80\\Tools\\ClientSetup", u"SQLPath",
                   value);
}

void CopyFixture(const std::u16string& fixture, const std::u16string& target) {
  ForceDirectories(ExtractFilePath(target));
  ASSERT_TRUE(CopyFileW(WStr(FixturePath(fixture)), WStr(target), FALSE)) << WideToAnsi(target);
}

// An older SQL-DMO with its six files in `dir`, registered from there. Its server
// imports its companion sqlresld.dll, which lies beside it as in a real install.
void PlantOlderCopy(const std::u16string& dir, const std::u16string& dmoFixture) {
  CopyFixture(dmoFixture, dir + u"sqldmo.dll");
  CopyFixture(ExtractFilePath(dmoFixture) + u"sqlresld.dll", dir + u"sqlresld.dll");
  for (const char16_t* name : {u"sqlsvc.dll", u"w95scm.dll"}) {
    WriteTextFile(dir + name, "old");
  }
  ForceDirectories(dir + u"Resources\\1033\\");
  WriteTextFile(dir + u"Resources\\1033\\sqldmo.rll", "old");
  WriteTextFile(dir + u"Resources\\1033\\sqlsvc.rll", "old");
  ASSERT_TRUE(
      SetFileAttributesW(WStr(dir + u"Resources\\1033\\sqldmo.rll"), FILE_ATTRIBUTE_READONLY));
  RegisterServer(dir + u"sqldmo.dll");
  ASSERT_TRUE(WideSameText(ServerPath(u"SQLDMO.Application"), dir + u"sqldmo.dll"));
}

TEST(Installer, FreshMachineGetsEveryFileAndTheRegistration) {
  StandInLog log;
  ASSERT_FALSE(FileExists(SystemDir() + u"sqlunirl.dll"));
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
  EXPECT_EQ(FormatVersion(vfFull, GetFileVersion(SystemDir() + u"sqlunirl.dll")), u"2000.80.728.0");
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 1u) << Describe(lines);  // no older copy to unregister
  EXPECT_TRUE(WideSameText(lines[0], u"DllRegisterServer " + kDefaultBinn + u"SQLDMO.dll"));
}

TEST(Installer, SecondRunDoesNothing) {
  StandInLog log;
  ASSERT_EQ(Installer().Wait(), 0u);
  ASSERT_TRUE(DeleteFileW(WStr(kDefaultBinn + u"w95scm.DLL")));
  EXPECT_EQ(Installer().Wait(), 0u);
  EXPECT_FALSE(FileExists(kDefaultBinn + u"w95scm.DLL")) << "the second run wrote files";
  EXPECT_EQ(log.Lines().size(), 1u) << Describe(log.Lines());
}

TEST(Installer, SqlPathMissingMeansTheDefaultFolder) {
  SetClientSetupSqlPath(nullptr);
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
}

TEST(Installer, SqlPathEmptyMeansTheDefaultFolder) {
  std::u16string empty;
  SetClientSetupSqlPath(&empty);
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
}

TEST(Installer, SqlPathWithoutTrailingBackslashGetsOne) {
  std::u16string tools = u"C:\\SQL Tools";
  ASSERT_TRUE(ForceDirectories(tools));
  SetClientSetupSqlPath(&tools);
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(u"C:\\SQL Tools\\Binn\\");
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
}

TEST(Installer, SqlPathWithTrailingBackslashGetsNoSecond) {
  std::u16string tools = u"C:\\SQL Tools\\";
  ASSERT_TRUE(ForceDirectories(tools));
  SetClientSetupSqlPath(&tools);
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(u"C:\\SQL Tools\\Binn\\");
  EXPECT_TRUE(WideSameText(ServerPath(u"SQLDMO.Application"), u"C:\\SQL Tools\\Binn\\SQLDMO.dll"));
}

TEST(Installer, SqlPathNamingAMissingFolderMeansTheDefaultFolder) {
  std::u16string tools = u"C:\\Gone\\Tools";
  SetClientSetupSqlPath(&tools);
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
  EXPECT_FALSE(DirectoryExists(u"C:\\Gone"));
}

TEST(Installer, OlderCopyElsewhereIsUnregisteredAndDeleted) {
  StandInLog log;
  std::u16string old = u"C:\\Old SQL\\Binn\\";
  PlantOlderCopy(old, u"old2000\\sqldmo.dll");
  EXPECT_EQ(Installer().Wait(), 0u);
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 3u) << Describe(lines);
  EXPECT_TRUE(WideSameText(lines[1], u"DllUnregisterServer " + old + u"sqldmo.dll"));
  EXPECT_TRUE(WideSameText(lines[2], u"DllRegisterServer " + kDefaultBinn + u"SQLDMO.dll"));
  for (const char16_t* name : {u"sqldmo.dll", u"sqlsvc.dll", u"sqlresld.dll", u"w95scm.dll",
                               u"Resources\\1033\\sqldmo.rll", u"Resources\\1033\\sqlsvc.rll"}) {
    EXPECT_FALSE(FileExists(old + name)) << WideToAnsi(old + name) << " was left behind";
  }
  ExpectInstalledIn(kDefaultBinn);
}

TEST(Installer, RegistrationWhoseFileIsGoneIsNoOlderCopy) {
  StandInLog log;
  std::u16string old = u"C:\\Old SQL\\Binn\\";
  PlantOlderCopy(old, u"old2000\\sqldmo.dll");
  ASSERT_TRUE(DeleteFileW(WStr(old + u"sqldmo.dll")));
  EXPECT_EQ(Installer().Wait(), 0u);
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u) << Describe(lines);  // the planting and the new registration
  EXPECT_TRUE(FileExists(old + u"sqlsvc.dll"));
  ExpectInstalledIn(kDefaultBinn);
}

void PlantSqlServer7(const std::u16string& semdllFixture, const std::u16string& dmoFixture) {
  std::u16string root = u"C:\\MSSQL7";
  std::u16string rootValue = root;
  SetMachineString(u"SOFTWARE\\Microsoft\\MSSQLServer\\Setup", u"SQLPath", &rootValue);
  CopyFixture(semdllFixture, root + u"\\Binn\\semdll.dll");
  PlantOlderCopy(root + u"\\Binn\\", dmoFixture);
}

TEST(Installer, SqlServer7ToolsWithTheirSqlDmoAreLeftAlone) {
  StandInLog log;
  PlantSqlServer7(u"sql7\\semdll.dll", u"dmo7\\sqldmo.dll");
  EXPECT_EQ(Installer().Wait(), 0u);
  EXPECT_EQ(log.Lines().size(), 1u) << Describe(log.Lines());  // only the planting
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
  EXPECT_FALSE(FileExists(SystemDir() + u"sqlunirl.dll"));
  EXPECT_EQ(InstalledSqlDmoVersion(), MakeVersion(1998, 11, 0, 0));
}

TEST(Installer, SqlServer7ToolsWithAnotherSqlDmoGetTheNewOne) {
  StandInLog log;
  PlantSqlServer7(u"sql7\\semdll.dll", u"old2000\\sqldmo.dll");
  EXPECT_EQ(Installer().Wait(), 0u);
  EXPECT_EQ(log.Lines().size(), 3u) << Describe(log.Lines());
  ExpectInstalledIn(kDefaultBinn);
}

TEST(Installer, SqlDmo7WithoutTheSqlServer7ToolsIsReplaced) {
  PlantSqlServer7(u"sql2000\\semdll.dll", u"dmo7\\sqldmo.dll");
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
}

TEST(Installer, ExistingSqlunirlIsNeverReplaced) {
  WriteTextFile(SystemDir() + u"sqlunirl.dll", "somebody else's copy");
  EXPECT_EQ(Installer().Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
  std::vector<std::uint8_t> bytes = ReadFileBytes(SystemDir() + u"sqlunirl.dll");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "somebody else's copy");
}

TEST(Installer, PayloadFileHeldOpenIsReportedAndTheWindowStays) {
  ASSERT_TRUE(ForceDirectories(kDefaultBinn));
  std::u16string held = kDefaultBinn + u"SQLDMO.dll";
  WriteTextFile(held, "in use");
  FileHandle lock(CreateFileW(WStr(held), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock.valid());

  Installer installer;
  HWND dialog = installer.FindWindowOfClass(L"TKivExceptionDialog");
  ASSERT_NE(dialog, nullptr) << "no exception dialog appeared";
  EXPECT_EQ(WideToAnsi(WindowText(dialog)), "Plinth2000  (Application Error)");
  std::u16string expected = u"Cannot create file \"" + held + u"\". " +
                            WideSysErrorMessage(ERROR_SHARING_VIOLATION) +
                            u"\r\n\r\nPlease close all programs and try again.";
  EXPECT_EQ(WideToAnsi(WithoutCarriageReturns(DialogMessage(dialog))),
            WideToAnsi(WithoutCarriageReturns(expected)));

  // The report: its head, the stack through the deployment and the timer with their
  // lines, the system, the modules and the system information.
  std::string report = WideToAnsi(DialogReport(dialog));
  const std::string separator(100, '-');
  EXPECT_EQ(report.find("Exception class: Exception\r\nException address: "), 0u) << report;
  EXPECT_NE(report.find("\r\nException message: Cannot create file \"" + WideToAnsi(held) + "\". "),
            std::string::npos);
  EXPECT_NE(report.find("Please close all programs and try again.\r\n" + separator +
                        "\r\nStack list, generated "),
            std::string::npos);
  std::string deploy =
      StackEntry("SqlDmoDeploy", "DeploySqlDmoFiles", "SqlDmoDeploy.cpp", "int DeploySqlDmoFiles(",
                 "throw Exception(e.Message() + \"\\r\\n\\r\\nPlease close all programs");
  std::string install = StackEntry("SqlDmoInstall", "InstallSqlDmoIfNeeded", "SqlDmoInstall.cpp",
                                   "int InstallSqlDmoIfNeeded(", "DeploySqlDmoFiles(binn, ");
  std::string timer = StackEntry("PlinthMainFrm", "TForm1::Timer1Timer", "PlinthMainFrm.cpp",
                                 "void TForm1::Timer1Timer(", "InstallSqlDmoIfNeeded(showStep)");
  std::size_t stack = report.find("Stack list, generated ");
  std::size_t firstEntry = report.find("\r\n", stack) + 2;
  // The first entry is the raise itself; the install's call of the deployment and the
  // timer's call of the install later.
  EXPECT_EQ(report.find(deploy), report.find("\r\n", firstEntry) - deploy.size()) << report;
  std::size_t installAt = report.find(install);
  EXPECT_NE(installAt, std::string::npos) << install << "\n" << report;
  std::size_t timerAt = report.find(timer);
  EXPECT_NE(timerAt, std::string::npos) << timer << "\n" << report;
  EXPECT_GT(timerAt, installAt);
  std::size_t system = report.find("\r\nSystem   : ");
  EXPECT_GT(system, timerAt);
  EXPECT_NE(report.find("\r\nProcessor: ", system), std::string::npos);
  EXPECT_NE(report.find("\r\nDisplay  : ", system), std::string::npos);
  std::size_t modules = report.find("\r\nList of loaded modules:\r\n");
  EXPECT_GT(modules, system);
  EXPECT_NE(report.find("] " + WideToAnsi(InstallerPath()) + "\r\n", modules), std::string::npos);
  std::size_t info = report.find("\r\nPlinth2000: ");
  EXPECT_GT(info, modules);
  EXPECT_NE(report.find("\r\nOS = ", info), std::string::npos);
  EXPECT_NE(report.find("\r\nSQL-DMO\t(0.0.0.0)\r\n", info), std::string::npos);
  EXPECT_NE(report.find("\r\nAccess=", info), std::string::npos);
  PostMessageW(dialog, WM_CLOSE, 0, 0);

  HWND form = installer.FindWindowOfClass(L"TForm1");
  ASSERT_NE(form, nullptr) << "the main window did not stay";
  EXPECT_EQ(WideToAnsi(WindowText(form)), "SQL-DMO 2000 - installing...");
  Sleep(500);
  EXPECT_TRUE(IsWindow(form));
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(installer.Wait(), kInstallFailed);
}

TEST(Installer, AServerThatFailsToRegisterIsReportedAndTheCaptionStays) {
  // A volatile ProgID key: the server cannot create the lasting keys below it, and its
  // DllRegisterServer fails.
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"SQLDMO.Application", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  StandInLog log;
  Installer installer;
  HWND dialog = installer.FindWindowOfClass(L"TKivExceptionDialog");
  ASSERT_NE(dialog, nullptr) << "no exception dialog appeared";
  EXPECT_EQ(WideToAnsi(WindowText(dialog)), "Plinth2000  (Application Error)");
  std::u16string server = kDefaultBinn + u"SQLDMO.dll";
  constexpr auto kSelfRegClassError = static_cast<std::int32_t>(0x80040201);  // SELFREG_E_CLASS
  std::u16string expected = AnsiToWide(MakeOleSysError(kSelfRegClassError).Message()) +
                            u"\r\n\r\nError occurred while registering " + server + u".";
  EXPECT_EQ(WideToAnsi(WithoutCarriageReturns(DialogMessage(dialog))),
            WideToAnsi(WithoutCarriageReturns(expected)));
  std::string report = WideToAnsi(DialogReport(dialog));
  EXPECT_EQ(report.find("Exception class: EOleSysError\r\n"), 0u) << report;
  EXPECT_NE(report.find("\r\nOLE Exception Code: 0x80040201 (-2147220991)\r\n"), std::string::npos)
      << report;
  PostMessageW(dialog, WM_CLOSE, 0, 0);

  HWND form = installer.FindWindowOfClass(L"TForm1");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(WideToAnsi(WindowText(form)), "SQL-DMO - registering...");
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(installer.Wait(), kInstallFailed);
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 1u) << Describe(lines);
  EXPECT_TRUE(WideSameText(lines[0], u"DllRegisterServer " + server));
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"SQLDMO.Application");
}

TEST(Installer, OlderCopyInTheBinnFolderItselfIsReplacedAndRegistered) {
  StandInLog log;
  PlantOlderCopy(kDefaultBinn, u"old2000\\sqldmo.dll");
  EXPECT_EQ(Installer().Wait(), 0u);
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 3u) << Describe(lines);
  // Unregistered first, by its fixed name; the new copy registered at the end.
  EXPECT_TRUE(WideSameText(lines[1], u"DllUnregisterServer " + kDefaultBinn + u"sqldmo.dll"));
  EXPECT_TRUE(WideSameText(lines[2], u"DllRegisterServer " + kDefaultBinn + u"SQLDMO.dll"));
  ExpectInstalledIn(kDefaultBinn);
}

TEST(Installer, ALibraryPlantedInTheStartFolderIsNotFound) {
  // The installer's search hardening as the probes see it, in this process (which
  // runs this one test in a prefix of its own).
  TempDir start;
  // (A library of this process's kind, whatever the installer is.)
  ASSERT_TRUE(
      CopyFileW(WStr(FixturePath(u"PlantedLib.dll")), WStr(start / u"PlantedLib.dll"), FALSE));
  ASSERT_TRUE(SetCurrentDirectoryW(WStr(start.Path())));
  EXPECT_FALSE(FindModulePath(u"PlantedLib").empty()) << "the folder was never searched";
  HardenDllSearchPath();
  EXPECT_TRUE(FindModulePath(u"PlantedLib").empty());
  EXPECT_TRUE(WideSameText(ExtractFilePath(FindModulePath(u"wininet")),
                           IncludeTrailingSlash(GetSystemFolder())));
  SetCurrentDirectoryW(WStr(TestExeDir()));
  // And the installer started from that folder still does its job.
  EXPECT_EQ(Installer(start.Path()).Wait(), 0u);
  ExpectInstalledIn(kDefaultBinn);
}

}  // namespace

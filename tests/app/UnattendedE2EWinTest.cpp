// End-to-end runs of the real Plinth2000.exe with the switches of an unattended
// roll-out, each in a fresh Wine prefix of its own: silent runs that must never show
// a window, their log, the detection rule, files in use left for the restart, and
// what a bad command line gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "E2ESupport.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "Win/Handles.h"
#include "WinTestSupport.h"

namespace {

constexpr DWORD kInstallNeeded = 1;
constexpr DWORD kInstallFailed = 1603;
constexpr DWORD kBadCommandLine = 1639;
constexpr DWORD kRestartNeeded = 3010;

const std::u16string kLog = u"C:\\Logs\\run.log";
std::u16string DefaultLog() {
  return IncludeTrailingSlash(Platform::GetTempPath()) + u"Plinth2000.log";
}

std::u16string InstallerVersion() { return FormatVersion(vfFull, GetFileVersion(InstallerPath())); }

bool Has(const std::vector<std::u16string>& lines, const std::u16string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::size_t CountStartingWith(const std::vector<std::u16string>& lines,
                              const std::u16string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::u16string& l) { return l.rfind(prefix, 0) == 0; });
}

// The standard output a test hands the installer, read once it has ended.
class OutputPipe {
 public:
  OutputPipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    EXPECT_TRUE(CreatePipe(&r, &w, &inherit, 64 * 1024));
    SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    read_.reset(r);
    write_.reset(w);
  }
  HANDLE Write() const { return write_.get(); }
  std::string ReadAll() {
    write_.reset();
    std::string out;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(read_.get(), buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    return out;
  }

 private:
  KernelHandle read_;
  KernelHandle write_;
};

// A file that another program holds open, as a running application holds a library.
FileHandle HoldOpen(const std::u16string& file) {
  EXPECT_TRUE(ForceDirectories(ExtractFilePath(file)));
  WriteTextFile(file, "in use");
  FileHandle lock(CreateFileW(WStr(file), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(lock.valid());
  return lock;
}

// The texts of a message box's children, one a line.
std::u16string MessageBoxText(HWND box) {
  std::u16string text;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM p) CALLBACK -> BOOL {
        *reinterpret_cast<std::u16string*>(p) += WindowText(child) + u"\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

class Unattended : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ForceDirectories(ExtractFilePath(kLog))); }
};

TEST_F(Unattended, QuietInstallShowsNothingAndLogsEveryStep) {
  EXPECT_EQ(RunWithoutWindows(u"/quiet /log " + kLog), 0u);
  ExpectInstalledIn(kDefaultBinn);

  std::vector<std::u16string> log = RunLogEvents(kLog);
  ASSERT_GE(log.size(), 9u) << LinesText(log);
  EXPECT_EQ(log[0], u"Plinth2000 " + InstallerVersion() +
                        u" started with the arguments: /quiet /log " + kLog);
  // The eight probes in the table's order, then the decision they lead to.
  const char16_t* codes[] = {u"IE",  u"MAPI", u"CAPICOM", u"MDAC",
                             u"JET", u"DAO",  u"SQL-DMO", u"CRYSTAL11"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(log[1 + i].rfind(std::u16string(codes[i]) + u" (", 0), 0u) << LinesText(log);
  }
  EXPECT_EQ(log[7],
            u"SQL-DMO (Microsoft SQL-DMO 2000 Objects): not found, 2000.10 or later needed");
  EXPECT_EQ(log[9], u"Decision: install (SQL-DMO is not registered; 2000.10 or later is needed).");
  EXPECT_TRUE(Has(log, u"Tools folder: " + kDefaultBinn)) << LinesText(log);
  for (const char16_t* file : {u"SQLDMO.dll", u"sqlresld.DLL", u"sqlsvc.DLL", u"w95scm.DLL",
                               u"Resources\\1033\\sqlsvc.RLL", u"Resources\\1033\\SQLDMO.RLL"}) {
    EXPECT_TRUE(Has(log, u"Written " + kDefaultBinn + file)) << WideToAnsi(file) << LinesText(log);
  }
  EXPECT_TRUE(Has(log, u"Written " + SystemDir() + u"sqlunirl.dll")) << LinesText(log);
  EXPECT_TRUE(Has(log, u"Registered " + kDefaultBinn + u"SQLDMO.dll")) << LinesText(log);
  EXPECT_EQ(log.back(), u"Exit code 0 (success)");
}

TEST_F(Unattended, QuietRunsWithoutALogAppendToTheDefaultOne) {
  ASSERT_FALSE(FileExists(DefaultLog()));
  EXPECT_EQ(RunWithoutWindows(u"/quiet"), 0u);
  EXPECT_EQ(RunWithoutWindows(u"-QUIET"), 0u);
  std::vector<std::u16string> log = RunLogEvents(DefaultLog());
  EXPECT_EQ(CountStartingWith(log, u"Plinth2000 " + InstallerVersion() + u" started"), 2u);
  EXPECT_TRUE(Has(log,
                  u"Decision: nothing to do (SQL-DMO 2000.80.760.0 is registered; 2000.10 "
                  u"or later is needed)."))
      << LinesText(log);
  EXPECT_EQ(CountStartingWith(log, u"Written "), 7u) << "the second run wrote files";
  EXPECT_EQ(CountStartingWith(log, u"Exit code 0 (success)"), 2u);
}

TEST_F(Unattended, QuietFailureOnAFileInUseIsReportedAndWaitsForNobody) {
  const std::u16string held = kDefaultBinn + u"SQLDMO.dll";
  FileHandle lock = HoldOpen(held);
  // A copy of its own, whose error files on 9x land beside it, not in the build.
  const std::u16string dir = u"C:\\Plinth\\";
  ASSERT_TRUE(ForceDirectories(dir));
  ASSERT_TRUE(CopyFileW(WStr(InstallerPath()), WStr(dir + u"Plinth2000.exe"), FALSE));
  InstallerStart start;
  start.program = dir + u"Plinth2000.exe";
  start.arguments = u"/quiet /log " + kLog;
  EXPECT_EQ(RunWithoutWindows(start), kInstallFailed);

  const std::u16string message =
      u"Cannot create file \"" + held + u"\". " + WideSysErrorMessage(ERROR_SHARING_VIOLATION);
  std::vector<std::u16string> log = RunLogEvents(kLog);
  auto failed = std::find(log.begin(), log.end(), u"The run failed. Its report:");
  ASSERT_NE(failed, log.end()) << LinesText(log);
  // The report as the dialog shows it after Details: message, head, stack, sections.
  std::vector<std::u16string> report(failed + 1, log.end());
  ASSERT_GE(report.size(), 4u);
  EXPECT_EQ(report[0], message) << LinesText(report);
  EXPECT_EQ(report[1], u"Please close all programs and try again.");
  EXPECT_EQ(report[2], u"Exception class: Exception");
  EXPECT_EQ(CountStartingWith(report, u"Exception message: " + message), 1u) << LinesText(report);
  EXPECT_EQ(CountStartingWith(report, u"Stack list, generated "), 1u) << LinesText(report);
  EXPECT_TRUE(std::any_of(
      report.begin(), report.end(),
      [](const std::u16string& l) { return l.find(u"SqlDmoDeploy") != std::u16string::npos; }))
      << "no stack line of the deployment:\n"
      << LinesText(report);
  EXPECT_EQ(CountStartingWith(report, u"List of loaded modules:"), 1u);
  EXPECT_EQ(log.back(), u"Exit code 1603 (failure)");

  // The error log: numbered files on 9x. (Wine's event log takes NT's events and
  // keeps nothing to read back.)
  if (Platform::IsWin9x()) {
    const std::u16string file = dir + u"Errors\\Plinth2000_Error_0001.txt";
    ASSERT_TRUE(FileExists(file));
    std::vector<std::uint8_t> bytes = ReadFileBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    std::u16string text(reinterpret_cast<const char16_t*>(bytes.data() + 2),
                        (bytes.size() - 2) / 2);
    EXPECT_EQ(text.rfind(message + u"\r\n", 0), 0u) << WideToUtf8(text);
    EXPECT_NE(text.find(u"\r\nException class: Exception\r\n"), std::u16string::npos);
  }
}

TEST_F(Unattended, ALogThatCannotBeWrittenStopsTheRunBeforeItStarts) {
  const std::u16string dir = u"C:\\Plinth\\";
  ASSERT_TRUE(ForceDirectories(dir));
  ASSERT_TRUE(CopyFileW(WStr(InstallerPath()), WStr(dir + u"Plinth2000.exe"), FALSE));
  OutputPipe out;
  InstallerStart start;
  start.program = dir + u"Plinth2000.exe";
  start.arguments = u"/quiet /log C:\\NoSuchFolder\\run.log";
  start.standardOutput = out.Write();
  EXPECT_EQ(RunWithoutWindows(start), kInstallFailed);
  std::string said = out.ReadAll();
  EXPECT_EQ(said.rfind("Cannot create file \"C:\\NoSuchFolder\\run.log\". ", 0), 0u) << said;
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
  if (Platform::IsWin9x()) {
    EXPECT_TRUE(FileExists(dir + u"Errors\\Plinth2000_Error_0001.txt"));
  }
}

TEST_F(Unattended, AFailureWithWindowsAndALogIsShownAndThenLogged) {
  const std::u16string held = kDefaultBinn + u"SQLDMO.dll";
  FileHandle lock = HoldOpen(held);
  InstallerStart start;
  start.arguments = u"/log " + kLog;
  Installer installer(start);
  HWND dialog = installer.FindWindowOfClass(L"TKivExceptionDialog");
  ASSERT_NE(dialog, nullptr) << "no exception dialog";
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  HWND form = installer.FindWindowOfClass(L"TForm1");
  ASSERT_NE(form, nullptr);
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(installer.Wait(), kInstallFailed);
  std::vector<std::u16string> log = RunLogEvents(kLog);
  auto failed = std::find(log.begin(), log.end(), u"The run failed. Its report:");
  ASSERT_NE(failed, log.end()) << LinesText(log);
  ASSERT_NE(failed + 1, log.end());
  EXPECT_EQ(failed[1].rfind(u"Cannot create file \"" + held + u"\". ", 0), 0u) << LinesText(log);
  EXPECT_EQ(CountStartingWith(log, u"Stack list, generated "), 1u) << LinesText(log);
  EXPECT_EQ(log.back(), u"Exit code 1603 (failure)");
}

// A log is not what makes a run silent: a plain run with one shows its window as
// ever, and its log has what a silent run's has.
TEST_F(Unattended, APlainRunWithALogShowsItsWindowAndLogsEveryStep) {
  WindowCreations windows;
  InstallerStart start;
  start.arguments = u"/log " + kLog;
  Installer installer(start);
  EXPECT_EQ(installer.Wait(60000, true), 0u);
  std::vector<std::u16string> seen = windows.Of(installer);
  EXPECT_NE(std::find(seen.begin(), seen.end(), u"TForm1"), seen.end()) << "no main window";
  ExpectInstalledIn(kDefaultBinn);

  std::vector<std::u16string> log = RunLogEvents(kLog);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0],
            u"Plinth2000 " + InstallerVersion() + u" started with the arguments: /log " + kLog);
  EXPECT_EQ(CountStartingWith(log, u"SQL-DMO (Microsoft SQL-DMO 2000 Objects): not found"), 1u)
      << LinesText(log);
  EXPECT_TRUE(Has(log,
                  u"Decision: install (SQL-DMO is not registered; 2000.10 or later is "
                  u"needed)."))
      << LinesText(log);
  EXPECT_EQ(CountStartingWith(log, u"Written "), 7u) << LinesText(log);
  EXPECT_TRUE(Has(log, u"Registered " + kDefaultBinn + u"SQLDMO.dll")) << LinesText(log);
  EXPECT_EQ(log.back(), u"Exit code 0 (success)");
}

// Somebody who runs it by hand with a log that another program holds is told so in a
// message box, and nothing is installed.
TEST_F(Unattended, APlainRunWithALogHeldByAnotherProgramSaysSoAndInstallsNothing) {
  FileHandle lock = HoldOpen(kLog);
  InstallerStart start;
  start.arguments = u"/log " + kLog;
  Installer installer(start);
  HWND box = installer.FindWindowOfClass(L"#32770");
  ASSERT_NE(box, nullptr) << "no message box";
  std::u16string text = MessageBoxText(box);
  EXPECT_NE(text.find(u"Cannot create file \"" + kLog + u"\". " +
                      WideSysErrorMessage(ERROR_SHARING_VIOLATION)),
            std::u16string::npos)
      << WideToUtf8(text);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(installer.Wait(), kInstallFailed);
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
  lock.reset();
  EXPECT_EQ(ReadFileBytes(kLog), (std::vector<std::uint8_t>{'i', 'n', ' ', 'u', 's', 'e'}));
}

TEST_F(Unattended, CheckIsTheDetectionRuleAndWritesNothing) {
  EXPECT_EQ(RunWithoutWindows(u"/check"), kInstallNeeded);
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
  EXPECT_FALSE(FileExists(DefaultLog())) << "a check wrote a log nobody asked for";

  EXPECT_EQ(RunWithoutWindows(u"/check /quiet /log " + kLog), kInstallNeeded);
  std::vector<std::u16string> log = RunLogEvents(kLog);
  EXPECT_EQ(CountStartingWith(log, u"SQL-DMO (Microsoft SQL-DMO 2000 Objects): not found"), 1u);
  EXPECT_TRUE(Has(log,
                  u"Decision: install (SQL-DMO is not registered; 2000.10 or later is "
                  u"needed)."))
      << LinesText(log);
  EXPECT_EQ(log.back(), u"Exit code 1 (install needed)");
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));

  ASSERT_EQ(RunWithoutWindows(u"/quiet"), 0u);
  EXPECT_EQ(RunWithoutWindows(u"-Check"), 0u);
}

// The pending rename that makes `replacement` the target at the next start.
void ExpectReplacedAtRestart(const std::u16string& replacement, const std::u16string& target) {
  if (Platform::IsWin9x()) {
    const std::string line = WideToAnsi(Platform::GetShortPathName(target)) + "=" +
                             WideToAnsi(Platform::GetShortPathName(replacement));
    EXPECT_EQ(WinInitLines(), (std::vector<std::string>{"[rename]", line}));
    return;
  }
  std::vector<std::u16string> names = PendingFileRenames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_TRUE(WideSameText(names[0], u"\\??\\" + replacement)) << WideToAnsi(names[0]);
  EXPECT_TRUE(WideSameText(names[1], u"!\\??\\" + target)) << WideToAnsi(names[1]);
}

std::u16string RunOnceValue() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0,
                    KEY_READ, &key) != ERROR_SUCCESS) {
    return u"";
  }
  wchar_t buf[1024];
  DWORD size = sizeof buf;
  LONG rc =
      RegQueryValueExW(key, L"Plinth2000", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? FromWStr(buf) : u"";
}

// The files "sdm*.tmp" in a folder: the replacements written beside files in use.
std::vector<std::u16string> Replacements(const std::u16string& dir) {
  std::vector<std::u16string> found;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(WStr(dir + u"sdm*.tmp"), &data);
  if (h == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(dir + FromWStr(data.cFileName));
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return found;
}

// What Windows does when it starts again: the pending renames, then the RunOnce
// commands (Wine's start-up program does both, in that order).
void Restart() {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  wchar_t cmd[] = L"wineboot.exe -r";
  ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      << SysErrorMessage(GetLastError());
  KernelHandle process(pi.hProcess);
  CloseHandle(pi.hThread);
  ASSERT_EQ(WaitForSingleObject(process.get(), 120000), WAIT_OBJECT_0) << "the restart hangs";
}

TEST_F(Unattended, AFileInUseIsReplacedAtTheRestartAndTheServerRegisteredAfterIt) {
  const std::u16string target = kDefaultBinn + u"SQLDMO.dll";
  {
    FileHandle lock = HoldOpen(target);
    EXPECT_EQ(RunWithoutWindows(u"/quiet /restartreplace /log " + kLog), kRestartNeeded);

    std::vector<std::u16string> replacements = Replacements(kDefaultBinn);
    ASSERT_EQ(replacements.size(), 1u);
    EXPECT_EQ(FormatVersion(vfFull, GetFileVersion(replacements[0])), u"2000.80.760.0");
    ExpectReplacedAtRestart(replacements[0], target);
    const std::u16string rerun = u"\"" + InstallerPath() + u"\" /quiet /log " + kLog;
    EXPECT_TRUE(WideSameText(RunOnceValue(), rerun)) << WideToAnsi(RunOnceValue());
    // The other files are in place; the server waits for its file.
    EXPECT_TRUE(FileExists(kDefaultBinn + u"sqlsvc.DLL"));
    EXPECT_TRUE(ServerPath(u"SQLDMO.Application").empty());

    std::vector<std::u16string> log = RunLogEvents(kLog);
    EXPECT_TRUE(Has(log, u"In use, replaced at the next restart: " + target + u" (by " +
                             replacements[0] + u")"))
        << LinesText(log);
    EXPECT_TRUE(Has(log,
                    u"1 file(s) wait for the next restart; then the server is registered "
                    u"by: " +
                        rerun))
        << LinesText(log);
    EXPECT_EQ(log.back(), u"Exit code 3010 (success, a restart is needed)");
    EXPECT_EQ(RunWithoutWindows(u"/check"), kInstallNeeded);
  }

  Restart();
  EXPECT_TRUE(Replacements(kDefaultBinn).empty());
  EXPECT_TRUE(RunOnceValue().empty());
  ExpectInstalledIn(kDefaultBinn);
  std::vector<std::u16string> log = RunLogEvents(kLog);
  // The run that the restart started, after the first one.
  EXPECT_TRUE(Has(log, u"Plinth2000 " + InstallerVersion() +
                           u" started with the arguments: /quiet /log " + kLog))
      << LinesText(log);
  EXPECT_TRUE(Has(log, u"Registered " + target)) << LinesText(log);
  EXPECT_EQ(log.back(), u"Exit code 0 (success)");
  EXPECT_EQ(RunWithoutWindows(u"/check"), 0u);
}

TEST_F(Unattended, WithoutTheSwitchAFileInUseStillFailsTheRun) {
  FileHandle lock = HoldOpen(kDefaultBinn + u"SQLDMO.dll");
  EXPECT_EQ(RunWithoutWindows(u"/quiet"), kInstallFailed);
  EXPECT_TRUE(Replacements(kDefaultBinn).empty());
  EXPECT_TRUE(RunOnceValue().empty());
}

TEST_F(Unattended, ABadCommandLineIsNamedAndNothingElseIsDone) {
  OutputPipe out;
  InstallerStart start;
  start.arguments = u"/quiet /bogus /restartreplace";
  start.standardOutput = out.Write();
  EXPECT_EQ(RunWithoutWindows(start), kBadCommandLine);
  std::string said = out.ReadAll();
  EXPECT_NE(said.find("Unknown switch or argument: /bogus"), std::string::npos) << said;
  EXPECT_NE(said.find("Usage: Plinth2000"), std::string::npos) << said;
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
  std::vector<std::u16string> log = RunLogEvents(DefaultLog());
  EXPECT_TRUE(Has(log, u"Unknown switch or argument: /bogus")) << LinesText(log);
  EXPECT_EQ(CountStartingWith(log, u"SQL-DMO ("), 0u) << "the probes' results were logged";
  EXPECT_EQ(log.back(), u"Exit code 1639 (bad command line)");

  EXPECT_EQ(RunWithoutWindows(u"/check /log"), kBadCommandLine);
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));

  // Somebody who runs it by hand is told in a message box.
  WindowCreations windows;
  InstallerStart plain;
  plain.arguments = u"-log";
  Installer installer(plain);
  HWND box = installer.FindWindowOfClass(L"#32770");
  ASSERT_NE(box, nullptr) << "no message box";
  std::u16string text = MessageBoxText(box);
  EXPECT_NE(text.find(u"The switch -log needs a file name after it."), std::u16string::npos)
      << WideToUtf8(text);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(installer.Wait(), kBadCommandLine);
  EXPECT_FALSE(windows.Of(installer).empty()) << "the watch over window creations sees nothing";
}

TEST_F(Unattended, HelpPrintsTheUsage) {
  OutputPipe out;
  InstallerStart start;
  start.arguments = u"/quiet /?";
  start.standardOutput = out.Write();
  EXPECT_EQ(RunWithoutWindows(start), 0u);
  std::string said = out.ReadAll();
  EXPECT_EQ(said.rfind("Usage: Plinth2000 [/quiet] [/log <file>] [/check] [/restartreplace]", 0),
            0u)
      << said;
  EXPECT_NE(said.find("3010"), std::string::npos) << said;
  EXPECT_FALSE(DirectoryExists(kDefaultBinn));
}

}  // namespace

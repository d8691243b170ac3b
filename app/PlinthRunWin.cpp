#include "PlinthRun.h"

#include "Rtl/Win.h"
#include <objbase.h>

#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "Gui/PlatformGui.h"
#include "Gui/WindowedObject.h"
#include "KivLX/KivLXUtils.h"
#include "KivLX/KivLXVerUtils.h"
#include "KivTrx/KivTrxSysInit.h"
#include "KivTrx/KivTrxUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "PlinthRunLog.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "SqlDmoInstall.h"
#include "Win/Handles.h"

KIV_RESOURCESTRING(PlinthRun_SStarted, u"Plinth2000 %s started with the arguments: %s");
KIV_RESOURCESTRING(PlinthRun_SProbeFound, u"%s (%s): %s found, %s or later needed");
KIV_RESOURCESTRING(PlinthRun_SProbeMissing, u"%s (%s): not found, %s or later needed");
KIV_RESOURCESTRING(PlinthRun_SModuleNotForThisBuild,
                   u"The resource module %s is not for this build: the program's texts are used.");
KIV_RESOURCESTRING(PlinthRun_SFailed, u"The run failed. Its report:");
KIV_RESOURCESTRING(PlinthRun_SExitCode, u"Exit code %s");

namespace {

// As the main window's timer.
constexpr UINT kFirstTickMs = 250;

int windowlessExitCode = kExitInstallFailed;

std::u16string ProgramVersion() {
  try {
    return FormatVersion(vfFull, GetFileVersion(Platform::GetModuleFileName(nullptr)));
  } catch (const Exception&) {
    return u"?";
  }
}

// Writes to the standard output the program was given (a pipe or a file), or, when
// it has none, to the console of the program that started it (XP and later).
void WriteStandardOutput(const std::u16string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  FileHandle console;
  if (!out || out == INVALID_HANDLE_VALUE) {
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    auto attach = Platform::FindSystemFunction<AttachConsoleFn>("kernel32.dll", "AttachConsole");
    if (!attach || !attach(ATTACH_PARENT_PROCESS)) return;
    console.reset(
        Platform::CreateFile(u"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING, 0));
    if (!console) return;
    out = console.get();
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode) && !Platform::IsWin9x()) {
    WriteConsoleW(out, WStr(text), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  std::string bytes = WideToAnsi(text);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Tells what nobody is there to read: the log, the error log and standard output.
void TellUnattended(const std::u16string& text) {
  LogEvent(text);
  WriteStandardOutput(text);
}

void ReportUnattendedFailure(const std::exception& e) {
  // Taken first, while the stack is still the failure's.
  TDiagnosticsInput input = CurrentDiagnosticsInput();
  try {
    std::u16string report = ExceptionReportText(e, input);
    LogEvent(LoadResString(PlinthRun_SFailed) + u"\r\n" + report);
    LogReport(report);
  } catch (...) {
    // The exit code still says it failed; a report that cannot be made must not
    // turn into a message box.
  }
}

void CALLBACK FirstTick(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  // A failure reaches the application's exception handling, as it does from the
  // main window's timer, and the exit code stays the failure's.
  windowlessExitCode = kExitInstallFailed;
  CallGuarded(nullptr, [] { windowlessExitCode = InstallSqlDmoIfNeeded([](const auto&) {}); });
  PostQuitMessage(0);
}

// COM for this thread, as the application object initialises it for a run with
// windows: the servers' registration may need it.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

}  // namespace

bool Unattended() { return RunSwitches().quiet || RunSwitches().check; }

std::u16string ProgramCommandLine() {
  if (Platform::IsWin9x()) return AnsiToWide(GetCommandLineA());
  return FromWStr(GetCommandLineW());
}

int AnswerCommandLine(const TSwitchError& error, const std::vector<std::u16string>& arguments) {
  const int exitCode = error ? kExitBadCommandLine : kExitSuccess;
  std::u16string text = UsageText();
  if (error) text = SwitchErrorText(error) + u"\r\n\r\n" + text;
  if (!Unattended()) {
    Platform::MessageBox(nullptr, text, Application().Title(),
                         MB_OK | (error ? MB_ICONSTOP : MB_ICONINFORMATION));
    return exitCode;
  }
  if (StartRunLog(arguments)) {
    TellUnattended(text);
    EndRunLog(exitCode);
  }
  return exitCode;
}

bool StartRunLog(const std::vector<std::u16string>& arguments) {
  const TRunSwitches& switches = RunSwitches();
  std::u16string file = switches.logFile;
  // A check writes nothing that was not asked for.
  if (file.empty() && switches.quiet && !switches.check) file = DefaultRunLogFile();
  if (file.empty()) return true;
  try {
    OpenRunLog(file);
  } catch (const std::exception& e) {
    if (Unattended()) {
      std::u16string text = AnsiToWide(e.what());
      LogReport(text);
      WriteStandardOutput(text + u"\r\n");
    } else {
      ReportStartupFailure(e);
    }
    return false;
  }
  // Only a switch asks for a log, so there are always arguments to name.
  LogEvent(
      WideFormat(LoadResString(PlinthRun_SStarted), ProgramVersion(), JoinArguments(arguments)));
  return true;
}

void EndRunLog(int exitCode) {
  LogEvent(WideFormat(LoadResString(PlinthRun_SExitCode), DescribeExitCode(exitCode)));
  CloseRunLog();
}

void LogInventory() {
  for (const TNeededComp& c : NeededComps()) {
    const std::u16string required =
        WideFormat(u"%d.%d", c.RequiredPacked >> 16, c.RequiredPacked & 0xFFFF);
    const std::u16string description = AnsiToWide(c.Description);
    if (c.InstalledVersion == 0) {
      LogEvent(WideFormat(LoadResString(PlinthRun_SProbeMissing), c.Code, description, required));
    } else {
      LogEvent(WideFormat(LoadResString(PlinthRun_SProbeFound), c.Code, description,
                          FormatVersion(vfFull, c.InstalledVersion), required));
    }
  }
}

void StartTranslationOfRun() {
  if (!Unattended()) {
    InitializeKivTrxSysInit();
    return;
  }
  const HMODULE program = Platform::ProgramModule();
  if (CurrentResourceInstance() == program) return;
  std::u16string module;
  try {
    module = FindResourceModuleFile();
    if (IsResourceModulePrepared(module) &&
        SameModuleGuid(Platform::GetModuleFileName(program), module)) {
      return;
    }
  } catch (const Exception&) {
    // A module that cannot be read is no better than one made for another build.
  }
  LogEvent(WideFormat(LoadResString(PlinthRun_SModuleNotForThisBuild), module));
  SetResourceInstance(program);
}

int ReportStartupFailure(const std::exception& e) {
  if (Unattended()) {
    ReportUnattendedFailure(e);
  } else {
    if (!RunLogFile().empty()) {
      LogEvent(LoadResString(PlinthRun_SFailed) + u"\r\n" +
               ExceptionReportText(e, CurrentDiagnosticsInput()));
    }
    Platform::MessageBox(nullptr, AnsiToWide(e.what()), Application().Title(), MB_OK | MB_ICONSTOP);
  }
  return kExitInstallFailed;
}

void LogReportsOfTheDialog() {
  if (RunLogFile().empty()) return;
  TApplication::ExceptionEvent dialog = Application().OnException;
  Application().OnException = [dialog](TComponent* sender, Exception& e) {
    // The dialog takes the failure's stack first; the log's report is made from the
    // same stack, after the dialog, whose own report cannot disturb it then.
    TDiagnosticsInput input = CurrentDiagnosticsInput();
    if (dialog) {
      dialog(sender, e);
    } else {
      Application().ShowException(e);
    }
    LogEvent(LoadResString(PlinthRun_SFailed) + u"\r\n" + ExceptionReportText(e, input));
  };
}

int CheckOnly() {
  TInstallDecision decision = DecideInstall();
  LogEvent(decision.text);
  return decision.installNeeded ? kExitInstallNeeded : kExitSuccess;
}

int RunWithoutWindows() {
  // No dialog and no thread event: every failure is written down instead.
  RemoveExceptionDialog();
  Application().OnException = [](TComponent*, Exception& e) { ReportUnattendedFailure(e); };
  ComApartment com;
  windowlessExitCode = kExitInstallFailed;
  KIV_THROW_IF_WIN32_FALSE(SetTimer(nullptr, 0, kFirstTickMs, &FirstTick));
  MSG msg;
  while (Platform::GetMessage(msg, nullptr, 0, 0) > 0) Platform::DispatchMessage(msg);
  return windowlessExitCode;
}

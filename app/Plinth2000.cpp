// Plinth2000: installs the SQL-DMO 2000 client objects, unattended.
#include "Rtl/Win.h"

#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "KivLX/KivLXForms.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxSysInit.h"
#include "KivTrx/KivTrxUtils.h"
#include "KivTrxDfm/KivTrxDfmUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "PlinthMainFrm.h"
#include "PlinthRun.h"
#include "PlinthSwitches.h"
#include "Rtl/Exceptions.h"
#include "Rtl/UnitTable.h"

namespace {

constexpr const char16_t* kSupportAddress = u"support@plinth2000.com";

// The program's units, in the order they start; they end in the reverse order.
const UnitEntry kUnits[] = {
    {"KivLXUtils", InitializeKivLXUtils, FinalizeKivLXUtils},
    {"KivLXForms", InitializeKivLXForms, FinalizeKivLXForms},
    {"KivTrxDfmUtils", InitializeKivTrxDfmUtils, FinalizeKivTrxDfmUtils},
    {"KivTrxExceptDlg", InitializeKivTrxExceptDlg, FinalizeKivTrxExceptDlg},
    {"KivTrxLanguages", InitializeKivTrxLanguages, FinalizeKivTrxLanguages},
    {"KivTrxResourceUtils", InitializeKivTrxResourceUtils, FinalizeKivTrxResourceUtils},
    {"KivTrxSysInit", StartTranslationOfRun, nullptr},
    {"CheckWinInetAndAdo", InitializeCheckWinInetAndAdo, FinalizeCheckWinInetAndAdo},
    {"KivLXSetupUtils", nullptr, nullptr},
    {"PlinthMainFrm", nullptr, nullptr},
};

int RunWithWindows() {
  LogReportsOfTheDialog();
  try {
    Application().Initialize();
    Application().CreateForm(Form1);
    Application().Run();
    return Application().ExitCode();
  } catch (const std::exception& e) {
    // Only the form's creation can get here: its events report their own failures.
    return ReportStartupFailure(e);
  }
}

// Everything from the units' start to their end. A failure before the main form
// exists (or while it is being built) has no window to report in.
int RunUnits() {
  TUnitTable units(kUnits);
  int exitCode;
  try {
    units.Initialize();
    LogInventory();
    SetSupportAddress(kSupportAddress);
    if (RunSwitches().check) {
      exitCode = CheckOnly();
    } else if (Unattended()) {
      exitCode = RunWithoutWindows();
    } else {
      exitCode = RunWithWindows();
    }
  } catch (const std::exception& e) {
    exitCode = ReportStartupFailure(e);
  }
  Application().DestroyComponents();
  Form1 = nullptr;
  try {
    units.Finalize();
  } catch (const std::exception& e) {
    // Past the run, but a crash would still wait for somebody to close it.
    exitCode = ReportStartupFailure(e);
  }
  return exitCode;
}

int RunProgram() {
  // Forms and strings come from the module chosen here, from the first unit on.
  ChooseResourceModule();
  const std::vector<std::u16string> arguments = SplitCommandLineArguments(ProgramCommandLine());
  TRunSwitches switches;
  const TSwitchError error = ParseSwitches(arguments, switches);
  SetRunSwitches(switches);
  if (error || switches.help) return AnswerCommandLine(error, arguments);
  if (!StartRunLog(arguments)) return kExitInstallFailed;
  const int exitCode = RunUnits();
  EndRunLog(exitCode);
  return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Libraries loaded by name (the probes, the mail client) must not come from the
  // folder the installer was started in, such as a download folder.
  HardenDllSearchPath();
  return RunProgram();
}

// Plinth2000: installs the SQL-DMO 2000 client objects, unattended.
#include "Rtl/Win.h"

#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "KivLX/KivLXForms.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrx/KivTrxDfmUtils.h"
#include "KivTrx/KivTrxExceptDlg.h"
#include "KivTrx/KivTrxLanguages.h"
#include "KivTrx/KivTrxResourceUtils.h"
#include "KivTrx/KivTrxSysInit.h"
#include "KivTrx/KivTrxUtils.h"
#include "PlinthMainFrm.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/PlatformGui.h"
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
    {"KivTrxSysInit", InitializeKivTrxSysInit, nullptr},
    {"CheckWinInetAndAdo", InitializeCheckWinInetAndAdo, FinalizeCheckWinInetAndAdo},
    {"KivLXSetupUtils", nullptr, nullptr},
    {"PlinthMainFrm", nullptr, nullptr},
};

// An exception before the main form exists (or while it is being built) has no window
// to report in.
int ReportStartupFailure(const std::exception& e) {
  std::u16string text = AnsiToWide(e.what());
  Platform::MessageBox(nullptr, text, Application().Title(), MB_OK | MB_ICONSTOP);
  return kInstallFailedExitCode;
}

int RunProgram() {
  // Forms and strings come from the module chosen here, from the first unit on.
  ChooseResourceModule();
  TUnitTable units(kUnits);
  try {
    units.Initialize();
  } catch (const std::exception& e) {
    return ReportStartupFailure(e);
  }
  SetSupportAddress(kSupportAddress);
  int exitCode;
  try {
    Application().Initialize();
    Application().CreateForm(Form1);
    Application().Run();
    exitCode = Application().ExitCode();
  } catch (const std::exception& e) {
    // Only the form's creation can get here: its events report their own failures.
    exitCode = ReportStartupFailure(e);
  }
  Application().DestroyComponents();
  Form1 = nullptr;
  units.Finalize();
  return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Libraries loaded by name (the probes, the mail client) must not come from the
  // folder the installer was started in, such as a download folder.
  HardenDllSearchPath();
  return RunProgram();
}

#include "PlinthMainFrm.h"

#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/Platform.h"
#include "SqlDmoDeploy.h"

TForm1* Form1 = nullptr;

namespace {
const TMethodInfo kMethods[] = {KIV_METHOD(TForm1, Timer1Timer)};
const TFieldInfo kFields[] = {KIV_FIELD(TForm1, Timer1)};
}  // namespace

const TClassInfo TForm1::kClassInfo{"TForm1", &TKivTrxForm::kClassInfo, nullptr, {}, kMethods,
                                    kFields};

void TForm1::Timer1Timer(TComponent*) {
  Timer1->SetEnabled(false);
  const TNeededComp& dmo = NeededComps()[ncSqlDmo];
  if (dmo.InstalledPacked < dmo.RequiredPacked) {
    // Stays the exit code unless the install gets to its end.
    Application().SetExitCode(kInstallFailedExitCode);
    SetCaption(u"SQL-DMO 2000 - installing...");
    std::u16string binn = GetToolsBinnDir();
    std::u16string resources = binn + u"Resources\\1033\\";
    ForceDirectories(resources);
    std::u16string system = IncludeTrailingSlash(GetSystemFolder());
    DeploySqlDmoFiles(binn, resources, system);
    SetCaption(u"SQL-DMO - registering...");
    SetCurrentDir(binn);
    RegisterServer(binn + u"SQLDMO.dll");
    Application().SetExitCode(0);
  }
  Application().Terminate();
}

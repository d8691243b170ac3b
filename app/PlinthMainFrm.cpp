#include "PlinthMainFrm.h"

#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "SqlDmoDeploy.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TKivFormLX(owner) {
  SetName("Form1");
  SetCaption(u"SQL-DMO Install");
  SetBorderStyle(TFormBorderStyle::bsToolWindow);
  SetBorderIcons({.systemMenu = true, .minimize = false, .maximize = false});
  SetClientSize(291, 1);
  SetPosition(TPosition::poScreenCenter);
  SetTaskBarButton(true);
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(250);
  Timer1->OnTimer = [this](TComponent* sender) { Timer1Timer(sender); };
}

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

#include "PlinthMainFrm.h"

#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "Gui/FormStreaming.h"
#include "KivLX/KivLXSetupUtils.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/Platform.h"
#include "SqlDmoDeploy.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TKivFormLX(owner) {
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  ReadComponentResource(*this, Platform::ProgramModule(), u"TFORM1");
}

TComponent::Method TForm1::FindMethod(std::string_view name) {
  if (name == "Timer1Timer") return [this](TComponent* sender) { Timer1Timer(sender); };
  return TKivFormLX::FindMethod(name);
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

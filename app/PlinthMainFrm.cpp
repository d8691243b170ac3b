#include "PlinthMainFrm.h"

#include "Gui/Application.h"
#include "PlinthSwitches.h"
#include "SqlDmoInstall.h"

TForm1* Form1 = nullptr;

namespace {
const TMethodInfo kMethods[] = {KIV_METHOD(TForm1, Timer1Timer)};
const TFieldInfo kFields[] = {KIV_FIELD(TForm1, Timer1)};
}  // namespace

const TClassInfo TForm1::kClassInfo{"TForm1", &TKivTrxForm::kClassInfo, nullptr, {}, kMethods,
                                    kFields};

void TForm1::Timer1Timer(TComponent*) {
  Timer1->SetEnabled(false);
  // Stays the exit code unless the install gets to its end.
  Application().SetExitCode(kExitInstallFailed);
  auto showStep = [this](const std::u16string& caption) { SetCaption(caption); };
  const int code = InstallSqlDmoIfNeeded(showStep);
  Application().SetExitCode(code);
  Application().Terminate();
}

// Times the exception dialog's whole report in a process set up as the installer's:
// its units started, its symbol table in the program, a failure of the deployment
// raised in a click handler under the toolkit's window procedure. Each round makes a
// dialog with its windows (what showing it costs is not the report's) and times its
// report: the head (Prepare) and the sections and system information (BuildDetails). The first
// round pays for what is read once (the symbol table's pages, the module list, version resources);
// the later ones show what is left. Run by bench/wine/report-bench.sh.
#include "Rtl/Win.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "CheckWinInetAndAdo.h"
#include "Gui/Application.h"
#include "Gui/KivButton.h"
#include "Gui/PlatformGui.h"
#include "KivLX/KivLXForms.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "KivTrxExceptDlg/KivTrxExceptDlgReport.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Rtl/UnitTable.h"
#include "SqlDmoDeploy.h"

namespace {

constexpr int kRounds = 9;

const UnitEntry kUnits[] = {
    {"KivLXUtils", InitializeKivLXUtils, FinalizeKivLXUtils},
    {"KivLXForms", InitializeKivLXForms, FinalizeKivLXForms},
    {"KivTrxExceptDlg", InitializeKivTrxExceptDlg, FinalizeKivTrxExceptDlg},
    {"CheckWinInetAndAdo", InitializeCheckWinInetAndAdo, FinalizeCheckWinInetAndAdo},
};

// This process's processor time (user and kernel), in seconds: on a busy machine the
// wall clock also counts the time other programs had.
double ProcessorSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto seconds = [](const FILETIME& f) {
    return ((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

// The failure the toolkit handed on, kept for the rounds.
std::optional<Exception> failure;

}  // namespace

int wmain() {
  TUnitTable units(kUnits);
  units.Initialize();
  Application().Initialize();
  // As in the installer: the deployment fails inside an event handler. (This program
  // carries no payload, so the first file's resource is not found.)
  Application().OnException = [](TComponent*, Exception& e) { failure = e; };
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* button = new TKivButton(form.get());
  button->SetParent(form.get());
  button->OnClick = [](TComponent*) {
    DeploySqlDmoFiles(u"C:\\Bench\\Binn\\", u"C:\\Bench\\Binn\\Resources\\1033\\",
                      u"C:\\Bench\\System\\");
  };
  form->Show();
  Platform::SendMessage(button->Handle(), BM_CLICK, 0, 0);
  Application().OnException = &TKivExceptionDialog::HandleApplicationException;
  if (!failure) {
    std::printf("the deployment did not fail\n");
    return 1;
  }

  std::vector<double> ms, cpu;
  std::size_t lines = 0, bytes = 0;
  for (int r = 0; r < kRounds; ++r) {
    std::unique_ptr<TKivExceptionDialog> d(TForm::Create<TKivExceptionDialog>(nullptr));
    d->HandleNeeded();
    double t0 = Now(), c0 = ProcessorSeconds();
    d->Prepare(*failure);
    d->BuildDetails();
    std::u16string text = d->DetailsMemo->Text();
    ms.push_back((Now() - t0) * 1e3);
    cpu.push_back((ProcessorSeconds() - c0) * 1e3);
    lines = d->DetailsMemo->Lines().Count();
    if (r == 0 && GetEnvironmentVariableW(L"PLINTH_BENCH_SHOW", nullptr, 0) > 0)
      std::printf("%s\n", WideToAnsi(text).c_str());
    bytes = text.size();
  }
  // Where the time of a later report goes.
  auto timed = [](const char* what, const std::function<void()>& fn) {
    double t0 = Now(), c0 = ProcessorSeconds();
    fn();
    std::printf("  %-28s %7.1f ms (processor %.1f ms)\n", what, (Now() - t0) * 1e3,
                std::max(0.0, ProcessorSeconds() - c0) * 1e3);
  };
  {
    std::unique_ptr<TKivExceptionDialog> d(TForm::Create<TKivExceptionDialog>(nullptr));
    d->HandleNeeded();
    timed("head (the dialog's Prepare)", [&] { d->Prepare(*failure); });
  }
  TDiagnosticsInput input = CurrentDiagnosticsInput();
  timed("stack section", [&] {
    if (input.stack) FormatStackEntries(*input.stack, kStackSectionFormat);
  });
  timed("system section", [] { GatherSystemSection(); });
  timed("modules section", [] {
    std::vector<TModuleEntry> modules;
    GatherModules(modules);
  });
  timed("system information", [] {
    TKivStringList info;
    SystemInfoCallback()(info);
  });
  double first = ms.front();
  std::vector<double> later(ms.begin() + 1, ms.end());
  std::sort(later.begin(), later.end());
  std::vector<double> laterCpu(cpu.begin() + 1, cpu.end());
  std::sort(laterCpu.begin(), laterCpu.end());
  std::printf(
      "report of %zu lines (%zu characters): first %.1f ms, later median %.1f ms; processor "
      "first %.1f ms, later median %.1f ms\n",
      lines, bytes, first, later[later.size() / 2], cpu.front(), laterCpu[laterCpu.size() / 2]);
  form.reset();
  Application().DestroyComponents();
  units.Finalize();
  return 0;
}

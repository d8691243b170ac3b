// Shows one form of the program or of the library so that scripts/screenshots.sh can
// photograph it: prints the window's screen rectangle, then waits until the given
// file exists (the picture is taken) or ten seconds have passed.
//
//   plinth_form_gallery <form> <done-file>
//
// Forms: main (the installer's main window), controls (a form with a control of every
// class of the toolkit).
#include <cstdio>
#include <memory>
#include <string>

#include "Gui/Application.h"
#include "PlinthMainFrm.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"
#include "TestFormsWin.h"

namespace {

std::unique_ptr<TForm> MakeForm(const std::string& name) {
  if (name == "main") {
    auto form = std::unique_ptr<TForm1>(TForm::Create<TForm1>(nullptr));
    form->Timer1->SetEnabled(false);  // no install while it is photographed
    return form;
  }
  if (name == "controls") return std::unique_ptr<TForm>(TForm::Create<TTestAllForm>(nullptr));
  return nullptr;
}

void Pump(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    Application().ProcessMessages();
    Sleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: plinth_form_gallery main|controls <done-file>\n");
    return 2;
  }
  Application().Initialize();
  std::unique_ptr<TForm> form;
  try {
    form = MakeForm(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
  if (!form) {
    std::fprintf(stderr, "no form named %s\n", argv[1]);
    return 2;
  }
  form->Show();
  Pump(500);
  RECT r;
  GetWindowRect(form->WindowHandle(), &r);
  std::printf("RECT %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
  std::u16string done = AnsiToWide(argv[2]);
  for (int i = 0; i < 1000 && Platform::GetFileAttributes(done) == INVALID_FILE_ATTRIBUTES; ++i) {
    Pump(10);
  }
  return 0;
}

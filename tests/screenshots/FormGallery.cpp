// Shows one form of the program or of the library so that scripts/screenshots.sh can
// photograph it: prints the window's screen rectangle, then waits until the given
// file exists (the picture is taken) or ten seconds have passed.
//
//   plinth_form_gallery <form> <done-file>
//
// Forms: main (the installer's main window), controls (a form with a control of every
// class of the toolkit), mdi-docked (an MDI frame whose maximized child's tool bar and
// status bar sit in the frame's bars), mdi-restored (the same child restored), flash (a
// progress notice), error and error-details (the exception dialog for a file held
// open, collapsed and with its report).
#include <cstdio>
#include <memory>
#include <string>

#include "Gui/Application.h"
#include "KivLX/KivLXFlashMsg.h"
#include "KivLX/KivLXForms.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "PlinthMainFrm.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"
#include "TestFormsWin.h"

namespace {

// A frame or child with a control bar holding a captioned tool bar, and a status bar.
void GiveBars(TKivFormLX& form, const std::u16string& tool, int panels) {
  auto* controlBar = new TKivControlBar(&form);
  controlBar->SetParent(&form);
  controlBar->SetAlign(TAlign::alTop);
  controlBar->SetHeight(28);
  auto* toolBar = new TKivToolBar(&form);
  toolBar->SetParent(controlBar);
  toolBar->SetAlign(TAlign::alNone);
  toolBar->SetShowCaptions(true);
  toolBar->SetBounds(0, 2, 170, 22);
  for (const char16_t* caption : {u"New", u"Open"}) {
    auto* button = new TToolButton(&form);
    button->SetCaption(tool + u" " + caption);
    button->SetParent(toolBar);
  }
  auto* statusBar = new TKivStatusBar(&form);
  statusBar->SetParent(&form);
  for (int i = 0; i < panels; ++i) {
    TStatusPanel& p = statusBar->Panels().Add();
    p.SetWidth(90);
    p.SetText(tool + u" panel " + std::u16string(1, static_cast<char16_t>(u'1' + i)));
  }
  form.SetMDIControlBar(controlBar);
  form.SetMDIToolBar(toolBar);
  form.SetMDIStatusBar(statusBar);
}

std::unique_ptr<TForm> MakeMdi(bool maximized) {
  TKivFormLX* frame = nullptr;
  Application().CreateForm(frame);
  frame->SetCaption(maximized ? u"MDI frame, child maximized" : u"MDI frame, child restored");
  frame->SetFormStyle(TFormStyle::fsMDIForm);
  frame->SetClientSize(560, 340);
  frame->SetPosition(TPosition::poScreenCenter);
  GiveBars(*frame, u"Frame", 2);
  frame->Show();
  auto* child = new TKivFormLX(frame);
  child->SetCaption(u"Child");
  child->SetClientSize(360, 200);
  GiveBars(*child, u"Child", 2);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  if (maximized) {
    SendMessageW(frame->ClientHandle(), WM_MDIMAXIMIZE,
                 reinterpret_cast<WPARAM>(child->WindowHandle()), 0);
  }
  return std::unique_ptr<TForm>(frame);
}

[[gnu::noinline]] void CopyPayloadFile() {
  throw EFCreateError(
      "Cannot create file \"C:\\Program Files\\Microsoft SQL Server\\80\\Tools\\Binn\\"
      "SQLDMO.dll\". The process cannot access the file because it is being used by another "
      "process.\r\n\r\nPlease close all programs and try again.");
}

std::unique_ptr<TForm> MakeErrorDialog(bool details) {
  std::unique_ptr<TKivExceptionDialog> dialog(TForm::Create<TKivExceptionDialog>(nullptr));
  try {
    CopyPayloadFile();
  } catch (const Exception& e) {
    dialog->Prepare(e);
  }
  dialog->BuildDetails();
  if (details) dialog->DetailsBtn->Click();
  return dialog;
}

std::unique_ptr<TForm> MakeForm(const std::string& name) {
  if (name == "error") return MakeErrorDialog(false);
  if (name == "error-details") return MakeErrorDialog(true);
  if (name == "mdi-docked") return MakeMdi(true);
  if (name == "mdi-restored") return MakeMdi(false);
  if (name == "flash") {
    return std::unique_ptr<TForm>(
        ShowFlashMessage(u"Updating Translation Resource (Plinth2000.DEU)"));
  }
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
    std::fprintf(stderr,
                 "usage: plinth_form_gallery main|controls|mdi-docked|mdi-restored|flash|error|"
                 "error-details "
                 "<done-file>\n");
    return 2;
  }
  Application().Initialize();
  InitializeKivLXUtils();
  InitializeKivLXForms();
  InitializeKivTrxExceptDlg();
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

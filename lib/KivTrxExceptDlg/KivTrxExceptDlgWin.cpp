#include "KivTrxExceptDlg/KivTrxExceptDlg.h"

#include <algorithm>
#include <cstring>

#include "Gui/Application.h"
#include "Gui/DeviceContext.h"
#include "Gui/PlatformGui.h"
#include "Gui/Screen.h"
#include "KivLX/KivLXMapiUtils.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"

KIV_RESOURCESTRING(KivTrxExceptDlg_SDetailsBtn, u"&Details");
KIV_RESOURCESTRING(KivTrxExceptDlg_SClipboardBtn, u"Copy to Clipboard");
KIV_RESOURCESTRING(KivTrxExceptDlg_SSendEmailBtn, u"Send Email");
KIV_RESOURCESTRING(KivTrxExceptDlg_SOKBtn, u"OK");
KIV_RESOURCESTRING(KivTrxExceptDlg_RsAppError2, u"%s  (Application Error)");

namespace {

// The build-details message: the report is built once the dialog is on screen.
constexpr UINT kBuildDetailsMessage = 0x500;

const TMethodInfo kMethods[] = {
    KIV_METHOD(TKivExceptionDialog, FormCreate),
    KIV_METHOD(TKivExceptionDialog, FormKeyDown),
    KIV_METHOD(TKivExceptionDialog, FormPaint),
    KIV_METHOD(TKivExceptionDialog, FormResize),
    KIV_METHOD(TKivExceptionDialog, FormShow),
    KIV_METHOD(TKivExceptionDialog, DetailsBtnClick),
    KIV_METHOD(TKivExceptionDialog, ClipboardBtnClick),
    KIV_METHOD(TKivExceptionDialog, EmailBtnClick),
    KIV_METHOD(TKivExceptionDialog, DetailsMemoDblClick),
};
const TFieldInfo kFields[] = {
    KIV_FIELD(TKivExceptionDialog, TextLabel),    KIV_FIELD(TKivExceptionDialog, DetailsBtn),
    KIV_FIELD(TKivExceptionDialog, ClipboardBtn), KIV_FIELD(TKivExceptionDialog, EmailBtn),
    KIV_FIELD(TKivExceptionDialog, OkBtn),        KIV_FIELD(TKivExceptionDialog, Bevel1),
    KIV_FIELD(TKivExceptionDialog, DetailsMemo),
};

TKivExceptionDialog* currentDialog = nullptr;
std::uint32_t mainThreadId = 0;

// The body of the report e-mail; its one %s is the message.
constexpr const char* kEmailBody =
    "Error message:\r\n  %s\r\n\r\n"
    ">> 1. What steps did you perform prior to encountering this error?\r\n\r\n\r\n\r\n"
    ">> 2. What were you trying to accomplish?\r\n\r\n\r\n\r\n"
    ">> 3. How often do you receive this error message?\r\n\r\n\r\n\r\n"
    ">> ^^^^^ Thank you for reporting this error! ^^^^^^\r\n\r\n"
    "(The attached file, \"Error Details.txt\", contains technical details about this error.)";

// True only for a library hosted by one of the development environment's own
// programs. This program is an executable, and it knows no such host program.
bool HostedByDevelopmentEnvironment() {
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(reinterpret_cast<const void*>(&HostedByDevelopmentEnvironment), &info, sizeof info);
  bool library = info.AllocationBase && info.AllocationBase != GetModuleHandleA(nullptr);
  const std::u16string* const hostPrograms = nullptr;  // none are known
  return library && hostPrograms != nullptr;
}

std::u16string WithCrLf(std::u16string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r') {
      out += u"\r\n";
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else if (c == u'\n') {
      out += u"\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Writes text to the clipboard as 8-bit and as Unicode text, in one opening.
void SetClipboardText(HWND owner, const std::u16string& text) {
  KIV_THROW_IF_WIN32_FALSE(OpenClipboard(owner));
  ScopeGuard closeClipboard([] { CloseClipboard(); });
  EmptyClipboard();
  std::string ansi = WideToAnsi(text);
  GlobalMemory a(KIV_THROW_LAST_ERROR_IF_NULL(GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1)));
  GlobalMemory w(KIV_THROW_LAST_ERROR_IF_NULL(
      GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t))));
  std::memcpy(GlobalLock(a.get()), ansi.c_str(), ansi.size() + 1);
  GlobalUnlock(a.get());
  std::memcpy(GlobalLock(w.get()), text.c_str(), (text.size() + 1) * sizeof(char16_t));
  GlobalUnlock(w.get());
  // The clipboard owns what it takes.
  if (SetClipboardData(CF_TEXT, a.get())) (void)a.release();
  if (SetClipboardData(CF_UNICODETEXT, w.get())) (void)w.release();
}

// A UTF-16 file with its byte-order mark, created or replaced.
void SaveUnicodeText(const std::u16string& fileName, const std::u16string& text) {
  std::vector<std::uint8_t> bytes{0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  WriteFileBytes(fileName, bytes.data(), bytes.size());
}

}  // namespace

const TClassInfo TKivExceptionDialog::kClassInfo{
    "TKivExceptionDialog", &TForm::kClassInfo, nullptr, {}, kMethods, kFields};

TKivExceptionDialog::TKivExceptionDialog(TComponent* owner) : TForm(owner) {}

TKivExceptionDialog::~TKivExceptionDialog() {
  if (currentDialog == this) currentDialog = nullptr;
}

TKivExceptionDialog* TKivExceptionDialog::Current() { return currentDialog; }

// ---- showing an exception ----

void TKivExceptionDialog::HandleApplicationException(TComponent*, Exception& e) {
  ShowExceptionDialog(e);
}

void TKivExceptionDialog::HandleThreadException(const TThreadException& e) {
  try {
    std::rethrow_exception(e.exception);
  } catch (const std::exception& ex) {
    ShowExceptionDialog(ex, e.threadId);
  } catch (...) {
    ShowExceptionDialog(EForeignException(CurrentExceptionClassName(),
                                          "An exception of an unknown kind ended the thread"),
                        e.threadId);
  }
}

void TKivExceptionDialog::ShowExceptionDialog(const std::exception& e,
                                              std::optional<std::uint32_t> thread) {
  if (currentDialog) {
    currentDialog->LogSecondaryException(e);
    if (auto* ke = dynamic_cast<const Exception*>(&e)) {
      Application().ShowException(*ke);
    } else {
      Application().ShowException(EForeignException(ExceptionClassName(e), e.what()));
    }
    return;
  }
  std::unique_ptr<TKivExceptionDialog> dialog(TForm::Create<TKivExceptionDialog>(&Application()));
  currentDialog = dialog.get();
  struct Clear {
    ~Clear() { currentDialog = nullptr; }
  } clear;
  dialog->Prepare(e, thread);
  MessageBeep(MB_ICONHAND);
  dialog->ShowModal();
}

void TKivExceptionDialog::Prepare(const std::exception& e, std::optional<std::uint32_t> thread) {
  raisedInMainThread_ =
      GetCurrentThreadId() == (mainThreadId ? mainThreadId : GetCurrentThreadId());
  focusedControl_ = Screen().ActiveControl();
  std::vector<TActiveControl> chain;
  for (const TControl* c = focusedControl_; c; c = c->Parent()) {
    chain.push_back({AnsiToWide(c->ClassName()), AnsiToWide(c->Name())});
  }
  input_ = std::make_unique<TDiagnosticsInput>(CurrentDiagnosticsInput(chain));

  std::u16string title = Application().Title();
  SetCaption(dynamic_cast<const EKivGeneralError*>(&e)
                 ? title
                 : WideFormat(LoadResString(KivTrxExceptDlg_RsAppError2), title));
  std::u16string message = AnsiToWide(e.what());
  if (message.empty() || message.back() != u'.') message += u".";
  TextLabel->SetText(WithCrLf(message));
  UpdateMessageScrollBar();

  TReportHead head = ReportHeadOf(e);
  if (thread) head.thread = ThreadDescription(*thread);
  if (input_->stack) head.raiseAddress = input_->stack->raiseAddress;
  TKivStringList lines;
  WriteReportHead(lines, head);
  DetailsMemo->Lines().Assign(lines);

  FitMessageHeight();
  ChooseDetailsFont();
}

// ---- creation and showing ----

void TKivExceptionDialog::FormCreate(TComponent*) {
  DetailsBtn->SetCaption(LoadResString(KivTrxExceptDlg_SDetailsBtn));
  ClipboardBtn->SetCaption(LoadResString(KivTrxExceptDlg_SClipboardBtn));
  EmailBtn->SetCaption(LoadResString(KivTrxExceptDlg_SSendEmailBtn));
  OkBtn->SetCaption(LoadResString(KivTrxExceptDlg_SOKBtn));
  autoBuildDetails_ = !HostedByDevelopmentEnvironment();
  expandedClientHeight_ = ClientHeight();
  SetShowingDetails(false);
  Bevel1->Hide();
}

void TKivExceptionDialog::CheckAutoBuild() {
  if (!autoBuildDetails_ || detailsBuilt_) throw EAbort();
}

void TKivExceptionDialog::FormShow(TComponent*) {
  CheckAutoBuild();
  MessageBeep(MB_ICONHAND);
  DWORD windowThread = GetWindowThreadProcessId(WindowHandle(), nullptr);
  if (raisedInMainThread_ && windowThread == (mainThreadId ? mainThreadId : windowThread)) {
    Platform::PostMessage(WindowHandle(), kBuildDetailsMessage, 0, 0);
  } else {
    BuildDetails();
  }
}

LRESULT TKivExceptionDialog::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kBuildDetailsMessage) {
    UpdateWindow(WindowHandle());
    BuildDetails();
    return 0;
  }
  return TForm::ControlWndProc(msg, wp, lp);
}

void TKivExceptionDialog::BuildDetails() {
  Screen().SetCursor(crHourGlass);
  DetailsMemo->BeginUpdate();
  try {
    FillDetails();
    DetailsMemo->SetSelStart(0);
    DetailsMemo->ScrollCaret();
    MarkDetailsBuilt();
  } catch (...) {
    DetailsMemo->EndUpdate();
    OkBtn->SetEnabled(true);
    DetailsBtn->SetEnabled(true);
    if (OkBtn->CanFocus()) OkBtn->SetFocus();
    Screen().SetCursor(crDefault);
    throw;
  }
  DetailsMemo->EndUpdate();
  OkBtn->SetEnabled(true);
  DetailsBtn->SetEnabled(true);
  if (OkBtn->CanFocus()) OkBtn->SetFocus();
  Screen().SetCursor(crDefault);
}

void TKivExceptionDialog::FillDetails() {
  TKivStringList lines;
  lines.Assign(DetailsMemo->Lines());
  WriteDiagnostics(lines, dfAll, input_ ? *input_ : CurrentDiagnosticsInput());
  if (TSystemInfoCallback callback = SystemInfoCallback()) {
    TKivStringList info;
    callback(info);
    // The section passes through the system's code page on its way into the memo.
    for (int i = 0; i < info.Count(); ++i) lines.Add(AnsiToWide(WideToAnsi(info.Get(i))));
  }
  DetailsMemo->Lines().Assign(lines);
}

// ---- details ----

void TKivExceptionDialog::DetailsBtnClick(TComponent*) {
  autoBuildDetails_ = true;
  try {
    if (!detailsBuilt_) BuildDetails();
    SetShowingDetails(!showingDetails_);
    ClipboardBtn->SetVisible(showingDetails_);
    EmailBtn->SetVisible(showingDetails_);
  } catch (const EAbort&) {
    throw;
  } catch (const std::exception& e) {
    ShowReadError(e);
  }
}

void TKivExceptionDialog::ShowReadError(const std::exception& e) {
  detailsBuilt_ = true;
  TKivStrings& lines = DetailsMemo->Lines();
  lines.Add(u"===============================");
  lines.Add(u"==   DEBUG INFO READ ERROR   ==");
  lines.Add(u"===============================");
  lines.Add(AnsiToWide(ExceptionClassName(e)));
  lines.Add(AnsiToWide(e.what()));
}

void TKivExceptionDialog::SetShowingDetails(bool value) {
  showingDetails_ = value;
  std::u16string caption;
  for (char16_t c : DetailsBtn->Caption()) {
    if (c != u'<' && c != u'>') caption.push_back(c);
  }
  caption = Trim(caption);
  if (value) {
    Constraints().SetMaxHeight(0);
    Constraints().SetMinHeight(collapsedHeight_ + 100);
    Constraints().SetMaxHeight(Screen().Height());
    caption = u"<< " + caption;
    SetClientHeight(expandedClientHeight_);
    DetailsMemo->SetHeight(expandedClientHeight_ - DetailsMemo->Top() - 3);
  } else {
    expandedClientHeight_ = ClientHeight();
    caption += u" >>";
    Constraints().SetMinHeight(0);
    Constraints().SetMaxHeight(0);
    if (collapsedHeight_ == 0) {
      SetClientHeight(Bevel1->Top());
      collapsedHeight_ = Height();
    } else {
      SetHeight(collapsedHeight_);
    }
    Constraints().SetMinHeight(collapsedHeight_);
    Constraints().SetMaxHeight(collapsedHeight_);
  }
  DetailsBtn->SetCaption(caption);
  DetailsMemo->SetEnabled(value);
}

// ---- the message ----

void TKivExceptionDialog::UpdateMessageScrollBar() {
  HWND h = TextLabel->Handle();
  int lines = static_cast<int>(Platform::SendMessage(h, EM_GETLINECOUNT, 0, 0));
  SIZE size;
  {
    WindowDC dc = WindowDC::Client(h);
    SelectedObject font(dc.get(), TextLabel->Font().Handle());
    Platform::GetTextExtent(dc.get(), u"Wg", size);
  }
  TextLabel->SetScrollBars(lines * size.cy > TextLabel->ClientHeight() ? TScrollStyle::ssVertical
                                                                       : TScrollStyle::ssNone);
}

void TKivExceptionDialog::FitMessageHeight() {
  std::u16string text = TextLabel->Text();
  std::replace(text.begin(), text.end(), u':', u' ');
  HWND h = TextLabel->Handle();
  RECT r{0, 0, TextLabel->ClientWidth() - 14, 0};
  {
    WindowDC dc = WindowDC::Client(h);
    SelectedObject font(dc.get(), TextLabel->Font().Handle());
    Platform::DrawText(dc.get(), text, r,
                       DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  }
  int detailArea = expandedClientHeight_ - Bevel1->Top();
  int outside = Height() - TextLabel->ClientHeight();
  int usable = Screen().Height() - 2 * detailArea - outside - 7;
  int wanted = std::min<int>(r.bottom, usable);
  int d = wanted - TextLabel->ClientHeight();
  if (d <= 0) return;
  for (TControl* c : {static_cast<TControl*>(DetailsBtn), static_cast<TControl*>(ClipboardBtn),
                      static_cast<TControl*>(EmailBtn), static_cast<TControl*>(OkBtn),
                      static_cast<TControl*>(Bevel1), static_cast<TControl*>(DetailsMemo)}) {
    c->SetTop(c->Top() + d);
  }
  TextLabel->SetHeight(TextLabel->Height() + d);
  Constraints().SetMaxHeight(Constraints().MaxHeight() + d);
  SetHeight(Height() + d);
  expandedClientHeight_ += d;
  collapsedHeight_ += d;
  if (!showingDetails_) Constraints().SetMinHeight(collapsedHeight_);
  UpdateMessageScrollBar();
}

void TKivExceptionDialog::ChooseDetailsFont() {
  std::u16string name = DetailsFontName(DetailsMemo->Font().Name(), [](const std::u16string& n) {
    return Screen().FontInstalled(n);
  });
  if (name.empty()) {
    DetailsMemo->Font().Assign(Font());
  } else if (name != DetailsMemo->Font().Name()) {
    DetailsMemo->Font().SetName(name);
  }
}

void TKivExceptionDialog::FormPaint(TComponent*) {
  Canvas()->DrawIcon(10, 11, Platform::LoadSystemIcon(32513));  // IDI_ERROR
}

void TKivExceptionDialog::FormResize(TComponent*) {
  if (TextLabel && TextLabel->HandleAllocated()) UpdateMessageScrollBar();
}

void TKivExceptionDialog::FormKeyDown(TComponent*, WORD& key, TShiftState shift) {
  if (key == 'C' && (shift & ssCtrl)) {
    CopyReport();
    MessageBeep(MB_OK);
  } else if (key == VK_ESCAPE) {
    Close();
  }
}

// ---- the report's ways out ----

std::u16string TKivExceptionDialog::ReportText() {
  std::u16string text = AnsiToWide(WideToAnsi(TextLabel->Text()));
  if (text.size() < 2 || text.compare(text.size() - 2, 2, u"\r\n") != 0) text += u"\r\n";
  return text + u"\r\n" + DetailsMemo->Text();
}

void TKivExceptionDialog::CopyReport() { SetClipboardText(WindowHandle(), ReportText()); }

void TKivExceptionDialog::ClipboardBtnClick(TComponent*) {
  SetClipboardText(WindowHandle(), DetailsMemo->Text());
}

void TKivExceptionDialog::EmailBtnClick(TComponent*) {
  std::u16string folder = NewTempFolder();
  std::u16string attachment = folder + u"Error Details.txt";
  SaveUnicodeText(attachment, DetailsMemo->Text());
  std::u16string title = Application().Title();
  SendMapiMail(WideToAnsi(title + u" Issue"), Format(kEmailBody, WideToAnsi(TextLabel->Text())),
               WideToAnsi(attachment), "", "", WideToAnsi(title + u" Support"),
               WideToAnsi(SupportAddress()), false);
}

void TKivExceptionDialog::DetailsMemoDblClick(TComponent*) {
  if (GetKeyState(VK_SHIFT) >= 0) return;
  std::u16string file = NewTempFile(u".txt");
  SaveUnicodeText(file, DetailsMemo->Text());
  ShellOpen(file, u"", u"", SW_SHOW);
}

// ---- the error log ----

void TKivExceptionDialog::LogSecondaryException(const std::exception& e) {
  try {
    if (!reportLogged_) {
      if (!detailsBuilt_) {
        autoBuildDetails_ = true;
        BuildDetails();
      }
      LogReport(DetailsMemo->Text());
      reportLogged_ = true;
    }
    TKivStringList lines;
    WriteSecondaryExceptionStack(lines, e);
    LogReport(lines.Text());
  } catch (...) {
    // The log is a help, never a reason for one more failure.
  }
}

void LogReport(const std::u16string& text) {
  std::u16string program = Platform::GetModuleFileName(nullptr);
  std::u16string name = FileNameWithoutExt(program);
  if (!Platform::IsWin9x()) {
    HANDLE source = RegisterEventSourceW(nullptr, WStr(name));
    if (!source) return;
    const wchar_t* strings[] = {WStr(text)};
    ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
    return;
  }
  std::u16string folder = ExtractFilePath(program) + u"Errors\\";
  ForceDirectories(folder);
  std::u16string file =
      NextErrorFileName(folder, name, [](const std::u16string& f) { return FileExists(f); });
  std::u16string lines;
  for (const std::u16string& line : SplitLines(text)) lines += line + u"\r\n";
  SaveUnicodeText(file, lines);
}

// ---- the unit ----

void InstallExceptionDialog() {
  mainThreadId = GetCurrentThreadId();
  SetThreadExceptionEvent(&TKivExceptionDialog::HandleThreadException);
  Application().OnException = &TKivExceptionDialog::HandleApplicationException;
}

void RemoveExceptionDialog() {
  Application().OnException = nullptr;
  SetThreadExceptionEvent(nullptr);
}

// The exception dialog on real windows: its caption and message, the collapsed and
// expanded heights, the report it builds, and the error log a second exception
// writes to.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "Debug/StackTrace.h"
#include "Gui/Application.h"
#include "Gui/KivButton.h"
#include "Gui/PlatformGui.h"
#include "KivLX/KivLXUtils.h"
#include "KivTrxExceptDlg/KivTrxExceptDlg.h"
#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/KivStringList.h"
#include "Rtl/Platform.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"
#include "Win/SehGuard.h"

namespace {

class ExceptionDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    InitializeKivLXUtils();
    InitializeKivTrxExceptDlg();
  }
  void TearDown() override {
    FinalizeKivTrxExceptDlg();
    FinalizeKivLXUtils();
  }

  // A dialog prepared for `e`, as the application hook would show it.
  static std::unique_ptr<TKivExceptionDialog> DialogFor(const std::exception& e) {
    std::unique_ptr<TKivExceptionDialog> d(TForm::Create<TKivExceptionDialog>(nullptr));
    d->Prepare(e);
    return d;
  }
};

// The 9x error log's files beside this program, numbered 1 to 4: none before, none after.
class ErrorFiles {
 public:
  ErrorFiles() { Remove(); }
  ~ErrorFiles() { Remove(); }
  std::u16string Name(int n) const {
    std::u16string program = Platform::GetModuleFileName(nullptr);
    return WideFormat(u"%sErrors\\%s_Error_%.4d.txt", ExtractFilePath(program),
                      FileNameWithoutExt(program), n);
  }

 private:
  void Remove() const {
    for (int n = 1; n <= 4; ++n) Platform::DeleteFile(Name(n));
  }
};

[[gnu::noinline]] void RaiseFileError() {
  throw EFCreateError("Cannot create file \"C:\\x\\y.dll\"");
}

TEST_F(ExceptionDialog, CaptionNamesTheApplicationErrorUnlessTheErrorIsGeneral) {
  std::u16string title = Application().Title();
  auto plain = DialogFor(Exception("Disk full"));
  EXPECT_EQ(WideToAnsi(plain->Caption()), WideToAnsi(title) + "  (Application Error)");
  auto general = DialogFor(EKivGeneralError("Nothing to do"));
  EXPECT_EQ(WideToAnsi(general->Caption()), WideToAnsi(title));
}

TEST_F(ExceptionDialog, MessageEndsWithOneFullStopAndBreaksLinesTheWindowsWay) {
  EXPECT_EQ(WideToAnsi(DialogFor(Exception("Disk full"))->TextLabel->Text()), "Disk full.");
  EXPECT_EQ(WideToAnsi(DialogFor(Exception("Done."))->TextLabel->Text()), "Done.");
  EXPECT_EQ(WideToAnsi(DialogFor(Exception("one\ntwo\r\nthree"))->TextLabel->Text()),
            "one\r\ntwo\r\nthree.");
  // Not one of the library's exceptions: its text all the same.
  EXPECT_EQ(WideToAnsi(DialogFor(std::runtime_error("bad thing"))->TextLabel->Text()),
            "bad thing.");
}

TEST_F(ExceptionDialog, DetailsButtonSwitchesBetweenTwoHeightsThatStay) {
  auto d = DialogFor(Exception("Disk full"));
  EXPECT_FALSE(d->ShowingDetails());
  const int collapsed = d->Height();
  EXPECT_EQ(collapsed, d->CollapsedHeight());
  EXPECT_EQ(WideToAnsi(d->DetailsBtn->Caption()), "&Details >>");
  EXPECT_FALSE(d->DetailsMemo->Enabled());
  // The bevel and the memo lie below the collapsed window's client area.
  EXPECT_LE(d->ClientHeight(), d->Bevel1->Top());

  d->SetShowingDetails(true);
  EXPECT_EQ(WideToAnsi(d->DetailsBtn->Caption()), "<< &Details");
  EXPECT_EQ(d->ClientHeight(), d->ExpandedClientHeight());
  EXPECT_GT(d->Height(), collapsed + 99);
  EXPECT_TRUE(d->DetailsMemo->Enabled());
  // A collapsed dialog cannot be stretched, an expanded one not below its minimum.
  d->SetHeight(collapsed + 20);
  EXPECT_GE(d->Height(), collapsed + 100);
  d->SetHeight(collapsed + 300);
  const int expanded = d->ClientHeight();

  d->SetShowingDetails(false);
  EXPECT_EQ(d->Height(), collapsed);
  d->SetHeight(collapsed + 50);
  EXPECT_EQ(d->Height(), collapsed);
  // Expanding again restores the height the user left it at.
  d->SetShowingDetails(true);
  EXPECT_EQ(d->ClientHeight(), expanded);
}

TEST_F(ExceptionDialog, ALongMessageGrowsTheDialogAndMovesEverythingBelowIt) {
  auto shortOne = DialogFor(Exception("Disk full"));
  std::string longText;
  for (int i = 0; i < 12; ++i) longText += "A line of the message that goes on for a while.\n";
  auto longOne = DialogFor(Exception(longText));
  const int grown = longOne->TextLabel->Height() - shortOne->TextLabel->Height();
  EXPECT_GT(grown, 0);
  EXPECT_EQ(longOne->CollapsedHeight() - shortOne->CollapsedHeight(), grown);
  EXPECT_EQ(longOne->OkBtn->Top() - shortOne->OkBtn->Top(), grown);
  EXPECT_EQ(longOne->DetailsMemo->Top() - shortOne->DetailsMemo->Top(), grown);
}

TEST_F(ExceptionDialog, ReportHoldsTheHeadThenTheStackWithThisProgramsLines) {
  std::unique_ptr<TKivExceptionDialog> d;
  try {
    RaiseFileError();
  } catch (const Exception& e) {
    d = DialogFor(e);
  }
  // Before it is built, the report is its head.
  std::u16string head = d->DetailsMemo->Text();
  EXPECT_NE(head.find(u"Exception class: EFCreateError"), std::u16string::npos) << WideToAnsi(head);
  EXPECT_NE(head.find(u"Exception message: Cannot create file"), std::u16string::npos);
  EXPECT_FALSE(d->DetailsBuilt());

  d->BuildDetails();
  EXPECT_TRUE(d->DetailsBuilt());
  std::string report = WideToAnsi(d->DetailsMemo->Text());
  EXPECT_EQ(report.find(WideToAnsi(head.substr(0, head.size() - 2))), 0u);
  EXPECT_NE(report.find("Stack list, generated "), std::string::npos);
  // The raising procedure with this file's name and a line number.
  EXPECT_NE(report.find("RaiseFileError"), std::string::npos) << report;
  EXPECT_NE(report.find("KivTrxExceptDlgWinTest.cpp"), std::string::npos);
  EXPECT_NE(report.find("List of loaded modules:"), std::string::npos);

  // What the clipboard gets: the message, an empty line, the report.
  std::u16string text = d->ReportText();
  EXPECT_EQ(WideToAnsi(text.substr(0, text.find(u"\r\n\r\n"))),
            "Cannot create file \"C:\\x\\y.dll\".");
  EXPECT_EQ(text.substr(text.find(u"\r\n\r\n") + 4), d->DetailsMemo->Text());
}

[[gnu::noinline]] std::intptr_t WriteThroughNull(void* target) {
  *static_cast<volatile int*>(target) = 1;
  return 0;
}

TEST_F(ExceptionDialog, AFaultInAGuardedCallIsReportedWithTheFaultingProcedure) {
  // As on the systems without a vectored handler: the guard alone tells the facility.
  StopExceptionTracking();
  TTrackingOptions options;
  options.vectoredHandler = false;
  SetTrackingOptions(options);
  StartExceptionTracking();
  ClearLastExceptionStack();

  std::unique_ptr<TKivExceptionDialog> d;
  try {
    CallWithSehGuard(&WriteThroughNull, nullptr);
  } catch (const EAccessViolation& e) {
    d = DialogFor(e);
  }
  ASSERT_NE(d, nullptr) << "the fault was not raised";
  d->BuildDetails();
  std::string report = WideToAnsi(d->DetailsMemo->Text());
  EXPECT_NE(report.find("Exception class: EAccessViolation"), std::string::npos) << report;
  EXPECT_NE(report.find("WriteThroughNull"), std::string::npos) << report;
}

// What the dialog showed for a fault in a click handler, read while it was up.
std::string faultReport;

void CALLBACK ReadReportAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  TKivExceptionDialog* shown = TKivExceptionDialog::Current();
  if (!shown || !shown->DetailsBuilt()) return;  // not up yet, or still building
  KillTimer(nullptr, id);
  faultReport = WideToAnsi(shown->ReportText());
  PostMessageW(shown->WindowHandle(), WM_CLOSE, 0, 0);
}

TEST_F(ExceptionDialog, AFaultInAClickHandlerOpensTheDialogNamingTheHandler) {
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* button = new TKivButton(form.get());
  button->SetParent(form.get());
  button->OnClick = [](TComponent*) { WriteThroughNull(nullptr); };
  form->Show();
  faultReport.clear();
  UINT_PTR reader = SetTimer(nullptr, 0, 100, &ReadReportAndClose);
  // The click runs in the button's guarded window procedure.
  Platform::SendMessage(button->Handle(), BM_CLICK, 0, 0);
  KillTimer(nullptr, reader);
  EXPECT_NE(faultReport.find("Access violation at address"), std::string::npos) << faultReport;
  EXPECT_NE(faultReport.find("Exception class: EAccessViolation"), std::string::npos);
  EXPECT_NE(faultReport.find("WriteThroughNull"), std::string::npos) << faultReport;
  EXPECT_NE(faultReport.find("KivTrxExceptDlgWinTest.cpp"), std::string::npos);
}

TEST_F(ExceptionDialog, AStandardExceptionInAClickHandlerKeepsItsClassName) {
  std::unique_ptr<TForm> form(new TForm(nullptr));
  auto* button = new TKivButton(form.get());
  button->SetParent(form.get());
  button->OnClick = [](TComponent*) {
    std::vector<int> v(3);
    v.at(7) = 1;
  };
  form->Show();
  faultReport.clear();
  UINT_PTR reader = SetTimer(nullptr, 0, 100, &ReadReportAndClose);
  Platform::SendMessage(button->Handle(), BM_CLICK, 0, 0);
  KillTimer(nullptr, reader);
  EXPECT_NE(faultReport.find("Exception class: std::out_of_range\r\n"), std::string::npos)
      << faultReport;
  EXPECT_NE(faultReport.find("Exception message: vector::_M_range_check"), std::string::npos);
}

namespace {
void FailingSystemInfo(TKivStringList&) { throw std::length_error("no system information"); }
}  // namespace

TEST_F(ExceptionDialog, AReportThatCannotBeBuiltSaysSoInTheDetails) {
  auto d = DialogFor(Exception("Disk full"));
  SetSystemInfoCallback(&FailingSystemInfo);
  d->DetailsBtn->Click();
  SetSystemInfoCallback(nullptr);
  EXPECT_TRUE(d->DetailsBuilt());
  TKivStrings& lines = d->DetailsMemo->Lines();
  ASSERT_GE(lines.Count(), 5);
  const int n = lines.Count();
  EXPECT_EQ(lines.Get(n - 5), u"===============================");
  EXPECT_EQ(lines.Get(n - 4), u"==   DEBUG INFO READ ERROR   ==");
  EXPECT_EQ(lines.Get(n - 3), u"===============================");
  EXPECT_EQ(lines.Get(n - 2), u"std::length_error");
  EXPECT_EQ(lines.Get(n - 1), u"no system information");
  // A second click does not try again.
  d->DetailsBtn->Click();
  EXPECT_EQ(d->DetailsMemo->Lines().Count(), n);
}

TEST_F(ExceptionDialog, CopyPutsTheWholeReportOnTheClipboardInBothForms) {
  auto d = DialogFor(Exception("Disk full"));
  d->CopyReport();
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE wide = GetClipboardData(CF_UNICODETEXT);
  HANDLE narrow = GetClipboardData(CF_TEXT);
  std::u16string w = wide ? FromWStr(static_cast<const wchar_t*>(GlobalLock(wide))) : u"";
  std::string a = narrow ? static_cast<const char*>(GlobalLock(narrow)) : "";
  if (wide) GlobalUnlock(wide);
  if (narrow) GlobalUnlock(narrow);
  CloseClipboard();
  EXPECT_EQ(w, d->ReportText());
  EXPECT_EQ(a, WideToAnsi(d->ReportText()));
}

// On 9x the log is a numbered UTF-16 file per report beside the program; on NT it is
// the event log, which Wine keeps nowhere to read back (event-log.sh reads what it
// says of it).
TEST_F(ExceptionDialog, LogReportsOn9xAreNumberedUnicodeFilesBesideTheProgram) {
  if (!Platform::IsWin9x()) GTEST_SKIP() << "the NT branch logs to the event log";
  ErrorFiles files;
  auto file = [&](int n) { return files.Name(n); };
  // A gap is filled first: numbers are taken, not counted.
  LogReport(u"first");
  LogReport(u"second\nline two");
  Platform::DeleteFile(file(1));
  LogReport(u"third");

  std::vector<std::uint8_t> bytes = ReadFileBytes(file(2));
  const char16_t expected[] = u"\xFEFFsecond\r\nline two\r\n";
  ASSERT_EQ(bytes.size(), (sizeof expected / 2 - 1) * 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    EXPECT_EQ(bytes[i] | (bytes[i + 1] << 8), expected[i / 2]) << i;
  }
  EXPECT_TRUE(FileExists(file(1)));
  EXPECT_FALSE(FileExists(file(3)));
}

// The text of a UTF-16 file with its byte-order mark.
std::u16string Utf16FileText(const std::u16string& fileName) {
  std::vector<std::uint8_t> bytes =
      FileExists(fileName) ? ReadFileBytes(fileName) : std::vector<std::uint8_t>{};
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

// What a timer saw of the dialog while the second exception was handled in it.
struct SecondException {
  bool handled = false;
  bool detailsBuilt = false;
  bool reportLogged = false;
} second;

void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
  struct Search {
    static BOOL CALLBACK Close(HWND h, LPARAM) {
      wchar_t cls[16];
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      if (pid == GetCurrentProcessId() && GetClassNameW(h, cls, 16) &&
          wcscmp(cls, L"#32770") == 0) {
        PostMessageW(h, WM_COMMAND, IDOK, 0);
      }
      return TRUE;
    }
  };
  EnumWindows(&Search::Close, 0);
}

void CALLBACK RaiseSecondWhileShown(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  TKivExceptionDialog* shown = TKivExceptionDialog::Current();
  if (!shown) return;
  TKivExceptionDialog::ShowExceptionDialog(Exception("Second failure"));
  second = {true, shown->DetailsBuilt(), shown->ReportLogged()};
  TKivExceptionDialog::ShowExceptionDialog(Exception("Third failure"));
  PostMessageW(shown->WindowHandle(), WM_CLOSE, 0, 0);
}

// Shows the dialog for a file error; while it is up, a second and a third exception
// arrive, and the message boxes they open are closed.
void ShowWithSecondAndThirdException() {
  second = {};
  UINT_PTR closer = SetTimer(nullptr, 0, 250, &CloseMessageBoxes);
  SetTimer(nullptr, 0, 500, &RaiseSecondWhileShown);
  try {
    RaiseFileError();
  } catch (const Exception& e) {
    TKivExceptionDialog::ShowExceptionDialog(e);
  }
  KillTimer(nullptr, closer);
}

// Run by event-log.sh, which reads the events from Wine's debug channel: the NT
// branch of the error log has no file to look at.
TEST_F(ExceptionDialog, DISABLED_NtEventLogGetsTheReportThenEachSecondaryStack) {
  ShowWithSecondAndThirdException();
  EXPECT_TRUE(second.handled);
}

TEST_F(ExceptionDialog, ASecondExceptionWhileOneIsShownGoesToTheLogWithItsStack) {
  if (!Platform::IsWin9x()) GTEST_SKIP() << "the NT branch logs to the event log (event-log.sh)";
  ErrorFiles files;
  auto file = [&](int n) { return files.Name(n); };

  ShowWithSecondAndThirdException();
  EXPECT_EQ(TKivExceptionDialog::Current(), nullptr);

  ASSERT_TRUE(second.handled) << "the dialog closed before the second exception";
  EXPECT_TRUE(second.detailsBuilt);
  EXPECT_TRUE(second.reportLogged);
  // The first report whole, then the second exception's stack.
  std::string first = WideToAnsi(Utf16FileText(file(1)));
  std::string secondText = WideToAnsi(Utf16FileText(file(2)));
  EXPECT_NE(first.find("Exception class: EFCreateError"), std::string::npos) << first;
  EXPECT_NE(first.find("Stack list, generated "), std::string::npos);
  EXPECT_NE(secondText.find("<----Secondary Exception Stack Trace---->"), std::string::npos)
      << secondText;
  EXPECT_NE(secondText.find("Second failure"), std::string::npos);
  // A later one adds its own stack alone.
  std::string thirdText = WideToAnsi(Utf16FileText(file(3)));
  EXPECT_NE(thirdText.find("Third failure"), std::string::npos) << thirdText;
  EXPECT_EQ(thirdText.find("Exception class: EFCreateError"), std::string::npos);
  EXPECT_FALSE(FileExists(file(4)));
}

}  // namespace

// The Windows toolkit on real windows: forms built from their descriptions, controls,
// the message loop with its key handling, exceptions in handlers.
#include <gtest/gtest.h>

#include <memory>

#include "EmbeddedFiles.h"
#include "FormFiles/FormText.h"
#include "Gui/Application.h"
#include "Gui/Reader.h"
#include "Gui/Screen.h"
#include "Gui/Writer.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"
#include "Rtl/PlatformGui.h"
#include "Rtl/SehGuard.h"
#include "TestFormsWin.h"

namespace {

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

// Runs the message loop until `done` or two seconds have passed.
template <typename Pred>
void PumpUntil(Pred done) {
  for (int i = 0; i < 200 && !done(); ++i) {
    Application().ProcessMessages();
    if (!done()) Sleep(10);
  }
}

class Toolkit : public ::testing::Test {
 protected:
  void SetUp() override { Application().Initialize(); }
  void TearDown() override {
    Application().OnException = nullptr;
    Screen().SetCursor(crDefault);
  }
  template <typename T>
  std::unique_ptr<T> Make() {
    return std::unique_ptr<T>(TForm::Create<T>(nullptr));
  }
};

TEST_F(Toolkit, DefaultTitleIsTheFileNameUpToItsFirstStop) {
  std::u16string path = Platform::GetModuleFileName(nullptr);
  std::u16string name = path.substr(path.find_last_of(u'\\') + 1);
  EXPECT_EQ(Application().Title(),
            name.substr(0, 1) + Platform::CharLower(name.substr(1, name.find(u'.') - 1)));
  Application().SetTitle(u"Set");
  EXPECT_EQ(Application().Title(), u"Set");
  EXPECT_EQ(Platform::GetWindowText(Application().Handle()), u"Set");
  Application().SetTitle(u"");
}

TEST_F(Toolkit, AFormWithAControlOfEveryClassIsBuiltFromItsDescription) {
  auto form = Make<TTestAllForm>();
  EXPECT_EQ(form->created, std::vector<std::string>{"FormCreate"});
  EXPECT_EQ(form->Caption(), u"Every control");
  EXPECT_EQ(form->ClientWidth(), 420);
  EXPECT_EQ(form->ClientHeight(), 300);
  ASSERT_NE(form->Memo1, nullptr);
  EXPECT_EQ(form->Memo1->Lines().Text(), u"First line\r\nSecond line\r\n");
  EXPECT_EQ(form->Memo1->BoundsRect().left, 8);
  EXPECT_EQ(form->Memo1->BoundsRect().bottom, 180);
  ASSERT_NE(form->InnerButton, nullptr);
  EXPECT_EQ(form->InnerButton->Parent(), form->Panel1);
  EXPECT_EQ(form->InnerButton->Owner(), form.get());
  ASSERT_NE(form->ToolButton1, nullptr);
  EXPECT_EQ(form->ToolButton1->ToolBar(), form->ToolBar1);
  EXPECT_EQ(form->ToolBar1->Parent(), form->ControlBar1);
  ASSERT_NE(form->ExitItem, nullptr);
  EXPECT_EQ(form->ExitItem->DisplayText(), u"E&xit\tCtrl+Q");
  EXPECT_EQ(form->StatusBar1->Panels().Count(), 2);
  EXPECT_EQ(form->Menu(), form->MainMenu1);
  EXPECT_EQ(form->NameLabel->Caption(), u"Name:");
  EXPECT_EQ(form->Bevel1->Shape(), TBevelShape::bsTopLine);
  EXPECT_TRUE(form->OkButton->Default());
  EXPECT_TRUE(form->CancelButton->Cancel());
  EXPECT_EQ(form->OkButton->ModalResult(), mrOk);
  EXPECT_FALSE(form->Timer1->Enabled());

  // The windows, made from the same properties.
  form->Show();
  HWND ok = form->OkButton->Handle();
  EXPECT_EQ(Platform::GetClassName(ok), u"TKivButton");
  EXPECT_EQ(GetParent(ok), form->WindowHandle());
  EXPECT_EQ(Platform::GetWindowText(ok), u"OK");
  EXPECT_TRUE(GetWindowLongW(ok, GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetParent(form->InnerButton->Handle()), form->Panel1->Handle());
  EXPECT_EQ(Platform::GetWindowText(form->Memo1->Handle()), u"First line\r\nSecond line");
  EXPECT_EQ(GetMenu(form->WindowHandle()), form->MainMenu1->Handle());
  HWND status = form->StatusBar1->Handle();
  EXPECT_EQ(Platform::SendMessage(status, SB_GETPARTS, 0, 0), 2);
  wchar_t text[32] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Ready");
  EXPECT_EQ(Platform::SendMessage(form->ToolBar1->Handle(), TB_BUTTONCOUNT, 0, 0), 1);
  // The status bar sits at the bottom of the client area, across it.
  EXPECT_EQ(form->StatusBar1->Top() + form->StatusBar1->Height(), 300);
  EXPECT_EQ(form->StatusBar1->Width(), 420);
}

TEST_F(Toolkit, AnchorsAndAlignmentFollowTheFormsSize) {
  auto form = Make<TTestAllForm>();
  form->Show();
  RECT memo = form->Memo1->BoundsRect();
  RECT ok = form->OkButton->BoundsRect();
  RECT panel = form->Panel1->BoundsRect();
  RECT bevel = form->Bevel1->BoundsRect();
  form->SetClientSize(520, 350);
  PumpUntil([&] { return form->ClientWidth() == 520; });
  EXPECT_EQ(form->Memo1->Width(), memo.right - memo.left + 100);
  EXPECT_EQ(form->Memo1->Height(), memo.bottom - memo.top + 50);
  EXPECT_EQ(form->OkButton->Left(), ok.left + 100);
  EXPECT_EQ(form->OkButton->Top(), ok.top + 50);
  EXPECT_EQ(form->Panel1->Left(), panel.left + 100);
  EXPECT_EQ(form->Panel1->Top(), panel.top);
  EXPECT_EQ(form->Bevel1->Width(), bevel.right - bevel.left + 100);
  EXPECT_EQ(form->Bevel1->Top(), bevel.top + 50);
  EXPECT_EQ(form->ControlBar1->Width(), 520);
  EXPECT_EQ(form->StatusBar1->Top() + form->StatusBar1->Height(), 350);
  // The window follows too.
  RECT r;
  GetWindowRect(form->OkButton->Handle(), &r);
  MapWindowPoints(nullptr, form->WindowHandle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, ok.left + 100);
}

TEST_F(Toolkit, TabOrderIsTheStoredOneAndTabMovesTheFocus) {
  auto form = Make<TTestAllForm>();
  std::vector<TWinControl*> expected = {form->Memo1,    form->Panel1,     form->CancelButton,
                                        form->OkButton, form->FailButton, form->FaultButton};
  const auto& tabs = form->TabList();
  ASSERT_GE(tabs.size(), expected.size());
  EXPECT_EQ(std::vector<TWinControl*>(tabs.begin(), tabs.begin() + 6), expected);
  EXPECT_EQ(form->OkButton->TabOrder(), 3);

  form->Show();
  form->Memo1->SetFocus();
  PumpUntil([&] { return Screen().ActiveControl() == form->Memo1; });
  // Tab goes to the panel's button (containers pass the focus on), then on.
  Platform::PostMessage(form->Memo1->Handle(), WM_KEYDOWN, VK_TAB, 0);
  PumpUntil([&] { return Screen().ActiveControl() != form->Memo1; });
  EXPECT_EQ(Screen().ActiveControl(), form->InnerButton);
  Platform::PostMessage(form->InnerButton->Handle(), WM_KEYDOWN, VK_TAB, 0);
  PumpUntil([&] { return Screen().ActiveControl() != form->InnerButton; });
  EXPECT_EQ(Screen().ActiveControl(), form->CancelButton);
  // The application knows the focused control and its parents, for error reports.
  form->InnerButton->SetFocus();
  PumpUntil([&] { return Screen().ActiveControl() == form->InnerButton; });
  auto chain = Screen().ActiveControlChain();
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(chain[0], (std::pair<std::string, std::string>{"TKivButton", "InnerButton"}));
  EXPECT_EQ(chain[1], (std::pair<std::string, std::string>{"TKivPanel", "Panel1"}));
  EXPECT_EQ(chain[2], (std::pair<std::string, std::string>{"TTestAllForm", "TestAllForm"}));
}

TEST_F(Toolkit, ReturnAndEscapeClickTheDefaultAndCancelButtonsOfAModalForm) {
  auto form = Make<TTestAllForm>();
  form->SetActiveControl(form->Memo1);
  // The memo does not want Return, so the default button takes it.
  form->OnShow = [&](TComponent*) {
    Platform::PostMessage(form->Memo1->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  };
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_EQ(form->clicked, std::vector<std::string>{"OkButton"});
  EXPECT_FALSE(form->Visible());

  form->OnShow = [&](TComponent*) {
    Platform::PostMessage(form->Memo1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  EXPECT_EQ(form->ShowModal(), mrCancel);
  // The form saw both keys first (KeyPreview).
  EXPECT_EQ(form->previewed, (std::vector<WORD>{VK_RETURN, VK_ESCAPE}));
}

TEST_F(Toolkit, KeyPreviewLetsTheFormTakeAKeyBeforeItsControl) {
  auto form = Make<TTestAllForm>();
  form->Show();
  std::vector<WORD> memoKeys;
  form->Memo1->OnKeyDown = [&](TComponent*, WORD& key, TShiftState) { memoKeys.push_back(key); };
  form->swallow = 'A';
  form->Memo1->SetFocus();
  Platform::PostMessage(form->Memo1->Handle(), WM_KEYDOWN, 'A', 0);
  Platform::PostMessage(form->Memo1->Handle(), WM_KEYDOWN, 'B', 0);
  PumpUntil([&] { return memoKeys.size() == 1; });
  EXPECT_EQ(form->previewed, (std::vector<WORD>{'A', 'B'}));
  EXPECT_EQ(memoKeys, std::vector<WORD>{'B'});
}

TEST_F(Toolkit, ExceptionsAndFaultsInAClickHandlerReachTheHookAndTheWindowLives) {
  auto form = Make<TTestAllForm>();
  form->Show();
  std::vector<std::string> seen;
  Application().OnException = [&](TComponent* sender, Exception& e) {
    seen.push_back(std::string(e.ClassName()) + "|" + (sender ? sender->Name() : ""));
  };
  Platform::SendMessage(form->FailButton->Handle(), BM_CLICK, 0, 0);
  Platform::SendMessage(form->FaultButton->Handle(), BM_CLICK, 0, 0);
  Platform::SendMessage(form->FaultButton->Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "EKivGeneralError|TestAllForm");
  EXPECT_EQ(seen[1], "EAccessViolation|TestAllForm");
  EXPECT_EQ(seen[2], seen[1]);
  EXPECT_TRUE(IsWindow(form->WindowHandle()));
  EXPECT_EQ(Platform::GetWindowText(form->WindowHandle()), u"Every control");
  // And the form still works.
  Platform::SendMessage(form->OkButton->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->clicked, std::vector<std::string>{"OkButton"});
}

TEST_F(Toolkit, TheSilentAbortIsNeverReported) {
  std::vector<std::string> seen;
  Application().OnException = [&](TComponent*, Exception& e) { seen.push_back(e.Message()); };
  GuardedCall(nullptr, [] { throw EKivGeneralError("refused"); });
  GuardedCall(nullptr, [] { throw EAbort(); });
  GuardedCall(nullptr, [] { throw std::runtime_error("plain"); });
  CallGuarded(nullptr, [] { throw EAbort(); });
  EXPECT_EQ(seen, (std::vector<std::string>{"refused", "plain"}));
}

TEST_F(Toolkit, MenuAndToolButtonCommandsReachTheirItems) {
  auto form = Make<TTestAllForm>();
  form->Show();
  Platform::SendMessage(form->WindowHandle(), WM_COMMAND, MAKEWPARAM(form->ExitItem->Command(), 0),
                        0);
  EXPECT_EQ(form->clicked, std::vector<std::string>{"ExitItem"});
  int toolClicks = 0;
  form->ToolButton1->OnClick = [&](TComponent*) { ++toolClicks; };
  Platform::SendMessage(form->ControlBar1->Handle(), WM_COMMAND, form->ToolButton1->Command(),
                        reinterpret_cast<LPARAM>(form->ToolBar1->Handle()));
  EXPECT_EQ(toolClicks, 1);
}

TEST_F(Toolkit, TimerTicksOnTheMessageLoopAndStopsWhenDisabled) {
  TTimer timer(nullptr);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TComponent*) {
    if (++ticks == 2) timer.SetEnabled(false);
  };
  PumpUntil([&] { return ticks >= 2; });
  EXPECT_EQ(ticks, 2);
  Sleep(60);
  Application().ProcessMessages();
  EXPECT_EQ(ticks, 2);
}

TEST_F(Toolkit, AnInheritedDescriptionHoldsOnlyWhatDiffers) {
  auto derived = Make<TTestDerivedForm>();
  EXPECT_EQ(derived->Name(), "DerivedForm");
  EXPECT_EQ(derived->Caption(), u"Derived");
  EXPECT_EQ(derived->Memo1->Lines().Text(), u"Derived line\r\n");
  ASSERT_NE(derived->ExtraButton, nullptr);
  EXPECT_EQ(derived->ExtraButton->Caption(), u"Extra");
  EXPECT_EQ(derived->OkButton->Caption(), u"OK");
  EXPECT_EQ(derived->created, std::vector<std::string>{"FormCreate"});

  auto ancestor = Make<TTestAllForm>();
  EXPECT_EQ(WithoutCarriageReturns(FormBinaryToText(WriteDescription(*derived, ancestor.get()))),
            WithoutCarriageReturns(TestForm("Derived.dfm").Text()));
}

TEST_F(Toolkit, AFormWithAControlOfEveryClassRoundTripsThroughTheWriter) {
  auto form = Make<TTestAllForm>();
  EXPECT_EQ(WithoutCarriageReturns(FormBinaryToText(WriteDescription(*form))),
            WithoutCarriageReturns(TestForm("AllControls.dfm").Text()));
}

TEST_F(Toolkit, DescriptionsThatDoNotFitTheClassesAreRefusedClearly) {
  auto read = [](std::string_view body) -> std::string {
    TKivForm form(nullptr);
    std::string text = "object F: TKivForm\r\n" + std::string(body) + "end\r\n";
    try {
      ReadDescription(form, FormTextToBinary(text));
    } catch (const Exception& e) {
      EXPECT_EQ(form.ControlCount(), 0);
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(read("  object B: TKivButton\r\n  end\r\n  object X: TNoSuchControl\r\n  end\r\n"),
            "Class TNoSuchControl not found");
  EXPECT_EQ(read("  object B: TKivButton\r\n    Colour = clRed\r\n  end\r\n"),
            "Error reading F.B.Colour: Property Colour does not exist");
  EXPECT_EQ(read("  object B: TKivButton\r\n    Anchors = [akAbove]\r\n  end\r\n"),
            "Error reading F.B.Anchors: Invalid property value akAbove");

  struct TNoDescriptionForm : TKivForm {
    using TKivForm::TKivForm;
    const TClassInfo& ClassInfo() const override { return info; }
    const TClassInfo info{"TNoDescriptionForm", &TKivForm::kClassInfo, nullptr, {}, {}, {}};
  };
  try {
    TForm::Create<TNoDescriptionForm>(nullptr);
    FAIL() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TNoDescriptionForm not found");
  }
}

TEST_F(Toolkit, RenamingAComponentRenamesItsTranslatableProperties) {
  auto form = Make<TTestTrxForm>();
  EXPECT_EQ(form->KivTranslatableProps().Text(),
            u"Button1.Caption\r\nButton1.Hint\r\nButton10.Caption\r\nCaption\r\n");
  EXPECT_EQ(form->KivInlineClasses().Text(), u"TFrame1\r\n");
  form->Button1->SetName("OkButton");
  EXPECT_EQ(form->KivTranslatableProps().Text(),
            u"Button10.Caption\r\nCaption\r\nOkButton.Caption\r\nOkButton.Hint\r\n");
  // A rename the form refuses leaves the list alone.
  try {
    form->Button10->SetName("OkButton");
    FAIL() << "no error";
  } catch (const EComponentError&) {
  }
  EXPECT_EQ(form->KivTranslatableProps().Count(), 4);
  EXPECT_EQ(form->KivTranslatableProps().Get(0), u"Button10.Caption");
}

TEST_F(Toolkit, ListsStoredAs8BitStringsAreReadAndWrittenBackWide) {
  // The description in the program holds the list as 8-bit strings (text to binary
  // keeps plain ASCII 8-bit); the writer stores wide strings.
  HRSRC info = FindResourceW(nullptr, L"TTESTTRXFORM", MAKEINTRESOURCEW(10));
  ASSERT_NE(info, nullptr);
  auto bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, info)));
  std::string stored(bytes, SizeofResource(nullptr, info));
  EXPECT_NE(stored.find(std::string("\x06\x0F") + "Button1.Caption"), std::string::npos);

  auto form = Make<TTestTrxForm>();
  std::vector<std::uint8_t> written = WriteDescription(*form);
  std::string w(written.begin(), written.end());
  EXPECT_EQ(w.find(std::string("\x06\x0F") + "Button1.Caption"), std::string::npos);
  TTestTrxForm copy(nullptr);
  ReadDescription(copy, written);
  EXPECT_EQ(copy.KivTranslatableProps().Text(), form->KivTranslatableProps().Text());
}

TEST_F(Toolkit, TheScreenCursorShowsEverywhereUntilItIsReset) {
  Screen().SetCursor(crHourGlass);
  EXPECT_EQ(Screen().Cursor(), crHourGlass);
  EXPECT_EQ(GetCursor(), CursorHandle(crHourGlass));
  Screen().SetCursor(crDefault);
  EXPECT_EQ(GetCursor(), CursorHandle(crArrow));
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

TEST_F(Toolkit, WindowsAre8BitExactlyOnThe9xBranch) {
  auto form = Make<TTestAllForm>();
  form->Show();
  std::vector<HWND> windows{form->WindowHandle()};
  EnumChildWindows(form->WindowHandle(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
  ASSERT_GE(windows.size(), 10u);
  for (HWND h : windows) {
    if (!TWindowedObject::FromHandle(h)) continue;  // a system control's own parts
    SCOPED_TRACE(WideToAnsi(Platform::GetClassName(h)));
    EXPECT_EQ(IsWindowUnicode(h) != 0, !Platform::IsWin9x());
  }
  EXPECT_EQ(IsWindowUnicode(Application().Handle()) != 0, !Platform::IsWin9x());
}

}  // namespace

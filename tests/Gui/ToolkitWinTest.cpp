// The Windows toolkit on real windows: forms built from their descriptions, controls,
// the message loop with its key handling, exceptions in handlers.
#include <gtest/gtest.h>

#include <memory>

#include "EmbeddedFiles.h"
#include "FormFiles/FormText.h"
#include "Gui/Application.h"
#include "Gui/DeviceContext.h"
#include "Gui/PlatformGui.h"
#include "Gui/Reader.h"
#include "Gui/Screen.h"
#include "Gui/WindowHook.h"
#include "Gui/Writer.h"
#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"
#include "TestFormsWin.h"
#include "Win/SehGuard.h"
#include "WinTestSupport.h"

namespace {

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
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
  EXPECT_EQ(form->created, (std::vector<std::string>{"Constructed", "FormCreate"}));
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
  EXPECT_EQ(form->NameLabel->Caption(), u"&Name:");
  EXPECT_EQ(form->NameLabel->FocusControl(), form->Memo1);
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
  EXPECT_EQ(Platform::SendMessage(form->Memo1->Handle(), EM_GETLIMITTEXT, 0, 0), 200);
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
  CallGuarded(nullptr, [] { throw EKivGeneralError("refused"); });
  CallGuarded(nullptr, [] { throw EAbort(); });
  CallGuarded(nullptr, [] { throw std::runtime_error("plain"); });
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

// The thread's timers share one window: a timer freed from inside another's tick, with
// its own tick due, must never be called again; the window must survive losing its last
// timer inside that timer's tick.
TEST_F(Toolkit, ATimerFreedInsideATickNeverTicksAgain) {
  auto first = std::make_unique<TTimer>(nullptr);
  auto second = std::make_unique<TTimer>(nullptr);
  int secondTicks = 0;
  int secondTicksWhenFreed = -1;
  second->SetInterval(10);
  second->OnTimer = [&](TComponent*) { ++secondTicks; };
  first->SetInterval(10);
  first->OnTimer = [&](TComponent*) {
    Sleep(40);  // the second timer is due by now
    secondTicksWhenFreed = secondTicks;
    second.reset();
    first->SetEnabled(false);
  };
  PumpUntil([&] { return secondTicksWhenFreed >= 0; });
  Sleep(60);
  Application().ProcessMessages();
  EXPECT_EQ(secondTicks, secondTicksWhenFreed);
  first.reset();

  auto last = std::make_unique<TTimer>(nullptr);
  last->SetInterval(10);
  last->OnTimer = [&](TComponent*) { last.reset(); };
  PumpUntil([&] { return !last; });
  ASSERT_FALSE(last);
  TTimer next(nullptr);
  next.SetInterval(10);
  int nextTicks = 0;
  next.OnTimer = [&](TComponent*) { ++nextTicks; };
  PumpUntil([&] { return nextTicks > 0; });
  EXPECT_GT(nextTicks, 0);
}

TEST_F(Toolkit, AnInheritedDescriptionHoldsOnlyWhatDiffers) {
  auto derived = Make<TTestDerivedForm>();
  EXPECT_EQ(derived->Name(), "DerivedForm");
  EXPECT_EQ(derived->Caption(), u"Derived");
  EXPECT_EQ(derived->Memo1->Lines().Text(), u"Derived line\r\n");
  ASSERT_NE(derived->ExtraButton, nullptr);
  EXPECT_EQ(derived->ExtraButton->Caption(), u"Extra");
  EXPECT_EQ(derived->OkButton->Caption(), u"OK");
  EXPECT_EQ(derived->created, (std::vector<std::string>{"Constructed", "FormCreate"}));

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

TEST_F(Toolkit, OnCreateRunsAfterTheClassesOwnConstructionUnlessTheFormHasTheOldOrder) {
  EXPECT_EQ(Make<TTestAllForm>()->created, (std::vector<std::string>{"Constructed", "FormCreate"}));
  // The translatable form's description sets OldCreateOrder.
  auto old = Make<TTestTrxForm>();
  EXPECT_TRUE(old->OldCreateOrder());
  EXPECT_EQ(old->created, (std::vector<std::string>{"FormCreate", "Constructed"}));
}

TEST_F(Toolkit, ATranslatableFormsListsOutliveTheFormForItsOnDestroy) {
  std::vector<std::string> errors;
  Application().OnException = [&](TComponent*, Exception& e) { errors.push_back(e.Message()); };
  TTestTrxForm* form = TForm::Create<TTestTrxForm>(nullptr);
  int seen = -1;
  form->OnDestroy = [&](TComponent*) {
    seen = form->KivTranslatableProps().Count() + form->KivInlineClasses().Count();
  };
  delete form;
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(errors, std::vector<std::string>{});
}

// Reads form text into a plain form of the toolkit.
std::unique_ptr<TKivForm> FormFromText(std::string_view body) {
  auto form = std::make_unique<TKivForm>(nullptr);
  ReadDescription(*form,
                  FormTextToBinary("object F: TKivForm\r\n" + std::string(body) + "end\r\n"));
  return form;
}

TEST_F(Toolkit, AFormStoredWithItsWindowSizeOpensAtThatSizeAndWritesItBack) {
  // As older tools wrote it: the window size, then a border and a menu that take
  // their room from the client area.
  auto form = FormFromText(
      "  Width = 400\r\n  Height = 300\r\n  BorderStyle = bsDialog\r\n  Menu = M\r\n"
      "  object M: TMainMenu\r\n    object I: TMenuItem\r\n      Caption = 'File'\r\n"
      "    end\r\n  end\r\n");
  EXPECT_TRUE(form->SizedByWindow());
  int clientHeight = form->ClientHeight();
  EXPECT_GT(clientHeight, 200);  // not the empty form's default client area
  form->Show();
  RECT window;
  GetWindowRect(form->WindowHandle(), &window);
  EXPECT_EQ(window.right - window.left, 400);
  EXPECT_EQ(window.bottom - window.top, 300);
  RECT client;
  GetClientRect(form->WindowHandle(), &client);
  EXPECT_EQ(client.bottom, clientHeight);
  std::string written = FormBinaryToText(WriteDescription(*form));
  EXPECT_NE(written.find("  Width = 400\r\n  Height = 300\r\n"), std::string::npos);
  EXPECT_EQ(written.find("ClientHeight"), std::string::npos);

  // A form stored with its client size keeps that size whatever its border.
  auto byClient =
      FormFromText("  ClientWidth = 400\r\n  ClientHeight = 300\r\n  BorderStyle = bsDialog\r\n");
  EXPECT_FALSE(byClient->SizedByWindow());
  byClient->Show();
  GetClientRect(byClient->WindowHandle(), &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
  written = FormBinaryToText(WriteDescription(*byClient));
  EXPECT_EQ(written.find("  Width = "), std::string::npos);
}

TEST_F(Toolkit, AlignedControlsKeepTheirMarginsFreeWhenTheyAlignWithThem) {
  auto form = FormFromText(
      "  ClientWidth = 300\r\n  ClientHeight = 200\r\n"
      "  object Top1: TKivPanel\r\n    Height = 40\r\n    Align = alTop\r\n"
      "    AlignWithMargins = True\r\n    Margins.Left = 5\r\n    Margins.Top = 6\r\n"
      "    Margins.Right = 7\r\n    Margins.Bottom = 8\r\n    Tag = 12\r\n  end\r\n"
      "  object Rest: TKivPanel\r\n    Align = alClient\r\n    AlignWithMargins = True\r\n"
      "  end\r\n"
      "  object Plain: TKivPanel\r\n    Width = 50\r\n    Align = alLeft\r\n  end\r\n");
  auto* top = dynamic_cast<TKivPanel*>(form->FindComponent("Top1"));
  auto* rest = dynamic_cast<TKivPanel*>(form->FindComponent("Rest"));
  auto* plain = dynamic_cast<TKivPanel*>(form->FindComponent("Plain"));
  ASSERT_TRUE(top && rest && plain);
  EXPECT_EQ(top->Tag(), 12);
  auto bounds = [](TControl* c) {
    RECT r = c->BoundsRect();
    return std::vector<long>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(bounds(top), (std::vector<long>{5, 6, 293, 46}));
  EXPECT_EQ(bounds(plain), (std::vector<long>{0, 54, 50, 200}));
  // The default margins are 3 pixels.
  EXPECT_EQ(bounds(rest), (std::vector<long>{53, 57, 297, 197}));
  top->Margins().SetTop(0);
  EXPECT_EQ(bounds(top), (std::vector<long>{5, 0, 293, 40}));
  top->SetAlignWithMargins(false);
  EXPECT_EQ(bounds(top), (std::vector<long>{0, 0, 300, 40}));
  EXPECT_EQ(bounds(plain), (std::vector<long>{0, 40, 50, 200}));
}

TEST_F(Toolkit, AFontsPitchAndQualityReachTheSystemFont) {
  auto form = FormFromText(
      "  Font.Name = 'Courier New'\r\n  Font.Pitch = fpFixed\r\n"
      "  Font.Quality = fqNonAntialiased\r\n");
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(form->Font().Handle(), sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfPitchAndFamily & 3, FIXED_PITCH);
  EXPECT_EQ(lf.lfQuality, NONANTIALIASED_QUALITY);
  EXPECT_NE(FormBinaryToText(WriteDescription(*form)).find("Font.Pitch = fpFixed"),
            std::string::npos);
}

// The number of pixels in rows [top, bottom) of the window's client area that are not
// the colour at its top left corner.
int InkInRows(HWND h, int left, int right, int top, int bottom) {
  WindowDC dc = WindowDC::Client(h);
  COLORREF background = GetPixel(dc.get(), left, top);
  int ink = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) ink += GetPixel(dc.get(), x, y) != background;
  }
  return ink;
}

TEST_F(Toolkit, ALabelsLayoutPlacesItsTextInItsHeight) {
  auto form = FormFromText(
      "  ClientWidth = 200\r\n  ClientHeight = 100\r\n  Color = clWhite\r\n"
      "  object L: TKivLabel\r\n    Left = 0\r\n    Top = 0\r\n    Width = 100\r\n"
      "    Height = 60\r\n    AutoSize = False\r\n    Caption = 'Middle'\r\n"
      "    Layout = tlCenter\r\n  end\r\n");
  form->Show();
  HWND h = form->WindowHandle();
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_EQ(InkInRows(h, 0, 100, 0, 20), 0);
  EXPECT_GT(InkInRows(h, 0, 100, 20, 40), 0);
  auto* label = dynamic_cast<TKivLabel*>(form->FindComponent("L"));
  label->SetLayout(TTextLayout::tlTop);
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_GT(InkInRows(h, 0, 100, 0, 20), 0);
  EXPECT_EQ(InkInRows(h, 0, 100, 20, 60), 0);
}

// A subclass another program puts on a window after ours: it logs and passes on.
WNDPROC belowTop = nullptr;
std::vector<std::string>* topLog = nullptr;
LRESULT CALLBACK TopProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 5) topLog->push_back("top");
  return Platform::CallWindowProc(belowTop, h, msg, wp, lp);
}

TEST_F(Toolkit, AHookUnderAnotherSubclassLeavesTheChainWhole) {
  std::vector<std::string> log;
  topLog = &log;
  TUtilityWindow window([&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
    if (msg != WM_APP + 5) return false;
    log.push_back("window");
    result = 7;
    return true;
  });
  HWND h = window.Handle();
  auto hooked = [&](const char* name) {
    return std::make_unique<TWindowHook>(h, [&log, name](UINT msg, WPARAM, LPARAM, LRESULT&) {
      if (msg == WM_APP + 5) log.push_back(name);
      return false;
    });
  };
  auto send = [&] {
    log.clear();
    return Platform::SendMessage(h, WM_APP + 5, 0, 0);
  };
  LONG_PTR own = Platform::GetWindowLongPtr(h, GWLP_WNDPROC);
  auto hook = hooked("hook");
  belowTop = reinterpret_cast<WNDPROC>(
      Platform::SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TopProc)));
  EXPECT_EQ(send(), 7);
  EXPECT_EQ(log, (std::vector<std::string>{"top", "hook", "window"}));

  // The hook goes while the other sits on top: the window's own procedure still
  // answers, and a new hook takes the old place.
  hook.reset();
  EXPECT_EQ(send(), 7);
  EXPECT_EQ(log, (std::vector<std::string>{"top", "window"}));
  hook = hooked("again");
  EXPECT_EQ(send(), 7);
  EXPECT_EQ(log, (std::vector<std::string>{"top", "again", "window"}));
  hook.reset();

  // Once the other leaves, the chain is the window's own again.
  Platform::SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(belowTop));
  EXPECT_EQ(send(), 7);
  EXPECT_EQ(log, std::vector<std::string>{"window"});
  EXPECT_EQ(Platform::GetWindowLongPtr(h, GWLP_WNDPROC), own);
  topLog = nullptr;
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

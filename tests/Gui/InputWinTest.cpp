// The toolkit as a user drives it, on real windows: menu shortcuts, the accelerators
// of labels and buttons, and the mouse over controls without a window of their own.
// Keys and clicks arrive as the messages the system would post, modifiers held in the
// thread's keyboard state (see HeldKeys).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Gui/Application.h"
#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Screen.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"
#include "TestFormsWin.h"
#include "WinTestSupport.h"

namespace {

class Input : public ::testing::Test {
 protected:
  void SetUp() override { Application().Initialize(); }
  void TearDown() override { Application().OnException = nullptr; }

  static std::unique_ptr<TTestAllForm> ShownForm() {
    std::unique_ptr<TTestAllForm> form(TForm::Create<TTestAllForm>(nullptr));
    form->Show();
    return form;
  }
  static void Focus(TWinControl* control) {
    control->SetFocus();
    PumpUntil([&] { return Screen().ActiveControl() == control; });
  }
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

TEST_F(Input, AMenuShortcutRunsItsItemBeforeTheFocusedControlSeesTheKey) {
  auto form = ShownForm();
  std::vector<WORD> memoKeys;
  form->Memo1->OnKeyDown = [&](TComponent*, WORD& key, TShiftState) { memoKeys.push_back(key); };
  Focus(form->Memo1);
  HWND memo = form->Memo1->Handle();
  {
    HeldKeys ctrl{VK_CONTROL};
    Platform::PostMessage(memo, WM_KEYDOWN, 'Q', 0);
    PumpUntil([&] { return !form->clicked.empty(); });
  }
  EXPECT_EQ(form->clicked, std::vector<std::string>{"ExitItem"});
  // The form's key preview still comes first; the memo never saw the key.
  EXPECT_EQ(form->previewed, std::vector<WORD>{'Q'});
  EXPECT_TRUE(memoKeys.empty());

  // Without Ctrl, or with the item disabled, the key is the memo's.
  Platform::PostMessage(memo, WM_KEYDOWN, 'Q', 0);
  PumpUntil([&] { return memoKeys.size() == 1; });
  form->ExitItem->SetEnabled(false);
  {
    HeldKeys ctrl{VK_CONTROL};
    Platform::PostMessage(memo, WM_KEYDOWN, 'Q', 0);
    PumpUntil([&] { return memoKeys.size() == 2; });
  }
  EXPECT_EQ(memoKeys, (std::vector<WORD>{'Q', 'Q'}));
  EXPECT_EQ(form->clicked.size(), 1u);

  // A key the preview swallows reaches neither the menu nor the memo.
  form->ExitItem->SetEnabled(true);
  form->swallow = 'Q';
  {
    HeldKeys ctrl{VK_CONTROL};
    Platform::PostMessage(memo, WM_KEYDOWN, 'Q', 0);
    PumpUntil([&] { return form->previewed.size() == 4; });
  }
  EXPECT_EQ(form->clicked.size(), 1u);
  EXPECT_EQ(memoKeys.size(), 2u);

  // Another main menu the form owns has its shortcuts too.
  auto* other = new TMainMenu(form.get());
  auto* item = new TMenuItem(form.get());
  other->Items().Add(item);
  item->SetShortCut(scCtrl | scShift | 'W');
  int otherClicks = 0;
  item->OnClick = [&](TComponent*) { ++otherClicks; };
  {
    HeldKeys ctrlShift{VK_CONTROL, VK_SHIFT};
    Platform::PostMessage(memo, WM_KEYDOWN, 'W', 0);
    PumpUntil([&] { return otherClicks == 1; });
  }
  EXPECT_EQ(otherClicks, 1);
  EXPECT_EQ(memoKeys.size(), 2u);
}

TEST_F(Input, AltAndALabelsAcceleratorFocusesItsControlAndAButtonsClicksIt) {
  auto form = ShownForm();
  int innerClicks = 0;
  form->InnerButton->OnClick = [&](TComponent*) { ++innerClicks; };
  Focus(form->CancelButton);
  // What the system posts for Alt+N to the focused window.
  Platform::PostMessage(form->CancelButton->Handle(), WM_SYSCHAR, 'n', 0);
  PumpUntil([&] { return Screen().ActiveControl() == form->Memo1; });
  EXPECT_EQ(Screen().ActiveControl(), form->Memo1);

  Platform::PostMessage(form->Memo1->Handle(), WM_SYSCHAR, 'I', 0);
  PumpUntil([&] { return innerClicks == 1; });
  EXPECT_EQ(innerClicks, 1);

  // A label that shows "&" as it is has no accelerator.
  form->NameLabel->SetShowAccelChar(false);
  Focus(form->CancelButton);
  EXPECT_FALSE(form->DialogChar(u'n'));
  EXPECT_EQ(Screen().ActiveControl(), form->CancelButton);
}

TEST_F(Input, ALabelUnderlinesTheLetterAfterAnAmpersandAndShowsTwoAsOne) {
  TKivForm form(nullptr);
  auto label = [&](const std::u16string& caption, bool accel) {
    auto* l = new TKivLabel(&form);
    l->SetParent(&form);
    l->SetShowAccelChar(accel);
    l->SetCaption(caption);
    return l->Width();
  };
  // The ampersand takes no room: it becomes the underline of the next letter.
  EXPECT_EQ(label(u"&Name:", true), label(u"Name:", true));
  EXPECT_GT(label(u"&Name:", false), label(u"Name:", false));
  EXPECT_EQ(label(u"Fish && Chips", true), label(u"Fish & Chips", false));
}

// Every mouse event of a control, as text.
struct MouseLog {
  std::vector<std::string> lines;
  void Watch(TControl& c) {
    const std::string name = c.Name();
    auto button = [](TMouseButton b) {
      return b == TMouseButton::mbLeft ? "left" : b == TMouseButton::mbRight ? "right" : "middle";
    };
    c.OnMouseDown = [this, name, button](TComponent*, TMouseButton b, TShiftState s, int x, int y) {
      lines.push_back(
          Format("%s down %s %d,%d%s", name, button(b), x, y, (s & ssDouble) ? " double" : ""));
    };
    c.OnMouseUp = [this, name, button](TComponent*, TMouseButton b, TShiftState, int x, int y) {
      lines.push_back(Format("%s up %s %d,%d", name, button(b), x, y));
    };
    c.OnMouseMove = [this, name](TComponent*, TShiftState, int x, int y) {
      lines.push_back(Format("%s move %d,%d", name, x, y));
    };
    c.OnClick = [this, name](TComponent*) { lines.push_back(name + " click"); };
    c.OnDblClick = [this, name](TComponent*) { lines.push_back(name + " double-click"); };
  }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }
};

TEST_F(Input, ControlsWithoutAWindowGetTheMouseFromTheirParentsWindow) {
  auto form = ShownForm();
  HWND h = form->WindowHandle();
  MouseLog log;
  log.Watch(*form->NameLabel);  // at 8,40, 60 x 13
  log.Watch(*form->Bevel1);     // at 0,190, across the form
  log.Watch(*form);
  auto send = [&](UINT msg, WPARAM keys, int x, int y) {
    Platform::SendMessage(h, msg, keys, At(x, y));
  };

  send(WM_MOUSEMOVE, 0, 18, 45);
  send(WM_LBUTTONDOWN, MK_LBUTTON, 18, 45);
  EXPECT_EQ(GetCapture(), h);
  send(WM_LBUTTONUP, 0, 18, 45);
  EXPECT_EQ(GetCapture(), nullptr);
  send(WM_LBUTTONDBLCLK, MK_LBUTTON, 18, 45);
  send(WM_LBUTTONUP, 0, 18, 45);
  send(WM_RBUTTONDOWN, MK_RBUTTON, 20, 41);
  send(WM_RBUTTONUP, 0, 20, 41);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{
                            "NameLabel move 10,5",
                            "NameLabel down left 10,5",
                            "NameLabel up left 10,5",
                            "NameLabel click",
                            "NameLabel double-click",
                            "NameLabel down left 10,5 double",
                            "NameLabel up left 10,5",
                            "NameLabel down right 12,1",
                            "NameLabel up right 12,1",
                        }));

  // The control that got the button keeps the mouse until it comes up; released
  // outside, it is no click.
  send(WM_LBUTTONDOWN, MK_LBUTTON, 18, 45);
  send(WM_MOUSEMOVE, MK_LBUTTON, 200, 100);
  send(WM_LBUTTONUP, 0, 200, 100);
  send(WM_MOUSEMOVE, 0, 200, 100);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{
                            "NameLabel down left 10,5",
                            "NameLabel move 192,60",
                            "NameLabel up left 192,60",
                            "TestAllForm move 200,100",
                        }));

  // And the parent that got the button keeps it over its controls.
  send(WM_LBUTTONDOWN, MK_LBUTTON, 200, 100);
  send(WM_MOUSEMOVE, MK_LBUTTON, 18, 45);
  send(WM_LBUTTONUP, 0, 18, 45);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{
                            "TestAllForm down left 200,100",
                            "TestAllForm move 18,45",
                            "TestAllForm up left 18,45",
                            "TestAllForm click",
                        }));

  send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 191);
  send(WM_LBUTTONUP, 0, 30, 191);
  // A disabled control lets its parent have the click.
  form->NameLabel->SetEnabled(false);
  send(WM_LBUTTONDOWN, MK_LBUTTON, 18, 45);
  send(WM_LBUTTONUP, 0, 18, 45);
  EXPECT_EQ(log.Take(), (std::vector<std::string>{
                            "Bevel1 down left 30,1",
                            "Bevel1 up left 30,1",
                            "Bevel1 click",
                            "TestAllForm down left 18,45",
                            "TestAllForm up left 18,45",
                            "TestAllForm click",
                        }));
}

TEST_F(Input, ClicksOfWindowedControlsCountOnce) {
  auto form = ShownForm();
  int panelClicks = 0;
  form->Panel1->OnClick = [&](TComponent*) { ++panelClicks; };
  HWND panel = form->Panel1->Handle();
  Platform::PostMessage(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  Platform::PostMessage(panel, WM_LBUTTONUP, 0, At(5, 5));
  PumpUntil([&] { return panelClicks == 1; });
  EXPECT_EQ(panelClicks, 1);
  // A push button's click comes from its own notification, not a second time from
  // the mouse.
  HWND ok = form->OkButton->Handle();
  Platform::PostMessage(ok, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  Platform::PostMessage(ok, WM_LBUTTONUP, 0, At(5, 5));
  PumpUntil([&] { return !form->clicked.empty(); });
  Application().ProcessMessages();
  EXPECT_EQ(form->clicked, std::vector<std::string>{"OkButton"});
}

// Counts the CM_MENUCHANGED messages it gets.
class TMenuWatchForm : public TTestAllForm {
 public:
  using TTestAllForm::TTestAllForm;
  int menuChanges = 0;

 protected:
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == CM_MENUCHANGED) ++menuChanges;
    return TTestAllForm::ControlWndProc(msg, wp, lp);
  }
};

TEST_F(Input, AChangedMenuItemReachesTheMenuBarThroughTheFormsMessage) {
  std::unique_ptr<TMenuWatchForm> form(TForm::Create<TMenuWatchForm>(nullptr));
  form->Show();
  int before = form->menuChanges;
  form->ExitItem->SetCaption(u"&Quit");
  EXPECT_EQ(form->menuChanges, before + 1);
  HMENU file = GetSubMenu(GetMenu(form->WindowHandle()), 0);
  wchar_t text[64] = {};
  GetMenuStringW(file, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&Quit\tCtrl+Q");
}

}  // namespace

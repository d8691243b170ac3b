// The LX form base and flash messages on real windows: task-bar buttons, the hidden
// main form, clicks on blocked forms, MDI docking, progress notices.
#include <gtest/gtest.h>

#include <memory>

#include "Gui/Application.h"
#include "Gui/DeviceContext.h"
#include "Gui/KivMemo.h"
#include "Gui/Menus.h"
#include "Gui/PlatformGui.h"
#include "Gui/Screen.h"
#include "Gui/Timer.h"
#include "KivLX/KivLXFlashMsg.h"
#include "KivLX/KivLXForms.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/Platform.h"
#include "WinTestSupport.h"

namespace {

class LXForms : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().Initialize();
    InitializeKivLXUtils();
  }
  void TearDown() override {
    Application().CancelTerminate();
    SetBlockedClickBeep(nullptr);
    SetBlockedClickFlash(nullptr);
    FinalizeKivLXUtils();
  }
};

// The application's main form for the length of a test.
struct MainFormLX {
  TKivFormLX* form = nullptr;
  MainFormLX() { Application().CreateForm(form); }
  ~MainFormLX() { delete form; }
  TKivFormLX* operator->() const { return form; }
};

std::string Refusal(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "no error";
}

TEST_F(LXForms, AMainFormWithItsOwnButtonHidesTheApplicationsButton) {
  MainFormLX main;
  ShowWindow(Application().Handle(), SW_SHOW);
  main->SetTaskBarButton(true);
  main->Show();
  EXPECT_FALSE(IsWindowVisible(Application().Handle()));
  HWND h = main->WindowHandle();
  EXPECT_TRUE(Platform::GetWindowLongPtr(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
  main->SetTaskBarButton(false);
  EXPECT_TRUE(IsWindowVisible(Application().Handle()));
  EXPECT_EQ(GetWindow(main->WindowHandle(), GW_OWNER), Application().Handle());
  EXPECT_EQ(TaskBarFormCount(), 0);
}

TEST_F(LXForms, TheMainFormHidesWhileAnotherFormHasAButtonAndClosesWhenItGoes) {
  MainFormLX main;
  main->SetTaskBarButton(true);
  main->Show();
  auto other = std::make_unique<TKivFormLX>(nullptr);
  other->SetTaskBarButton(true);
  other->Show();
  EXPECT_EQ(TaskBarFormCount(), 2);
  main->Close();
  EXPECT_TRUE(MainFormHidden());
  EXPECT_FALSE(main->Visible());
  EXPECT_FALSE(Application().Terminated());
  // The other form leaves the list: the hidden main form closes for real.
  other.reset();
  EXPECT_TRUE(Application().Terminated());
}

TEST_F(LXForms, FormStyleAndButtonRulesRefuseWithTheirTexts) {
  TKivFormLX form(nullptr);
  form.SetTaskBarButton(true);
  EXPECT_EQ(Refusal([&] { form.SetFormStyle(TFormStyle::fsMDIChild); }),
            "EKivInternalError: Internal Error: An MDI child form can not have a taskbar button.");
  EXPECT_EQ(form.FormStyle(), TFormStyle::fsNormal);
  form.SetTaskBarButton(false);

  TKivFormLX owner(nullptr);
  TKivFormLX owned(nullptr);
  owned.SetContainer(&owner, false);
  EXPECT_EQ(Refusal([&] { owned.SetFormStyle(TFormStyle::fsMDIForm); }),
            "EKivInternalError: Internal Error: An owned form can not be a main or MDI form.");
  EXPECT_EQ(Refusal([&] { owned.SetTaskBarButton(true); }),
            "EKivGeneralError: A MDI child or a contained form can not have its own task bar "
            "button.");
  EXPECT_FALSE(owned.TaskBarButton());
  EXPECT_EQ(Refusal([&] { owned.MDIChild_UpdateMdiDockState(true); }),
            "EKivInternalError: Internal Error: MDIChild_UpdateMdiDockState can only be called "
            "from MDI child forms.");
  // An owned form's window belongs to its container's.
  EXPECT_EQ(GetWindow(owned.Handle(), GW_OWNER), owner.Handle());
}

// A dialog that, once shown modally, runs `probe` and ends.
class TProbingDialog : public TKivFormLX {
 public:
  TProbingDialog(TComponent* owner, std::function<void()> probe)
      : TKivFormLX(owner), probe_(std::move(probe)) {
    timer_ = new TTimer(this);
    timer_->SetInterval(30);
    timer_->OnTimer = [this](TComponent*) {
      timer_->SetEnabled(false);
      probe_();
      SetModalResult(mrOk);
    };
  }

 private:
  std::function<void()> probe_;
  TTimer* timer_;
};

// What a click on a blocked form did.
struct BlockedClick {
  bool enabledWhenClicked = true;
  HWND activeAfterClick = nullptr;
};

// Clicks on `blocked` with the application active or not, as the system tells it.
BlockedClick ClickOn(TKivFormLX& blocked, bool applicationActive) {
  BlockedClick click;
  HWND b = blocked.WindowHandle();
  Platform::SendMessage(Application().Handle(), WM_ACTIVATEAPP, applicationActive, 0);
  click.enabledWhenClicked = IsWindowEnabled(b) != 0;
  Platform::SendMessage(b, WM_SETCURSOR, reinterpret_cast<WPARAM>(b),
                        MAKELPARAM(HTERROR, WM_LBUTTONDOWN));
  click.activeAfterClick = GetActiveWindow();
  return click;
}

TEST_F(LXForms, AClickOnABlockedFormBringsItsDialogForwardAndBeepsOnlyForItsOwn) {
  MainFormLX main;
  main->SetTaskBarButton(true);
  main->Show();
  int beeps = 0;
  SetBlockedClickBeep([&] { ++beeps; });
  std::vector<FLASHWINFO> flashes;
  SetBlockedClickFlash([&](const FLASHWINFO& f) { flashes.push_back(f); });

  // A dialog of the application's: activated and flashed, no beep.
  BlockedClick click;
  TProbingDialog appDialog(nullptr, [&] { click = ClickOn(*main.form, true); });
  EXPECT_EQ(appDialog.ShowModal(), mrOk);
  EXPECT_FALSE(click.enabledWhenClicked);
  EXPECT_EQ(click.activeAfterClick, appDialog.WindowHandle());
  EXPECT_EQ(beeps, 0);
  ASSERT_EQ(flashes.size(), 1u);
  // The caption flashes three times, 70 ms apart (a 20-byte structure on 32 bits).
  EXPECT_EQ(flashes[0].cbSize, sizeof(FLASHWINFO));
  EXPECT_EQ(flashes[0].hwnd, appDialog.WindowHandle());
  EXPECT_EQ(flashes[0].dwFlags, static_cast<DWORD>(FLASHW_CAPTION));
  EXPECT_EQ(flashes[0].uCount, 3u);
  EXPECT_EQ(flashes[0].dwTimeout, 70u);

  // The form's own dialog: the same, with the beep.
  TProbingDialog ownDialog(nullptr, [&] { click = ClickOn(*main.form, true); });
  ownDialog.SetContainer(main.form, false);
  EXPECT_EQ(ownDialog.ShowModal(), mrOk);
  EXPECT_EQ(click.activeAfterClick, ownDialog.WindowHandle());
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(flashes.size(), 2u);
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));

  // While another application is active the dialog comes forward without either.
  TProbingDialog quietDialog(nullptr, [&] { click = ClickOn(*main.form, false); });
  quietDialog.SetContainer(main.form, false);
  EXPECT_EQ(quietDialog.ShowModal(), mrOk);
  EXPECT_EQ(click.activeAfterClick, quietDialog.WindowHandle());
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(flashes.size(), 2u);
}

// True when `upper` lies above `lower` among the top-level windows.
bool Above(HWND upper, HWND lower) {
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == upper) return true;
    if (w == lower) return false;
  }
  return false;
}

TEST_F(LXForms, ActivatingABlockedFormRaisesItAndActivatesItsDialog) {
  MainFormLX main;
  main->SetTaskBarButton(true);
  main->Show();
  TKivFormLX other(nullptr);
  other.Show();
  ASSERT_TRUE(Above(other.WindowHandle(), main->WindowHandle()));
  int waitingAfterActivation = -1;
  bool raised = false;
  HWND activeAfterRaise = nullptr;
  HWND activeAfterActivate = nullptr;
  TProbingDialog probe(nullptr, [&] {
    HWND h = main->WindowHandle();
    // The application comes back: the blocked form waits to be raised...
    Platform::SendMessage(h, WM_ACTIVATEAPP, TRUE, 0);
    waitingAfterActivation = BringToFrontCount();
    // ...which the posted message does, then its dialog is the active window.
    PumpUntil([] { return BringToFrontCount() == 0; });
    raised = Above(h, other.WindowHandle());
    activeAfterRaise = GetActiveWindow();
    // The blocked form itself activated (another window was active) hands the
    // activation on to the dialog.
    HWND elsewhere = Platform::CreateWindowEx(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 10,
                                              10, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(elsewhere);
    Platform::SendMessage(h, WM_ACTIVATE, WA_ACTIVE, 0);
    activeAfterActivate = GetActiveWindow();
    DestroyWindow(elsewhere);
  });
  EXPECT_EQ(probe.ShowModal(), mrOk);
  EXPECT_EQ(waitingAfterActivation, 1);
  EXPECT_TRUE(raised);
  EXPECT_EQ(activeAfterRaise, probe.WindowHandle());
  EXPECT_EQ(activeAfterActivate, probe.WindowHandle());
  EXPECT_FALSE(IsWindowVisible(Application().Handle()));
}

TEST_F(LXForms, TheMainFormWithItsOwnButtonMinimizesItselfOnly) {
  MainFormLX main;
  main->SetTaskBarButton(true);
  main->Show();
  // The low four bits of the command are the system's own and do not matter.
  Platform::SendMessage(main->WindowHandle(), WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);
  EXPECT_TRUE(IsIconic(main->WindowHandle()));
  EXPECT_FALSE(IsIconic(Application().Handle()));
  EXPECT_FALSE(IsWindowVisible(Application().Handle()));
  ShowWindow(main->WindowHandle(), SW_RESTORE);
}

TEST_F(LXForms, TheMainMdiFormIsHiddenByTheExitProcedure) {
  // A fresh unit: the exit procedure is registered the first time the main form shows.
  FinalizeKivLXForms();
  InitializeKivLXForms();
  MainFormLX main;
  main->SetFormStyle(TFormStyle::fsMDIForm);
  main->Show();
  Application().Terminate();
  Application().Run();
  EXPECT_FALSE(main->Visible());
}

TEST_F(LXForms, AMenuChangeIsAdjustedOnceAndReachesTheBar) {
  MainFormLX main;
  auto* menu = new TMainMenu(main.form);
  auto* item = new TMenuItem(main.form);
  menu->Items().Add(item);
  item->SetCaption(u"First");
  main->SetMenu(menu);
  main->Show();
  HMENU bar = GetMenu(main->WindowHandle());
  ASSERT_EQ(bar, menu->Handle());
  // The form adjusts the changed menu, which sets off no change of its own.
  item->SetCaption(u"Second");
  HMENU shown = GetMenu(main->WindowHandle());
  EXPECT_EQ(shown, menu->Handle());
  wchar_t text[32] = {};
  GetMenuStringW(shown, 0, text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Second");
}

TEST_F(LXForms, AnMdiChildsKeysReachItsOwnAndItsFramesMenuShortcuts) {
  MainFormLX main;
  main->SetFormStyle(TFormStyle::fsMDIForm);
  auto shortcutItem = [](TKivFormLX& form, TShortCut shortCut, int& clicks) {
    auto* menu = new TMainMenu(&form);
    auto* item = new TMenuItem(&form);
    menu->Items().Add(item);
    item->SetShortCut(shortCut);
    item->OnClick = [&clicks](TComponent*) { ++clicks; };
    form.SetMenu(menu);
  };
  int frameClicks = 0;
  int childClicks = 0;
  shortcutItem(*main.form, scCtrl | 'N', frameClicks);
  main->Show();
  auto* child = new TKivFormLX(main.form);
  shortcutItem(*child, scCtrl | 'W', childClicks);
  auto* memo = new TKivMemo(child);
  memo->SetParent(child);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  HWND m = memo->Handle();
  HeldKeys ctrl{VK_CONTROL};
  Platform::PostMessage(m, WM_KEYDOWN, 'W', 0);
  Platform::PostMessage(m, WM_KEYDOWN, 'N', 0);
  PumpUntil([&] { return frameClicks == 1; });
  EXPECT_EQ(childClicks, 1);
  EXPECT_EQ(frameClicks, 1);
}

// An MDI frame or child with its own control bar, tool bar and status bar.
void GiveBars(TKivFormLX& form, int panels) {
  auto* controlBar = new TKivControlBar(&form);
  controlBar->SetName("ControlBar");
  controlBar->SetParent(&form);
  controlBar->SetAlign(TAlign::alTop);
  controlBar->SetHeight(28);
  auto* toolBar = new TKivToolBar(&form);
  toolBar->SetName("ToolBar");
  toolBar->SetParent(controlBar);
  toolBar->SetAlign(TAlign::alNone);
  toolBar->SetBounds(0, 2, 80, 22);
  auto* statusBar = new TKivStatusBar(&form);
  statusBar->SetName("StatusBar");
  statusBar->SetParent(&form);
  for (int i = 0; i < panels; ++i) statusBar->Panels().Add().SetWidth(60 + 10 * i);
  form.SetMDIControlBar(controlBar);
  form.SetMDIToolBar(toolBar);
  form.SetMDIStatusBar(statusBar);
}

TEST_F(LXForms, AMaximizedChildsBarsMoveIntoTheMainFormsAndBackWithTheirBounds) {
  MainFormLX main;
  main->SetFormStyle(TFormStyle::fsMDIForm);
  main->SetClientSize(640, 400);
  GiveBars(*main.form, 2);
  main->Show();
  TKivStatusBar& mainBar = *main->MDIStatusBar();
  int mainFirst = mainBar.Panels().Items(0).Width();

  auto* child1 = new TKivFormLX(main.form);
  GiveBars(*child1, 3);
  child1->SetFormStyle(TFormStyle::fsMDIChild);
  auto* child2 = new TKivFormLX(main.form);
  GiveBars(*child2, 1);
  child2->SetFormStyle(TFormStyle::fsMDIChild);
  PumpUntil([&] { return main->ActiveMDIChild() == child2; });
  TKivStatusBar& bar1 = *child1->MDIStatusBar();
  RECT bounds1 = bar1.BoundsRect();
  EXPECT_TRUE(bar1.SizeGrip());

  Platform::SendMessage(main->ClientHandle(), WM_MDIACTIVATE,
                        reinterpret_cast<WPARAM>(child1->WindowHandle()), 0);
  Platform::SendMessage(main->ClientHandle(), WM_MDIMAXIMIZE,
                        reinterpret_cast<WPARAM>(child1->WindowHandle()), 0);
  PumpUntil([&] { return child1->MdiDocked(); });
  ASSERT_TRUE(child1->MdiDocked());
  // The tool bar sits in the main control bar, after the main tool bar, not over it.
  EXPECT_EQ(child1->MDIToolBar()->Parent(), main->MDIControlBar());
  EXPECT_GE(child1->MDIToolBar()->Left(), main->MDIToolBar()->Left() + main->MDIToolBar()->Width());
  // The status bar sits inside the main one, right of its first panel.
  int total1 = 60 + 70 + 80;
  EXPECT_EQ(bar1.Parent(), &mainBar);
  EXPECT_EQ(main->DockedStatusBar(), &bar1);
  EXPECT_EQ(bar1.Left(), mainFirst + 2);
  EXPECT_EQ(bar1.Top(), 0);
  EXPECT_EQ(bar1.Width(), total1 - 2);
  EXPECT_EQ(bar1.Height(), mainBar.Height());
  EXPECT_FALSE(bar1.SizeGrip());
  EXPECT_EQ(bar1.Align(), TAlign::alNone);
  // The main bar's panel edges make room for it.
  int edges[4] = {};
  int parts = static_cast<int>(Platform::SendMessage(mainBar.WindowHandle(), SB_GETPARTS, 4,
                                                     reinterpret_cast<LPARAM>(edges)));
  ASSERT_EQ(parts, 2);
  EXPECT_EQ(edges[0], mainFirst + total1);
  // The child's control bar, left empty, is out of the way while its tool bar is away.
  EXPECT_FALSE(child1->MDIControlBar()->Visible());
  // The main bar draws the docked bar's edges after painting itself: a white line
  // left of it, a grey one right of it.
  HWND mb = mainBar.WindowHandle();
  RedrawWindow(mb, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  WindowDC dc = WindowDC::Client(mb);
  COLORREF left = GetPixel(dc.get(), mainFirst - 1, 5);
  COLORREF right = GetPixel(dc.get(), mainFirst + total1 + 2, 5);
  EXPECT_EQ(left, RGB(255, 255, 255));
  EXPECT_EQ(right, RGB(128, 128, 128));

  // The same value again changes nothing.
  child1->MDIChild_UpdateMdiDockState(true);
  EXPECT_EQ(bar1.Parent(), &mainBar);
  EXPECT_EQ(main->DockedStatusBar(), &bar1);

  // Switching to the other child (still maximized) moves the bars over.
  Platform::SendMessage(main->ClientHandle(), WM_MDIACTIVATE,
                        reinterpret_cast<WPARAM>(child2->WindowHandle()), 0);
  PumpUntil([&] { return child2->MdiDocked(); });
  EXPECT_FALSE(child1->MdiDocked());
  EXPECT_EQ(bar1.Parent(), child1);
  EXPECT_EQ(child1->MDIToolBar()->Parent(), child1->MDIControlBar());
  EXPECT_TRUE(child1->MDIControlBar()->Visible());
  EXPECT_EQ(child2->MDIStatusBar()->Parent(), &mainBar);

  // Restoring moves them back with bounds, alignment and size grip.
  Platform::SendMessage(main->ClientHandle(), WM_MDIRESTORE,
                        reinterpret_cast<WPARAM>(child2->WindowHandle()), 0);
  PumpUntil([&] { return !child2->MdiDocked(); });
  EXPECT_FALSE(child2->MdiDocked());
  EXPECT_EQ(main->DockedStatusBar(), nullptr);
  EXPECT_EQ(bar1.Align(), TAlign::alBottom);
  EXPECT_EQ(bar1.BoundsRect().top, bounds1.top);
  EXPECT_EQ(bar1.Width(), bounds1.right - bounds1.left);
  EXPECT_TRUE(bar1.SizeGrip());
  EXPECT_TRUE(child2->MDIStatusBar()->SizeGrip());
  parts = static_cast<int>(Platform::SendMessage(mainBar.WindowHandle(), SB_GETPARTS, 4,
                                                 reinterpret_cast<LPARAM>(edges)));
  EXPECT_EQ(edges[0], mainFirst);
  EXPECT_EQ(MdiUpdateLevel(), 0);
}

// An MDI child that notes each WM_SIZE it gets and whether its bars were docked then.
class TSizeLoggingChild : public TKivFormLX {
 public:
  using TKivFormLX::TKivFormLX;
  std::vector<std::pair<WPARAM, bool>> sizes;

 protected:
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    LRESULT r = TKivFormLX::ControlWndProc(msg, wp, lp);
    if (msg == WM_SIZE) sizes.emplace_back(wp, MdiDocked());
    return r;
  }
};

TEST_F(LXForms, AFrameMenuSwitchLeavesAMaximizedChildsBarsDocked) {
  MainFormLX main;
  main->SetFormStyle(TFormStyle::fsMDIForm);
  GiveBars(*main.form, 2);
  main->Show();
  auto* child = new TSizeLoggingChild(main.form);
  GiveBars(*child, 1);
  child->SetFormStyle(TFormStyle::fsMDIChild);
  Platform::SendMessage(main->ClientHandle(), WM_MDIMAXIMIZE,
                        reinterpret_cast<WPARAM>(child->WindowHandle()), 0);
  PumpUntil([&] { return child->MdiDocked(); });
  ASSERT_TRUE(child->MdiDocked());
  child->sizes.clear();
  // The frame's menu changes: the child seems restored meanwhile, and maximized again.
  Platform::SendMessage(main->ClientHandle(), WM_MDISETMENU, 0, 0);
  EXPECT_EQ(child->sizes,
            (std::vector<std::pair<WPARAM, bool>>{{SIZE_RESTORED, true}, {SIZE_MAXIMIZED, true}}));
  EXPECT_EQ(child->MDIToolBar()->Parent(), main->MDIControlBar());
  EXPECT_EQ(MdiUpdateLevel(), 0);
}

// Whether this program is drawn with visual themes, asked of the theme library.
bool ThemesActive() {
  HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
  if (!uxtheme) return false;
  auto active = Platform::ModuleFunction<BOOL(WINAPI*)()>(uxtheme, "IsThemeActive");
  auto themed = Platform::ModuleFunction<BOOL(WINAPI*)()>(uxtheme, "IsAppThemed");
  bool on = active && active() && (!themed || themed());
  FreeLibrary(uxtheme);
  return on;
}

TEST_F(LXForms, TheMdiControlBarTakesTheMenuBarsColourAgainWhenTheThemeChanges) {
  MainFormLX main;
  GiveBars(*main.form, 1);
  TColor expected = ThemesActive() ? clMenuBar : clMenu;
  EXPECT_EQ(main->MDIControlBar()->Color(), expected);
  main->Show();
  main->MDIControlBar()->SetColor(clRed);
  Platform::SendMessage(main->WindowHandle(), WM_THEMECHANGED, 0, 0);
  EXPECT_EQ(main->MDIControlBar()->Color(), expected);
}

TEST_F(LXForms, AFlashMessageGrowsForALongerTextAndNeverShrinks) {
  std::unique_ptr<TKivFlashForm> flash(ShowFlashMessage(u"Short"));
  HWND h = flash->WindowHandle();
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ(Platform::GetWindowText(h), u"Short");
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.bottom, 0);
  int designWidth = flash->Width();
  flash->SetMessage(u"A much longer message that does not fit the window of the design width");
  int wide = flash->Width();
  EXPECT_GT(wide, designWidth);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right - r.left, wide);
  flash->SetMessage(u"Short again");
  EXPECT_EQ(flash->Width(), wide);
  EXPECT_EQ(Platform::GetWindowText(h), u"Short again");
}

TEST_F(LXForms, NestedFlashMessagesRestoreTheCursorsInReverseOrder) {
  Screen().SetCursor(crIBeam);
  auto* outer = ShowFlashMessage(u"Outer");
  EXPECT_EQ(Screen().Cursor(), crHourGlass);
  Screen().SetCursor(crCross);  // someone changes it meanwhile
  auto* inner = ShowFlashMessage(u"");
  EXPECT_EQ(Screen().Cursor(), crHourGlass);
  EXPECT_EQ(ScreenCursorDepth(), 2);
  delete inner;
  EXPECT_EQ(Screen().Cursor(), crCross);
  delete outer;
  EXPECT_EQ(Screen().Cursor(), crIBeam);
  EXPECT_EQ(ScreenCursorDepth(), 0);
  PopScreenCursor();  // an empty stack gives the default cursor
  EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST_F(LXForms, AnEmptyMessageKeepsTheDesignWidth) {
  std::unique_ptr<TKivFlashForm> flash(ShowFlashMessage(u""));
  EXPECT_EQ(Platform::GetWindowText(flash->WindowHandle()), u"");
  RECT client;
  GetClientRect(flash->WindowHandle(), &client);
  EXPECT_EQ(client.right, 216);
}

TEST(ScreenCursors, TheStackExistsOnlyWhileItsUnitLives) {
  FinalizeKivLXUtils();
  EXPECT_EQ(Refusal([] { PushScreenCursor(crHourGlass); }),
            "EKivInternalError: Internal Error: ScreenCursorStack not assigned.");
}

}  // namespace

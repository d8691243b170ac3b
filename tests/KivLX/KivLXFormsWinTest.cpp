// The LX form base and flash messages on real windows: task-bar buttons, the hidden
// main form, clicks on blocked forms, MDI docking, progress notices.
#include <gtest/gtest.h>

#include <memory>

#include "Gui/Application.h"
#include "Gui/Screen.h"
#include "Gui/Timer.h"
#include "KivLX/KivLXFlashMsg.h"
#include "KivLX/KivLXForms.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/PlatformGui.h"
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

// A dialog that, once shown modally, clicks on `blocked` and ends.
class TClickingDialog : public TKivFormLX {
 public:
  TClickingDialog(TComponent* owner, TKivFormLX& blocked) : TKivFormLX(owner), blocked_(blocked) {
    timer_ = new TTimer(this);
    timer_->SetInterval(30);
    timer_->OnTimer = [this](TComponent*) {
      timer_->SetEnabled(false);
      HWND b = blocked_.WindowHandle();
      enabledWhenClicked = IsWindowEnabled(b) != 0;
      Platform::SendMessage(b, WM_SETCURSOR, reinterpret_cast<WPARAM>(b),
                            MAKELPARAM(HTERROR, WM_LBUTTONDOWN));
      activeAfterClick = GetActiveWindow();
      SetModalResult(mrOk);
    };
  }
  bool enabledWhenClicked = true;
  HWND activeAfterClick = nullptr;

 private:
  TKivFormLX& blocked_;
  TTimer* timer_;
};

TEST_F(LXForms, AClickOnABlockedFormBringsItsDialogForwardAndBeepsOnlyForItsOwn) {
  MainFormLX main;
  main->SetTaskBarButton(true);
  main->Show();
  SetForegroundWindow(main->WindowHandle());
  PumpUntil([] { return Application().Active(); });
  int beeps = 0;
  SetBlockedClickBeep([&] { ++beeps; });

  // A dialog of the application's: activated and flashed, no beep.
  TClickingDialog appDialog(nullptr, *main.form);
  EXPECT_EQ(appDialog.ShowModal(), mrOk);
  EXPECT_FALSE(appDialog.enabledWhenClicked);
  EXPECT_EQ(appDialog.activeAfterClick, appDialog.WindowHandle());
  EXPECT_EQ(beeps, 0);

  // The form's own dialog: the same, with the beep.
  TClickingDialog ownDialog(nullptr, *main.form);
  ownDialog.SetContainer(main.form, false);
  EXPECT_EQ(ownDialog.ShowModal(), mrOk);
  EXPECT_EQ(ownDialog.activeAfterClick, ownDialog.WindowHandle());
  EXPECT_EQ(beeps, Application().Active() ? 1 : 0);
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
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

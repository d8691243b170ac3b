#include "KivLX/KivLXForms.h"

#include <algorithm>
#include <vector>

#include "Gui/Application.h"
#include "Gui/DeviceContext.h"
#include "Gui/Menus.h"
#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Platform.h"

namespace {

const TPropInfo kFormLXProps[] = {
    EnumProp<&TForm::FormStyle, &TForm::SetFormStyle>("FormStyle", FormStyleNames(), 0),
    BoolProp<&TKivFormLX::TaskBarButton, &TKivFormLX::SetTaskBarButton>("TaskBarButton", false),
    CompProp<&TForm::MenuComponent, &TForm::SetMenuComponent>("Menu"),
    CompProp<&TKivFormLX::MDIControlBarComponent, &TKivFormLX::SetMDIControlBarComponent>(
        "MDIControlBar"),
    CompProp<&TKivFormLX::MDIToolBarComponent, &TKivFormLX::SetMDIToolBarComponent>("MDIToolBar"),
    CompProp<&TKivFormLX::MDIStatusBarComponent, &TKivFormLX::SetMDIStatusBarComponent>(
        "MDIStatusBar"),
};

// The unit's process-wide state, made by its start-up.
struct UnitState {
  std::vector<TKivFormLX*> taskBarForms;
  std::vector<TKivFormLX*> bringToFront;
  bool mainFormHidden = false;
  UINT bringToFrontMessage = 0;
  BOOL(WINAPI* flashWindowEx)(PFLASHWINFO) = nullptr;
  int mdiUpdateLevel = 0;
  bool windowLocked = false;
  bool exitProcRegistered = false;
  std::function<void()> beep;
  std::function<void(const FLASHWINFO&)> flash;
};
UnitState* state = nullptr;

UnitState& State() {
  // Forms made outside the program's unit table (tests) get the state on first use.
  if (!state) InitializeKivLXForms();
  return *state;
}

TKivFormLX* MainFormLX() { return dynamic_cast<TKivFormLX*>(Application().MainForm()); }

int FirstPanelWidth(TKivStatusBar& bar) {
  if (bar.SimplePanel() || bar.Panels().Count() == 0) return 100;
  return bar.Panels().Items(0).Width();
}

int TotalPanelWidth(TKivStatusBar& bar) {
  if (bar.SimplePanel() || bar.Panels().Count() == 0) return FirstPanelWidth(bar);
  int total = 0;
  for (int i = 0; i < bar.Panels().Count(); ++i) total += bar.Panels().Items(i).Width();
  return total;
}

bool HasVisibleControl(const TWinControl& parent) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    if (parent.Controls(i)->Visible()) return true;
  }
  return false;
}

bool VisualThemes() {
  HMODULE uxtheme = GetModuleHandleA("uxtheme.dll");
  if (!uxtheme) uxtheme = LoadLibraryA("uxtheme.dll");
  if (!uxtheme) return false;
  auto isThemeActive = Platform::ModuleFunction<BOOL(WINAPI*)()>(uxtheme, "IsThemeActive");
  auto isAppThemed = Platform::ModuleFunction<BOOL(WINAPI*)()>(uxtheme, "IsAppThemed");
  return isThemeActive && isThemeActive() && (!isAppThemed || isAppThemed());
}

void RemoveFromTaskBarList(TKivFormLX* form) {
  auto& list = State().taskBarForms;
  list.erase(std::remove(list.begin(), list.end(), form), list.end());
  // The hidden main form closes for real once it is the last form with a button.
  TForm* main = Application().MainForm();
  if (State().mainFormHidden && list.size() == 1 && list[0] == main) main->Close();
}

}  // namespace

const TClassInfo TKivFormLX::kClassInfo{
    "TKivFormLX", &TKivForm::kClassInfo, nullptr, kFormLXProps, {}, {}};

// ---- unit ----

void InitializeKivLXForms() {
  if (state) return;
  state = new UnitState;
  state->bringToFrontMessage = Platform::RegisterWindowMessage(u"Kiv.BringToFront");
  state->flashWindowEx =
      Platform::FindSystemFunction<BOOL(WINAPI*)(PFLASHWINFO)>("user32.dll", "FlashWindowEx");
}

void FinalizeKivLXForms() {
  delete state;
  state = nullptr;
}

int TaskBarFormCount() { return static_cast<int>(State().taskBarForms.size()); }
bool MainFormHidden() { return State().mainFormHidden; }
UINT BringToFrontMessage() { return State().bringToFrontMessage; }
int BringToFrontCount() { return static_cast<int>(State().bringToFront.size()); }
void SetBlockedClickBeep(std::function<void()> beep) { State().beep = std::move(beep); }
void SetBlockedClickFlash(std::function<void(const FLASHWINFO&)> flash) {
  State().flash = std::move(flash);
}
int MdiUpdateLevel() { return State().mdiUpdateLevel; }

void BeginMdiUpdate() {
  UnitState& s = State();
  TForm* main = Application().MainForm();
  if (s.mdiUpdateLevel == 0 && main && main->ClientHandle()) {
    s.windowLocked = LockWindowUpdate(main->WindowHandle()) != 0;
    Platform::SendMessage(main->ClientHandle(), WM_SETREDRAW, FALSE, 0);
  }
  ++s.mdiUpdateLevel;
}

void EndMdiUpdate() {
  UnitState& s = State();
  if (s.mdiUpdateLevel > 0) --s.mdiUpdateLevel;
  if (s.mdiUpdateLevel != 0) return;
  TForm* main = Application().MainForm();
  if (main && main->ClientHandle()) {
    Platform::SendMessage(main->ClientHandle(), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(main->ClientHandle(), nullptr, nullptr,
                 RDW_FRAME | RDW_ALLCHILDREN | RDW_NOINTERNALPAINT | RDW_INVALIDATE);
    main->Repaint();
  }
  if (s.windowLocked) {
    LockWindowUpdate(nullptr);
    s.windowLocked = false;
  }
}

bool IsModalPopupOf(HWND w, HWND o) {
  if (!IsWindow(w) || w == o || GetWindow(w, GW_OWNER) != o || !IsWindowEnabled(w)) return false;
  if (auto* form = dynamic_cast<TForm*>(FindControl(w))) {
    if (form->FormState() & fsModal) return true;
  }
  LONG_PTR style = Platform::GetWindowLongPtr(w, GWL_STYLE);
  LONG_PTR exStyle = Platform::GetWindowLongPtr(w, GWL_EXSTYLE);
  return (style & DS_MODALFRAME) && (exStyle & WS_EX_DLGMODALFRAME);
}

HWND ModalPopupOf(HWND o) {
  HWND popup = GetLastActivePopup(o);
  return IsModalPopupOf(popup, o) ? popup : nullptr;
}

HWND ApplicationModalPopup() { return ModalPopupOf(Application().Handle()); }

// ---- the form ----

TKivFormLX::TKivFormLX(TComponent* owner) : TKivForm(owner) { State(); }

TKivFormLX::~TKivFormLX() {
  bool mdiChild = FormStyle() == TFormStyle::fsMDIChild;
  if (mdiChild) BeginMdiUpdate();
  try {
    Destroying();
    if (taskBarButton_) {
      taskBarButton_ = false;
      RemoveFromTaskBarList(this);
    }
    statusBarHook_.reset();
    clientHook_.reset();
    DestroyHandle();
  } catch (...) {
  }
  if (mdiChild) EndMdiUpdate();
}

void TKivFormLX::SetFormStyle(TFormStyle v) {
  if (v == FormStyle()) return;
  bool mdi = v == TFormStyle::fsMDIChild || v == TFormStyle::fsMDIForm;
  if ((mdi || Application().MainForm() == this) && OwnedOrContained()) {
    throw EKivInternalError("Internal Error: An owned form can not be a main or MDI form.");
  }
  if (v == TFormStyle::fsMDIChild && taskBarButton_) {
    throw EKivInternalError("Internal Error: An MDI child form can not have a taskbar button.");
  }
  TKivForm::SetFormStyle(v);
  UpdateMdiDock(true);
}

void TKivFormLX::SetTaskBarButton(bool on) {
  if (on == taskBarButton_) return;
  if (taskBarButton_) RemoveFromTaskBarList(this);
  if (FormStyle() == TFormStyle::fsMDIChild || OwnedOrContained()) {
    throw EKivGeneralError("A MDI child or a contained form can not have its own task bar button.");
  }
  taskBarButton_ = on;
  if (on) State().taskBarForms.push_back(this);
  if (HasState(csDestroying)) return;
  RecreateWnd();
  if (Application().MainForm() == this) UpdateApplicationButton(on);
}

void TKivFormLX::SetMenu(TMainMenu* menu) {
  AdjustMainMenu(menu);
  TKivForm::SetMenu(menu);
}

void TKivFormLX::SetMDIControlBar(TKivControlBar* bar) {
  mdiControlBar_ = bar;
  if (bar) bar->FreeNotification(this);
  RecolorControlBar();
  UpdateMdiDock(true);
}

void TKivFormLX::SetMDIToolBar(TKivToolBar* bar) {
  mdiToolBar_ = bar;
  if (bar) bar->FreeNotification(this);
  UpdateMdiDock(true);
}

void TKivFormLX::SetMDIStatusBar(TKivStatusBar* bar) {
  mdiStatusBar_ = bar;
  if (bar) bar->FreeNotification(this);
  HookStatusBar();
  UpdateMdiDock(true);
}

namespace {
template <typename T>
T* CastComponent(TComponent* c, const char* what) {
  auto* t = dynamic_cast<T*>(c);
  if (c && !t) throw EInvalidOperation(Format("%s is not a %s", c->Name(), what));
  return t;
}
}  // namespace

void TKivFormLX::SetMDIControlBarComponent(TComponent* c) {
  SetMDIControlBar(CastComponent<TKivControlBar>(c, "control bar"));
}
void TKivFormLX::SetMDIToolBarComponent(TComponent* c) {
  SetMDIToolBar(CastComponent<TKivToolBar>(c, "tool bar"));
}
void TKivFormLX::SetMDIStatusBarComponent(TComponent* c) {
  SetMDIStatusBar(CastComponent<TKivStatusBar>(c, "status bar"));
}

void TKivFormLX::SetContainer(TWinControl* container, bool contained) {
  if (container && (FormStyle() == TFormStyle::fsMDIChild || FormStyle() == TFormStyle::fsMDIForm ||
                    Application().MainForm() == this)) {
    throw EKivInternalError("Internal Error: An owned form can not be a main or MDI form.");
  }
  if (container && taskBarButton_) {
    throw EKivGeneralError("A MDI child or a contained form can not have its own task bar button.");
  }
  container_ = container;
  contained_ = container && contained;
  if (container) container->FreeNotification(this);
  RecreateWnd();
}

void TKivFormLX::Notification(TComponent* component, TOperation operation) {
  TKivForm::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == container_) {
    container_ = nullptr;
    contained_ = false;
    if (!HasState(csDestroying)) RecreateWnd();
  }
  if (component == mdiControlBar_) {
    mdiControlBar_ = nullptr;
    RecolorControlBar();
  }
  if (component == mdiToolBar_) mdiToolBar_ = nullptr;
  if (component == mdiStatusBar_) {
    mdiStatusBar_ = nullptr;
    HookStatusBar();
  }
  if (component == dockedStatusBar_) dockedStatusBar_ = nullptr;
}

// ---- window ----

HWND TKivFormLX::OwnerWindow() {
  // A window without an owner gets a task-bar button of its own.
  if (taskBarButton_) return nullptr;
  if (container_) return container_->Handle();
  return TKivForm::OwnerWindow();
}

void TKivFormLX::CreateParams(TCreateParams& p) {
  TKivForm::CreateParams(p);
  if (contained_) p.style |= WS_CHILD | WS_POPUP;
  if (taskBarButton_) p.exStyle |= WS_EX_APPWINDOW;
}

void TKivFormLX::CreateWindowDone() {
  TKivForm::CreateWindowDone();
  if (contained_ && container_) ::SetParent(WindowHandle(), container_->Handle());
  if (FormStyle() == TFormStyle::fsMDIForm) HookMdiClient();
  HookStatusBar();
}

void TKivFormLX::WindowDestroyed() {
  clientHook_.reset();
  TKivForm::WindowDestroyed();
}

void TKivFormLX::UpdateApplicationButton(bool hide) {
  ShowWindow(Application().Handle(), hide && !HasState(csDesigning) ? SW_HIDE : SW_SHOW);
}

void TKivFormLX::Loaded() {
  TKivForm::Loaded();
  RecolorControlBar();
  HookStatusBar();
  UpdateMdiDock(true);
}

void TKivFormLX::RecolorControlBar() {
  if (!mdiControlBar_ || HasState(csDesigning)) return;
  mdiControlBar_->SetColor(SystemColor(VisualThemes() ? COLOR_MENUBAR : COLOR_MENU));
}

void TKivFormLX::Resize() {
  TKivForm::Resize();
  TKivFormLX* main = MainFormLX();
  if (main && !main->mdiMenuSwitch_) UpdateMdiDock(false);
}

void TKivFormLX::DoClose(TCloseAction& action) {
  if (FormStyle() == TFormStyle::fsMDIChild) action = TCloseAction::caFree;
  TKivForm::DoClose(action);
  if (Application().MainForm() == this && taskBarButton_ && action != TCloseAction::caNone &&
      State().taskBarForms.size() >= 2) {
    action = TCloseAction::caNone;
    State().mainFormHidden = true;
    Hide();
  }
}

// ---- MDI docking ----

void TKivFormLX::UpdateMdiDock(bool locked) {
  if (FormStyle() != TFormStyle::fsMDIChild || HasState(csLoading) || !HandleAllocated()) return;
  TForm* main = Application().MainForm();
  if (!main || main->ActiveMDIChild() != this) return;
  bool maximized = IsZoomed(WindowHandle()) != 0;
  if (locked) {
    BeginMdiUpdate();
    try {
      MDIChild_UpdateMdiDockState(!maximized);
      MDIChild_UpdateMdiDockState(maximized);
    } catch (...) {
      EndMdiUpdate();
      throw;
    }
    EndMdiUpdate();
  } else {
    MDIChild_UpdateMdiDockState(maximized);
  }
}

void TKivFormLX::MDIChild_UpdateMdiDockState(bool docked) {
  if (HasState(csLoading)) return;
  if (FormStyle() != TFormStyle::fsMDIChild) {
    throw EKivInternalError(
        "Internal Error: MDIChild_UpdateMdiDockState can only be called from MDI child forms.");
  }
  TKivFormLX* main = MainFormLX();
  if (docked == docked_ || !main) return;
  BeginMdiUpdate();
  try {
    DockToolBar(*main, docked);
    DockStatusBar(*main, docked);
    docked_ = docked;
  } catch (...) {
    EndMdiUpdate();
    throw;
  }
  EndMdiUpdate();
}

void TKivFormLX::DockToolBar(TKivFormLX& main, bool docked) {
  if (!mdiToolBar_ || !mdiControlBar_ || !main.mdiToolBar_ || !main.mdiControlBar_) return;
  mdiToolBar_->Hide();
  if (docked) {
    mdiToolBar_->SetParent(main.mdiControlBar_);
    mdiToolBar_->SetLeft(main.mdiToolBar_->Left() + 1);
  } else {
    if (controlBarHidden_) mdiControlBar_->Show();
    controlBarHidden_ = false;
    mdiToolBar_->SetParent(mdiControlBar_);
    mdiToolBar_->SetLeft(0);
  }
  mdiControlBar_->SetTop(0);
  mdiToolBar_->Show();
  if (docked && mdiControlBar_->Visible() && !HasVisibleControl(*mdiControlBar_)) {
    // An empty bar would stay behind as a blank strip over the child.
    mdiControlBar_->Hide();
    controlBarHidden_ = true;
  }
}

void TKivFormLX::DockStatusBar(TKivFormLX& main, bool docked) {
  if (!mdiStatusBar_ || !main.mdiStatusBar_) return;
  TKivStatusBar& bar = *mdiStatusBar_;
  TKivStatusBar& mainBar = *main.mdiStatusBar_;
  if (docked) {
    savedBounds_ = bar.BoundsRect();
    savedAlign_ = bar.Align();
    savedSizeGrip_ = bar.SizeGrip();
    bar.SetSizeGrip(false);
    bar.SetAlign(TAlign::alNone);
    bar.SetParent(&mainBar);
    bar.SetBounds(FirstPanelWidth(mainBar) + 2, 0, TotalPanelWidth(bar) - 2, mainBar.Height());
    main.dockedStatusBar_ = &bar;
    bar.FreeNotification(&main);
  } else {
    bar.SetParent(this);
    bar.SetAlign(savedAlign_);
    bar.SetBounds(savedBounds_.left, savedBounds_.top, savedBounds_.right - savedBounds_.left,
                  savedBounds_.bottom - savedBounds_.top);
    bar.SetSizeGrip(savedSizeGrip_);
    main.dockedStatusBar_ = nullptr;
  }
  mainBar.UpdatePanels();
  mainBar.Invalidate();
}

// ---- hooks ----

void TKivFormLX::HookMdiClient() {
  clientHook_.reset();
  if (!ClientHandle()) return;
  clientHook_ = std::make_unique<TWindowHook>(
      ClientHandle(),
      [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        return MdiClientMessage(msg, wp, lp, result);
      },
      this);
}

bool TKivFormLX::MdiClientMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_MDISETMENU) return false;
  TForm* child = ActiveMDIChild();
  if (!child || !IsZoomed(child->WindowHandle())) return false;
  // The frame redraws its menu bar: the maximized child pretends to be restored
  // meanwhile, so its docked bars are not moved about.
  mdiMenuSwitch_ = true;
  RECT r;
  GetClientRect(child->WindowHandle(), &r);
  LPARAM size = MAKELPARAM(r.right, r.bottom);
  Platform::SendMessage(child->WindowHandle(), WM_SIZE, SIZE_RESTORED, size);
  try {
    result = clientHook_->CallPrevious(msg, wp, lp);
  } catch (...) {
    Platform::SendMessage(child->WindowHandle(), WM_SIZE, SIZE_MAXIMIZED, size);
    mdiMenuSwitch_ = false;
    throw;
  }
  Platform::SendMessage(child->WindowHandle(), WM_SIZE, SIZE_MAXIMIZED, size);
  mdiMenuSwitch_ = false;
  RECT strip{0, -1, Width(), 0};
  RedrawWindow(WindowHandle(), &strip, nullptr, RDW_INVALIDATE | RDW_FRAME);
  return true;
}

void TKivFormLX::HookStatusBar() {
  if (hookedStatusBar_ == mdiStatusBar_ && (!mdiStatusBar_ || statusBarHook_)) {
    if (!mdiStatusBar_ ||
        (statusBarHook_->Attached() && statusBarHook_->Window() == mdiStatusBar_->WindowHandle())) {
      return;
    }
  }
  statusBarHook_.reset();
  hookedStatusBar_ = mdiStatusBar_;
  if (!mdiStatusBar_ || !mdiStatusBar_->HandleAllocated()) return;
  statusBarHook_ = std::make_unique<TWindowHook>(
      mdiStatusBar_->WindowHandle(),
      [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        return StatusBarMessage(msg, wp, lp, result);
      },
      this);
}

bool TKivFormLX::StatusBarMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (!dockedStatusBar_ || !mdiStatusBar_) return false;
  int a = TotalPanelWidth(*dockedStatusBar_);
  if (msg == SB_SETPARTS) {
    // Room for the docked bar: every edge moves right by its width.
    std::vector<int> edges(reinterpret_cast<const int*>(lp), reinterpret_cast<const int*>(lp) + wp);
    for (int& e : edges) {
      if (e != -1) e += a;
    }
    result = statusBarHook_->CallPrevious(msg, wp, reinterpret_cast<LPARAM>(edges.data()));
    return true;
  }
  if (msg == WM_PAINT) {
    result = statusBarHook_->CallPrevious(msg, wp, lp);
    PaintDockedEdges();
    return true;
  }
  return false;
}

void TKivFormLX::PaintDockedEdges() {
  TKivStatusBar& main = *mdiStatusBar_;
  HWND h = main.WindowHandle();
  int a = TotalPanelWidth(*dockedStatusBar_);
  int b = FirstPanelWidth(main);
  RECT client;
  GetClientRect(h, &client);
  int height = client.bottom;
  WindowDC dc = WindowDC::Client(h);
  TCanvas canvas(dc.get());
  auto line = [&](TColor color, int x, int y1, int y2) {
    canvas.SetPenColor(color);
    canvas.MoveTo(x, y1);
    canvas.LineTo(x, y2);
  };
  TColor mainColor = main.Color();
  TColor dockedColor = dockedStatusBar_->Color();
  line(mainColor, b - 1, 0, height);
  line(mainColor, b, 0, height);
  line(dockedColor, b + 1, 0, height);
  line(dockedColor, a + b, 0, height);
  line(mainColor, a + b + 1, 0, height);
  line(mainColor, a + b + 2, 0, height - 1);
  line(clWhite, b - 1, 2, height);
  line(clGray, a + b + 2, 2, height - 1);
}

// ---- messages ----

LRESULT TKivFormLX::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  UINT bringToFront = State().bringToFrontMessage;
  if (msg == bringToFront && bringToFront != 0) {
    return BringModalPopupsToFront(reinterpret_cast<HWND>(wp));
  }
  switch (msg) {
    case WM_THEMECHANGED:
      RecolorControlBar();
      break;
    case WM_ACTIVATEAPP:
    case WM_ACTIVATE:
    case WM_SYSCOMMAND:
      return ActivationMessage(msg, wp, lp);
    case CM_VISIBLECHANGED:
    case CM_SHOWINGCHANGED:
      return ApplicationButtonMessage(msg, wp, lp);
    case WM_SETCURSOR:
      return ClickOnBlockedForm(msg, wp, lp);
    case CM_MENUCHANGED:
    case WM_NCPAINT:
    case WM_INITMENUPOPUP:
      return MenuMessage(msg, wp, lp);
    case WM_MDIACTIVATE:
      return MdiActivateMessage(msg, wp, lp);
    default:
      break;
  }
  return TKivForm::ControlWndProc(msg, wp, lp);
}

LRESULT TKivFormLX::BringModalPopupsToFront(HWND popup) {
  UnitState& s = State();
  if (s.bringToFront.empty()) return 0;
  for (auto it = s.bringToFront.rbegin(); it != s.bringToFront.rend(); ++it) {
    (*it)->BringToFrontWindow();
  }
  s.bringToFront.clear();
  SetActiveWindow(popup);
  return 0;
}

LRESULT TKivFormLX::ActivationMessage(UINT msg, WPARAM wp, LPARAM lp) {
  UnitState& s = State();
  bool active = taskBarButton_ && !HasState(csDesigning);
  if (msg == WM_SYSCOMMAND) {
    // The main form minimizes itself, not the whole application.
    if (active && (wp & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
      return DefaultHandler(msg, wp, lp);
    }
    return TKivForm::ControlWndProc(msg, wp, lp);
  }
  LRESULT r = TKivForm::ControlWndProc(msg, wp, lp);
  if (msg == WM_ACTIVATEAPP) {
    HWND popup = ApplicationModalPopup();
    if (active && wp && Visible() && !IsWindowEnabled(WindowHandle()) && popup) {
      s.bringToFront.push_back(this);
      Platform::PostMessage(WindowHandle(), s.bringToFrontMessage, reinterpret_cast<WPARAM>(popup),
                            0);
    }
  } else if (active && LOWORD(wp) == WA_ACTIVE) {
    HWND popup = ApplicationModalPopup();
    if (!IsWindowEnabled(WindowHandle()) && popup) SetActiveWindow(popup);
    UpdateApplicationButton(true);
  }
  return r;
}

LRESULT TKivFormLX::ApplicationButtonMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CM_SHOWINGCHANGED) {
    LRESULT r = TKivForm::ControlWndProc(msg, wp, lp);
    TForm* main = Application().MainForm();
    if (!main || main == this) UpdateApplicationButton(taskBarButton_);
    return r;
  }
  UnitState& s = State();
  if (Application().MainForm() == this) {
    UpdateApplicationButton(taskBarButton_);
    if (Visible() && !s.exitProcRegistered) {
      s.exitProcRegistered = true;
      Application().AddExitProc([] {
        TForm* main = Application().MainForm();
        if (main && main->FormStyle() == TFormStyle::fsMDIForm) main->Hide();
      });
    }
  }
  return TKivForm::ControlWndProc(msg, wp, lp);
}

LRESULT TKivFormLX::ClickOnBlockedForm(UINT msg, WPARAM wp, LPARAM lp) {
  bool appActive = Application().Active();
  LRESULT r = TKivForm::ControlWndProc(msg, wp, lp);
  if (reinterpret_cast<HWND>(wp) == WindowHandle() && HIWORD(lp) == WM_LBUTTONDOWN &&
      !IsWindowEnabled(WindowHandle())) {
    HWND popup = ModalPopupOf(WindowHandle());
    bool beep = popup != nullptr;
    if (!popup) popup = ApplicationModalPopup();
    if (popup) {
      SetActiveWindow(popup);
      if (appActive) SignalBlockedClick(popup, beep);
    }
  }
  return r;
}

void TKivFormLX::SignalBlockedClick(HWND popup, bool beep) {
  UnitState& s = State();
  if (beep) {
    if (s.beep) {
      s.beep();
    } else {
      MessageBeep(0);
    }
  }
  // The structure is 20 bytes on the 32-bit systems; its own size here.
  FLASHWINFO info{sizeof(FLASHWINFO), popup, FLASHW_CAPTION, 3, 70};
  if (s.flash) {
    s.flash(info);
  } else if (s.flashWindowEx) {
    s.flashWindowEx(&info);
  } else {
    FlashWindow(popup, TRUE);
  }
}

LRESULT TKivFormLX::MenuMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CM_MENUCHANGED) {
    AdjustMainMenu(Menu());
  } else if (msg == WM_NCPAINT) {
    // While a maximized child's menu is switched, the frame stays as it is.
    if (MainFormLX() == this && mdiMenuSwitch_) return 0;
  } else if (FormStyle() == TFormStyle::fsMDIForm && WindowMenu() && ClientHandle() &&
             reinterpret_cast<HMENU>(wp) == WindowMenu()->SubMenuHandle()) {
    Platform::SendMessage(ClientHandle(), WM_MDIREFRESHMENU, 0, 0);
  }
  return TKivForm::ControlWndProc(msg, wp, lp);
}

LRESULT TKivFormLX::MdiActivateMessage(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT r = TKivForm::ControlWndProc(msg, wp, lp);
  if (FormStyle() == TFormStyle::fsMDIChild) {
    if (reinterpret_cast<HWND>(lp) == WindowHandle()) {
      WINDOWPLACEMENT wpl{};
      wpl.length = sizeof wpl;
      GetWindowPlacement(WindowHandle(), &wpl);
      MDIChild_UpdateMdiDockState(wpl.showCmd == SW_SHOWMAXIMIZED);
    } else if (reinterpret_cast<HWND>(wp) == WindowHandle()) {
      MDIChild_UpdateMdiDockState(false);
    }
  }
  return r;
}

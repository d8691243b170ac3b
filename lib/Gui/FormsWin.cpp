#include "Gui/Forms.h"

#include <algorithm>

#include "FormFiles/ShortCut.h"
#include "Gui/Application.h"
#include "Gui/Menus.h"
#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"
#include "Gui/Reader.h"
#include "Gui/Screen.h"
#include "Gui/Writer.h"
#include "Rtl/CodePage.h"
#include "Rtl/Lock.h"
#include "Rtl/Platform.h"
#include "Rtl/ResourceString.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/WideText.h"

namespace {

constexpr const char* kBorderIconNameList[] = {"biSystemMenu", "biMinimize", "biMaximize",
                                               "biHelp"};
constexpr TEnumNames kBorderIconNames{kBorderIconNameList};
constexpr const char* kBorderStyleNameList[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                                "bsDialog", "bsToolWindow", "bsSizeToolWin"};
constexpr TEnumNames kBorderStyleNames{kBorderStyleNameList};
constexpr const char* kPositionNameList[] = {
    "poDesigned",     "poDefault",       "poDefaultPosOnly", "poDefaultSizeOnly",
    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
constexpr TEnumNames kPositionNames{kPositionNameList};
constexpr const char* kFormStyleNameList[] = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
constexpr TEnumNames kFormStyleNames{kFormStyleNameList};
constexpr const char* kWindowStateNameList[] = {"wsNormal", "wsMinimized", "wsMaximized"};
constexpr TEnumNames kWindowStateNames{kWindowStateNameList};

bool Never(const TPersistent&) { return false; }
bool WindowSizeStored(const TPersistent& o) { return static_cast<const TForm&>(o).SizedByWindow(); }
bool ClientSizeStored(const TPersistent& o) { return !WindowSizeStored(o); }

const TPropInfo kFormProps[] = {
    CompProp<&TForm::ActiveControlComponent, &TForm::SetActiveControlComponent>("ActiveControl"),
    // A form stores the size it was given: its client size, or (as older tools wrote
    // it) its window size. It has no parent font.
    Stored(IntProp<&TControl::Width, &TControl::SetWidth>("Width"), WindowSizeStored),
    Stored(IntProp<&TControl::Height, &TControl::SetHeight>("Height"), WindowSizeStored),
    Stored(IntProp<&TWinControl::TabOrder, &TWinControl::SetTabOrder>("TabOrder", -1), Never),
    Stored(BoolProp<&TControl::ParentFont, &TControl::SetParentFont>("ParentFont", false), Never),
    Stored(
        BoolProp<&TControl::ParentShowHint, &TControl::SetParentShowHint>("ParentShowHint", true),
        Never),
    SetProp<&TForm::BorderIcons, &TForm::SetBorderIcons>("BorderIcons", kBorderIconNames,
                                                         biSystemMenu | biMinimize | biMaximize),
    EnumProp<&TForm::BorderStyle, &TForm::SetBorderStyle>("BorderStyle", kBorderStyleNames, 2),
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    Stored(IntProp<&TForm::StoredClientHeight, &TControl::SetClientHeight>("ClientHeight"),
           ClientSizeStored),
    Stored(IntProp<&TForm::StoredClientWidth, &TControl::SetClientWidth>("ClientWidth"),
           ClientSizeStored),
    // Always stored: the development tools write a form's colour whatever it is.
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents()),
    ObjProp<&TControl::Constraints>("Constraints"),
    ObjProp<&TControl::Font>("Font"),
    EnumProp<&TForm::FormStyle, &TForm::SetFormStyle>("FormStyle", kFormStyleNames, 0),
    BoolProp<&TForm::KeyPreview, &TForm::SetKeyPreview>("KeyPreview", false),
    CompProp<&TForm::MenuComponent, &TForm::SetMenuComponent>("Menu"),
    BoolProp<&TForm::OldCreateOrder, &TForm::SetOldCreateOrder>("OldCreateOrder", false),
    EnumProp<&TForm::Position, &TForm::SetPosition>("Position", kPositionNames, 2),
    BoolProp<&TControl::ShowHint, &TControl::SetShowHint>("ShowHint", false),
    BoolProp<&TControl::Visible, &TControl::SetVisible>("Visible", false),
    CompProp<&TForm::WindowMenuComponent, &TForm::SetWindowMenuComponent>("WindowMenu"),
    EnumProp<&TForm::WindowState, &TForm::SetWindowState>("WindowState", kWindowStateNames, 0),
    EventProp<&TForm::OnActivate>("OnActivate"),
    EventProp<&TForm::OnClose>("OnClose"),
    EventProp<&TForm::OnCloseQuery>("OnCloseQuery"),
    EventProp<&TForm::OnCreate>("OnCreate"),
    EventProp<&TForm::OnDeactivate>("OnDeactivate"),
    EventProp<&TForm::OnDestroy>("OnDestroy"),
    EventProp<&TForm::OnHide>("OnHide"),
    EventProp<&TWinControl::OnKeyDown>("OnKeyDown"),
    EventProp<&TForm::OnPaint>("OnPaint"),
    EventProp<&TControl::OnResize>("OnResize"),
    EventProp<&TForm::OnShow>("OnShow"),
    // Scrolling, docking, glass, help, icon, printing, scaling and style settings of
    // the development tools, which this toolkit does not do.
    KeptProp("AutoScroll"),
    KeptProp("AutoSize"),
    KeptProp("DockSite"),
    KeptProp("GlassFrame.Enabled"),
    KeptProp("HelpFile"),
    KeptProp("Icon.Data"),
    KeptProp("PrintScale"),
    KeptProp("Scaled"),
    KeptProp("StyleName"),
    KeptProp("UseDockManager"),
};

TComponent* CreateKivForm(TComponent* owner) { return new TKivForm(owner); }

// The frame a window of these styles adds around its client area.
SIZE StyleFrameSize(DWORD style, DWORD exStyle, bool menu) {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, style, menu, exStyle);
  return {r.right - r.left, r.bottom - r.top};
}

void BorderStyles(TFormBorderStyle border, TBorderIcons icons, DWORD& style, DWORD& exStyle) {
  switch (border) {
    case TFormBorderStyle::bsNone:
      style = WS_POPUP;
      exStyle = 0;
      break;
    case TFormBorderStyle::bsSingle:
      style = WS_CAPTION | WS_BORDER;
      exStyle = 0;
      break;
    case TFormBorderStyle::bsToolWindow:
      style = WS_CAPTION | WS_BORDER;
      exStyle = WS_EX_TOOLWINDOW;
      break;
    case TFormBorderStyle::bsDialog:
      style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
      exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case TFormBorderStyle::bsSizeable:
      style = WS_CAPTION | WS_THICKFRAME;
      exStyle = 0;
      break;
    case TFormBorderStyle::bsSizeToolWin:
      style = WS_CAPTION | WS_THICKFRAME;
      exStyle = WS_EX_TOOLWINDOW;
      break;
  }
  if (border != TFormBorderStyle::bsNone && (icons & biSystemMenu)) {
    style |= WS_SYSMENU;
    bool tool = border == TFormBorderStyle::bsToolWindow ||
                border == TFormBorderStyle::bsSizeToolWin || border == TFormBorderStyle::bsDialog;
    if (!tool && (icons & biMinimize)) style |= WS_MINIMIZEBOX;
    if (!tool && (icons & biMaximize)) style |= WS_MAXIMIZEBOX;
  }
}

// Disables every enabled, visible top-level window of the thread but `except`, for
// a modal form, and gives them back afterwards.
struct DisabledWindows {
  std::vector<HWND> windows;
  HWND except;
};

BOOL CALLBACK DisableWindow(HWND hwnd, LPARAM lp) noexcept {
  auto d = reinterpret_cast<DisabledWindows*>(lp);
  if (hwnd != d->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    try {
      d->windows.push_back(hwnd);
    } catch (...) {
      return FALSE;
    }
    EnableWindow(hwnd, FALSE);
  }
  return TRUE;
}

}  // namespace

const TClassInfo TForm::kClassInfo{"TForm", &TWinControl::kClassInfo, nullptr, kFormProps, {}, {}};
const TClassInfo TKivForm::kClassInfo{"TKivForm", &TForm::kClassInfo, CreateKivForm, {}, {}, {}};

const TEnumNames& FormStyleNames() { return kFormStyleNames; }

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  InitVisible(false);
  TControl::SetColor(clBtnFace);
  SetParentFont(false);
  SetClientSize(300, 200);
  Application().FormCreated(this);
}

TForm::~TForm() {
  Destroying();
  if (HasState(csLoading) == false && OnDestroy) {
    CallGuarded(this, [this] { OnDestroy(this); });
  }
  DestroyHandle();
  Application().FormDestroyed(this);
}

void TForm::InitializeForm() {
  const TClassInfo& root = FormRootClass();
  bool created = false;
  if (&ClassInfo() != &root) {
    RegisterToolkitClasses();
    // Forms of the older order run OnCreate inside their creation, under the lock.
    TLockGuard lock(GlobalNameSpace());
    SetFormStateFlag(fsCreating, true);
    {
      ScopeGuard created([this] { SetFormStateFlag(fsCreating, false); });
      HMODULE module = ResourceSource();
      auto descriptions = InheritedDescriptions(ClassInfo(), root, [module](const char* className) {
        std::u16string name = WideUpperCase(AnsiToWide(className));
        HRSRC info = Platform::FindResource(module, name, static_cast<WORD>(10));  // RT_RCDATA
        HGLOBAL data = info ? LoadResource(module, info) : nullptr;
        const void* bytes = data ? LockResource(data) : nullptr;
        DWORD size = info ? SizeofResource(module, info) : 0;
        if (!bytes || size == 0) return std::span<const std::uint8_t>();
        return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), size);
      });
      ReadDescriptions(*this, descriptions);
    }
    if (oldCreateOrder_) {
      DoCreate();
      created = true;
    }
  }
  Constructed();
  if (!created) DoCreate();
}

void TForm::DoCreate() {
  if (!OnCreate) return;
  // An exception in OnCreate is reported; the form is made all the same.
  CallGuarded(this, [this] { OnCreate(this); });
}

void TForm::Loaded() {
  TWinControl::Loaded();
  if (Visible() && !HasState(csDestroying)) VisibleChanged();
}

void TForm::DefineProperties(TFiler& filer) {
  // Written after the published properties, as the development tools place them; an
  // inherited form writes them when they differ from its ancestor's.
  auto* ancestor = dynamic_cast<TForm*>(filer.Ancestor());
  filer.DefineProperty(
      "PixelsPerInch", [this](TReader& r) { pixelsPerInch_ = static_cast<int>(r.ReadInteger()); },
      [this](TWriter& w) { w.WriteInteger(pixelsPerInch_); },
      !ancestor || ancestor->pixelsPerInch_ != pixelsPerInch_);
  filer.DefineProperty(
      "TextHeight", [this](TReader& r) { textHeight_ = static_cast<int>(r.ReadInteger()); },
      [this](TWriter& w) { w.WriteInteger(textHeight_); },
      !ancestor || ancestor->textHeight_ != textHeight_);
}

void TForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  // Components without a parent (timers, menus) first, then the controls.
  for (int i = 0; i < ComponentCount(); ++i) {
    if (!Components(i)->HasParent()) proc(Components(i));
  }
  TWinControl::GetChildren(proc, root);
}

// ---- appearance ----

void TForm::SetBorderIcons(TBorderIcons v) {
  if (v == borderIcons_) return;
  RECT c = ClientRect();
  borderIcons_ = v;
  if (HandleAllocated()) {
    RecreateWnd();
  } else {
    FrameChanged(c.right, c.bottom);
  }
}

void TForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == borderStyle_) return;
  RECT c = ClientRect();
  borderStyle_ = v;
  if (HandleAllocated()) {
    RecreateWnd();
  } else {
    FrameChanged(c.right, c.bottom);
  }
}

void TForm::SetFormStyle(TFormStyle v) {
  if (v == formStyle_) return;
  formStyle_ = v;
  if (v == TFormStyle::fsMDIChild) SetVisible(true);
  RecreateWnd();
}

TWindowState TForm::WindowState() const {
  if (HandleAllocated()) {
    if (IsIconic(WindowHandle())) return TWindowState::wsMinimized;
    if (IsZoomed(WindowHandle())) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
  }
  return windowState_;
}

void TForm::SetWindowState(TWindowState v) {
  windowState_ = v;
  if (HandleAllocated() && Showing()) ApplyWindowState();
}

void TForm::ApplyWindowState() {
  int show = windowState_ == TWindowState::wsMaximized   ? SW_SHOWMAXIMIZED
             : windowState_ == TWindowState::wsMinimized ? SW_SHOWMINIMIZED
                                                         : SW_SHOWNORMAL;
  if (formStyle_ == TFormStyle::fsMDIChild && windowState_ == TWindowState::wsMaximized) {
    HWND client = GetParent(WindowHandle());
    Platform::SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(WindowHandle()), 0);
    return;
  }
  ShowWindow(WindowHandle(), show);
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_) return;
  if (menu_) menu_->OnChange = nullptr;
  menu_ = menu;
  if (menu) {
    menu->FreeNotification(this);
    menu->OnChange = [this] { Perform(CM_MENUCHANGED, 0, 0); };
  }
  Perform(CM_MENUCHANGED, 0, 0);
}

void TForm::MenuChanged() {
  if (!HandleAllocated()) FrameChanged(clientWidth_, clientHeight_);
  if (HandleAllocated() && formStyle_ != TFormStyle::fsMDIChild) {
    ::SetMenu(WindowHandle(), menu_ ? menu_->Handle() : nullptr);
    DrawMenuBar(WindowHandle());
  }
}

void TForm::SetMenuComponent(TComponent* menu) {
  auto* m = dynamic_cast<TMainMenu*>(menu);
  if (menu && !m) throw EInvalidOperation(Format("%s is not a main menu", menu->Name()));
  SetMenu(m);
}

TComponent* TForm::MenuComponent() const { return menu_; }

void TForm::SetWindowMenu(TMenuItem* item) {
  windowMenu_ = item;
  if (item) item->FreeNotification(this);
}

TComponent* TForm::WindowMenuComponent() const { return windowMenu_; }

void TForm::SetWindowMenuComponent(TComponent* item) {
  auto* m = dynamic_cast<TMenuItem*>(item);
  if (item && !m) throw EInvalidOperation(Format("%s is not a menu item", item->Name()));
  SetWindowMenu(m);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control && !ContainsControl(control)) {
    throw EInvalidOperation("Invalid active control: it is not on this form");
  }
  activeControl_ = control;
  if (control && HandleAllocated() && !HasState(csLoading) && GetActiveWindow() == WindowHandle() &&
      control->CanFocus()) {
    control->SetFocus();
  }
}

TComponent* TForm::ActiveControlComponent() const { return activeControl_; }

void TForm::SetActiveControlComponent(TComponent* control) {
  auto* c = dynamic_cast<TWinControl*>(control);
  if (control && !c) throw EInvalidOperation(Format("%s cannot take the focus", control->Name()));
  SetActiveControl(c);
}

void TForm::FocusChanged(TWinControl* control) {
  if (control != this && ContainsControl(control)) activeControl_ = control;
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == menu_) menu_ = nullptr;
  if (component == windowMenu_) windowMenu_ = nullptr;
  if (component == activeControl_) activeControl_ = nullptr;
}

// ---- size ----

RECT TForm::ClientRect() const {
  if (HandleAllocated()) return TWinControl::ClientRect();
  return {0, 0, clientWidth_, clientHeight_};
}

void TForm::SetClientSize(int width, int height) {
  sizedByWindow_ = false;
  settingClientSize_ = true;
  ScopeGuard done([this] { settingClientSize_ = false; });
  if (HandleAllocated()) {
    TWinControl::SetClientSize(width, height);
    return;
  }
  clientWidth_ = width;
  clientHeight_ = height;
  SIZE frame = FrameSize();
  int oldW = Width();
  int oldH = Height();
  SetBounds(Left(), Top(), width + frame.cx, height + frame.cy);
  if (oldW == Width() && oldH == Height()) ClientResized();
}

void TForm::SetBounds(int left, int top, int width, int height) {
  if (!settingClientSize_ && (width != Width() || height != Height())) sizedByWindow_ = true;
  TWinControl::SetBounds(left, top, width, height);
}

void TForm::BoundsChanged(const RECT& old) {
  // Without a window the client area follows the window size, before the children
  // are laid out in it.
  if (!HandleAllocated()) ClientFromBounds();
  TWinControl::BoundsChanged(old);
}

SIZE TForm::FrameSize() const {
  DWORD style = 0;
  DWORD exStyle = 0;
  BorderStyles(borderStyle_, borderIcons_, style, exStyle);
  // An MDI child's menu shows in its frame's menu bar, not its own.
  return StyleFrameSize(style, exStyle, menu_ != nullptr && formStyle_ != TFormStyle::fsMDIChild);
}

void TForm::ClientFromBounds() {
  SIZE frame = FrameSize();
  clientWidth_ = std::max(0, Width() - static_cast<int>(frame.cx));
  clientHeight_ = std::max(0, Height() - static_cast<int>(frame.cy));
}

void TForm::FrameChanged(int clientWidth, int clientHeight) {
  if (!sizedByWindow_) {
    SetClientSize(clientWidth, clientHeight);
    return;
  }
  // The window keeps its size; the client area gives the room to the new frame.
  ClientFromBounds();
  ClientResized();
}

// ---- window ----

HWND TForm::OwnerWindow() { return Application().Handle(); }

void TForm::CreateParams(TCreateParams& p) {
  p.className = AnsiToWide(ClassName());
  p.caption = Caption();
  p.background = nullptr;
  BorderStyles(borderStyle_, borderIcons_, p.style, p.exStyle);
  p.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (!Enabled()) p.style |= WS_DISABLED;
  if (formStyle_ == TFormStyle::fsStayOnTop) p.exStyle |= WS_EX_TOPMOST;
  SIZE frame = FrameSize();
  p.width = clientWidth_ + frame.cx;
  p.height = clientHeight_ + frame.cy;
  p.x = Left();
  p.y = Top();
  if (formStyle_ == TFormStyle::fsMDIChild) {
    TForm* main = Application().MainForm();
    if (!main || main->FormStyle() != TFormStyle::fsMDIForm || !main->ClientHandle()) {
      throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    }
    p.exStyle |= WS_EX_MDICHILD;
    p.parent = main->ClientHandle();
    if (position_ != TPosition::poDesigned) p.x = p.y = CW_USEDEFAULT;
    return;
  }
  p.style |= WS_POPUP;
  p.parent = OwnerWindow();
  if (menu_) p.menu = menu_->Handle();
  ApplyPosition(p);
}

void TForm::ApplyPosition(TCreateParams& p) {
  switch (position_) {
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter:
      p.x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
      p.y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
      break;
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter: {
      TForm* main = Application().MainForm();
      if (main && main != this && main->HandleAllocated()) {
        RECT r;
        GetWindowRect(main->WindowHandle(), &r);
        p.x = r.left + (r.right - r.left - p.width) / 2;
        p.y = r.top + (r.bottom - r.top - p.height) / 2;
      } else {
        p.x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
        p.y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
      }
      break;
    }
    case TPosition::poDefault:
    case TPosition::poDefaultPosOnly:
      p.x = p.y = CW_USEDEFAULT;
      break;
    default:
      break;
  }
}

void TForm::CreateWindowDone() {
  if (formStyle_ == TFormStyle::fsMDIForm) {
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = 0xFF00;
    if (menu_ && windowMenu_) {
      menu_->Handle();
      ccs.hWindowMenu = windowMenu_->SubMenuHandle();
    }
    clientHandle_ = KIV_THROW_LAST_ERROR_IF_NULL(Platform::CreateWindowEx(
        WS_EX_CLIENTEDGE, u"MDICLIENT", u"",
        WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0,
        0, 0, WindowHandle(), nullptr, GetModuleHandleA(nullptr), &ccs));
  }
  TWinControl::CreateWindowDone();
  UpdateHints();
}

void TForm::WindowDestroyed() {
  // The MDI client and the tooltip went with the window (child and owned window).
  clientHandle_ = nullptr;
  toolTip_ = nullptr;
  TWinControl::WindowDestroyed();
}

void TForm::AlignControls(RECT& rect) {
  TWinControl::AlignControls(rect);
  if (clientHandle_) {
    MoveWindow(clientHandle_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               TRUE);
  }
}

TForm* TForm::ActiveMDIChild() const {
  if (!clientHandle_) return nullptr;
  auto child = reinterpret_cast<HWND>(Platform::SendMessage(clientHandle_, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<TForm*>(FindControl(child));
}

LRESULT TForm::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  if (!WindowHandle()) return 0;
  if (formStyle_ == TFormStyle::fsMDIChild) {
    return Platform::DefMDIChildProc(WindowHandle(), msg, wp, lp);
  }
  if (formStyle_ == TFormStyle::fsMDIForm) {
    return Platform::DefFrameProc(WindowHandle(), clientHandle_, msg, wp, lp);
  }
  return TWinControl::DefaultHandler(msg, wp, lp);
}

void TForm::UpdateHints() {
  if (!HandleAllocated()) return;
  if (!toolTip_) {
    toolTip_ =
        Platform::CreateWindowEx(WS_EX_TOPMOST, u"tooltips_class32", u"", WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 WindowHandle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!toolTip_) return;  // hints are a comfort, not a reason to fail
  }
  std::function<void(TWinControl&)> add = [&](TWinControl& parent) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
      auto* w = dynamic_cast<TWinControl*>(parent.Controls(i));
      if (!w) continue;
      std::u16string hint = GetShortHint(w->Hint());
      if (!hint.empty() && w->ShowHint() && w->HandleAllocated()) {
        Platform::ToolTipSetTool(toolTip_, WindowHandle(), w->WindowHandle(), TTF_SUBCLASS, hint,
                                 false);
      }
      add(*w);
    }
  };
  add(*this);
}

// ---- showing and closing ----

bool TForm::Showing() const { return HandleAllocated() && IsWindowVisible(WindowHandle()); }

void TForm::Show() {
  SetVisible(true);
  BringToFrontWindow();
}

void TForm::Hide() { SetVisible(false); }

void TForm::VisibleChanged() {
  if (HasState(csLoading)) return;
  if (Visible()) {
    Handle();
    DoShow();
    if (!Visible()) return;  // OnShow hid it again
    ApplyWindowState();
    if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
  } else if (HandleAllocated()) {
    DoHide();
    if (formStyle_ != TFormStyle::fsMDIChild) ShowWindow(WindowHandle(), SW_HIDE);
  }
  Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TForm::DoShow() {
  // A handler that ends showing with the silent abort, or fails, does not stop it.
  CallGuarded(this, [this] { OnShow(this); });
}

void TForm::DoHide() {
  CallGuarded(this, [this] { OnHide(this); });
}

void TForm::BringToFrontWindow() {
  if (HandleAllocated()) {
    SetWindowPos(WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(WindowHandle());
  }
}

bool TForm::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::DoClose(TCloseAction& action) { OnClose(this, action); }

void TForm::Close() {
  if (formState_ & fsModal) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action =
      formStyle_ == TFormStyle::fsMDIChild ? TCloseAction::caMinimize : TCloseAction::caHide;
  DoClose(action);
  if (action == TCloseAction::caNone) return;
  if (Application().MainForm() == this) {
    Application().Terminate();
    return;
  }
  switch (action) {
    case TCloseAction::caHide:
      Hide();
      break;
    case TCloseAction::caMinimize:
      SetWindowState(TWindowState::wsMinimized);
      break;
    case TCloseAction::caFree:
      Release();
      break;
    case TCloseAction::caNone:
      break;
  }
}

void TForm::Release() {
  if (HandleAllocated()) {
    Platform::PostMessage(WindowHandle(), CM_RELEASE, 0, 0);
  } else {
    delete this;
  }
}

void TForm::CloseModal() {
  if (!CloseQuery()) {
    modalResult_ = mrNone;
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  DoClose(action);
  if (action == TCloseAction::caNone) modalResult_ = mrNone;
}

TModalResult TForm::ShowModal() {
  if (Visible() || !Enabled() || (formState_ & fsModal) || formStyle_ == TFormStyle::fsMDIChild) {
    throw EInvalidOperation("Cannot make a visible window modal");
  }
  if (GetCapture()) ReleaseCapture();
  HWND active = GetActiveWindow();
  DisabledWindows disabled{{}, Handle()};
  EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&disabled));
  SetFormStateFlag(fsModal, true);
  modalResult_ = mrNone;
  TModalResult result = mrCancel;
  try {
    Show();
    while (modalResult_ == mrNone) {
      Application().HandleMessage();
      if (Application().Terminated()) {
        modalResult_ = mrCancel;
      } else if (modalResult_ != mrNone) {
        CloseModal();
      }
    }
    result = modalResult_;
  } catch (...) {
    for (HWND h : disabled.windows) EnableWindow(h, TRUE);
    SetFormStateFlag(fsModal, false);
    if (!HasState(csDestroying)) Hide();
    throw;
  }
  // Enable the others before hiding this one, or the system activates another
  // application's window.
  for (HWND h : disabled.windows) EnableWindow(h, TRUE);
  if (active && IsWindow(active)) SetActiveWindow(active);
  SetFormStateFlag(fsModal, false);
  Hide();
  return result;
}

bool TForm::DialogKey(WORD key, TShiftState shift) {
  TWinControl* focused = Screen().ActiveControl();
  if (focused && !ContainsControl(focused)) focused = nullptr;
  if (key == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
    SelectNext(focused, !(shift & ssShift), true);
    return true;
  }
  if (key != VK_RETURN && key != VK_ESCAPE) return false;
  // A focused control that answers CM_DIALOGKEY (a button for Return) goes first, then
  // the form's default or cancel button.
  if (focused && focused->Perform(CM_DIALOGKEY, key, 1)) return true;
  std::function<bool(TWinControl&)> broadcast = [&](TWinControl& parent) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
      auto* w = dynamic_cast<TWinControl*>(parent.Controls(i));
      if (!w || !w->Visible() || !w->Enabled()) continue;
      if (w->Perform(CM_DIALOGKEY, key, 0)) return true;
      if (broadcast(*w)) return true;
    }
    return false;
  };
  return broadcast(*this);
}

bool TForm::IsShortCut(WORD key, TShiftState shift) {
  TShortCut shortCut = key;
  if (shift & ssShift) shortCut |= scShift;
  if (shift & ssCtrl) shortCut |= scCtrl;
  if (shift & ssAlt) shortCut |= scAlt;
  if (menu_ && menu_->IsShortCut(shortCut)) return true;
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* m = dynamic_cast<TMainMenu*>(Components(i));
    if (m && m != menu_ && m->IsShortCut(shortCut)) return true;
  }
  return false;
}

bool TForm::DialogChar(char16_t c) {
  std::function<bool(TWinControl&)> broadcast = [&](TWinControl& parent) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
      TControl* control = parent.Controls(i);
      if (!control->Visible() || !control->Enabled()) continue;
      if (control->Perform(CM_DIALOGCHAR, c, 0)) return true;
      auto* w = dynamic_cast<TWinControl*>(control);
      if (w && broadcast(*w)) return true;
    }
    return false;
  };
  return broadcast(*this);
}

// ---- messages ----

void TForm::PaintWindow(HDC dc) {
  TCanvas canvas(dc);
  canvas.SetFont(Font());
  canvas.SetBrushColor(Color());
  canvas_ = &canvas;
  ScopeGuard painted([this] { canvas_ = nullptr; });
  OnPaint(this);
}

LRESULT TForm::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) {
        SetFormStateFlag(fsActivated, true);
        OnActivate(this);
        if (activeControl_ && activeControl_->CanFocus() && !HIWORD(wp)) {
          activeControl_->SetFocus();
          return 0;
        }
      } else {
        OnDeactivate(this);
      }
      break;
    case WM_COMMAND:
      if (lp == 0 && menu_ && HIWORD(wp) == 0 && menu_->DispatchCommand(LOWORD(wp))) return 0;
      break;
    case WM_INITMENUPOPUP:
      if (menu_) menu_->PopupInitialized(reinterpret_cast<HMENU>(wp));
      break;
    case CM_RELEASE:
      delete this;
      return 0;
    case CM_MENUCHANGED:
      MenuChanged();
      return 0;
    case CM_DIALOGKEY:
      return 0;
    default:
      break;
  }
  return TWinControl::ControlWndProc(msg, wp, lp);
}

#include "Gui/WinControl.h"

#include <algorithm>

#include "Gui/Forms.h"
#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"
#include "Gui/Screen.h"
#include "Rtl/CodePage.h"
#include "Rtl/ScopeGuard.h"

namespace {

constexpr TPropInfo kWinControlProps[] = {
    IntProp<&TWinControl::TabOrder, &TWinControl::SetTabOrder>("TabOrder", -1),
    BoolProp<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", false),
    EventProp<&TWinControl::OnEnter>("OnEnter"),
    EventProp<&TWinControl::OnExit>("OnExit"),
    EventProp<&TWinControl::OnKeyDown>("OnKeyDown"),
    EventProp<&TWinControl::OnKeyPress>("OnKeyPress"),
    EventProp<&TWinControl::OnKeyUp>("OnKeyUp"),
    // The design-time size anchors were computed from, and the themed background
    // switch: the development tools store both, nothing here uses them.
    KeptProp("DesignSize"),
    KeptProp("ParentBackground"),
};

bool IsButtonUp(UINT msg) {
  return msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
}

bool IsButtonDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDOWN ||
         msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK;
}

bool AnyButtonDown(WPARAM wp) { return (wp & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0; }

bool IsReflected(UINT msg) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return true;
    default:
      return false;
  }
}

// The window a notification is about.
HWND NotifyingWindow(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NOTIFY:
      return reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    case WM_DRAWITEM:
      return reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->hwndItem;
    case WM_MEASUREITEM:
      return nullptr;
    default:
      return reinterpret_cast<HWND>(lp);
  }
}

}  // namespace

char16_t CharFromMessage(HWND hwnd, WPARAM wp) {
  if (IsWindowUnicode(hwnd)) return static_cast<char16_t>(wp);
  char c = static_cast<char>(wp & 0xFF);
  std::u16string w = AnsiToWide(std::string_view(&c, 1));
  return w.empty() ? u'?' : w[0];
}

const TClassInfo TWinControl::kClassInfo{
    "TWinControl", &TControl::kClassInfo, nullptr, kWinControlProps, {}, {}};

TWinControl* FindControl(HWND hwnd) {
  return dynamic_cast<TWinControl*>(TWindowedObject::FromHandle(hwnd));
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  Destroying();
  Screen().ControlDestroyed(this);
  DestroyHandle();
  for (TControl* c : controls_) c->parent_ = nullptr;
  controls_.clear();
  tabList_.clear();
  if (Parent()) Parent()->RemoveControl(this);
}

HWND TWinControl::Handle() {
  if (!HandleAllocated()) {
    if (Parent()) Parent()->HandleNeeded();  // making the parent's makes ours
    if (!HandleAllocated()) CreateWnd();
  }
  return WindowHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.className = AnsiToWide(ClassName());
  p.caption = Caption();
  p.style = WS_CHILD | WS_CLIPSIBLINGS;
  if (Visible()) p.style |= WS_VISIBLE;
  if (!Enabled()) p.style |= WS_DISABLED;
  if (tabStop_) p.style |= WS_TABSTOP;
  p.x = Left();
  p.y = Top();
  p.width = Width();
  p.height = Height();
  p.parent = Parent() ? Parent()->Handle() : nullptr;
}

void TWinControl::CreateWnd() {
  if (HandleAllocated() || creating_) return;
  creating_ = true;
  ScopeGuard created([this] { creating_ = false; });
  TCreateParams p;
  CreateParams(p);
  if (p.style & WS_CHILD && !p.parent) return;  // a child window needs its parent's first
  systemControl_ = !p.baseClass.empty();
  CreateWindowFor(p);
  CreateWindowDone();
}

void TWinControl::CreateWindowDone() {
  // The window may differ from the bounds asked for (a menu bar, a minimum size).
  WINDOWPOS pos{};
  WindowPosChanged(pos);
  Platform::SendMessage(WindowHandle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateWnd();
  }
  Realign();
}

void TWinControl::DestroyHandle() {
  if (!HandleAllocated()) return;
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  }
  DestroyWindowHandle();
}

void TWinControl::WindowDestroyed() {}

void TWinControl::RecreateWnd() {
  if (!HandleAllocated() || HasState(csDestroying)) return;
  DestroyHandle();
  CreateWnd();
}

void TWinControl::InsertControl(TControl* control) {
  control->parent_ = this;
  controls_.push_back(control);
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    tabList_.push_back(w);
    if (HandleAllocated()) w->CreateWnd();
  } else if (HandleAllocated()) {
    control->Invalidate();
  }
  ControlListChanged(control);
}

void TWinControl::ControlListChanged(TControl* control) {
  if (control->Align() != TAlign::alNone && !HasState(csDestroying)) Realign();
}

void TWinControl::RemoveControl(TControl* control) {
  if (control == mouseControl_) mouseControl_ = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    if (!w->HasState(csDestroying)) w->DestroyHandle();
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
  } else {
    control->Invalidate();
  }
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
  ControlListChanged(control);
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent()) {
    if (c == this) return true;
  }
  return false;
}

void TWinControl::MoveControlToFront(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  controls_.push_back(control);
  if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated()) {
    SetWindowPos(w->WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    control->Invalidate();
  }
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (HasState(csLoading)) {
    // Siblings read later may not exist yet: the parent sorts when loaded.
    storedTabOrder_ = v;
    return;
  }
  if (!Parent() || v < 0) return;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  std::size_t pos = std::min<std::size_t>(static_cast<std::size_t>(v), list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(pos), this);
}

void TWinControl::SortTabList() {
  // Stored orders first, by value; the others keep their places behind them.
  std::stable_sort(tabList_.begin(), tabList_.end(), [](TWinControl* a, TWinControl* b) {
    int x = a->storedTabOrder_ < 0 ? 1 << 30 : a->storedTabOrder_;
    int y = b->storedTabOrder_ < 0 ? 1 << 30 : b->storedTabOrder_;
    return x < y;
  });
  for (TWinControl* w : tabList_) w->storedTabOrder_ = -1;
}

void TWinControl::Loaded() {
  TControl::Loaded();
  SortTabList();
  Realign();
}

bool TWinControl::Showing() const {
  if (HandleAllocated()) return IsWindowVisible(WindowHandle()) != 0;
  return Visible() && Parent() && Parent()->Showing();
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
  }
  const TForm* form = GetParentForm(this);
  return !form || form->Showing();
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  ::SetFocus(Handle());
}

bool TWinControl::Focused() const { return HandleAllocated() && GetFocus() == WindowHandle(); }

namespace {
void CollectTabOrder(const TWinControl& parent, std::vector<TWinControl*>& out) {
  for (TWinControl* c : parent.TabList()) {
    out.push_back(c);
    CollectTabOrder(*c, out);
  }
}
}  // namespace

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward,
                                          bool checkTabStop) const {
  std::vector<TWinControl*> list;
  CollectTabOrder(*this, list);
  if (list.empty()) return nullptr;
  auto it = std::find(list.begin(), list.end(), current);
  std::size_t n = list.size();
  std::size_t start =
      it == list.end() ? (forward ? n - 1 : 0) : static_cast<std::size_t>(it - list.begin());
  for (std::size_t step = 1; step <= n; ++step) {
    std::size_t i = forward ? (start + step) % n : (start + n - step) % n;
    TWinControl* c = list[i];
    // Containers pass the focus on to their children; only leaves take it.
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && c->TabList().empty()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, forward, checkTabStop)) next->SetFocus();
}

void TWinControl::Realign() {
  if (realigning_ || HasState(csLoading | csDestroying)) return;
  realigning_ = true;
  ScopeGuard realigned([this] { realigning_ = false; });
  RECT r = ClientRect();
  AlignControls(r);
  RECT client = ClientRect();
  for (TControl* c : controls_) {
    if (c->Align() == TAlign::alNone) c->AnchorTo(client);
  }
}

void TWinControl::AlignControls(RECT& r) {
  auto place = [&](TAlign which) {
    for (TControl* c : controls_) {
      if (c->Align() != which || !c->Visible()) continue;
      // The control's margins are taken from the room it gets and kept free.
      TMargins& m = c->Margins();
      bool margins = c->AlignWithMargins();
      int ml = margins ? m.Left() : 0;
      int mt = margins ? m.Top() : 0;
      int mr = margins ? m.Right() : 0;
      int mb = margins ? m.Bottom() : 0;
      int w = c->Width();
      int h = c->Height();
      c->anchoring_ = true;
      switch (which) {
        case TAlign::alTop:
          c->SetBounds(r.left + ml, r.top + mt, r.right - r.left - ml - mr, h);
          r.top += c->Height() + mt + mb;
          break;
        case TAlign::alBottom:
          c->SetBounds(r.left + ml, r.bottom - mb - h, r.right - r.left - ml - mr, h);
          r.bottom -= c->Height() + mt + mb;
          break;
        case TAlign::alLeft:
          c->SetBounds(r.left + ml, r.top + mt, w, r.bottom - r.top - mt - mb);
          r.left += c->Width() + ml + mr;
          break;
        case TAlign::alRight:
          c->SetBounds(r.right - mr - w, r.top + mt, w, r.bottom - r.top - mt - mb);
          r.right -= c->Width() + ml + mr;
          break;
        case TAlign::alClient:
          c->SetBounds(r.left + ml, r.top + mt, r.right - r.left - ml - mr,
                       r.bottom - r.top - mt - mb);
          break;
        case TAlign::alNone:
          break;
      }
      c->anchoring_ = false;
    }
  };
  place(TAlign::alTop);
  place(TAlign::alBottom);
  place(TAlign::alLeft);
  place(TAlign::alRight);
  place(TAlign::alClient);
}

TControl* TWinControl::GraphicControlAt(POINT p) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible() || !c->Enabled()) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

bool TWinControl::RouteMouseToGraphic(UINT msg, WPARAM wp, LPARAM lp) {
  // While this window itself holds the mouse, everything is its own.
  if (!mouseControl_ && GetCapture() == WindowHandle()) return false;
  POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  TControl* target = mouseControl_ ? mouseControl_ : GraphicControlAt(p);
  if (!target) return false;
  if (IsButtonDown(msg) && !mouseControl_) {
    mouseControl_ = target;
    SetCapture(WindowHandle());
  }
  if (IsButtonUp(msg) && !AnyButtonDown(wp)) {
    mouseControl_ = nullptr;
    if (GetCapture() == WindowHandle()) ReleaseCapture();
  }
  target->Perform(msg, wp, MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
  return true;
}

void TWinControl::TrackMouseCapture(UINT msg, WPARAM wp) {
  if (IsButtonDown(msg)) {
    if (GetCapture() != WindowHandle()) SetCapture(WindowHandle());
  } else if (IsButtonUp(msg) && !AnyButtonDown(wp) && GetCapture() == WindowHandle()) {
    ReleaseCapture();
  }
}

RECT TWinControl::ClientRect() const {
  RECT r{0, 0, Width(), Height()};
  if (HandleAllocated()) GetClientRect(WindowHandle(), &r);
  return r;
}

POINT TWinControl::ClientOrigin() const {
  POINT p{0, 0};
  if (HandleAllocated()) {
    ::ClientToScreen(WindowHandle(), &p);
    return p;
  }
  return TControl::ClientOrigin();
}

void TWinControl::Invalidate() {
  if (HandleAllocated()) InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void TWinControl::Update() {
  if (HandleAllocated()) UpdateWindow(WindowHandle());
}

void TWinControl::BoundsChanged(const RECT& old) {
  if (HandleAllocated()) {
    SetWindowPos(WindowHandle(), nullptr, Left(), Top(), Width(), Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (old.right - old.left != Width() || old.bottom - old.top != Height()) {
    ClientResized();
  }
}

void TWinControl::ClientResized() {
  Realign();
  if (!HasState(csLoading)) Resize();
}

void TWinControl::WindowPosChanged(const WINDOWPOS& pos) {
  if ((pos.flags & SWP_NOMOVE) && (pos.flags & SWP_NOSIZE)) return;
  RECT r;
  GetWindowRect(WindowHandle(), &r);
  HWND parentWindow = GetParent(WindowHandle());
  if (parentWindow && (Platform::GetWindowLongPtr(WindowHandle(), GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parentWindow, reinterpret_cast<POINT*>(&r), 2);
  }
  // The system moved the window (a drag, our own SetWindowPos): follow it.
  TControl& c = *this;
  c.left_ = r.left;
  c.top_ = r.top;
  c.width_ = r.right - r.left;
  c.height_ = r.bottom - r.top;
}

void TWinControl::FontChanged() {
  if (HandleAllocated()) {
    Platform::SendMessage(WindowHandle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()),
                          TRUE);
  }
  for (TControl* c : controls_) c->ParentFontChanged();
  TControl::FontChanged();
}

void TWinControl::ColorChanged() {
  for (TControl* c : controls_) c->ParentColorChanged();
  TControl::ColorChanged();
}

void TWinControl::TextChanged() {
  if (HandleAllocated()) Platform::SetWindowText(WindowHandle(), Caption());
}

void TWinControl::EnabledChanged() {
  if (HandleAllocated()) EnableWindow(WindowHandle(), Enabled());
}

void TWinControl::VisibleChanged() {
  if (HandleAllocated()) ShowWindow(WindowHandle(), Visible() ? SW_SHOW : SW_HIDE);
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TControl* c : controls_) {
    if (c->Owner() == root) proc(c);
  }
}

bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
  OnKeyDown(this, key, shift);
  return key == 0;
}

LRESULT TWinControl::ControlColor(HDC dc) {
  ::SetTextColor(dc, ColorToRGB(Font().Color()));
  ::SetBkColor(dc, ColorToRGB(Color()));
  return reinterpret_cast<LRESULT>(ColorBrush(Color()));
}

bool TWinControl::EraseBackground(HDC dc) {
  RECT r;
  GetClientRect(WindowHandle(), &r);
  ::FillRect(dc, &r, ColorBrush(Color()));
  return true;
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc) {
  for (TControl* c : controls_) {
    auto* g = dynamic_cast<TGraphicControl*>(c);
    if (!g || !g->Visible()) continue;
    int saved = SaveDC(dc);
    SetViewportOrgEx(dc, g->Left(), g->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, g->Width(), g->Height());
    TCanvas canvas(dc);
    canvas.SetFont(g->Font());
    g->Paint(canvas);
    RestoreDC(dc, saved);
  }
}

LRESULT TWinControl::ReflectNotification(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  handled = false;
  HWND from = NotifyingWindow(msg, wp, lp);
  if (!from || from == WindowHandle()) return 0;
  TWinControl* child = FindControl(from);
  if (!child) return 0;
  LRESULT result = 0;
  handled = child->HandleNotification(CN_BASE + msg, wp, lp, result);
  return result;
}

LRESULT TWinControl::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (IsMouseMessage(msg)) return MouseInput(msg, wp, lp);
  if (IsReflected(msg)) return ReflectedMessage(msg, wp, lp);
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return FocusMessage(msg, wp, lp);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
      return KeyMessage(msg, wp, lp);
    case WM_CAPTURECHANGED:
      mouseControl_ = nullptr;
      break;
    case WM_ERASEBKGND:
    case WM_PAINT:
      return PaintMessage(msg, wp, lp);
    case WM_WINDOWPOSCHANGED:
    case WM_SIZE:
    case WM_GETMINMAXINFO:
      return SizeMessage(msg, wp, lp);
    case WM_SETCURSOR:
      return SetCursorMessage(msg, wp, lp);
    default:
      if (msg >= CM_BASE) return ToolkitMessage(msg, wp, lp);
      break;
  }
  return DefaultHandler(msg, wp, lp);
}

LRESULT TWinControl::MouseInput(UINT msg, WPARAM wp, LPARAM lp) {
  // A system control handles its own mouse input; in our own windows the controls
  // without a window get theirs from here.
  if (!systemControl_) {
    if (RouteMouseToGraphic(msg, wp, lp)) return 0;
    TrackMouseCapture(msg, wp);
  }
  MouseMessage(msg, wp, lp);
  return DefaultHandler(msg, wp, lp);
}

LRESULT TWinControl::ReflectedMessage(UINT msg, WPARAM wp, LPARAM lp) {
  bool handled = false;
  LRESULT r = ReflectNotification(msg, wp, lp, handled);
  if (handled) return r;
  if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
    // Children that are not ours (or do not answer) get this control's colours.
    return ControlColor(reinterpret_cast<HDC>(wp));
  }
  return DefaultHandler(msg, wp, lp);
}

LRESULT TWinControl::FocusMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETFOCUS) {
    Screen().SetFocusedControl(this);
    OnEnter(this);
  } else {
    OnExit(this);
  }
  return DefaultHandler(msg, wp, lp);
}

// A handler that clears the key or character swallows the message.
LRESULT TWinControl::KeyMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) {
    char16_t c = CharFromMessage(WindowHandle(), wp);
    OnKeyPress(this, c);
    if (c == 0) return 0;
  } else if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
    WORD key = static_cast<WORD>(wp);
    if (DoKeyDown(key, KeyboardShiftState())) return 0;
  } else {
    WORD key = static_cast<WORD>(wp);
    OnKeyUp(this, key, KeyboardShiftState());
    if (key == 0) return 0;
  }
  return DefaultHandler(msg, wp, lp);
}

LRESULT TWinControl::PaintMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (systemControl_) return DefaultHandler(msg, wp, lp);
  if (msg == WM_ERASEBKGND) {
    if (EraseBackground(reinterpret_cast<HDC>(wp))) return 1;
    return DefaultHandler(msg, wp, lp);
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(WindowHandle(), &ps);
  PaintWindow(dc);
  PaintControls(dc);
  EndPaint(WindowHandle(), &ps);
  return 0;
}

LRESULT TWinControl::SizeMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_WINDOWPOSCHANGED) {
    WindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lp));
    return DefaultHandler(msg, wp, lp);
  }
  if (msg == WM_SIZE) {
    LRESULT r = DefaultHandler(msg, wp, lp);
    ClientResized();
    return r;
  }
  auto* info = reinterpret_cast<MINMAXINFO*>(lp);
  TSizeConstraints& c = Constraints();
  if (c.MinWidth() > 0) info->ptMinTrackSize.x = c.MinWidth();
  if (c.MinHeight() > 0) info->ptMinTrackSize.y = c.MinHeight();
  if (c.MaxWidth() > 0) info->ptMaxTrackSize.x = c.MaxWidth();
  if (c.MaxHeight() > 0) info->ptMaxTrackSize.y = c.MaxHeight();
  return 0;
}

LRESULT TWinControl::SetCursorMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (Screen().Cursor() != crDefault) {
    ::SetCursor(CursorHandle(Screen().Cursor()));
    return TRUE;
  }
  if (LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == WindowHandle()) {
    int cursor = Cursor();
    POINT p;
    if (!systemControl_ && GetCursorPos(&p) && ::ScreenToClient(WindowHandle(), &p)) {
      if (TControl* c = GraphicControlAt(p); c && c->Cursor() != crDefault) {
        cursor = c->Cursor();
      }
    }
    if (cursor != crDefault) {
      ::SetCursor(CursorHandle(cursor));
      return TRUE;
    }
  }
  return DefaultHandler(msg, wp, lp);
}

// The toolkit's own messages go to the control's handlers; notifications reflected
// from the parent go to the control's own, with its colours for a child's colour query.
LRESULT TWinControl::ToolkitMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg < CN_BASE) return TControl::ControlWndProc(msg, wp, lp);
  LRESULT result = 0;
  if (HandleNotification(msg, wp, lp, result)) return result;
  if (msg >= CN_BASE + WM_CTLCOLORMSGBOX && msg <= CN_BASE + WM_CTLCOLORSTATIC) {
    return ControlColor(reinterpret_cast<HDC>(wp));
  }
  return 0;
}

#include "Gui/KivMemo.h"

#include <algorithm>

#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"

namespace {

constexpr const char* kScrollNameList[] = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
constexpr TEnumNames kScrollNames{kScrollNameList};

const TPropInfo kMemoProps[] = {
    EnumProp<&TKivMemo::Alignment, &TKivMemo::SetAlignment>("Alignment", AlignmentNames(), 0),
    EnumProp<&TKivMemo::BorderStyle, &TKivMemo::SetBorderStyle>("BorderStyle", BorderStyleNames(),
                                                                1),
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clWindow),
    ObjProp<&TKivMemo::Lines>("Lines"),
    IntProp<&TKivMemo::MaxLength, &TKivMemo::SetMaxLength>("MaxLength", 0),
    BoolProp<&TKivMemo::ReadOnly, &TKivMemo::SetReadOnly>("ReadOnly", false),
    EnumProp<&TKivMemo::ScrollBars, &TKivMemo::SetScrollBars>("ScrollBars", kScrollNames, 0),
    BoolProp<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", true),
    BoolProp<&TKivMemo::WantReturns, &TKivMemo::SetWantReturns>("WantReturns", true),
    BoolProp<&TKivMemo::WantTabs, &TKivMemo::SetWantTabs>("WantTabs", false),
    BoolProp<&TKivMemo::WordWrap, &TKivMemo::SetWordWrap>("WordWrap", true),
    EventProp<&TKivMemo::OnChange>("OnChange"),
};

TComponent* CreateMemo(TComponent* owner) { return new TKivMemo(owner); }

std::u16string WithoutFinalBreak(std::u16string text) {
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}

}  // namespace

const TClassInfo TKivMemo::kClassInfo{
    "TKivMemo", &TWinControl::kClassInfo, CreateMemo, kMemoProps, {}, {}};

TKivMemo::TKivMemo(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 89);
  SetTabStop(true);
  SetColor(clWindow);
  lines_.OnChange = [this](TKivStringList&) { LinesChanged(); };
}

TKivMemo::~TKivMemo() { lines_.OnChange = nullptr; }

void TKivMemo::LinesChanged() {
  if (syncing_ || !HandleAllocated()) return;
  syncing_ = true;
  Platform::SetWindowText(WindowHandle(), WithoutFinalBreak(lines_.Text()));
  syncing_ = false;
}

std::u16string TKivMemo::Text() {
  if (HandleAllocated()) return Platform::GetWindowText(WindowHandle());
  return WithoutFinalBreak(lines_.Text());
}

void TKivMemo::SetText(const std::u16string& text) { lines_.SetText(text); }

void TKivMemo::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.baseClass = u"EDIT";
  p.caption = WithoutFinalBreak(lines_.Text());
  p.style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
  if (!wordWrap_) p.style |= ES_AUTOHSCROLL;
  if (readOnly_) p.style |= ES_READONLY;
  if (wantReturns_) p.style |= ES_WANTRETURN;
  if (alignment_ == TAlignment::taRightJustify) p.style |= ES_RIGHT;
  if (alignment_ == TAlignment::taCenter) p.style |= ES_CENTER;
  if (scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth) {
    p.style |= WS_VSCROLL;
  }
  if (scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth) {
    p.style |= WS_HSCROLL;
  }
  if (borderStyle_ == TBorderStyle::bsSingle) p.exStyle |= WS_EX_CLIENTEDGE;
}

void TKivMemo::CreateWindowDone() {
  // Without a limit of its own, the largest text the control takes: a report may be long.
  Platform::SendMessage(WindowHandle(), EM_LIMITTEXT, std::max(maxLength_, 0), 0);
  TWinControl::CreateWindowDone();
}

void TKivMemo::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  RecreateWnd();
}

void TKivMemo::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

void TKivMemo::SetReadOnly(bool v) {
  readOnly_ = v;
  if (HandleAllocated()) Platform::SendMessage(WindowHandle(), EM_SETREADONLY, v, 0);
}

void TKivMemo::SetMaxLength(int v) {
  maxLength_ = v;
  if (HandleAllocated()) Platform::SendMessage(WindowHandle(), EM_LIMITTEXT, std::max(v, 0), 0);
}

void TKivMemo::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  RecreateWnd();
}

void TKivMemo::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  RecreateWnd();
}

int TKivMemo::SelStart() {
  if (!HandleAllocated()) return 0;
  DWORD start = 0;
  Platform::SendMessage(WindowHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TKivMemo::SetSelStart(int v) {
  if (HandleAllocated()) Platform::SendMessage(WindowHandle(), EM_SETSEL, v, v);
}

void TKivMemo::ScrollCaret() {
  if (HandleAllocated()) Platform::SendMessage(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

void TKivMemo::BeginUpdate() {
  if (lines_.UpdateCount() == 0 && HandleAllocated()) {
    Platform::SendMessage(WindowHandle(), WM_SETREDRAW, FALSE, 0);
  }
  lines_.BeginUpdate();
}

void TKivMemo::EndUpdate() {
  lines_.EndUpdate();
  if (lines_.UpdateCount() == 0 && HandleAllocated()) {
    Platform::SendMessage(WindowHandle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(WindowHandle(), nullptr, TRUE);
  }
}

bool TKivMemo::HandleNotification(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg == CN_COMMAND && HIWORD(wp) == EN_CHANGE) {
    if (!syncing_) {
      // The user typed: the lines follow the window's text.
      syncing_ = true;
      lines_.SetText(Platform::GetWindowText(WindowHandle()));
      syncing_ = false;
      OnChange(this);
    }
    result = 0;
    return true;
  }
  return false;
}

LRESULT TKivMemo::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_GETDLGCODE) {
    LRESULT code = TWinControl::ControlWndProc(msg, wp, lp);
    // Without WantReturns (WantTabs) the form's keys stay the form's.
    if ((wp == VK_RETURN && !wantReturns_) || (wp == VK_TAB && !wantTabs_) || wp == VK_ESCAPE) {
      code &= ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    if (!wantTabs_) code &= ~DLGC_WANTTAB;
    return code;
  }
  return TWinControl::ControlWndProc(msg, wp, lp);
}

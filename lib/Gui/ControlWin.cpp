#include "Gui/Control.h"

#include <algorithm>

#include "Gui/Forms.h"
#include "Gui/Messages.h"
#include "Gui/Properties.h"
#include "Gui/WinControl.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/WideText.h"

namespace {

constexpr const char* kAlignNameList[] = {"alNone", "alTop",   "alBottom",
                                          "alLeft", "alRight", "alClient"};
constexpr TEnumNames kAlignNames{kAlignNameList};
constexpr const char* kAnchorNameList[] = {"akLeft", "akTop", "akRight", "akBottom"};
constexpr TEnumNames kAnchorNames{kAnchorNameList};
constexpr const char* kAlignmentNameList[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr TEnumNames kAlignmentNames{kAlignmentNameList};
constexpr const char* kBorderStyleNameList[] = {"bsNone", "bsSingle"};
constexpr TEnumNames kBorderStyleNames{kBorderStyleNameList};

constexpr TPropInfo kConstraintProps[] = {
    IntProp<&TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight>("MaxHeight", 0),
    IntProp<&TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth>("MaxWidth", 0),
    IntProp<&TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight>("MinHeight", 0),
    IntProp<&TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth>("MinWidth", 0),
};

constexpr TPropInfo kMarginProps[] = {
    IntProp<&TMargins::Left, &TMargins::SetLeft>("Left", 3),
    IntProp<&TMargins::Top, &TMargins::SetTop>("Top", 3),
    IntProp<&TMargins::Right, &TMargins::SetRight>("Right", 3),
    IntProp<&TMargins::Bottom, &TMargins::SetBottom>("Bottom", 3),
};

bool FontStored(const TPersistent& o) { return !static_cast<const TControl&>(o).ParentFont(); }
bool ColorStored(const TPersistent& o) { return !static_cast<const TControl&>(o).ParentColor(); }

// The properties every control publishes; the classes that publish more (a caption,
// a colour, a font) add their rows.
const TPropInfo kControlProps[] = {
    IntProp<&TControl::Left, &TControl::SetLeft>("Left"),
    IntProp<&TControl::Top, &TControl::SetTop>("Top"),
    IntProp<&TControl::Width, &TControl::SetWidth>("Width"),
    IntProp<&TControl::Height, &TControl::SetHeight>("Height"),
    StrProp<&TControl::Hint, &TControl::SetHint>("Hint"),
    EnumProp<&TControl::Align, &TControl::SetAlign>("Align", kAlignNames, 0),
    SetProp<&TControl::Anchors, &TControl::SetAnchors>("Anchors", kAnchorNames, akLeft | akTop),
    Stored(IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clWindow),
           ColorStored),
    ObjProp<&TControl::Constraints>("Constraints"),
    IdentProp<&TControl::Cursor, &TControl::SetCursor>("Cursor", CursorIdents(), crDefault),
    BoolProp<&TControl::Enabled, &TControl::SetEnabled>("Enabled", true),
    Stored(ObjProp<&TControl::Font>("Font"), FontStored),
    BoolProp<&TControl::ParentColor, &TControl::SetParentColor>("ParentColor", false),
    BoolProp<&TControl::ParentFont, &TControl::SetParentFont>("ParentFont", true),
    BoolProp<&TControl::ParentShowHint, &TControl::SetParentShowHint>("ParentShowHint", true),
    BoolProp<&TControl::ShowHint, &TControl::SetShowHint>("ShowHint", false),
    BoolProp<&TControl::Visible, &TControl::SetVisible>("Visible", true),
    BoolProp<&TControl::AlignWithMargins, &TControl::SetAlignWithMargins>("AlignWithMargins",
                                                                          false),
    ObjProp<&TControl::Margins>("Margins"),
    EventProp<&TControl::OnClick>("OnClick"),
    EventProp<&TControl::OnDblClick>("OnDblClick"),
    EventProp<&TControl::OnMouseDown>("OnMouseDown"),
    EventProp<&TControl::OnMouseMove>("OnMouseMove"),
    EventProp<&TControl::OnMouseUp>("OnMouseUp"),
    EventProp<&TControl::OnResize>("OnResize"),
    // What the development tools store about a control that has no behaviour here:
    // design-time bounds, actions, right-to-left reading, buffering, help, styles.
    KeptProp("Action"),
    KeptProp("BiDiMode"),
    KeptProp("Ctl3D"),
    KeptProp("DoubleBuffered"),
    KeptProp("ExplicitHeight"),
    KeptProp("ExplicitLeft"),
    KeptProp("ExplicitTop"),
    KeptProp("ExplicitWidth"),
    KeptProp("HelpContext"),
    KeptProp("ParentBiDiMode"),
    KeptProp("ParentCtl3D"),
    KeptProp("ParentCustomHint"),
    KeptProp("ParentDoubleBuffered"),
    KeptProp("StyleElements"),
};

}  // namespace

const TClassInfo TSizeConstraints::kClassInfo{
    "TSizeConstraints", &TPersistent::kClassInfo, nullptr, kConstraintProps, {}, {}};
const TClassInfo TMargins::kClassInfo{
    "TMargins", &TPersistent::kClassInfo, nullptr, kMarginProps, {}, {}};
const TClassInfo TControl::kClassInfo{
    "TControl", &TComponent::kClassInfo, nullptr, kControlProps, {}, {}};
const TClassInfo TGraphicControl::kClassInfo{
    "TGraphicControl", &TControl::kClassInfo, nullptr, {}, {}, {}};

const TEnumNames& AlignNames() { return kAlignNames; }
const TEnumNames& AnchorNames() { return kAnchorNames; }
const TEnumNames& AlignmentNames() { return kAlignmentNames; }
const TEnumNames& BorderStyleNames() { return kBorderStyleNames; }

TShiftState KeyboardShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  return s;
}

TShiftState MouseShiftState(WPARAM wp) {
  TShiftState s = 0;
  if (wp & MK_SHIFT) s |= ssShift;
  if (wp & MK_CONTROL) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  if (wp & MK_LBUTTON) s |= ssLeft;
  if (wp & MK_RBUTTON) s |= ssRight;
  if (wp & MK_MBUTTON) s |= ssMiddle;
  return s;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK; }

void TMargins::Set(int& field, int v) {
  if (field == v) return;
  field = v;
  if (OnChange) OnChange();
}

void TSizeConstraints::Set(int& field, int v) {
  if (v < 0) v = 0;
  if (field == v) return;
  field = v;
  if (OnChange) OnChange();
}

void TSizeConstraints::Apply(int& width, int& height) const {
  if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
  if (minWidth_ > 0 && width < minWidth_) width = minWidth_;
  if (maxHeight_ > 0 && height > maxHeight_) height = maxHeight_;
  if (minHeight_ > 0 && height < minHeight_) height = minHeight_;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] {
    if (!fontFromParent_) parentFont_ = false;
    FontChanged();
  };
  constraints_.OnChange = [this] { SetBounds(left_, top_, width_, height_); };
  margins_.OnChange = [this] {
    if (alignWithMargins_ && parent_ && align_ != TAlign::alNone) parent_->Realign();
  };
}

TControl::~TControl() {
  Destroying();
  font_.OnChange = nullptr;
  constraints_.OnChange = nullptr;
  margins_.OnChange = nullptr;
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) {
    parent->InsertControl(this);
    if (parentFont_) ParentFontChanged();
    if (parentColor_) ParentColorChanged();
    UpdateAnchorRules();
  }
}

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* p = dynamic_cast<TWinControl*>(parent)) SetParent(p);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::Loaded() {
  TComponent::Loaded();
  if (parentFont_) ParentFontChanged();
  if (parentColor_) ParentColorChanged();
  UpdateAnchorRules();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  constraints_.Apply(width, height);
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  RECT old = BoundsRect();
  left_ = left;
  top_ = top;
  bool resized = width != width_ || height != height_;
  width_ = width;
  height_ = height;
  if (!anchoring_) UpdateAnchorRules();
  BoundsChanged(old);
  if (resized && !dynamic_cast<TWinControl*>(this)) Resize();
  if (parent_ && align_ != TAlign::alNone && !anchoring_) parent_->Realign();
}

void TControl::SetClientSize(int width, int height) {
  RECT c = ClientRect();
  SetBounds(left_, top_, width_ + width - c.right, height_ + height - c.bottom);
}

void TControl::BoundsChanged(const RECT&) {}

void TControl::UpdateAnchorRules() {
  anchorBounds_ = BoundsRect();
  if (!parent_) return;
  RECT pc = parent_->ClientRect();
  anchorRight_ = pc.right - anchorBounds_.right;
  anchorBottom_ = pc.bottom - anchorBounds_.bottom;
}

void TControl::AnchorTo(const RECT& pc) {
  if (align_ != TAlign::alNone) return;
  int left = anchorBounds_.left;
  int top = anchorBounds_.top;
  int width = anchorBounds_.right - anchorBounds_.left;
  int height = anchorBounds_.bottom - anchorBounds_.top;
  if ((anchors_ & akRight) && (anchors_ & akLeft)) {
    width = pc.right - anchorRight_ - left;
  } else if (anchors_ & akRight) {
    left = pc.right - anchorRight_ - width;
  }
  if ((anchors_ & akBottom) && (anchors_ & akTop)) {
    height = pc.bottom - anchorBottom_ - top;
  } else if (anchors_ & akBottom) {
    top = pc.bottom - anchorBottom_ - height;
  }
  anchoring_ = true;
  ScopeGuard anchored([this] { anchoring_ = false; });
  SetBounds(left, top, width, height);
}

void TControl::SetAlign(TAlign v) {
  if (v == align_) return;
  align_ = v;
  if (parent_) parent_->Realign();
}

void TControl::SetAlignWithMargins(bool v) {
  if (v == alignWithMargins_) return;
  alignWithMargins_ = v;
  if (parent_ && align_ != TAlign::alNone) parent_->Realign();
}

void TControl::SetAnchors(TAnchors v) {
  if (v == anchors_) return;
  anchors_ = v;
  UpdateAnchorRules();
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  VisibleChanged();
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
  if (parent_ && align_ != TAlign::alNone) parent_->Realign();
  if (parent_) parent_->ChildVisibleChanged(this);
}

void TControl::VisibleChanged() {}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  EnabledChanged();
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetCaption(const std::u16string& v) {
  if (v == caption_) return;
  caption_ = v;
  TextChanged();
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetHint(const std::u16string& v) { hint_ = v; }

void TControl::SetShowHint(bool v) {
  showHint_ = v;
  parentShowHint_ = false;
}

void TControl::SetParentShowHint(bool v) {
  parentShowHint_ = v;
  if (v && parent_) showHint_ = parent_->ShowHint();
}

void TControl::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  parentColor_ = false;
  ColorChanged();
}

void TControl::SetParentColor(bool v) {
  if (v == parentColor_) return;
  parentColor_ = v;
  if (v) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!parentColor_ || !parent_) return;
  if (color_ != parent_->Color()) {
    color_ = parent_->Color();
    ColorChanged();
  }
}

void TControl::SetParentFont(bool v) {
  if (v == parentFont_) return;
  parentFont_ = v;
  if (v) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  fontFromParent_ = true;
  font_.Assign(parent_->Font());
  fontFromParent_ = false;
}

void TControl::FontChanged() { Perform(CM_FONTCHANGED, 0, 0); }

void TControl::ColorChanged() {
  Perform(CM_COLORCHANGED, 0, 0);
  Invalidate();
}

void TControl::Click() { OnClick(this); }

void TControl::Resize() { OnResize(this); }

void TControl::Invalidate() {}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (parent_) parent_->MoveControlToFront(this);
}

POINT TControl::ClientOrigin() const {
  POINT p = parent_ ? parent_->ClientOrigin() : POINT{0, 0};
  return {p.x + left_, p.y + top_};
}

POINT TControl::ClientToScreen(POINT p) const {
  POINT o = ClientOrigin();
  return {p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) const {
  POINT o = ClientOrigin();
  return {p.x - o.x, p.y - o.y};
}

LRESULT TControl::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      break;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      break;
    default:
      if (IsMouseMessage(msg)) MouseMessage(msg, wp, lp);
      break;
  }
  return 0;
}

void TControl::MouseMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (!enabled_) return;
  int x = static_cast<short>(LOWORD(lp));
  int y = static_cast<short>(HIWORD(lp));
  TShiftState shift = MouseShiftState(wp);
  switch (msg) {
    case WM_MOUSEMOVE:
      OnMouseMove(this, shift, x, y);
      break;
    case WM_LBUTTONDOWN:
      clicked_ = true;
      OnMouseDown(this, TMouseButton::mbLeft, shift, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      // The first click of the pair came as a down and an up; this is the second.
      OnDblClick(this);
      OnMouseDown(this, TMouseButton::mbLeft, shift | ssDouble, x, y);
      break;
    case WM_LBUTTONUP: {
      bool click = clicked_;
      clicked_ = false;
      OnMouseUp(this, TMouseButton::mbLeft, shift, x, y);
      RECT r = ClientRect();
      POINT p{x, y};
      if (click && ClicksFromMouse() && PtInRect(&r, p)) Click();
      break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      OnMouseDown(this, TMouseButton::mbRight,
                  shift | (msg == WM_RBUTTONDBLCLK ? TShiftState{ssDouble} : 0u), x, y);
      break;
    case WM_RBUTTONUP:
      OnMouseUp(this, TMouseButton::mbRight, shift, x, y);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnMouseDown(this, TMouseButton::mbMiddle,
                  shift | (msg == WM_MBUTTONDBLCLK ? TShiftState{ssDouble} : 0u), x, y);
      break;
    case WM_MBUTTONUP:
      OnMouseUp(this, TMouseButton::mbMiddle, shift, x, y);
      break;
    default:
      break;
  }
}

void TGraphicControl::Invalidate() {
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->WindowHandle(), &r, TRUE);
  }
}

void TGraphicControl::BoundsChanged(const RECT& old) {
  if (Parent() && Parent()->HandleAllocated()) {
    InvalidateRect(Parent()->WindowHandle(), &old, TRUE);
    Invalidate();
  }
}

void TGraphicControl::VisibleChanged() {
  if (Parent() && Parent()->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(Parent()->WindowHandle(), &r, TRUE);
  }
}

bool IsAccel(char16_t key, const std::u16string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return WideSameText(std::u16string_view(&caption[i + 1], 1), std::u16string_view(&key, 1));
  }
  return false;
}

TForm* GetParentForm(const TControl* control) {
  const TControl* c = control;
  while (c && c->Parent()) c = c->Parent();
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

std::u16string GetShortHint(const std::u16string& hint) {
  std::size_t bar = hint.find(u'|');
  return bar == std::u16string::npos ? hint : hint.substr(0, bar);
}

std::u16string GetLongHint(const std::u16string& hint) {
  std::size_t bar = hint.find(u'|');
  return bar == std::u16string::npos ? hint : hint.substr(bar + 1);
}

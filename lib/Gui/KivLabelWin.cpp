#include "Gui/KivLabel.h"

#include "Gui/DeviceContext.h"
#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"
#include "Gui/WinControl.h"

namespace {

constexpr const char* kLayoutNameList[] = {"tlTop", "tlCenter", "tlBottom"};
constexpr TEnumNames kLayoutNames{kLayoutNameList};

const TPropInfo kLabelProps[] = {
    EnumProp<&TKivLabel::Alignment, &TKivLabel::SetAlignment>("Alignment", AlignmentNames(), 0),
    BoolProp<&TKivLabel::AutoSize, &TKivLabel::SetAutoSize>("AutoSize", true),
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    CompProp<&TKivLabel::FocusControlComponent, &TKivLabel::SetFocusControlComponent>(
        "FocusControl"),
    EnumProp<&TKivLabel::Layout, &TKivLabel::SetLayout>("Layout", kLayoutNames, 0),
    BoolProp<&TControl::ParentColor, &TControl::SetParentColor>("ParentColor", true),
    BoolProp<&TKivLabel::ShowAccelChar, &TKivLabel::SetShowAccelChar>("ShowAccelChar", true),
    BoolProp<&TKivLabel::Transparent, &TKivLabel::SetTransparent>("Transparent", false),
    BoolProp<&TKivLabel::WordWrap, &TKivLabel::SetWordWrap>("WordWrap", false),
};

TComponent* CreateLabel(TComponent* owner) { return new TKivLabel(owner); }

}  // namespace

const TClassInfo TKivLabel::kClassInfo{
    "TKivLabel", &TGraphicControl::kClassInfo, CreateLabel, kLabelProps, {}, {}};

TKivLabel::TKivLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
}

void TKivLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustSize();
}

UINT TKivLabel::DrawFormat() const {
  UINT f = DT_EXPANDTABS;
  if (!showAccelChar_) f |= DT_NOPREFIX;
  if (wordWrap_) f |= DT_WORDBREAK;
  if (alignment_ == TAlignment::taRightJustify) f |= DT_RIGHT;
  if (alignment_ == TAlignment::taCenter) f |= DT_CENTER;
  return f;
}

void TKivLabel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TKivLabel::SetAutoSize(bool v) {
  autoSize_ = v;
  AdjustSize();
}

void TKivLabel::SetWordWrap(bool v) {
  wordWrap_ = v;
  AdjustSize();
  Invalidate();
}

void TKivLabel::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TKivLabel::SetShowAccelChar(bool v) {
  showAccelChar_ = v;
  AdjustSize();
}

void TKivLabel::SetLayout(TTextLayout v) {
  layout_ = v;
  Invalidate();
}

void TKivLabel::SetFocusControl(TWinControl* control) {
  if (control == focusControl_) return;
  if (focusControl_) RemoveFreeNotification(focusControl_);
  focusControl_ = control;
  if (control) FreeNotification(control);
}

TComponent* TKivLabel::FocusControlComponent() const { return focusControl_; }

void TKivLabel::SetFocusControlComponent(TComponent* control) {
  auto* c = dynamic_cast<TWinControl*>(control);
  if (control && !c) throw EInvalidOperation(Format("%s cannot take the focus", control->Name()));
  SetFocusControl(c);
}

void TKivLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == focusControl_) focusControl_ = nullptr;
}

LRESULT TKivLabel::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CM_DIALOGCHAR) {
    if (focusControl_ && showAccelChar_ && Enabled() &&
        IsAccel(static_cast<char16_t>(wp), Caption()) && focusControl_->CanFocus()) {
      focusControl_->SetFocus();
      return 1;
    }
    return 0;
  }
  return TGraphicControl::ControlWndProc(msg, wp, lp);
}

void TKivLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustSize();
}

void TKivLabel::AdjustSize() {
  if (!autoSize_ || HasState(csLoading)) {
    Invalidate();
    return;
  }
  RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
  {
    WindowDC screen = WindowDC::Client(nullptr);
    SelectedObject font(screen.get(), Font().Handle());
    std::u16string text = Caption().empty() ? u" " : Caption();
    Platform::DrawText(screen.get(), text, r, DrawFormat() | DT_CALCRECT);
  }
  SetBounds(Left(), Top(), wordWrap_ ? Width() : r.right, r.bottom);
  Invalidate();
}

void TKivLabel::Paint(TCanvas& canvas) {
  RECT r{0, 0, Width(), Height()};
  if (!transparent_) {
    canvas.SetBrushColor(Color());
    canvas.FillRect(r);
  }
  SetBkMode(canvas.Handle(), TRANSPARENT);
  ::SetTextColor(canvas.Handle(), ColorToRGB(Enabled() ? Font().Color() : clGrayText));
  if (layout_ != TTextLayout::tlTop) {
    RECT text = r;
    Platform::DrawText(canvas.Handle(), Caption().empty() ? u" " : Caption(), text,
                       DrawFormat() | DT_CALCRECT);
    int room = r.bottom - (text.bottom - text.top);
    r.top += layout_ == TTextLayout::tlCenter ? room / 2 : room;
  }
  Platform::DrawText(canvas.Handle(), Caption(), r, DrawFormat());
}

#include "Gui/KivLabel.h"

#include "Gui/Properties.h"
#include "Rtl/PlatformGui.h"

namespace {

const TPropInfo kLabelProps[] = {
    EnumProp<&TKivLabel::Alignment, &TKivLabel::SetAlignment>("Alignment", AlignmentNames(), 0),
    BoolProp<&TKivLabel::AutoSize, &TKivLabel::SetAutoSize>("AutoSize", true),
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    BoolProp<&TControl::ParentColor, &TControl::SetParentColor>("ParentColor", true),
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
  UINT f = DT_NOPREFIX | DT_EXPANDTABS;
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

void TKivLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustSize();
}

void TKivLabel::AdjustSize() {
  if (!autoSize_ || HasState(csLoading)) {
    Invalidate();
    return;
  }
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font().Handle());
  RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
  std::u16string text = Caption().empty() ? u" " : Caption();
  Platform::DrawText(dc, text, r, DrawFormat() | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
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
  Platform::DrawText(canvas.Handle(), Caption(), r, DrawFormat());
}

#include "Gui/KivPanel.h"

#include "Gui/DeviceContext.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"

namespace {

constexpr const char* kBevelCutNameList[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
constexpr TEnumNames kBevelCutNames{kBevelCutNameList};

const TPropInfo kPanelProps[] = {
    EnumProp<&TKivPanel::Alignment, &TKivPanel::SetAlignment>("Alignment", AlignmentNames(), 2),
    EnumProp<&TKivPanel::BevelInner, &TKivPanel::SetBevelInner>("BevelInner", kBevelCutNames, 0),
    EnumProp<&TKivPanel::BevelOuter, &TKivPanel::SetBevelOuter>("BevelOuter", kBevelCutNames, 2),
    IntProp<&TKivPanel::BevelWidth, &TKivPanel::SetBevelWidth>("BevelWidth", 1),
    IntProp<&TKivPanel::BorderWidth, &TKivPanel::SetBorderWidth>("BorderWidth", 0),
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clBtnFace),
    // Sizing to the content and the extra edges of newer tools: kept, not done.
    KeptProp("AutoSize"),
    KeptProp("BevelEdges"),
    KeptProp("BevelKind"),
    KeptProp("BorderStyle"),
};

TComponent* CreatePanel(TComponent* owner) { return new TKivPanel(owner); }

UINT EdgeOf(TBevelCut cut, bool outer) {
  switch (cut) {
    case TBevelCut::bvLowered:
      return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    case TBevelCut::bvRaised:
      return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
    default:
      return 0;
  }
}

}  // namespace

const TClassInfo TKivPanel::kClassInfo{
    "TKivPanel", &TWinControl::kClassInfo, CreatePanel, kPanelProps, {}, {}};

TKivPanel::TKivPanel(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

int TKivPanel::FrameWidth() const {
  int w = borderWidth_;
  if (bevelOuter_ != TBevelCut::bvNone) w += bevelWidth_;
  if (bevelInner_ != TBevelCut::bvNone) w += bevelWidth_;
  return w;
}

void TKivPanel::Changed() {
  Realign();
  Invalidate();
}

void TKivPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TKivPanel::SetBevelInner(TBevelCut v) {
  bevelInner_ = v;
  Changed();
}

void TKivPanel::SetBevelOuter(TBevelCut v) {
  bevelOuter_ = v;
  Changed();
}

void TKivPanel::SetBevelWidth(int v) {
  bevelWidth_ = v < 1 ? 1 : v;
  Changed();
}

void TKivPanel::SetBorderWidth(int v) {
  borderWidth_ = v < 0 ? 0 : v;
  Changed();
}

void TKivPanel::TextChanged() { Invalidate(); }

void TKivPanel::AlignControls(RECT& rect) {
  int f = FrameWidth();
  InflateRect(&rect, -f, -f);
  TWinControl::AlignControls(rect);
}

void TKivPanel::PaintWindow(HDC dc) {
  RECT r;
  GetClientRect(WindowHandle(), &r);
  for (int i = 0; i < bevelWidth_; ++i) {
    UINT edge = EdgeOf(bevelOuter_, true);
    if (edge) DrawEdge(dc, &r, edge, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  InflateRect(&r, -borderWidth_, -borderWidth_);
  for (int i = 0; i < bevelWidth_; ++i) {
    UINT edge = EdgeOf(bevelInner_, false);
    if (edge) DrawEdge(dc, &r, edge, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  if (Caption().empty()) return;
  SelectedObject font(dc, Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ColorToRGB(Font().Color()));
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                (alignment_ == TAlignment::taCenter         ? DT_CENTER
                 : alignment_ == TAlignment::taRightJustify ? DT_RIGHT
                                                            : DT_LEFT);
  Platform::DrawText(dc, Caption(), r, format);
}

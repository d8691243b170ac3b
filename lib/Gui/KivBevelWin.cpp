#include "Gui/KivBevel.h"

#include "Gui/Properties.h"

namespace {

constexpr const char* kShapeNameList[] = {"bsBox",      "bsFrame",     "bsTopLine", "bsBottomLine",
                                          "bsLeftLine", "bsRightLine", "bsSpacer"};
constexpr TEnumNames kShapeNames{kShapeNameList};
constexpr const char* kStyleNameList[] = {"bsLowered", "bsRaised"};
constexpr TEnumNames kStyleNames{kStyleNameList};

constexpr TPropInfo kBevelProps[] = {
    EnumProp<&TKivBevel::Shape, &TKivBevel::SetShape>("Shape", kShapeNames, 0),
    EnumProp<&TKivBevel::Style, &TKivBevel::SetStyle>("Style", kStyleNames, 0),
};

TComponent* CreateBevel(TComponent* owner) { return new TKivBevel(owner); }

}  // namespace

const TClassInfo TKivBevel::kClassInfo{
    "TKivBevel", &TGraphicControl::kClassInfo, CreateBevel, kBevelProps, {}, {}};

TKivBevel::TKivBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TKivBevel::SetShape(TBevelShape v) {
  shape_ = v;
  Invalidate();
}

void TKivBevel::SetStyle(TBevelStyle v) {
  style_ = v;
  Invalidate();
}

void TKivBevel::Paint(TCanvas& canvas) {
  TColor dark = style_ == TBevelStyle::bsLowered ? clBtnShadow : clBtnHighlight;
  TColor light = style_ == TBevelStyle::bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width();
  int h = Height();
  auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
    canvas.SetPenColor(c);
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
  };
  switch (shape_) {
    case TBevelShape::bsBox:
      line(dark, 0, h - 1, 0, 0);
      line(dark, 0, 0, w - 1, 0);
      line(light, w - 1, 0, w - 1, h - 1);
      line(light, w - 1, h - 1, -1, h - 1);
      break;
    case TBevelShape::bsFrame:
      line(dark, 0, 0, w - 1, 0);
      line(dark, 0, 0, 0, h - 1);
      line(dark, w - 2, 1, w - 2, h - 2);
      line(dark, 1, h - 2, w - 1, h - 2);
      line(light, 1, 1, w - 2, 1);
      line(light, 1, 1, 1, h - 2);
      line(light, w - 1, 0, w - 1, h);
      line(light, 0, h - 1, w, h - 1);
      break;
    case TBevelShape::bsTopLine:
      line(dark, 0, 0, w, 0);
      line(light, 0, 1, w, 1);
      break;
    case TBevelShape::bsBottomLine:
      line(dark, 0, h - 2, w, h - 2);
      line(light, 0, h - 1, w, h - 1);
      break;
    case TBevelShape::bsLeftLine:
      line(dark, 0, 0, 0, h);
      line(light, 1, 0, 1, h);
      break;
    case TBevelShape::bsRightLine:
      line(dark, w - 2, 0, w - 2, h);
      line(light, w - 1, 0, w - 1, h);
      break;
    case TBevelShape::bsSpacer:
      break;
  }
}

#include "Gui/KivControlBar.h"

#include "Gui/Properties.h"

namespace {

const TPropInfo kControlBarProps[] = {
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clBtnFace),
    IntProp<&TKivControlBar::RowSize, &TKivControlBar::SetRowSize>("RowSize", 26),
};

TComponent* CreateControlBar(TComponent* owner) { return new TKivControlBar(owner); }

}  // namespace

const TClassInfo TKivControlBar::kClassInfo{"TKivControlBar", &TWinControl::kClassInfo,
                                            CreateControlBar, kControlBarProps, {}, {}};

TKivControlBar::TKivControlBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 100, 50);
  SetColor(clBtnFace);
}

void TKivControlBar::SetRowSize(int v) {
  rowSize_ = v < 1 ? 1 : v;
  Invalidate();
}

void TKivControlBar::PaintWindow(HDC dc) {
  // A line under each row of bands.
  RECT r;
  GetClientRect(WindowHandle(), &r);
  for (int y = rowSize_; y < r.bottom; y += rowSize_) {
    RECT line{r.left, y - 2, r.right, y};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_BOTTOM);
  }
}

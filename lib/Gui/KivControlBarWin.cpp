#include "Gui/KivControlBar.h"

#include <algorithm>
#include <vector>

#include "Gui/Properties.h"

namespace {

const TPropInfo kControlBarProps[] = {
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clBtnFace),
    IntProp<&TKivControlBar::RowSize, &TKivControlBar::SetRowSize>("RowSize", 26),
};

TComponent* CreateControlBar(TComponent* owner) { return new TKivControlBar(owner); }

}  // namespace

const TClassInfo TKivControlBar::kClassInfo{
    "TKivControlBar", &TWinControl::kClassInfo, CreateControlBar, kControlBarProps, {}, {}};

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

void TKivControlBar::ControlListChanged(TControl* control) {
  if (!HasState(csDestroying)) Realign();
}

void TKivControlBar::ChildVisibleChanged(TControl*) {
  if (!HasState(csDestroying)) Realign();
}

void TKivControlBar::AlignControls(RECT& rect) {
  TWinControl::AlignControls(rect);
  std::vector<TControl*> bands;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() == TAlign::alNone && c->Visible()) bands.push_back(c);
  }
  auto row = [this](const TControl* c) { return c->Top() / rowSize_; };
  std::stable_sort(bands.begin(), bands.end(), [&](const TControl* a, const TControl* b) {
    return row(a) != row(b) ? row(a) < row(b) : a->Left() < b->Left();
  });
  int currentRow = -1;
  int next = 0;
  for (TControl* b : bands) {
    if (row(b) != currentRow) {
      currentRow = row(b);
      next = 0;
    }
    int left = std::max(b->Left(), next);
    if (left != b->Left()) b->SetBounds(left, b->Top(), b->Width(), b->Height());
    next = left + b->Width() + 2;
  }
}

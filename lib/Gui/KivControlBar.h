// TKivControlBar: a band that holds tool bars in rows of RowSize pixels. Each band sits
// where it is put, but never over the band before it in its row: a band placed inside
// another moves to that one's right.
#pragma once

#include "Gui/WinControl.h"

class TKivControlBar : public TWinControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivControlBar(TComponent* owner);

  // The height of a row of tool bars.
  int RowSize() const { return rowSize_; }
  void SetRowSize(int v);

 protected:
  void PaintWindow(HDC dc) override;
  void AlignControls(RECT& rect) override;
  void ControlListChanged(TControl* control) override;
  // A band shown where another lies moves to that one's right.
  void ChildVisibleChanged(TControl* control) override;

 private:
  int rowSize_ = 26;
};

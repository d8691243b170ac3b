// TKivControlBar: a band that holds tool bars; it paints its colour and places its
// children where they are.
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

 private:
  int rowSize_ = 26;
};

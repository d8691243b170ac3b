// TKivPanel: a container with bevelled edges and a centred wide caption.
#pragma once

#include "Gui/WinControl.h"

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TKivPanel : public TWinControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivPanel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut v);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut v);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int v);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int v);

 protected:
  void PaintWindow(HDC dc) override;
  void AlignControls(RECT& rect) override;
  void TextChanged() override;

 private:
  int FrameWidth() const;
  void Changed();

  TAlignment alignment_ = TAlignment::taCenter;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
};

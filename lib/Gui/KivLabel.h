// TKivLabel: static wide text painted by its parent; it sizes itself to its text
// unless AutoSize is off.
#pragma once

#include "Gui/Control.h"

class TKivLabel : public TGraphicControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);

  void Loaded() override;

 protected:
  void Paint(TCanvas& canvas) override;
  void TextChanged() override { AdjustSize(); }
  void FontChanged() override;

 private:
  UINT DrawFormat() const;
  void AdjustSize();

  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool transparent_ = false;
};

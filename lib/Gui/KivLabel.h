// TKivLabel: static wide text painted by its parent; it sizes itself to its text
// unless AutoSize is off. With ShowAccelChar (the default) "&" underlines the next
// letter and "&&" shows one "&"; Alt with that letter focuses FocusControl.
#pragma once

#include "Gui/Control.h"

class TWinControl;

enum class TTextLayout { tlTop, tlCenter, tlBottom };

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
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // Where a text shorter than the label sits.
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  // The control the label's accelerator focuses; null for none.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control);
  TComponent* FocusControlComponent() const;
  void SetFocusControlComponent(TComponent* control);

  void Loaded() override;

 protected:
  void Paint(TCanvas& canvas) override;
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void Notification(TComponent* component, TOperation operation) override;
  void TextChanged() override { AdjustSize(); }
  void FontChanged() override;

 private:
  UINT DrawFormat() const;
  void AdjustSize();

  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool transparent_ = false;
  bool showAccelChar_ = true;
  TTextLayout layout_ = TTextLayout::tlTop;
  TWinControl* focusControl_ = nullptr;
};

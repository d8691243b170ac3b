// TKivToolBar: a row of tool buttons with wide captions (the common tool bar control).
// Its buttons are TToolButton components stored inside it; the bar shows them in
// their order and passes each click to the button's OnClick.
#pragma once

#include <vector>

#include "Gui/WinControl.h"

class TKivToolBar;

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
  KIV_CLASS_INFO()

 public:
  explicit TToolButton(TComponent* owner);

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  UINT Command() const { return command_; }
  TKivToolBar* ToolBar() const;

 protected:
  void TextChanged() override;
  void EnabledChanged() override;
  void VisibleChanged() override;

 private:
  void Changed();

  TToolButtonStyle style_ = TToolButtonStyle::tbsButton;
  bool down_ = false;
  int imageIndex_ = -1;
  UINT command_;
};

class TKivToolBar : public TWinControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivToolBar(TComponent* owner);

  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int v);
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool v);

  int ButtonCount() const;
  TToolButton* Buttons(int index) const;
  // Shows the buttons again after a change.
  void UpdateButtons();
  void Loaded() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowDone() override;
  bool HandleNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  int buttonHeight_ = 22;
  int buttonWidth_ = 23;
  bool flat_ = false;
  bool showCaptions_ = false;
  bool updating_ = false;
};

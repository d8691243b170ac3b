// TKivButton: a push button with a wide caption (the system BUTTON control). A default
// button takes Return, a cancel button Escape; a button with a modal result sets it on
// its form when clicked, which ends the form's modal show.
#pragma once

#include "Gui/Forms.h"
#include "Gui/WinControl.h"

class TKivButton : public TWinControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }

  void Click() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool ClicksFromMouse() const override { return false; }
  bool HandleNotification(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

// KivLXForms: the library's form base. TKivFormLX gives a form its own task-bar
// button when TaskBarButton is set, whatever its border style.
#pragma once

#include "Gui/Forms.h"

class TKivFormLX : public TKivForm {
  KIV_CLASS_INFO()

 public:
  using TKivForm::TKivForm;
  const TClassInfo& FormRootClass() const override { return TKivFormLX::kClassInfo; }

  bool TaskBarButton() const { return taskBarButton_; }
  void SetTaskBarButton(bool on);

 protected:
  void CreateParams(TCreateParams& params) override;
  HWND OwnerWindow() override;

 private:
  bool taskBarButton_ = false;
};

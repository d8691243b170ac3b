// KivLXForms: the library's form base. TKivFormLX gives a form its own task-bar
// button when TaskBarButton is set, whatever its border style.
#pragma once

#include "Gui/Forms.h"

class TKivFormLX : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const override { return "TKivFormLX"; }

  bool TaskBarButton() const { return taskBarButton_; }
  void SetTaskBarButton(bool on) { taskBarButton_ = on; }

  bool ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool taskBarButton_ = false;
};

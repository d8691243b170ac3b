#include "KivLX/KivLXForms.h"

#include "Gui/Properties.h"

namespace {

constexpr TPropInfo kFormLXProps[] = {
    BoolProp<&TKivFormLX::TaskBarButton, &TKivFormLX::SetTaskBarButton>("TaskBarButton", false),
};

}  // namespace

const TClassInfo TKivFormLX::kClassInfo{"TKivFormLX", &TKivForm::kClassInfo, nullptr,
                                        kFormLXProps, {}, {}};

void TKivFormLX::SetTaskBarButton(bool on) {
  if (on == taskBarButton_) return;
  taskBarButton_ = on;
  RecreateWnd();
}

HWND TKivFormLX::OwnerWindow() {
  // A window without an owner gets a task-bar button of its own.
  return taskBarButton_ ? nullptr : TKivForm::OwnerWindow();
}

void TKivFormLX::CreateParams(TCreateParams& params) {
  TKivForm::CreateParams(params);
  if (taskBarButton_) params.exStyle |= WS_EX_APPWINDOW;
}

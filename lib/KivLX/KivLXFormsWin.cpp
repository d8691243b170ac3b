#include "KivLX/KivLXForms.h"

#include "FormFiles/FormBinary.h"

bool TKivFormLX::ReadProperty(std::string_view name, TBinaryFormReader& reader, TComponent& root) {
  if (name == "TaskBarButton") {
    taskBarButton_ = reader.ReadBoolean();
    return true;
  }
  return TForm::ReadProperty(name, reader, root);
}

void TKivFormLX::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  // A top-level window without an owner and with WS_EX_APPWINDOW gets its own
  // task-bar button, even as a tool window.
  if (taskBarButton_) {
    params.exStyle |= WS_EX_APPWINDOW;
    params.parent = nullptr;
  }
}

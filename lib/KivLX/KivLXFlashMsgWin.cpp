#include "KivLX/KivLXFlashMsg.h"

#include <memory>

#include "Gui/Application.h"
#include "Gui/DeviceContext.h"
#include "Gui/PlatformGui.h"
#include "KivLX/KivLXUtils.h"

const TClassInfo TKivFlashForm::kClassInfo{
    "TKivFlashForm", &TKivForm::kClassInfo, nullptr, {}, {}, {}};

TKivFlashForm::TKivFlashForm(TComponent* owner) : TKivForm(owner) { PushScreenCursor(crHourGlass); }

TKivFlashForm::~TKivFlashForm() {
  try {
    PopScreenCursor();
  } catch (...) {
    // The cursor stack went with its unit; the form goes all the same.
  }
}

void TKivFlashForm::SetMessage(const std::u16string& text) {
  HWND h = Handle();
  SIZE size{0, 0};
  Platform::GetTextExtent(WindowDC::Whole(h).get(), text, size);
  if (size.cx > Width()) SetWidth(size.cx);
  SetCaption(text);
  if (IsWindowVisible(h)) {
    SetWindowPos(h, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

TKivFlashForm* ShowFlashMessage(const std::u16string& message) {
  std::unique_ptr<TKivFlashForm> form(TForm::Create<TKivFlashForm>(&Application()));
  form->SetClientHeight(0);
  form->SetMessage(message);
  form->Show();
  SetWindowPos(form->WindowHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return form.release();
}

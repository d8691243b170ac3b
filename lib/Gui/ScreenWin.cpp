#include "Gui/Screen.h"

#include "Gui/Forms.h"
#include "Gui/Graphics.h"
#include "Gui/PlatformGui.h"
#include "Gui/WinControl.h"
#include "Rtl/WideText.h"

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

void TScreen::SetCursor(int cursor) {
  cursor_ = cursor;
  ::SetCursor(CursorHandle(cursor == crDefault ? crArrow : cursor));
}

TForm* TScreen::ActiveForm() const {
  return activeControl_ ? GetParentForm(activeControl_) : nullptr;
}

void TScreen::SetFocusedControl(TWinControl* control) {
  activeControl_ = control;
  if (TForm* form = control ? GetParentForm(control) : nullptr) form->FocusChanged(control);
}

void TScreen::ControlDestroyed(TWinControl* control) {
  if (activeControl_ == control) activeControl_ = nullptr;
}

std::vector<std::pair<std::string, std::string>> TScreen::ActiveControlChain() const {
  std::vector<std::pair<std::string, std::string>> chain;
  for (const TControl* c = activeControl_; c; c = c->Parent()) {
    chain.emplace_back(c->ClassName(), c->Name());
  }
  return chain;
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }

int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

const std::vector<std::u16string>& TScreen::Fonts() {
  if (!fontsRead_) {
    fonts_ = Platform::FontFamilies();
    fontsRead_ = true;
  }
  return fonts_;
}

bool TScreen::FontInstalled(const std::u16string& name) {
  for (const std::u16string& f : Fonts()) {
    if (WideSameText(f, name)) return true;
  }
  return false;
}

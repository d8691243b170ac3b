// TScreen: what the application knows about the screen: its size, the installed fonts,
// the cursor shown everywhere (crDefault lets each control show its own), and which
// control has the keyboard focus, so an error report can name it and its parents.
#pragma once

#include "Rtl/Win.h"

#include <string>
#include <utility>
#include <vector>

class TWinControl;
class TForm;

class TScreen {
 public:
  int Cursor() const { return cursor_; }
  // Shows the cursor at once.
  void SetCursor(int cursor);

  // The control with the keyboard focus (a control of the toolkit), or null.
  TWinControl* ActiveControl() const { return activeControl_; }
  // The form of the active control, or null.
  TForm* ActiveForm() const;
  void SetFocusedControl(TWinControl* control);
  void ControlDestroyed(TWinControl* control);
  // The focused control and each of its parents up to its form, as (class name,
  // component name) pairs, the focused control first.
  std::vector<std::pair<std::string, std::string>> ActiveControlChain() const;

  int Width() const;
  int Height() const;
  // The installed font families, read once.
  const std::vector<std::u16string>& Fonts();
  bool FontInstalled(const std::u16string& name);

 private:
  int cursor_ = 0;
  TWinControl* activeControl_ = nullptr;
  std::vector<std::u16string> fonts_;
  bool fontsRead_ = false;
};

TScreen& Screen();

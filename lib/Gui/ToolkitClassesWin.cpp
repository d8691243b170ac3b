// The classes of the toolkit a description may create by name.
#include "Gui/Forms.h"
#include "Gui/KivBevel.h"
#include "Gui/KivButton.h"
#include "Gui/KivControlBar.h"
#include "Gui/KivLabel.h"
#include "Gui/KivMemo.h"
#include "Gui/KivPanel.h"
#include "Gui/KivStatusBar.h"
#include "Gui/KivToolBar.h"
#include "Gui/Menus.h"
#include "Gui/Timer.h"

void RegisterToolkitClasses() {
  static const TClassInfo* const kClasses[] = {
      &TKivForm::kClassInfo,       &TKivButton::kClassInfo,  &TKivMemo::kClassInfo,
      &TKivLabel::kClassInfo,      &TKivPanel::kClassInfo,   &TKivBevel::kClassInfo,
      &TKivControlBar::kClassInfo, &TKivToolBar::kClassInfo, &TToolButton::kClassInfo,
      &TKivStatusBar::kClassInfo,  &TMainMenu::kClassInfo,   &TMenuItem::kClassInfo,
      &TTimer::kClassInfo,
  };
  for (const TClassInfo* c : kClasses) RegisterClassInfo(*c);
}

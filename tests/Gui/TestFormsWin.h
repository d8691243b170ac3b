// Form classes of the toolkit tests, built from the descriptions in forms/.
#pragma once

#include <string>
#include <vector>

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
#include "KivTrx/KivTrxForms.h"

// A form with a control of every class (forms/AllControls.dfm).
class TTestAllForm : public TKivForm {
  KIV_CLASS_INFO()

 public:
  using TKivForm::TKivForm;

  TTimer* Timer1 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* ExitItem = nullptr;
  TKivControlBar* ControlBar1 = nullptr;
  TKivToolBar* ToolBar1 = nullptr;
  TToolButton* ToolButton1 = nullptr;
  TKivLabel* NameLabel = nullptr;
  TKivMemo* Memo1 = nullptr;
  TKivPanel* Panel1 = nullptr;
  TKivButton* InnerButton = nullptr;
  TKivBevel* Bevel1 = nullptr;
  TKivButton* OkButton = nullptr;
  TKivButton* CancelButton = nullptr;
  TKivButton* FailButton = nullptr;
  TKivButton* FaultButton = nullptr;
  TKivStatusBar* StatusBar1 = nullptr;

  void FormCreate(TComponent* sender) { created.push_back("FormCreate"); }
  void FormKeyDown(TComponent* sender, WORD& key, TShiftState shift);
  void Timer1Timer(TComponent* sender) {}
  void ExitItemClick(TComponent* sender) { clicked.push_back("ExitItem"); }
  void OkButtonClick(TComponent* sender) { clicked.push_back("OkButton"); }
  void FailButtonClick(TComponent* sender);
  void FaultButtonClick(TComponent* sender);

  std::vector<std::string> created;
  std::vector<std::string> clicked;
  std::vector<WORD> previewed;
  // Keys FormKeyDown swallows.
  WORD swallow = 0;

 protected:
  void Constructed() override { created.push_back("Constructed"); }
};

// The same form with an inherited description (forms/Derived.dfm).
class TTestDerivedForm : public TTestAllForm {
  KIV_CLASS_INFO()

 public:
  using TTestAllForm::TTestAllForm;
  TKivButton* ExtraButton = nullptr;
};

// A translatable form (forms/Translatable.dfm).
class TTestTrxForm : public TKivTrxForm {
  KIV_CLASS_INFO()

 public:
  using TKivTrxForm::TKivTrxForm;
  TKivButton* Button1 = nullptr;
  TKivButton* Button10 = nullptr;

  // Its description sets OldCreateOrder.
  void FormCreate(TComponent* sender) { created.push_back("FormCreate"); }
  std::vector<std::string> created;

 protected:
  void Constructed() override { created.push_back("Constructed"); }
};

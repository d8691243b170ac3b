// PlinthMainFrm: the main window, nothing but a caption bar, and the one-shot timer
// whose first tick decides whether SQL-DMO 2000 must be installed and installs it.
#pragma once

#include "Gui/Timer.h"
#include "KivTrx/KivTrxForms.h"

// Built from its stored description, the resource TFORM1 (PlinthMainFrm.dfm).
class TForm1 : public TKivTrxForm {
  KIV_CLASS_INFO()

 public:
  using TKivTrxForm::TKivTrxForm;

  TTimer* Timer1 = nullptr;
  void Timer1Timer(TComponent* sender);
};

extern TForm1* Form1;

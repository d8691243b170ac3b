#include "TestFormsWin.h"

#include "Rtl/Exceptions.h"

namespace {

const TMethodInfo kAllMethods[] = {
    KIV_METHOD(TTestAllForm, FormCreate),       KIV_METHOD(TTestAllForm, FormKeyDown),
    KIV_METHOD(TTestAllForm, Timer1Timer),      KIV_METHOD(TTestAllForm, ExitItemClick),
    KIV_METHOD(TTestAllForm, OkButtonClick),    KIV_METHOD(TTestAllForm, FailButtonClick),
    KIV_METHOD(TTestAllForm, FaultButtonClick),
};
const TFieldInfo kAllFields[] = {
    KIV_FIELD(TTestAllForm, Timer1),       KIV_FIELD(TTestAllForm, MainMenu1),
    KIV_FIELD(TTestAllForm, ExitItem),     KIV_FIELD(TTestAllForm, ControlBar1),
    KIV_FIELD(TTestAllForm, ToolBar1),     KIV_FIELD(TTestAllForm, ToolButton1),
    KIV_FIELD(TTestAllForm, NameLabel),    KIV_FIELD(TTestAllForm, Memo1),
    KIV_FIELD(TTestAllForm, Panel1),       KIV_FIELD(TTestAllForm, InnerButton),
    KIV_FIELD(TTestAllForm, Bevel1),       KIV_FIELD(TTestAllForm, OkButton),
    KIV_FIELD(TTestAllForm, CancelButton), KIV_FIELD(TTestAllForm, FailButton),
    KIV_FIELD(TTestAllForm, FaultButton),  KIV_FIELD(TTestAllForm, StatusBar1),
};
const TFieldInfo kDerivedFields[] = {KIV_FIELD(TTestDerivedForm, ExtraButton)};
const TFieldInfo kTrxFields[] = {KIV_FIELD(TTestTrxForm, Button1),
                                 KIV_FIELD(TTestTrxForm, Button10)};
const TMethodInfo kTrxMethods[] = {KIV_METHOD(TTestTrxForm, FormCreate)};

}  // namespace

const TClassInfo TTestAllForm::kClassInfo{
    "TTestAllForm", &TKivForm::kClassInfo, nullptr, {}, kAllMethods, kAllFields};
const TClassInfo TTestDerivedForm::kClassInfo{
    "TTestDerivedForm", &TTestAllForm::kClassInfo, nullptr, {}, {}, kDerivedFields};
const TClassInfo TTestTrxForm::kClassInfo{
    "TTestTrxForm", &TKivTrxForm::kClassInfo, nullptr, {}, kTrxMethods, kTrxFields};

void TTestAllForm::FormKeyDown(TComponent*, WORD& key, TShiftState) {
  previewed.push_back(key);
  if (key == swallow) key = 0;
}

void TTestAllForm::FailButtonClick(TComponent*) { throw EKivGeneralError("The button refused."); }

void TTestAllForm::FaultButtonClick(TComponent*) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
}

#include "Gui/KivButton.h"

#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"

namespace {

const TPropInfo kButtonProps[] = {
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    BoolProp<&TKivButton::Cancel, &TKivButton::SetCancel>("Cancel", false),
    BoolProp<&TKivButton::Default, &TKivButton::SetDefault>("Default", false),
    IntProp<&TKivButton::ModalResult, &TKivButton::SetModalResult>("ModalResult", 0),
    BoolProp<&TControl::ParentColor, &TControl::SetParentColor>("ParentColor", true),
    BoolProp<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", true),
    EventProp<&TControl::OnClick>("OnClick"),
    // Images, command links and split buttons of newer systems: kept, not shown.
    KeptProp("CommandLinkHint"),
    KeptProp("ImageAlignment"),
    KeptProp("ImageIndex"),
    KeptProp("Images"),
    KeptProp("Style"),
};

TComponent* CreateButton(TComponent* owner) { return new TKivButton(owner); }

}  // namespace

const TClassInfo TKivButton::kClassInfo{
    "TKivButton", &TWinControl::kClassInfo, CreateButton, kButtonProps, {}, {}};

TKivButton::TKivButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetColor(clBtnFace);
  SetParentColor(true);
}

void TKivButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  if (HandleAllocated()) {
    Platform::SendMessage(WindowHandle(), BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

void TKivButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.baseClass = u"BUTTON";
  p.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TKivButton::Click() {
  if (TForm* form = GetParentForm(this); form && modalResult_ != mrNone) {
    form->SetModalResult(modalResult_);
  }
  TWinControl::Click();
}

bool TKivButton::HandleNotification(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg == CN_COMMAND && HIWORD(wp) == BN_CLICKED) {
    Click();
    result = 0;
    return true;
  }
  return false;
}

LRESULT TKivButton::ControlWndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CM_DIALOGKEY) {
    // lp 1: asked as the focused control, which takes Return itself.
    bool mine = lp == 1 ? wp == VK_RETURN && Focused()
                        : (wp == VK_RETURN && default_) || (wp == VK_ESCAPE && cancel_);
    if (mine && CanFocus()) {
      Click();
      return 1;
    }
    return 0;
  }
  if (msg == CM_DIALOGCHAR) {
    if (IsAccel(static_cast<char16_t>(wp), Caption()) && CanFocus()) {
      Click();
      return 1;
    }
    return 0;
  }
  return TWinControl::ControlWndProc(msg, wp, lp);
}

#include "Gui/KivToolBar.h"

#include "Rtl/Win.h"
#include <commctrl.h>

#include "Gui/Messages.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"

namespace {

constexpr const char* kStyleNameList[] = {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator",
                                          "tbsDivider"};
constexpr TEnumNames kStyleNames{kStyleNameList};

const TPropInfo kButtonProps[] = {
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    BoolProp<&TToolButton::Down, &TToolButton::SetDown>("Down", false),
    IntProp<&TToolButton::ImageIndex, &TToolButton::SetImageIndex>("ImageIndex", -1),
    EnumProp<&TToolButton::Style, &TToolButton::SetStyle>("Style", kStyleNames, 0),
    // Grouping, drop-down menus, linked menu items and images: kept, not done.
    KeptProp("AllowAllUp"),
    KeptProp("AutoSize"),
    KeptProp("DropdownMenu"),
    KeptProp("Grouped"),
    KeptProp("MenuItem"),
    KeptProp("Wrap"),
};

const TPropInfo kBarProps[] = {
    EnumProp<&TControl::Align, &TControl::SetAlign>("Align", AlignNames(), 1),
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clBtnFace),
    IntProp<&TKivToolBar::ButtonHeight, &TKivToolBar::SetButtonHeight>("ButtonHeight", 22),
    IntProp<&TKivToolBar::ButtonWidth, &TKivToolBar::SetButtonWidth>("ButtonWidth", 23),
    BoolProp<&TKivToolBar::Flat, &TKivToolBar::SetFlat>("Flat", false),
    BoolProp<&TKivToolBar::ShowCaptions, &TKivToolBar::SetShowCaptions>("ShowCaptions", false),
    StrProp<&TControl::CaptionText, &TControl::SetCaption>("Caption"),
    // Sizing to the buttons, borders, customizing, edges, images, list layout, wrapping
    // and transparency: kept, not done.
    KeptProp("AutoSize"),
    KeptProp("BorderWidth"),
    KeptProp("Customizable"),
    KeptProp("EdgeBorders"),
    KeptProp("EdgeInner"),
    KeptProp("EdgeOuter"),
    KeptProp("HideClippedButtons"),
    KeptProp("Images"),
    KeptProp("Indent"),
    KeptProp("List"),
    KeptProp("Transparent"),
    KeptProp("Wrapable"),
};

TComponent* CreateButton(TComponent* owner) { return new TToolButton(owner); }
TComponent* CreateBar(TComponent* owner) { return new TKivToolBar(owner); }

UINT NextCommand() {
  static UINT next = 0x4000;
  if (++next >= 0x7000) next = 0x4001;
  return next;
}

}  // namespace

const TClassInfo TToolButton::kClassInfo{
    "TToolButton", &TGraphicControl::kClassInfo, CreateButton, kButtonProps, {}, {}};
const TClassInfo TKivToolBar::kClassInfo{
    "TKivToolBar", &TWinControl::kClassInfo, CreateBar, kBarProps, {}, {}};

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner), command_(NextCommand()) {
  SetBounds(0, 0, 23, 22);
}

TKivToolBar* TToolButton::ToolBar() const { return dynamic_cast<TKivToolBar*>(Parent()); }

void TToolButton::Changed() {
  if (TKivToolBar* bar = ToolBar()) bar->UpdateButtons();
}

void TToolButton::SetStyle(TToolButtonStyle v) {
  style_ = v;
  Changed();
}

void TToolButton::SetDown(bool v) {
  down_ = v;
  Changed();
}

void TToolButton::SetImageIndex(int v) {
  imageIndex_ = v;
  Changed();
}

void TToolButton::TextChanged() { Changed(); }
void TToolButton::EnabledChanged() { Changed(); }
void TToolButton::VisibleChanged() { Changed(); }

TKivToolBar::TKivToolBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, 29);
  SetAlign(TAlign::alTop);
  SetColor(clBtnFace);
}

int TKivToolBar::ButtonCount() const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    if (dynamic_cast<TToolButton*>(Controls(i))) ++n;
  }
  return n;
}

TToolButton* TKivToolBar::Buttons(int index) const {
  for (int i = 0; i < ControlCount(); ++i) {
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i)); b && index-- == 0) return b;
  }
  return nullptr;
}

void TKivToolBar::SetButtonHeight(int v) {
  buttonHeight_ = v;
  UpdateButtons();
}

void TKivToolBar::SetButtonWidth(int v) {
  buttonWidth_ = v;
  UpdateButtons();
}

void TKivToolBar::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  RecreateWnd();
}

void TKivToolBar::SetShowCaptions(bool v) {
  showCaptions_ = v;
  UpdateButtons();
}

void TKivToolBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.baseClass = u"ToolbarWindow32";
  p.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_TOOLTIPS;
  if (flat_) p.style |= TBSTYLE_FLAT;
  if (showCaptions_) p.style |= TBSTYLE_LIST;
}

void TKivToolBar::CreateWindowDone() {
  Platform::SendMessage(WindowHandle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TWinControl::CreateWindowDone();
  UpdateButtons();
}

void TKivToolBar::Loaded() {
  TWinControl::Loaded();
  UpdateButtons();
}

void TKivToolBar::UpdateButtons() {
  if (!HandleAllocated() || updating_ || HasState(csLoading)) return;
  updating_ = true;
  HWND h = WindowHandle();
  while (Platform::SendMessage(h, TB_BUTTONCOUNT, 0, 0) > 0) {
    Platform::SendMessage(h, TB_DELETEBUTTON, 0, 0);
  }
  Platform::SendMessage(h, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  for (int i = 0; TToolButton* b = Buttons(i); ++i) {
    if (!b->Visible()) continue;
    TBBUTTON tb{};
    tb.iBitmap = b->ImageIndex() >= 0 ? b->ImageIndex() : I_IMAGENONE;
    tb.idCommand = static_cast<int>(b->Command());
    tb.fsState = (b->Enabled() ? TBSTATE_ENABLED : 0) | (b->Down() ? TBSTATE_CHECKED : 0);
    switch (b->Style()) {
      case TToolButtonStyle::tbsCheck:
        tb.fsStyle = TBSTYLE_CHECK;
        break;
      case TToolButtonStyle::tbsDropDown:
        tb.fsStyle = TBSTYLE_DROPDOWN;
        break;
      case TToolButtonStyle::tbsSeparator:
      case TToolButtonStyle::tbsDivider:
        tb.fsStyle = TBSTYLE_SEP;
        break;
      default:
        tb.fsStyle = TBSTYLE_BUTTON;
        break;
    }
    bool sep = tb.fsStyle == TBSTYLE_SEP;
    // A captioned button is as wide as its text.
    if (showCaptions_ && !sep) tb.fsStyle |= TBSTYLE_AUTOSIZE;
    Platform::ToolBarAddButton(h, tb, sep || !showCaptions_ ? u"" : b->Caption());
  }
  if (!showCaptions_) {
    Platform::SendMessage(h, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
  }
  Platform::SendMessage(h, TB_AUTOSIZE, 0, 0);
  updating_ = false;
}

bool TKivToolBar::HandleNotification(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != CN_COMMAND) return false;
  for (int i = 0; TToolButton* b = Buttons(i); ++i) {
    if (b->Command() == LOWORD(wp)) {
      if (b->Style() == TToolButtonStyle::tbsCheck) {
        bool checked = Platform::SendMessage(WindowHandle(), TB_ISBUTTONCHECKED, b->Command(), 0);
        b->SetDown(checked);
      }
      b->Click();
      result = 0;
      return true;
    }
  }
  return false;
}

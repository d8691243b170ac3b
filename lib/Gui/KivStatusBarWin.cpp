#include "Gui/KivStatusBar.h"

#include "Rtl/Win.h"
#include <commctrl.h>

#include <vector>

#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"

namespace {

constexpr const char* kBevelNameList[] = {"pbNone", "pbLowered", "pbRaised"};
constexpr TEnumNames kBevelNames{kBevelNameList};
constexpr const char* kStyleNameList[] = {"psText", "psOwnerDraw"};
constexpr TEnumNames kStyleNames{kStyleNameList};

const TPropInfo kPanelProps[] = {
    EnumProp<&TStatusPanel::Alignment, &TStatusPanel::SetAlignment>("Alignment", AlignmentNames(),
                                                                    0),
    EnumProp<&TStatusPanel::Bevel, &TStatusPanel::SetBevel>("Bevel", kBevelNames, 1),
    // Right-to-left reading: kept, not done (in the order the tools write them).
    KeptProp("BiDiMode"),
    KeptProp("ParentBiDiMode"),
    EnumProp<&TStatusPanel::Style, &TStatusPanel::SetStyle>("Style", kStyleNames, 0),
    StrProp<&TStatusPanel::Text, &TStatusPanel::SetText>("Text"),
    IntProp<&TStatusPanel::Width, &TStatusPanel::SetWidth>("Width"),
};

const TPropInfo kBarProps[] = {
    EnumProp<&TControl::Align, &TControl::SetAlign>("Align", AlignNames(), 2),
    IdentProp<&TControl::Color, &TControl::SetColor>("Color", ColorIdents(), clBtnFace),
    ObjProp<&TKivStatusBar::Panels>("Panels"),
    BoolProp<&TKivStatusBar::SimplePanel, &TKivStatusBar::SetSimplePanel>("SimplePanel", false),
    StrProp<&TKivStatusBar::SimpleText, &TKivStatusBar::SetSimpleText>("SimpleText"),
    BoolProp<&TKivStatusBar::SizeGrip, &TKivStatusBar::SetSizeGrip>("SizeGrip", true),
    // The bar always takes the font it is given.
    KeptProp("UseSystemFont"),
};

TComponent* CreateBar(TComponent* owner) { return new TKivStatusBar(owner); }

UINT BevelFlags(TStatusPanelBevel b) {
  switch (b) {
    case TStatusPanelBevel::pbNone:
      return SBT_NOBORDERS;
    case TStatusPanelBevel::pbRaised:
      return SBT_POPOUT;
    default:
      return 0;
  }
}

}  // namespace

const TClassInfo TStatusPanel::kClassInfo{
    "TStatusPanel", &TCollectionItem::kClassInfo, nullptr, kPanelProps, {}, {}};
const TClassInfo TStatusPanels::kClassInfo{
    "TStatusPanels", &TCollection::kClassInfo, nullptr, {}, {}, {}};
const TClassInfo TKivStatusBar::kClassInfo{
    "TKivStatusBar", &TWinControl::kClassInfo, CreateBar, kBarProps, {}, {}};

void TStatusPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Changed();
}
void TStatusPanel::SetBevel(TStatusPanelBevel v) {
  bevel_ = v;
  Changed();
}
void TStatusPanel::SetStyle(TStatusPanelStyle v) {
  style_ = v;
  Changed();
}
void TStatusPanel::SetText(const std::u16string& v) {
  text_ = v;
  Changed();
}
void TStatusPanel::SetWidth(int v) {
  width_ = v < 0 ? 0 : v;
  Changed();
}

std::unique_ptr<TCollectionItem> TStatusPanels::NewItem() {
  return std::make_unique<TStatusPanel>(*this);
}

void TStatusPanels::Update(TCollectionItem*) { bar_.UpdatePanels(); }

TKivStatusBar::TKivStatusBar(TComponent* owner) : TWinControl(owner), panels_(*this) {
  SetBounds(0, 0, 200, 19);
  SetAlign(TAlign::alBottom);
  SetColor(clBtnFace);
}

void TKivStatusBar::SetSimplePanel(bool v) {
  simplePanel_ = v;
  UpdatePanels();
}

void TKivStatusBar::SetSimpleText(const std::u16string& v) {
  simpleText_ = v;
  UpdatePanels();
}

void TKivStatusBar::SetSizeGrip(bool v) {
  if (v == sizeGrip_) return;
  sizeGrip_ = v;
  RecreateWnd();
}

void TKivStatusBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.baseClass = u"msctls_statusbar32";
  p.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
  if (sizeGrip_) p.style |= SBARS_SIZEGRIP;
}

void TKivStatusBar::CreateWindowDone() {
  TWinControl::CreateWindowDone();
  UpdatePanels();
}

void TKivStatusBar::Loaded() {
  TWinControl::Loaded();
  UpdatePanels();
}

void TKivStatusBar::ClientResized() {
  TWinControl::ClientResized();
  UpdatePanels();
}

void TKivStatusBar::UpdatePanels() {
  if (!HandleAllocated() || HasState(csLoading)) return;
  HWND h = WindowHandle();
  if (simplePanel_ || panels_.Count() == 0) {
    Platform::SendMessage(h, SB_SIMPLE, TRUE, 0);
    Platform::StatusBarSetText(h, SB_SIMPLEID, 0, simpleText_);
    return;
  }
  Platform::SendMessage(h, SB_SIMPLE, FALSE, 0);
  std::vector<int> edges;
  int x = 0;
  for (int i = 0; i < panels_.Count(); ++i) {
    x += panels_.Items(i).Width();
    edges.push_back(i == panels_.Count() - 1 ? -1 : x);
  }
  Platform::SendMessage(h, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < panels_.Count(); ++i) {
    const TStatusPanel& p = panels_.Items(i);
    std::u16string text = p.Text();
    if (p.Alignment() == TAlignment::taCenter) text = u"\t" + text;
    if (p.Alignment() == TAlignment::taRightJustify) text = u"\t\t" + text;
    UINT style =
        BevelFlags(p.Bevel()) | (p.Style() == TStatusPanelStyle::psOwnerDraw ? SBT_OWNERDRAW : 0);
    Platform::StatusBarSetText(h, i, style, text);
  }
}

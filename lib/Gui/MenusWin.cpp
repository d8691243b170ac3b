#include "Gui/Menus.h"

#include <algorithm>

#include "FormFiles/ShortCut.h"
#include "Gui/PlatformGui.h"
#include "Gui/Properties.h"
#include "Rtl/ScopeGuard.h"

namespace {

constexpr TPropInfo kItemProps[] = {
    StrProp<&TMenuItem::CaptionText, &TMenuItem::SetCaption>("Caption"),
    BoolProp<&TMenuItem::Checked, &TMenuItem::SetChecked>("Checked", false),
    BoolProp<&TMenuItem::Enabled, &TMenuItem::SetEnabled>("Enabled", true),
    StrProp<&TMenuItem::Hint, &TMenuItem::SetHint>("Hint"),
    IntProp<&TMenuItem::ShortCut, &TMenuItem::SetShortCut>("ShortCut", 0),
    BoolProp<&TMenuItem::Visible, &TMenuItem::SetVisible>("Visible", true),
    EventProp<&TMenuItem::OnClick>("OnClick"),
    // Actions, automatic checks, radio groups, default items, help and images: kept,
    // not done.
    KeptProp("Action"),
    KeptProp("AutoCheck"),
    KeptProp("AutoHotkeys"),
    KeptProp("Default"),
    KeptProp("GroupIndex"),
    KeptProp("HelpContext"),
    KeptProp("ImageIndex"),
    KeptProp("RadioItem"),
};

const TPropInfo kMenuProps[] = {
    KeptProp("AutoHotkeys"),
    KeptProp("Images"),
};

TComponent* CreateItem(TComponent* owner) { return new TMenuItem(owner); }
TComponent* CreateMenu(TComponent* owner) { return new TMainMenu(owner); }

// Command ids of menu items; 0 means none, and ids stay below the MDI children's.
UINT NextCommand() {
  static UINT next = 100;
  if (++next >= 0xF000) next = 101;
  return next;
}

}  // namespace

const TClassInfo TMenuItem::kClassInfo{
    "TMenuItem", &TComponent::kClassInfo, CreateItem, kItemProps, {}, {}};
const TClassInfo TMainMenu::kClassInfo{
    "TMainMenu", &TComponent::kClassInfo, CreateMenu, kMenuProps, {}, {}};

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {}

TMenuItem::~TMenuItem() {
  for (TMenuItem* i : items_) i->parent_ = nullptr;
  if (parent_) parent_->Remove(this);
}

void TMenuItem::SetCaption(const std::u16string& v) {
  caption_ = v;
  Changed();
}

void TMenuItem::SetChecked(bool v) {
  checked_ = v;
  Changed();
}

void TMenuItem::SetEnabled(bool v) {
  enabled_ = v;
  Changed();
}

void TMenuItem::SetVisible(bool v) {
  visible_ = v;
  Changed();
}

void TMenuItem::SetShortCut(int v) {
  shortCut_ = v;
  Changed();
}

void TMenuItem::Click() { OnClick(this); }

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->parent_ = nullptr;
  Changed();
}

TMainMenu* TMenuItem::Menu() const {
  const TMenuItem* i = this;
  while (i->parent_) i = i->parent_;
  return i->menu_;
}

void TMenuItem::Changed() {
  if (TMainMenu* m = Menu()) m->Changed();
}

std::u16string TMenuItem::DisplayText() const {
  std::u16string text = caption_;
  if (shortCut_) text += u"\t" + ShortCutToText(static_cast<TShortCut>(shortCut_));
  return text;
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
  if (command_ == command && parent_) return this;
  for (TMenuItem* i : items_) {
    if (TMenuItem* found = i->FindCommand(command)) return found;
  }
  return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) {
  for (TMenuItem* i : items_) {
    if (!i->visible_ || !i->enabled_) continue;
    if (i->shortCut_ == shortCut) return i;
    if (TMenuItem* found = i->FindShortCut(shortCut)) return found;
  }
  return nullptr;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
    item->Add(this);
  } else if (auto* menu = dynamic_cast<TMainMenu*>(parent)) {
    menu->Items().Add(this);
  }
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TMenuItem* i : items_) proc(i);
}

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), root_(nullptr) { root_.menu_ = this; }

TMainMenu::~TMainMenu() {
  OnChange = nullptr;
  root_.menu_ = nullptr;
  // The items are components of the form; they are only unhooked here.
  while (root_.Count() > 0) root_.Remove(root_.Items(0));
}

void TMainMenu::Fill(HMENU menu, TMenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = *parent.Items(i);
    item.popup_ = nullptr;
    if (!item.Visible()) continue;
    UINT flags = MF_STRING;
    if (!item.Enabled()) flags |= MF_GRAYED;
    if (item.Checked()) flags |= MF_CHECKED;
    if (item.Caption() == u"-") {
      Platform::AppendMenu(menu, MF_SEPARATOR, 0, u"");
    } else if (item.Count() > 0) {
      HMENU sub = CreatePopupMenu();
      item.popup_ = sub;
      Fill(sub, item);
      Platform::AppendMenu(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
                           item.DisplayText());
    } else {
      Platform::AppendMenu(menu, flags, item.Command(), item.DisplayText());
    }
  }
}

HMENU TMainMenu::Handle() {
  if (!handle_) {
    handle_.reset(CreateMenu());
    Fill(static_cast<HMENU>(handle_.get()), root_);
  }
  return handle_.get();
}

void TMainMenu::Rebuild() {
  if (!handle_ || rebuilding_) return;
  rebuilding_ = true;
  // The window shows the old bar until told of the new one.
  MenuHandle old(handle_.release());
  ScopeGuard done([this] { rebuilding_ = false; });
  Handle();
  if (OnChange) OnChange();
}

void TMainMenu::Changed() {
  if (!HasState(csLoading | csDestroying)) Rebuild();
}

bool TMainMenu::IsShortCut(TShortCut shortCut) {
  if (shortCut == 0) return false;
  TMenuItem* item = root_.FindShortCut(shortCut);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMainMenu::DispatchCommand(UINT command) {
  TMenuItem* item = root_.FindCommand(command);
  if (!item || !item->Enabled()) return false;
  item->Click();
  return true;
}

void TMainMenu::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (int i = 0; i < root_.Count(); ++i) proc(root_.Items(i));
}

void AdjustMainMenu(TMainMenu* menu) {
  if (menu) menu->Rebuild();
}

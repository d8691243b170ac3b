// TMainMenu and TMenuItem: a form's menu bar. Items are components of the form stored
// inside their menu (or their parent item) in the description; each item gets a
// command id, and the form hands the WM_COMMAND of that id to the item's OnClick.
#pragma once

#include "Rtl/Win.h"

#include <string>
#include <vector>

#include "FormFiles/ShortCut.h"
#include "Gui/Component.h"
#include "Win/Handles.h"

class TMainMenu;

class TMenuItem : public TComponent {
  KIV_CLASS_INFO()

 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::u16string& Caption() const { return caption_; }
  std::u16string CaptionText() const { return caption_; }
  void SetCaption(const std::u16string& v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  int ShortCut() const { return shortCut_; }
  void SetShortCut(int v);
  std::u16string Hint() const { return hint_; }
  void SetHint(const std::u16string& v) { hint_ = v; }
  TNotifyEvent OnClick;
  virtual void Click();

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  TMenuItem* ParentItem() const { return parent_; }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  UINT Command() const { return command_; }
  // The drop-down menu of an item with items of its own, once the bar is built.
  HMENU SubMenuHandle() const { return popup_; }
  // The menu the item belongs to, through its parents.
  TMainMenu* Menu() const;

  // The text the menu shows: the caption, a tab and the shortcut's text.
  std::u16string DisplayText() const;
  TMenuItem* FindCommand(UINT command);
  // The visible, enabled item (below this one) whose shortcut this is, or null.
  TMenuItem* FindShortCut(TShortCut shortCut);

  void SetParentComponent(TComponent* parent) override;
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

 private:
  friend class TMainMenu;
  void Changed();

  std::u16string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  int shortCut_ = 0;
  std::u16string hint_;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  TMainMenu* menu_ = nullptr;  // set on the menu's root item only
  HMENU popup_ = nullptr;
  UINT command_;
};

class TMainMenu : public TComponent {
  KIV_CLASS_INFO()

 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;

  // The top-level items.
  TMenuItem& Items() { return root_; }
  // The menu bar, built on first use and rebuilt after a change.
  HMENU Handle();
  // Builds the menu again from the items (also the wide captions after a change of
  // code page or layer).
  void Rebuild();
  bool DispatchCommand(UINT command);
  // Runs the OnClick of the visible, enabled item whose shortcut this is; true when
  // there was one.
  bool IsShortCut(TShortCut shortCut);
  // A popup of this menu is about to open.
  void PopupInitialized(HMENU popup) {}

  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  // Tells the form showing the menu that its bar changed (the form answers with
  // CM_MENUCHANGED, which may adjust the menu again: that rebuild is not repeated).
  std::function<void()> OnChange;

 private:
  friend class TMenuItem;
  void Changed();
  void Fill(HMENU menu, TMenuItem& parent);

  TMenuItem root_;
  MenuHandle handle_;
  bool rebuilding_ = false;
};

// The Unicode control layer's adjustment of a form's menu: its items' texts are set
// again as wide text.
void AdjustMainMenu(TMainMenu* menu);

// TKivStatusBar: the bar at the bottom of a form (the common status bar control), with
// panels of wide text, or one simple text across the whole bar.
#pragma once

#include "Gui/Collection.h"
#include "Gui/WinControl.h"

class TKivStatusBar;

enum class TStatusPanelStyle { psText, psOwnerDraw };
enum class TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
  using TCollectionItem::TCollectionItem;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel v);
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle v);
  std::u16string Text() const { return text_; }
  void SetText(const std::u16string& v);
  int Width() const { return width_; }
  void SetWidth(int v);

 private:
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TStatusPanelBevel bevel_ = TStatusPanelBevel::pbLowered;
  TStatusPanelStyle style_ = TStatusPanelStyle::psText;
  std::u16string text_;
  int width_ = 50;
};

class TStatusPanels : public TCollection {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
  explicit TStatusPanels(TKivStatusBar& bar) : bar_(bar) {}
  TStatusPanel& Items(int index) const {
    return static_cast<TStatusPanel&>(TCollection::Items(index));
  }
  TStatusPanel& Add() { return static_cast<TStatusPanel&>(TCollection::Add()); }

 protected:
  std::unique_ptr<TCollectionItem> NewItem() override;
  void Update(TCollectionItem* item) override;

 private:
  TKivStatusBar& bar_;
};

class TKivStatusBar : public TWinControl {
  KIV_CLASS_INFO()

 public:
  explicit TKivStatusBar(TComponent* owner);

  TStatusPanels& Panels() { return panels_; }
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  std::u16string SimpleText() const { return simpleText_; }
  void SetSimpleText(const std::u16string& v);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool v);

  // Shows the panels again: their edges (SB_SETPARTS) and texts.
  void UpdatePanels();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowDone() override;
  void Loaded() override;
  void ClientResized() override;

 private:
  TStatusPanels panels_;
  bool simplePanel_ = false;
  std::u16string simpleText_;
  bool sizeGrip_ = true;
};

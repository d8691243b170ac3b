// Components with a published property of every kind, for the streaming tests.
#pragma once

#include <string>
#include <vector>

#include "Gui/Collection.h"
#include "Gui/Component.h"
#include "Gui/KivStrings.h"

enum class TSampleMode { smFirst, smSecond, smThird };
inline constexpr unsigned kOptionOne = 1;
inline constexpr unsigned kOptionTwo = 2;
inline constexpr unsigned kOptionThree = 4;

class TSampleFont : public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
  std::u16string Name() const { return name_; }
  void SetName(const std::u16string& n) { name_ = n; }
  int Size() const { return size_; }
  void SetSize(int s) { size_ = s; }

 private:
  std::u16string name_;
  int size_ = 8;
};

class TSampleItem : public TCollectionItem {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
  using TCollectionItem::TCollectionItem;
  std::u16string Caption() const { return caption_; }
  void SetCaption(const std::u16string& c) { caption_ = c; }
  int Width() const { return width_; }
  void SetWidth(int w) { width_ = w; }

 private:
  std::u16string caption_;
  int width_ = 50;
};

class TSampleItems : public TCollection {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }
  int updates = 0;

 protected:
  std::unique_ptr<TCollectionItem> NewItem() override {
    return std::make_unique<TSampleItem>(*this);
  }
  void Update(TCollectionItem*) override { ++updates; }
};

// Sample components nest: one stored inside another becomes its child.
class TSample : public TComponent {
  KIV_CLASS_INFO()

 public:
  explicit TSample(TComponent* owner) : TComponent(owner) {}
  ~TSample() override;

  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  bool Flag() const { return flag_; }
  void SetFlag(bool v) { flag_ = v; }
  TSampleMode Mode() const { return mode_; }
  void SetMode(TSampleMode v) { mode_ = v; }
  unsigned Options() const { return options_; }
  void SetOptions(unsigned v) { options_ = v; }
  int Shade() const { return shade_; }
  void SetShade(int v) { shade_ = v; }
  std::u16string Text() const { return text_; }
  void SetText(const std::u16string& v) { text_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  TComponent* Buddy() const { return buddy_; }
  void SetBuddy(TComponent* v);
  TSampleFont& Font() { return font_; }
  TSampleItems& Items() { return items_; }
  TKivStrings& Lines() { return lines_; }
  TNotifyEvent OnPing;

  TSample* ParentSample() const { return parent_; }
  const std::vector<TSample*>& Children() const { return children_; }
  int loadedCalls = 0;
  static std::vector<std::string>* loadOrder;

  void Loaded() override;
  void SetParentComponent(TComponent* parent) override;
  TComponent* GetParentComponent() const override { return parent_; }
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  int count_ = 0;
  bool flag_ = false;
  TSampleMode mode_ = TSampleMode::smFirst;
  unsigned options_ = 0;
  int shade_ = 0;
  std::u16string text_;
  double ratio_ = 0;
  TComponent* buddy_ = nullptr;
  TSampleFont font_;
  TSampleItems items_;
  TKivStrings lines_;
  TSample* parent_ = nullptr;
  std::vector<TSample*> children_;
};

// A root with published methods and component fields.
class TSampleRoot : public TSample {
  KIV_CLASS_INFO()

 public:
  explicit TSampleRoot(TComponent* owner = nullptr) : TSample(owner) {}
  void Ping(TComponent* sender) { pinged.push_back(sender); }
  void Other(TComponent* sender, int& value) { value = 1; }
  std::vector<TComponent*> pinged;
  TSample* First = nullptr;
  TSample* Second = nullptr;
};

// A component the registry knows but that is no TSample.
class TPlain : public TComponent {
  KIV_CLASS_INFO()

 public:
  using TComponent::TComponent;
};

// Registers the sample classes once.
void RegisterSampleClasses();

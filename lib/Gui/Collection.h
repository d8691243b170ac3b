// TCollection: an owned list of items of one class (a status bar's panels), stored in a
// description as one collection value holding each item's properties.
#pragma once

#include <memory>
#include <vector>

#include "Gui/Persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  explicit TCollectionItem(TCollection& collection) : collection_(&collection) {}
  TCollection& Collection() const { return *collection_; }
  int Index() const;

 protected:
  // Tells the collection that this item changed.
  void Changed();

 private:
  TCollection* collection_;
};

class TCollection : public TPersistent {
 public:
  static const TClassInfo kClassInfo;
  const TClassInfo& ClassInfo() const override { return kClassInfo; }

  TCollection() = default;
  ~TCollection() override;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (%d)" for a bad index.
  TCollectionItem& Items(int index) const;
  TCollectionItem& Add();
  void Delete(int index);
  void Clear();
  // Content equality by published properties, as the writer compares with an ancestor.
  bool SameContent(const TCollection& other) const;

  // Changes inside one bracket are reported once, at its end.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

 protected:
  virtual std::unique_ptr<TCollectionItem> NewItem() = 0;
  // Called after a change: `item` changed, or the whole list when it is null.
  virtual void Update(TCollectionItem* item) {}

 private:
  friend class TCollectionItem;
  void Changed(TCollectionItem* item);

  std::vector<std::unique_ptr<TCollectionItem>> items_;
  int updateCount_ = 0;
};

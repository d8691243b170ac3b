#include "Gui/Collection.h"

#include <algorithm>

#include "Gui/Events.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

const TClassInfo TCollectionItem::kClassInfo{
    "TCollectionItem", &TPersistent::kClassInfo, nullptr, {}, {}, {}};
const TClassInfo TCollection::kClassInfo{
    "TCollection", &TPersistent::kClassInfo, nullptr, {}, {}, {}};

int TCollectionItem::Index() const {
  const auto& items = collection_->items_;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

void TCollectionItem::Changed() { collection_->Changed(this); }

TCollection::~TCollection() = default;

TCollectionItem& TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError(Format(RtlMessages::kListIndexError, index));
  }
  return *items_[static_cast<std::size_t>(index)];
}

TCollectionItem& TCollection::Add() {
  items_.push_back(NewItem());
  Changed(nullptr);
  return *items_.back();
}

void TCollection::Delete(int index) {
  Items(index);
  items_.erase(items_.begin() + index);
  Changed(nullptr);
}

void TCollection::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed(nullptr);
}

void TCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Update(nullptr);
}

void TCollection::Changed(TCollectionItem* item) {
  if (updateCount_ == 0) Update(item);
}

namespace {
bool SameProps(TPersistent& a, TPersistent& b) {
  bool same = true;
  a.ClassInfo().ForEachProp([&](const TPropInfo& p) {
    if (!same) return;
    switch (p.kind) {
      case TPropKind::String:
        same = p.getStr(a) == p.getStr(b);
        break;
      case TPropKind::Float:
        same = p.getFloat(a) == p.getFloat(b);
        break;
      case TPropKind::Component:
        same = p.getComp(a) == p.getComp(b);
        break;
      case TPropKind::Event:
        same = p.getEvent(a)->MethodName() == p.getEvent(b)->MethodName();
        break;
      case TPropKind::Object:
        same = SameProps(*p.getObj(a), *p.getObj(b));
        break;
      case TPropKind::Kept: {
        const auto* x = a.KeptValue(p.name);
        const auto* y = b.KeptValue(p.name);
        same = x && y ? *x == *y : x == y;
        break;
      }
      default:
        same = p.getOrd(a) == p.getOrd(b);
        break;
    }
  });
  return same;
}
}  // namespace

bool TCollection::SameContent(const TCollection& other) const {
  if (Count() != other.Count() || &ClassInfo() != &other.ClassInfo()) return false;
  for (int i = 0; i < Count(); ++i) {
    if (&Items(i).ClassInfo() != &other.Items(i).ClassInfo() ||
        !SameProps(Items(i), other.Items(i))) {
      return false;
    }
  }
  return true;
}

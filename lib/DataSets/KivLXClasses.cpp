#include "DataSets/KivLXClasses.h"

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

namespace {
constexpr const char* kDelCountError = "Internal Error: DelCount must be greater than 0. (%d)";

constexpr std::size_t kSlot = sizeof(void*);
}  // namespace

TKivList::~TKivList() {
  try {
    Clear();
  } catch (...) {
    // A notification handler failed; the block is released all the same.
  }
  std::free(blockStart_);
}

void TKivList::Error(const char* message, std::int64_t value) {
  throw EListError(Format(message, value));
}

int TKivList::GrowthStep(int capacity) {
  if (capacity <= 8) return 4;
  if (capacity <= 64) return 16;
  return capacity / 4 < 16384 ? capacity / 4 : 16384;
}

void TKivList::Grow() {
  // Both terms are at most kMaxListSize, so the sum cannot wrap; SetCapacity refuses
  // a result above the limit.
  SetCapacity(Capacity() + GrowthStep(Capacity()));
}

void TKivList::Notify(void* item, TListNotification action) {
  if (OnNotify) OnNotify(item, action);
}

// Resizes the block, keeping the front gap and the items where they are.
void TKivList::Reallocate(std::size_t slots) {
  std::size_t gap = static_cast<std::size_t>(firstItem_ - blockStart_);
  auto* block = static_cast<void**>(std::realloc(blockStart_, slots * kSlot));
  if (!block) throw EOutOfMemory(RtlMessages::kOutOfMemory);
  blockStart_ = block;
  firstItem_ = block + gap;
  blockEnd_ = block + slots;
}

void TKivList::OpenFrontGap() {
  int capacity = Capacity();
  int step = GrowthStep(capacity);
  Reallocate(static_cast<std::size_t>(capacity) + step);
  // Reallocate kept the items at the block start (there was no gap); move them up.
  if (count_ > 0) std::memmove(blockStart_ + step, blockStart_, count_ * kSlot);
  firstItem_ = blockStart_ + step;
  blockEnd_ = firstItem_ + capacity;
}

void TKivList::SetCapacity(int newCapacity) {
  if (newCapacity < count_ || newCapacity > kMaxListSize) {
    throw EKivGeneralError(Format(RtlMessages::kListCapacityError, newCapacity));
  }
  if (newCapacity == Capacity()) return;
  if (FrontGap() == 0) OpenFrontGap();  // every reallocation keeps a gap
  Reallocate(static_cast<std::size_t>(FrontGap()) + newCapacity);
}

void TKivList::SetCount(int newCount) {
  if (newCount < 0 || newCount > kMaxListSize) Error(RtlMessages::kListCountError, newCount);
  if (Capacity() < newCount) SetCapacity(newCount);
  if (newCount > count_) {
    std::memset(firstItem_ + count_, 0, static_cast<std::size_t>(newCount - count_) * kSlot);
    count_ = newCount;
  } else if (newCount < count_) {
    Delete(newCount, count_ - newCount);
  }
}

int TKivList::Add(void* item) {
  if (count_ == Capacity()) Grow();
  int index = count_;
  firstItem_[index] = item;
  ++count_;
  if (item) Notify(item, lnAdded);
  return index;
}

void TKivList::Insert(int index, void* item) {
  if (index < 0 || index > count_) Error(RtlMessages::kListIndexError, index);
  if (count_ == Capacity()) Grow();
  if (index < count_ - index) {
    if (FrontGap() == 0) OpenFrontGap();
    --firstItem_;
    if (index > 0)
      std::memmove(firstItem_, firstItem_ + 1, static_cast<std::size_t>(index) * kSlot);
  } else if (index < count_) {
    std::memmove(firstItem_ + index + 1, firstItem_ + index,
                 static_cast<std::size_t>(count_ - index) * kSlot);
  }
  firstItem_[index] = item;
  ++count_;
  if (item) Notify(item, lnAdded);
}

void TKivList::Delete(int index, int count) {
  if (count <= 0) throw EKivInternalError(Format(kDelCountError, count));
  if (index < 0 || static_cast<std::int64_t>(index) + count - 1 >= count_) {
    Error(RtlMessages::kListIndexError, index);
  }
  if (count == 1) {
    void* item = firstItem_[index];
    RemoveRun(index, 1);
    if (item) Notify(item, lnDeleted);
    return;
  }
  // Keep the removed items for the notifications, which come after the list is whole.
  std::vector<void*> removed(firstItem_ + index, firstItem_ + index + count);
  RemoveRun(index, count);
  for (void* item : removed) {
    if (item) Notify(item, lnDeleted);
  }
}

void TKivList::RemoveRun(int index, int count) {
  count_ -= count;
  int after = count_ - index;
  if (index < after) {
    if (index > 0) {
      std::memmove(firstItem_ + count, firstItem_, static_cast<std::size_t>(index) * kSlot);
    }
    firstItem_ += count;
  } else if (index < count_) {
    std::memmove(firstItem_ + index, firstItem_ + index + count,
                 static_cast<std::size_t>(after) * kSlot);
  }
}

void* TKivList::Get(int index) const {
  if (index < 0 || index >= count_) Error(RtlMessages::kListIndexError, index);
  return firstItem_[index];
}

int TKivList::IndexOf(const void* item) const {
  for (int i = 0; i < count_; ++i) {
    if (firstItem_[i] == item) return i;
  }
  return -1;
}

void TKivList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TKivList::Assign(const TKivList& source, TListAssignOp op, const TKivList* other) {
  if (other) {
    if (other == this) {
      // Copying the source would overwrite the second operand; work from a copy of it.
      TKivList saved;
      saved.Assign(*this);
      Assign(source);
      Assign(saved, op);
    } else {
      Assign(source);
      Assign(*other, op);
    }
    return;
  }
  switch (op) {
    case laCopy:
      if (&source == this) return;  // clearing first would lose every item
      Clear();
      SetCapacity(source.Capacity());
      for (int i = 0; i < source.Count(); ++i) Add(source.firstItem_[i]);
      break;
    case laAnd:
      for (int i = count_ - 1; i >= 0; --i) {
        if (source.IndexOf(firstItem_[i]) == -1) Delete(i, 1);
      }
      break;
    case laOr:
      for (int i = 0; i < source.Count(); ++i) {
        if (IndexOf(source.firstItem_[i]) == -1) Add(source.firstItem_[i]);
      }
      break;
    case laXor: {
      TKivList missing;
      missing.SetCapacity(source.Count());
      for (int i = 0; i < source.Count(); ++i) {
        if (IndexOf(source.firstItem_[i]) == -1) missing.Add(source.firstItem_[i]);
      }
      for (int i = count_ - 1; i >= 0; --i) {
        if (source.IndexOf(firstItem_[i]) != -1) Delete(i, 1);
      }
      if (Capacity() < count_ + missing.Count()) SetCapacity(count_ + missing.Count());
      for (int i = 0; i < missing.Count(); ++i) Add(missing.firstItem_[i]);
      break;
    }
    case laSrcUnique:
      for (int i = count_ - 1; i >= 0; --i) {
        if (source.IndexOf(firstItem_[i]) != -1) Delete(i, 1);
      }
      break;
    case laDestUnique: {
      TKivList missing;
      for (int i = source.Count() - 1; i >= 0; --i) {
        if (IndexOf(source.firstItem_[i]) == -1) missing.Add(source.firstItem_[i]);
      }
      Assign(missing);
      break;
    }
  }
}

void TKivList::SortItems(const CompareFn& compare) {
  if (count_ == 0 || !blockStart_) return;
  QuickSort(0, count_ - 1, compare);
}

void TKivList::QuickSort(int l, int r, const CompareFn& compare) {
  void** items = firstItem_;
  while (l < r) {
    int i = l, j = r;
    void* pivot = items[l + (r - l) / 2];
    do {
      // The bounds keep a comparison that is not a consistent order from running off
      // the range; with a consistent one they never trigger.
      while (i < r && compare(items[i], pivot) < 0) ++i;
      while (j > l && compare(items[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    // Recurse into the smaller part and loop on the larger, so the depth stays
    // logarithmic; the partitions, and so the result, are the same either way.
    if (j - l < r - i) {
      if (l < j) QuickSort(l, j, compare);
      l = i;
    } else {
      if (i < r) QuickSort(i, r, compare);
      r = j;
    }
  }
}

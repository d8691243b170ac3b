// KivLXClasses: TKivList, the library's list of untyped, pointer-sized item references.
//
// The storage block keeps a front gap of free slots ahead of item 0, so inserting or
// deleting near the front moves only the items on the shorter side of the change: work
// at the front of the list is as cheap as work at the back.
//
// The list never owns what its items point to. It is single-threaded and takes no
// locks. Every check happens before anything changes, so a failed call leaves the list
// as it was.
#pragma once

#include <cstdint>
#include <functional>

enum TListNotification { lnAdded = 0, lnExtracted = 1, lnDeleted = 2 };

// Set operations of Assign. Membership is by item identity (IndexOf).
enum TListAssignOp {
  laCopy = 0,        // this := A
  laAnd = 1,         // keep this list's items that A holds
  laOr = 2,          // add A's items this list lacks
  laXor = 3,         // drop items both hold; add A's items this list lacked
  laSrcUnique = 4,   // drop this list's items that A holds
  laDestUnique = 5,  // this := A's items this list lacks, in A's reverse order
};

class TKivList {
 public:
  static constexpr int kMaxListSize = 0x7FFFFFF;
  using NotifyEvent = std::function<void(void* item, TListNotification action)>;
  // <0, 0, >0 as the first item sorts before, with or after the second.
  using CompareFn = std::function<int(void*, void*)>;

  TKivList() = default;
  TKivList(const TKivList&) = delete;
  TKivList& operator=(const TKivList&) = delete;
  // Clears the list (notifying) and releases the block.
  virtual ~TKivList();

  // Appends; returns the index used.
  int Add(void* item);
  // Inserts at 0 … Count; the index error otherwise.
  void Insert(int index, void* item);
  // Removes `count` items from `index`; raises EKivInternalError for a count ≤ 0 and
  // the index error (naming `index`) when the run leaves the list.
  void Delete(int index, int count = 1);
  void* Get(int index) const;
  void* operator[](int index) const { return Get(index); }
  // First index holding the item, or −1.
  int IndexOf(const void* item) const;

  int Count() const { return count_; }
  // Growing fills with null items silently; shrinking deletes (and notifies).
  void SetCount(int newCount);
  int Capacity() const { return static_cast<int>(blockEnd_ - firstItem_); }
  // Raises EKivGeneralError "List capacity out of bounds (%d)" below Count or above
  // kMaxListSize.
  void SetCapacity(int newCapacity);
  // Free slots ahead of item 0.
  int FrontGap() const { return static_cast<int>(firstItem_ - blockStart_); }
  // The slots from item 0 on; valid until the next change of the list.
  void* const* List() const { return firstItem_; }

  // Count := 0 (notifying), then Capacity := 0; a block that holds only the front
  // gap stays until the list is destroyed.
  virtual void Clear();
  // Applies `op` with `source`; with `other`, first copies `source` and then applies
  // `op` with `other`.
  void Assign(const TKivList& source, TListAssignOp op = laCopy, const TKivList* other = nullptr);
  // In-place quicksort; not stable; sends no notifications.
  void SortItems(const CompareFn& compare);

  NotifyEvent OnNotify;

 protected:
  virtual void Grow();
  virtual void Notify(void* item, TListNotification action);
  // Raises EListError with the message formatted with the value.
  [[noreturn]] static void Error(const char* message, std::int64_t value);

 private:
  static int GrowthStep(int capacity);
  void OpenFrontGap();
  void Reallocate(std::size_t slots);
  void RemoveRun(int index, int count);  // closes the gap the run leaves
  void QuickSort(int l, int r, const CompareFn& compare);

  void** firstItem_ = nullptr;
  void** blockStart_ = nullptr;
  void** blockEnd_ = nullptr;
  int count_ = 0;
};

// The row store of the variant-array data set: a TKivList that adds nothing.
class TVarArrayList : public TKivList {};

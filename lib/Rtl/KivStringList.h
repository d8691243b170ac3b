// TKivStringList: the Unicode layer's ordered list of wide strings, each with an
// object slot.
//
// Comparison is locale-aware and ignores case unless CaseSensitive is set. In sorted
// mode the list keeps its order, Find is a binary search, and adding follows the
// Duplicates rule. Index errors raise EStringListError "List index out of bounds (%d)".
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TStream;

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TKivStringList {
 public:
  using NotifyEvent = std::function<void(TKivStringList&)>;
  // Returns <0, 0, >0 for the items at the two indexes.
  using CompareFn = std::function<int(TKivStringList&, int, int)>;

  TKivStringList() = default;
  virtual ~TKivStringList() = default;
  TKivStringList(const TKivStringList&) = delete;
  TKivStringList& operator=(const TKivStringList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  const std::u16string& Get(int index) const;
  void Put(int index, const std::u16string& s);
  void* Objects(int index) const;
  void PutObject(int index, void* object);

  // Returns the index at which the string stands (for an ignored duplicate, the
  // existing one's).
  int Add(const std::u16string& s) { return AddObject(s, nullptr); }
  virtual int AddObject(const std::u16string& s, void* object);
  void AddStrings(const TKivStringList& other);
  void Insert(int index, const std::u16string& s) { InsertObject(index, s, nullptr); }
  void InsertObject(int index, const std::u16string& s, void* object);
  void Delete(int index);
  void Exchange(int a, int b);
  void Move(int from, int to);
  void Clear();
  void Assign(const TKivStringList& other);

  int IndexOf(std::u16string_view s) const;
  int IndexOfObject(const void* object) const;
  // Binary search of a sorted list: true when found; `index` is where the string
  // stands or would be inserted.
  bool Find(std::u16string_view s, int& index) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool cs);
  void Sort();
  void CustomSort(const CompareFn& compare);
  virtual int CompareStrings(std::u16string_view a, std::u16string_view b) const;

  // Name=value access: the name is the text before the first "=".
  std::u16string Names(int index) const;
  std::u16string ValueFromIndex(int index) const;
  std::u16string Values(std::u16string_view name) const;
  // Sets or adds name=value; an empty value deletes the entry.
  void SetValue(std::u16string_view name, std::u16string_view value);
  int IndexOfName(std::u16string_view name) const;

  // Every line followed by CR LF; setting splits at CR LF, CR or LF.
  std::u16string Text() const;
  void SetText(std::u16string_view text);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  NotifyEvent OnChange;
  NotifyEvent OnChanging;

  // Files and streams are UTF-16 LE with a byte-order mark; loading also takes UTF-8
  // with a byte-order mark and, without a mark, text in the system code page.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::u16string& fileName);
  void SaveToFile(const std::u16string& fileName) const;

 protected:
  void Changing();
  void Changed();

 private:
  struct Item {
    std::u16string text;
    void* object = nullptr;
  };
  void CheckIndex(int index) const;
  void InsertItem(int index, const std::u16string& s, void* object);
  void QuickSort(int l, int r, const CompareFn& compare);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
  int updateCount_ = 0;
};

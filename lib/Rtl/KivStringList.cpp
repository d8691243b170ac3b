#include "Rtl/KivStringList.h"

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Streams.h"
#include "Rtl/WideText.h"

void TKivStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError(Format(RtlMessages::kListIndexError, index));
  }
}

const std::u16string& TKivStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

void TKivStringList::Put(int index, const std::u16string& s) {
  if (sorted_) throw EStringListError(RtlMessages::kSortedListError);
  CheckIndex(index);
  Changing();
  items_[index].text = s;
  Changed();
}

void* TKivStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TKivStringList::PutObject(int index, void* object) {
  CheckIndex(index);
  Changing();
  items_[index].object = object;
  Changed();
}

int TKivStringList::AddObject(const std::u16string& s, void* object) {
  int index = Count();
  if (sorted_ && Find(s, index)) {
    switch (duplicates_) {
      case TDuplicates::dupIgnore:
        return index;
      case TDuplicates::dupError:
        throw EStringListError(RtlMessages::kDuplicateString);
      case TDuplicates::dupAccept:
        break;
    }
  }
  InsertItem(index, s, object);
  return index;
}

void TKivStringList::AddStrings(const TKivStringList& other) {
  BeginUpdate();
  try {
    for (const Item& item : other.items_) AddObject(item.text, item.object);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKivStringList::InsertObject(int index, const std::u16string& s, void* object) {
  if (sorted_) throw EStringListError(RtlMessages::kSortedListError);
  if (index < 0 || index > Count()) {
    throw EStringListError(Format(RtlMessages::kListIndexError, index));
  }
  InsertItem(index, s, object);
}

void TKivStringList::InsertItem(int index, const std::u16string& s, void* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TKivStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TKivStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  Changing();
  std::swap(items_[a], items_[b]);
  Changed();
}

void TKivStringList::Move(int from, int to) {
  if (from == to) return;
  CheckIndex(from);
  CheckIndex(to);
  Changing();
  Item item = std::move(items_[from]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
  Changed();
}

void TKivStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TKivStringList::Assign(const TKivStringList& other) {
  if (&other == this) return;
  BeginUpdate();
  Clear();
  items_ = other.items_;
  if (sorted_) Sort();
  EndUpdate();
}

int TKivStringList::CompareStrings(std::u16string_view a, std::u16string_view b) const {
  return caseSensitive_ ? WideCompareStr(a, b) : WideCompareText(a, b);
}

int TKivStringList::IndexOf(std::u16string_view s) const {
  if (sorted_) {
    int index;
    return Find(s, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (CompareStrings(items_[i].text, s) == 0) return i;
  }
  return -1;
}

int TKivStringList::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[i].object == object) return i;
  }
  return -1;
}

bool TKivStringList::Find(std::u16string_view s, int& index) const {
  bool found = false;
  int l = 0;
  int h = Count() - 1;
  while (l <= h) {
    int i = l + (h - l) / 2;
    int c = CompareStrings(items_[i].text, s);
    if (c < 0) {
      l = i + 1;
    } else {
      h = i - 1;
      if (c == 0) {
        found = true;
        // Without accepted duplicates the first match is the one; with them the
        // search goes on to the first of the equal run.
        if (duplicates_ != TDuplicates::dupAccept) l = i;
      }
    }
  }
  index = l;
  return found;
}

void TKivStringList::SetSorted(bool sorted) {
  if (sorted_ == sorted) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TKivStringList::SetCaseSensitive(bool cs) {
  if (caseSensitive_ == cs) return;
  caseSensitive_ = cs;
  if (sorted_) Sort();
}

void TKivStringList::Sort() {
  CustomSort([](TKivStringList& list, int a, int b) {
    return list.CompareStrings(list.items_[a].text, list.items_[b].text);
  });
}

void TKivStringList::CustomSort(const CompareFn& compare) {
  if (Count() < 2) return;
  Changing();
  QuickSort(0, Count() - 1, compare);
  Changed();
}

void TKivStringList::QuickSort(int l, int r, const CompareFn& compare) {
  // The pivot travels with its item, so the comparison always names live indexes.
  int i;
  do {
    i = l;
    int j = r;
    int p = l + (r - l) / 2;
    do {
      while (compare(*this, i, p) < 0) ++i;
      while (compare(*this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j) std::swap(items_[i], items_[j]);
        if (p == i) {
          p = j;
        } else if (p == j) {
          p = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(l, j, compare);
    l = i;
  } while (i < r);
}

std::u16string TKivStringList::Names(int index) const {
  const std::u16string& s = Get(index);
  std::size_t eq = s.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : s.substr(0, eq);
}

std::u16string TKivStringList::ValueFromIndex(int index) const {
  const std::u16string& s = Get(index);
  std::size_t eq = s.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : s.substr(eq + 1);
}

int TKivStringList::IndexOfName(std::u16string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::u16string& s = items_[i].text;
    std::size_t eq = s.find(u'=');
    if (eq != std::u16string::npos &&
        CompareStrings(std::u16string_view(s).substr(0, eq), name) == 0) {
      return i;
    }
  }
  return -1;
}

std::u16string TKivStringList::Values(std::u16string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::u16string() : ValueFromIndex(i);
}

void TKivStringList::SetValue(std::u16string_view name, std::u16string_view value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::u16string line = std::u16string(name) + u"=" + std::u16string(value);
  if (i < 0) {
    Add(line);
  } else if (sorted_) {
    // A sorted list keeps its order: the new text goes where it belongs.
    Delete(i);
    Add(line);
  } else {
    Put(i, line);
  }
}

std::u16string TKivStringList::Text() const {
  std::u16string out;
  for (const Item& item : items_) {
    out += item.text;
    out += u"\r\n";
  }
  return out;
}

void TKivStringList::SetText(std::u16string_view text) {
  BeginUpdate();
  try {
    Clear();
    for (const std::u16string& line : SplitLines(text)) Add(line);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKivStringList::BeginUpdate() {
  if (updateCount_ == 0) Changing();
  ++updateCount_;
}

void TKivStringList::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) Changed();
}

void TKivStringList::Changing() {
  if (updateCount_ == 0 && OnChanging) OnChanging(*this);
}

void TKivStringList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TKivStringList::LoadFromStream(TStream& stream) {
  std::vector<std::uint8_t> bytes = stream.ReadAll();
  std::u16string text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]));
    }
  } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    text = Utf8ToWide(
        std::string_view(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3));
  } else {
    text = AnsiToWide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  SetText(text);
}

void TKivStringList::SaveToStream(TStream& stream) const {
  std::u16string text = Text();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 + text.size() * 2);
  bytes.push_back(0xFF);
  bytes.push_back(0xFE);
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TKivStringList::LoadFromFile(const std::u16string& fileName) {
  TFileStream f(fileName, FileMode::OpenRead);
  LoadFromStream(f);
}

void TKivStringList::SaveToFile(const std::u16string& fileName) const {
  TFileStream f(fileName, FileMode::Create);
  SaveToStream(f);
}

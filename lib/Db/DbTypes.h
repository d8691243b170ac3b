// Types shared by the data-set abstraction: field types, states, get modes, bookmark
// flags, locate and filter options, and the toolkit's database messages.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Field types with the toolkit's ordinals.
enum TFieldType : std::uint8_t {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftWord = 4,
  ftBoolean = 5,
  ftFloat = 6,
  ftCurrency = 7,
  ftBCD = 8,
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBytes = 12,
  ftVarBytes = 13,
  ftAutoInc = 14,
  ftBlob = 15,
  ftMemo = 16,
  ftFixedChar = 23,
  ftWideString = 24,
  ftLargeint = 25,
  ftVariant = 32,
  ftInterface = 33,
  ftIDispatch = 34,
  ftGuid = 35,
};

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsFilter };
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag : std::uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };
enum TDataAction { daFail, daAbort, daRetry };

// A small set of enumeration values.
template <typename E>
class TOptionSet {
 public:
  constexpr TOptionSet() = default;
  constexpr TOptionSet(std::initializer_list<E> values) {
    for (E e : values) bits_ |= Bit(e);
  }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TOptionSet& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TOptionSet& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }
  friend constexpr bool operator==(TOptionSet, TOptionSet) = default;

 private:
  static constexpr unsigned Bit(E e) { return 1u << static_cast<unsigned>(e); }
  unsigned bits_ = 0;
};

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TOptionSet<TLocateOption>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TOptionSet<TFilterOption>;

// A record buffer: memory laid out by the data set that allocates it.
using TRecordBuffer = std::uint8_t*;
// A bookmark: the data set's bookmark bytes; empty means no bookmark.
using TBookmark = std::vector<std::uint8_t>;
// The same bytes carried in a string.
using TBookmarkStr = std::string;

namespace DbMessages {
inline constexpr const char* kDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* kDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* kNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* kFieldNotFound = "Field '%s' not found";
inline constexpr const char* kFieldRequired = "Field '%s' must have a value";
inline constexpr const char* kFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* kFieldNoDataSet = "Field '%s' has no dataset";
inline constexpr const char* kDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* kUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char* kFieldTypeMismatch = "Type mismatch for field '%s'";
inline constexpr const char* kInvalidBookmark = "Invalid bookmark";
inline constexpr const char* kRecordNotFound = "Record not found";
inline constexpr const char* kFieldAccessError = "Cannot access field '%s' as type %s";
}  // namespace DbMessages

#include "DataSets/KivLXDataSet.h"

#include <cstring>
#include <exception>
#include <limits>
#include <new>

#include "DataSets/KivFields.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"
#include "Rtl/Lock.h"
#include "Rtl/ScopeGuard.h"
#include "Rtl/WideText.h"

namespace {

constexpr const char* kNoCurrentRecord =
    "Internal Error: TKivDataSet.InternalGetRecord has no current record.";
constexpr const char* kSnapNeedsRecords =
    "Internal Error: SnapRecordPosition() required a record count.";
constexpr const char* kBookmarkNotFound = "Bookmark not found.";
constexpr const char* kNotAssigned = "Internal Error: %s not assigned.";
constexpr const char* kFilterNotSupported = "TKivDataSet.Filter property is not supported yet.";
constexpr const char* kVarToBufferType =
    "Internal Error: VarToBuffer() encountered unexpected field type.";
constexpr const char* kBufferToVarType =
    "Internal Error: BufferToVar() encountered unexpected field type.";

// The header holds the bookmark (the row handle, then the row's serial number) and
// then the flag byte; the variants after it need 8-byte alignment.
constexpr std::size_t kHandleSize = sizeof(TRowHandle);
constexpr std::size_t kSerialSize = sizeof(std::uint64_t);
constexpr std::size_t kBookmarkSize = kHandleSize + kSerialSize;
constexpr std::size_t kFlagOffset = kBookmarkSize;
constexpr std::size_t kHeaderSize = (kBookmarkSize + 1 + 7) / 8 * 8;
static_assert(alignof(Variant) <= 8, "variants fit the buffer's alignment");

// The process-wide sort lock. A function-local static needs no start-up code and
// exists before the first sort.
TCriticalSection& SortLock() {
  static TCriticalSection lock;
  return lock;
}

TRowHandle ReadHandle(const void* data) {
  TRowHandle h;
  std::memcpy(&h, data, kHandleSize);
  return h;
}

std::uint64_t ReadSerial(const void* data) {
  std::uint64_t serial;
  std::memcpy(&serial, static_cast<const std::uint8_t*>(data) + kHandleSize, kSerialSize);
  return serial;
}

void WriteBookmark(void* data, TRowHandle row, std::uint64_t serial) {
  std::memcpy(data, &row, kHandleSize);
  std::memcpy(static_cast<std::uint8_t*>(data) + kHandleSize, &serial, kSerialSize);
}

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

// Both values as wide text, the row's cut to the key's length for a partial key.
int CompareAsText(const Variant& x, const Variant& y, TLocateOptions options) {
  std::u16string xs, ys;
  std::u16string_view xv = x.WideView(), yv = y.WideView();
  if (x.Type() != varOleStr) xv = xs = x.AsWideString();
  if (y.Type() != varOleStr) yv = ys = y.AsWideString();
  if (options.Contains(loPartialKey) && xv.size() > yv.size()) xv = xv.substr(0, yv.size());
  return options.Contains(loCaseInsensitive) ? WideCompareText(xv, yv) : WideCompareStr(xv, yv);
}

int CompareScalars(const Variant& x, const Variant& y, TLocateOptions options) {
  KIV_ASSERT(!x.IsArray() && !y.IsArray(), "InternalError: Array type variants found.");
  if (!options.Empty() && x.IsString() && y.IsString()) return Sign(CompareAsText(x, y, options));
  switch (VarCompareValue(x, y)) {
    case TVariantRelationship::vrLessThan:
      return -1;
    case TVariantRelationship::vrGreaterThan:
      return 1;
    case TVariantRelationship::vrEqual:
      return 0;
    case TVariantRelationship::vrNotEqual:
      break;
  }
  if (x.IsEmptyOrNull() && !y.IsEmptyOrNull()) return -1;
  if (!x.IsEmptyOrNull() && y.IsEmptyOrNull()) return 1;
  return 0;
}

// A row value against a key value in a linear search; a failure is no match.
bool ScalarMatches(const Variant& rowValue, const Variant& key, TLocateOptions options) {
  try {
    if (!options.Empty()) return CompareAsText(rowValue, key, options) == 0;
    if (rowValue.IsEmpty()) return key.IsEmpty();
    if (rowValue.IsNull()) return key.IsNull();
    if (key.IsEmptyOrNull()) return false;
    return VarCompareValue(rowValue, key) == TVariantRelationship::vrEqual;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

// ---- Field-buffer conversions ----

void VarToBuffer(const TField& field, const Variant& value, void* buffer) {
  switch (field.DataType()) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      *static_cast<std::string*>(buffer) = value.AsAnsiString();
      break;
    case ftSmallint:
      *static_cast<std::int16_t*>(buffer) = value.AsSmallint();
      break;
    case ftInteger:
    case ftAutoInc:
      *static_cast<std::int32_t*>(buffer) = value.AsInteger();
      break;
    case ftWord:
      *static_cast<std::uint16_t*>(buffer) = value.AsWord();
      break;
    case ftBoolean:
      *static_cast<std::uint16_t*>(buffer) = value.AsBoolean() ? 1 : 0;
      break;
    case ftFloat:
    case ftCurrency:
      *static_cast<double*>(buffer) = value.AsDouble();
      break;
    case ftBCD:
      *static_cast<Currency*>(buffer) = value.AsCurrency();
      break;
    case ftDate:
    case ftTime:
    case ftDateTime:
      *static_cast<double*>(buffer) = value.AsDateTime();
      break;
    case ftWideString:
      *static_cast<std::u16string*>(buffer) = value.AsWideString();
      break;
    case ftLargeint:
      // Whole numbers go across exactly; only fractions are rounded. A detour through
      // a double would lose the low digits of large values.
      *static_cast<std::int64_t*>(buffer) = value.AsInt64();
      break;
    case ftInterface:
    case ftIDispatch:
      *static_cast<TInterfaceRef*>(buffer) = value.AsInterface();
      break;
    default:
      throw EDatabaseError(kVarToBufferType);
  }
}

Variant BufferToVar(const TField& field, const void* buffer) {
  switch (field.DataType()) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      return Variant(*static_cast<const std::string*>(buffer));
    case ftSmallint:
      return Variant(*static_cast<const std::int16_t*>(buffer));
    case ftInteger:
    case ftAutoInc:
      return Variant(*static_cast<const std::int32_t*>(buffer));
    case ftWord:
      return Variant(*static_cast<const std::uint16_t*>(buffer));
    case ftBoolean:
      return Variant(*static_cast<const std::uint16_t*>(buffer) != 0);
    case ftFloat:
    case ftCurrency:
      return Variant(*static_cast<const double*>(buffer));
    case ftBCD:
      return Variant(*static_cast<const Currency*>(buffer));
    case ftDate:
    case ftTime:
    case ftDateTime:
      return Variant::FromDate(*static_cast<const double*>(buffer));
    case ftWideString:
      return Variant(*static_cast<const std::u16string*>(buffer));
    case ftLargeint:
      return Variant(*static_cast<const std::int64_t*>(buffer));
    case ftInterface:
    case ftIDispatch:
      return Variant(*static_cast<const TInterfaceRef*>(buffer), field.DataType() == ftIDispatch);
    default:
      throw EDatabaseError(kBufferToVarType);
  }
}

// ---- Construction ----

TKivDataSet::TKivDataSet() : rows_(std::make_unique<TKivList>()) {}

TKivDataSet::~TKivDataSet() { CloseForDestroy(); }

// ---- Record buffers ----

int TKivDataSet::RecordSize() const {
  return static_cast<int>(kHeaderSize + static_cast<std::size_t>(FieldCount()) * sizeof(Variant));
}

TRecordBuffer TKivDataSet::AllocRecordBuffer() {
  std::size_t size = kHeaderSize + static_cast<std::size_t>(bufferFieldCount_) * sizeof(Variant);
  auto* buffer = static_cast<TRecordBuffer>(::operator new(size));
  std::memset(buffer, 0, kHeaderSize);
  Variant* values = BufferValues(buffer);
  for (int i = 0; i < bufferFieldCount_; ++i) new (values + i) Variant();
  return buffer;
}

void TKivDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  if (!buffer) return;
  Variant* values = BufferValues(buffer);
  for (int i = 0; i < bufferFieldCount_; ++i) values[i].~Variant();
  ::operator delete(buffer);
  buffer = nullptr;
}

Variant* TKivDataSet::BufferValues(TRecordBuffer buffer) const {
  return std::launder(reinterpret_cast<Variant*>(buffer + kHeaderSize));
}

void TKivDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, kHeaderSize);
  Variant* values = BufferValues(buffer);
  for (int i = 0; i < bufferFieldCount_; ++i) values[i] = Variant::Null();
}

void TKivDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer, kBookmarkSize);
}

void TKivDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer, data, kBookmarkSize);
}

TBookmarkFlag TKivDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[kFlagOffset]);
}

void TKivDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[kFlagOffset] = flag;
}

// ---- Cursor ----

TGetResult TKivDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  const int n = rows_->Count();
  TGetResult result = grOK;
  if (current_ > n) current_ = n;  // a stale index must never reach the list
  if (n == 0) {
    current_ = -1;
    result = grEOF;
  } else if (mode == gmCurrent) {
    result = current_ < 0 || current_ > n - 1 ? grError : grOK;
  } else if (mode == gmNext) {
    if (current_ < n - 1) {
      ++current_;
    } else {
      current_ = n;
      result = grEOF;
    }
  } else if (current_ <= 0) {
    current_ = -1;
    result = grBOF;
  } else {
    --current_;
  }

  if (result != grOK) {
    InternalInitRecord(buffer);
    if (result == grError && doCheck) throw EDatabaseError(kNoCurrentRecord);
    return result;
  }
  TRowHandle row = rows_->Get(current_);
  std::memset(buffer, 0, kHeaderSize);
  WriteBookmark(buffer, row, RowSerial(row));
  buffer[kFlagOffset] = bfCurrent;
  Variant* values = BufferValues(buffer);
  for (int i = 0; i < bufferFieldCount_; ++i) GetRowValue(row, i, values[i]);
  return grOK;
}

void TKivDataSet::InternalGotoBookmark(const void* bookmark) {
  int index = BookmarkIndex(static_cast<const std::uint8_t*>(bookmark), kBookmarkSize);
  if (index == -1) throw EDatabaseError(kBookmarkNotFound);
  current_ = index;
}

void TKivDataSet::InternalSetToRecord(TRecordBuffer buffer) { InternalGotoBookmark(buffer); }

int TKivDataSet::GetRecNo() {
  UpdateCursorPos();
  return current_ + 1;
}

void TKivDataSet::InternalSetRecNo(int value) {
  current_ = value == std::numeric_limits<int>::min() ? -1 : value - 1;
  SnapRecordPosition(false);
  Resync(false, false);
}

void TKivDataSet::SnapRecordPosition(bool requireRows) {
  const int n = rows_->Count();
  if (current_ > n - 1) current_ = n - 1;
  if (current_ < 0) current_ = 0;
  if (requireRows && n == 0) throw EDatabaseError(kSnapNeedsRecords);
}

// ---- Bookmarks ----

// A row's handle can come back for a new row once the row is freed, so a bookmark
// names its row only while the row at that handle still has the bookmark's serial.
int TKivDataSet::BookmarkIndex(const std::uint8_t* data, std::size_t size) const {
  if (size != kBookmarkSize) return -1;
  TRowHandle row = ReadHandle(data);
  if (!row) return -1;
  int index = rows_->IndexOf(row);
  return index != -1 && RowSerial(row) == ReadSerial(data) ? index : -1;
}

int TKivDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  int p1 = BookmarkIndex(a.data(), a.size());
  int p2 = BookmarkIndex(b.data(), b.size());
  return p1 > p2 ? 1 : (p1 < p2 ? -1 : 0);
}

bool TKivDataSet::BookmarkExists(const TBookmark& bookmark) const {
  return BookmarkIndex(bookmark.data(), bookmark.size()) != -1;
}

bool TKivDataSet::BookmarkExists(const TBookmarkStr& bookmark) const {
  return BookmarkIndex(reinterpret_cast<const std::uint8_t*>(bookmark.data()), bookmark.size()) !=
         -1;
}

// ---- Field data ----

TRecordBuffer TKivDataSet::ActiveRecordBuffer() const {
  return State() == dsFilter ? filterBuffer_ : ActiveBuffer();
}

TRecordBuffer TKivDataSet::CheckedActiveBuffer() const {
  TRecordBuffer buffer = ActiveRecordBuffer();
  if (!buffer) throw EKivInternalError(Format(kNotAssigned, "ActiveBuffer"));
  return buffer;
}

Variant& TKivDataSet::FieldSlot(TRecordBuffer buffer, const TField* field) const {
  KIV_ASSERT(field->DataSet() == this && field->Index() >= 0 && field->Index() < bufferFieldCount_,
             "TKivDataSet: field is not one of this data set's open fields.");
  return BufferValues(buffer)[field->Index()];
}

bool TKivDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = CheckedActiveBuffer();
  // Browsing an empty data set: the ring holds no record, so no field has a value.
  if (State() == dsBrowse && IsEmpty()) return false;
  const Variant& value = FieldSlot(record, field);
  if (value.IsEmptyOrNull()) return false;
  if (buffer) VarToBuffer(*field, value, buffer);
  return true;
}

void TKivDataSet::SetFieldData(TField* field, const void* buffer) {
  TRecordBuffer record = CheckedActiveBuffer();
  FieldSlot(record, field) = buffer ? BufferToVar(*field, buffer) : Variant::Null();
  FieldChanged(field);
}

TFieldClass TKivDataSet::GetFieldClass(TFieldType type) {
  switch (type) {
    case ftDateTime:
      return &NewField<TKivDateTimeField>;
    case ftDate:
      return &NewField<TKivDateField>;
    case ftTime:
      return &NewField<TKivTimeField>;
    case ftWideString:
      return &NewField<TKivWideStringField>;
    case ftString:
      return &NewField<TKivStringField>;
    default:
      return TDataSet::GetFieldClass(type);
  }
}

// ---- Row values ----

Variant TKivDataSet::RowValues(TRowHandle row, const std::vector<TField*>& fields) {
  if (fields.size() == 1) {
    Variant v;
    GetRowValue(row, fields[0]->Index(), v);
    return v;
  }
  Variant values = VarArrayCreate(0, static_cast<int>(fields.size()) - 1);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    Variant v;
    GetRowValue(row, fields[i]->Index(), v);
    values.PutElement(static_cast<int>(i), v);
  }
  return values;
}

Variant TKivDataSet::BufferKey(TRecordBuffer buffer, const std::vector<TField*>& fields) const {
  if (fields.size() == 1) return FieldSlot(buffer, fields[0]);
  Variant values = VarArrayCreate(0, static_cast<int>(fields.size()) - 1);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    values.PutElement(static_cast<int>(i), FieldSlot(buffer, fields[i]));
  }
  return values;
}

// ---- Editing ----

void TKivDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (append) SetBookmarkFlag(buffer, bfEOF);
  TDataSet::InternalPost();
  PostBuffer(buffer, true);
}

void TKivDataSet::InternalPost() {
  TDataSet::InternalPost();
  PostBuffer(CheckedActiveBuffer(), State() == dsInsert);
}

void TKivDataSet::PostBuffer(TRecordBuffer buffer, bool inserting) {
  // Resolve the sort fields before anything changes, so an unknown name leaves the
  // rows as they were.
  std::vector<TField*> sortFields;
  if (!sort_.empty()) GetFieldList(sortFields, sort_);

  TRowHandle row;
  if (inserting) {
    SnapRecordPosition(false);
    row = NewRow();
  } else {
    SnapRecordPosition(true);
    row = rows_->Get(current_);
  }
  Variant* values = BufferValues(buffer);
  try {
    for (int i = 0; i < bufferFieldCount_; ++i) SetRowValue(row, i, values[i]);
  } catch (...) {
    if (inserting) FreeRow(row);  // a half-written new row must not linger in the store
    throw;
  }
  // An edited row of an unsorted data set keeps its place: taking it out and putting
  // it back would move half the list at every post.
  if (!inserting && sortFields.empty()) return;
  if (!inserting) rows_->Delete(current_, 1);

  int position = current_;
  std::exception_ptr failure;
  try {
    if (!sortFields.empty()) {
      QuickFindIn(sortFields, BufferKey(buffer, sortFields), position, 1, sortOptions_);
    } else if (inserting && GetBookmarkFlag(buffer) == bfEOF) {
      position = rows_->Count();
    }
  } catch (...) {
    failure = std::current_exception();
    position = current_;
  }
  // The row goes back into the list even when its position could not be worked out.
  rows_->Insert(position, row);
  current_ = position;
  if (failure) std::rethrow_exception(failure);
}

void TKivDataSet::InternalDelete() {
  SnapRecordPosition(true);
  FreeRow(rows_->Get(current_));
  rows_->Delete(current_, 1);
  if (rows_->Count() > 0) {
    SnapRecordPosition(false);
  } else {
    current_ = -1;
    CursorPosChanged();
    Resync(false, false);
  }
}

void TKivDataSet::InternalCancel() {
  if (rows_->Count() == 0) {
    CursorPosChanged();
    Resync(false, false);
  }
}

void TKivDataSet::InternalRefresh() {
  UpdateCursorPos();
  ReloadRows();
}

// ---- Opening ----

void TKivDataSet::InternalOpen() {
  SetBookmarkSize(static_cast<int>(kBookmarkSize));
  current_ = -1;
  InitFieldDefs();
  if (DefaultFields()) CreateFields();
  FieldsCreated();
  BindFields(true);
  KIV_ASSERT(FieldCount() <= kMaxFieldCount,
             "TKivDataSet.InternalOpen: FieldCount exceeds limits.");
  KIV_ASSERT(FieldCount() >= 1, "TKivDataSet.InternalOpen: FieldCount must be greater than zero.");
  bufferFieldCount_ = FieldCount();
  ReloadRows();
}

void TKivDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  current_ = -1;
  rows_->Clear();
}

void TKivDataSet::InternalHandleException() {
  if (TDataSetExceptionHandler handler = DataSetExceptionHandler()) {
    handler();
  } else {
    throw;
  }
}

void TKivDataSet::ReloadRows() {
  const int before = current_;
  TRowHandle current = before >= 0 && before < rows_->Count() ? rows_->Get(before) : nullptr;
  std::exception_ptr failure;
  try {
    LoadRows(*rows_, current);
    FilterRows(*rows_);
    SortRows(*rows_);
  } catch (...) {
    failure = std::current_exception();  // the cursor still gets a valid place
  }
  current_ = before;
  if (current) {
    int index = rows_->IndexOf(current);
    if (index != -1) {
      current_ = index;
    } else if (before >= rows_->Count()) {
      current_ = -1;
      Resync(false, false);
    }
  }
  if (failure) std::rethrow_exception(failure);
}

// ---- Filtering ----

bool TKivDataSet::FilterActive() const {
  return Filtered() && (OnFilterRecord() || !Filter().empty());
}

bool TKivDataSet::FilterRecord() {
  bool accept = false;
  if (OnFilterRecord()) {
    OnFilterRecord()(*this, accept);
    return accept;
  }
  if (!Filter().empty()) throw EKivGeneralError(kFilterNotSupported);
  return accept;
}

void TKivDataSet::FilterRows(TKivList& rows) {
  if (!FilterActive()) return;
  TKivList accepted;
  filterBuffer_ = AllocRecordBuffer();
  TDataSetState saved = SetTempState(dsFilter);
  ScopeGuard restore([&] {
    RestoreState(saved);
    FreeRecordBuffer(filterBuffer_);
  });
  InternalFirst();
  while (GetRecord(filterBuffer_, gmNext, true) == grOK) {
    if (FilterRecord()) accepted.Add(ReadHandle(filterBuffer_));
  }
  rows.Clear();
  rows.Assign(accepted);
}

void TKivDataSet::SetFiltered(bool value) {
  bool wasActive = FilterActive();
  TDataSet::SetFiltered(value);
  if (Active() && wasActive != FilterActive()) Refresh();
}

void TKivDataSet::SetFilterText(const std::string& value) {
  bool wasActive = FilterActive();
  bool changed = value != Filter();
  TDataSet::SetFilterText(value);
  if (Active() && (wasActive != FilterActive() || (FilterActive() && changed))) Refresh();
}

void TKivDataSet::SetFilterOptions(TFilterOptions value) {
  bool wasActive = FilterActive();
  bool changed = value != FilterOptions();
  TDataSet::SetFilterOptions(value);
  if (Active() && (wasActive != FilterActive() || (FilterActive() && changed))) Refresh();
}

void TKivDataSet::SetOnFilterRecord(TFilterRecordEvent value) {
  bool wasActive = FilterActive();
  TDataSet::SetOnFilterRecord(std::move(value));
  // Two handlers cannot be told apart, so a new one while filtering counts as a change.
  if (Active() && (wasActive != FilterActive() || FilterActive())) Refresh();
}

// ---- Sorting and searching ----

void TKivDataSet::SetSort(const std::string& value) {
  if (value == sort_) return;
  sort_ = value;
  if (Active()) Refresh();
}

void TKivDataSet::SetSortOptions(TLocateOptions value) {
  if (value == sortOptions_) return;
  sortOptions_ = value;
  if (Active()) Refresh();
}

int TKivDataSet::CompareVariants(const Variant& x, const Variant& y, TLocateOptions options) {
  KIV_ASSERT(x.DimCount() == y.DimCount(), "CompareVariants: Must have same dim count.");
  if (!x.IsArray()) return CompareScalars(x, y, options);
  KIV_ASSERT(x.LowBound() == y.LowBound(), "CompareVariants: Must have same lower bound.");
  KIV_ASSERT(x.HighBound() == y.HighBound(), "CompareVariants: Must have same upper bound.");
  for (int i = x.LowBound(); i <= x.HighBound(); ++i) {
    int c = CompareScalars(x.GetElement(i), y.GetElement(i), options);
    if (c != 0) return c;
  }
  return 0;
}

// Field by field, which is what comparing the rows' value arrays amounts to, without
// building the arrays for every comparison of a sort.
int TKivDataSet::CompareRows(TRowHandle a, TRowHandle b, const std::vector<TField*>& fields) {
  Variant va, vb;
  for (TField* field : fields) {
    GetRowValue(a, field->Index(), va);
    GetRowValue(b, field->Index(), vb);
    int c = CompareScalars(va, vb, sortOptions_);
    if (c != 0) return c;
  }
  return 0;
}

void TKivDataSet::SortRows(TKivList& rows) {
  if (sort_.empty()) return;
  TLockGuard lock(SortLock());
  std::vector<TField*> fields;
  try {
    GetFieldList(fields, sort_);
  } catch (...) {
    sort_.clear();
    throw;
  }
  rows.SortItems([&](void* a, void* b) { return CompareRows(a, b, fields); });
}

bool TKivDataSet::QuickFind(const Variant& keyValues, int& index, int duplicatesMode,
                            TLocateOptions options) {
  KIV_ASSERT(!sort_.empty(), "QuickFind requires Sort fields.");
  std::vector<TField*> fields;
  GetFieldList(fields, sort_);
  return QuickFindIn(fields, keyValues, index, duplicatesMode, options);
}

bool TKivDataSet::QuickFindIn(const std::vector<TField*>& fields, const Variant& keyValues,
                              int& index, int duplicatesMode, TLocateOptions options) {
  bool found = false;
  int lo = 0;
  int hi = rows_->Count() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = CompareVariants(RowValues(rows_->Get(mid), fields), keyValues, options);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicatesMode != 1) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

bool TKivDataSet::RowMatches(TRowHandle row, const std::vector<TField*>& fields,
                             const Variant& keyValues, TLocateOptions options) {
  Variant rowValues = RowValues(row, fields);
  if (rowValues.DimCount() != keyValues.DimCount()) return false;
  if (!rowValues.IsArray()) return ScalarMatches(rowValues, keyValues, options);
  if (rowValues.LowBound() != keyValues.LowBound() ||
      rowValues.HighBound() != keyValues.HighBound()) {
    return false;
  }
  // Several fields compare exactly: the options apply to one-field searches only.
  for (int i = rowValues.LowBound(); i <= rowValues.HighBound(); ++i) {
    if (!ScalarMatches(rowValues.GetElement(i), keyValues.GetElement(i), {})) return false;
  }
  return true;
}

int TKivDataSet::FindRow(std::string_view keyFields, const Variant& keyValues,
                         TLocateOptions options) {
  CheckBrowseMode();
  try {
    std::vector<TField*> keys;
    GetFieldList(keys, keyFields);
    // The sort order answers a search only under its own comparison: another one
    // (a case-sensitive search of a case-insensitive order, say) can miss rows in it.
    if (!sort_.empty() && options == sortOptions_) {
      std::vector<TField*> sortFields;
      GetFieldList(sortFields, sort_);
      if (sortFields == keys) {
        int index;
        return QuickFindIn(sortFields, keyValues, index, 1, options) ? index : -1;
      }
    }
    for (int i = 0; i < rows_->Count(); ++i) {
      if (RowMatches(rows_->Get(i), keys, keyValues, options)) return i;
    }
  } catch (const Exception&) {
    // A search that cannot be made finds nothing.
  }
  return -1;
}

bool TKivDataSet::Locate(std::string_view keyFields, const Variant& keyValues,
                         TLocateOptions options) {
  int index = FindRow(keyFields, keyValues, options);
  if (index == -1) return false;
  DoBeforeScroll();
  current_ = index;
  Resync(true, true);
  DoAfterScroll();
  return true;
}

Variant TKivDataSet::Lookup(std::string_view keyFields, const Variant& keyValues,
                            std::string_view resultFields) {
  int index = FindRow(keyFields, keyValues, {});
  if (index == -1) return Variant::Null();
  std::vector<TField*> fields;
  GetFieldList(fields, resultFields);
  return RowValues(rows_->Get(index), fields);
}

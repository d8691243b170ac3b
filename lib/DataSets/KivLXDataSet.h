// KivLXDataSet: TKivDataSet, an abstract in-memory data set.
//
// A cursor over rows held in memory, known only by opaque pointer-sized row handles.
// The visible rows (after filtering and sorting) stand in a TKivList in presentation
// order; the subclass stores the rows and supplies six row operations. Record
// buffers hold variants, an optional multi-field Sort keeps the visible rows ordered,
// QuickFind searches that order, Locate and Lookup find rows by key values, and
// OnFilterRecord filters.
//
// Bookmarks are the row handle followed by the row's 64-bit serial number: a freed
// row's handle can be handed out again for a new row, its serial never, so a
// bookmark of a deleted row is never taken for another row.
//
// Record buffer: the bookmark, then the bookmark flag byte, padded to 16 bytes (24
// where handles are 8 bytes wide), then one 16-byte variant per field in field-list
// order.
//
// Sorting runs under one process-wide lock: only one data set sorts at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSets/KivLXClasses.h"
#include "Db/DataSet.h"
#include "Rtl/Variant.h"

using TRowHandle = void*;

class TKivDataSet : public TDataSet {
 public:
  static constexpr int kMaxFieldCount = 4095;

  TKivDataSet();
  ~TKivDataSet() override;

  // Field names separated by semicolons; empty = unsorted. Changing it (or the
  // options) refreshes an open data set; an unknown name empties Sort and raises the
  // toolkit's field-not-found error.
  const std::string& Sort() const { return sort_; }
  void SetSort(const std::string& value);
  TLocateOptions SortOptions() const { return sortOptions_; }
  void SetSortOptions(TLocateOptions value);

  // Filtering is active when Filtered is set and OnFilterRecord is assigned or the
  // filter text is not empty (filter text itself is not supported: the first record
  // tested raises EKivGeneralError). A change of the active filter refreshes.
  void SetFiltered(bool value) override;
  void SetFilterText(const std::string& value) override;
  void SetFilterOptions(TFilterOptions value) override;
  void SetOnFilterRecord(TFilterRecordEvent value) override;

  // Binary search of the visible rows in sort order. `index` receives the first
  // position whose key is not less than the key values (duplicates mode 1; another
  // mode stops at the first equal key met). Returns whether an equal key exists.
  // Requires Sort (EAssertionFailed "QuickFind requires Sort fields.").
  bool QuickFind(const Variant& keyValues, int& index, int duplicatesMode, TLocateOptions options);

  // Moves to the first row whose key fields match; false (and no move) when none does
  // or when the search fails. A search on exactly the sort fields with SortOptions'
  // own options takes the binary search; every other one scans.
  bool Locate(std::string_view keyFields, const Variant& keyValues,
              TLocateOptions options) override;
  // The result fields' values of the first row whose key fields equal the key values
  // exactly; Null when none does. The cursor stays.
  Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                 std::string_view resultFields) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  // Whether a bookmark names a visible row; false for an empty bookmark and for the
  // bookmark of a row that no longer exists.
  bool BookmarkExists(const TBookmark& bookmark) const;
  bool BookmarkExists(const TBookmarkStr& bookmark) const;

  // −1, 0 or 1. Arrays compare element by element (same dimension count and bounds
  // required, else EAssertionFailed). With any option set, two strings compare as
  // wide text by the user's locale (loPartialKey: the first is cut to the second's
  // length; loCaseInsensitive: ignoring case); otherwise by the variants' ordering,
  // Null and empty before every value.
  static int CompareVariants(const Variant& x, const Variant& y, TLocateOptions options);

 protected:
  // ---- Row operations of the subclass ----
  // Replaces the list's contents with the handles of all rows.
  virtual void LoadRows(TKivList& rows, TRowHandle current) = 0;
  virtual void GetRowValue(TRowHandle row, int fieldIndex, Variant& value) = 0;
  virtual void SetRowValue(TRowHandle row, int fieldIndex, const Variant& value) = 0;
  // Destroys a row that is being deleted.
  virtual void FreeRow(TRowHandle row) = 0;
  // Creates an empty row with one value per field and takes it into the store.
  virtual TRowHandle NewRow() = 0;
  // The row's serial number: given when the row is made and never given to another
  // row of this data set, even when the row's handle is. Bookmarks carry it.
  virtual std::uint64_t RowSerial(TRowHandle row) const = 0;

  // Index in the visible rows of the first row matching the key, or −1. Checks
  // browse mode first (its errors propagate); any error after that means −1.
  virtual int FindRow(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
  virtual void FilterRows(TKivList& rows);
  virtual void SortRows(TKivList& rows);
  // Called during open once the field objects exist, before they are bound.
  virtual void FieldsCreated() {}

  // Reloads, filters and sorts the visible rows, keeping the cursor on its row when
  // that is still visible.
  void ReloadRows();
  int RecordSize() const;
  const TKivList& RowList() const { return *rows_; }
  int CurrentIndex() const { return current_; }

  // ---- Hooks of the data-set abstraction ----
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalFirst() override { current_ = -1; }
  void InternalLast() override { current_ = rows_->Count(); }
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  int GetRecordCount() override { return rows_->Count(); }
  int GetRecNo() override;
  void InternalSetRecNo(int value) override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() override { return FieldCount() > 0; }
  void InternalHandleException() override;
  bool GetFieldData(TField* field, void* buffer) override;
  using TDataSet::GetFieldData;
  void SetFieldData(TField* field, const void* buffer) override;
  TFieldClass GetFieldClass(TFieldType type) override;

 private:
  TRecordBuffer ActiveRecordBuffer() const;
  TRecordBuffer CheckedActiveBuffer() const;
  Variant* BufferValues(TRecordBuffer buffer) const;
  Variant& FieldSlot(TRecordBuffer buffer, const TField* field) const;
  void SnapRecordPosition(bool requireRows);
  void PostBuffer(TRecordBuffer buffer, bool inserting);
  bool FilterActive() const;
  bool FilterRecord();
  Variant RowValues(TRowHandle row, const std::vector<TField*>& fields);
  Variant BufferKey(TRecordBuffer buffer, const std::vector<TField*>& fields) const;
  bool QuickFindIn(const std::vector<TField*>& fields, const Variant& keyValues, int& index,
                   int duplicatesMode, TLocateOptions options);
  int CompareRows(TRowHandle a, TRowHandle b, const std::vector<TField*>& fields);
  bool RowMatches(TRowHandle row, const std::vector<TField*>& fields, const Variant& keyValues,
                  TLocateOptions options);
  // Index of the visible row a bookmark names, or −1.
  int BookmarkIndex(const std::uint8_t* data, std::size_t size) const;

  std::unique_ptr<TKivList> rows_;
  int current_ = -1;
  std::string sort_;
  TLocateOptions sortOptions_{loCaseInsensitive};
  int bufferFieldCount_ = 0;
  TRecordBuffer filterBuffer_ = nullptr;
};

// Field-buffer conversions for the field types of the data-set abstraction (see
// Db/Fields.h for the native formats). Other types raise EDatabaseError.
void VarToBuffer(const TField& field, const Variant& value, void* buffer);
Variant BufferToVar(const TField& field, const void* buffer);

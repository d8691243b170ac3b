// TDataSet: the toolkit's data-set abstraction. It owns the fields and a ring of
// record buffers that mirrors a window of records around the cursor, and runs the
// states, navigation, editing, bookmarks and events; a subclass stores the records
// and fills the hooks below.
//
// Ring: buffers [0, recordCount) hold consecutive records in cursor order; one more
// buffer serves as scratch for fetching. The active record is the one field access
// and editing work on. The cursor of the subclass may stand elsewhere; currentRecord
// says which buffer it matches (−1: unknown), and UpdateCursorPos puts it back on the
// active record.
//
// A subclass that fills the hooks closes the data set in its own destructor
// (CloseForDestroy), while its overrides still exist.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Db/DbTypes.h"
#include "Db/Fields.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Variant.h"

class TDataSet;
class TDataLink;

using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
using TDataSetErrorEvent = std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>;
using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

// The application's handler for an exception that a data set cannot pass on (one
// raised while notifying controls); it runs inside the catch block. Without one the
// exception propagates.
using TDataSetExceptionHandler = void (*)();
void SetDataSetExceptionHandler(TDataSetExceptionHandler handler);
TDataSetExceptionHandler DataSetExceptionHandler();

class TDataSet {
 public:
  TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;
  virtual ~TDataSet();

  // ---- Opening and state ----
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool active) { active ? Open() : Close(); }
  void Open();
  void Close();
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  // Raises "Cannot perform this operation on a closed dataset" when closed.
  void CheckActive() const;
  // CheckActive, then posts a modified edit or cancels an unmodified one.
  void CheckBrowseMode();

  // ---- Fields ----
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFields& Fields() const { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  TField* FindField(std::string_view name) const { return fields_.Find(name); }
  // Raises EDatabaseError "Field '%s' not found".
  TField& FieldByName(std::string_view name) const;
  // Resolves "A;B;C" (blanks around names ignored) into field objects in that order.
  void GetFieldList(std::vector<TField*>& list, std::string_view fieldNames) const;
  // One field's value, or an array of the values of several.
  Variant FieldValues(std::string_view fieldNames) const;
  void SetFieldValues(std::string_view fieldNames, const Variant& values);
  // Adds a persistent field (kept across open and close); only while closed.
  TField& AddField(std::unique_ptr<TField> field, std::string name);
  // Makes field objects for the field definitions that have none yet.
  void CreateFields();
  // True when the open data set made its fields from the definitions itself.
  bool DefaultFields() const { return defaultFields_; }

  // ---- Navigation ----
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return recordCount_ == 0; }
  int RecordCount() { return GetRecordCount(); }
  int RecNo() { return GetRecNo(); }
  void SetRecNo(int value);

  // ---- Editing ----
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();

  // ---- Bookmarks ----
  TBookmark GetBookmark() const;
  void GotoBookmark(const TBookmark& bookmark);
  TBookmarkStr Bookmark() const;
  void SetBookmark(const TBookmarkStr& bookmark);
  bool BookmarkAvailable() const;
  int BookmarkSize() const { return bookmarkSize_; }
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);

  // ---- Searching (subclasses answer; the defaults find nothing) ----
  virtual bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
  virtual Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                         std::string_view resultFields);

  // ---- Filtering ----
  bool Filtered() const { return filtered_; }
  const std::string& Filter() const { return filterText_; }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  const TFilterRecordEvent& OnFilterRecord() const { return onFilterRecord_; }
  virtual void SetFiltered(bool value) { filtered_ = value; }
  virtual void SetFilterText(const std::string& value) { filterText_ = value; }
  virtual void SetFilterOptions(TFilterOptions value) { filterOptions_ = value; }
  virtual void SetOnFilterRecord(TFilterRecordEvent value) { onFilterRecord_ = std::move(value); }

  // ---- Controls ----
  void DisableControls() { ++disableCount_; }
  // Sends the changes held back while disabled as one data-set change.
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  int BufferCount() const { return bufferCount_; }

  // ---- Events ----
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetErrorEvent OnDeleteError, OnEditError;

 protected:
  // ---- Record buffers ----
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  // Fetches the record at, after or before the cursor into `buffer`, moving the
  // cursor; with doCheck an error result raises instead of returning grError.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;

  // ---- Cursor ----
  virtual void InternalFirst() = 0;  // before the first record
  virtual void InternalLast() = 0;   // after the last record
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual int GetRecordCount() { return -1; }
  virtual int GetRecNo() { return -1; }
  virtual void InternalSetRecNo(int value) {}

  // ---- Editing ----
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  // Checks required fields; subclasses store the record after calling this.
  virtual void InternalPost();
  virtual void InternalDelete() = 0;
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() = 0;

  // ---- Opening ----
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() = 0;
  virtual void InternalHandleException();

  // ---- Field data ----
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  virtual bool GetFieldData(int fieldNo, void* buffer);
  virtual void SetFieldData(TField* field, const void* buffer) = 0;
  virtual TFieldClass GetFieldClass(TFieldType type) { return DefaultFieldClass(type); }

  // ---- Services for subclasses ----
  // The active record's buffer; null while closed.
  TRecordBuffer ActiveBuffer() const;
  void SetBookmarkSize(int size) { bookmarkSize_ = size; }
  // Refetches the ring around the cursor. Exact: the cursor's record must exist
  // ("Record not found"); centre: it lands in the middle of the ring.
  void Resync(bool exact, bool center);
  void CursorPosChanged() { currentRecord_ = -1; }
  void UpdateCursorPos();
  TDataSetState SetTempState(TDataSetState state);
  void RestoreState(TDataSetState state) { state_ = state; }
  void InitFieldDefs() { InternalInitFieldDefs(); }
  void BindFields(bool binding);
  void DestroyFields();
  // Tells the field's listeners and the controls that its value changed.
  void FieldChanged(TField* field);
  // The insert and post events go through these, so a subclass can act around them.
  virtual void DoBeforeInsert() { Fire(BeforeInsert); }
  virtual void DoAfterInsert() { Fire(AfterInsert); }
  virtual void DoBeforePost() { Fire(BeforePost); }
  void DoBeforeScroll() { Fire(BeforeScroll); }
  void DoAfterScroll() { Fire(AfterScroll); }
  // Closes without events; for the destructors of subclasses. Never throws.
  void CloseForDestroy() noexcept;

 private:
  friend class TField;
  friend class TDataLink;

  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(*this);
  }
  void SetState(TDataSetState state);
  void CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& onError);
  void CheckRequiredFields();
  void InitRecord(TRecordBuffer buffer);
  void BeginInsertAppend();
  void EndInsertAppend();

  // Ring management.
  void AllocateBuffers();
  void FreeBuffers() noexcept;
  void ClearBuffers();
  void ActivateBuffers();
  void MoveBuffer(int from, int to);
  void SetCurrentRecord(int index);
  bool GetNextRecord();
  bool GetPriorRecord();
  void GetNextRecords();
  void GetPriorRecords();
  void UpdateBufferCount();

  // Controls.
  enum class Notice { ActiveChanged, EditingChanged, DataSetChanged, Scrolled, RecordChanged };
  void NotifyLinks(Notice notice, int distance = 0, TField* field = nullptr);
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);

  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool defaultFields_ = false;
  bool destroying_ = false;
  int bookmarkSize_ = 0;

  TFieldDefs fieldDefs_;
  TFields fields_;

  std::vector<TRecordBuffer> buffers_;  // bufferCount_ + 1 while open
  int bufferCount_ = 1;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;

  bool filtered_ = false;
  std::string filterText_;
  TFilterOptions filterOptions_;
  TFilterRecordEvent onFilterRecord_;

  std::vector<TDataLink*> links_;
  int disableCount_ = 0;
  bool changedWhileDisabled_ = false;
};

// A control's connection to a data set: it sets how many records the ring keeps and
// hears about changes (unless the data set's controls are disabled).
class TDataLink {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  virtual ~TDataLink();

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int count);
  // Records in the data set's ring, and which of them is active; setting the active
  // record lets a control read another record of the ring (restore it afterwards).
  int RecordCount() const;
  int ActiveRecord() const;
  void SetActiveRecord(int index);

 protected:
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void DataSetChanged() {}
  // The ring's window moved by `distance` records (positive: towards the end).
  virtual void DataSetScrolled(int distance) {}
  virtual void RecordChanged(TField* field) {}

 private:
  friend class TDataSet;
  TDataSet* dataSet_ = nullptr;
  int bufferCount_ = 1;
};

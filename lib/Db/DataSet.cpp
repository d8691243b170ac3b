#include "Db/DataSet.h"

#include <algorithm>

#include "Rtl/Format.h"
#include "Rtl/WideText.h"

namespace {
// Installed by the application object; a plain pointer needs no start-up code.
TDataSetExceptionHandler g_exceptionHandler = nullptr;
}  // namespace

void SetDataSetExceptionHandler(TDataSetExceptionHandler handler) { g_exceptionHandler = handler; }
TDataSetExceptionHandler DataSetExceptionHandler() { return g_exceptionHandler; }

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
  destroying_ = true;
  for (TDataLink* link : links_) link->dataSet_ = nullptr;
  // A subclass closes in its own destructor; the hooks that free buffers are gone now.
  buffers_.clear();
}

// ---- Opening and state ----

void TDataSet::Open() {
  if (Active()) return;
  Fire(BeforeOpen);
  defaultFields_ = fields_.Count() == 0;
  try {
    InternalOpen();
    if (!IsCursorOpen()) throw EDatabaseError(DbMessages::kDataSetClosed);
    UpdateBufferCount();
    AllocateBuffers();
    state_ = dsBrowse;
    modified_ = false;
    ClearBuffers();
    GetNextRecords();
    bof_ = true;
  } catch (...) {
    FreeBuffers();
    state_ = dsInactive;
    try {
      InternalClose();
    } catch (...) {
      // The open failure is the one to report.
    }
    throw;
  }
  NotifyLinks(Notice::ActiveChanged);
  Fire(AfterOpen);
  if (!IsEmpty()) DoAfterScroll();
}

void TDataSet::Close() {
  if (!Active()) return;
  if (!destroying_) Fire(BeforeClose);
  state_ = dsInactive;
  modified_ = false;
  FreeBuffers();
  ClearBuffers();
  InternalClose();
  if (!destroying_) {
    NotifyLinks(Notice::ActiveChanged);
    Fire(AfterClose);
  }
}

void TDataSet::CloseForDestroy() noexcept {
  destroying_ = true;
  try {
    Close();
  } catch (...) {
    // Nothing can report it from a destructor.
  }
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError(DbMessages::kDataSetClosed);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert) {
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  NotifyLinks(Notice::EditingChanged);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
  TDataSetState old = state_;
  state_ = state;
  return old;
}

// ---- Fields ----

TField& TDataSet::FieldByName(std::string_view name) const {
  TField* f = FindField(name);
  if (!f) throw EDatabaseError(Format(DbMessages::kFieldNotFound, name));
  return *f;
}

void TDataSet::GetFieldList(std::vector<TField*>& list, std::string_view fieldNames) const {
  list.clear();
  std::size_t pos = 0;
  while (pos < fieldNames.size()) {
    std::size_t end = fieldNames.find(';', pos);
    if (end == std::string_view::npos) end = fieldNames.size();
    list.push_back(&FieldByName(Trim(fieldNames.substr(pos, end - pos))));
    pos = end + 1;
  }
}

Variant TDataSet::FieldValues(std::string_view fieldNames) const {
  std::vector<TField*> list;
  GetFieldList(list, fieldNames);
  if (list.size() == 1) return list[0]->Value();
  Variant values = VarArrayCreate(0, static_cast<int>(list.size()) - 1);
  for (std::size_t i = 0; i < list.size(); ++i) {
    values.PutElement(static_cast<int>(i), list[i]->Value());
  }
  return values;
}

void TDataSet::SetFieldValues(std::string_view fieldNames, const Variant& values) {
  std::vector<TField*> list;
  GetFieldList(list, fieldNames);
  if (list.size() == 1) return list[0]->SetValue(values);
  for (std::size_t i = 0; i < list.size(); ++i) {
    list[i]->SetValue(values.GetElement(values.LowBound() + static_cast<int>(i)));
  }
}

TField& TDataSet::AddField(std::unique_ptr<TField> field, std::string name) {
  if (Active()) throw EDatabaseError(DbMessages::kDataSetOpen);
  if (FindField(name)) throw EDatabaseError(Format(DbMessages::kDuplicateFieldName, name));
  field->fieldName_ = std::move(name);
  field->dataSet_ = this;
  field->index_ = fields_.Count();
  fields_.items_.push_back(std::move(field));
  return *fields_.items_.back();
}

void TDataSet::CreateFields() {
  if (Active()) throw EDatabaseError(DbMessages::kDataSetOpen);
  for (int i = 0; i < fieldDefs_.Count(); ++i) {
    const TFieldDef& def = fieldDefs_[i];
    if (FindField(def.name)) continue;
    TFieldClass make = GetFieldClass(def.dataType);
    if (!make) throw EDatabaseError(Format(DbMessages::kUnknownFieldType, def.name));
    std::unique_ptr<TField> field = make();
    if (def.size != 0) field->size_ = def.size;
    field->required_ = def.required;
    field->fieldName_ = def.name;
    field->dataSet_ = this;
    field->index_ = fields_.Count();
    fields_.items_.push_back(std::move(field));
  }
}

void TDataSet::BindFields(bool binding) {
  for (auto& field : fields_.items_) {
    if (!binding) {
      field->fieldNo_ = 0;
      continue;
    }
    int def = fieldDefs_.IndexOf(field->FieldName());
    if (def < 0) throw EDatabaseError(Format(DbMessages::kFieldNotFound, field->FieldName()));
    if (fieldDefs_[def].dataType != field->DataType()) {
      throw EDatabaseError(Format(DbMessages::kFieldTypeMismatch, field->FieldName()));
    }
    field->fieldNo_ = def + 1;
  }
}

void TDataSet::DestroyFields() { fields_.items_.clear(); }

bool TDataSet::GetFieldData(int fieldNo, void* buffer) {
  for (auto& field : fields_.items_) {
    if (field->FieldNo() == fieldNo) return GetFieldData(field.get(), buffer);
  }
  return false;
}

void TDataSet::FieldChanged(TField* field) {
  modified_ = true;
  if (field->OnChange) field->OnChange(*field);
  NotifyLinks(Notice::RecordChanged, 0, field);
}

void TDataSet::CheckRequiredFields() {
  for (auto& field : fields_.items_) {
    if (field->Required() && !field->ReadOnly() && field->IsNull()) {
      throw EDatabaseError(Format(DbMessages::kFieldRequired, field->DisplayName()));
    }
  }
}

void TDataSet::InternalPost() { CheckRequiredFields(); }

void TDataSet::InternalHandleException() { throw; }

// ---- The record-buffer ring ----

TRecordBuffer TDataSet::ActiveBuffer() const {
  return buffers_.empty() ? nullptr : buffers_[static_cast<std::size_t>(activeRecord_)];
}

void TDataSet::AllocateBuffers() {
  buffers_.reserve(static_cast<std::size_t>(bufferCount_) + 1);
  while (static_cast<int>(buffers_.size()) < bufferCount_ + 1)
    buffers_.push_back(AllocRecordBuffer());
}

void TDataSet::FreeBuffers() noexcept {
  for (TRecordBuffer& b : buffers_) FreeRecordBuffer(b);
  buffers_.clear();
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

// Moves one buffer to another slot, shifting the ones between.
void TDataSet::MoveBuffer(int from, int to) {
  if (from == to) return;
  auto it = buffers_.begin();
  TRecordBuffer moving = buffers_[static_cast<std::size_t>(from)];
  if (from < to) {
    std::move(it + from + 1, it + to + 1, it + from);
  } else {
    std::move_backward(it + to, it + from, it + from + 1);
  }
  buffers_[static_cast<std::size_t>(to)] = moving;
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
    case bfInserted:
      break;  // not stored yet: the cursor already stands where it goes
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
  if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
  TRecordBuffer scratch = buffers_[static_cast<std::size_t>(recordCount_)];
  if (GetRecord(scratch, gmNext, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  } else {
    MoveBuffer(0, recordCount_);  // the first record drops out of the ring
  }
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  TRecordBuffer scratch = buffers_[static_cast<std::size_t>(recordCount_)];
  if (GetRecord(scratch, gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);  // when full, the last record drops out
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

void TDataSet::GetNextRecords() {
  while (recordCount_ < bufferCount_ && GetNextRecord()) {
  }
}

void TDataSet::GetPriorRecords() {
  while (recordCount_ < bufferCount_ && GetPriorRecord()) {
  }
}

void TDataSet::Resync(bool exact, bool center) {
  if (buffers_.empty()) return;
  TRecordBuffer scratch = buffers_[static_cast<std::size_t>(recordCount_)];
  if (exact) {
    CursorPosChanged();
    if (GetRecord(scratch, gmCurrent, true) != grOK) {
      throw EDatabaseError(DbMessages::kRecordNotFound);
    }
  } else if (GetRecord(scratch, gmCurrent, false) != grOK &&
             GetRecord(scratch, gmNext, false) != grOK &&
             GetRecord(scratch, gmPrior, false) != grOK) {
    ClearBuffers();
    NotifyLinks(Notice::DataSetChanged);
    return;
  }
  int before = center ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    NotifyLinks(Notice::DataSetChanged);
    throw;
  }
  NotifyLinks(Notice::DataSetChanged);
}

void TDataSet::UpdateBufferCount() {
  int wanted = 1;
  for (TDataLink* link : links_) wanted = std::max(wanted, link->bufferCount_);
  if (wanted == bufferCount_) return;
  if (!Active()) {
    bufferCount_ = wanted;
    return;
  }
  CheckBrowseMode();
  bool hadRecords = recordCount_ > 0;
  int keep = std::min(activeRecord_, wanted - 1);
  UpdateCursorPos();
  FreeBuffers();
  bufferCount_ = wanted;
  AllocateBuffers();
  ClearBuffers();
  if (hadRecords) {
    activeRecord_ = keep;
    Resync(false, false);
  } else {
    NotifyLinks(Notice::DataSetChanged);
  }
}

// ---- Navigation ----

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    NotifyLinks(Notice::DataSetChanged);
    throw;
  }
  bof_ = true;
  NotifyLinks(Notice::DataSetChanged);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    NotifyLinks(Notice::DataSetChanged);
    throw;
  }
  eof_ = true;
  NotifyLinks(Notice::DataSetChanged);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
  DoBeforeScroll();
  bof_ = false;
  eof_ = false;
  int oldRecordCount = recordCount_;
  int shifted = 0;
  int moved = 0;
  try {
    while (distance > 0) {
      if (activeRecord_ < recordCount_ - 1) {
        ++activeRecord_;
      } else {
        bool full = recordCount_ == bufferCount_;
        if (!GetNextRecord()) {
          eof_ = true;
          break;
        }
        if (full) {
          ++shifted;
        } else {
          activeRecord_ = recordCount_ - 1;
        }
      }
      --distance;
      ++moved;
    }
    while (distance < 0) {
      if (activeRecord_ > 0) {
        --activeRecord_;
      } else {
        bool full = recordCount_ == bufferCount_;
        if (!GetPriorRecord()) {
          bof_ = true;
          break;
        }
        if (full) {
          --shifted;
        } else {
          activeRecord_ = 0;
        }
      }
      ++distance;
      --moved;
    }
  } catch (...) {
    NotifyLinks(Notice::DataSetChanged);
    throw;
  }
  if (recordCount_ != oldRecordCount) {
    NotifyLinks(Notice::DataSetChanged);
  } else {
    NotifyLinks(Notice::Scrolled, shifted);
  }
  DoAfterScroll();
  return moved;
}

void TDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalSetRecNo(value);
  DoAfterScroll();
}

// ---- Editing ----

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  modified_ = false;
  NotifyLinks(Notice::DataSetChanged);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  UpdateCursorPos();
  // The new record takes the active slot; the cursor keeps standing on the record
  // that was active, which is where the new one goes.
  MoveBuffer(recordCount_, activeRecord_);
  InitRecord(ActiveBuffer());
  if (recordCount_ < bufferCount_) ++recordCount_;
  currentRecord_ = activeRecord_;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = buffers_[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  recordCount_ = 1;
  bof_ = false;
  eof_ = false;
  GetPriorRecords();
  InternalLast();
  currentRecord_ = activeRecord_;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  CheckActive();
  if (recordCount_ == 0) return Insert();
  CheckBrowseMode();
  Fire(BeforeEdit);
  UpdateCursorPos();
  CheckOperation(&TDataSet::InternalEdit, OnEditError);
  SetState(dsEdit);
  NotifyLinks(Notice::RecordChanged);
  Fire(AfterEdit);
}

void TDataSet::Post() {
  CheckActive();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DoBeforePost();
  if (state_ == dsEdit) UpdateCursorPos();
  InternalPost();
  SetState(dsBrowse);
  Resync(false, false);
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  Fire(BeforeCancel);
  if (state_ == dsEdit) UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync(false, false);
  Fire(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) return Cancel();
  Fire(BeforeDelete);
  DoBeforeScroll();
  UpdateCursorPos();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
  SetState(dsBrowse);
  Resync(false, false);
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  try {
    InternalRefresh();
  } catch (...) {
    // Keep the ring in step with whatever rows the failed refresh left.
    try {
      Resync(false, false);
    } catch (...) {
    }
    throw;
  }
  Resync(false, false);
}

void TDataSet::CheckOperation(void (TDataSet::*operation)(), const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      (this->*operation)();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (onError) onError(*this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort();
    }
  }
}

// ---- Bookmarks and searching ----

bool TDataSet::BookmarkAvailable() const {
  if (state_ != dsBrowse && state_ != dsEdit && state_ != dsInsert) return false;
  if (recordCount_ == 0) return false;
  return const_cast<TDataSet*>(this)->GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
  if (!BookmarkAvailable()) return {};
  TBookmark bookmark(static_cast<std::size_t>(bookmarkSize_));
  const_cast<TDataSet*>(this)->GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  if (bookmark.size() != static_cast<std::size_t>(bookmarkSize_)) {
    throw EDatabaseError(DbMessages::kInvalidBookmark);
  }
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync(true, true);
  DoAfterScroll();
}

TBookmarkStr TDataSet::Bookmark() const {
  TBookmark b = GetBookmark();
  return TBookmarkStr(b.begin(), b.end());
}

void TDataSet::SetBookmark(const TBookmarkStr& bookmark) {
  GotoBookmark(TBookmark(bookmark.begin(), bookmark.end()));
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
  return 0;
}

bool TDataSet::Locate(std::string_view, const Variant&, TLocateOptions) { return false; }

Variant TDataSet::Lookup(std::string_view, const Variant&, std::string_view) {
  return Variant::Null();
}

// ---- Controls ----

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0 && changedWhileDisabled_) {
    changedWhileDisabled_ = false;
    NotifyLinks(Notice::DataSetChanged);
  }
}

void TDataSet::NotifyLinks(Notice notice, int distance, TField* field) {
  if (links_.empty()) return;
  if (disableCount_ > 0) {
    changedWhileDisabled_ = true;
    return;
  }
  std::vector<TDataLink*> links = links_;  // a handler may detach its link
  for (TDataLink* link : links) {
    try {
      switch (notice) {
        case Notice::ActiveChanged:
          link->ActiveChanged();
          break;
        case Notice::EditingChanged:
          link->EditingChanged();
          break;
        case Notice::DataSetChanged:
          link->DataSetChanged();
          break;
        case Notice::Scrolled:
          link->DataSetScrolled(distance);
          break;
        case Notice::RecordChanged:
          link->RecordChanged(field);
          break;
      }
    } catch (...) {
      InternalHandleException();
    }
  }
}

void TDataSet::AddLink(TDataLink* link) {
  links_.push_back(link);
  UpdateBufferCount();
}

void TDataSet::RemoveLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (!destroying_) UpdateBufferCount();
}

// ---- TDataLink ----

TDataLink::~TDataLink() {
  if (dataSet_) {
    try {
      SetDataSet(nullptr);
    } catch (...) {
      // Shrinking the ring posts a pending edit; a failure cannot leave a destructor.
    }
  }
}

void TDataLink::SetDataSet(TDataSet* dataSet) {
  if (dataSet_ == dataSet) return;
  TDataSet* old = dataSet_;
  dataSet_ = nullptr;
  if (old) old->RemoveLink(this);
  dataSet_ = dataSet;
  if (dataSet) dataSet->AddLink(this);
}

void TDataLink::SetBufferCount(int count) {
  bufferCount_ = std::max(1, count);
  if (dataSet_) dataSet_->UpdateBufferCount();
}

int TDataLink::RecordCount() const { return dataSet_ ? dataSet_->recordCount_ : 0; }

int TDataLink::ActiveRecord() const { return dataSet_ ? dataSet_->activeRecord_ : 0; }

void TDataLink::SetActiveRecord(int index) {
  if (!dataSet_ || index < 0 || index >= std::max(1, dataSet_->recordCount_)) {
    throw EListError(Format(RtlMessages::kListIndexError, index));
  }
  dataSet_->activeRecord_ = index;
}

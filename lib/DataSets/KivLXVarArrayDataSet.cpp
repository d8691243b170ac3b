#include "DataSets/KivLXVarArrayDataSet.h"

#include <memory>
#include <vector>

#include "Rtl/Exceptions.h"

struct TKivVarArrayDataSet::Row {
  std::uint64_t serial = 0;
  std::vector<Variant> values;
};

TKivVarArrayDataSet::~TKivVarArrayDataSet() {
  CloseForDestroy();
  FreeAllRows();
}

TKivVarArrayDataSet::Row& TKivVarArrayDataSet::RowOf(TRowHandle handle, int fieldIndex) {
  Row& row = *static_cast<Row*>(handle);
  // Every row is made with one value per field and the data set asks only for field
  // indexes; the check keeps a mistake from reading past the row.
  KIV_ASSERT(fieldIndex >= 0 && static_cast<std::size_t>(fieldIndex) < row.values.size(),
             "TKivVarArrayDataSet: field index out of range.");
  return row;
}

void TKivVarArrayDataSet::LoadRows(TKivList& rows, TRowHandle) { rows.Assign(store_); }

void TKivVarArrayDataSet::GetRowValue(TRowHandle row, int fieldIndex, Variant& value) {
  value = RowOf(row, fieldIndex).values[static_cast<std::size_t>(fieldIndex)];
}

void TKivVarArrayDataSet::SetRowValue(TRowHandle row, int fieldIndex, const Variant& value) {
  RowOf(row, fieldIndex).values[static_cast<std::size_t>(fieldIndex)] = value;
}

TRowHandle TKivVarArrayDataSet::NewRow() {
  auto row = std::make_unique<Row>();
  row->serial = ++lastSerial_;
  row->values.resize(static_cast<std::size_t>(FieldCount()));
  store_.Add(row.get());
  return row.release();
}

std::uint64_t TKivVarArrayDataSet::RowSerial(TRowHandle row) const {
  return static_cast<const Row*>(row)->serial;
}

void TKivVarArrayDataSet::FreeRow(TRowHandle row) {
  delete static_cast<Row*>(row);
  int index = store_.IndexOf(row);
  if (index != -1) store_.Delete(index, 1);
}

void TKivVarArrayDataSet::InternalClose() {
  TKivDataSet::InternalClose();
  FreeAllRows();
}

void TKivVarArrayDataSet::FreeAllRows() noexcept {
  for (int i = 0; i < store_.Count(); ++i) delete static_cast<Row*>(store_.Get(i));
  store_.Clear();
}

// KivLXVarArrayDataSet: TKivVarArrayDataSet, the row store of the in-memory data set.
//
// Each row is an array of variants, one per field, in a heap cell whose address is
// the row handle; the cell's header keeps the row's serial number, counted up per
// data set and never reused. The store holds every row, visible or filtered out, in
// creation order, and owns them; rows exist while the data set is open and are freed
// when it closes. Field definitions are left to a subclass.
#pragma once

#include "DataSets/KivLXClasses.h"
#include "DataSets/KivLXDataSet.h"

class TKivVarArrayDataSet : public TKivDataSet {
 public:
  TKivVarArrayDataSet() = default;
  ~TKivVarArrayDataSet() override;

  // Rows in the store, filtered-out ones included.
  int StoreCount() const { return store_.Count(); }

 protected:
  void LoadRows(TKivList& rows, TRowHandle current) override;
  void GetRowValue(TRowHandle row, int fieldIndex, Variant& value) override;
  void SetRowValue(TRowHandle row, int fieldIndex, const Variant& value) override;
  void FreeRow(TRowHandle row) override;
  TRowHandle NewRow() override;
  std::uint64_t RowSerial(TRowHandle row) const override;
  void InternalClose() override;

 private:
  struct Row;
  static Row& RowOf(TRowHandle handle, int fieldIndex);
  void FreeAllRows() noexcept;

  TVarArrayList store_;
  std::uint64_t lastSerial_ = 0;  // kept across close, so no serial comes back
};

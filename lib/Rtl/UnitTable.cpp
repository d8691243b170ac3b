#include "Rtl/UnitTable.h"

#include <exception>

TUnitTable::~TUnitTable() {
  try {
    Finalize();
  } catch (...) {
    // Nothing can be reported this late; the other units are finalised regardless.
  }
}

void TUnitTable::Initialize() {
  while (initialized_ < units_.size()) {
    const UnitEntry& u = units_[initialized_];
    if (u.initialize) u.initialize();
    ++initialized_;
  }
}

void TUnitTable::Finalize() {
  std::exception_ptr first;
  while (initialized_ > 0) {
    const UnitEntry& u = units_[--initialized_];
    if (!u.finalize) continue;
    try {
      u.finalize();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

// The program's unit table: every unit's initialisation runs once, in the order the
// table gives, and the finalisations of the units that were initialised run in the
// reverse order. C++ static initialisation plays no part in it.
#pragma once

#include <cstddef>
#include <span>

struct UnitEntry {
  const char* name;
  void (*initialize)();  // may be null
  void (*finalize)();    // may be null
};

class TUnitTable {
 public:
  explicit TUnitTable(std::span<const UnitEntry> units) : units_(units) {}
  ~TUnitTable();
  TUnitTable(const TUnitTable&) = delete;
  TUnitTable& operator=(const TUnitTable&) = delete;

  // Initialises the units in order. When one raises, the units before it stay
  // initialised (Finalize ends them) and the exception propagates.
  void Initialize();
  // Finalises the initialised units in reverse order, each once. A finalisation that
  // raises does not stop the others; the first exception propagates afterwards.
  void Finalize();
  std::size_t InitializedCount() const { return initialized_; }

 private:
  std::span<const UnitEntry> units_;
  std::size_t initialized_ = 0;
};

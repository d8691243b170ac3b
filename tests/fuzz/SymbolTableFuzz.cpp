// The symbol-table reader on damaged tables, and the writer and reader together on
// tables made from arbitrary procedures and rows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Debug/SymbolTable.h"
#include "FuzzCheck.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  std::uint32_t Take(int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes && pos_ < size_; ++i) v = (v << 8) | data_[pos_++];
    return v;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

void ReadDamaged(const std::uint8_t* data, std::size_t size) {
  SymbolTable::Reader reader({data, size});
  for (std::uint32_t rva : {0u, 1u, 0x1000u, 0x1234u, 0x10000u, 0xFFFFFFFFu}) {
    if (auto loc = reader.Find(rva)) {
      FUZZ_CHECK(loc->procedureRva <= rva);
      FUZZ_CHECK(loc->line == 0 || loc->lineRva <= rva);
    }
  }
}

void RoundTrip(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  std::vector<SymbolTable::Procedure> procs;
  std::vector<SymbolTable::LineRow> rows;
  while (in.More() && procs.size() < 200) {
    if (in.Take(1) & 1) {
      procs.push_back({in.Take(2), "p" + std::to_string(in.Take(1)),
                       "u" + std::to_string(in.Take(1) % 4), in.Take(1),
                       "f" + std::to_string(in.Take(1) % 3)});
    } else {
      rows.push_back({in.Take(2), in.Take(2), "f" + std::to_string(in.Take(1) % 3)});
    }
  }
  std::vector<std::uint8_t> table = SymbolTable::Build(procs, rows, 0x10000);
  SymbolTable::Reader reader(table);
  FUZZ_CHECK(reader.Valid());
  for (const SymbolTable::Procedure& p : procs) {
    auto loc = reader.Find(p.rva);
    FUZZ_CHECK(loc.has_value());
    FUZZ_CHECK(loc->procedureRva == p.rva);
    FUZZ_CHECK(loc->procedureEndRva > p.rva);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] == 'R') {
    RoundTrip(data + 1, size - 1);
  } else {
    ReadDamaged(data, size);
  }
  return 0;
}

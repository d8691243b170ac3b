// Symbol-table lookups on a table the size of the installer's (about 1,400
// procedures and 23,000 line rows). Target: under a microsecond per address.
#include <benchmark/benchmark.h>

#include <random>

#include "Debug/SymbolTable.h"

namespace {

std::vector<std::uint8_t> InstallerSizedTable(std::uint32_t& codeEnd) {
  std::mt19937 rng(1);
  std::vector<SymbolTable::Procedure> procs;
  std::vector<SymbolTable::LineRow> rows;
  std::uint32_t rva = 0x1000;
  for (int p = 0; p < 1400; ++p) {
    std::uint32_t line = 10 + rng() % 2000;
    procs.push_back({rva, "ns::Class" + std::to_string(p % 90) + "::Method" + std::to_string(p),
                     "Unit" + std::to_string(p % 60), line,
                     "File" + std::to_string(p % 120) + ".cpp"});
    int count = 1 + rng() % 32;
    for (int r = 0; r < count; ++r) {
      rows.push_back({rva, static_cast<std::uint32_t>(line + rng() % 20),
                      "File" + std::to_string(p % 120) + ".cpp"});
      rva += 4 + rng() % 24;
    }
    rows.push_back({rva, 0, ""});
    rva += 16;
  }
  codeEnd = rva;
  return SymbolTable::Build(procs, rows, codeEnd);
}

void BM_SymbolTableFind(benchmark::State& state) {
  std::uint32_t codeEnd = 0;
  std::vector<std::uint8_t> table = InstallerSizedTable(codeEnd);
  SymbolTable::Reader reader(table);
  std::uint32_t rva = 0x1000;
  for (auto _ : state) {
    benchmark::DoNotOptimize(reader.Find(rva));
    rva = 0x1000 + (rva - 0x1000 + 4099) % (codeEnd - 0x1000);
  }
  state.counters["table_bytes"] = static_cast<double>(table.size());
  state.counters["line_rows"] = static_cast<double>(reader.LineCount());
}
BENCHMARK(BM_SymbolTableFind);

}  // namespace

// Times the stack-walking facility under Wine: stack capture at depths 5, 20 and 50
// against the system's RtlCaptureStackBackTrace at the same depth in the same run,
// the cost a throw pays for its capture, and code-address lookups. Each figure is
// the median of several rounds. Run by bench/wine/stack-bench.sh.
#include "Rtl/Win.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "BenchClock.h"
#include "Debug/ModuleList.h"
#include "Debug/StackTrace.h"
#include "Debug/SymbolTable.h"
#include "Rtl/Exceptions.h"

namespace {

constexpr int kRounds = 9;

// Nanoseconds per call of `fn`, the median of the rounds.
double Time(int calls, const std::function<void()>& fn) {
  std::vector<double> rounds;
  for (int r = 0; r < kRounds; ++r) {
    double t0 = Now();
    for (int i = 0; i < calls; ++i) fn();
    rounds.push_back((Now() - t0) * 1e9 / calls);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[kRounds / 2];
}

// Runs `fn` with `depth` more frames on the stack.
[[gnu::noinline]] int AtDepth(int depth, const std::function<void()>& fn) {
  volatile char pad[32] = {};
  if (depth <= 1) {
    fn();
    return pad[0];
  }
  return AtDepth(depth - 1, fn) + pad[1];
}

using CaptureBackTrace = USHORT(WINAPI*)(ULONG, ULONG, PVOID*, PULONG);

}  // namespace

int main() {
  auto rtlCapture = reinterpret_cast<CaptureBackTrace>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "RtlCaptureStackBackTrace")));
  StartExceptionTracking();

  std::printf("%-44s %12s %12s %12s\n", "per call (ns), median of 9 rounds", "depth 5", "depth 20",
              "depth 50");
  struct Row {
    const char* name;
    std::function<void()> fn;
    int calls;
  };
  TStackList stack;
  void* frames[256];
  std::vector<Row> rows = {
      {"capture (raw stack scan)", [&] { CaptureCurrentStack(stack); }, 2000},
      {"RtlCaptureStackBackTrace", [&] { rtlCapture(0, 256, frames, nullptr); }, 2000},
      {"throw and catch, tracking on",
       [] {
         try {
           throw EKivGeneralError("x");
         } catch (const Exception&) {
         }
       },
       500},
      {"throw and catch, tracking off",
       [] {
         StopExceptionTracking();
         try {
           throw EKivGeneralError("x");
         } catch (const Exception&) {
         }
         StartExceptionTracking();
       },
       500},
  };
  for (const Row& row : rows) {
    std::printf("%-44s", row.name);
    for (int depth : {5, 20, 50}) {
      double ns = 0;
      AtDepth(depth, [&] { ns = Time(row.calls, row.fn); });
      std::printf(" %12.0f", ns);
    }
    std::printf("\n");
  }
  AtDepth(20, [&] { CaptureCurrentStack(stack); });
  std::printf("addresses in a depth-20 capture: %zu\n", stack.addresses.size());

  // Lookups: the table alone, and the whole location (module, headers, table).
  HMODULE self = GetModuleHandleW(nullptr);
  PeHeaders layout;
  LoadedImageLayout(self, layout);
  std::uint32_t tableSize = 0, codeSize = 0, tableRva = 0, codeRva = 0;
  for (const PeSection& s : layout.sections) {
    if (s.name == SymbolTable::kSectionName) tableSize = s.virtualSize, tableRva = s.virtualAddress;
    if (s.name == ".text") codeSize = s.virtualSize, codeRva = s.virtualAddress;
  }
  SymbolTable::Reader reader({reinterpret_cast<const std::uint8_t*>(self) + tableRva, tableSize});
  std::uint32_t rva = codeRva;
  double find = Time(100000, [&] {
    (void)reader.Find(rva);
    rva = codeRva + (rva - codeRva + 4099) % codeSize;
  });
  auto base = reinterpret_cast<std::uintptr_t>(self);
  double locate = Time(20000, [&] {
    (void)LocateCodeAddress(base + rva);
    rva = codeRva + (rva - codeRva + 4099) % codeSize;
  });
  std::printf("symbol table lookup (ns per address)          %12.0f\n", find);
  std::printf("LocateCodeAddress (ns per address)            %12.0f\n", locate);
  std::printf("table %u bytes for %u bytes of code (%.0f%%), %zu procedures, %zu line rows\n",
              tableSize, codeSize, 100.0 * tableSize / codeSize, reader.ProcedureCount(),
              reader.LineCount());
  return 0;
}

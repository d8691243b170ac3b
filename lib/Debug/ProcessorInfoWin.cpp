#include "Debug/ProcessorInfo.h"

#include "Rtl/Win.h"
#include <x86intrin.h>

std::uint32_t MeasureProcessorFrequency() {
  LARGE_INTEGER frequency, start, now;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return 0;
  // A short busy wait: long enough for a stable figure, short enough for a report.
  const LONGLONG span = frequency.QuadPart / 50;  // 20 ms
  QueryPerformanceCounter(&start);
  unsigned long long cycles = __rdtsc();
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < span);
  cycles = __rdtsc() - cycles;
  double seconds = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
  return static_cast<std::uint32_t>(cycles / seconds / 1e6 + 0.5);
}

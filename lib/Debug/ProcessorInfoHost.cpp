#include "Debug/ProcessorInfo.h"

#include <x86intrin.h>

#include <chrono>

std::uint32_t MeasureProcessorFrequency() {
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now(), now;
  unsigned long long cycles = __rdtsc();
  do {
    now = Clock::now();
  } while (now - start < std::chrono::milliseconds(20));
  cycles = __rdtsc() - cycles;
  double seconds = std::chrono::duration<double>(now - start).count();
  return static_cast<std::uint32_t>(cycles / seconds / 1e6 + 0.5);
}

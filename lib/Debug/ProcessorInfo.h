// What the exception report says about the processor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct TProcessorInfo {
  std::u16string manufacturer;     // "Intel", "AMD", ... or the vendor's own text
  std::u16string name;             // the brand text, or family, model and stepping
  std::uint32_t frequencyMHz = 0;  // measured; 0 without a time-stamp counter
  bool mmx = false;
  bool fdivCorrect = true;  // the floating-point division test passed
};

// Identifies the processor (CPUID) and measures its clock for a few tens of
// milliseconds. Raises EKivGeneralError when the processor cannot be identified.
TProcessorInfo GetProcessorInfo();

// The manufacturer's name for a CPUID vendor text ("GenuineIntel" gives "Intel");
// an unknown vendor text is given as it is.
std::u16string ManufacturerName(std::string_view vendor);

// Rounds a measured frequency to the nearest of the usual steps within its hundred
// (0, 20, 33, 50, 60, 66, 80, 90, 100 MHz; a tie goes up): 1995 gives 2000, 732 gives
// 733, 866 stays 866.
std::uint32_t RoundProcessorFrequency(std::uint32_t mhz);

// The division that the first Pentium processors got wrong.
bool FloatingPointDivisionCorrect();

// The processor's clock in MHz from its time-stamp counter against the system's
// clock; 0 when it cannot be measured. Platform half.
std::uint32_t MeasureProcessorFrequency();

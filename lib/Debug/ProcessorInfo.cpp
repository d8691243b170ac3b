#include "Debug/ProcessorInfo.h"

#include <cmath>
#include <cstring>

#include "Rtl/CodePage.h"
#include "Rtl/Exceptions.h"
#include "Rtl/Format.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define PLINTH_HAVE_CPUID 1
#endif

std::uint32_t RoundProcessorFrequency(std::uint32_t mhz) {
  static constexpr std::uint32_t kSteps[] = {0, 20, 33, 50, 60, 66, 80, 90, 100};
  std::uint32_t f = mhz % 100;
  for (std::size_t i = 1; i < std::size(kSteps); ++i) {
    if (kSteps[i] > f) {
      std::uint32_t below = f - kSteps[i - 1];
      std::uint32_t above = kSteps[i] - f;
      return below < above ? mhz - below : mhz + above;
    }
  }
  return mhz;  // not reached: f is below 100
}

bool FloatingPointDivisionCorrect() {
  volatile double x = 4195835.0;
  volatile double y = 3145727.0;
  double z = x - (x / y) * y;
  return std::fabs(z) < 1.0;
}

std::u16string ManufacturerName(std::string_view vendor) {
  static constexpr struct {
    const char* vendor;
    const char16_t* name;
  } kVendors[] = {
      {"GenuineIntel", u"Intel"},       {"AuthenticAMD", u"AMD"},       {"CyrixInstead", u"Cyrix"},
      {"CentaurHauls", u"IDT/Centaur"}, {"NexGenDriven", u"NexGen"},    {"UMC UMC UMC ", u"UMC"},
      {"RiseRiseRise", u"Rise"},        {"GenuineTMx86", u"Transmeta"}, {"Geode by NSC", u"NSC"},
      {"  Shanghai  ", u"Zhaoxin"},     {"HygonGenuine", u"Hygon"},
  };
  for (const auto& v : kVendors) {
    if (vendor == v.vendor) return v.name;
  }
  return AnsiToWide(vendor);
}

TProcessorInfo GetProcessorInfo() {
  TProcessorInfo info;
#ifdef PLINTH_HAVE_CPUID
  unsigned a = 0, b = 0, c = 0, d = 0;
  unsigned maxLeaf = __get_cpuid_max(0, nullptr);
  if (maxLeaf == 0 || !__get_cpuid(0, &a, &b, &c, &d)) {
    throw EKivGeneralError("The processor cannot be identified (no CPUID instruction)");
  }
  char vendor[13] = {};
  std::memcpy(vendor, &b, 4);
  std::memcpy(vendor + 4, &d, 4);
  std::memcpy(vendor + 8, &c, 4);
  info.manufacturer = ManufacturerName(vendor);

  bool tsc = false;
  if (maxLeaf >= 1 && __get_cpuid(1, &a, &b, &c, &d)) {
    info.mmx = (d >> 23) & 1;
    tsc = (d >> 4) & 1;
    unsigned family = (a >> 8) & 0xF, model = (a >> 4) & 0xF, stepping = a & 0xF;
    if (family == 0xF) family += (a >> 20) & 0xFF;
    if (family >= 6) model += ((a >> 16) & 0xF) << 4;
    info.name = WideFormat(u"x86 Family %u Model %u Stepping %u", family, model, stepping);
  }
  if (static_cast<unsigned>(__get_cpuid_max(0x80000000, nullptr)) >= 0x80000004u) {
    char brand[49] = {};
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
      __get_cpuid(0x80000002 + leaf, &a, &b, &c, &d);
      std::memcpy(brand + leaf * 16, &a, 4);
      std::memcpy(brand + leaf * 16 + 4, &b, 4);
      std::memcpy(brand + leaf * 16 + 8, &c, 4);
      std::memcpy(brand + leaf * 16 + 12, &d, 4);
    }
    std::string text(brand);
    std::size_t first = text.find_first_not_of(' ');
    std::size_t last = text.find_last_not_of(' ');
    if (first != std::string::npos) info.name = AnsiToWide(text.substr(first, last - first + 1));
  }
  if (tsc) info.frequencyMHz = MeasureProcessorFrequency();
#else
  throw EKivGeneralError("The processor cannot be identified on this architecture");
#endif
  info.fdivCorrect = FloatingPointDivisionCorrect();
  return info;
}

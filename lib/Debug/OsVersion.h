// What the exception report says about the operating system.
#pragma once

#include <cstdint>
#include <string>

struct TOsVersion {
  bool nt = false;  // the NT family; otherwise the 9x family
  std::uint32_t major = 0, minor = 0, build = 0;
  std::u16string servicePack;  // the system's service-pack text
  bool kernelIs490 = false;    // 9x: the kernel's file version begins 4.90
  // From the extended version information, where the system gives it.
  bool extended = false;
  std::uint8_t productType = 0;
  std::uint16_t suiteMask = 0;
  // Otherwise the registry's "ProductType" value ("WINNT", "LANMANNT", "SERVERNT").
  std::u16string registryProductType;
};

// "Windows 98 SE", "Windows NT 4.0", "Windows XP", ...; empty when no name applies.
std::u16string WindowsVersionName(const TOsVersion& v);
// "Workstation", "Server", "Advanced Server", "Home Edition", "Professional",
// "Datacenter Server"; empty off the NT family or when the type is unknown.
std::u16string ProductTypeName(const TOsVersion& v);

#ifdef _WIN32
// The running system's version (the build number without the 9x family's version
// bits).
TOsVersion GetOsVersion();
#endif

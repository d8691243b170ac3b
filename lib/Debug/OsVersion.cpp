#include "Debug/OsVersion.h"

#include "Rtl/Format.h"

namespace {
std::u16string Trimmed(const std::u16string& s) {
  std::size_t first = s.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

constexpr std::uint8_t kWorkstation = 1;  // VER_NT_WORKSTATION
constexpr std::uint16_t kSuiteEnterprise = 0x0002;
constexpr std::uint16_t kSuiteDatacenter = 0x0080;
constexpr std::uint16_t kSuitePersonal = 0x0200;
}  // namespace

std::u16string WindowsVersionName(const TOsVersion& v) {
  if (!v.nt) {
    if (v.major != 4) return {};
    std::u16string sp = Trimmed(v.servicePack);
    if (v.minor < 10) return sp == u"B" || sp == u"C" ? u"Windows 95 OSR2" : u"Windows 95";
    if (v.minor < 90) {
      if (v.kernelIs490) return u"Windows ME";
      return sp == u"A" ? u"Windows 98 SE" : u"Windows 98";
    }
    return v.minor == 90 ? u"Windows ME" : u"";
  }
  if (v.major == 3 && (v.minor == 1 || v.minor == 5 || v.minor == 51)) {
    return WideFormat(u"Windows NT 3.%u", v.minor);
  }
  if (v.major == 4) return WideFormat(u"Windows NT 4.%u", v.minor);
  if (v.major == 5) {
    switch (v.minor) {
      case 0:
        return u"Windows 2000";
      case 1:
        return u"Windows XP";
      case 2:
        return u"Windows Server 2003";
    }
  }
  return {};
}

std::u16string ProductTypeName(const TOsVersion& v) {
  if (!v.nt) return {};
  if (v.extended && v.productType != 0) {
    if (v.productType == kWorkstation) {
      if (v.major == 4) return u"Workstation";
      return v.suiteMask & kSuitePersonal ? u"Home Edition" : u"Professional";
    }
    if (v.suiteMask & kSuiteDatacenter) return u"Datacenter Server";
    if (v.suiteMask & kSuiteEnterprise) return u"Advanced Server";
    return u"Server";
  }
  std::u16string t = Trimmed(v.registryProductType);
  for (char16_t& c : t) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  if (t == u"WINNT") return u"Workstation";
  if (t == u"LANMANNT") return u"Server";
  if (t == u"SERVERNT") return u"Advanced Server";
  return {};
}

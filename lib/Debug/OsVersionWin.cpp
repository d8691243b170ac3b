#include "Debug/OsVersion.h"

#include <cstring>
#include <vector>

#include "Rtl/Platform.h"
#include "Win/Handles.h"

namespace {

bool KernelIs490() {
  std::u16string kernel = Platform::GetSystemDirectory() + u"\\KERNEL32.DLL";
  DWORD size = Platform::GetFileVersionInfoSize(kernel);
  if (size == 0) return false;
  std::vector<std::uint8_t> info(size, 0);
  if (!Platform::GetFileVersionInfo(kernel, size, info.data())) return false;
  const void* data = nullptr;
  UINT length = 0;
  if (!Platform::VerQueryValueRaw(info.data(), u"\\", data, length) ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, data, sizeof fixed);
  return fixed.dwFileVersionMS == 0x0004005A;  // 4.90
}

std::u16string RegistryProductType() {
  UniqueHandle<RegKeyTraits> key;
  if (Platform::RegOpenKeyEx(HKEY_LOCAL_MACHINE,
                             u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions", KEY_QUERY_VALUE,
                             *key.put()) != ERROR_SUCCESS) {
    return {};
  }
  char16_t buffer[64] = {};
  DWORD type = 0, size = sizeof buffer - sizeof(char16_t);
  if (Platform::RegQueryValueEx(key.get(), u"ProductType", &type, reinterpret_cast<BYTE*>(buffer),
                                &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  std::u16string value(buffer, size / sizeof(char16_t));
  return value.substr(0, value.find(u'\0'));
}

}  // namespace

TOsVersion GetOsVersion() {
  TOsVersion v;
  Platform::VersionInfo info;
  if (!Platform::GetVersionEx(info)) return v;
  v.nt = info.platformId == VER_PLATFORM_WIN32_NT;
  v.major = info.major;
  v.minor = info.minor;
  // On the 9x family the high word repeats the version.
  v.build = v.nt ? info.build : (info.build & 0xFFFF);
  v.servicePack = info.csd;
  if (!v.nt) {
    v.kernelIs490 = KernelIs490();
  } else {
    v.extended = info.extended;
    v.productType = info.productType;
    v.suiteMask = info.suiteMask;
    if (!v.extended || v.productType == 0) v.registryProductType = RegistryProductType();
  }
  return v;
}

#include "KivLX/KivLXRegistry.h"

#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"

std::u16string TKivRegistry::ReadString(const std::u16string& name) const {
  if (Platform::IsWin9x()) return AnsiToWide(ReadAnsiString(name));

  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(CurrentKey(), WStr(name), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseInvalidType(name);
  if (size == 1) size = 2;
  std::u16string value(size / 2, u'\0');
  if (RegQueryValueExW(CurrentKey(), WStr(name), nullptr, &type,
                       reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
    RaiseGetDataFailed(name);
  }
  auto nul = value.find(u'\0');
  if (nul != std::u16string::npos) value.resize(nul);
  return value;
}

std::u16string TKivRegistryLX::ReadString(const std::u16string& name,
                                          const std::u16string& defaultValue) const {
  return ValueExists(name) ? ReadString(name) : defaultValue;
}

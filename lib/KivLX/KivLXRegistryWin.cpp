#include "KivLX/KivLXRegistry.h"

#include "Rtl/CodePage.h"
#include "Rtl/Platform.h"

std::u16string TKivRegistry::ReadString(const std::u16string& name) const {
  if (Platform::IsWin9x()) return AnsiToWide(ReadAnsiString(name));
  std::optional<std::string> data = QueryStringData(name);
  return data ? TextOfWideData(*data) : std::u16string();
}

std::u16string TKivRegistryLX::ReadString(const std::u16string& name,
                                          const std::u16string& defaultValue) const {
  return ValueExists(name) ? ReadString(name) : defaultValue;
}

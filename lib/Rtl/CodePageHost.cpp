// The host has no system code page; Latin-1 stands in for a Western one.
#include "Rtl/CodePage.h"

std::u16string AnsiToWide(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<unsigned char>(s[i]);
  return out;
}

std::string WideToAnsi(std::u16string_view s) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = s[i] < 0x100 ? static_cast<char>(s[i]) : '?';
  return out;
}

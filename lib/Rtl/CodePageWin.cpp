#include "Rtl/CodePage.h"

#include "Rtl/Win.h"

#include <limits>

std::u16string AnsiToWide(std::string_view s) {
  if (s.empty()) return {};
  if (s.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), WStr(out), n);
  return out;
}

std::string WideToAnsi(std::u16string_view s) {
  if (s.empty()) return {};
  if (s.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  auto src = reinterpret_cast<const wchar_t*>(s.data());
  int len = static_cast<int>(s.size());
  int n = WideCharToMultiByte(CP_ACP, 0, src, len, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, src, len, out.data(), n, nullptr, nullptr);
  return out;
}

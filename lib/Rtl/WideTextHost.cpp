// Host stand-ins for the system's letter case and locale comparison: Latin-1 letters
// fold, everything else compares by code unit.
#include "Rtl/WideText.h"

namespace {

char16_t FoldUpper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

char16_t FoldLower(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

int Compare(std::u16string_view a, std::u16string_view b, bool ignoreCase) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = ignoreCase ? FoldUpper(a[i]) : a[i];
    char16_t y = ignoreCase ? FoldUpper(b[i]) : b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::u16string WideUpperCase(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) c = FoldUpper(c);
  return out;
}

std::u16string WideLowerCase(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) c = FoldLower(c);
  return out;
}

int WideCompareStr(std::u16string_view a, std::u16string_view b) { return Compare(a, b, false); }
int WideCompareText(std::u16string_view a, std::u16string_view b) { return Compare(a, b, true); }

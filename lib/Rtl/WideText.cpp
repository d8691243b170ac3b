#include "Rtl/WideText.h"

namespace {

template <typename CharT>
std::basic_string<CharT> TrimImpl(std::basic_string_view<CharT> s, bool left, bool right) {
  std::size_t b = 0;
  std::size_t e = s.size();
  if (left) {
    while (b < e && static_cast<std::make_unsigned_t<CharT>>(s[b]) <= ' ') ++b;
  }
  if (right) {
    while (e > b && static_cast<std::make_unsigned_t<CharT>>(s[e - 1]) <= ' ') --e;
  }
  return std::basic_string<CharT>(s.substr(b, e - b));
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

template <typename Line, typename CharT>
std::vector<Line> SplitLinesImpl(std::basic_string_view<CharT> text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    CharT c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

std::string Trim(std::string_view s) { return TrimImpl(s, true, true); }
std::string TrimLeft(std::string_view s) { return TrimImpl(s, true, false); }
std::string TrimRight(std::string_view s) { return TrimImpl(s, false, true); }
std::u16string Trim(std::u16string_view s) { return TrimImpl(s, true, true); }
std::u16string TrimLeft(std::u16string_view s) { return TrimImpl(s, true, false); }
std::u16string TrimRight(std::u16string_view s) { return TrimImpl(s, false, true); }

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

int CompareText(std::string_view a, std::string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(AsciiUpper(a[i]));
    unsigned char y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool WideSameText(std::u16string_view a, std::u16string_view b) {
  return WideCompareText(a, b) == 0;
}

std::string IntToStr(std::int64_t v) { return std::to_string(v); }

std::u16string IntToWide(std::int64_t v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  return SplitLinesImpl<std::u16string>(text);
}
std::vector<std::string> SplitLines(std::string_view text) {
  return SplitLinesImpl<std::string>(text);
}
std::vector<std::u16string_view> SplitLineViews(std::u16string_view text) {
  return SplitLinesImpl<std::u16string_view>(text);
}

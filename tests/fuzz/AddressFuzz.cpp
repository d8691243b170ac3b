// Address lists: any text parses without failing, into unique non-empty entries of
// the form "name" <address>, whose addresses hold no blanks or angle brackets and
// whose names no quotes or angle brackets.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "KivLX/KivLXUtils.h"
#include "Rtl/KivStringList.h"

namespace {

bool NoneOf(const std::u16string& s, std::u16string_view chars) {
  return s.find_first_of(chars) == std::u16string::npos;
}

bool NoBlanks(const std::u16string& s) {
  for (char16_t c : s) {
    if (IsBlankChar(c)) return false;
  }
  return true;
}

void CheckList(std::u16string_view text, bool includeNames, bool allowNameOnly) {
  const std::u16string defaultName = u"Support";
  TKivStringList list;
  ParseAddressList(list, text, defaultName, includeNames, allowNameOnly);
  for (int i = 0; i < list.Count(); ++i) {
    const std::u16string& entry = list.Get(i);
    FUZZ_CHECK(!entry.empty());
    FUZZ_CHECK(list.IndexOf(entry) == i);
    if (!includeNames) {
      FUZZ_CHECK(NoneOf(entry, u"<>") && NoBlanks(entry));
      continue;
    }
    // "name" <address>, the name without quotes or brackets.
    std::size_t close = entry.find(u'"', 1);
    FUZZ_CHECK(entry.front() == u'"' && close != std::u16string::npos);
    FUZZ_CHECK(entry.compare(close, 3, u"\" <") == 0 && entry.back() == u'>');
    std::u16string name = entry.substr(1, close - 1);
    std::u16string address = entry.substr(close + 3, entry.size() - close - 4);
    FUZZ_CHECK(!name.empty() && NoneOf(name, u"<>"));
    FUZZ_CHECK(NoneOf(address, u"<>") && NoBlanks(address));
    FUZZ_CHECK(!address.empty() || allowNameOnly);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Bytes as Latin-1 characters; 0xFF takes the next two bytes as one UTF-16 unit.
  std::u16string text;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF && i + 2 < size) {
      text += static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
      i += 2;
    } else {
      text += static_cast<char16_t>(data[i]);
    }
  }
  CheckList(text, true, true);
  CheckList(text, true, false);
  CheckList(text, false, false);

  std::size_t p = FindAddressSeparator(text);
  FUZZ_CHECK(p <= text.size());
  FUZZ_CHECK(p == 0 || text[p - 1] == u',' || text[p - 1] == u';');
  FUZZ_CHECK(ExtractQuoted(text).size() <= text.size());
  FUZZ_CHECK(NoBlanks(RemoveWhitespace(text)));
  if (!text.empty()) {
    std::u16string_view pattern = std::u16string_view(text).substr(0, 1 + text.size() % 3);
    FUZZ_CHECK(CountOccurrences(text, pattern) * pattern.size() <= text.size());
    FUZZ_CHECK(CountOccurrences(text, pattern) >= 1);
  }
  return 0;
}

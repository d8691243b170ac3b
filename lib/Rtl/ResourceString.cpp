#include "Rtl/ResourceString.h"

#include "Rtl/CodePage.h"
#include "Rtl/WideText.h"

std::string LoadAnsiResString(const ResourceString& rs) { return WideToAnsi(LoadResString(rs)); }

std::u16string FormatResStrMap(const std::vector<ResStrMapEntry>& entries) {
  std::u16string text;
  for (const ResStrMapEntry& e : entries) {
    text += IntToWide(e.id) + u"=" + AnsiToWide(e.name) + u"\r\n";
  }
  return text;
}

std::vector<ResStrMapEntry> ParseResStrMap(std::u16string_view text) {
  while (!text.empty() && text.back() == u'\0') text.remove_suffix(1);
  std::vector<ResStrMapEntry> entries;
  for (const std::u16string& line : SplitLines(text)) {
    std::size_t eq = line.find(u'=');
    if (eq == 0 || eq == std::u16string::npos || eq > 5 || eq + 1 == line.size()) continue;
    std::uint32_t id = 0;
    bool digits = true;
    for (std::size_t i = 0; i < eq; ++i) {
      if (line[i] < u'0' || line[i] > u'9') digits = false;
      id = id * 10 + (line[i] - u'0');
    }
    if (!digits || id == 0 || id > 0xFFFF) continue;
    entries.push_back({static_cast<std::uint16_t>(id), WideToAnsi(line.substr(eq + 1))});
  }
  return entries;
}

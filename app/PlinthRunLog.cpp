#include "PlinthRunLog.h"

#include "Rtl/Format.h"
#include "Rtl/WideText.h"

std::u16string FormatLogEvent(const TLogTime& t, std::u16string_view text) {
  const std::u16string stamp = WideFormat(u"%.4d-%.2d-%.2d %.2d:%.2d:%.2d  ", t.year, t.month,
                                          t.day, t.hour, t.minute, t.second);
  const std::u16string indent(stamp.size(), u' ');
  std::vector<std::u16string> lines = SplitLines(text);
  if (lines.empty()) lines.emplace_back();
  std::u16string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 0) {
      out += stamp + lines[i];
    } else if (!lines[i].empty()) {
      out += indent + lines[i];
    }
    out += u"\r\n";
  }
  return out;
}

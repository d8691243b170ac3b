#include "KivLX/KivLXSetupUtils.h"

#include "Rtl/WideText.h"

std::string AddIniSectionLines(std::string_view iniText, std::string_view section,
                               const std::vector<std::string>& lines) {
  std::vector<std::string> all = SplitLines(iniText);
  const std::string header = std::string("[").append(section).append("]");
  std::size_t at = all.size();
  std::size_t i = 0;
  while (i < all.size() && !SameText(Trim(all[i]), header)) ++i;
  if (i == all.size()) {
    all.push_back(header);
    at = all.size();
  } else {
    at = i + 1;
    // The section ends where the next one begins; blank lines before that stay after
    // the new lines, apart from the next header as before.
    for (++i; i < all.size() && TrimLeft(all[i]).rfind('[', 0) != 0; ++i) {
      if (!Trim(all[i]).empty()) at = i + 1;
    }
  }
  all.insert(all.begin() + static_cast<std::ptrdiff_t>(at), lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : all) out += line + "\r\n";
  return out;
}

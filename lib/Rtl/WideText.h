// Text helpers for 8-bit and wide strings: trimming, letter case, comparison.
//
// The locale-aware comparison is the user's locale on Windows (CompareStringW) and a
// plain code-unit comparison after case folding on the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Trim removes characters up to and including the space (control characters too).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::u16string Trim(std::u16string_view s);
std::u16string TrimLeft(std::u16string_view s);
std::u16string TrimRight(std::u16string_view s);

// ASCII letter case of 8-bit text.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// Ordinal comparison of 8-bit text ignoring ASCII case: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);

// Letter case of wide text by the system's rules.
std::u16string WideUpperCase(std::u16string_view s);
std::u16string WideLowerCase(std::u16string_view s);

// Locale-aware comparison (user default locale): <0, 0, >0.
int WideCompareStr(std::u16string_view a, std::u16string_view b);
int WideCompareText(std::u16string_view a, std::u16string_view b);  // ignoring case
bool WideSameText(std::u16string_view a, std::u16string_view b);

// Decimal text of an integer.
std::u16string IntToWide(std::int64_t v);
std::string IntToStr(std::int64_t v);

// Splits text at CR LF, CR or LF; a final line break does not start another line.
std::vector<std::u16string> SplitLines(std::u16string_view text);
std::vector<std::string> SplitLines(std::string_view text);
// The same lines as views into the text, which must outlive them.
std::vector<std::u16string_view> SplitLineViews(std::u16string_view text);

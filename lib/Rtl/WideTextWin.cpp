#include "Rtl/WideText.h"

#include "Rtl/Platform.h"

std::u16string WideUpperCase(std::u16string_view s) {
  return Platform::CharUpper(std::u16string(s));
}

std::u16string WideLowerCase(std::u16string_view s) {
  return Platform::CharLower(std::u16string(s));
}

int WideCompareStr(std::u16string_view a, std::u16string_view b) {
  return Platform::CompareString(LOCALE_USER_DEFAULT, 0, a, b) - CSTR_EQUAL;
}

int WideCompareText(std::u16string_view a, std::u16string_view b) {
  return Platform::CompareString(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, b) - CSTR_EQUAL;
}

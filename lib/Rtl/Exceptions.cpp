#include "Rtl/Exceptions.h"

#include "Rtl/Format.h"

std::string AssertionMessage(std::string_view text, std::string_view sourceFile, int line) {
  std::string_view unit = sourceFile;
  std::size_t slash = unit.find_last_of("/\\");
  std::size_t dot = unit.rfind('.');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    unit = unit.substr(0, dot);
  }
  return Format("%s (%s, line %d)", text.empty() ? RtlMessages::kAssertionFailed : text, unit,
                line);
}

void RaiseAssertion(std::string_view text, const char* sourceFile, int line) {
  throw EAssertionFailed(AssertionMessage(text, sourceFile, line));
}

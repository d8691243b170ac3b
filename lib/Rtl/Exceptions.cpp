#include "Rtl/Exceptions.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "Rtl/Format.h"

namespace {

std::string DemangledName(const std::type_info* type) {
  if (!type) return "Exception";
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? name.get() : type->name();
}

}  // namespace

std::string ExceptionClassName(const std::exception& e) {
  if (auto* own = dynamic_cast<const Exception*>(&e)) return own->ClassName();
  return DemangledName(&typeid(e));
}

std::string CurrentExceptionClassName() {
  try {
    throw;
  } catch (const std::exception& e) {
    return ExceptionClassName(e);
  } catch (...) {
    return DemangledName(abi::__cxa_current_exception_type());
  }
}

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

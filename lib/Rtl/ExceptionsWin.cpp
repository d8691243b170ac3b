#include "Rtl/Exceptions.h"

#include "Rtl/CodePage.h"
#include "Rtl/Format.h"
#include "Rtl/Platform.h"

namespace {
template <typename Str>
Str TrimMessageEnd(Str s) {
  while (!s.empty() && (s.back() <= 32 || s.back() == '.')) s.pop_back();
  return s;
}
}  // namespace

std::u16string WideSysErrorMessage(std::uint32_t code) {
  return TrimMessageEnd(Platform::FormatMessageText(code));
}

std::string SysErrorMessage(std::uint32_t code) { return WideToAnsi(WideSysErrorMessage(code)); }

EOSError MakeOSError(std::uint32_t code, std::optional<TFailedCall> call) {
  if (code == 0) return EOSError(RtlMessages::kUnkOSError, 0, std::move(call));
  return EOSError(
      Format(RtlMessages::kOSError, static_cast<std::int32_t>(code), SysErrorMessage(code)), code,
      std::move(call));
}

namespace KivFailure {

void ThrowLastError(const char* call, const TSourcePlace& where) {
  ThrowError(GetLastError(), call, where);
}

void ThrowError(std::uint32_t code, const char* call, const TSourcePlace& where) {
  throw MakeOSError(code, TFailedCall{call, where});
}

}  // namespace KivFailure

EOleSysError MakeOleSysError(std::int32_t code) {
  std::string text = SysErrorMessage(static_cast<std::uint32_t>(code));
  if (text.empty()) text = FormatLowerHex(RtlMessages::kOleError, code);
  return EOleSysError(text, code);
}

void RaiseOleSysError(std::int32_t code) { throw MakeOleSysError(code); }

std::int32_t OleCheck(std::int32_t code) {
  if (code < 0) RaiseOleSysError(code);
  return code;
}
